// The preview while panning: the visible region's source pixels copied into
// the preview buffer unfiltered; where the host's selection hides a pixel it
// is laid over a checkerboard of 8 x 8 squares.
#pragma once

#include "interface/host_interface.h"

// From the host's inData (and maskData) of the last scaled request into its
// outData, outRect's size.
void fillUnfilteredPreview(FilterRecord& record);
