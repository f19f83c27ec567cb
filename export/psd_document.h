// The layered document in the Photoshop file format: one layer "layer 1"
// with transparency and a flattened composite, at 8, 16 or 32 bits per
// channel, with the image resources that identify the product.
#pragma once

#include "export/byte_sink.h"
#include "kernels/job_workers.h"
#include "kernels/pyramid.h"
#include "model/job_progress.h"
#include "platform/utc_date.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// What the document carries besides the pixels.
struct PsdDocumentInfo {
    int32_t bytesPerChannel = 1;  // 1, 2 or 4; the image's storage must match (types 3, 4, 9)
    // Settings that choose the IPTC keywords.
    int32_t vignette = 0, sepia = 0, glue = 1;
    const uint8_t* iccProfile = nullptr;  // the host's profile when it offers one and allows its use
    size_t iccProfileBytes = 0;
    const UtcDate* date = nullptr;  // the IPTC date; null: today
};

enum PsdWriteResult : int32_t {
    kPsdWritten = 0,
    kPsdBadImage = 1,     // no pixels, or a storage type that does not match the depth
    kPsdTooLarge = 2,     // a section would not fit its 32-bit length
    kPsdCancelled = 3,
    kPsdWriteFailed = 4,  // the sink did not take every byte
};

inline constexpr const char* kPsdLayerName = "layer 1";

// The storage type of the working image for a depth: 3, 4 or 9 (-1 otherwise).
int psdStorageTypeFor(int32_t bytesPerChannel);

// One plane of the file: the layer's channel (raw samples) or the merged
// image's (composited over the checkerboard); plane 0..3 is red, green,
// blue, transparency.
inline constexpr int kPsdOpaquePlane = 4;  // the merged 16-bit image's fifth plane, 65535 throughout
struct PsdPlane {
    int32_t bytesPerChannel = 1;
    int plane = 0;
    bool merged = false;
};

// The planes are stored uncompressed, so every row's place in the file is
// known before any pixel is: the frame of the document is written first
// with room left for the rows, which then go to their places in any order.
inline constexpr int kPsdMaxPlanes = 9;  // four in the layer, up to five merged
struct PsdPlacement {
    int32_t bytesPerChannel = 1;
    int32_t width = 0, height = 0;
    int planeCount = 0;
    PsdPlane planes[kPsdMaxPlanes];
    uint64_t firstRowAt[kPsdMaxPlanes] = {};  // the file offset of each plane's row 0
    size_t rowBytes() const { return size_t(width) * size_t(bytesPerChannel); }
};

// Writes everything of a width x height document but its pixel rows, whose
// bytes are skipped, and notes where the rows go. kPsdBadImage for a depth
// other than 1, 2 or 4 or an empty size, kPsdTooLarge, kPsdWriteFailed.
PsdWriteResult writePsdFrame(const PsdDocumentInfo& info, int32_t width, int32_t height, ByteSink& out,
                             PsdPlacement& placement);

// Encodes rows of the image into every plane and writes them at their places.
class PsdRowWriter {
public:
    explicit PsdRowWriter(const PsdPlacement& placement) : placement_(placement) {}
    // Document rows first .. first + count - 1, read from level 0 of `rows`,
    // whose row 0 is document row `rowsTop` (its width and storage those of
    // the document). With `workers`, each plane's rows are encoded on their
    // threads; the bytes never depend on the threads. False once the sink
    // failed.
    bool write(const Pyramid& rows, int32_t rowsTop, int32_t first, int32_t count, ByteSink& out,
               JobWorkers* workers = nullptr);

private:
    PsdPlacement placement_;
    std::vector<uint8_t> encoded_;  // one plane's rows, reused
};

// Writes the whole document of level 0 of `image` into `out`: the frame,
// then the rows a band at a time, each reported to `progress`, which may
// stop the writing. With `workers`, the rows are encoded on their threads.
PsdWriteResult writePsdDocument(const Pyramid& image, const PsdDocumentInfo& info, ByteSink& out,
                                JobProgress* progress = nullptr, JobWorkers* workers = nullptr);
