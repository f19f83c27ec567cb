// Cairo and pango drawing of the window layer's surface.
#include "ui/cairo/cairo_surface.h"

#include "resources/artwork.h"

#include <librsvg/rsvg.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>

namespace {

void setColour(cairo_t* cr, Rgb c) { cairo_set_source_rgb(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0); }

// "Arial" at a character height of 11 pixels, whatever the screen's
// resolution; fontconfig picks the metric-compatible face installed.
PangoLayout* textLayout(cairo_t* cr, std::string_view text) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Arial");
    pango_font_description_set_absolute_size(font, 11 * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_text(layout, text.data(), int(text.size()));
    return layout;
}

struct ArtworkCache {
    std::map<std::pair<int16_t, int>, cairo_surface_t*> images;
    ~ArtworkCache() {
        for (auto& entry : images) cairo_surface_destroy(entry.second);
    }
};

ArtworkCache& artworkCache() {
    static ArtworkCache cache;
    return cache;
}

RsvgHandle* openArtwork(int16_t id) {
    const ArtworkSource* source = findArtwork(id);
    if (!source) return nullptr;
    return rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(source->svg), source->size, nullptr);
}

}  // namespace

WindowPoint artworkSize(int16_t id) {
    const ArtworkSource* source = findArtwork(id);
    if (!source) return {0, 0};
    return {int16_t(source->width), int16_t(source->height)};
}

cairo_surface_t* artworkImage(int16_t id, double scale) {
    const auto key = std::make_pair(id, int(std::lround(scale * 100)));
    ArtworkCache& cache = artworkCache();
    auto found = cache.images.find(key);
    if (found != cache.images.end()) return found->second;
    const ArtworkSource* source = findArtwork(id);
    RsvgHandle* handle = openArtwork(id);
    if (!source || !handle) return nullptr;
    const int width = int(std::lround(source->width * scale)), height = int(std::lround(source->height * scale));
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_surface_set_device_scale(image, scale, scale);
    cairo_t* cr = cairo_create(image);
    const RsvgRectangle viewport = {0, 0, double(source->width), double(source->height)};
    rsvg_handle_render_document(handle, cr, &viewport, nullptr);
    cairo_destroy(cr);
    g_object_unref(handle);
    cache.images[key] = image;
    return image;
}

CairoSurface::CairoSurface(cairo_t* cr, double scale) : cr_(cr), scale_(scale), display_{this, &CairoSurface::drawRgb} {
    cairo_save(cr_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
}

CairoSurface::~CairoSurface() { cairo_restore(cr_); }

void CairoSurface::fill(const WindowRect& r, Rgb colour) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    setColour(cr_, colour);
    cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    cairo_fill(cr_);
}

void CairoSurface::frame(const WindowRect& r, Rgb colour) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    fill({r.left, r.top, r.right, r.top + 1}, colour);
    fill({r.left, r.bottom - 1, r.right, r.bottom}, colour);
    fill({r.left, r.top, r.left + 1, r.bottom}, colour);
    fill({r.right - 1, r.top, r.right, r.bottom}, colour);
}

void CairoSurface::line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Rgb colour) {
    if (y0 == y1) {
        fill({std::min(x0, x1 + 1), y0, std::max(x0 + 1, x1), y0 + 1}, colour);
    } else if (x0 == x1) {
        fill({x0, std::min(y0, y1 + 1), x0 + 1, std::max(y0 + 1, y1)}, colour);
    } else {
        setColour(cr_, colour);
        cairo_set_line_width(cr_, 1.0);
        cairo_move_to(cr_, x0 + 0.5, y0 + 0.5);
        cairo_line_to(cr_, x1 + 0.5, y1 + 0.5);
        cairo_stroke(cr_);
    }
}

