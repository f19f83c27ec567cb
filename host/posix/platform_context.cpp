// The display context on Linux: the plug-in's DisplayContext record.
#include "host/platform_context.h"

#include "interface/display_context.h"

bool drawIntoPlatformContext(void* platformContext, int32_t x, int32_t y, int32_t width, int32_t height,
                             const uint8_t* rgb, int32_t rowBytes) {
    auto* context = static_cast<DisplayContext*>(platformContext);
    if (!context || !context->drawRgb) return false;
    context->drawRgb(context->surface, x, y, width, height, rgb, rowBytes);
    return true;
}
