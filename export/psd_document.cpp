// The layered document, section by section: header, colour mode data,
// image resources, layer and mask information, merged image data.
#include "export/psd_document.h"

#include "export/psd_sections.h"
#include "kernels/jobs.h"
#include "kernels/pyramid_pixels.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kPlaneOrderLayer[4] = {3, 0, 1, 2};  // transparency, red, green, blue
constexpr int kPlaneOrderMerged[4] = {0, 1, 2, 3};
// Rows encoded at once, on the workers, before they are written in order.
constexpr int32_t kBandRows = 64;

// One pixel of level 0 as four 32-bit values: bytes (type 3), 0..32768
// values (type 4) or float bits (type 9).
void readPixel(const Pyramid& image, int32_t x, int32_t y, uint32_t (&out)[4]) {
    storedChannels(image.storageType, image.pixelInside(0, x, y), out);
    if (image.storageType == kStorageRgba16)
        for (int c = 0; c < 4; ++c) out[c] = std::min<uint32_t>(out[c], 32768);
}

uint8_t* putSample(uint8_t* o, uint32_t v, int32_t bytesPerChannel) {
    switch (bytesPerChannel) {
        case 1: *o++ = uint8_t(v); break;
        case 2:
            *o++ = uint8_t(v >> 8);
            *o++ = uint8_t(v);
            break;
        default:
            *o++ = uint8_t(v >> 24);
            *o++ = uint8_t(v >> 16);
            *o++ = uint8_t(v >> 8);
            *o++ = uint8_t(v);
            break;
    }
    return o;
}

// One row of one plane as the file stores it: the layer's plane (raw
// samples) or the merged image's (composited over the checkerboard).
void encodeRow(const Pyramid& image, int32_t bytesPerChannel, int plane, bool merged, int32_t y, uint8_t* o) {
    const int32_t width = image.width[0];
    uint32_t pixel[4];
    for (int32_t x = 0; x < width; ++x) {
        readPixel(image, x, y, pixel);
        const uint32_t alpha = pixel[3];
        if (!merged) o = putSample(o, bytesPerChannel == 2 ? psdFile16(pixel[plane]) : pixel[plane], bytesPerChannel);
        else if (bytesPerChannel == 4) o = putSample(o, pixel[plane], 4);
        else if (bytesPerChannel == 1) o = putSample(o, psdMerged8(pixel[plane], alpha, x, y), 1);
        else if (plane == 3) o = putSample(o, 65535, 2);
        else o = putSample(o, psdFile16(psdMerged16(pixel[plane], alpha, x, y)), 2);
    }
}

// What the band jobs share: each encodes its rows of the band.
struct BandWork {
    const Pyramid* image;
    int32_t bytesPerChannel;
    int plane;
    bool merged;
    int32_t firstRow;
    size_t rowBytes;
    uint8_t* band;
};

void encodeBandRows(const Job& job) {
    const auto& work = *static_cast<const BandWork*>(job.owner);
    for (int32_t r = job.rect.top; r < job.rect.bottom; ++r)
        encodeRow(*work.image, work.bytesPerChannel, work.plane, work.merged, work.firstRow + r,
                  work.band + size_t(r) * work.rowBytes);
}

class PlaneWriter {
public:
    PlaneWriter(const Pyramid& image, const PsdDocumentInfo& info, ByteSink& out, JobProgress* progress,
                JobWorkers* workers)
        : image_(image), info_(info), out_(out), progress_(progress), workers_(workers), width_(image.width[0]),
          height_(image.height[0]), rowBytes_(size_t(width_) * size_t(info.bytesPerChannel)),
          band_(rowBytes_ * size_t(std::min(height_, kBandRows))) {
        const int32_t mergedPlanes = info.bytesPerChannel == 2 ? 5 : 4;
        total_ = int64_t(height_) * (4 + mergedPlanes);
    }

    // The layer's channel data: per channel, compression 0 and raw rows.
    bool layerChannels() {
        for (int plane : kPlaneOrderLayer) {
            out_.put16(0);
            if (!writePlane(plane, false)) return false;
        }
        return true;
    }

    // The merged image: compression 0, then whole planes.
    bool mergedImage() {
        out_.put16(0);
        for (int plane : kPlaneOrderMerged)
            if (!writePlane(plane, true)) return false;
        if (info_.bytesPerChannel == 2) {
            // The plane that follows the four of a 16-bit document: opaque.
            std::fill(band_.begin(), band_.begin() + long(rowBytes_), uint8_t(0xFF));
            for (int32_t y = 0; y < height_; ++y)
                if (!rowDone(band_.data())) return false;
        }
        return true;
    }

