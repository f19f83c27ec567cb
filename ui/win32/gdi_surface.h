// The window layer's drawing surface over a GDI device context: client
// coordinates are mapped to device pixels at the window's scale (1 at 96
// dots per inch, 2 at 192), text is "Arial" at height -11 in client pixels,
// and artwork comes from the bitmap set of that scale, so that a doubled
// dialog is drawn crisp, not stretched.
#pragma once

#include "ui/win32/win32_artwork.h"
#include "ui/window_layer.h"

#include <windows.h>

// "Arial" at a height of 11 client pixels (8 points at 96 dots per inch,
// whatever the screen says) on a device of this scale; the caller deletes it.
HFONT dialogFont(int32_t scale);

class GdiSurface final : public DrawingSurface {
public:
    // Draws into dc, whose device origin stands for client point `origin`.
    GdiSurface(HDC dc, ArtworkSet& artwork, WindowPoint origin = {0, 0});
    ~GdiSurface() override;
    GdiSurface(const GdiSurface&) = delete;
    GdiSurface& operator=(const GdiSurface&) = delete;

    void fill(const WindowRect& rect, Rgb colour) override;
    void frame(const WindowRect& rect, Rgb colour) override;
    void line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Rgb colour) override;
    void focusFrame(const WindowRect& rect) override;
    WindowPoint measureText(std::string_view text) override;
    void text(int32_t x, int32_t y, std::string_view text, Rgb colour) override;
    void artwork(int16_t id, int32_t x, int32_t y, const WindowRect& clip) override;
    void picture(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb, int32_t rowBytes) override;
    void pushClip(const WindowRect& rect) override;
    void popClip() override;
    // The host's display procedure draws into this device context, in
    // client coordinates like the rest.
    void* displayContext() override { return dc_; }

    // An artwork picture centred in a rectangle.
    void artworkCentred(int16_t id, const WindowRect& rect);

private:
    HDC dc_;
    ArtworkSet& artwork_;
    int saved_;
    HFONT font_;
};
