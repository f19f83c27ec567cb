// Small renders of the current image for the dialog and the preset files.
#include "plugin/dialog_pictures.h"

#include "codec/jpeg_tiled_image.h"
#include "plugin/filter_pass.h"
#include "plugin/work_area.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A host's floating-point image may hold NaN, which becomes 0 here.
uint8_t toByte(float value) {
    const float scaled = value * 255.0f + 0.5f;
    if (!(scaled > 0.0f)) return 0;
    return uint8_t(std::min(scaled, 255.0f));
}

// Reads the internal image's columns x0 .. x0 + width of rows y0 .. y0 +
// height as 8-bit pixels of `channels` bytes (RGB, or RGBA made opaque).
void readInternalImage(const Pyramid& image, int32_t x0, int32_t y0, int32_t width, int32_t height,
                       int32_t channels, uint8_t* out) {
    const JpegRowSource source = tiledImageRowSource(image);
    std::vector<EffectColor> row(static_cast<size_t>(source.width));
    for (int32_t y = 0; y < height; ++y) {
        source.readRow(source.context, y0 + y, row.data());
        uint8_t* line = out + size_t(y) * size_t(width) * size_t(channels);
        for (int32_t x = 0; x < width; ++x) {
            const EffectColor& c = row[size_t(x0 + x)];
            uint8_t* pixel = line + size_t(x) * size_t(channels);
            pixel[0] = toByte(c.red);
            pixel[1] = toByte(c.green);
            pixel[2] = toByte(c.blue);
            if (channels == 4) pixel[3] = 255;
        }
    }
}

struct ImageSize {
    int32_t width, height;
};

ImageSize filterSize(const PluginGlobals& globals) {
    const Rect& r = globals.record->filterRect;
    return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

OSErr makePresetPicture(PluginGlobals& globals) {
    if (!globals.workArea || !globals.images) return memFullErr;
    const ImageSize size = filterSize(globals);
    if (size.width <= 0 || size.height <= 0) return paramErr;
    // The shorter side becomes 128; the longer one is limited so that a
    // very long strip does not make a very long render.
    const int32_t side = kPresetPictureSide;
    const int32_t shorter = std::min(size.width, size.height);
    const int32_t width = int32_t(std::min<int64_t>(int64_t(size.width) * side / shorter, side * 8));
    const int32_t height = int32_t(std::min<int64_t>(int64_t(size.height) * side / shorter, side * 8));
    OSErr result = renderIntoInternalImage(globals, std::max(width, side), std::max(height, side));
    if (result == noErr) {
        const Pyramid& image = globals.images->internal;
        PresetPicture& picture = globals.workArea->presetPicture;
        readInternalImage(image, (image.width[0] - side) / 2, (image.height[0] - side) / 2, side, side, 4,
                          picture.rgba);
        picture.width = picture.height = side;
    }
    globals.images->internal.release();
    return result;
}

OSErr renderMemoryDotPicture(PluginGlobals& globals, int32_t dot, DotPicture& picture, int32_t pixelsPerPoint) {
    picture = DotPicture{};
    if (!globals.workArea || !globals.images) return memFullErr;
    FilterParameters& parameters = *parametersOf(globals.record);
    const ImageSize size = filterSize(globals);
    if (size.width <= 0 || size.height <= 0) return paramErr;
    // The image fitted within the square, never enlarged.
    const int32_t longer = std::max(size.width, size.height);
    // On a denser device the picture has that many pixels per client pixel,
    // as far as the image has pixels to show.
    int32_t density = std::max(1, pixelsPerPoint);
    const int32_t side = std::min(longer, kDotThumbnailSide);
    if (int64_t(side) * density > longer) density = 1;
    const int32_t width = std::max(1, int32_t(int64_t(size.width) * side * density / longer));
    const int32_t height = std::max(1, int32_t(int64_t(size.height) * side * density / longer));

    // The dot's settings stand in for the current ones while it renders.
    const UserSettings current = parameters.settings;
    char currentName[kPathBytes];
    std::memcpy(currentName, parameters.settingsFileName, kPathBytes);
    OSErr result = loadMemoryDot(globals.workArea->store, dot, parameters, nullptr,
                                 pluginMemoryService(globals.record));
    if (result == noErr) result = renderIntoInternalImage(globals, width, height);
    if (result == noErr) {
        picture.width = width;
        picture.height = height;
        picture.pixelsPerPoint = density;
        picture.rgb.assign(size_t(width) * size_t(height) * 3, 0);
        readInternalImage(globals.images->internal, 0, 0, width, height, 3, picture.rgb.data());
    }
    globals.images->internal.release();
    parameters.settings = current;
    std::memcpy(parameters.settingsFileName, currentName, kPathBytes);
    return result;
}
