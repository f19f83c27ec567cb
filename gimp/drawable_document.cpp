// Drawable pixels in and out through GEGL buffers.
#include "gimp/drawable_document.h"

#include "host/image_samples.h"

#include <cstring>
#include <vector>

namespace {
// The document depth that holds a precision without loss where our host can:
// 8 and 16 bits as they are, 32-bit integers as 16 bits, every float as float.
SampleDepth depthOf(GimpPrecision precision) {
    const int component = int(precision) / 100;  // 1 u8, 2 u16, 3 u32, 5 half, 6 float, 7 double
    if (component == 1) return SampleDepth::eight;
    if (component == 2 || component == 3) return SampleDepth::sixteen;
    return SampleDepth::floating;
}

// Precisions come in linear (x00) and perceptual (x50) pairs.
bool linearPrecision(GimpPrecision precision) { return int(precision) % 100 == 0; }

std::string formatName(bool grey, bool alpha, bool linear, SampleDepth depth) {
    std::string name = grey ? (linear ? "Y" : "Y'") : (linear ? "RGB" : "R'G'B'");
    if (alpha) name += "A";
    name += depth == SampleDepth::eight ? " u8" : depth == SampleDepth::sixteen ? " u16" : " float";
    return name;
}

void sixteenBitsToHost(Document& document) {
    for (size_t i = 0; i + 1 < document.samples.size(); i += 2) {
        uint16_t v;
        std::memcpy(&v, &document.samples[i], 2);
        v = fileToHost16(v);
        std::memcpy(&document.samples[i], &v, 2);
    }
}

void readSelection(gint32 image, gint32 drawable, Document& document) {
    gint offsetX = 0, offsetY = 0;
    gimp_drawable_offsets(drawable, &offsetX, &offsetY);
    GeglBuffer* selection = gimp_drawable_get_buffer(gimp_image_get_selection(image));
    document.selection.assign(size_t(document.width) * size_t(document.height), 0);
    const GeglRectangle area = {offsetX, offsetY, document.width, document.height};
    gegl_buffer_get(selection, &area, 1.0, babl_format("Y u8"), document.selection.data(), document.width,
                    GEGL_ABYSS_NONE);
    g_object_unref(selection);
}

void readProfile(gint32 image, Document& document) {
    GimpColorProfile* profile = gimp_image_get_color_profile(image);
    if (!profile) return;
    gsize length = 0;
    const guint8* bytes = gimp_color_profile_get_icc_profile(profile, &length);
    document.iccProfile.assign(bytes, bytes + length);
    g_object_unref(profile);
}
}  // namespace

bool readDrawable(gint32 image, gint32 drawable, DrawableDocument& read, std::string& error) {
    const GimpPrecision precision = gimp_image_get_precision(image);
    const SampleDepth depth = depthOf(precision);
    const bool grey = gimp_drawable_is_gray(drawable);
    const bool alpha = gimp_drawable_has_alpha(drawable);
    Document& document = read.document;
    if (!makeDocument(document, gimp_drawable_width(drawable), gimp_drawable_height(drawable), grey ? 1 : 3, alpha,
                      depth, error))
        return false;
    // The image's own colour space and tone curve: GEGL converts nothing but
    // the sample type where our host has no such type.
    read.format = babl_format_with_space(formatName(grey, alpha, linearPrecision(precision), depth).c_str(),
                                         gimp_drawable_get_format(drawable));
    GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
    const GeglRectangle area = {0, 0, document.width, document.height};
    gegl_buffer_get(buffer, &area, 1.0, read.format, document.samples.data(), gint(document.rowBytes()),
                    GEGL_ABYSS_NONE);
    g_object_unref(buffer);
    if (!gimp_selection_is_empty(image)) {
        readSelection(image, drawable, document);
        read.original = document.samples;
    }
    if (depth == SampleDepth::sixteen) sixteenBitsToHost(document);
    readProfile(image, document);
    return true;
}

void writeDrawable(gint32 image, gint32 drawable, const DrawableDocument& written, const FilterBounds& bounds) {
    const Document& document = written.document;
    const bool selection = document.hasSelection();
    // With a selection the whole drawable is written: the merge below runs
    // without it, and every unselected pixel comes from the original.
    const FilterBounds area = selection ? FilterBounds{0, 0, document.width, document.height} : bounds;
    const int32_t width = area.right - area.left, height = area.bottom - area.top;
    const size_t pixelBytes = document.pixelBytes(), rowBytes = size_t(width) * pixelBytes;
    std::vector<uint8_t> rows = selection ? written.original : std::vector<uint8_t>(rowBytes * size_t(height));
    for (int32_t y = bounds.top; y < bounds.bottom; ++y) {
        for (int32_t x = bounds.left; x < bounds.right; ++x) {
            if (selection && document.selection[size_t(y) * size_t(document.width) + size_t(x)] == 0) continue;
            uint8_t* out = rows.data() + size_t(y - area.top) * rowBytes + size_t(x - area.left) * pixelBytes;
            std::memcpy(out, document.pixel(x, y), pixelBytes);
            if (document.depth != SampleDepth::sixteen) continue;
            for (size_t i = 0; i < pixelBytes; i += 2) {
                uint16_t v;
                std::memcpy(&v, out + i, 2);
                v = hostToFile16(v);
                std::memcpy(out + i, &v, 2);
            }
        }
    }
    GeglBuffer* shadow = gimp_drawable_get_shadow_buffer(drawable);
    const GeglRectangle rectangle = {area.left, area.top, width, height};
    gegl_buffer_set(shadow, &rectangle, 0, written.format, rows.data(), gint(rowBytes));
    g_object_unref(shadow);  // flushes the tiles to GIMP
    // GIMP would mix through the selection a second time as it merges, in
    // its compositing space, which moves float samples in their last digits:
    // the selection is set aside for the merge and then put back.
    const gint32 saved = selection ? gimp_selection_save(image) : -1;
    if (selection) gimp_selection_none(image);
    gimp_drawable_merge_shadow(drawable, TRUE);
    if (selection) {
        gimp_image_select_item(image, GIMP_CHANNEL_OP_REPLACE, saved);
        gimp_image_remove_channel(image, saved);
    }
    gimp_drawable_update(drawable, area.left, area.top, width, height);
}
