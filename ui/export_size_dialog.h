// The "Export PSD image" dialog: the size of the layered document, as the
// input's size, the input's proportions at a typed width or height, or a
// custom size.
#pragma once

#include "model/parameters.h"
#include "ui/dialog_layouts.h"

#include <cstdint>

inline constexpr int32_t kExportSideMinimum = 2, kExportSideMaximum = 30000;

// Shows the dialog over psdSizeMode, psdWidth and psdHeight for an image of
// imageWidth x imageHeight. True when the user pressed OK (the three fields
// then hold the choice); false on Cancel, or when the dialog is open
// already (it is raised).
bool askExportSize(WindowSystem& system, FilterParameters& parameters, int32_t imageWidth, int32_t imageHeight);
