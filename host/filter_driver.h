// Drives a plug-in through a filter run as a host does: [Parameters],
// Prepare, Start, Continue until the rectangles are empty, Finish.
#pragma once

#include "host/host_session.h"
#include "host/plugin_module.h"

#include <string>

struct FilterRunResult {
    int16_t result = 0;        // the last non-zero result, or 0
    int16_t failedSelector = -1;  // the selector that returned it
    int32_t continueCalls = 0;
};

// The state a host keeps for a plug-in between runs in one session.
struct PluginSessionState {
    intptr_t data = 0;         // the plug-in's globals handle
    Handle parameters = nullptr;  // the parameter block the host keeps
};

// Calls one selector with the session's record and state.
int16_t callSelector(const PluginModule& module, HostSession& session, PluginSessionState& state,
                     int16_t selector);

// Runs the whole sequence. withParameters: the user asked for the dialog.
FilterRunResult runFilter(const PluginModule& module, HostSession& session, PluginSessionState& state,
                          bool withParameters);

const char* selectorName(int16_t selector);
// A short explanation of a result code for messages.
std::string describeResult(int16_t result);
