// Drawing of the dialog's self-drawn controls and the slider arithmetic:
// sliders, labels, the preset name label and the colour swatches.
#pragma once

#include "ui/main_dialog_controls.h"
#include "ui/window_layer.h"

#include <cstdint>
#include <string_view>

inline constexpr Rgb kBlack = {0, 0, 0};
inline constexpr Rgb kWhite = {255, 255, 255};
inline constexpr Rgb kDisabledGrey = {140, 140, 140};
inline constexpr Rgb kFlatFill = {222, 222, 222};

// x of the thumb's left edge for a value.
int32_t sliderThumbX(const WindowRect& rect, int32_t value, int32_t minimum, int32_t maximum);
// The value for a pointer x while dragging (the pointer x minus 4 is used),
// clamped to the range.
int32_t sliderValueAt(const WindowRect& rect, int32_t pointerX, int32_t minimum, int32_t maximum);

void drawSlider(DrawingSurface& surface, const DialogControl& slider, int32_t value, int32_t minimum,
                int32_t maximum, bool enabled);
// The background under the label, then its text.
void drawLabel(DrawingSurface& surface, const WindowRect& rect, std::string_view text, TextAlignment alignment,
               bool enabled);
void drawColourSwatch(DrawingSurface& surface, const WindowRect& rect, Color16 colour, ItemState state);
