// The drawing surface over cairo and pango, shared by the GTK backend and the
// headless backend so that tests see the pixels users see. Artwork is drawn
// from its vector source at the surface's device scale.
#pragma once

#include "interface/display_context.h"
#include "ui/window_layer.h"

#include <cairo.h>

#include <vector>

class CairoSurface final : public DrawingSurface {
public:
    // Draws through cr; scale is the device scale (2 on a doubled desktop).
    CairoSurface(cairo_t* cr, double scale);
    ~CairoSurface() override;

    void fill(const WindowRect& rect, Rgb colour) override;
    void frame(const WindowRect& rect, Rgb colour) override;
    void line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Rgb colour) override;
    void focusFrame(const WindowRect& rect) override;
    WindowPoint measureText(std::string_view text) override;
    void text(int32_t x, int32_t y, std::string_view text, Rgb colour) override;
    void artwork(int16_t id, int32_t x, int32_t y, const WindowRect& clip) override;
    void picture(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb, int32_t rowBytes) override {
        drawRgb(this, x, y, width, height, rgb, rowBytes);
    }
    void pushClip(const WindowRect& rect) override;
    void popClip() override;
    void* displayContext() override { return &display_; }

    // The same drawing for an icon centred in a rectangle (standard buttons).
    void artworkCentred(int16_t id, const WindowRect& rect);

private:
    static void drawRgb(void* surface, int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb,
                        int32_t rowBytes);
    cairo_t* cr_;
    double scale_;
    DisplayContext display_;
};

// Width and height of an artwork picture in client pixels; 0 x 0 when unknown.
WindowPoint artworkSize(int16_t id);
// The picture as a cairo image surface at the device scale (cached; owned by
// the cache); nullptr when there is no such artwork.
cairo_surface_t* artworkImage(int16_t id, double scale);
