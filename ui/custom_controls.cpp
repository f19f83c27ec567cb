// The self-drawn controls.
#include "ui/custom_controls.h"

#include <algorithm>

namespace {
int32_t spanOf(int32_t minimum, int32_t maximum) { return maximum - minimum > 0 ? maximum - minimum : 1; }

void edges(DrawingSurface& surface, const WindowRect& r, Rgb topLeft, Rgb bottomRight) {
    surface.fill({r.left, r.top, r.right, r.top + 1}, topLeft);
    surface.fill({r.left, r.top, r.left + 1, r.bottom}, topLeft);
    surface.fill({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    surface.fill({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}
}  // namespace

int32_t sliderThumbX(const WindowRect& rect, int32_t value, int32_t minimum, int32_t maximum) {
    return rect.left + (value - minimum) * (rect.width() - 15) / spanOf(minimum, maximum) + 1;
}

int32_t sliderValueAt(const WindowRect& rect, int32_t pointerX, int32_t minimum, int32_t maximum) {
    const int32_t x = pointerX - 4;
    const int32_t value = minimum + (x - rect.left - 1) * spanOf(minimum, maximum) / (rect.width() - 14);
    return std::clamp(value, minimum, maximum);
}

void drawSlider(DrawingSurface& surface, const DialogControl& slider, int32_t value, int32_t minimum,
                int32_t maximum, bool enabled) {
    const WindowRect& r = slider.rect;
    if (enabled && slider.artwork) {
        surface.artwork(slider.artwork, r.left, r.top, r);
    } else {
        const WindowRect box = {r.left, r.top, r.right - 2, r.top + 11};
        surface.fill(box, kFlatFill);
        surface.frame(box, kDisabledGrey);
        return;
    }
    surface.artwork(kArtThumb, sliderThumbX(r, value, minimum, maximum), r.top + 1, r);
}

void drawLabel(DrawingSurface& surface, const WindowRect& rect, std::string_view text, TextAlignment alignment,
               bool enabled) {
    surface.artwork(kArtBackground, 0, 0, rect);
    // Centre the 14-pixel line: the bottom goes down 2, the whole up 2, then
    // down by half the spare height.
    WindowRect r = rect;
    r.bottom += 2;
    r.top -= 2;
    r.bottom -= 2;
    const int32_t down = (r.height() - 14) / 2;
    r.top += down;
    r.bottom += down;
    const WindowPoint extent = surface.measureText(text);
    int32_t x = r.left;
    if (alignment == TextAlignment::right) x += r.width() - extent.x;
    if (alignment == TextAlignment::centre) x += (r.width() - extent.x) / 2;
    surface.text(x, r.top, text, enabled ? kBlack : kDisabledGrey);
}

void drawColourSwatch(DrawingSurface& surface, const WindowRect& rect, Color16 colour, ItemState state) {
    surface.fill(rect, kWhite);
    WindowRect r = rect;
    if (state.disabled) {
        surface.frame(r, kDisabledGrey);
        r = r.inset(1);
    } else if (state.pressed) {
        if (state.focused) {
            surface.frame(r, kBlack);
            r = r.inset(1);
        }
        surface.frame(r, kBlack);
        r = r.inset(1);
        surface.frame(r, Rgb{128, 128, 128});
        r = r.inset(1);
    } else {
        if (state.focused) {
            surface.frame(r, kBlack);
            r = r.inset(1);
        }
        edges(surface, r, Rgb{240, 240, 240}, kBlack);
        r = r.inset(1);
        edges(surface, r, kWhite, Rgb{128, 128, 128});
        r = r.inset(1);
    }
    surface.fill(r, kFlatFill);
    WindowRect inner = rect.inset(state.focused ? 3 : 2);
    inner.right += 1;
    inner.bottom += 1;
    surface.fill(inner, Rgb{uint8_t(colour.red >> 8), uint8_t(colour.green >> 8), uint8_t(colour.blue >> 8)});
    if (state.focused) {
        WindowRect focus = rect.inset(4);
        focus.right += 1;
        focus.bottom += 1;
        surface.focusFrame(focus);
    }
}
