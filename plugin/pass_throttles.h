// The filtering pass's progress and stop checks: rows are reported while they
// come one after another (every 32nd otherwise), and a stop is asked for
// every 32nd row, so that a slow host procedure does not slow the pass.
#pragma once

#include "model/job_progress.h"
#include "plugin/globals.h"

// Row step of total, while the host's own rows are filtered.
void reportProgress(PluginGlobals& globals, JobProgress& progress, int32_t step, int32_t total);
// True when progress asks the pass to stop (never asked for the preview).
bool abortRequested(PluginGlobals& globals, JobProgress& progress);
