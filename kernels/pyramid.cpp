// The image pyramid's layout, lifecycle and single-pixel reads.
#include "kernels/pyramid.h"

#include <cstdint>

#include "kernels/pyramid_pixels.h"

StorageInfo storageInfo(int storageType) {
    switch (storageType) {
    case kStorageGrey8: return {1, 1, 255.0f};
    case kStorageGrey16: return {2, 1, 32768.0f};
    case kStorageWord16: return {2, 1, 1.0f};
    case kStoragePacked8: return {4, 4, 255.0f};
    case kStorageRgba16: return {8, 4, 32768.0f};
    case kStorageFloat1: return {4, 1, 1.0f};
    case kStorageRgb16: return {6, 3, 1.0f};
    case kStorageFloat4: return {16, 4, 1.0f};
    default: return {};
    }
}

namespace {

// Halved and rounded up; a result above 2 that is odd grows by one.
int reducedSize(int size) {
    int half = size / 2 + (size & 1);
    if (half > 2 && (half & 1)) ++half;
    return half;
}

int tilesAcross(int size) { return size / kTileSize + ((size % kTileSize) != 0 ? 1 : 0); }

bool allocateBlock(const MemoryService& service, size_t bytes, size_t alignment, MemoryBlock& block,
                   bool uncleared = false) {
    block = MemoryBlock{};
    const auto allocate = uncleared && service.allocateUncleared ? service.allocateUncleared : service.allocate;
    if (!allocate(service.context, bytes, &block)) {
        block = MemoryBlock{};
        return false;
    }
    // A misaligned block would make the typed reads undefined: treat it as a failure.
    if (block.data == nullptr || reinterpret_cast<uintptr_t>(block.data) % alignment != 0) {
        if (block.data != nullptr) service.release(service.context, &block);
        block = MemoryBlock{};
        return false;
    }
    return true;
}

}  // namespace

bool Pyramid::create(MemoryService service, int imageWidth, int imageHeight, int type, int edge) {
    return layOut(service, imageWidth, imageHeight, type, edge) && allocateTiles(plannedTiles);
}

bool Pyramid::layOut(MemoryService service, int imageWidth, int imageHeight, int type, int edge) {
    release();
    const StorageInfo info = storageInfo(type);
    if (imageWidth < 1 || imageHeight < 1 || info.bytesPerPixel == 0) return false;
    if (edge != kEdgeNoLevels && edge != kEdgeClamp && edge != kEdgeWrap && edge != kEdgeWrapHorizontal) return false;
    if (service.allocate == nullptr || service.release == nullptr) return false;
    if (static_cast<int64_t>(imageWidth) * imageHeight * info.bytesPerPixel > kMaxLevelBytes) return false;

    // Level sizes: after a 1 x 1 level (from level 1 on) the rest are empty.
    // An image whose levels are never built has level 0 only, and no
    // memory for the others.
    int levelWidth[kPyramidLevels] = {};
    int levelHeight[kPyramidLevels] = {};
    levelWidth[0] = imageWidth;
    levelHeight[0] = imageHeight;
    int top = 0;
    for (int n = 1; n < kPyramidLevels && edge != kEdgeNoLevels; ++n) {
        if (n - 1 >= 1 && levelWidth[n - 1] == 1 && levelHeight[n - 1] == 1) break;
        levelWidth[n] = reducedSize(levelWidth[n - 1]);
        levelHeight[n] = reducedSize(levelHeight[n - 1]);
        top = n;
    }

    int64_t totalTiles = 0;
    int levelFirstTile[kPyramidLevels] = {};
    for (int n = 0; n <= top; ++n) {
        levelFirstTile[n] = static_cast<int>(totalTiles);
        totalTiles += static_cast<int64_t>(tilesAcross(levelWidth[n])) * tilesAcross(levelHeight[n]);
    }

    MemoryBlock table;
    if (!allocateBlock(service, static_cast<size_t>(totalTiles) * sizeof(PyramidTile), alignof(PyramidTile), table)) {
        return false;
    }
    memory = service;
    tileTable = table;
    tiles = static_cast<PyramidTile*>(table.data);
    plannedTiles = static_cast<int>(totalTiles);

    // Every tile's place and size now; its memory comes with allocateTiles.
    int t = 0;
    for (int n = 0; n <= top; ++n) {
        const int across = tilesAcross(levelWidth[n]);
        const int down = tilesAcross(levelHeight[n]);
        for (int row = 0; row < down; ++row) {
            for (int column = 0; column < across; ++column) {
                PyramidTile& tile = tiles[t++];
                tile = PyramidTile{};
                tile.left = column * kTileSize;
                tile.top = row * kTileSize;
                tile.width = column == across - 1 ? ((levelWidth[n] + kTileMask) % kTileSize) + 1 : kTileSize;
                tile.height = row == down - 1 ? ((levelHeight[n] + kTileMask) % kTileSize) + 1 : kTileSize;
            }
        }
    }

    for (int n = 0; n < kPyramidLevels; ++n) {
        const bool present = n <= top;
        width[n] = present ? levelWidth[n] : 0;
        height[n] = present ? levelHeight[n] : 0;
        lastColumn[n] = present ? width[n] - 1 : 0;
        lastRow[n] = present ? height[n] - 1 : 0;
        inverseWidth[n] = present ? 1.0f / static_cast<float>(width[n]) : 0.0f;
        inverseHeight[n] = present ? 1.0f / static_cast<float>(height[n]) : 0.0f;
        firstTile[n] = present ? levelFirstTile[n] : 0;
        tilesPerRow[n] = present ? tilesAcross(width[n]) : 0;
        tileRows[n] = present ? tilesAcross(height[n]) : 0;
    }
    lmax = top;
    storageType = type;
    bytesPerPixel = info.bytesPerPixel;
    fullScale = info.fullScale;
    inverseFullScale = 1.0f / info.fullScale;
    edgeMode = edge;
    coordinateMode = kCoordinateClamp;
    buildState = kBuildCreated;
    return true;
}

