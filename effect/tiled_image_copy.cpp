// Whole-image operations on tiled images: copy, level rebuilding and the
// grey placeholder.
#include <cstdint>
#include <cstring>

#include "effect/tiled_image.h"

#include "kernels/pyramid_pixels.h"

void copyLevel(const Pyramid& source, int sourceLevel, Pyramid& target, int targetLevel) {
    if (!source.hasTiles() || !target.hasTiles() || source.storageType != target.storageType) return;
    if (sourceLevel < 0 || sourceLevel > source.lmax || targetLevel < 0 || targetLevel > target.lmax) return;
    const int w = source.width[sourceLevel] < target.width[targetLevel] ? source.width[sourceLevel] : target.width[targetLevel];
    const int h = source.height[sourceLevel] < target.height[targetLevel] ? source.height[sourceLevel] : target.height[targetLevel];
    // Types 3, 4 and 9 come back from a colour exactly as they were stored
    // (x / 255 x 255, x / 32768 x 32768 and floats are exact): their bytes
    // are copied as they are, a tile row at a time.
    const int type = source.storageType;
    if (type == kStoragePacked8 || type == kStorageRgba16 || type == kStorageFloat4) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; x += kTileSize) {
                const int count = w - x < kTileSize ? w - x : kTileSize;
                std::memcpy(target.pixelInside(targetLevel, x, y), source.pixelInside(sourceLevel, x, y),
                            size_t(count) * size_t(source.bytesPerPixel));
            }
        return;
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            writeColor(x, y, target, targetLevel, source.nearestColor(x, y, sourceLevel));
        }
    }
}

void copyLevelRows(const Pyramid& source, Pyramid& band, int32_t first, int32_t count) {
    if (!source.hasTiles() || !band.hasTiles() || source.storageType != band.storageType) return;
    const int w = source.width[0] < band.width[0] ? source.width[0] : band.width[0];
    const int last = first + count < source.height[0] ? first + count : source.height[0];
    const int type = source.storageType;
    const bool exact = type == kStoragePacked8 || type == kStorageRgba16 || type == kStorageFloat4;
    for (int y = first; y < last && y - first < band.height[0]; ++y) {
        if (!exact) {
            for (int x = 0; x < w; ++x) writeColor(x, y - first, band, 0, source.nearestColor(x, y, 0));
            continue;
        }
        // The same bytes copyLevel copies, a tile's part of the row at a time.
        for (int x = 0; x < w; x += kTileSize) {
            const int n = w - x < kTileSize ? w - x : kTileSize;
            std::memcpy(band.pixelInside(0, x, y - first), source.pixelInside(0, x, y),
                        size_t(n) * size_t(source.bytesPerPixel));
        }
    }
}

void copyImage(const Pyramid& source, Pyramid& target, int jobCount, JobWorkers* workers) {
    if (source.width[0] == target.width[0] && source.height[0] == target.height[0]) {
        if (source.hasTiles() && target.hasTiles()) copyLevel(source, 0, target, 0);
        rebuildLevels(target, 0, jobCount);
        return;
    }
    const PixelRect whole{0, 0, source.height[0], source.width[0]};
    const PixelRect targetWhole{0, 0, target.height[0], target.width[0]};
    resampleImage(source, target, whole, targetWhole, 0.5f, jobCount, workers);
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
