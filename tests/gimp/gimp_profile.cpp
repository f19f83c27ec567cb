// Shared set-up of the GIMP tests.
#include "gimp_profile.h"

#include "host/image_files.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

std::string gimpProgram(const std::string& name) {
    for (const char* folder : {"/usr/bin", "/usr/local/bin"}) {
        const std::string path = std::string(folder) + "/" + name;
        if (fs::exists(path)) return path;
    }
    return {};
}

bool makeGimpProfile(const std::string& folder, std::string& error) {
    const char* adapter = std::getenv("TWL_GIMP_PLUGIN");
    if (!adapter || !fs::exists(adapter)) {
        error = "TWL_GIMP_PLUGIN names no built GIMP plug-in";
        return false;
    }
    fs::remove_all(folder);
    fs::create_directories(folder + "/plug-ins");
    // GIMP complains about missing data folders of a new profile.
    for (const char* data : {"brushes", "gradients", "patterns", "palettes", "fonts"})
        fs::create_directories(folder + "/" + data);
    fs::create_symlink(adapter, folder + "/plug-ins/twilightomator-gimp");
    return true;
}

Document patternDocument(int32_t width, int32_t height, int32_t channels, bool alpha, SampleDepth depth) {
    Document d;
    std::string error;
    makeDocument(d, width, height, channels, alpha, depth, error);
    for (int32_t y = 0; y < d.height; ++y)
        for (int32_t x = 0; x < d.width; ++x)
            for (int32_t p = 0; p < d.planes(); ++p) {
                const bool isAlpha = alpha && p == d.planes() - 1;
                const double v = isAlpha ? double((x * 4 + y) % 64) / 63.0 : double((x * 7 + y * 5 + p * 33) % 97) / 96.0;
                uint8_t* s = d.pixel(x, y) + p * sampleBytes(depth);
                if (depth == SampleDepth::eight) {
                    s[0] = uint8_t(v * 255);
                } else if (depth == SampleDepth::sixteen) {
                    const uint16_t h = uint16_t(v * 32768);
                    std::memcpy(s, &h, 2);
                } else {
                    const float f = float(v);
                    std::memcpy(s, &f, 4);
                }
            }
    return d;
}

bool samePixels(const std::string& a, const std::string& b, std::string& difference) {
    Document first, second;
    ImageFileInfo info;
    if (!readImageFile(a, first, info, difference) || !readImageFile(b, second, info, difference)) return false;
    if (first.width != second.width || first.height != second.height || first.colorChannels != second.colorChannels ||
        first.hasAlpha != second.hasAlpha || first.depth != second.depth) {
        difference = a + " and " + b + " differ in size or layout";
        return false;
    }
    size_t differing = 0;
    for (size_t i = 0; i < first.samples.size(); ++i) differing += first.samples[i] != second.samples[i];
    if (differing == 0) return true;
    difference = a + " and " + b + " differ in " + std::to_string(differing) + " sample bytes";
    return false;
}
