// The pixel planes of the layered document: rows read straight from the
// tiles of level 0, encoded in bands on the workers while the band before
// is written, so that the file's writing overlaps the encoding.
#include "export/psd_sections.h"

#include "kernels/jobs.h"
#include "kernels/pyramid_pixels.h"

#include <algorithm>

namespace {

constexpr int kPlaneOrderLayer[4] = {3, 0, 1, 2};  // transparency, red, green, blue
constexpr int kPlaneOrderMerged[4] = {0, 1, 2, 3};
// Rows encoded at once; two bands are held, the one being written and the
// one being encoded.
constexpr int32_t kBandRows = 64;

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

// One row of a plane as the file stores it, tile by tile along the row.
void encodeRow(const Pyramid& image, const PsdPlane& what, int32_t y, uint8_t* o) {
    if (what.plane == kPsdOpaquePlane) {
        std::fill(o, o + size_t(image.width[0]) * 2, uint8_t(0xFF));
        return;
    }
    const int tilesAcross = image.tilesPerRow[0];
    const PyramidTile* tile = image.tiles + image.firstTile[0] + tilesAcross * (y >> kTileShift);
    for (int t = 0; t < tilesAcross; ++t, ++tile) {
        const auto* row = static_cast<const uint8_t*>(tile->memory.data) +
                          int64_t(y & kTileMask) * tile->width * image.bytesPerPixel;
        o = encodeRun(what, row, tile->left, y, tile->width, o);
    }
}

// One band: its plane, its rows and where its encoded bytes go.
struct Band {
    const Pyramid* image = nullptr;
    PsdPlane plane;
    bool startsPlane = false;  // the compression code goes before its rows (layer planes)
    int32_t firstRow = 0, rows = 0;
    size_t rowBytes = 0;
    uint8_t* bytes = nullptr;
    ByteSink* out = nullptr;
};

void encodeBandRows(const Job& job) {
    const Band& band = *static_cast<const Band*>(job.owner);
    for (int32_t r = job.rect.top; r < job.rect.bottom; ++r)
        encodeRow(*band.image, band.plane, band.firstRow + r, band.bytes + size_t(r) * band.rowBytes);
}

void writeBand(const Job& job) {
    const Band& band = *static_cast<const Band*>(job.owner);
    if (band.startsPlane) band.out->put16(0);
    band.out->write(band.bytes, band.rowBytes * size_t(band.rows));
}

}  // namespace

PsdPlaneWriter::PsdPlaneWriter(const Pyramid& image, int32_t bytesPerChannel, ByteSink& out, JobProgress* progress,
                               JobWorkers* workers)
    : image_(image), bytesPerChannel_(bytesPerChannel), out_(out), progress_(progress), workers_(workers) {
    const int32_t mergedPlanes = bytesPerChannel == 2 ? 5 : 4;
    total_ = int64_t(image.height[0]) * (4 + mergedPlanes);
    const size_t bandBytes = size_t(image.width[0]) * size_t(bytesPerChannel) *
                             size_t(std::min(image.height[0], kBandRows));
    for (auto& buffer : buffers_) buffer.resize(bandBytes);
}

bool PsdPlaneWriter::layerChannels() {
    PsdPlane planes[4];
    for (int i = 0; i < 4; ++i) planes[i] = PsdPlane{bytesPerChannel_, kPlaneOrderLayer[i], false};
    return writePlanes(planes, 4, true);
}

bool PsdPlaneWriter::mergedImage() {
    out_.put16(0);
    PsdPlane planes[5];
    int count = 0;
    for (int plane : kPlaneOrderMerged) planes[count++] = PsdPlane{bytesPerChannel_, plane, true};
    // A 16-bit document's four merged planes are followed by an opaque one.
    if (bytesPerChannel_ == 2) planes[count++] = PsdPlane{bytesPerChannel_, kPsdOpaquePlane, true};
    return writePlanes(planes, count, false);
}

// Band k is encoded (on every thread but the one that writes) while band
// k - 1 is written by one job of the same batch; the writes keep their
// order, so the bytes never depend on the threads. Progress and stops are
// asked on the calling thread, row by row, once a band is written.
bool PsdPlaneWriter::writePlanes(const PsdPlane* planes, int planeCount, bool codePerPlane) {
    const int32_t height = image_.height[0];
    const size_t rowBytes = size_t(image_.width[0]) * size_t(bytesPerChannel_);
    const int threads = workers_ ? workers_->concurrency() : 1;
    Band bands[2];
    int current = 0;
    bool pending = false;  // bands[1 - current] holds encoded rows not yet written
    auto step = [&](const Band* next) {
        Job jobs[kMaxJobs];
        int made = 0;
        if (pending) {
            Job& write = jobs[made++];
            write.kind = kJobImageRect;
            write.owner = &bands[1 - current];
            write.routine = writeBand;
        }
        if (next) {
            Job pattern;
            pattern.kind = kJobImageRect;
            pattern.owner = const_cast<Band*>(next);
            pattern.image = &image_;
            pattern.routine = encodeBandRows;
            made += splitBandJobs(pattern, PixelRect{0, 0, next->rows, 1}, std::min(threads * 4, kMaxJobs - 1),
                                  jobs + made);
        }
        runJobsOn(threads > 1 ? workers_ : nullptr, jobs, made);
        if (!pending) return true;
        if (out_.failed()) return false;
        for (int32_t r = 0; r < bands[1 - current].rows; ++r) {
            ++done_;
            if (progress_ && !progress_->report(done_, total_)) {
                cancelled_ = true;
                return false;
            }
        }
        return true;
    };
    for (int p = 0; p < planeCount; ++p) {
        for (int32_t first = 0; first < height; first += kBandRows) {
            Band& band = bands[current];
            band = Band{&image_, planes[p], codePerPlane && first == 0, first, std::min(kBandRows, height - first),
                        rowBytes, buffers_[current].data(), &out_};
            if (!step(&band)) return false;
            pending = true;
            current = 1 - current;
        }
    }
    return !pending || step(nullptr);
}