bool Pyramid::allocateTiles(int upTo, bool writtenBeforeRead) {
    if (tiles == nullptr) return false;
    if (upTo > plannedTiles) upTo = plannedTiles;
    // A row of tiles at a time, in level order: one block per row (a few
    // megabytes, which a host can back with huge pages, where single tiles
    // would each cost hundreds of page faults). The row's first tile holds
    // the block and the others point into it; tileCount counts the tiles
    // that have memory, so that release() frees exactly the rows taken.
    const auto tileBytes = [this](const PyramidTile& tile) {
        return static_cast<size_t>(tile.width) * tile.height * bytesPerPixel;
    };
    while (tileCount < upTo) {
        const int first = tileCount;
        int end = first + 1;
        while (end < plannedTiles && tiles[end].left != 0) ++end;
        size_t bytes = 0;
        for (int t = first; t < end; ++t) bytes += tileBytes(tiles[t]);
        MemoryBlock row;
        if (!allocateBlock(memory, bytes, 16, row, writtenBeforeRead)) {
            release();
            return false;
        }
        auto* at = static_cast<uint8_t*>(row.data);
        for (int t = first; t < end; ++t) {
            tiles[t].memory = MemoryBlock{at, nullptr};
            at += tileBytes(tiles[t]);
        }
        tiles[first].memory = row;
        tileCount = end;
    }
    return true;
}

void Pyramid::release() {
    if (tiles != nullptr) {
        // Each row's block is held by its first tile (the one at the left edge).
        for (int t = 0; t < tileCount; ++t)
            if (tiles[t].left == 0) memory.release(memory.context, &tiles[t].memory);
    }
    if (tileTable.data != nullptr) memory.release(memory.context, &tileTable);
    tileTable = MemoryBlock{};
    tiles = nullptr;
    tileCount = 0;
    plannedTiles = 0;
    for (int n = 0; n < kPyramidLevels; ++n) {
        width[n] = height[n] = lastColumn[n] = lastRow[n] = 0;
        inverseWidth[n] = inverseHeight[n] = 0;
        firstTile[n] = tilesPerRow[n] = tileRows[n] = 0;
    }
    lmax = 0;
    buildState = kBuildCreated;
}

int Pyramid::levelTileCount(int level) const {
    if (!hasTiles() || level < 0 || level > lmax) return 0;
    return tilesPerRow[level] * tileRows[level];
}

const PyramidTile* Pyramid::levelTile(int level, int index) const {
    if (index < 0 || index >= levelTileCount(level)) return nullptr;
    return &tiles[firstTile[level] + index];
}

PixelRect Pyramid::tileRect(const PyramidTile& tile) const {
    return PixelRect{tile.top, tile.left, tile.top + tile.height, tile.left + tile.width};
}

uint8_t* Pyramid::pixelAt(int level, int x, int y) const {
    if (!hasTiles()) return nullptr;
    if (level < 0) level = 0;
    if (level > lmax) level = lmax;
    if (x < 0) x = 0;
    if (x > lastColumn[level]) x = lastColumn[level];
    if (y < 0) y = 0;
    if (y > lastRow[level]) y = lastRow[level];
    return pixelInside(level, x, y);
}

EffectColor Pyramid::nearestColor(int x, int y, int level) const {
    const uint8_t* p = pixelAt(level, x, y);
    if (p == nullptr) return EffectColor{};
    return pixelColor(*this, p);
}

namespace {
// Coordinate mode 3; NaN counts as 0 so that no later conversion is undefined.
float clampUnit(float v) {
    if (!(v >= 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}
}  // namespace

EffectColor Pyramid::bilinearColor(float x, float y, int level) const {
    if (!hasTiles()) return EffectColor{};
    if (level < 0) level = 0;
    if (level > lmax) level = lmax;
    const float w = static_cast<float>(width[level]);
    const float h = static_cast<float>(height[level]);
    const float x0 = clampUnit(x);
    const float y0 = clampUnit(y);
    const float x1 = clampUnit(x + inverseWidth[level]);
    const float y1 = clampUnit(y + inverseHeight[level]);

    const float px = w * x0 - 0.5f;
    const float py = h * y0 - 0.5f;
    const int column0 = static_cast<int>(px);
    const int row0 = static_cast<int>(py);
    const int column1 = static_cast<int>(w * x1 - 0.5f);
    const int row1 = static_cast<int>(h * y1 - 0.5f);
    const float fx = px - static_cast<float>(column0);
    const float fy = py - static_cast<float>(row0);

    const EffectColor a = nearestColor(column0, row0, level);
    const EffectColor b = nearestColor(column1, row0, level);
    const EffectColor c = nearestColor(column0, row1, level);
    const EffectColor d = nearestColor(column1, row1, level);
    auto lerp = [](float p, float q, float f) { return p + (q - p) * f; };
    EffectColor result;
    result.red = lerp(lerp(a.red, b.red, fx), lerp(c.red, d.red, fx), fy);
    result.green = lerp(lerp(a.green, b.green, fx), lerp(c.green, d.green, fx), fy);
    result.blue = lerp(lerp(a.blue, b.blue, fx), lerp(c.blue, d.blue, fx), fy);
    result.coverage = lerp(lerp(a.coverage, b.coverage, fx), lerp(c.coverage, d.coverage, fx), fy);
    return result;
}
