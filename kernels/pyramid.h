// The image pyramid: level 0 at full size and up to 19 reduced levels, all
// stored in 512 x 512 tiles of one pixel storage type.
#pragma once

#include <cstdint>

#include "kernels/effect_color.h"
#include "platform/memory_service.h"

struct WeightTables;

// Pixel storage types. 6, 8 and numbers above 9 are not storage types.
enum StorageType : int {
    kStorageGrey8 = 0,    // one 8-bit channel, full scale 255
    kStorageGrey16 = 1,   // one 16-bit channel, full scale 32768
    kStorageWord16 = 2,   // one 16-bit channel, full scale 1
    kStoragePacked8 = 3,  // packed 32-bit word: red 24..31, green 16..23, blue 8..15, coverage 0..7
    kStorageRgba16 = 4,   // four 16-bit channels on the 0..32768 scale
    kStorageFloat1 = 5,   // one 32-bit float channel
    kStorageRgb16 = 7,    // three 16-bit channels, full scale 1
    kStorageFloat4 = 9,   // four 32-bit floats
};

struct StorageInfo {
    int bytesPerPixel = 0;  // 0: not a storage type
    int channels = 0;
    float fullScale = 0;
};
StorageInfo storageInfo(int storageType);

// Edge modes of the sampling kernels; -1 marks an image whose reduced levels
// are never built (it has level 0 only: lmax is 0).
enum EdgeMode : int { kEdgeNoLevels = -1, kEdgeClamp = 0, kEdgeWrap = 1, kEdgeWrapHorizontal = 2 };
// The bilinear reader's coordinate mode: clamp into [0, 1].
constexpr int kCoordinateClamp = 3;

enum BuildState : int { kBuildCreated = 0, kBuildFull = 2, kBuildRefreshed = 3 };

constexpr int kPyramidLevels = 20;
constexpr int kTileSize = 512;
constexpr int kTileShift = 9;
constexpr int kTileMask = 511;
// Level 0 may hold at most this many bytes, so that every byte count and
// pixel offset of the image fits a signed 32-bit integer.
constexpr int64_t kMaxLevelBytes = 0x7FFFFFFF;

// A rectangle of pixels, right and bottom excluded (the host's order of fields).
struct PixelRect {
    int top = 0, left = 0, bottom = 0, right = 0;
};

struct PyramidTile {
    MemoryBlock memory;  // width * height pixels, row by row
    int width = 0;       // also the row stride in pixels
    int height = 0;
    int left = 0;        // image coordinates of the top-left pixel (multiples of 512)
    int top = 0;
};

// The record carries its own lifecycle and reads; the reduce arithmetic and
// the samplers are free functions over it. Levels above lmax have size 0.
struct Pyramid {
    int width[kPyramidLevels] = {};
    int height[kPyramidLevels] = {};
    int lastColumn[kPyramidLevels] = {};
    int lastRow[kPyramidLevels] = {};
    float inverseWidth[kPyramidLevels] = {};
    float inverseHeight[kPyramidLevels] = {};
    int firstTile[kPyramidLevels] = {};
    int tilesPerRow[kPyramidLevels] = {};
    int tileRows[kPyramidLevels] = {};
    int lmax = 0;

    PyramidTile* tiles = nullptr;  // every level's tiles, in level order, row of tiles by row
    int tileCount = 0;             // tiles holding memory: the first tileCount of plannedTiles, whole rows
    int plannedTiles = 0;
    MemoryBlock tileTable;

    int storageType = kStoragePacked8;
    int bytesPerPixel = 0;
    float fullScale = 1;
    float inverseFullScale = 1;
    int edgeMode = kEdgeClamp;
    int coordinateMode = kCoordinateClamp;
    const WeightTables* weights = nullptr;  // shared by all pyramids of a run; set by the owner
    int buildState = kBuildCreated;
    MemoryService memory;

    Pyramid() = default;
    Pyramid(const Pyramid&) = delete;
    Pyramid& operator=(const Pyramid&) = delete;
    ~Pyramid() { release(); }

