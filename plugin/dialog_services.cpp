// The dialog's services, answered by the filtering pass and the settings store.
#include "plugin/dialog_services.h"

#include "plugin/filter_pass.h"
#include "plugin/host_services.h"
#include "plugin/pass_context.h"
#include "plugin/preview_fill.h"
#include "plugin/work_area.h"

DialogImage PluginDialogServices::image() {
    const FilterRecord* record = globals_.record;
    DialogImage image;
    image.width = record->filterRect.right - record->filterRect.left;
    image.height = record->filterRect.bottom - record->filterRect.top;
    image.floatingPoint = hostValueClass(record) == kValuesFloat;
    return image;
}

OSErr PluginDialogServices::renderPreview() {
    if (!globals_.workArea) return memFullErr;
    // The visible region at the preview's factor, then the filter over it.
    scaledRequest(globals_, parameters_.previewScale);
    if (*globals_.result != noErr) return *globals_.result;
    previewRender(globals_);
    return *globals_.result;
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
    WorkArea& area = *globals_.workArea;
    return ::storeMemoryDot(area.store, dot, parameters_, &area.presetPicture, pluginMemoryService(globals_.record));
}

OSErr PluginDialogServices::loadMemoryDot(int32_t dot) {
    if (!globals_.workArea) return memFullErr;
    WorkArea& area = *globals_.workArea;
    return ::loadMemoryDot(area.store, dot, parameters_, &area.presetPicture, pluginMemoryService(globals_.record));
}
