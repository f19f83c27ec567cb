// The output stage: turns one worked colour into stored pixel values in the
// host's rows, the dialog's preview buffer or the internal image.
#pragma once

#include "effect/render_context.h"
#include "kernels/effect_color.h"

// Stores the pixel at (x, y); `color` is scaled in place by the channel maximum.
void storePixel(const RenderContext& context, int32_t x, int32_t y, EffectColor& color);

// 0..255: how much of the preview pixel the selection shows.
int32_t selectionWeight(const OutputTarget& target, int32_t x, int32_t y);
