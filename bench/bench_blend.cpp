// The blend step per glue mode family: per-channel integer, real-valued,
// HSL-based, colour wheel and opponent-colour, over a row of deterministic
// pixel pairs.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_support.h"
#include "kernels/blend_modes.h"

namespace {

constexpr int kRowPixels = 4096;

struct Row {
    std::vector<int32_t> worked, source;
};

// A smooth two-colour ramp, the same on every run.
Row makeRow(BlendValueClass valueClass) {
    const int32_t m = channelMaximum(valueClass);
    Row row;
    row.worked.resize(3 * kRowPixels);
    row.source.resize(3 * kRowPixels);
    for (int i = 0; i < kRowPixels; ++i) {
        for (int c = 0; c < 3; ++c) {
            row.worked[3 * i + c] = static_cast<int32_t>((static_cast<int64_t>(i) * (c + 1) * 37) % (m + 1));
            row.source[3 * i + c] = static_cast<int32_t>((static_cast<int64_t>(kRowPixels - i) * (c + 2) * 53) % (m + 1));
        }
    }
    return row;
}

void blendFamily(benchmark::State& state, std::initializer_list<int32_t> modes, BlendValueClass valueClass) {
    BlendTables tables;
    buildBlendTables(&tables);
    // Results stay within [0, M], so each pass blends the previous one again.
    Row row = makeRow(valueClass);
    for (auto _ : state) {
        for (int32_t mode : modes) {
            blendRow(row.worked.data(), row.source.data(), kRowPixels, valueClass, mode, tables);
            benchmark::DoNotOptimize(row.worked.data());
        }
    }
    const double pixels = static_cast<double>(state.iterations()) * kRowPixels * static_cast<double>(modes.size());
    state.counters["Mpix"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
    state.SetLabel(speedLabel(1));
}

// Integer per-channel modes, one from each kind of formula.
const std::initializer_list<int32_t> kIntegerModes = {2, 4, 9, 11, 13, 20, 27, 30, 40, 44, 48, 52};
const std::initializer_list<int32_t> kRealModes = {39, 58, 62};
const std::initializer_list<int32_t> kHslModes = {15, 16, 22, 23, 46, 47, 59, 60, 61};
const std::initializer_list<int32_t> kWheelModes = {53};
const std::initializer_list<int32_t> kOpponentModes = {54, 55, 56, 57};

void BM_BlendInteger8(benchmark::State& s) { blendFamily(s, kIntegerModes, BlendValueClass::eightBit); }
void BM_BlendInteger16(benchmark::State& s) { blendFamily(s, kIntegerModes, BlendValueClass::sixteenBit); }
void BM_BlendReal8(benchmark::State& s) { blendFamily(s, kRealModes, BlendValueClass::eightBit); }
void BM_BlendHsl8(benchmark::State& s) { blendFamily(s, kHslModes, BlendValueClass::eightBit); }
void BM_BlendHsl16(benchmark::State& s) { blendFamily(s, kHslModes, BlendValueClass::sixteenBit); }
void BM_BlendWheel8(benchmark::State& s) { blendFamily(s, kWheelModes, BlendValueClass::eightBit); }
void BM_BlendWheel16(benchmark::State& s) { blendFamily(s, kWheelModes, BlendValueClass::sixteenBit); }
void BM_BlendOpponent8(benchmark::State& s) { blendFamily(s, kOpponentModes, BlendValueClass::eightBit); }
void BM_BlendOpponent16(benchmark::State& s) { blendFamily(s, kOpponentModes, BlendValueClass::sixteenBit); }

BENCHMARK(BM_BlendInteger8);
BENCHMARK(BM_BlendInteger16);
BENCHMARK(BM_BlendReal8);
BENCHMARK(BM_BlendHsl8);
BENCHMARK(BM_BlendHsl16);
BENCHMARK(BM_BlendWheel8);
BENCHMARK(BM_BlendWheel16);
BENCHMARK(BM_BlendOpponent8);
BENCHMARK(BM_BlendOpponent16);

}  // namespace