    bool cancelled() const { return cancelled_; }

private:
    // A plane in bands of rows: each band encoded on the workers (a few
    // jobs per thread), then written row by row in order.
    bool writePlane(int plane, bool merged) {
        for (int32_t first = 0; first < height_; first += kBandRows) {
            const int32_t rows = std::min(kBandRows, height_ - first);
            BandWork work{&image_, info_.bytesPerChannel, plane, merged, first, rowBytes_, band_.data()};
            Job pattern;
            pattern.kind = kJobImageRect;
            pattern.owner = &work;
            pattern.image = &image_;
            pattern.routine = encodeBandRows;
            const int threads = workers_ ? workers_->concurrency() : 1;
            Job jobs[kMaxJobs];
            const int made = splitBandJobs(pattern, PixelRect{0, 0, rows, 1}, std::min(threads * 4, kMaxJobs), jobs);
            if (threads > 1) workers_->run(jobs, made);
            else for (int j = 0; j < made; ++j) runJob(jobs[j]);
            for (int32_t r = 0; r < rows; ++r)
                if (!rowDone(band_.data() + size_t(r) * rowBytes_)) return false;
        }
        return true;
    }

    bool rowDone(const uint8_t* row) {
        out_.write(row, rowBytes_);
        if (out_.failed()) return false;
        ++done_;
        if (progress_ && !progress_->report(done_, total_)) {
            cancelled_ = true;
            return false;
        }
        return true;
    }

    const Pyramid& image_;
    const PsdDocumentInfo& info_;
    ByteSink& out_;
    JobProgress* progress_;
    JobWorkers* workers_;
    int32_t width_, height_;
    size_t rowBytes_;
    std::vector<uint8_t> band_;
    int64_t done_ = 0, total_ = 0;
    bool cancelled_ = false;
};

void writeLayerInfo(ByteSink& out, const PsdLayout& layout) {
    out.put32(uint32_t(layout.layerInfoBytes));
    out.put16(1);
    writePsdLayerRecord(out, layout);
}

}  // namespace

int psdStorageTypeFor(int32_t bytesPerChannel) {
    switch (bytesPerChannel) {
        case 1: return kStoragePacked8;
        case 2: return kStorageRgba16;
        case 4: return kStorageFloat4;
        default: return -1;
    }
}

PsdWriteResult writePsdDocument(const Pyramid& image, const PsdDocumentInfo& info, ByteSink& out,
                                JobProgress* progress, JobWorkers* workers) {
    const int32_t b = info.bytesPerChannel;
    if (!image.hasTiles() || psdStorageTypeFor(b) != image.storageType) return kPsdBadImage;
    const int32_t width = image.width[0], height = image.height[0];
    const PsdLayout layout = psdLayout(b, width, height);
    if (layout.sectionBytes > int64_t(UINT32_MAX)) return kPsdTooLarge;

    writePsdHeader(out, b, width, height);
    writePsdColourModeData(out, b);
    writePsdImageResources(out, info);

    PlaneWriter planes(image, info, out, progress, workers);
    out.put32(uint32_t(layout.sectionBytes));
    if (b == 1) {
        writeLayerInfo(out, layout);
        if (!planes.layerChannels()) return planes.cancelled() ? kPsdCancelled : kPsdWriteFailed;
        out.put32(0);  // no global layer mask
    } else {
        out.put32(0);  // the layers live in the Lr16 / Lr32 block below
        out.put32(0);
        out.putText("8BIM");
        out.putText(b == 2 ? "Mt16" : "Mt32");
        out.put32(0);
        out.putText("8BIM");
        out.putText(b == 2 ? "Lr16" : "Lr32");
        writeLayerInfo(out, layout);
        if (!planes.layerChannels()) return planes.cancelled() ? kPsdCancelled : kPsdWriteFailed;
        out.putZeros(size_t(layout.layerInfoPadding));
        if (b == 4) {
            out.putText("8BIM");
            out.putText("LMsk");
            for (uint16_t word : {0, 14, 0, 65535, 0, 0, 0, 50, 32768, 0}) out.put16(word);
            out.putText("8BIM");
            out.putText("Pat3");
            out.put32(0);
        }
    }
    if (!planes.mergedImage()) return planes.cancelled() ? kPsdCancelled : kPsdWriteFailed;
    return out.failed() ? kPsdWriteFailed : kPsdWritten;
}
