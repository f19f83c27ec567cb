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

// The same document with every colour sample at `value` (on the document's
// own scale); a transparency plane stays opaque.
Document flatDocument(int32_t width, int32_t height, int32_t channels, bool alpha, SampleDepth depth, double value);

bool rectEmpty(const Rect& r);

// What an 8-bit channel comes back as through the pyramid at d = 0 with no
// colour change: v / 255 as the sampler scales it, times 255, truncated.
int32_t eightBitRoundTrip(int32_t v);

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
