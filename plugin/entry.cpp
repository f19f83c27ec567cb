// PluginMain: the globals' lifecycle, selector dispatch, Prepare, Start and
// Finish. Continue is the filtering pass.
#include "interface/plugin_result_codes.h"
#include "plugin/entry.h"

#include "plugin/filter_pass.h"
#include "plugin/globals.h"
#include "plugin/host_delivery.h"
#include "plugin/host_services.h"
#include "plugin/process_random.h"
#include "plugin/scripting.h"
#include "plugin/session_store.h"
#include "plugin/dialog_services.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

#include <algorithm>
#include <cstring>
#include <new>


FilterParameters* parametersOf(const FilterRecord* record) {
    if (!record || !record->parameters) return nullptr;
    return reinterpret_cast<FilterParameters*>(*record->parameters);
}

namespace {

constexpr MessageBoxText kRefusalNoAdvanceState = {
    "Plug-in error",
    "The filter cannot run because your paint program does not support enough of the "
    "Photoshop 3.0 plug-in standard.",
    "Cancel",
    "REFUSAL2",
};

constexpr MessageBoxText kRefusalImageMode = {
    "Plug-in error",
    "The filter cannot run because this image mode is not supported. Convert the image to "
    "RGB or greyscale first.",
    "Cancel",
    "REFUSAL2",
};

// Creates the parameter block when the host holds none; false when it cannot.
bool ensureParameterBlock(FilterRecord* record) {
    if (record->parameters) return true;
    Handle handle = newPluginHandle(record, int32_t(sizeof(FilterParameters)));
    if (!handle) return false;
    record->parameters = handle;
    initialiseParameters(*parametersOf(record));
    return true;
}

void prepare(PluginGlobals& globals) {
    FilterRecord* record = globals.record;
    record->bufferSpace = 0;
    if (!ensureParameterBlock(record)) {
        *globals.result = memFullErr;
        return;
    }
    FilterParameters& parameters = *parametersOf(record);
    seedRuntimeRandomFromClock(processRandom());
    globals.pass.passRect = record->filterRect;
    setPassSize(globals, record->filterRect, 1);
    record->bufferSpace = rowBufferBytes(globals.pass.passWidth, globals.pass.passHeight) + 1112;

    globals.dialogStateFlags = 0;
    parameters.viewCenterH = (record->filterRect.right - record->filterRect.left) / 2;
    parameters.viewCenterV = (record->filterRect.bottom - record->filterRect.top) / 2;
}

void start(PluginGlobals& globals) {
    FilterRecord* record = globals.record;
    int16_t& result = *globals.result;
    if (!ensureParameterBlock(record)) {
        result = memFullErr;
        return;
    }
    FilterParameters& parameters = *parametersOf(record);
    parameters.hostPreviewProcs = (record->advanceState && record->displayPixels) ? 1 : 0;

    if (result != noErr || !allocateWorkingBuffers(globals)) {
        // The failure is ours to report: nothing is shown, and the host is
        // asked for no pixels.
        result = kResultAlreadyReported;
        emptyHostRectangles(record);
        return;
    }

    // Per-run set-up.
    preparePassImages(globals);
    if (!descriptorPresent(record)) restoreSessionSettings(globals, parameters);
    if (globals.firstParameters) {
        globals.firstParameters = 0;
        parameters.psdChoiceA = 0;
        parameters.psdChoiceB = 0;
        parameters.psdSizeMode = 1;
        parameters.psdWidth = 100;
        parameters.psdHeight = 100;
    }
    parameters.settingsFolder[0] = '\0';
    parameters.exportFolder[0] = '\0';
    parameters.sourceFolder[0] = '\0';
    parameters.exportMode = 3;
    clearMemoryDotFlags(globals);
    parameters.sourceCached = 0;
    globals.dialogStateFlags = 0;
    globals.dialogExit = 0;
    readMemoryDotMap(globals);

    globals.filterWidth = record->filterRect.right - record->filterRect.left;
    globals.filterHeight = record->filterRect.bottom - record->filterRect.top;

    // Refusals are shown as windows when the user asked for the dialog.
    const bool interactive = parameters.showDialog != 0;
    if (!record->advanceState) {
        showMessageBox(kRefusalNoAdvanceState, interactive);
        result = kResultAlreadyReported;
    }
    if (record->imageMode == plugInModeMultichannel) {
        if (result == noErr) showMessageBox(kRefusalImageMode, interactive);
        result = kResultAlreadyReported;
    }
    // An image the filter cannot take, or one the host describes in
    // contradictions, is refused before any pixel is asked for.
    if (result == noErr) result = checkHostImage(*record);
    if (result != noErr) {
        releaseWorkingBuffers(globals);
        emptyHostRectangles(record);
        return;
    }

    const OSErr readResult = readScriptingParameters(record, &parameters);
    if (readResult != noErr) result = readResult;

    if (parameters.showDialog != 0) {
        takeOpeningSnapshot(globals, parameters);
        PluginDialogServices services(globals, parameters);
        result = runMainDialog(services, parameters);
        parameters.showDialog = 0;
        if (result != noErr) {
            releaseWorkingBuffers(globals);
            emptyHostRectangles(record);
            return;
        }
        keepSessionSettings(globals, parameters);
    }
    // A descriptor read error that no dialog answered stops Start with the
    // host's code; the host is asked for no pixels.
    if (result != noErr) {
        releaseWorkingBuffers(globals);
        emptyHostRectangles(record);
        return;
    }

    parameters.renderTarget = renderHostRows;
    passSetUp(globals);
}

void finish(PluginGlobals& globals) {
    const FilterParameters* parameters = parametersOf(globals.record);
    if (parameters) writeScriptingParameters(globals.record, parameters);
}

void runSelector(int16_t selector, PluginGlobals& globals) {
    switch (selector) {
        case filterSelectorParameters:
            parametersOf(globals.record)->showDialog = 1;
            break;
        case filterSelectorPrepare:
            prepare(globals);
            break;
        case filterSelectorStart:
            start(globals);
            break;
        case filterSelectorContinue:
            continueLoop(globals);
            break;
        case filterSelectorFinish:
            finish(globals);
            break;
        default:
            *globals.result = filterBadParameters;
            break;
    }
}

}  // namespace

