// Shared limits of the fuzz targets: inputs beyond these sizes say nothing
// new about the parsers and only slow the search down.
#pragma once

#include <cstddef>

inline constexpr size_t kMaxPresetInput = 128 * 1024;
inline constexpr size_t kMaxJpegInput = 64 * 1024;
inline constexpr size_t kMaxImageInput = 128 * 1024;
