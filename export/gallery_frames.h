// The four small GIF89a pictures that draw a frame around every picture of
// a gallery page; written unchanged into the page's web_images folder.
#pragma once

#include <cstddef>
#include <cstdint>

struct GalleryFrame {
    const char* fileName;  // "top.gif", "left.gif", "right.gif", "bottom.gif"
    int32_t width, height;
    const uint8_t* bytes;
    size_t size;
};

extern const GalleryFrame kGalleryFrames[4];
