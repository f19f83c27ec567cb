// The glue modes, declared once: number, the dialog's name, the scripting
// terminology's name, and the export keywords made from them. Stored numbers
// never move: they are in presets, actions and exported documents.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int32_t kGlueModeCount = 62;

struct GlueMode {
    int32_t number;
    const char* name;             // as the dialog and the export keywords say it
    const char* terminologyName;  // the scripting terminology's entry; nullptr when it lists none
};

// Index = number - 1; mode 1 is "normal", which leaves the worked picture as it is. Mode 26 is "hard diff" in the dialog and "harsh diff" in
// the terminology; modes 60 and 61 have scripting codes but no terminology entry.
inline constexpr std::array<GlueMode, kGlueModeCount> kGlueModes = {{
    {1, "normal", "normal"},
    {2, "procedural +", "procedural +"},
    {3, "procedural -", "procedural -"},
    {4, "difference", "difference"},
    {5, "lighten", "lighten"},
    {6, "darken", "darken"},
    {7, "add", "add"},
    {8, "subtract", "subtract"},
    {9, "multiply", "multiply"},
    {10, "screen", "screen"},
    {11, "hard light", "hard light"},
    {12, "overlay", "overlay"},
    {13, "superlay", "superlay"},
    {14, "exclusion", "exclusion"},
    {15, "color", "color"},
    {16, "luminance", "luminance"},
    {17, "linear light", "linear light"},
    {18, "pin light", "pin light"},
    {19, "spin light", "spin light"},
    {20, "vivid a", "vivid a"},
    {21, "vivid b", "vivid b"},
    {22, "saturation", "saturation"},
    {23, "hue", "hue"},
    {24, "similarity", "similarity"},
    {25, "cross", "cross"},
    {26, "hard diff", "harsh diff"},
    {27, "soft light", "soft light"},
    {28, "bright", "bright"},
    {29, "dim", "dim"},
    {30, "dodge", "dodge"},
    {31, "burn", "burn"},
    {32, "ace", "ace"},
    {33, "king", "king"},
    {34, "queen", "queen"},
    {35, "jack", "jack"},
    {36, "and", "and"},
    {37, "or", "or"},
    {38, "xor", "xor"},
    {39, "multibright", "multibright"},
    {40, "hot", "hot"},
    {41, "cold", "cold"},
    {42, "wet", "wet"},
    {43, "dry", "dry"},
    {44, "up", "up"},
    {45, "down", "down"},
    {46, "wax", "wax"},
    {47, "wane", "wane"},
    {48, "north", "north"},
    {49, "south", "south"},
    {50, "east", "east"},
    {51, "west", "west"},
    {52, "hard mix", "hard mix"},
    {53, "frontal", "frontal"},
    {54, "parietal", "parietal"},
    {55, "temporal", "temporal"},
    {56, "occipital", "occipital"},
    {57, "limbic", "limbic"},
    {58, "dextrous", "dextrous"},
    {59, "sinister", "sinister"},
    {60, "anterior", nullptr},
    {61, "posterior", nullptr},
    {62, "screendim", "screendim"},
}};

constexpr bool isGlueMode(int32_t mode) { return mode >= 1 && mode <= kGlueModeCount; }

// The name of glue mode 1..62; the empty text otherwise.
std::string_view glueModeName(int32_t mode);

// The mode whose dialog or terminology name is `name` (exact text); 0 when none is.
int32_t glueModeByName(std::string_view name);

// The metadata keywords of an exported document, in order: "HDR" and
// "high dynamic range" for 32-bit floating-point channels, "vignette" when
// vignette > 0, "sepia" when sepia > 0, and the glue mode's name when the
// mode is not 1 (a mode without a name adds nothing).
std::vector<std::string> exportKeywords(bool floatingDepth, int32_t vignette, int32_t sepia, int32_t mode);
