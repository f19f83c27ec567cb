// The test host around the built plug-in module.
#include "harness.h"

#include "platform/global_memory.h"
#include "plugin/host_services.h"
#include "model/parameters.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

const PluginModule& pluginUnderTest() {
    static PluginModule* module = [] {
        auto* loaded = new PluginModule;
        std::string error;
        if (!loaded->load(builtPluginPath(), error)) {
            ADD_FAILURE() << error;
        }
        return loaded;
    }();
    return *module;
}

Document rampDocument(int32_t width, int32_t height, int32_t channels, bool alpha, SampleDepth depth) {
    Document document;
    std::string error;
    makeDocument(document, width, height, channels, alpha, depth, error);
    const int planes = document.planes();
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* pixel = document.pixel(x, y);
            for (int p = 0; p < planes; ++p) {
                // Opaque alpha; colour planes ramp across and down.
                const bool isAlpha = alpha && p == planes - 1;
                const double fraction = isAlpha ? 1.0 : double((x * 7 + y * 13 + p * 50) % 256) / 255.0;
                if (depth == SampleDepth::eight) {
                    pixel[p] = uint8_t(fraction * 255);
                } else if (depth == SampleDepth::sixteen) {
                    const uint16_t v = uint16_t(fraction * 32768);
                    std::memcpy(pixel + 2 * p, &v, 2);
                } else {
                    const float v = float(fraction);
                    std::memcpy(pixel + 4 * p, &v, 4);
                }
            }
        }
    }
    return document;
}

Document flatDocument(int32_t width, int32_t height, int32_t channels, bool alpha, SampleDepth depth, double value) {
    Document document = rampDocument(width, height, channels, alpha, depth);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int p = 0; p < channels; ++p) {
                uint8_t* s = document.pixel(x, y);
                if (depth == SampleDepth::eight) {
                    s[p] = uint8_t(value);
                } else if (depth == SampleDepth::sixteen) {
                    const uint16_t v = uint16_t(value);
                    std::memcpy(s + 2 * p, &v, 2);
                } else {
                    const float v = float(value);
                    std::memcpy(s + 4 * p, &v, 4);
                }
            }
    return document;
}

bool rectEmpty(const Rect& r) { return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0; }

int32_t eightBitRoundTrip(int32_t v) { return int32_t(float(v) * (1.0f / 255.0f) * 255.0f); }

TestHost::TestHost(Document doc, HostConfig hostConfig) : document(std::move(doc)), config(hostConfig) {
    session = std::make_unique<HostSession>(document, config);
}

TestHost::~TestHost() {
    // The host frees what it kept for the plug-in when it unloads it.
    FilterRecord& record = session->record();
    auto disposeKept = [&](Handle handle) {
        if (!handle) return;
        if (handleSuiteUsable(&record)) {
            hostDisposeHandle(handle);
        } else {
            // Platform memory of the plug-in's fallback: a master block and its data.
            Ptr* master = reinterpret_cast<Ptr*>(handle);
            globalFree(*master);
            globalFree(master);
        }
    };
    disposeKept(state.parameters);
    disposeKept(reinterpret_cast<Handle>(state.data));
}

int16_t TestHost::call(int16_t selector) { return callSelector(pluginUnderTest(), *session, state, selector); }

FilterRunResult TestHost::run(bool withParameters) {
    return runFilter(pluginUnderTest(), *session, state, withParameters);
}

FilterParameters* TestHost::parameters() {
    return state.parameters ? reinterpret_cast<FilterParameters*>(*state.parameters) : nullptr;
}
