// GDI drawing of the window layer's surface.
#include "ui/win32/gdi_surface.h"

#include "platform/device_context_rows.h"
#include "platform/wide_text.h"


namespace {
COLORREF colourOf(Rgb c) { return RGB(c.red, c.green, c.blue); }
}  // namespace

HFONT dialogFont(int32_t scale) {
    // Proportional: asked for with a fixed pitch, some systems' font mappers
    // put a typewriter face in Arial's place.
    return CreateFontA(-11 * scale, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
}

GdiSurface::GdiSurface(HDC dc, ArtworkSet& artwork, WindowPoint origin) : dc_(dc), artwork_(artwork) {
    saved_ = SaveDC(dc_);
    // Client pixels to device pixels; the viewport origin a caller set (a
    // control's part of its parent) is kept.
    SetMapMode(dc_, MM_ANISOTROPIC);
    SetWindowExtEx(dc_, 1, 1, nullptr);
    SetViewportExtEx(dc_, artwork.scale(), artwork.scale(), nullptr);
    SetWindowOrgEx(dc_, origin.x, origin.y, nullptr);
    SetBkMode(dc_, TRANSPARENT);
    // One source pixel becomes a sharp block of device pixels.
    SetStretchBltMode(dc_, COLORONCOLOR);
    font_ = dialogFont(1);
}

GdiSurface::~GdiSurface() {
    RestoreDC(dc_, saved_);
    if (font_) DeleteObject(font_);
}

void GdiSurface::fill(const WindowRect& r, Rgb colour) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    HBRUSH brush = CreateSolidBrush(colourOf(colour));
    const RECT area = {r.left, r.top, r.right, r.bottom};
    FillRect(dc_, &area, brush);
    DeleteObject(brush);
}

void GdiSurface::frame(const WindowRect& r, Rgb colour) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    fill({r.left, r.top, r.right, r.top + 1}, colour);
    fill({r.left, r.bottom - 1, r.right, r.bottom}, colour);
    fill({r.left, r.top, r.left + 1, r.bottom}, colour);
    fill({r.right - 1, r.top, r.right, r.bottom}, colour);
}

void GdiSurface::line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Rgb colour) {
    HPEN pen = CreatePen(PS_SOLID, 1, colourOf(colour));
    HGDIOBJ old = SelectObject(dc_, pen);
    MoveToEx(dc_, x0, y0, nullptr);
    LineTo(dc_, x1, y1);
    SelectObject(dc_, old);
    DeleteObject(pen);
}

void GdiSurface::focusFrame(const WindowRect& r) {
    const RECT area = {r.left, r.top, r.right, r.bottom};
    DrawFocusRect(dc_, &area);
}

WindowPoint GdiSurface::measureText(std::string_view text) {
    HGDIOBJ old = SelectObject(dc_, font_);
    SIZE size = {0, 0};
    const std::wstring wide = wideText(text);  // the dialog's text is UTF-8, as every name it shows
    GetTextExtentPoint32W(dc_, wide.c_str(), int(wide.size()), &size);
    SelectObject(dc_, old);
    return {int16_t(size.cx), int16_t(size.cy)};
}

void GdiSurface::text(int32_t x, int32_t y, std::string_view text, Rgb colour) {
    HGDIOBJ old = SelectObject(dc_, font_);
    SetTextColor(dc_, colourOf(colour));
    const std::wstring wide = wideText(text);
    TextOutW(dc_, x, y, wide.c_str(), int(wide.size()));
    SelectObject(dc_, old);
}

void GdiSurface::artwork(int16_t id, int32_t x, int32_t y, const WindowRect& clip) {
    SIZE size;
    bool withAlpha = false;
    HBITMAP bitmap = artwork_.bitmap(id, &size, &withAlpha);
    if (!bitmap) return;
    HDC source = CreateCompatibleDC(dc_);
    HGDIOBJ old = SelectObject(source, bitmap);
    pushClip(clip);
    const int32_t scale = artwork_.scale();
    // Client size on this side, device size on the picture's: one picture
    // pixel per device pixel.
    if (withAlpha) {
        const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(dc_, x, y, size.cx, size.cy, source, 0, 0, size.cx * scale, size.cy * scale, blend);
    } else {
        StretchBlt(dc_, x, y, size.cx, size.cy, source, 0, 0, size.cx * scale, size.cy * scale, SRCCOPY);
    }
    popClip();
    SelectObject(source, old);
    DeleteDC(source);
}

void GdiSurface::artworkCentred(int16_t id, const WindowRect& rect) {
    SIZE size = {0, 0};
    if (!artwork_.bitmap(id, &size)) return;
    artwork(id, rect.left + (rect.width() - size.cx) / 2, rect.top + (rect.height() - size.cy) / 2, rect);
}

void GdiSurface::picture(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb, int32_t rowBytes) {
    drawRgbRows(dc_, x, y, width, height, rgb, rowBytes);
}

void GdiSurface::pushClip(const WindowRect& r) {
    SaveDC(dc_);
    IntersectClipRect(dc_, r.left, r.top, r.right, r.bottom);
}

void GdiSurface::popClip() { RestoreDC(dc_, -1); }
