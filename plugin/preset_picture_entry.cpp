// The preset picture of a finished image, through the plug-in's own thumbnail code.
#include "plugin/preset_picture_entry.h"

#include "effect/thumbnail.h"
#include "interface/host_interface.h"
#include "settings/preset_file.h"

int16_t makePresetPictureFromImage(const void* pixels, int64_t rowBytes, int32_t planes, int32_t width,
                                   int32_t height, int32_t valueClass, uint8_t* rgba) {
    if (!pixels || !rgba || width <= 0 || height <= 0 || planes < 1 || planes > 4 || rowBytes <= 0 ||
        valueClass < presetPicture8Bit || valueClass > presetPictureFloat)
        return paramErr;
    HostPixelBuffer buffer;
    buffer.data = pixels;
    buffer.rowBytes = rowBytes;
    buffer.planes = planes;
    buffer.width = width;
    buffer.height = height;
    buffer.valueClass = valueClass == presetPicture8Bit    ? HostValueClass::eightBit
                        : valueClass == presetPicture16Bit ? HostValueClass::sixteenBit
                                                           : HostValueClass::floating;
    const MemoryService memory = systemMemoryService();
    Pyramid thumbnail;
    WeightTables weights{};
    if (!thumbnail.create(memory, kPresetPictureSide, kPresetPictureSide, kStoragePacked8, kEdgeClamp) ||
        !makeSquareThumbnail(buffer, width, height, thumbnail, weights, memory))
        return memFullErr;
    for (int y = 0; y < kPresetPictureSide; ++y)
        for (int x = 0; x < kPresetPictureSide; ++x) {
            uint32_t channels[4];
            readChannels(x, y, thumbnail, 0, channels);
            uint8_t* p = rgba + (size_t(y) * kPresetPictureSide + size_t(x)) * 4;
            for (int c = 0; c < 4; ++c) p[c] = uint8_t(channels[c]);
        }
    return noErr;
}
