// Where a sampler's taps fall: the base pixel and phase of a level
// coordinate, the edge rule of each tap, and the level a sampler uses. Shared
// by the per-pixel samplers and the row sampler so that both address exactly
// the same pixels.
#pragma once

#include "kernels/pyramid.h"
#include "kernels/samplers.h"

namespace sampler_positions {

// Position within the level: u = x' + 0.5 (kept non-negative and finite so
// that the base pixel and the phase are always defined).
struct AxisPosition {
    int base;
    int phase;
};
inline AxisPosition axisPosition(float levelCoordinate) {
    float u = levelCoordinate + 0.5f;
    if (!(u >= 0.0f)) u = 0.0f;
    if (u > 1.0e9f) u = 1.0e9f;
    const int base = static_cast<int>(u);
    int phase = static_cast<int>((u - static_cast<float>(base)) * 128.0f);
    if (phase > kPhases - 1) phase = kPhases - 1;
    return {base, phase};
}

inline int clampInto(int v, int last) { return v < 0 ? 0 : (v > last ? last : v); }

// Column (or row) of a tap: clamped, or wrapped around the level and then clamped.
inline int edgeIndex(int base, int offset, int size, bool wrap) {
    const int last = size - 1;
    if (!wrap) return clampInto(base + offset, last);
    int b = base % size;
    if (b < 0) b += size;
    int c = b + offset;
    if (c < 0) c += size;
    if (c > last) c -= size;
    return clampInto(c, last);
}

// Level pixel coordinates of a normalised position.
inline float levelX(const Pyramid& p, int n, float x) { return static_cast<float>(p.width[n]) * x - 0.5f; }
inline float levelY(const Pyramid& p, int n, float y) { return static_cast<float>(p.height[n]) * y - 0.5f; }

inline float clampUnit(float v) {
    if (!(v >= 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

inline int samplerLevel(const Pyramid& p, int level) {
    if (level > p.lmax - 1) level = p.lmax - 1;
    return level < 0 ? 0 : level;
}

inline bool samplable(const Pyramid& p) { return p.hasTiles() && p.weights != nullptr && p.lmax >= 1; }

}  // namespace sampler_positions
