// The dialog's services, answered by the filtering pass and the settings store.
#include "plugin/dialog_services.h"

#include "plugin/dialog_pictures.h"
#include "plugin/export_document.h"
#include "plugin/export_galleries.h"
#include "ui/small_dialogs.h"
#include "plugin/filter_pass.h"
#include "plugin/host_colour_picker.h"
#include "plugin/host_progress.h"
#include "plugin/host_services.h"
#include "plugin/pass_context.h"
#include "plugin/preview_fill.h"
#include "plugin/process_random.h"
#include "plugin/work_area.h"

#include <algorithm>
#include <vector>

DialogImage PluginDialogServices::image() {
    const FilterRecord* record = globals_.record;
    DialogImage image;
    image.width = record->filterRect.right - record->filterRect.left;
    image.height = record->filterRect.bottom - record->filterRect.top;
    image.floatingPoint = hostValueClass(record) == kValuesFloat;
    return image;
}

namespace {

// Whether the view shows the whole image at a reduced factor: then the
// host's delivery of the view is the whole image, every z-th pixel.
bool viewShowsWholeImage(const FilterRecord* record, const FilterParameters& parameters) {
    const int32_t z = parameters.previewScale;
    if (z < 2 || parameters.previewOffsetX != 0 || parameters.previewOffsetY != 0) return false;
    const Rect& filter = record->filterRect;
    return filter.right / z - filter.left / z <= kPreviewViewportWidth &&
           filter.bottom / z - filter.top / z <= kPreviewViewportHeight;
}

void keepShownPreview(const FilterRecord* record, std::vector<uint8_t>& kept) {
    kept.clear();
    const int32_t height = record->outRect.bottom - record->outRect.top;
    if (!record->outData || height <= 0 || record->outRowBytes <= 0) return;
    const auto* bytes = static_cast<const uint8_t*>(record->outData);
    kept.assign(bytes, bytes + size_t(height) * size_t(record->outRowBytes));
}

void putBackShownPreview(const FilterRecord* record, const std::vector<uint8_t>& kept) {
    const int32_t height = record->outRect.bottom - record->outRect.top;
    if (!record->outData || height <= 0 || kept.size() != size_t(height) * size_t(record->outRowBytes)) return;
    std::copy(kept.begin(), kept.end(), static_cast<uint8_t*>(record->outData));
}

}  // namespace

OSErr PluginDialogServices::renderPreview() {
    if (!globals_.workArea) return memFullErr;
    // The visible region at the preview's factor, then the filter over it.
    scaledRequest(globals_, parameters_.previewScale);
    if (*globals_.result != noErr) return *globals_.result;
    const FilterRecord* record = globals_.record;
    std::vector<uint8_t>& kept = globals_.workArea->shownPreview;
    kept.clear();
    if (!parameters_.sourceCached && sourceBuiltInSteps(record) && viewShowsWholeImage(record, parameters_)) {
        // The source is still being built: a provisional preview now, the
        // exact one when the build is complete.
        provisionalPreviewRender(globals_);
        keepShownPreview(record, kept);
        return *globals_.result;
    }
    previewRender(globals_);
    return *globals_.result;
}

bool PluginDialogServices::sourceComplete() {
    return !globals_.workArea || parameters_.sourceCached || !sourceBuiltInSteps(globals_.record);
}

bool PluginDialogServices::continueSourceBuild() {
    if (!globals_.workArea) return true;
    const bool done = advanceSourceBuild(globals_, sourceTickMilliseconds());
    // The host's buffer holds the unfiltered view again after the steps.
    putBackShownPreview(globals_.record, globals_.workArea->shownPreview);
    if (done) globals_.workArea->shownPreview.clear();
    return done;
}

OSErr PluginDialogServices::showUnfilteredPreview() {
    if (!globals_.workArea) return memFullErr;
    scaledRequest(globals_, parameters_.previewScale);
    if (*globals_.result != noErr) return *globals_.result;
    fillUnfilteredPreview(*globals_.record);
    return noErr;
}

PreviewImage PluginDialogServices::previewImage() {
    const FilterRecord* record = globals_.record;
    PreviewImage image;
    image.pixels = record->outData;
    image.width = record->outRect.right - record->outRect.left;
    image.height = record->outRect.bottom - record->outRect.top;
    image.rowBytes = record->outRowBytes;
    image.planes = record->outHiPlane - record->outLoPlane + 1;
    switch (hostValueClass(record)) {
        case kValuesFloat: image.bitsPerSample = 32; break;
        case kValues16: image.bitsPerSample = 16; break;
        default: image.bitsPerSample = 8; break;
    }
    image.imageMode = record->imageMode;
    return image;
}

