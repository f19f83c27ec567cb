// Renders the dialog's artwork for the Windows resources: every SVG of
// resources/artwork ("<id>-<name>.svg") as a bitmap at 1x (resource id) and
// 2x (id + 1000), 32-bit with premultiplied alpha or 24-bit when the picture
// is opaque; the large opaque pictures (the background, the Info picture) as
// JPEG resources of the finest quality instead, which keeps the module a
// few megabytes smaller; the pointers 107 and 109 also as cursors with a 32
// and a 64 pixel image. Writes artwork.rc naming them all.
// Built for and run on the build machine while cross-building.
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <cstdio>  // jpeglib.h needs FILE first
#include <jpeglib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kTwiceOffset = 1000;  // ui/win32/win32_artwork.h: artworkResourceId

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// One picture: premultiplied blue, green, red, alpha bytes, rows top down.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> bgra;
    bool opaque() const {
        for (size_t i = 3; i < bgra.size(); i += 4)
            if (bgra[i] != 255) return false;
        return true;
    }
};

// The svg element's width and height attributes: the picture's size in
// client pixels, as the Linux backends take it.
bool svgSize(const std::string& text, int& width, int& height) {
    const size_t start = text.find("<svg");
    const size_t end = text.find('>', start);
    if (start == std::string::npos || end == std::string::npos) return false;
    const std::string head = text.substr(start, end - start);
    auto attribute = [&](const char* name, int& value) {
        const std::string key = std::string(" ") + name + "=\"";
        const size_t at = head.find(key);
        if (at == std::string::npos) return false;
        value = std::atoi(head.c_str() + at + key.size());
        return value > 0;
    };
    return attribute("width", width) && attribute("height", height);
}

bool render(const std::string& text, int width, int height, int scale, Picture& picture) {
    RsvgHandle* handle =
        rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(text.data()), text.size(), nullptr);
    if (!handle) return false;
    picture.width = width * scale;
    picture.height = height * scale;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height);
    cairo_t* cr = cairo_create(image);
    cairo_scale(cr, scale, scale);
    const RsvgRectangle viewport = {0, 0, double(width), double(height)};
    const bool drawn = rsvg_handle_render_document(handle, cr, &viewport, nullptr);
    cairo_destroy(cr);
    cairo_surface_flush(image);
    // Cairo's ARGB32 is a native-endian word: blue, green, red, alpha bytes here.
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    picture.bgra.resize(size_t(picture.width) * picture.height * 4);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width * 4; ++x)
            picture.bgra[size_t(y) * picture.width * 4 + x] = data[size_t(y) * stride + x];
    cairo_surface_destroy(image);
    g_object_unref(handle);
    return drawn;
}

// A bitmap file: bottom-up rows, 24-bit for opaque pictures.
std::vector<uint8_t> bitmapFile(const Picture& p) {
    const bool opaque = p.opaque();
    const int bytes = opaque ? 3 : 4;
    const uint32_t stride = uint32_t(p.width * bytes + 3) & ~3u;
    const uint32_t pixels = stride * uint32_t(p.height);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 14 + 40 + pixels);
    put32(out, 0);
    put32(out, 14 + 40);
    put32(out, 40);
    put32(out, uint32_t(p.width));
    put32(out, uint32_t(p.height));
    put16(out, 1);
    put16(out, uint32_t(bytes * 8));
    put32(out, 0);  // BI_RGB
    put32(out, pixels);
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = p.height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < bytes; ++c) out.push_back(p.bgra[(size_t(y) * p.width + x) * 4 + c]);
        out.resize(rowStart + stride, 0);
    }
    return out;
}

// Opaque pictures of at least this many pixels are stored as JPEG.
constexpr int kJpegFromPixels = 100000;

