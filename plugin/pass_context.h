// Describes the current pass to the effect: settings, view, images, tables
// and the target buffers, taken from the host's record and the globals.
#pragma once

#include "effect/render_context.h"
#include "plugin/globals.h"

struct PassContext {
    RenderContext render;
};

PassContext makePassContext(const PluginGlobals& globals);

// The host image's value class (8-bit, 16-bit or floating) from its mode
// and depth, and whether it has a transparency plane (filter cases 4 and 5).
ValueClass hostValueClass(const FilterRecord* record);
bool hostHasTransparency(const FilterRecord* record);
