// The filtering pass's requests to the host: the rows, planes and rates it
// asks for next (one row of the final pass, the preview's scaled area, or
// nothing more).
#include "plugin/host_requests.h"

#include "plugin/host_delivery.h"
#include "plugin/pass_context.h"

#include <algorithm>

namespace {

int16_t& resultOf(PluginGlobals& globals) { return *globals.result; }

void keepRelativeRows(PluginGlobals& globals) {
    const FilterRecord* record = globals.record;
    const int32_t top = record->filterRect.top;
    globals.pass.maskFirstRow = record->maskRect.top - top;
    globals.pass.maskLastRow = record->maskRect.bottom - 1 - top;
    globals.pass.inFirstRow = record->inRect.top - top;
    globals.pass.inLastRow = record->inRect.bottom - 1 - top;
}

}  // namespace

OSErr askHostFor(PluginGlobals& globals) {
    globals.pass.request = currentRequest(*globals.record);
    return askHost(*globals.record);
}

Rect emptyRectAt(const Rect& r) { return Rect{r.top, r.left, r.top, r.left}; }

void setPlanesAndRates(FilterRecord* record, Fixed rate) {
    record->inLoPlane = record->outLoPlane = 0;
    record->inHiPlane = record->outHiPlane = int16_t(record->planes - 1);
    record->inputRate = record->maskRate = rate;
    record->inputPadding = record->outputPadding = record->maskPadding = plugInWantsEdgeReplication;
}

void emptyHostRectangles(FilterRecord* record) {
    record->inRect = Rect{0, 0, 0, 0};
    record->outRect = Rect{0, 0, 0, 0};
    record->maskRect = Rect{0, 0, 0, 0};
}

void setPassSize(PluginGlobals& globals, const Rect& rect, int32_t scale) {
    FilterParameters* parameters = parametersOf(globals.record);
    if (parameters) parameters->previewScale = scale;
    globals.pass.passWidth = rect.right - rect.left;
    globals.pass.passHeight = rect.bottom - rect.top;
}

void setRowsRequest(PluginGlobals& globals, int32_t row) {
    FilterRecord* record = globals.record;
    const Rect& filter = record->filterRect;
    setPassSize(globals, filter, 1);
    record->inRect = record->outRect = filter;
    record->maskRect = emptyRectAt(filter);
    const int32_t y = filter.top + std::min(std::max(row, 0), globals.pass.passHeight - 1);
    record->inRect.top = record->outRect.top = int16_t(y);
    record->inRect.bottom = record->outRect.bottom = int16_t(y + 1);
    if (record->haveMask) {
        Rect mask = filter;
        int32_t top = std::max<int32_t>(y - 2, filter.top);
        int32_t bottom = std::min<int32_t>(y + 2, filter.bottom);
        if (top >= bottom) bottom = top + 1;
        mask.top = int16_t(top);
        mask.bottom = int16_t(bottom);
        record->maskRect = mask;
        if (!globals.pass.maskWanted) record->maskRect = emptyRectAt(filter);
    }
    setPlanesAndRates(record, 1 << 16);
    keepRelativeRows(globals);
    globals.pass.request = currentRequest(*record);
}

void scaledRequest(PluginGlobals& globals, int32_t scale) {
    FilterRecord* record = globals.record;
    FilterParameters& parameters = *parametersOf(record);
    int32_t a = std::max(scale, 1);
    if (!record->advanceState || !record->displayPixels || record->samplingSupport == hostDoesNotSupportSampling) {
        a = 1;
        parameters.previewScale = 1;
    }
    const Rect& filter = record->filterRect;
    int32_t top = filter.top + parameters.previewOffsetY, left = filter.left + parameters.previewOffsetX;
    int32_t bottom = filter.bottom + parameters.previewOffsetY, right = filter.right + parameters.previewOffsetX;
    top = std::clamp<int32_t>(top, filter.top, filter.bottom);
    bottom = std::clamp<int32_t>(bottom, filter.top, filter.bottom);
    left = std::clamp<int32_t>(left, filter.left, filter.right);
    right = std::clamp<int32_t>(right, filter.left, filter.right);
    top /= a;
    left /= a;
    bottom /= a;
    right /= a;
    right = std::min(right, left + kPreviewViewportWidth);
    bottom = std::min(bottom, top + kPreviewViewportHeight);
    const Rect in{int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
    record->inRect = in;
    record->maskRect = in;
    record->outRect = Rect{filter.top, filter.left, int16_t(filter.top + (bottom - top)),
                           int16_t(filter.left + (right - left))};
    if (hostMovesScaledMask(record) && a > 1) {
        const int16_t dy = int16_t(parameters.previewOffsetY / a), dx = int16_t(parameters.previewOffsetX / a);
        record->maskRect = Rect{dy, dx, int16_t(bottom - top + dy), int16_t(right - left + dx)};
    }
    setPlanesAndRates(record, Fixed(a) << 16);
    keepRelativeRows(globals);
    if (record->advanceState) {
        resultOf(globals) = askHostFor(globals);
        if (resultOf(globals) == noErr) setPassSize(globals, record->inRect, a);
    }
}
