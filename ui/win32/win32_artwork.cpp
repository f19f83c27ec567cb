// Loading the artwork resources and turning pictures into icons.
#include "ui/win32/win32_artwork.h"

#include "codec/jpeg_reader.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

HMODULE pluginModule() {
    static HMODULE module = [] {
        HMODULE found = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&pluginModule), &found);
        return found;
    }();
    return module;
}

namespace {

// A large opaque picture is kept as a JPEG resource: decoded into a 32-bit
// DIB section, top row first; nullptr when there is none.
HBITMAP decodeJpegResource(int32_t id) {
    HRSRC found = FindResourceA(pluginModule(), MAKEINTRESOURCEA(id), "JPEG");
    HGLOBAL loaded = found ? LoadResource(pluginModule(), found) : nullptr;
    const auto* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (!bytes) return nullptr;
    const DWORD size = SizeofResource(pluginModule(), found);
    // The size from the frame header (SOF0..SOF2: height, width after the precision byte).
    int32_t width = 0, height = 0;
    for (DWORD at = 2; at + 9 < size && bytes[at] == 0xFF;) {
        const uint8_t marker = bytes[at + 1];
        if (marker >= 0xC0 && marker <= 0xC2) {
            height = (bytes[at + 5] << 8) | bytes[at + 6];
            width = (bytes[at + 7] << 8) | bytes[at + 8];
            break;
        }
        at += 2 + ((DWORD(bytes[at + 2]) << 8) | bytes[at + 3]);
    }
    if (width <= 0 || height <= 0) return nullptr;
    std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
    if (!decodeJpeg(bytes, size, {rgba.data(), width, height, 0, DecodedLayout::rgba8})) return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    auto* out = static_cast<uint8_t*>(bits);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        out[i] = rgba[i + 2];
        out[i + 1] = rgba[i + 1];
        out[i + 2] = rgba[i];
        out[i + 3] = 255;
    }
    return bitmap;
}

}  // namespace

ArtworkSet::~ArtworkSet() {
    for (auto& entry : bitmaps_) DeleteObject(entry.second.bitmap);
    for (auto& entry : icons_) DestroyIcon(entry.second);
    for (auto& entry : cursors_) DestroyCursor(entry.second);
}

HBITMAP ArtworkSet::bitmap(int16_t id, SIZE* size, bool* withAlpha) {
    auto found = bitmaps_.find(id);
    if (found == bitmaps_.end()) {
        const int32_t resource = artworkResourceId(id, scale_);
        auto* loaded = static_cast<HBITMAP>(
            LoadImageA(pluginModule(), MAKEINTRESOURCEA(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        const bool opaquePicture = !loaded;
        if (!loaded) loaded = decodeJpegResource(resource);
        Loaded entry = {loaded, {0, 0}, false};
        if (loaded) {
            BITMAP info;
            GetObjectA(loaded, sizeof info, &info);
            entry.size = {info.bmWidth / scale_, info.bmHeight / scale_};
            entry.withAlpha = info.bmBitsPixel == 32 && !opaquePicture;
        }
        found = bitmaps_.emplace(id, entry).first;
    }
    if (size) *size = found->second.size;
    if (withAlpha) *withAlpha = found->second.withAlpha;
    return found->second.bitmap;
}

HICON ArtworkSet::icon(int16_t id, bool faded) {
    auto found = icons_.find({id, faded});
    if (found != icons_.end()) return found->second;
    HICON made = nullptr;
    DIBSECTION section;
    HBITMAP picture = bitmap(id);
    if (picture && GetObjectA(picture, sizeof section, &section) == sizeof section && section.dsBm.bmBitsPixel == 32) {
        // Icons take straight alpha: the premultiplied samples are divided back.
        const LONG width = section.dsBm.bmWidth, height = std::abs(section.dsBm.bmHeight);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (colour) {
            const auto* in = static_cast<const uint8_t*>(section.dsBm.bmBits);
            auto* out = static_cast<uint8_t*>(bits);
            const bool bottomUp = section.dsBm.bmHeight > 0 && section.dsBmih.biHeight > 0;
            for (LONG y = 0; y < height; ++y) {
                const uint8_t* row = in + size_t(bottomUp ? height - 1 - y : y) * section.dsBm.bmWidthBytes;
                for (LONG x = 0; x < width; ++x) {
                    const uint8_t* p = row + x * 4;
                    uint8_t* q = out + (size_t(y) * width + x) * 4;
                    const uint8_t alpha = p[3];
                    for (int c = 0; c < 3; ++c) q[c] = alpha ? uint8_t(std::min(255, p[c] * 255 / alpha)) : 0;
                    q[3] = faded ? uint8_t(alpha * 90 / 255) : alpha;
                }
            }
            // The mask marks the transparent pixels: the system draws a
            // disabled button's icon from its shape.
            const size_t maskStride = size_t((width + 15) / 16 * 2);
            std::vector<uint8_t> shape(maskStride * height, 0);
            for (LONG y = 0; y < height; ++y)
                for (LONG x = 0; x < width; ++x)
                    if (out[(size_t(y) * width + x) * 4 + 3] == 0) shape[size_t(y) * maskStride + x / 8] |= uint8_t(0x80 >> (x % 8));
            HBITMAP mask = CreateBitmap(width, height, 1, 1, shape.data());
            ICONINFO parts = {TRUE, 0, 0, mask, colour};
            made = CreateIconIndirect(&parts);
            DeleteObject(mask);
            DeleteObject(colour);
        }
    }
    icons_[{id, faded}] = made;
    return made;
}

HCURSOR ArtworkSet::cursor(int16_t id) {
    auto found = cursors_.find(id);
    if (found != cursors_.end()) return found->second;
    const int side = 32 * scale_;
    auto* loaded = static_cast<HCURSOR>(
        LoadImageA(pluginModule(), MAKEINTRESOURCEA(id), IMAGE_CURSOR, side, side, LR_DEFAULTCOLOR));
    cursors_[id] = loaded;
    return loaded;
}
