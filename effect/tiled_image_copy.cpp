// Whole-image operations on tiled images: copy, level rebuilding and the
// grey placeholder.
#include <cstdint>

#include "effect/tiled_image.h"

#include "kernels/pyramid_pixels.h"

void copyLevel(const Pyramid& source, int sourceLevel, Pyramid& target, int targetLevel) {
    if (!source.hasTiles() || !target.hasTiles() || source.storageType != target.storageType) return;
    if (sourceLevel < 0 || sourceLevel > source.lmax || targetLevel < 0 || targetLevel > target.lmax) return;
    const int w = source.width[sourceLevel] < target.width[targetLevel] ? source.width[sourceLevel] : target.width[targetLevel];
    const int h = source.height[sourceLevel] < target.height[targetLevel] ? source.height[sourceLevel] : target.height[targetLevel];
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            writeColor(x, y, target, targetLevel, source.nearestColor(x, y, sourceLevel));
        }
    }
}

void copyImage(const Pyramid& source, Pyramid& target, int jobCount) {
    if (source.width[0] == target.width[0] && source.height[0] == target.height[0]) {
        if (source.hasTiles() && target.hasTiles()) copyLevel(source, 0, target, 0);
        rebuildLevels(target, 0, jobCount);
        return;
    }
    const PixelRect whole{0, 0, source.height[0], source.width[0]};
    const PixelRect targetWhole{0, 0, target.height[0], target.width[0]};
    resampleImage(source, target, whole, targetWhole, 0.5f, jobCount);
}

void rebuildLevels(Pyramid& image, int fromLevel, int jobCount) {
    if (image.edgeMode == kEdgeNoLevels) return;
    buildPyramidLevels(image, fromLevel, jobCount);
}

void fillGreyPlaceholder(Pyramid& target) {
    if (!target.hasTiles()) return;
    for (int r = 0; r < 128; ++r) {
        const uint32_t grey = static_cast<uint32_t>(255 - r);
        for (int c = 0; c < 128; ++c) writePacked8(c, r, target, 0, grey, grey, grey, 255);
    }
}
