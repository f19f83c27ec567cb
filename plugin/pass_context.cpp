// Building the effect's view of the pass.
#include "plugin/pass_context.h"

#include "kernels/tap_row_cache.h"
#include "plugin/work_area.h"

ValueClass hostValueClass(const FilterRecord* record) {
    if (record->imageMode == plugInModeRGB96 || record->imageMode == plugInModeGray32 || record->depth == 32)
        return kValuesFloat;
    if ((record->imageMode == plugInModeGray16 || record->imageMode == plugInModeRGB48) && record->depth == 16)
        return kValues16;
    return kValues8;
}

bool hostHasTransparency(const FilterRecord* record) {
    return record->filterCase == filterCaseEditableTransparencyNoSelection ||
           record->filterCase == filterCaseEditableTransparencyWithSelection;
}

RenderContext commitRenderRequest(const PluginGlobals& globals) {
    RenderContext c;
    const FilterRecord* record = globals.record;
    const FilterParameters* parameters = parametersOf(record);
    c.previewScale = parameters->previewScale;
    c.previewOffsetX = parameters->previewOffsetX;
    c.previewOffsetY = parameters->previewOffsetY;
    c.renderTarget = parameters->renderTarget;
    c.source = &globals.images->source;
    c.internal = &globals.images->internal;
    c.weights = &globals.workArea->weights;
    c.blend = &globals.workArea->blend;
    // The source is complete when a pass is committed and stays as it is until the pass ends.
    c.sourceSerial = newSourceSerial();
    if (c.renderTarget == renderInternalImage) {
        c.extentWidth = c.internal->width[0];
        c.extentHeight = c.internal->height[0];
    } else {
        c.extentWidth = record->filterRect.right - record->filterRect.left;
        c.extentHeight = record->filterRect.bottom - record->filterRect.top;
    }
    c.setup = makeEffectSetup(parameters->settings, c.extentWidth, c.extentHeight);
    return c;
}

RenderContext rowRenderContext(const PluginGlobals& globals) {
    RenderContext c = globals.workArea->render;
    const FilterRecord* record = globals.record;
    OutputTarget& t = c.target;
    t.valueClass = hostValueClass(record);
    t.rgb = record->planes >= 3;
    t.threeChannelLayout = record->imageMode == plugInModeRGBColor || record->imageMode == plugInModeRGB48 ||
                           record->imageMode == plugInModeRGB96;
    t.hasTransparency = hostHasTransparency(record);
    t.outLayerPlanes = record->outLayerPlanes;
    t.inPixelSamples = record->inHiPlane - record->inLoPlane + 1;
    t.planes = record->planes;
    t.inData = record->inData;
    t.inRowBytes = record->inRowBytes;
    t.outData = record->outData;
    t.outRowBytes = record->outRowBytes;
    if (c.renderTarget == renderInternalImage) {
        t.width = c.internal->width[0];
        t.height = c.internal->height[0];
    } else {
        t.width = record->outRect.right - record->outRect.left;
        t.height = record->outRect.bottom - record->outRect.top;
        if (c.renderTarget == renderPreview) t.height = globals.pass.passHeight;
    }
    t.haveMask = record->haveMask != 0;
    t.maskData = static_cast<const uint8_t*>(record->maskData);
    t.maskRowBytes = record->maskRowBytes;
    t.maskFirstRow = globals.pass.maskFirstRow;
    t.maskLastRow = globals.pass.maskLastRow;
    t.passLastColumn = globals.pass.passWidth - 1;
    t.passFirstRow = 0;
    t.passLastRow = globals.pass.passHeight - 1;
    return c;
}