OSErr PluginDialogServices::displayPixels(const PSPixelMap& map, const VRect& rect, int32_t row, int32_t column,
                                          void* platformContext) {
    const FilterRecord* record = globals_.record;
    if (!record->displayPixels) return paramErr;
    return record->displayPixels(&map, &rect, row, column, platformContext);
}

bool PluginDialogServices::chooseColourWithHost(const char* prompt, Color16& colour) {
    return ::chooseColourWithHost(globals_.record->colorServices, prompt, colour);
}

void PluginDialogServices::takeUndoSnapshot(bool withFile) {
    if (!globals_.workArea) return;
    WorkArea& area = *globals_.workArea;
    takeSnapshot(area.store, withFile, parameters_, &area.presetPicture, pluginMemoryService(globals_.record));
}

OSErr PluginDialogServices::renderInternalImage(int32_t width, int32_t height) {
    return renderIntoInternalImage(globals_, width, height);
}

OSErr PluginDialogServices::storeMemoryDot(int32_t dot) {
    if (!globals_.workArea) return memFullErr;
    makePresetPicture(globals_);
    WorkArea& area = *globals_.workArea;
    return ::storeMemoryDot(area.store, dot, parameters_, &area.presetPicture, pluginMemoryService(globals_.record));
}

OSErr PluginDialogServices::loadMemoryDot(int32_t dot) {
    if (!globals_.workArea) return memFullErr;
    WorkArea& area = *globals_.workArea;
    return ::loadMemoryDot(area.store, dot, parameters_, &area.presetPicture, pluginMemoryService(globals_.record));
}

int32_t PluginDialogServices::memoryDotKept(int32_t dot) {
    if (!globals_.workArea || dot < 0 || dot >= kMemoryDotCount) return 0;
    return globals_.workArea->store.keptFlags[dot];
}

void PluginDialogServices::setMemoryDotKept(int32_t dot, int32_t kept) {
    if (!globals_.workArea || dot < 0 || dot >= kMemoryDotCount) return;
    globals_.workArea->store.keptFlags[dot] = kept;
}

OSErr PluginDialogServices::renderDotPicture(int32_t dot, DotPicture& picture, int32_t pixelsPerPoint) {
    return renderMemoryDotPicture(globals_, dot, picture, pixelsPerPoint);
}

OSErr PluginDialogServices::makePresetThumbnail() { return makePresetPicture(globals_); }

OSErr PluginDialogServices::savePreset(const char* path, std::string& reason) {
    if (!globals_.workArea) {
        reason = "there is not enough memory";
        return memFullErr;
    }
    return writeUserPreset(path, parameters_.settings, &globals_.workArea->presetPicture,
                           pluginMemoryService(globals_.record), reason);
}

OSErr PluginDialogServices::loadPreset(const char* path) {
    if (!globals_.workArea) return memFullErr;
    return readUserPreset(path, parameters_.settings, &globals_.workArea->presetPicture,
                          pluginMemoryService(globals_.record));
}

bool PluginDialogServices::hostAborted() { return globals_.record && HostProgress(globals_.record).stopRequested(); }

namespace {

// The dialog's export shows its progress in the progress window; it stops
// when the window is cancelled or when the host asks (which the window then
// shows as cancelling).
class WindowWithHostStop final : public JobProgress {
public:
    WindowWithHostStop(ProgressWindow& window, const FilterRecord* record) : window_(window), host_(record) {}
    bool report(int64_t done, int64_t total) override { return window_.report(done, total); }
    bool stopRequested() override {
        if (host_.stopRequested() && !window_.cancelRequested()) window_.requestCancel();
        return window_.cancelRequested();
    }

private:
    ProgressWindow& window_;
    HostProgress host_;
};

}  // namespace

OSErr PluginDialogServices::exportLayeredDocument(const char* path, int32_t width, int32_t height,
                                                  ProgressWindow& progress, char* message, size_t messageBytes) {
    WindowWithHostStop shown(progress, globals_.record);
    return ::exportLayeredDocument(globals_, path, width, height, shown, message, messageBytes);
}

OSErr PluginDialogServices::writePresetsPage(const char* sourceFolder, const char* htmlPath, char* message,
                                             size_t messageBytes) {
    HostProgress shown(globals_.record);
    return ::writePresetsPage(globals_, sourceFolder, htmlPath, shown, message, messageBytes);
}

OSErr PluginDialogServices::writeMemoryDotsPage(const char* htmlPath, const bool* occupied, char* message,
                                                size_t messageBytes) {
    HostProgress shown(globals_.record);
    return ::writeMemoryDotsPage(globals_, htmlPath, shown, message, messageBytes, occupied);
}

bool PluginDialogServices::undo() {
    if (!globals_.workArea) return false;
    WorkArea& area = *globals_.workArea;
    return undoSnapshot(area.store, parameters_, &area.presetPicture, pluginMemoryService(globals_.record));
}

RuntimeRandom& PluginDialogServices::random() { return processRandom(); }
