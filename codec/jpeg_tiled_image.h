// The JPEG codec on the plug-in's tiled images: level 0 as the encoder's row
// source, and a stored picture decoded into level 0.
#pragma once

#include "codec/jpeg_row_source.h"
#include "kernels/pyramid.h"

#include <cstddef>
#include <cstdint>

// Reads level 0 through the image's own nearest-pixel reader (four values
// scaled to 1). The image must outlive the source.
JpegRowSource tiledImageRowSource(const Pyramid& image);

// Decodes into level 0 of a packed 8-bit RGBA image (kStoragePacked8) or an 8-bit
// grey image (kStorageGrey8) of the stored size, through the image's memory
// service; pixels the JPEG does not cover become 0. Levels are not rebuilt
// here. False when nothing could be decoded (the image is then unchanged).
bool decodeJpegIntoImage(const uint8_t* bytes, size_t size, Pyramid& image);
