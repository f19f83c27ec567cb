// Glue mode names and the export keyword list.
#include "kernels/blend_names.h"

#include <array>

namespace {

// Index = mode number; entry 0 is the empty text of an unknown mode.
constexpr std::array<std::string_view, 63> kModeNames = {
    "",           "normal",      "procedural +", "procedural -", "difference", "lighten",
    "darken",     "add",         "subtract",     "multiply",     "screen",     "hard light",
    "overlay",    "superlay",    "exclusion",    "color",        "luminance",  "linear light",
    "pin light",  "spin light",  "vivid a",      "vivid b",      "saturation", "hue",
    "similarity", "cross",       "hard diff",    "soft light",   "bright",     "dim",
    "dodge",      "burn",        "ace",          "king",         "queen",      "jack",
    "and",        "or",          "xor",          "multibright",  "hot",        "cold",
    "wet",        "dry",         "up",           "down",         "wax",        "wane",
    "north",      "south",       "east",         "west",         "hard mix",   "frontal",
    "parietal",   "temporal",    "occipital",    "limbic",       "dextrous",   "sinister",
    "anterior",   "posterior",   "screendim",
};

}  // namespace

std::string_view blendModeName(int32_t mode) {
    if (mode < 1 || mode > 62) return kModeNames[0];
    return kModeNames[static_cast<size_t>(mode)];
}

std::vector<std::string> exportKeywords(bool floatingDepth, int32_t vignette, int32_t sepia, int32_t mode) {
    std::vector<std::string> keywords;
    if (floatingDepth) {
        keywords.emplace_back("HDR");
        keywords.emplace_back("high dynamic range");
    }
    if (vignette > 0) keywords.emplace_back("vignette");
    if (sepia > 0) keywords.emplace_back("sepia");
    const std::string_view name = blendModeName(mode);
    if (mode != 1 && !name.empty()) keywords.emplace_back(name);
    return keywords;
}
