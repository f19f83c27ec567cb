// Document shape and image mode.
#include "host/document.h"

#include "interface/host_interface.h"

int16_t Document::imageMode() const {
    const bool rgb = colorChannels >= 3;
    switch (depth) {
        case SampleDepth::eight: return rgb ? plugInModeRGBColor : plugInModeGrayScale;
        case SampleDepth::sixteen: return rgb ? plugInModeRGB48 : plugInModeGray16;
        case SampleDepth::floating: return rgb ? plugInModeRGB96 : plugInModeGray32;
    }
    return plugInModeRGBColor;
}

bool makeDocument(Document& document, int32_t width, int32_t height, int32_t colorChannels,
                  bool hasAlpha, SampleDepth depth, std::string& error) {
    // The host interface carries coordinates as 16-bit values.
    if (width < 1 || height < 1 || width > 30000 || height > 30000) {
        error = "image size " + std::to_string(width) + " x " + std::to_string(height) +
                " is outside 1..30000 pixels per side";
        return false;
    }
    if (colorChannels != 1 && colorChannels != 3) {
        error = "only grey and RGB images are supported";
        return false;
    }
    document = Document{};
    document.width = width;
    document.height = height;
    document.colorChannels = colorChannels;
    document.hasAlpha = hasAlpha;
    document.depth = depth;
    document.samples.assign(size_t(height) * document.rowBytes(), 0);
    return true;
}
