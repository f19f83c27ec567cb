// Writes the seed corpus of the fuzz targets: presets of several versions
// (from the writer, and old layouts written value by value), broken and cut
// files, and stored pictures of each kind the decoder meets.
#include "codec/jpeg_writer.h"
#include "settings/preset_file.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {
using Bytes = std::vector<uint8_t>;

void save(const std::string& folder, const std::string& name, const Bytes& bytes) {
    const std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

Bytes values(const std::vector<int32_t>& list) {
    Bytes out;
    for (int32_t value : list)
        for (int shift : {24, 16, 8, 0}) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
    return out;
}

PresetPicture ramp(int side) {
    PresetPicture picture;
    picture.width = picture.height = side;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            uint8_t* p = &picture.rgba[(y * side + x) * 4];
            p[0] = static_cast<uint8_t>(x * 2);
            p[1] = static_cast<uint8_t>(y * 2);
            p[2] = static_cast<uint8_t>((x ^ y) & 0xFF);
            p[3] = 255;
        }
    return picture;
}

Bytes written(const UserSettings& settings, const PresetPicture* picture, const std::string& scratch) {
    writePreset(scratch.c_str(), settings, picture, systemMemoryService());
    Bytes bytes;
    if (std::FILE* file = std::fopen(scratch.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(file);
    }
    std::remove(scratch.c_str());
    return bytes;
}

Bytes jpegOf(const PresetPicture& picture, int quality) {
    Rgba8Picture view;
    view.pixels = picture.rgba;
    view.width = picture.width;
    view.height = picture.height;
    const JpegRowSource source = rgba8RowSource(view);
    JpegEncodeOptions options;
    options.quality = quality;
    const MemoryService memory = systemMemoryService();
    MemoryBlock block;
    size_t size = 0;
    if (encodeJpegToMemory(&source, options, &memory, block, size) != kJpegEncoded) return {};
    Bytes out(static_cast<uint8_t*>(block.data), static_cast<uint8_t*>(block.data) + size);
    memory.release(memory.context, &block);
    return out;
}

// A grey or progressive JPEG, as other programs write them.
Bytes libjpegPicture(int width, int height, bool grey, bool progressive) {
    jpeg_compress_struct codec;
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_compress(&codec);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&codec, &buffer, &size);
    codec.image_width = static_cast<JDIMENSION>(width);
    codec.image_height = static_cast<JDIMENSION>(height);
    codec.input_components = grey ? 1 : 3;
    codec.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, 60, TRUE);
    if (progressive) jpeg_simple_progression(&codec);
    jpeg_start_compress(&codec, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width) * codec.input_components);
    for (int y = 0; y < height; ++y) {
        for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<JSAMPLE>((i * 3 + y * 5) & 0xFF);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&codec, rows, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

Bytes cut(Bytes bytes, size_t size) {
    bytes.resize(size < bytes.size() ? size : bytes.size());
    return bytes;
}

Bytes join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <fuzz/corpus folder>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    const std::string presets = root + "/fuzz_preset_reader";
    const std::string thumbnails = root + "/fuzz_preset_thumbnail";
    const std::string pictures = root + "/fuzz_stored_picture";
    const std::string scratch = root + "/.scratch.z5a";

    UserSettings settings = defaultUserSettings();
    const PresetPicture picture = ramp(128);
    const PresetPicture small = ramp(16);
    const Bytes current = written(settings, &picture, scratch);
    const Bytes noPicture = written(settings, nullptr, scratch);
    const Bytes smallPicture = written(settings, &small, scratch);
    settings.glue = 40;
    settings.shape = 3;
    settings.xCenter = 0.2f;
    const Bytes changed = written(settings, nullptr, scratch);

    // Old versions, value by value in their layouts.
    const std::vector<int32_t> base = {100, 200, 300, 1, 2, 3, 400, 500, 600, 7, 11, 12, 13, 14, 15, 16, 17, 18,
                                       19, 20, 1, 22, 23, 30, 25, 26, 27, 28, 29, 1000, 1001, 1002, 2000, 2001,
                                       2002};
    auto version = [&](int32_t v, const std::vector<int32_t>& tail) {
        std::vector<int32_t> list = {v};
        list.insert(list.end(), base.begin(), base.end());
        list.insert(list.end(), tail.begin(), tail.end());
        return values(list);
    };
    const Bytes v1 = version(1, {});
    const Bytes v3 = version(3, {7, 8, 9, 77, 40, 0, 5, 1});
    const Bytes v10 = version(10, {7, 8, 9, 77, 40, 0, 5, 1, 44, 45, 1, 47, 98, 50, -25, 1, -100, 0, 100});
    Bytes v22 = cut(noPicture, 65 * 4);
    v22[3] = 22;
    Bytes texture = values({1, 2, 0});
    for (int i = 0; i < 12; ++i) texture.push_back(static_cast<uint8_t>(i * 20));
    const Bytes v22Texture = join(v22, texture);
    Bytes v26 = cut(noPicture, 71 * 4);
    v26[3] = 26;
    Bytes v41 = noPicture;
    v41[3] = 41;

    for (const std::string& folder : {presets, thumbnails}) {
        save(folder, "v40-picture.z5a", current);
        save(folder, "v40-small-picture.z5a", smallPicture);
        save(folder, "v40-no-picture.z5a", noPicture);
        save(folder, "v40-changed.z5a", changed);
        save(folder, "v1.z5a", v1);
        save(folder, "v3.z5a", v3);
        save(folder, "v10.z5a", v10);
        save(folder, "v22-texture.z5a", v22Texture);
        save(folder, "v26.z5a", v26);
        save(folder, "v41.z5a", v41);
        save(folder, "cut-in-values.z5a", cut(current, 101));
        save(folder, "cut-in-picture.z5a", cut(current, 284 + 16 + 200));
        Bytes broken = current;
        for (size_t i = 400; i < broken.size(); i += 97) broken[i] ^= 0x5A;
        save(folder, "broken-picture.z5a", broken);
        save(folder, "oversized-picture.z5a", join(cut(noPicture, 284), values({1, 128, 128, 49153})));
    }

    const Bytes jpeg128 = jpegOf(picture, 80);
    save(pictures, "product-128-q80.jpg", jpeg128);
    save(pictures, "product-16-q20.jpg", jpegOf(small, 20));
    save(pictures, "grey-40x30.jpg", libjpegPicture(40, 30, true, false));
    save(pictures, "progressive-48x48.jpg", libjpegPicture(48, 48, false, true));
    save(pictures, "cut.jpg", cut(jpeg128, jpeg128.size() / 2));
    save(pictures, "header-only.jpg", cut(jpeg128, 200));
    return 0;
}
