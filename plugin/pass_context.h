// Describes the current pass to the effect: settings, view, images, tables
// and the target buffers, taken from the host's record and the globals.
#pragma once

#include "effect/render_context.h"
#include "plugin/globals.h"

struct PassContext {
    RenderContext render;
};

PassContext makePassContext(const PluginGlobals& globals);
