// Glue mode names and the export keyword list.
#include "model/glue_modes.h"

std::string_view glueModeName(int32_t mode) {
    if (!isGlueMode(mode)) return {};
    return kGlueModes[size_t(mode - 1)].name;
}

int32_t glueModeByName(std::string_view name) {
    for (const GlueMode& mode : kGlueModes) {
        if (name == mode.name || (mode.terminologyName && name == mode.terminologyName)) return mode.number;
    }
    return 0;
}

std::vector<std::string> exportKeywords(bool floatingDepth, int32_t vignette, int32_t sepia, int32_t mode) {
    std::vector<std::string> keywords;
    if (floatingDepth) {
        keywords.emplace_back("HDR");
        keywords.emplace_back("high dynamic range");
    }
    if (vignette > 0) keywords.emplace_back("vignette");
    if (sepia > 0) keywords.emplace_back("sepia");
    const std::string_view name = glueModeName(mode);
    if (mode != 1 && !name.empty()) keywords.emplace_back(name);
    return keywords;
}
