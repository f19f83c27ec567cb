// A GIMP drawable as the host's document and back: its pixels through its
// GEGL buffer in the image's own precision and tone curve, its alpha, the
// image's selection over it and the image's colour profile.
#pragma once

#include "host/document.h"

#include <libgimp/gimp.h>

#include <string>
#include <vector>

struct DrawableDocument {
    Document document;
    const Babl* format = nullptr;  // the samples' layout in GEGL's terms
    // With a selection: the drawable's samples as read, so that every pixel
    // the selection leaves out goes back exactly as it was.
    std::vector<uint8_t> original;
};

// Reads the whole drawable; false with a message when it cannot be held.
bool readDrawable(gint32 image, gint32 drawable, DrawableDocument& read, std::string& error);

// Writes the filtered rectangle into the drawable's shadow buffer and merges
// it (undoably: call inside an undo group). The host has already mixed the
// result with the original through the selection; unselected pixels keep
// their original samples.
void writeDrawable(gint32 image, gint32 drawable, const DrawableDocument& written, const FilterBounds& bounds);
