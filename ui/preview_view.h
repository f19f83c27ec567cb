// The preview's viewport arithmetic: fit factor, zoom limits, recentring,
// the pan clamp, the zoom buttons' cells and the clear-area centre of a
// click. Plain functions over the parameter block's preview fields.
#pragma once

#include "model/parameters.h"
#include "ui/window_layer.h"

#include <cstdint>
#include <string>

inline constexpr WindowRect kPreviewRect = {351, 3, 781, 423};
inline constexpr int32_t kViewportWidth = 426, kViewportHeight = 416;

struct PreviewView {
    bool available = false;      // the host has the procedures and the first render worked
    int32_t imageWidth = 0, imageHeight = 0;
    int32_t viewWidth = 0, viewHeight = 0;  // the viewport, reduced to the image
    int32_t fit = 1;   // F
    int32_t zmax = 1;  // Zmax
};

// The viewport and fit factor for an image of width x height.
PreviewView makePreviewView(int32_t width, int32_t height, bool hostPreviewProcs);

// Limits the pan offset to 0..max(0, (W / z - viewport) x z) on each axis.
void clampPan(const PreviewView& view, FilterParameters& parameters);
// Keeps the image point at the viewport's centre there while the factor
// becomes `factor`; the new pan offset is clamped.
void recentre(const PreviewView& view, FilterParameters& parameters, int32_t factor);
void zoomOut(const PreviewView& view, FilterParameters& parameters);
void zoomIn(const PreviewView& view, FilterParameters& parameters);
void actualSize(const PreviewView& view, FilterParameters& parameters);

struct ZoomCells {
    bool zoomIn, zoomOut, percent;
};
ZoomCells zoomCells(const PreviewView& view, int32_t factor);
// "100%", "50%", "33%": 100 / z followed by a percent sign.
std::string zoomPercentText(int32_t factor);

// Where the shown image of shownWidth x shownHeight pixels stands: centred
// in the preview inside its frame (the control inset by 2). The image is
// drawn there and clicks are mapped from there, so both agree.
WindowPoint previewImageOrigin(int32_t shownWidth, int32_t shownHeight);

// Sets viewCenterH/V and X/Y center from a client point in the preview; the
// shown image is shownWidth x shownHeight pixels.
void setCentreAt(const PreviewView& view, FilterParameters& parameters, WindowPoint point, int32_t shownWidth,
                 int32_t shownHeight);
