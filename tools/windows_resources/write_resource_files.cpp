// Writes the plug-in's resource data for the Windows resource script: the
// property list and the terminology (the same bytes the Linux module hands
// out through its resource accessor) and the refusal box's icon.
// Built for and run on the build machine while cross-building.
#include "resources/plugin_properties.h"
#include "resources/terminology.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// A 32 x 32 icon of 32-bit pixels: a dusk-blue disc with a pale crescent, the
// mark of the refusal box.
std::vector<uint8_t> refusalIcon() {
    constexpr int kSize = 32;
    constexpr uint32_t kPixelBytes = kSize * kSize * 4;
    constexpr uint32_t kMaskBytes = kSize * 4;  // one bit a pixel, rows of 4 bytes
    constexpr uint32_t kImageBytes = 40 + kPixelBytes + kMaskBytes;
    std::vector<uint8_t> out;
    put16(out, 0);  // icon directory: reserved, type 1 (icon), one image
    put16(out, 1);
    put16(out, 1);
    out.push_back(kSize);
    out.push_back(kSize);
    out.push_back(0);  // no palette
    out.push_back(0);
    put16(out, 1);   // planes
    put16(out, 32);  // bits a pixel
    put32(out, kImageBytes);
    put32(out, 6 + 16);  // the image follows the directory
    put32(out, 40);      // BITMAPINFOHEADER; the height counts the mask too
    put32(out, kSize);
    put32(out, kSize * 2);
    put16(out, 1);
    put16(out, 32);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    for (int y = kSize - 1; y >= 0; --y) {  // bottom row first
        for (int x = 0; x < kSize; ++x) {
            const int dx = 2 * x + 1 - kSize, dy = 2 * y + 1 - kSize;
            const bool inDisc = dx * dx + dy * dy <= 30 * 30;
            const int cx = dx - 12, cy = dy + 10;
            const bool inCrescent = inDisc && dx * dx + dy * dy <= 20 * 20 && cx * cx + cy * cy > 18 * 18;
            const uint8_t blue = inCrescent ? 0xC8 : 0x70, green = inCrescent ? 0xE0 : 0x38,
                          red = inCrescent ? 0xF0 : 0x30;
            out.push_back(blue);
            out.push_back(green);
            out.push_back(red);
            out.push_back(inDisc ? 0xFF : 0x00);
        }
    }
    out.insert(out.end(), kMaskBytes, 0);  // the alpha channel decides
    return out;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    if (!writeFile(folder + "property_list.bin", propertyListResourceBytes()) ||
        !writeFile(folder + "terminology.bin", terminologyResourceBytes()) ||
        !writeFile(folder + "refusal.ico", refusalIcon())) {
        std::fprintf(stderr, "cannot write the resource files in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
