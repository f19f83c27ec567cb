// The dialog's artwork: one table from resource id to its picture, made by
// the build from the SVG sources in resources/artwork ("<id>-<name>.svg").
#pragma once

#include <cstddef>
#include <cstdint>

struct ArtworkSource {
    int16_t id;
    int32_t width, height;  // client pixels: the picture's size at a desktop scale of 1
    const char* svg;
    size_t size;
};

// The picture of resource `id`; nullptr when there is none.
const ArtworkSource* findArtwork(int16_t id);
