// The per-run work area: pass counters, the settings store (undo snapshot
// slots and memory-dot flags), the preset picture, the samplers' weight tables and the blend tables, and the images of
// the run (the source pyramid, the internal image, the thumbnail image).
#pragma once

#include "kernels/blend_modes.h"
#include "kernels/job_workers.h"
#include "kernels/pyramid.h"
#include "effect/render_context.h"
#include "kernels/samplers.h"
#include "settings/settings_store.h"

#include <cstdint>
#include <vector>

// How far the dialog's stepwise build of the source pyramid has come.
struct SourceBuild {
    enum Stage : int32_t { notStarted, takingMemory, copying, reducing, complete };
    int32_t stage = notStarted;
    int32_t next = 0;   // copying: the next level-0 tile; reducing: the next row of level + 1
    int32_t level = 0;  // reducing: the level reduced from
};

struct WorkArea {
    int32_t progressCounter = 0;
    int32_t progressLastRow = 0;
    int32_t abortCounter = 0;
    float centerX = 0, centerY = 0;  // centre of the work area at the pass's scale

    SettingsStore store;         // undo slots, memory-dot kept flags, folder
    PresetPicture presetPicture;  // the 128 x 128 picture a saved preset carries

    WeightTables weights;
    BlendTables blend;

    // The row and band jobs' threads: started for a pass, joined when the
    // working buffers are released.
    JobWorkers workers;
    RenderContext render;  // the pass's render request, committed at its set-up
    SourceBuild sourceBuild;
    // The preview last rendered while the source was being built, put back
    // into the host's buffer after each step has asked the host for tiles.
    std::vector<uint8_t> shownPreview;
};

struct PassImages {
    Pyramid source;     // the image pyramid of the host's source
    Pyramid internal;   // the render target of renderTarget 2
    Pyramid thumbnail;  // 128 x 128, four 8-bit channels
    Pyramid provisional;  // the view's pixels while the source is being built
};
