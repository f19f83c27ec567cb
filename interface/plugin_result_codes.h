// The filter's own result codes beside the host interface's: they cross the
// plug-in boundary in the result word, so the plug-in and any host that
// describes them read them from this one list.
#pragma once

#include <cstdint>

// The plug-in has already shown the user why it stopped; the host shows nothing.
inline constexpr int16_t kResultAlreadyReported = 1;
// The image pyramid could not be made.
inline constexpr int16_t kResultPyramidFailed = 999;
// A file could not be opened.
inline constexpr int16_t kResultCannotOpenFile = 99;
// A low-level read or write of a file fell short.
inline constexpr int16_t kResultReadFailed = -19;
inline constexpr int16_t kResultWriteFailed = -20;
