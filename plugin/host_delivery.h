// What the plug-in may believe of a host: the image it describes at Start,
// and the pixels it delivers for each request. A host whose description
// contradicts itself, or whose delivery differs from what was asked (another
// rectangle or planes, no data, rows too short for the pixels), is refused
// with a result code instead of being read past its blocks.
#pragma once

#include "interface/host_interface.h"

// The rectangles and planes of one request to advanceState.
struct HostRequest {
    Rect inRect, outRect, maskRect;
    int16_t inLoPlane, inHiPlane, outLoPlane, outHiPlane;
};

HostRequest currentRequest(const FilterRecord& record);

// True when every non-empty rectangle of the request came back as asked,
// with data whose rows hold the rectangle's pixels. A mask the host does not
// hand over counts as no mask.
bool hostDeliveredRequest(const FilterRecord& record, const HostRequest& asked);

// Calls advanceState for the request now in the record: the host's own code
// when it fails, filterBadParameters when it delivers something else.
OSErr askHost(FilterRecord& record);

// Start's look at the image: noErr; filterBadMode for a mode the filter does
// not take (multichannel has its own refusal and passes here);
// filterBadParameters for a description that contradicts itself (depth
// against mode, planes, transparency plane, filter case, an empty
// rectangle).
OSErr checkHostImage(const FilterRecord& record);
