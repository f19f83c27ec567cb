// The one resampler of tiled images: a whole source, or a rectangle of it,
// sampled into a target of any colour storage type at the target's depth.
#include <cmath>
#include <cstdint>

#include "effect/tiled_image.h"

#include "kernels/filter_math.h"
#include "kernels/samplers.h"
#include "kernels/truncation.h"

namespace {

// Writes one sampled colour, opaque, into level 0 of the target.
using OpaqueWriter = void (*)(int x, int y, Pyramid& target, const EffectColor& colour);

// Packed 8-bit targets (thumbnails, presets, 8-bit exports) keep each
// channel within 0..255, so that a sample a hair outside 0..1 cannot wrap.
void writeOpaque8(int x, int y, Pyramid& target, const EffectColor& colour) {
    auto channel = [](float value) {
        const int32_t t = truncateToInt(value * 255.0f);
        return static_cast<uint32_t>(t < 0 ? 0 : (t > 255 ? 255 : t));
    };
    writePacked8(x, y, target, 0, channel(colour.red), channel(colour.green), channel(colour.blue), 255);
}

// Deeper targets take the colour at their own full scale (the write-colour rule).
void writeOpaqueAtDepth(int x, int y, Pyramid& target, const EffectColor& colour) {
    EffectColor opaque = colour;
    opaque.coverage = 1.0f;
    writeColor(x, y, target, 0, opaque);
}

OpaqueWriter writerFor(const Pyramid& target) {
    return target.storageType == kStoragePacked8 ? writeOpaque8 : writeOpaqueAtDepth;
}

}  // namespace

void resampleImage(const Pyramid& source, Pyramid& target, PixelRect sourceRect, PixelRect targetRect,
                   float levelOffset, int jobCount) {
    const int sourceWidth = sourceRect.right - sourceRect.left;
    const int targetWidth = targetRect.right - targetRect.left;
    const int targetHeight = targetRect.bottom - targetRect.top;
    if (sourceWidth > 0 && targetWidth > 0 && targetHeight > 0 && source.hasTiles() && target.hasTiles()) {
        double lambda = filterLog2(static_cast<double>(sourceWidth) / static_cast<double>(targetWidth)) - levelOffset;
        if (!(lambda >= 0.0)) lambda = 0.0;
        if (lambda > source.lmax) lambda = source.lmax;
        const int level = static_cast<int>(std::floor(lambda));
        const float fraction = static_cast<float>(lambda - level);
        const OpaqueWriter write = writerFor(target);
        for (int i = 0; i < targetHeight; ++i) {
            const float v = static_cast<float>(2 * i + 1) / static_cast<float>(2 * targetHeight);
            for (int j = 0; j < targetWidth; ++j) {
                const float u = static_cast<float>(2 * j + 1) / static_cast<float>(2 * targetWidth);
                write(j + targetRect.left, i + targetRect.top, target, sampleFast(source, level, fraction, u, v));
            }
        }
    }
    rebuildLevels(target, 0, jobCount);
}
