// The square thumbnail: placeholder, capture of the centred square, resample.
#include "effect/thumbnail.h"

bool makeSquareThumbnail(const HostPixelBuffer& buffer, int rectWidth, int rectHeight, Pyramid& thumbnail,
                         WeightTables& weights, MemoryService memory) {
    if (!thumbnail.hasTiles()) return false;
    buildWeightTables(weights);
    fillGreyPlaceholder(thumbnail);
    const int side = rectWidth < rectHeight ? rectWidth : rectHeight;
    if (side < 1) return false;
    const int left = rectWidth / 2 - side / 2;
    const int top = rectHeight / 2 - side / 2;

    Pyramid square;
    square.weights = &weights;
    if (!square.create(memory, side, side, kStoragePacked8, kEdgeClamp)) return false;
    captureHostRect(buffer, PixelRect{top, left, top + side, left + side}, square);
    rebuildLevels(square, 0);
    copyImage(square, thumbnail);
    square.release();
    return true;
}