void pluginMain(int16_t selector, void* recordPointer, intptr_t* data, int16_t* result) {
    auto* record = static_cast<FilterRecord*>(recordPointer);

    if (selector == filterSelectorAbout) {
        showAboutBox();
        return;
    }
    if (!record || !data || !result) return;

    const bool createdNow = (*data == 0);
    PluginGlobals* globals = nullptr;
    Handle globalsHandle = reinterpret_cast<Handle>(*data);
    if (createdNow) {
        globalsHandle = newPluginHandle(record, int32_t(sizeof(PluginGlobals)));
        Ptr memory = globalsHandle ? lockPluginHandle(record, globalsHandle) : nullptr;
        if (!memory) {
            if (globalsHandle) disposePluginHandle(record, globalsHandle);
            *result = memFullErr;
            return;
        }
        globals = new (memory) PluginGlobals{};
        *data = reinterpret_cast<intptr_t>(globalsHandle);
    } else {
        Ptr memory = lockPluginHandle(record, globalsHandle);
        if (!memory) {
            *result = memFullErr;
            return;
        }
        globals = reinterpret_cast<PluginGlobals*>(memory);
    }
    globals->record = record;
    globals->result = result;
    *result = noErr;

    if (selector == filterSelectorParameters) globals->firstParameters = createdNow ? 1 : 0;

    if (!ensureParameterBlock(record)) *result = memFullErr;
    if (*result != noErr) return;  // the globals stay locked, as the host expects nothing more

    try {
        runSelector(selector, *globals);
    } catch (...) {
        // A refused allocation ends the phase as a failed one ends: the
        // working buffers go back to the host, which is asked for no pixels
        // and calls nothing more for this run.
        emptyHostRectangles(record);
        *result = memFullErr;
        releaseWorkingBuffers(*globals);
    }
    unlockPluginHandle(record, globalsHandle);
}
