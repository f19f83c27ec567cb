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

// Writes the whole document of level 0 of `image` into `out`. With
// `workers`, the rows are encoded on their threads, band by band, and written
// in order on the calling thread; the bytes never depend on the threads.
PsdWriteResult writePsdDocument(const Pyramid& image, const PsdDocumentInfo& info, ByteSink& out,
                                JobProgress* progress = nullptr, JobWorkers* workers = nullptr);
