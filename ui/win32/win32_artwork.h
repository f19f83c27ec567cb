// The dialog's artwork as the plug-in's Windows resources hold it: bitmaps
// rendered from the SVG sources at 1x (resource id) and 2x (id + 1000) with
// premultiplied alpha, and the pointers as cursors. A window keeps what it
// loaded in one ArtworkSet and frees it when it closes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <utility>

// The plug-in module, where the templates and the artwork are.
HMODULE pluginModule();

// The bitmap resource of artwork `id` at a device scale of 1 or 2.
constexpr int32_t artworkResourceId(int16_t id, int32_t scale) { return scale >= 2 ? id + 1000 : id; }

class ArtworkSet {
public:
    explicit ArtworkSet(int32_t scale) : scale_(scale) {}
    ~ArtworkSet();
    ArtworkSet(const ArtworkSet&) = delete;
    ArtworkSet& operator=(const ArtworkSet&) = delete;

    int32_t scale() const { return scale_; }
    // The picture at the window's scale: a 32-bit DIB section with
    // premultiplied alpha, or 24-bit when it is opaque; nullptr when there
    // is none. size gets its size in client pixels.
    HBITMAP bitmap(int16_t id, SIZE* size = nullptr, bool* withAlpha = nullptr);
    // The picture as an icon, for a standard button; faded: at a third of
    // its opacity, for a disabled button (the system's own dimming of an
    // icon with alpha is a grey block on some systems).
    HICON icon(int16_t id, bool faded = false);
    // Pointer 107 or 109 at the window's scale.
    HCURSOR cursor(int16_t id);

private:
    int32_t scale_;
    struct Loaded {
        HBITMAP bitmap;
        SIZE size;
        bool withAlpha;
    };
    std::map<int16_t, Loaded> bitmaps_;
    std::map<std::pair<int16_t, bool>, HICON> icons_;
    std::map<int16_t, HCURSOR> cursors_;
};
