// Reading a preset file of any version, with each old version's conversion
// in the order the format has always applied them.
#include "settings/preset_file.h"

#include "kernels/truncation.h"

#include "settings/preset_file_blocks.h"

#include <cstring>
#include <initializer_list>

namespace {
// Reads into a field only when the value is there, so a file that ends
// early leaves the remaining fields as they were.
struct ValueReader {
    PlatformFile& file;

    void read(int32_t& field) {
        int32_t value = 0;
        if (readBigEndian32(file, &value) == 0) field = value;
    }
    void skip() {
        int32_t ignored = 0;
        read(ignored);
    }
    void read(Color16& color) {
        for (uint16_t* channel : {&color.red, &color.green, &color.blue}) {
            int32_t value = 0;
            if (readBigEndian32(file, &value) == 0) *channel = static_cast<uint16_t>(value & 0xFFFF);
        }
    }
    void readHundredths(float (&vector)[3]) {
        for (float& component : vector) {
            int32_t value = 0;
            if (readBigEndian32(file, &value) == 0) component = static_cast<float>(value * 0.01);
        }
    }
    void readCentre(float& field) {
        int32_t value = 0;
        if (readBigEndian32(file, &value) == 0) field = static_cast<float>(value / 65536.0);
    }
};

// The conversions wrap as 32-bit integers do, so a hostile value cannot
// overflow; 100 - x and x + 1 are unchanged for every value a real file holds.
int32_t hundredLess(int32_t value) {
    return static_cast<int32_t>(100u - static_cast<uint32_t>(value));
}
int32_t oneMore(int32_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) + 1u);
}

void readValues(ValueReader& in, int32_t v, UserSettings& s, PresetPicture* picture) {
    in.read(s.vignetteColor);
    in.read(s.auxColorA);
    in.read(s.sepiaColor);
    for (int32_t* field : {&s.auxInt1, &s.auxInt2, &s.auxInt3, &s.auxInt4, &s.focus, &s.vignette, &s.auxInt5,
                           &s.auxInt6, &s.auxInt7, &s.auxInt8, &s.dampen, &s.highQuality, &s.auxInt9})
        in.read(*field);
    in.read(s.sepia);
    in.read(s.colorBlur);
    if (v < 15) s.colorBlur = hundredLess(s.colorBlur);
    for (int32_t* field : {&s.cbWidth, &s.auxInt10, &s.auxInt11, &s.auxInt13, &s.auxInt14}) in.read(*field);
    in.read(s.auxColorD);
    in.read(s.auxColorD);
    if (v > 1) {
        in.read(s.auxColorF);
        in.read(s.saturation);
        in.read(s.auxInt12);
        in.read(s.uniformSepia);
        if (v < 11) s.uniformSepia = oneMore(s.uniformSepia);
    }
    if (v > 2) {
        in.read(s.glue);
        in.skip();
    }
    if (v > 3) {
        in.read(s.auxInt15);
        in.read(s.auxInt16);
        in.read(s.centerVignette);
    }
    if (v < 25) s.centerVignette = 0;
    if (v > 4) {
        in.read(s.clearArea);
        in.read(s.shape);
        if (v <= 12) s.shape = hundredLess(s.shape);
    }
    if (v < 7) {
        s.auxColorD = s.vignetteColor;
        s.clearArea = 100;
        s.dampen = 50;
    }
    if (v > 7) in.readHundredths(s.auxVectorA);
    if (v < 9) s.saturation = 0;
    if (v > 7) in.readHundredths(s.auxVectorB);
    if (v > 11) in.read(s.auxInt18);
    if (v > 13) in.read(s.auxInt17);
    if (v > 15) in.skip();
    if (v > 16) in.read(s.auxInt19);
    if (v > 17) {
        in.read(s.auxColorB);
        in.read(s.auxColorC);
    }
    if (v < 19) s.vignette = 57;
    if (v < 20) s.cbWidth = 0;
    if (v < 21) s.saturation = 50;
    if (v > 21) readTextureBlock(in.file, picture);
    if (v > 22) in.read(s.auxColorE);
    if (v < 24) {
        s.auxInt15 = 0;
        s.auxInt1 = truncateToInt(s.auxInt1 / 0.3);
    }
    if (v > 25) {
        in.readCentre(s.xCenter);
        in.readCentre(s.yCenter);
    }
}
}  // namespace

int16_t readPresetFrom(PlatformFile& file, PresetReadMode mode, UserSettings& settings,
                       PresetPicture* picture, const MemoryService& memory, PresetReadInfo* info) {
    PresetReadInfo result;
    int32_t stored = 0;
    if (readBigEndian32(file, &stored) != 0) {
        result.endedEarly = true;
        if (info != nullptr) *info = result;
        return 0;
    }
    result.version = stored;
    const int32_t v = stored > kPresetVersion ? kPresetVersion : stored;
    // Thumbnail-only reads go through a copy that is then dropped.
    UserSettings values = settings;
    ValueReader in{file};
    readValues(in, v, values, picture);
    if (v > 39) result.pictureFound = readThumbnailBlock(file, picture, memory);
    result.endedEarly = file.readFellShort();
    if (mode == PresetReadMode::full) settings = values;
    if (info != nullptr) *info = result;
    return 0;
}

int16_t readPreset(const char* path, PresetReadMode mode, UserSettings& settings, PresetPicture* picture,
                   const MemoryService& memory, PresetReadInfo* info) {
    PlatformFile file;
    if (!file.open(path, FileAccess::read)) {
        if (info != nullptr) *info = PresetReadInfo{};
        return kPresetCannotOpen;
    }
    return readPresetFrom(file, mode, settings, picture, memory, info);
}

void presetPictureToRgb(const PresetPicture& picture, uint8_t* rgb) {
    const int32_t side = kPresetPictureSide;
    const int32_t width = picture.width < 0 ? 0 : (picture.width > side ? side : picture.width);
    const int32_t height = picture.height < 0 ? 0 : (picture.height > side ? side : picture.height);
    const int32_t pixels = width * height;
    for (int32_t i = 0; i < pixels; ++i) {
        std::memcpy(rgb + 3 * i, picture.rgba + 4 * i, 3);
    }
}
