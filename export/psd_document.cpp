// The layered document, section by section: header, colour mode data,
// image resources, layer and mask information, merged image data.
#include "export/psd_document.h"

#include "export/psd_sections.h"

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

    PsdPlaneWriter planes(image, b, out, progress, workers);
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
