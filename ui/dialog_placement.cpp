// The placement of dialog windows over their parent.
#include "ui/dialog_placement.h"

#include <algorithm>

WindowRect placeDialog(const PlacementRequest& request) {
    const int32_t spareWidth = request.parent.width() - request.width;
    const int32_t spareHeight = request.parent.height() - request.height;
    const int32_t titleShift = request.systemMenu ? request.titleButtonWidth : request.titleButtonWidth * 2 / 3;
    int32_t left = request.parent.left + std::max(0, spareWidth / 2) - titleShift;
    int32_t top = request.parent.top + spareHeight / 3;
    if (left + request.width > request.screen.right) left = request.screen.right - request.width;
    if (top + request.height > request.screen.bottom) top = request.screen.bottom - request.height;
    left = std::max(left, request.screen.left);
    top = std::max(top, request.screen.top);
    return {left, top, left + request.width, top + request.height};
}

WindowRect placeChooser(const PlacementRequest& request) {
    const int32_t left = std::max(request.screen.left, request.parent.left + (request.parent.width() - request.width) / 2);
    const int32_t top = std::max(request.screen.top, request.parent.top + (request.parent.height() - request.height) / 2);
    return {left, top, left + request.width, top + request.height};
}