void CairoSurface::focusFrame(const WindowRect& r) {
    // Every other pixel of the edge, as a dotted focus rectangle.
    for (int32_t x = r.left; x < r.right; x += 2) {
        fill({x, r.top, x + 1, r.top + 1}, Rgb{0, 0, 0});
        fill({x, r.bottom - 1, x + 1, r.bottom}, Rgb{0, 0, 0});
    }
    for (int32_t y = r.top; y < r.bottom; y += 2) {
        fill({r.left, y, r.left + 1, y + 1}, Rgb{0, 0, 0});
        fill({r.right - 1, y, r.right, y + 1}, Rgb{0, 0, 0});
    }
}

WindowPoint CairoSurface::measureText(std::string_view text) {
    PangoLayout* layout = textLayout(cr_, text);
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    g_object_unref(layout);
    return {int16_t(width), int16_t(height)};
}

void CairoSurface::text(int32_t x, int32_t y, std::string_view text, Rgb colour) {
    PangoLayout* layout = textLayout(cr_, text);
    setColour(cr_, colour);
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, layout);
    g_object_unref(layout);
}

void CairoSurface::artwork(int16_t id, int32_t x, int32_t y, const WindowRect& clip) {
    cairo_surface_t* image = artworkImage(id, scale_);
    if (!image) return;
    cairo_save(cr_);
    cairo_rectangle(cr_, clip.left, clip.top, clip.width(), clip.height());
    cairo_clip(cr_);
    cairo_set_source_surface(cr_, image, x, y);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

void CairoSurface::artworkCentred(int16_t id, const WindowRect& rect) {
    const WindowPoint size = artworkSize(id);
    artwork(id, rect.left + (rect.width() - size.x) / 2, rect.top + (rect.height() - size.y) / 2, rect);
}

void CairoSurface::pushClip(const WindowRect& r) {
    cairo_save(cr_);
    cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    cairo_clip(cr_);
}

void CairoSurface::popClip() { cairo_restore(cr_); }

void CairoSurface::drawRgb(void* surface, int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb,
                           int32_t rowBytes) {
    auto* self = static_cast<CairoSurface*>(surface);
    if (width <= 0 || height <= 0) return;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    const int stride = cairo_image_surface_get_stride(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* in = rgb + ptrdiff_t(row) * rowBytes;
        auto* out = reinterpret_cast<uint32_t*>(data + ptrdiff_t(row) * stride);
        for (int32_t column = 0; column < width; ++column)
            out[column] = (uint32_t(in[3 * column]) << 16) | (uint32_t(in[3 * column + 1]) << 8) | in[3 * column + 2];
    }
    cairo_surface_mark_dirty(image);
    cairo_t* cr = self->cr_;
    cairo_save(cr);
    cairo_rectangle(cr, x, y, width, height);
    cairo_clip(cr);
    cairo_set_source_surface(cr, image, x, y);
    // One image pixel per client pixel; on a doubled desktop each becomes a
    // sharp 2 x 2 block.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);
}

void CairoSurface::picture(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb,
                           int32_t rowBytes, int32_t pixelsPerPoint) {
    const int32_t density = std::max(pixelsPerPoint, 1);
    const int32_t pixelsWide = width * density, pixelsHigh = height * density;
    if (width <= 0 || height <= 0) return;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, pixelsWide, pixelsHigh);
    const int stride = cairo_image_surface_get_stride(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    for (int32_t row = 0; row < pixelsHigh; ++row) {
        const uint8_t* in = rgb + ptrdiff_t(row) * rowBytes;
        auto* out = reinterpret_cast<uint32_t*>(data + ptrdiff_t(row) * stride);
        for (int32_t column = 0; column < pixelsWide; ++column)
            out[column] = (uint32_t(in[3 * column]) << 16) | (uint32_t(in[3 * column + 1]) << 8) | in[3 * column + 2];
    }
    cairo_surface_mark_dirty(image);
    cairo_save(cr_);
    cairo_rectangle(cr_, x, y, width, height);
    cairo_clip(cr_);
    cairo_translate(cr_, x, y);
    cairo_scale(cr_, 1.0 / density, 1.0 / density);
    cairo_set_source_surface(cr_, image, 0, 0);
    // On a device of the picture's density each picture pixel is one device pixel.
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
    cairo_paint(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(image);
}
