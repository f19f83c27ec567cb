// Helpers of the preset and store tests.
#include "preset_test_support.h"

#include "support/test_support.h"

#include <fstream>
#include <iterator>

std::string presetTestPath(const std::string& name) {
    return testTemporaryFolder() + "/" + name;
}

std::vector<uint8_t> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> bigEndianValues(const std::vector<int32_t>& values) {
    std::vector<uint8_t> bytes;
    for (int32_t value : values) {
        const uint32_t bits = static_cast<uint32_t>(value);
        for (int shift : {24, 16, 8, 0}) bytes.push_back(static_cast<uint8_t>(bits >> shift));
    }
    return bytes;
}

int32_t valueAt(const std::vector<uint8_t>& bytes, size_t index) {
    const uint8_t* p = &bytes.at(index * 4 + 3) - 3;
    return static_cast<int32_t>((static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
                                (static_cast<uint32_t>(p[2]) << 8) | p[3]);
}

PresetPicture rampPicture() {
    PresetPicture picture;
    picture.width = picture.height = kPresetPictureSide;
    for (int y = 0; y < kPresetPictureSide; ++y)
        for (int x = 0; x < kPresetPictureSide; ++x) {
            uint8_t* p = &picture.rgba[(y * kPresetPictureSide + x) * 4];
            p[0] = static_cast<uint8_t>(x * 2);
            p[1] = static_cast<uint8_t>(y * 2);
            p[2] = 100;
            p[3] = 255;
        }
    return picture;
}
