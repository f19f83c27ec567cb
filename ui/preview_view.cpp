// The preview's viewport arithmetic.
#include "ui/preview_view.h"

#include <algorithm>
#include <cstdio>

namespace {
int32_t ceilDivide(int32_t a, int32_t b) { return (a + b - 1) / b; }

int32_t panLimit(int32_t size, int32_t view, int32_t factor) {
    return std::max(0, (size / factor - view) * factor);
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
    // The visible rectangle at z, scaled about its centre to the new factor.
    parameters.previewOffsetX += view.viewWidth * z / 2 - view.viewWidth * factor / 2;
    parameters.previewOffsetY += view.viewHeight * z / 2 - view.viewHeight * factor / 2;
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

void setCentreAt(const PreviewView& view, FilterParameters& parameters, WindowPoint point, int32_t shownWidth,
                 int32_t shownHeight) {
    const int32_t ox = kPreviewRect.left + std::max(0, (kPreviewRect.width() - shownWidth) / 2);
    const int32_t oy = kPreviewRect.top + std::max(0, (kPreviewRect.height() - shownHeight) / 2);
    const int32_t z = std::max(parameters.previewScale, 1);
    parameters.viewCenterH = (point.x - ox) * z + parameters.previewOffsetX;
    parameters.viewCenterV = (point.y - oy) * z + parameters.previewOffsetY;
    parameters.settings.xCenter = float(parameters.viewCenterH) / float(std::max(view.imageWidth, 1));
    parameters.settings.yCenter = float(parameters.viewCenterV) / float(std::max(view.imageHeight, 1));
}
