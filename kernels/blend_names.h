// The glue modes' names, shown by the dialog's blend control and written as
// keywords of exported documents.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The name of glue mode 1..62 ("hard diff" for 26); the empty text otherwise.
std::string_view blendModeName(int32_t mode);

// The metadata keywords of an exported document, in order: "HDR" and
// "high dynamic range" for 32-bit floating-point channels, "vignette" when
// vignette > 0, "sepia" when sepia > 0, and the glue mode's name when the
// mode is not 1 (a mode without a name adds nothing).
std::vector<std::string> exportKeywords(bool floatingDepth, int32_t vignette, int32_t sepia, int32_t mode);