// A JPEG of the picture at quality 95, colour not subsampled.
std::vector<uint8_t> jpegFile(const Picture& p) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(p.width);
    info.image_height = JDIMENSION(p.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(p.width) * 3);
    while (info.next_scanline < info.image_height) {
        const uint8_t* in = &p.bgra[size_t(info.next_scanline) * p.width * 4];
        for (int x = 0; x < p.width; ++x) {
            row[size_t(x) * 3] = in[x * 4 + 2];
            row[size_t(x) * 3 + 1] = in[x * 4 + 1];
            row[size_t(x) * 3 + 2] = in[x * 4];
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

// A cursor file with one image per picture, hot spot in the middle;
// cursors take straight (not premultiplied) alpha.
std::vector<uint8_t> cursorFile(const std::vector<Picture>& pictures) {
    std::vector<std::vector<uint8_t>> images;
    for (const Picture& p : pictures) {
        std::vector<uint8_t> image;
        const uint32_t maskStride = uint32_t((p.width + 31) / 32 * 4);
        put32(image, 40);
        put32(image, uint32_t(p.width));
        put32(image, uint32_t(p.height * 2));
        put16(image, 1);
        put16(image, 32);
        for (int i = 0; i < 6; ++i) put32(image, 0);
        for (int y = p.height - 1; y >= 0; --y)
            for (int x = 0; x < p.width; ++x) {
                const uint8_t* q = &p.bgra[(size_t(y) * p.width + x) * 4];
                for (int c = 0; c < 3; ++c) image.push_back(q[3] ? uint8_t(q[c] * 255 / q[3]) : 0);
                image.push_back(q[3]);
            }
        image.insert(image.end(), size_t(maskStride) * p.height, 0);  // the alpha channel decides
        images.push_back(image);
    }
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 2);  // cursor
    put16(out, uint32_t(images.size()));
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(uint8_t(pictures[i].width));
        out.push_back(uint8_t(pictures[i].height));
        out.push_back(0);
        out.push_back(0);
        put16(out, uint32_t(pictures[i].width / 2));  // hot spot
        put16(out, uint32_t(pictures[i].height / 2));
        put32(out, uint32_t(images[i].size()));
        put32(out, offset);
        offset += uint32_t(images[i].size());
    }
    for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER SVG...\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    std::ostringstream script;
    script << "// Generated by render_artwork from resources/artwork.\n";
    for (int i = 2; i < argc; ++i) {
        const std::string path = argv[i];
        const std::string name = path.substr(path.find_last_of('/') + 1);
        const int id = std::atoi(name.c_str());
        std::ifstream in(path, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        int width = 0, height = 0;
        if (id <= 0 || !svgSize(text, width, height)) {
            std::fprintf(stderr, "%s: no id in the name or no width and height\n", path.c_str());
            return 1;
        }
        std::vector<Picture> scales(2);
        for (int scale = 1; scale <= 2; ++scale) {
            Picture& picture = scales[size_t(scale - 1)];
            if (!render(text, width, height, scale, picture)) {
                std::fprintf(stderr, "%s: cannot render it at %dx\n", path.c_str(), scale);
                return 1;
            }
            const bool asJpeg = picture.opaque() && picture.width * picture.height >= kJpegFromPixels;
            const std::string file =
                "art" + std::to_string(id) + "@" + std::to_string(scale) + (asJpeg ? ".jpg" : ".bmp");
            if (!writeFile(folder + file, asJpeg ? jpegFile(picture) : bitmapFile(picture))) {
                std::fprintf(stderr, "%s: cannot write %s\n", path.c_str(), file.c_str());
                return 1;
            }
            script << (scale == 1 ? id : id + kTwiceOffset) << (asJpeg ? " JPEG \"" : " BITMAP \"") << folder << file
                   << "\"\n";
        }
        if (id == 107 || id == 109) {
            const std::string file = "pointer" + std::to_string(id) + ".cur";
            if (!writeFile(folder + file, cursorFile(scales))) return 1;
            script << id << " CURSOR \"" << folder << file << "\"\n";
        }
    }
    std::ofstream rc(folder + "artwork.rc", std::ios::binary);
    rc << script.str();
    return rc.good() ? 0 : 1;
}
