// Runs the built plug-in module through the substitute host, as an editor
// would: documents made in the test, a configurable host, the selector
// sequence.
#pragma once

#include "host/filter_driver.h"
#include "host/host_session.h"
#include "host/plugin_module.h"

#include <memory>

// The module under test, loaded once per test program.
const PluginModule& pluginUnderTest();

// A small RGB or grey document with a deterministic ramp.
Document rampDocument(int32_t width, int32_t height, int32_t channels, bool alpha, SampleDepth depth);

// One host with its session state; release() hands the parameter block
// and globals back as a host does when it unloads the plug-in.
struct TestHost {
    Document document;
    HostConfig config;
    std::unique_ptr<HostSession> session;
    PluginSessionState state;

    explicit TestHost(Document doc, HostConfig hostConfig = HostConfig{});
    ~TestHost();
    int16_t call(int16_t selector);
    FilterRunResult run(bool withParameters = false);
    FilterRecord& record() { return session->record(); }
    // The parameter block the plug-in made (null before the first call).
    struct FilterParameters* parameters();
};
