// The dialog's services, answered by the filtering pass and the settings store.
#include "plugin/dialog_services.h"

#include "plugin/filter_pass.h"
#include "plugin/host_services.h"
#include "plugin/work_area.h"

OSErr PluginDialogServices::renderPreview() {
    if (!globals_.workArea) return memFullErr;
    previewRender(globals_);
    return globals_.result ? *globals_.result : OSErr(noErr);
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
