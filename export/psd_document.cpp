// The layered document, section by section: header, colour mode data,
// image resources, layer and mask information, merged image data.
#include "export/psd_document.h"

#include "export/psd_sections.h"
#include "kernels/pyramid_pixels.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kPlaneOrderLayer[4] = {3, 0, 1, 2};  // transparency, red, green, blue
constexpr int kPlaneOrderMerged[4] = {0, 1, 2, 3};

// One row of level 0 as four 32-bit values per pixel: bytes (type 3),
// 0..32768 values (type 4) or float bits (type 9).
void readRow(const Pyramid& image, int32_t y, std::vector<uint32_t>& row) {
    const int32_t width = image.width[0];
    for (int32_t x = 0; x < width; ++x) {
        uint32_t channels[4];
        storedChannels(image.storageType, image.pixelInside(0, x, y), channels);
        const bool sixteen = image.storageType == kStorageRgba16;
        for (int c = 0; c < 4; ++c)
            row[size_t(x) * 4 + size_t(c)] = sixteen ? std::min<uint32_t>(channels[c], 32768) : channels[c];
    }
}

class PlaneWriter {
public:
    PlaneWriter(const Pyramid& image, const PsdDocumentInfo& info, ByteSink& out, JobProgress* progress)
        : image_(image), info_(info), out_(out), progress_(progress), width_(image.width[0]),
          height_(image.height[0]), row_(size_t(width_) * 4),
          bytes_(size_t(width_) * size_t(info.bytesPerChannel)) {
        const int32_t mergedPlanes = info.bytesPerChannel == 2 ? 5 : 4;
        total_ = int64_t(height_) * (4 + mergedPlanes);
    }

    // The layer's channel data: per channel, compression 0 and raw rows.
    bool layerChannels() {
        for (int plane : kPlaneOrderLayer) {
            out_.put16(0);
            for (int32_t y = 0; y < height_; ++y) {
                readRow(image_, y, row_);
                uint8_t* o = bytes_.data();
                for (int32_t x = 0; x < width_; ++x) {
                    const uint32_t v = row_[size_t(x) * 4 + size_t(plane)];
                    o = putSample(o, info_.bytesPerChannel == 2 ? psdFile16(v) : v);
                }
                if (!rowDone()) return false;
            }
        }
        return true;
    }

    // The merged image: compression 0, then whole planes.
    bool mergedImage() {
        out_.put16(0);
        const int32_t b = info_.bytesPerChannel;
        for (int plane : kPlaneOrderMerged) {
            for (int32_t y = 0; y < height_; ++y) {
                readRow(image_, y, row_);
                uint8_t* o = bytes_.data();
                for (int32_t x = 0; x < width_; ++x) {
                    const uint32_t* pixel = &row_[size_t(x) * 4];
                    const uint32_t alpha = pixel[3];
                    if (b == 4) o = putSample(o, pixel[plane]);
                    else if (b == 1) o = putSample(o, psdMerged8(pixel[plane], alpha, x, y));
                    else if (plane == 3) o = putSample(o, 65535);
                    else o = putSample(o, psdFile16(psdMerged16(pixel[plane], alpha, x, y)));
                }
                if (!rowDone()) return false;
            }
        }
        if (b == 2) {
            // The plane that follows the four of a 16-bit document: opaque.
            for (size_t i = 0; i < bytes_.size(); ++i) bytes_[i] = 0xFF;
            for (int32_t y = 0; y < height_; ++y)
                if (!rowDone()) return false;
        }
        return true;
    }

    bool cancelled() const { return cancelled_; }

private:
    uint8_t* putSample(uint8_t* o, uint32_t v) const {
        switch (info_.bytesPerChannel) {
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

    bool rowDone() {
        out_.write(bytes_.data(), bytes_.size());
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
    int32_t width_, height_;
    std::vector<uint32_t> row_;
    std::vector<uint8_t> bytes_;
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
                                JobProgress* progress) {
    const int32_t b = info.bytesPerChannel;
    if (!image.hasTiles() || psdStorageTypeFor(b) != image.storageType) return kPsdBadImage;
    const int32_t width = image.width[0], height = image.height[0];
    const PsdLayout layout = psdLayout(b, width, height);
    if (layout.sectionBytes > int64_t(UINT32_MAX)) return kPsdTooLarge;

    writePsdHeader(out, b, width, height);
    writePsdColourModeData(out, b);
    writePsdImageResources(out, info);

    PlaneWriter planes(image, info, out, progress);
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