    // Releases what the record held, then lays out the levels and allocates
    // every tile through `service`. False (and an empty record) for a size
    // below 1 x 1, an unknown storage type or edge mode, a level 0 above
    // kMaxLevelBytes, or any failed allocation. The weights pointer is kept.
    bool create(MemoryService service, int imageWidth, int imageHeight, int type, int edge);
    // The same in two parts, so that a large image's memory can be taken a
    // row of tiles at a time: layOut sets the sizes and the tile table (no
    // tile memory yet; false on the same conditions as create), allocateTiles
    // gives memory to whole rows of tiles in level order until at least
    // `upTo` tiles hold it (false, and an empty record, when an allocation
    // fails). Tiles are zero-filled unless the owner writes every pixel of
    // every level before the first read (`writtenBeforeRead`), as the
    // filter's source is.
    bool layOut(MemoryService service, int imageWidth, int imageHeight, int type, int edge);
    bool allocateTiles(int upTo, bool writtenBeforeRead = false);
    // Frees every tile and the tile table. Harmless on an empty record.
    void release();
    // Every tile holds memory: only then may the image be read or written.
    bool hasTiles() const { return tileCount > 0 && tileCount == plannedTiles; }

    // Tiles of one level, for tile-by-tile filling of level 0 (0 for a level out of range).
    int levelTileCount(int level) const;
    const PyramidTile* levelTile(int level, int index) const;  // null when out of range
    PixelRect tileRect(const PyramidTile& tile) const;

    // The pixel's bytes, with x and y clamped into the level and the level
    // into [0, lmax]; null without tiles.
    uint8_t* pixelAt(int level, int x, int y) const;
    // Same without clamping: x, y must lie in the level and the level in [0, lmax].
    uint8_t* pixelInside(int level, int x, int y) const {
        const PyramidTile& tile = tiles[firstTile[level] + (x >> kTileShift) + tilesPerRow[level] * (y >> kTileShift)];
        return static_cast<uint8_t*>(tile.memory.data) +
               static_cast<int64_t>((x & kTileMask) + (y & kTileMask) * tile.width) * bytesPerPixel;
    }

    // Four channels as floats scaled to full intensity 1 (single-channel types:
    // the channel in red, green and blue, 1 in coverage). Coordinates and the
    // level are clamped; zero without tiles.
    EffectColor nearestColor(int x, int y, int level) const;
    // Bilinear read at normalised (x, y): clamps into [0, 1], interpolates the
    // four nearest pixels of the level.
    EffectColor bilinearColor(float x, float y, int level) const;
};

class JobWorkers;

// Reduces the rectangle `rect` of level `level` + 1 from level `level`
// (types 3, 4 and 9; other types and out-of-range levels change nothing).
void reducePyramidLevel(Pyramid& pyramid, int level, PixelRect rect);
// The plain per-sample reduce that the fast path must match; kept for tests.
void reducePyramidLevelReference(Pyramid& pyramid, int level, PixelRect rect);

// Reduces every level fromLevel .. lmax - 1 whole, in increasing order, each
// level as band jobs of kind -1000 over `jobCount` jobs (1 is the reference;
// the result does not depend on it), run on `workers` when given (else on
// threads of their own). Sets the build state to 2. The full build (from
// level 0) does nothing for an image of edge mode -1.
void buildPyramidLevels(Pyramid& pyramid, int fromLevel, int jobCount = 1, JobWorkers* workers = nullptr);

// Reduces rows firstRow .. endRow - 1 of level `level` + 1 from level
// `level`, as band jobs like a whole level of buildPyramidLevels (the result
// does not depend on how a level is cut into rows). False, with nothing
// done, when the level cannot be reduced (no tiles, out of range, a type
// without a reduce); buildPyramidLevels stops there.
bool reducePyramidRows(Pyramid& pyramid, int level, int firstRow, int endRow, int jobCount = 1,
                       JobWorkers* workers = nullptr);

// Propagates a changed rectangle of level fromLevel upward, up to level
// toLevel, widening by two pixels per level. Sets the build state to 3.
void refreshPyramid(Pyramid& pyramid, PixelRect rect, int fromLevel, int toLevel);
