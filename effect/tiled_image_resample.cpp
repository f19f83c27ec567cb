// Resampling into an image of any colour storage type, for exports at a
// size other than the source's and a depth above 8 bits.
#include "effect/tiled_image_resample.h"

#include "effect/tiled_image.h"
#include "kernels/filter_math.h"
#include "kernels/samplers.h"

#include <cmath>

void resampleImageKeepingDepth(const Pyramid& source, Pyramid& target, int jobCount) {
    const int sourceWidth = source.width[0];
    const int targetWidth = target.width[0];
    const int targetHeight = target.height[0];
    if (sourceWidth > 0 && targetWidth > 0 && targetHeight > 0 && source.hasTiles() && target.hasTiles()) {
        // The level choice of the 8-bit resample: half a level finer than the
        // size ratio, so that the picture stays sharp.
        double lambda = filterLog2(double(sourceWidth) / double(targetWidth)) - 0.5;
        if (!(lambda >= 0.0)) lambda = 0.0;
        if (lambda > source.lmax) lambda = source.lmax;
        const int level = int(std::floor(lambda));
        const float fraction = float(lambda - level);
        for (int i = 0; i < targetHeight; ++i) {
            const float v = float(2 * i + 1) / float(2 * targetHeight);
            for (int j = 0; j < targetWidth; ++j) {
                const float u = float(2 * j + 1) / float(2 * targetWidth);
                EffectColor c = sampleFast(source, level, fraction, u, v);
                c.coverage = 1.0f;
                writeColor(j, i, target, 0, c);
            }
        }
    }
    rebuildLevels(target, 0, jobCount);
}
