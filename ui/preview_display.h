// Hands the preview buffer to the host's display procedure, converting 16-bit
// and floating-point buffers to 8 bits first.
#pragma once

#include "ui/dialog.h"

#include <cstdint>
#include <vector>

// The 8-bit pixel map of a preview buffer: the buffer itself when it is 8-bit,
// else a converted copy held in `converted`.
PSPixelMap eightBitPixelMap(const PreviewImage& image, std::vector<uint8_t>& converted);

// Shows the buffer with its top-left at client (x, y).
OSErr displayPreviewImage(DialogServices& services, const PreviewImage& image, int32_t x, int32_t y,
                          void* platformContext);
