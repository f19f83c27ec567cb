// Writing a preset file: the 71 values of version 40, then the thumbnail block.
#include "settings/preset_file.h"

#include "kernels/truncation.h"

#include "settings/preset_file_blocks.h"

#include <initializer_list>

namespace {
void writeValue(PlatformFile& file, int32_t value) {
    writeBigEndian32(file, value);
}

void writeColor(PlatformFile& file, const Color16& color) {
    writeValue(file, color.red);
    writeValue(file, color.green);
    writeValue(file, color.blue);
}

// Vectors are stored as value x 100, the centre as value x 65536, both in
// single precision and truncated toward zero.
void writeVector(PlatformFile& file, const float (&vector)[3]) {
    for (float component : vector) writeValue(file, truncateToInt(component * 100.0f));
}

void writeValues(PlatformFile& file, const UserSettings& s) {
    writeValue(file, kPresetVersion);
    writeColor(file, s.vignetteColor);
    writeColor(file, s.auxColorA);
    writeColor(file, s.sepiaColor);
    for (int32_t value : {s.auxInt1, s.auxInt2, s.auxInt3, s.auxInt4, s.focus, s.vignette, s.auxInt5,
                          s.auxInt6, s.auxInt7, s.auxInt8, s.dampen, s.highQuality, s.auxInt9, s.sepia,
                          s.colorBlur, s.cbWidth, s.auxInt10, s.auxInt11, s.auxInt13, s.auxInt14})
        writeValue(file, value);
    writeColor(file, s.auxColorD);
    writeColor(file, s.auxColorD);  // stored twice; the reader keeps the second
    writeColor(file, s.auxColorF);
    for (int32_t value : {s.saturation, s.auxInt12, s.uniformSepia, s.glue, 1, s.auxInt15, s.auxInt16,
                          s.centerVignette, s.clearArea, s.shape})
        writeValue(file, value);
    writeVector(file, s.auxVectorA);
    writeVector(file, s.auxVectorB);
    for (int32_t value : {s.auxInt18, s.auxInt17, 1, s.auxInt19}) writeValue(file, value);
    writeColor(file, s.auxColorB);
    writeColor(file, s.auxColorC);
    writeValue(file, 0);  // texture block: no texture
    writeColor(file, s.auxColorE);
    writeValue(file, truncateToInt(s.xCenter * 65536.0f));
    writeValue(file, truncateToInt(s.yCenter * 65536.0f));
}
}  // namespace

int16_t writePresetTo(PlatformFile& file, const UserSettings& settings, const PresetPicture* picture,
                      const MemoryService& memory) {
    writeValues(file, settings);
    writeThumbnailBlock(file, picture, memory);
    return file.writeFellShort() ? static_cast<int16_t>(kWriteFailed) : 0;
}

int16_t writePreset(const char* path, const UserSettings& settings, const PresetPicture* picture,
                    const MemoryService& memory) {
    PlatformFile file;
    if (!file.open(path, FileAccess::overwrite)) return kPresetCannotOpen;
    const int16_t written = writePresetTo(file, settings, picture, memory);
    const int32_t closed = file.close();
    return written != 0 ? written : static_cast<int16_t>(closed);
}
