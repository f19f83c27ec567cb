// The steps of twilightomator apply: its options, choosing the settings,
// checking every output before the filter runs, and applying the filter to
// one input. Each step returns an exit status and, for a refusal, the
// message for the user.
#pragma once

#include "apps/filter_job.h"

#include <csignal>
#include <optional>
#include <string>
#include <vector>

struct ApplyOptions {
    std::vector<std::string> inputs;
    std::string output, outDir, maskPath, actionPath, recordPath, presetPath;
    int depth = 0;
    bool force = false, quiet = false, dialog = false, withoutAdvanceState = false;
    std::optional<Descriptor> settings;
};

// What a run keeps from one input to the next.
struct ApplyRun {
    volatile std::sig_atomic_t* interrupted = nullptr;
    std::vector<std::string> written;  // named when the run is interrupted
    bool recorded = false;             // the action file goes with the first image
};

// The step's settings: the action file's, the preset's, or the flags'
// (none: the plug-in's cached settings).
int chooseSettings(const ApplyOptions& options, FilterJob& job, std::string& error);
// Every file the run will write is checked before the filter runs: the image
// outputs and the action file are usable (see checkOutputPath), none of them
// is something the run reads, and no two of them are the same file.
int checkOutputs(const ApplyOptions& options, std::string& error);
// The output file of an input: -o, or the input's name in --out-dir.
std::string outputPathFor(const ApplyOptions& options, const std::string& input);
// Reads input (and the mask), runs the filter, and writes the result and,
// with the first image, the action file, both whole or not at all.
int applyOneInput(const ApplyOptions& options, PluginModule& module, FilterJob& job, const std::string& input,
                  ApplyRun& run, std::string& error);
