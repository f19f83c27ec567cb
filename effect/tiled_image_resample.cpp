// The one resampler of tiled images: a whole source, or a rectangle of it,
// sampled into a target of any colour storage type at the target's depth,
// whole or a band of rows at a time.
#include <cmath>
#include <cstdint>

#include "effect/tiled_image.h"

#include "kernels/filter_math.h"
#include "kernels/job_workers.h"
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

namespace {

// What the row jobs of one resample share.
struct Resample {
    const Pyramid* source;
    Pyramid* target;
    PixelRect targetRect;
    int level;
    float fraction;
    OpaqueWriter write;
    int firstRow;  // of the target rectangle, where the jobs' row 0 is
    int targetTop;  // the image row that the target's row 0 holds
};

// Rows firstRow + job.rect.top .. firstRow + bottom - 1 of the target
// rectangle (counted from its top).
void resampleRows(const Job& job) {
    const Resample& r = *static_cast<const Resample*>(job.owner);
    const int targetWidth = r.targetRect.right - r.targetRect.left;
    const int targetHeight = r.targetRect.bottom - r.targetRect.top;
    for (int i = r.firstRow + job.rect.top; i < r.firstRow + job.rect.bottom; ++i) {
        const float v = static_cast<float>(2 * i + 1) / static_cast<float>(2 * targetHeight);
        for (int j = 0; j < targetWidth; ++j) {
            const float u = static_cast<float>(2 * j + 1) / static_cast<float>(2 * targetWidth);
            r.write(j + r.targetRect.left, i + r.targetRect.top - r.targetTop, *r.target,
                    sampleFast(*r.source, r.level, r.fraction, u, v));
        }
    }
}

// Rows first .. first + count - 1 of the target rectangle, sampled from
// the source rectangle, into `target`, whose row 0 holds image row targetTop.
void resampleRowsOf(const Pyramid& source, Pyramid& target, PixelRect sourceRect, PixelRect targetRect,
                    float levelOffset, int first, int count, int targetTop, JobWorkers* workers) {
    const int sourceWidth = sourceRect.right - sourceRect.left;
    const int targetWidth = targetRect.right - targetRect.left;
    const int targetHeight = targetRect.bottom - targetRect.top;
    if (sourceWidth <= 0 || targetWidth <= 0 || targetHeight <= 0 || count <= 0 || !source.hasTiles() ||
        !target.hasTiles())
        return;
    double lambda = filterLog2(static_cast<double>(sourceWidth) / static_cast<double>(targetWidth)) - levelOffset;
    if (!(lambda >= 0.0)) lambda = 0.0;
    if (lambda > source.lmax) lambda = source.lmax;
    const int level = static_cast<int>(std::floor(lambda));
    const float fraction = static_cast<float>(lambda - level);
    Resample work{&source, &target, targetRect, level, fraction, writerFor(target), first, targetTop};
    // Every target pixel is sampled on its own: bands of rows on the
    // workers give the same pixels as one pass.
    Job pattern;
    pattern.kind = kJobImageRect;
    pattern.owner = &work;
    pattern.image = &source;
    pattern.routine = resampleRows;
    const int threads = workers ? workers->concurrency() : 1;
    Job jobs[kMaxJobs];
    const int made = splitBandJobs(pattern, PixelRect{0, 0, count, 1}, threads * 4, jobs);
    runJobsOn(threads > 1 ? workers : nullptr, jobs, made);
}

}  // namespace

void resampleImage(const Pyramid& source, Pyramid& target, PixelRect sourceRect, PixelRect targetRect,
                   float levelOffset, int jobCount, JobWorkers* workers) {
    resampleRowsOf(source, target, sourceRect, targetRect, levelOffset, 0, targetRect.bottom - targetRect.top, 0,
                   workers);
    rebuildLevels(target, 0, jobCount);
}

void copyImageRows(const Pyramid& source, Pyramid& band, int32_t width, int32_t height, int32_t first,
                   int32_t count, JobWorkers* workers) {
    if (source.width[0] == width && source.height[0] == height) {
        copyLevelRows(source, band, first, count);
        return;
    }
    resampleRowsOf(source, band, PixelRect{0, 0, source.height[0], source.width[0]}, PixelRect{0, 0, height, width},
                   0.5f, first, count, first, workers);
}
