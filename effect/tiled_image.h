// Tiled images (the pyramid records the plug-in holds): per-pixel accessors
// by storage type, copying, resampling and level rebuilding.
#pragma once

#include <cstdint>

#include "kernels/effect_color.h"
#include "kernels/pyramid.h"

// ---- Per-pixel accessors ----------------------------------------------------
// Every accessor takes (x, y, image, level) first. Readers clamp x into
// [0, last column] and y into [0, last row] of the level (and the level into
// [0, lmax]); writers ignore a pixel outside the level, an absent level and
// an image without tiles. An operation given a storage type it does not list
// reads 0 and writes nothing.

// kStorageGrey8: the byte; kStorageGrey16 and kStorageWord16: the 16-bit sample;
// kStorageFloat1: the 32-bit word; 0 without tiles.
uint32_t readSample(int x, int y, const Pyramid& image, int level);
// kStoragePacked8: the packed word's four bytes, channel 0 from bits 24..31; kStorageRgba16:
// four 16-bit values; kStorageFloat4: four 32-bit words (float bits); kStorageRgb16: three
// 16-bit values, channels[3] left as it was. Without tiles all four become 0.
void readChannels(int x, int y, const Pyramid& image, int level, uint32_t (&channels)[4]);
// kStoragePacked8: packs c0..c3 keeping the low 8 bits of each; kStorageRgba16: the low 16
// bits of each; kStorageFloat4: four 32-bit words; kStorageRgb16: c0..c2 as 16-bit values.
void writeChannels(int x, int y, Pyramid& image, int level, uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3);
// kStoragePacked8 and kStorageRgba16: each component times the full-scale value (single
// precision), truncated, written as four channels; kStorageFloat4: the four floats.
void writeColor(int x, int y, Pyramid& image, int level, const EffectColor& color);

// Typed shortcuts, same edge rules; each acts only on its own storage type.
void writePacked8(int x, int y, Pyramid& image, int level, uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3);  // kStoragePacked8
void writeRgba16(int x, int y, Pyramid& image, int level, uint16_t c0, uint16_t c1, uint16_t c2, uint16_t c3);   // kStorageRgba16
void writeWords32(int x, int y, Pyramid& image, int level, const uint32_t (&words)[4]);                         // kStorageFloat4
void writeFloat4(int x, int y, Pyramid& image, int level, float c0, float c1, float c2, float c3);              // kStorageFloat4
void writeRgb16(int x, int y, Pyramid& image, int level, uint16_t c0, uint16_t c1, uint16_t c2);                 // kStorageRgb16
void writeByte(int x, int y, Pyramid& image, int level, uint8_t value);                                          // kStorageGrey8
void readRgba16(int x, int y, const Pyramid& image, int level, uint16_t (&channels)[4]);  // kStorageRgba16
void readWords32(int x, int y, const Pyramid& image, int level, uint32_t (&words)[4]);    // kStorageFloat4
void readFloat4(int x, int y, const Pyramid& image, int level, float (&channels)[4]);     // kStorageFloat4
void readRgb16(int x, int y, const Pyramid& image, int level, uint16_t (&channels)[3]);   // kStorageRgb16
uint16_t readSample16(int x, int y, const Pyramid& image, int level);                      // types 1, 2
uint32_t readWord32(int x, int y, const Pyramid& image, int level);  // kStoragePacked8: the whole packed pixel; kStorageFloat1

// ---- Image operations -------------------------------------------------------

// Over the intersection of the two levels, each pixel's nearest colour
// (scaled to 1) written with writeColor. Nothing unless both images have
// tiles and the same storage type.
void copyLevel(const Pyramid& source, int sourceLevel, Pyramid& target, int targetLevel);

// Equal level-0 sizes: copies level 0 exactly; otherwise resamples the whole
// source into the whole target. Then rebuilds the target's levels.
// A resample runs its rows on `workers` when given; the pixels are the same.
void copyImage(const Pyramid& source, Pyramid& target, int jobCount = 1, JobWorkers* workers = nullptr);

// A band of the image copyImage makes of `source` at width x height: its rows
// first .. first + count - 1 (no more than the band holds) into level 0 of
// `band`, whose row 0 holds row `first`; the same pixels, bit for bit. An
// export renders and writes its image a band at a time this way, never
// holding the whole. Resampled rows run on `workers` when given.
void copyImageRows(const Pyramid& source, Pyramid& band, int32_t width, int32_t height, int32_t first,
                   int32_t count, JobWorkers* workers = nullptr);
// Rows first .. first + count - 1 of level 0 of `source` into level 0 of
// `band` from its row 0, as copyLevel copies them.
void copyLevelRows(const Pyramid& source, Pyramid& band, int32_t first, int32_t count);

// Samples the source with the fast sampler at level
// log2(source width / target width) - levelOffset (limited to [0, lmax]) at
// the centre of each target pixel of `targetRect`, normalised to that
// rectangle, and writes opaque colours at the rectangle's place in level 0
// at the target's depth: a packed 8-bit (kStoragePacked8) target gets each
// channel as trunc(255 * c) limited to 0..255, the others the write-colour
// rule with coverage 1. Nothing is sampled unless both images have tiles.
// Then rebuilds the target's levels. The source must carry its weight tables.
void resampleImage(const Pyramid& source, Pyramid& target, PixelRect sourceRect, PixelRect targetRect,
                   float levelOffset = 0.5f, int jobCount = 1, JobWorkers* workers = nullptr);

// Reduces levels fromLevel .. lmax - 1 in turn, each as level jobs, then
// build state 2. An image of edge mode -1 is left unchanged.
void rebuildLevels(Pyramid& image, int fromLevel, int jobCount = 1);

// Fills the top-left 128 x 128 pixels of level 0 of a packed 8-bit image with a
// vertical ramp: row r is grey 255 - r, opaque.
void fillGreyPlaceholder(Pyramid& target);
