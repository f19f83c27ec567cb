// One filter run over a document through the plug-in, as a host editor runs
// it: the settings travel as a scripting descriptor, the pixels through
// advanceState, and the descriptor the plug-in writes at Finish comes back.
#pragma once

#include "host/descriptor_suite.h"
#include "host/document.h"
#include "host/filter_driver.h"
#include "host/plugin_module.h"

#include <csignal>
#include <functional>
#include <optional>
#include <string>

struct FilterJob {
    // The step's settings; none: the plug-in's cached settings apply.
    std::optional<Descriptor> descriptor;
    int16_t playMode = plugInDialogDontDisplay;
    // The user asked for the dialog (the host calls Parameters first).
    bool withDialog = false;
    // Play a host without advanceState (the plug-in then refuses to run).
    bool withoutAdvanceState = false;
    bool showProgress = false;
    std::string progressLabel;
    volatile std::sig_atomic_t* abortFlag = nullptr;
};

struct FilterJobResult {
    int16_t result = 0;
    int16_t failedSelector = -1;
    std::optional<Descriptor> recorded;  // what Finish wrote
};

// The state the program keeps for the plug-in while it runs (a host keeps
// the parameter block between runs, so the cached settings carry over).
PluginSessionState& programPluginState();

// The tests' choice of how the program's host behaves: TWL_HOST_BEHAVIOUR=real
// makes it behave like the real hosts (host/host_session.h); anything else,
// or nothing, is our own host. Not a user option: the pixels are the same.
void useTestHostBehaviour(HostConfig& host, DescriptorSuiteConfig& descriptors);

// Runs the filter over `document` in place.
FilterJobResult runFilterJob(const PluginModule& module, Document& document, const FilterJob& job);

