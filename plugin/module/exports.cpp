// The loadable module's exported symbols: the entry point and, on Linux,
// the accessor that stands in for the Windows resource section (the Windows
// module carries its resources in that section itself).
#include "plugin/entry.h"
#include "kernels/speed_settings.h"
#include "platform/fault_injection.h"
#include "plugin/export_entry.h"
#include "plugin/module_boundary.h"
#include "plugin/preset_picture_entry.h"
#include "resources/resource_bytes.h"

#ifdef _WIN32
#define TWL_EXPORT extern "C" __declspec(dllexport)
#else
#define TWL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

TWL_EXPORT void PluginMain(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    callWithinModule(result, [&] { pluginMain(selector, record, data, result); });
}

#ifndef _WIN32
// Copies the bytes of resource (type, id) into buffer when it is large
// enough and returns their count; -1 when there is no such resource.
TWL_EXPORT int32_t TwilightomatorResource(uint32_t type, int16_t id, void* buffer, int32_t capacity) {
    return copyResourceBytes(type, id, buffer, capacity);
}
#endif

// How the filter uses the machine: `jobs` at once (0: the machine's cores, 1:
// the one-thread reference) and the highest vector level of its kernels
// (0 scalar, 1 SSE2, 2 AVX2, 3 AVX-512; capped at what the CPU runs).
// Results never depend on either.
TWL_EXPORT void TwilightomatorSetSpeed(int32_t jobs, int32_t simdLevel) {
    setJobConcurrency(jobs);
    if (simdLevel < 0) simdLevel = 0;
    if (simdLevel > int32_t(SimdLevel::avx512)) simdLevel = int32_t(SimdLevel::avx512);
    requestSimdLevel(SimdLevel(simdLevel));
}

// Writes a layered document or a gallery page with the plug-in's own
// rendering, between Start and Continue (interface/export_entry.h).
TWL_EXPORT void TwilightomatorExport(TwilightomatorExportRequest* request, void* record, intptr_t* data,
                                     int16_t* result) {
    callWithinModule(result, [&] { exportEntry(request, record, data, result); });
}

// The 128 x 128 preset picture of a finished image (see
// plugin/preset_picture_entry.h), for writing presets outside a filter run.
TWL_EXPORT int16_t TwilightomatorPresetPicture(const void* pixels, int64_t rowBytes, int32_t planes, int32_t width,
                                               int32_t height, int32_t valueClass, uint8_t* rgba) {
    int16_t made = noErr;
    const int16_t thrown = callWithinModule(nullptr, [&] {
        made = makePresetPictureFromImage(pixels, rowBytes, planes, width, height, valueClass, rgba);
    });
    return thrown != noErr ? thrown : made;
}

// The failure sweeps' test mode (platform/fault_injection.h): hands back in
// `counted` how many points of each kind (allocation, heap allocation, codec
// allocation, file operation) the plug-in has passed since the last call,
// then makes point number `failAt[kind]` of each kind fail from now on
// (1-based; 0: none). Hosts never call it.
TWL_EXPORT void TwilightomatorInjectFailures(const int64_t* failAt, int64_t* counted) {
    int64_t points[kFailurePointKinds] = {};
    for (int32_t kind = 0; kind < kFailurePointKinds; ++kind) {
        if (counted) counted[kind] = failurePointsCounted(FailurePoint(kind));
        if (failAt) points[kind] = failAt[kind];
    }
    setInjectedFailurePoints(points);
}
