// Rendering and writing the layered document.
#include "plugin/export_document.h"

#include "export/psd_document.h"
#include "export/user_file.h"
#include "plugin/export_progress.h"
#include "plugin/filter_pass.h"
#include "plugin/pass_context.h"
#include "plugin/work_area.h"

#include <cstdio>
#include <string>

namespace {

void putMessage(char* message, size_t bytes, const std::string& text) {
    if (message && bytes > 0) std::snprintf(message, bytes, "%s", text.c_str());
}

// Rows rendered at a time: two bands of a 24-megapixel 16-bit image take
// 12 MB where the whole image would take 183 MiB.
constexpr int32_t kExportBandRows = 128;

// Each rendered band is encoded into the document's planes and written to
// their places in the file on a thread beside the render, while the next
// band renders.
class BandsToFile final : public RenderedBands {
public:
    BandsToFile(const PsdPlacement& placement, UserFile& file, JobWorkers& workers)
        : placement_(placement), rows_(placement), file_(file), workers_(workers) {}

    bool deliver(const Pyramid& band, int32_t first, int32_t count) override {
        if (!finishWriting()) return false;
        // The rows are read as the document's depth stores them.
        if (band.storageType != psdStorageTypeFor(placement_.bytesPerChannel)) {
            failed_ = true;
            return false;
        }
        band_ = &band;
        first_ = first;
        count_ = count;
        Job write;
        write.kind = kJobImageRect;
        write.owner = this;
        write.routine = writeBand;
        workers_.runAside(write);
        return true;
    }
    void release() override { finishWriting(); }
    // Whether every band delivered reached the file.
    bool failed() const { return failed_ || file_.failed(); }

private:
    static void writeBand(const Job& job) {
        BandsToFile& self = *static_cast<BandsToFile*>(job.owner);
        self.rows_.write(*self.band_, self.first_, self.first_, self.count_, self.file_);
    }
    // Waits for the band being written; false once any write failed.
    bool finishWriting() {
        try {
            workers_.finishAside();
        } catch (...) {
            failed_ = true;  // a refused allocation while writing
        }
        return !failed();
    }

    const PsdPlacement& placement_;
    PsdRowWriter rows_;
    UserFile& file_;
    JobWorkers& workers_;
    const Pyramid* band_ = nullptr;
    int32_t first_ = 0, count_ = 0;
    bool failed_ = false;
};

}  // namespace

int32_t exportBytesPerChannel(const FilterRecord* record) {
    switch (hostValueClass(record)) {
        case kValuesFloat: return 4;
        case kValues16: return 2;
        default: return 1;
    }
}

OSErr exportLayeredDocument(PluginGlobals& globals, const char* path, int32_t width, int32_t height,
                            JobProgress& shown, char* message, size_t messageBytes) {
    putMessage(message, messageBytes, "");
    FilterRecord* record = globals.record;
    FilterParameters& parameters = *parametersOf(record);
    if (width <= 0 || height <= 0) {
        width = record->filterRect.right - record->filterRect.left;
        height = record->filterRect.bottom - record->filterRect.top;
    }
    // The file is opened (its temporary file made beside it) first: a
    // document that cannot be saved is found before the render.
    UserFile file;
    if (!file.open(path)) {
        putMessage(message, messageBytes, file.error());
        return kExportWriteFailed;
    }
    PsdDocumentInfo info;
    info.bytesPerChannel = exportBytesPerChannel(record);
    info.vignette = parameters.settings.vignette;
    info.sepia = parameters.settings.sepia;
    info.glue = parameters.settings.glue;
    if (record->iCCprofileData && record->iCCprofileSize > 0 && record->canUseICCProfiles) {
        info.iccProfile = reinterpret_cast<const uint8_t*>(*record->iCCprofileData);
        info.iccProfileBytes = size_t(record->iCCprofileSize);
    }
    // The planes are uncompressed: the document's frame is written first,
    // with room for every row, and each band of rows, once rendered, goes
    // straight to its places, so the whole image is never held.
    PsdPlacement placement;
    const PsdWriteResult frame = writePsdFrame(info, width, height, file, placement);
    if (frame == kPsdTooLarge || frame == kPsdBadImage) {
        putMessage(message, messageBytes, "The document is too large for the PSD format.");
        return kExportWriteFailed;
    }
    auto writeFailed = [&] {
        putMessage(message, messageBytes, file.error().empty() ? std::string("cannot write ") + path : file.error());
        return kExportWriteFailed;
    };
    if (frame != kPsdWritten) return writeFailed();

    // The rows' render and their writing share the progress bar.
    ExportProgress progress(shown);
    BandsToFile bands(placement, file, globals.workArea->workers);
    const OSErr rendered = renderInternalBands(globals, width, height, kExportBandRows, bands, &progress);
    if (rendered == userCanceledErr) return rendered;
    if (rendered == kResultWriteFailed || bands.failed()) return writeFailed();
    if (rendered != noErr) {
        putMessage(message, messageBytes, "There is not enough memory to render the document at this size.");
        // A pyramid or working image that cannot be made is the job's -99.
        return rendered != kResultPyramidFailed ? rendered : kExportNoWorkingImage;
    }
    if (progress.stopRequested()) return userCanceledErr;
    if (!file.commit()) return writeFailed();
    return noErr;
}
