// The layered document, section by section: header, colour mode data,
// image resources, layer and mask information, merged image data.
#include "export/psd_document.h"

#include "export/psd_sections.h"

#include <algorithm>

namespace {

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

PsdWriteResult writePsdFrame(const PsdDocumentInfo& info, int32_t width, int32_t height, ByteSink& out,
                             PsdPlacement& placement) {
    const int32_t b = info.bytesPerChannel;
    if (psdStorageTypeFor(b) < 0 || width <= 0 || height <= 0) return kPsdBadImage;
    const PsdLayout layout = psdLayout(b, width, height);
    if (layout.sectionBytes > int64_t(UINT32_MAX)) return kPsdTooLarge;
    placement = PsdPlacement{};
    placement.bytesPerChannel = b;
    placement.width = width;
    placement.height = height;
    // Room for one plane's rows, noted in the placement.
    auto leaveRoomFor = [&](const PsdPlane& plane) {
        placement.planes[placement.planeCount] = plane;
        placement.firstRowAt[placement.planeCount++] = out.position();
        out.skip(size_t(layout.planeBytes));
    };
    // The layer's channels: per channel, compression 0 and raw rows,
    // transparency first.
    auto layerChannels = [&] {
        for (int plane : {3, 0, 1, 2}) {
            out.put16(0);
            leaveRoomFor(PsdPlane{b, plane, false});
        }
    };

    writePsdHeader(out, b, width, height);
    writePsdColourModeData(out, b);
    writePsdImageResources(out, info);
    out.put32(uint32_t(layout.sectionBytes));
    if (b == 1) {
        writeLayerInfo(out, layout);
        layerChannels();
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
        layerChannels();
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
    // The merged image: compression 0, then whole planes; a 16-bit
    // document's four are followed by an opaque one.
    out.put16(0);
    for (int plane : {0, 1, 2, 3}) leaveRoomFor(PsdPlane{b, plane, true});
    if (b == 2) leaveRoomFor(PsdPlane{b, kPsdOpaquePlane, true});
    return out.failed() ? kPsdWriteFailed : kPsdWritten;
}

PsdWriteResult writePsdDocument(const Pyramid& image, const PsdDocumentInfo& info, ByteSink& out,
                                JobProgress* progress, JobWorkers* workers) {
    if (!image.hasTiles() || psdStorageTypeFor(info.bytesPerChannel) != image.storageType) return kPsdBadImage;
    const int32_t height = image.height[0];
    PsdPlacement placement;
    const PsdWriteResult frame = writePsdFrame(info, image.width[0], height, out, placement);
    if (frame != kPsdWritten) return frame;
    // Bands of rows bound the encoding buffer; progress and stops come
    // row by row once a band is written.
    constexpr int32_t kBandRows = 64;
    PsdRowWriter rows(placement);
    for (int32_t first = 0; first < height; first += kBandRows) {
        const int32_t count = std::min(kBandRows, height - first);
        if (!rows.write(image, 0, first, count, out, workers)) return kPsdWriteFailed;
        for (int32_t r = first; r < first + count; ++r)
            if (progress && !progress->report(r + 1, height)) return kPsdCancelled;
    }
    return out.failed() ? kPsdWriteFailed : kPsdWritten;
}
