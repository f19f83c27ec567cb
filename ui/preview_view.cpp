// The preview's viewport arithmetic.
#include "ui/preview_view.h"

#include <algorithm>
#include <cstdio>

namespace {
int32_t ceilDivide(int32_t a, int32_t b) { return (a + b - 1) / b; }

int32_t panLimit(int32_t size, int32_t view, int32_t factor) {
    return std::max(0, (size / factor - view) * factor);
}

// The image point at the middle of the visible span on one axis: the span
// starts at the pan offset and is the viewport at factor z, cut at the
// image's far edge.
int32_t visibleCentre(int32_t offset, int32_t view, int32_t z, int32_t size) {
    return offset + std::min(view * z, std::max(size - offset, 0)) / 2;
}
}  // namespace

PreviewView makePreviewView(int32_t width, int32_t height, bool hostPreviewProcs) {
    PreviewView view;
    view.imageWidth = width;
    view.imageHeight = height;
    view.viewWidth = std::min(kViewportWidth, std::max(width, 1));
    view.viewHeight = std::min(kViewportHeight, std::max(height, 1));
    view.fit = std::max(ceilDivide(std::max(width, 1), view.viewWidth), ceilDivide(std::max(height, 1), view.viewHeight));
    view.available = hostPreviewProcs;
    view.zmax = hostPreviewProcs ? view.fit : 1;
    return view;
}

void clampPan(const PreviewView& view, FilterParameters& parameters) {
    const int32_t z = std::max(parameters.previewScale, 1);
    parameters.previewOffsetX = std::clamp(parameters.previewOffsetX, 0, panLimit(view.imageWidth, view.viewWidth, z));
    parameters.previewOffsetY =
        std::clamp(parameters.previewOffsetY, 0, panLimit(view.imageHeight, view.viewHeight, z));
}

void recentre(const PreviewView& view, FilterParameters& parameters, int32_t factor) {
    const int32_t z = std::max(parameters.previewScale, 1);
    const int32_t centreX = visibleCentre(parameters.previewOffsetX, view.viewWidth, z, view.imageWidth);
    const int32_t centreY = visibleCentre(parameters.previewOffsetY, view.viewHeight, z, view.imageHeight);
    // The point stays in the middle at the new factor, as far as the image's
    // edges allow.
    parameters.previewOffsetX = centreX - view.viewWidth * factor / 2;
    parameters.previewOffsetY = centreY - view.viewHeight * factor / 2;
    parameters.previewScale = factor;
    clampPan(view, parameters);
}

void zoomOut(const PreviewView& view, FilterParameters& parameters) {
    if (!view.available) return;
    if (parameters.previewScale < view.zmax) recentre(view, parameters, parameters.previewScale + 1);
    if (parameters.previewScale >= view.zmax) parameters.previewOffsetX = parameters.previewOffsetY = 0;
}

void zoomIn(const PreviewView& view, FilterParameters& parameters) {
    if (!view.available) return;
    if (parameters.previewScale > 1) recentre(view, parameters, parameters.previewScale - 1);
}

void actualSize(const PreviewView& view, FilterParameters& parameters) {
    if (!view.available) return;
    recentre(view, parameters, 1);
}

ZoomCells zoomCells(const PreviewView& view, int32_t factor) {
    if (!view.available) return {false, false, false};
    return {factor > 1, factor < view.zmax, !(factor == 1 && view.zmax == 1)};
}

std::string zoomPercentText(int32_t factor) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", 100 / std::max(factor, 1));
    return text;
}

WindowPoint previewImageOrigin(int32_t shownWidth, int32_t shownHeight) {
    const WindowRect r = kPreviewRect.inset(2);
    return {int16_t(r.left + std::max(0, (r.width() - shownWidth) / 2)),
            int16_t(r.top + std::max(0, (r.height() - shownHeight) / 2))};
}

void setCentreAt(const PreviewView& view, FilterParameters& parameters, WindowPoint point, int32_t shownWidth,
                 int32_t shownHeight) {
    const WindowPoint origin = previewImageOrigin(shownWidth, shownHeight);
    const int32_t z = std::max(parameters.previewScale, 1);
    parameters.viewCenterH = (point.x - origin.x) * z + parameters.previewOffsetX;
    parameters.viewCenterV = (point.y - origin.y) * z + parameters.previewOffsetY;
    parameters.settings.xCenter = float(parameters.viewCenterH) / float(std::max(view.imageWidth, 1));
    parameters.settings.yCenter = float(parameters.viewCenterV) / float(std::max(view.imageHeight, 1));
}
