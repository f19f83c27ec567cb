// The pixel planes of the layered document: rows read straight from the
// tiles of level 0 and encoded plane by plane, each plane's rows written at
// their place in the file.
#include "export/psd_sections.h"

#include "kernels/jobs.h"
#include "kernels/pyramid_pixels.h"

#include <algorithm>

namespace {

inline uint8_t* put16(uint8_t* o, uint32_t v) {
    o[0] = uint8_t(v >> 8);
    o[1] = uint8_t(v);
    return o + 2;
}

inline uint8_t* put32(uint8_t* o, uint32_t v) {
    o[0] = uint8_t(v >> 24);
    o[1] = uint8_t(v >> 16);
    o[2] = uint8_t(v >> 8);
    o[3] = uint8_t(v);
    return o + 4;
}

// The stored 16-bit values above full scale count as full.
inline uint32_t full16(const uint8_t* p) { return std::min<uint32_t>(loadU16(p), 32768); }

// `count` pixels of one tile row starting at image column x, into the
// file's samples of `plane`.
uint8_t* encodeRun(const PsdPlane& what, const uint8_t* p, int32_t x, int32_t y, int32_t count, uint8_t* o) {
    const int plane = what.plane;
    const int32_t end = x + count;
    switch (what.bytesPerChannel) {
        case 1: {
            const int shift = 24 - 8 * plane;  // the packed word: red in its top byte
            if (!what.merged) {
                for (; x < end; ++x, p += 4) *o++ = uint8_t(loadU32(p) >> shift);
            } else {
                for (; x < end; ++x, p += 4) {
                    const uint32_t word = loadU32(p);
                    *o++ = psdMerged8((word >> shift) & 0xFF, word & 0xFF, x, y);
                }
            }
            return o;
        }
        case 2:
            if (!what.merged) {
                for (; x < end; ++x, p += 8) o = put16(o, psdFile16(full16(p + 2 * plane)));
            } else if (plane == 3) {
                std::fill(o, o + 2 * size_t(count), uint8_t(0xFF));  // the merged transparency: opaque
                o += 2 * size_t(count);
            } else {
                for (; x < end; ++x, p += 8)
                    o = put16(o, psdFile16(psdMerged16(full16(p + 2 * plane), full16(p + 6), x, y)));
            }
            return o;
        default:  // floats as they are stored, in the layer and in the merged image
            for (; x < end; ++x, p += 16) o = put32(o, loadU32(p + 4 * plane));
            return o;
    }
}

// Document row y of a plane as the file stores it, tile by tile along row
// y - rowsTop of `image`.
void encodeRow(const Pyramid& image, int32_t rowsTop, const PsdPlane& what, int32_t y, uint8_t* o) {
    if (what.plane == kPsdOpaquePlane) {
        std::fill(o, o + size_t(image.width[0]) * 2, uint8_t(0xFF));
        return;
    }
    const int32_t imageRow = y - rowsTop;
    const int tilesAcross = image.tilesPerRow[0];
    const PyramidTile* tile = image.tiles + image.firstTile[0] + tilesAcross * (imageRow >> kTileShift);
    for (int t = 0; t < tilesAcross; ++t, ++tile) {
        const auto* row = static_cast<const uint8_t*>(tile->memory.data) +
                          int64_t(imageRow & kTileMask) * tile->width * image.bytesPerPixel;
        o = encodeRun(what, row, tile->left, y, tile->width, o);
    }
}

// What the encoding jobs of one plane share.
struct PlaneRows {
    const Pyramid* image = nullptr;
    int32_t rowsTop = 0;
    PsdPlane plane;
    int32_t first = 0;
    size_t rowBytes = 0;
    uint8_t* bytes = nullptr;
};

void encodePlaneRows(const Job& job) {
    const PlaneRows& rows = *static_cast<const PlaneRows*>(job.owner);
    for (int32_t r = job.rect.top; r < job.rect.bottom; ++r)
        encodeRow(*rows.image, rows.rowsTop, rows.plane, rows.first + r, rows.bytes + size_t(r) * rows.rowBytes);
}

}  // namespace

bool PsdRowWriter::write(const Pyramid& rows, int32_t rowsTop, int32_t first, int32_t count, ByteSink& out,
                         JobWorkers* workers) {
    const size_t rowBytes = placement_.rowBytes();
    encoded_.resize(rowBytes * size_t(count));
    const int threads = workers ? workers->concurrency() : 1;
    for (int p = 0; p < placement_.planeCount && !out.failed(); ++p) {
        PlaneRows plane{&rows, rowsTop, placement_.planes[p], first, rowBytes, encoded_.data()};
        Job pattern;
        pattern.kind = kJobImageRect;
        pattern.owner = &plane;
        pattern.image = &rows;
        pattern.routine = encodePlaneRows;
        Job jobs[kMaxJobs];
        const int made = splitBandJobs(pattern, PixelRect{0, 0, count, 1}, std::min(threads * 4, kMaxJobs), jobs);
        runJobsOn(threads > 1 ? workers : nullptr, jobs, made);
        out.writeAt(placement_.firstRowAt[p] + uint64_t(first) * rowBytes, encoded_.data(), rowBytes * size_t(count));
    }
    return !out.failed();
}
