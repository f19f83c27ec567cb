// The filtering pass's requests to the host: the rows, planes and rates it
// asks for next, and the pass size they set.
#pragma once

#include "plugin/globals.h"

// The preview's viewport: its control inset by 2 pixels on every side.
inline constexpr int32_t kPreviewViewportWidth = 426;
inline constexpr int32_t kPreviewViewportHeight = 416;

// advanceState for the request now in the record, kept for the checks of
// what the host delivers.
OSErr askHostFor(PluginGlobals& globals);

void setPassSize(PluginGlobals& globals, const Rect& rect, int32_t scale);
// Sets inRect, outRect and maskRect to (0, 0, 0, 0): the host asks for no
// more pixels.
void emptyHostRectangles(FilterRecord* record);
// An empty rectangle at r's top left corner.
Rect emptyRectAt(const Rect& r);
// Every plane, at this sampling rate, with the edges replicated.
void setPlanesAndRates(FilterRecord* record, Fixed rate);

// Row `row` of the final pass (its mask rows around it when there is a mask).
void setRowsRequest(PluginGlobals& globals, int32_t row);
// The preview's area at 1 : scale, advanced at once; a host that cannot
// sample gives it at 1 : 1.
void scaledRequest(PluginGlobals& globals, int32_t scale);
