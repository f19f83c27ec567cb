// The final pass through the substitute host, in process and without file
// I/O: source acquisition, pyramid building and every row, at the default
// settings, for 8-bit, 16-bit and float documents, with and without the
// high-quality sampler. Reported as megapixels per second of the document.
#include "bench_support.h"

#include "host/descriptor_suite.h"
#include "host/descriptor_suite_store.h"
#include "host/filter_driver.h"
#include "host/plugin_module.h"
#include "kernels/speed_settings.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

namespace {

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

struct PassSettings {
    bool highQuality = false;
    int32_t colorBlur = -1;  // -1: the default
    int32_t glue = 1;
};

Descriptor descriptorFor(const PassSettings& p) {
    Descriptor settings;
    settings.put(booleanItem(fourCC("0021"), p.highQuality));
    if (p.colorBlur >= 0) settings.put(integerItem(fourCC("0011"), p.colorBlur));
    const char code[5] = {'G', 'L', char('0' + p.glue / 10), char('0' + p.glue % 10), 0};
    settings.put(enumeratedItem(fourCC("GLUE"), fourCC("GLty"), fourCC(code)));
    return settings;
}

// state.range(0): the filter's thread count.
void finalPass(benchmark::State& state, SampleDepth depth, int32_t width, int32_t height, PassSettings p) {
    const int32_t threads = int32_t(state.range(0));
    benchPluginModule().applySpeed(threads, int32_t(SimdLevel::avx512));
    Document document = photoLike(width, height, depth);
    const Descriptor settings = descriptorFor(p);
    for (auto _ : state) {
        DescriptorSuiteHost suite(DescriptorSuiteConfig{}, &settings);
        HostConfig config;
        config.buffers.markContents = false;  // as the command line runs it
        config.descriptorParameters = suite.parameters();
        HostSession session(document, config);
        PluginSessionState pluginState;
        const FilterRunResult run = runFilter(benchPluginModule(), session, pluginState, false);
        if (run.result != 0) state.SkipWithError("the filter failed");
        if (pluginState.parameters) hostDisposeHandle(pluginState.parameters);
        if (pluginState.data) hostDisposeHandle(reinterpret_cast<Handle>(pluginState.data));
    }
    state.SetLabel(speedLabel(threads));
    state.counters["Mpix/s"] =
        benchmark::Counter(double(width) * height * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

constexpr int32_t kLargeWidth = 6000, kLargeHeight = 4000;  // 24 MP
constexpr int32_t kWidth = 3000, kHeight = 2000;            // 6 MP

void BM_FinalPass8Defaults24MP(benchmark::State& s) { finalPass(s, SampleDepth::eight, kLargeWidth, kLargeHeight, {}); }
void BM_FinalPass8HighQuality(benchmark::State& s) { finalPass(s, SampleDepth::eight, kWidth, kHeight, {true, -1, 1}); }
void BM_FinalPass8ColourBlur(benchmark::State& s) { finalPass(s, SampleDepth::eight, kWidth, kHeight, {false, 60, 1}); }
void BM_FinalPass8GlueChannel(benchmark::State& s) { finalPass(s, SampleDepth::eight, kWidth, kHeight, {false, -1, 3}); }
void BM_FinalPass8GlueHsl(benchmark::State& s) { finalPass(s, SampleDepth::eight, kWidth, kHeight, {false, -1, 15}); }
void BM_FinalPass8GlueWheel(benchmark::State& s) { finalPass(s, SampleDepth::eight, kWidth, kHeight, {false, -1, 53}); }
void BM_FinalPass8GlueOpponent(benchmark::State& s) { finalPass(s, SampleDepth::eight, kWidth, kHeight, {false, -1, 54}); }
// Every colour-space glue mode alone: state.range(1) is the mode.
void BM_FinalPass8GlueMode(benchmark::State& s) {
    finalPass(s, SampleDepth::eight, kWidth, kHeight, {false, -1, int32_t(s.range(1))});
}
void BM_FinalPass16GlueMode(benchmark::State& s) {
    finalPass(s, SampleDepth::sixteen, kWidth, kHeight, {false, -1, int32_t(s.range(1))});
}
void BM_FinalPass16(benchmark::State& s) { finalPass(s, SampleDepth::sixteen, kWidth, kHeight, {}); }
void BM_FinalPass16HighQuality(benchmark::State& s) { finalPass(s, SampleDepth::sixteen, kWidth, kHeight, {true, -1, 1}); }
void BM_FinalPassFloat(benchmark::State& s) { finalPass(s, SampleDepth::floating, kWidth, kHeight, {}); }
void BM_FinalPassFloatHighQuality(benchmark::State& s) { finalPass(s, SampleDepth::floating, kWidth, kHeight, {true, -1, 1}); }
// As many pixels as one render of the dialog's 426 x 416 preview, start to
// end: the whole run of a small document, acquisition and levels included.
void BM_PreviewSizedRun(benchmark::State& s) { finalPass(s, SampleDepth::eight, 426, 416, {}); }

// Three runs each, reported as mean, median and spread: a shared machine's
// single runs vary by a fifth.
#define TWL_PASS_BENCHMARK(name)                                                                            \
    BENCHMARK(name)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime() \
        ->ReportAggregatesOnly(true)
TWL_PASS_BENCHMARK(BM_FinalPass8Defaults24MP);
TWL_PASS_BENCHMARK(BM_FinalPass8HighQuality);
TWL_PASS_BENCHMARK(BM_FinalPass8ColourBlur);
TWL_PASS_BENCHMARK(BM_FinalPass8GlueChannel);
TWL_PASS_BENCHMARK(BM_FinalPass8GlueHsl);
TWL_PASS_BENCHMARK(BM_FinalPass8GlueWheel);
TWL_PASS_BENCHMARK(BM_FinalPass8GlueOpponent);
// One thread, the colour-space modes: hue, saturation and lightness, the
// wheel, the opponent modes, and the lightness rules.
#define TWL_GLUE_MODE_BENCHMARK(name)                                                                            \
    BENCHMARK(name)                                                                                              \
        ->ArgsProduct({{1}, {15, 16, 22, 23, 46, 47, 53, 54, 55, 56, 57, 59, 60, 61}})                          \
        ->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime()->ReportAggregatesOnly(true)
TWL_GLUE_MODE_BENCHMARK(BM_FinalPass8GlueMode);
TWL_GLUE_MODE_BENCHMARK(BM_FinalPass16GlueMode);
TWL_PASS_BENCHMARK(BM_FinalPass16);
TWL_PASS_BENCHMARK(BM_FinalPass16HighQuality);
TWL_PASS_BENCHMARK(BM_FinalPassFloat);
TWL_PASS_BENCHMARK(BM_FinalPassFloatHighQuality);
BENCHMARK(BM_PreviewSizedRun)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
