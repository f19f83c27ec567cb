// Checks of the host's image description and of each delivery.
#include "plugin/host_delivery.h"

#include "plugin/pass_context.h"

#include <cstdint>
#include <initializer_list>

namespace {

bool rectEmpty(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

bool sameRect(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

int32_t sampleBytesOf(const FilterRecord& record) {
    switch (hostValueClass(&record)) {
        case kValuesFloat: return 4;
        case kValues16: return 2;
        default: return 1;
    }
}

// Data for every row of rect, each row holding width x pixelBytes bytes.
bool rowsHold(const Rect& rect, const void* data, int32_t rowBytes, int64_t pixelBytes) {
    if (!data) return false;
    return int64_t(rowBytes) >= int64_t(rect.right - rect.left) * pixelBytes;
}

bool greyMode(int16_t mode) {
    return mode == plugInModeGrayScale || mode == plugInModeGray16 || mode == plugInModeGray32;
}

// The depths each mode may come with: an 8-bit mode may also carry floats
// (depth 32), and hosts older than the depth field leave it 0.
bool depthFitsMode(int16_t mode, int32_t depth) {
    switch (mode) {
        case plugInModeGrayScale:
        case plugInModeRGBColor: return depth == 0 || depth == 8 || depth == 32;
        case plugInModeGray16:
        case plugInModeRGB48: return depth == 16;
        default: return depth == 0 || depth == 32;  // RGB96, Gray32
    }
}

// More planes than this are no image a host hands a filter of grey and RGB.
constexpr int16_t kMostPlanes = 16;

}  // namespace

HostRequest currentRequest(const FilterRecord& record) {
    return HostRequest{record.inRect,    record.outRect,    record.maskRect,   record.inLoPlane,
                       record.inHiPlane, record.outLoPlane, record.outHiPlane};
}

bool hostDeliveredRequest(const FilterRecord& record, const HostRequest& asked) {
    if (!sameRect(record.inRect, asked.inRect) || !sameRect(record.outRect, asked.outRect) ||
        !sameRect(record.maskRect, asked.maskRect))
        return false;
    if (record.inLoPlane != asked.inLoPlane || record.inHiPlane != asked.inHiPlane ||
        record.outLoPlane != asked.outLoPlane || record.outHiPlane != asked.outHiPlane)
        return false;
    const int64_t sample = sampleBytesOf(record);
    if (!rectEmpty(asked.inRect) &&
        !rowsHold(asked.inRect, record.inData, record.inRowBytes, (asked.inHiPlane - asked.inLoPlane + 1) * sample))
        return false;
    if (!rectEmpty(asked.outRect) &&
        !rowsHold(asked.outRect, record.outData, record.outRowBytes, (asked.outHiPlane - asked.outLoPlane + 1) * sample))
        return false;
    if (record.haveMask && !rectEmpty(asked.maskRect) && record.maskData &&
        !rowsHold(asked.maskRect, record.maskData, record.maskRowBytes, 1))
        return false;
    return true;
}

OSErr askHost(FilterRecord& record) {
    const HostRequest asked = currentRequest(record);
    const OSErr result = record.advanceState();
    if (result != noErr) return result;
    return hostDeliveredRequest(record, asked) ? OSErr(noErr) : OSErr(filterBadParameters);
}

OSErr checkHostImage(const FilterRecord& record) {
    const int16_t mode = record.imageMode;
    if (mode == plugInModeMultichannel) return noErr;
    const bool supported = mode == plugInModeGrayScale || mode == plugInModeRGBColor || mode == plugInModeGray16 ||
                           mode == plugInModeRGB48 || mode == plugInModeRGB96 || mode == plugInModeGray32;
    if (!supported) return filterBadMode;
    if (!depthFitsMode(mode, record.depth)) return filterBadParameters;
    if (rectEmpty(record.filterRect)) return filterBadParameters;
    if (record.filterCase < filterCaseFlatImageNoSelection ||
        record.filterCase > filterCaseProtectedTransparencyWithSelection)
        return filterBadParameters;
    const int16_t colours = greyMode(mode) ? 1 : 3;
    if (record.planes < colours || record.planes > kMostPlanes) return filterBadParameters;
    if (hostHasTransparency(&record)) {
        // The transparency plane follows the colour planes, inside the pixel.
        for (int16_t plane : {record.inLayerPlanes, record.outLayerPlanes}) {
            if (plane < colours || plane >= record.planes) return filterBadParameters;
        }
    }
    return noErr;
}
