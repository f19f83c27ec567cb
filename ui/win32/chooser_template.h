// The preset chooser's appended template FANCY_OPEN4: the picture pane,
// control 123, beside the chooser's own controls (dialog units).
#pragma once

inline constexpr int kPresetPaneControl = 123;
inline constexpr const char* kPresetPaneTemplate = "FANCY_OPEN4";
inline constexpr int kPresetPaneLeft = 348, kPresetPaneTop = 21, kPresetPaneWidth = 87, kPresetPaneHeight = 80;
