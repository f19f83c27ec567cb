// The display context on Windows: the window's device context, drawn into
// in the context's own coordinates (a scaled mapping makes each pixel a
// sharp block).
#include "host/platform_context.h"

#include "platform/device_context_rows.h"

bool drawIntoPlatformContext(void* platformContext, int32_t x, int32_t y, int32_t width, int32_t height,
                             const uint8_t* rgb, int32_t rowBytes) {
    return drawRgbRows(platformContext, x, y, width, height, rgb, rowBytes);
}
