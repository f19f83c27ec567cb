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
    // The render takes the first half of the progress bar, the writing the rest.
    ExportProgress progress(shown);
    progress.phase(0, 50);
    const OSErr rendered = renderIntoInternalImage(globals, width, height, &progress);
    Pyramid& image = globals.images->internal;
    struct ReleaseImage {
        Pyramid& image;
        ~ReleaseImage() { image.release(); }
    } release{image};
    if (rendered == userCanceledErr) return rendered;
    if (rendered != noErr || !image.hasTiles()) {
        putMessage(message, messageBytes, "There is not enough memory to render the document at this size.");
        // A pyramid or working image that cannot be made is the job's -99.
        return rendered != noErr && rendered != kResultPyramidFailed ? rendered : kExportNoWorkingImage;
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

    progress.phase(50, 50);
    const PsdWriteResult written = writePsdDocument(image, info, file, &progress, &globals.workArea->workers);
    if (written == kPsdCancelled) return userCanceledErr;
    if (written == kPsdTooLarge || written == kPsdBadImage) {
        putMessage(message, messageBytes, "The document is too large for the PSD format.");
        return kExportWriteFailed;
    }
    if (written == kPsdWritten && progress.stopRequested()) return userCanceledErr;
    if (written != kPsdWritten || !file.commit()) {
        putMessage(message, messageBytes, file.error().empty() ? std::string("cannot write ") + path : file.error());
        return kExportWriteFailed;
    }
    return noErr;
}
