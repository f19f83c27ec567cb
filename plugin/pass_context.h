// Describes the current pass to the effect: the render request committed once
// per pass (view, images, tables and the effect's constants from the
// settings), and each row's target buffers from the host's record.
#pragma once

#include "effect/render_context.h"
#include "plugin/globals.h"

// The pass's constants, from the parameter block's render fields and settings.
RenderContext commitRenderRequest(const PluginGlobals& globals);
// The committed request with the buffers of the row in hand.
RenderContext rowRenderContext(const PluginGlobals& globals);

// The host image's value class (8-bit, 16-bit or floating) from its mode
// and depth, and whether it has a transparency plane (filter cases 4 and 5).
ValueClass hostValueClass(const FilterRecord* record);
bool hostHasTransparency(const FilterRecord* record);
