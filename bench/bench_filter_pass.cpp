// The final pass through the substitute host, in process and without file
// I/O: source acquisition, pyramid building and every row, at the default
// settings, for 8-bit, 16-bit and float documents, with and without the
// high-quality sampler. Reported as megapixels per second of the document.
#include "bench_support.h"

#include "host/descriptor_suite.h"
#include "host/descriptor_suite_store.h"
#include "host/filter_driver.h"
#include "host/plugin_module.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

namespace {

const PluginModule& module() {
    static PluginModule* loaded = [] {
        auto* m = new PluginModule;
        std::string error;
        const char* path = std::getenv("TWL_PLUGIN");
        if (!m->load(path ? path : defaultPluginPath(), error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::exit(1);
        }
        return m;
    }();
    return *loaded;
}

Document photoLike(int32_t width, int32_t height, SampleDepth depth) {
    Document d;
    std::string error;
    makeDocument(d, width, height, 3, false, depth, error);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                const double v = double((x * (c + 3) + y * (5 - c) + ((x ^ y) & 63)) % 256) / 255.0;
                uint8_t* s = d.pixel(x, y);
                if (depth == SampleDepth::eight) {
                    s[c] = uint8_t(v * 255);
                } else if (depth == SampleDepth::sixteen) {
                    const uint16_t h = uint16_t(v * 32768);
                    std::memcpy(s + 2 * c, &h, 2);
                } else {
                    const float f = float(v);
                    std::memcpy(s + 4 * c, &f, 4);
                }
            }
    return d;
}

void finalPass(benchmark::State& state, SampleDepth depth, bool highQuality) {
    const int32_t width = 6000, height = 4000;
    Document document = photoLike(width, height, depth);
    Descriptor settings;  // the defaults, with high quality on or off
    settings.put(booleanItem(fourCC("0021"), highQuality));
    for (auto _ : state) {
        DescriptorSuiteHost suite(DescriptorSuiteConfig{}, &settings);
        HostConfig config;
        config.descriptorParameters = suite.parameters();
        HostSession session(document, config);
        PluginSessionState pluginState;
        const FilterRunResult run = runFilter(module(), session, pluginState, false);
        if (run.result != 0) state.SkipWithError("the filter failed");
        if (pluginState.parameters) hostDisposeHandle(pluginState.parameters);
        if (pluginState.data) hostDisposeHandle(reinterpret_cast<Handle>(pluginState.data));
    }
    state.counters["Mpix/s"] =
        benchmark::Counter(double(width) * height * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_FinalPass8(benchmark::State& s) { finalPass(s, SampleDepth::eight, false); }
void BM_FinalPass8HighQuality(benchmark::State& s) { finalPass(s, SampleDepth::eight, true); }
void BM_FinalPass16(benchmark::State& s) { finalPass(s, SampleDepth::sixteen, false); }
void BM_FinalPass16HighQuality(benchmark::State& s) { finalPass(s, SampleDepth::sixteen, true); }
void BM_FinalPassFloat(benchmark::State& s) { finalPass(s, SampleDepth::floating, false); }
void BM_FinalPassFloatHighQuality(benchmark::State& s) { finalPass(s, SampleDepth::floating, true); }

BENCHMARK(BM_FinalPass8)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_FinalPass8HighQuality)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_FinalPass16)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_FinalPass16HighQuality)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_FinalPassFloat)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_FinalPassFloatHighQuality)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
