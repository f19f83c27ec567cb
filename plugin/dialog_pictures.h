// The small pictures of the dialog: the preset picture a saved preset,
// snapshot or memory dot carries, and the dot thumbnail's picture.
#pragma once

#include "plugin/globals.h"
#include "ui/dialog.h"

// Renders the current result and puts its centred square, 128 x 128, into
// the work area's preset picture. The picture is left as it was on failure.
OSErr makePresetPicture(PluginGlobals& globals);

// Renders the current image under memory dot `dot`'s settings, fitted within
// 88 x 88; the parameter block is left as it was.
OSErr renderMemoryDotPicture(PluginGlobals& globals, int32_t dot, DotPicture& picture, int32_t pixelsPerPoint);
