// Reading a preset file of any version, with each old version's conversion
// in the order the format has always applied them.
#include "settings/preset_file.h"

#include "kernels/truncation.h"

#include "settings/preset_file_blocks.h"
#include "settings/preset_record.h"

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

template <typename T>
T& fieldAt(UserSettings& settings, size_t offset) {
    return *reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(&settings) + offset);
}

void readSlot(ValueReader& in, const PresetSlot& slot, UserSettings& s, PresetPicture* picture) {
    switch (slot.kind) {
        case PresetSlotKind::version: break;  // read by the caller
        case PresetSlotKind::integer: in.read(fieldAt<int32_t>(s, slot.fieldOffset)); break;
        case PresetSlotKind::colour: in.read(fieldAt<Color16>(s, slot.fieldOffset)); break;
        case PresetSlotKind::hundredths: in.readHundredths(fieldAt<float[3]>(s, slot.fieldOffset)); break;
        case PresetSlotKind::centre: in.readCentre(fieldAt<float>(s, slot.fieldOffset)); break;
        case PresetSlotKind::one: in.skip(); break;
        case PresetSlotKind::texture: readTextureBlock(in.file, picture); break;
    }
}

// What older versions stored differently, converted in the order the format
// has always applied it. No conversion touches a value read after it, so
// they all follow the reads.
void convertOldVersion(int32_t v, UserSettings& s) {
    if (v < 15) s.colorBlur = hundredLess(s.colorBlur);
    if (v > 1 && v < 11) s.uniformSepia = oneMore(s.uniformSepia);
    if (v < 25) s.centerVignette = 0;
    if (v > 4 && v <= 12) s.shape = hundredLess(s.shape);
    if (v < 7) {
        s.auxColorD = s.vignetteColor;
        s.clearArea = 100;
        s.dampen = 50;
    }
    if (v < 9) s.saturation = 0;
    if (v < 19) s.vignette = 57;
    if (v < 20) s.cbWidth = 0;
    if (v < 21) s.saturation = 50;
    if (v < 24) {
        s.auxInt15 = 0;
        s.auxInt1 = truncateToInt(s.auxInt1 / 0.3);
    }
}

void readValues(ValueReader& in, int32_t v, UserSettings& s, PresetPicture* picture) {
    for (const PresetSlot& slot : kPresetRecord) {
        if (carriedBy(slot, v)) readSlot(in, slot, s, picture);
    }
    convertOldVersion(v, s);
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
    if (v > 39) result.pictureFound = readThumbnailBlock(file, picture, memory, result);
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
