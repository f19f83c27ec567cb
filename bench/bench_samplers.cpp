// Sampler throughput: fast and high-quality samples per second at a fractional level.
#include <benchmark/benchmark.h>

#include <string>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench_support.h"
#include "kernels/speed_settings.h"
#include "kernels/pyramid.h"
#include "kernels/pyramid_pixels.h"
#include "kernels/row_sampler.h"
#include "kernels/samplers.h"

namespace {

constexpr int kSide = 2048;

const WeightTables& tables() {
    static WeightTables t = [] {
        WeightTables built;
        buildWeightTables(built);
        return built;
    }();
    return t;
}

Pyramid* pyramidOf(int type) {
    static std::unique_ptr<Pyramid> made[10];
    if (made[type]) return made[type].get();
    auto p = std::make_unique<Pyramid>();
    if (!p->create(systemMemoryService(), kSide, kSide, type, kEdgeClamp)) return nullptr;
    p->weights = &tables();
    uint32_t state = 99;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            state = state * 1664525u + 1013904223u;
            const float v = static_cast<float>(state >> 8) / 16777216.0f;
            storePixelColor(*p, p->pixelInside(0, x, y), EffectColor{v, 1.0f - v, 0.5f, 1.0f});
        }
    }
    buildPyramidLevels(*p, 0);
    made[type] = std::move(p);
    return made[type].get();
}

// Points along rows, as the pipeline asks for them, with a varying level.
struct SamplePoint {
    float x, y;
};
const std::vector<SamplePoint>& points() {
    static std::vector<SamplePoint> list = [] {
        std::vector<SamplePoint> v;
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < 4096; ++column)
                v.push_back({(static_cast<float>(column) + 0.5f) / 4096.0f, (static_cast<float>(row) * 61.0f + 7.0f) / 1000.0f});
        return v;
    }();
    return list;
}

template <EffectColor (*Sampler)(const Pyramid&, int, float, float, float)>
void runSampler(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    const Pyramid* p = pyramidOf(type);
    if (p == nullptr) {
        state.SkipWithError("cannot allocate the pyramid");
        return;
    }
    const auto& list = points();
    const int level = static_cast<int>(state.range(1));
    requestSimdLevel(static_cast<SimdLevel>(state.range(2)));
    for (auto _ : state) {
        float sum = 0;
        for (const SamplePoint& s : list) sum += Sampler(*p, level, 0.37f, s.x, s.y).red;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(list.size()));
    state.SetLabel(std::string(type == 3 ? "packed 8-bit" : type == 4 ? "16-bit" : "float") + ", " + speedLabel(1));
}

void BM_FastSampler(benchmark::State& state) { runSampler<sampleFast>(state); }

// The same points through the row sampler, a row's points after its start.
void BM_RowSampler(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    const Pyramid* p = pyramidOf(type);
    if (p == nullptr) {
        state.SkipWithError("cannot allocate the pyramid");
        return;
    }
    const auto& list = points();
    const int level = static_cast<int>(state.range(1));
    requestSimdLevel(static_cast<SimdLevel>(state.range(2)));
    RowSampler sampler;
    for (auto _ : state) {
        float sum = 0;
        float row = -1;
        for (const SamplePoint& s : list) {
            if (s.y != row) sampler.start(*p, row = s.y);
            sum += sampler.sampleFast(level, 0.37f, s.x).red;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(list.size()));
    state.SetLabel(std::string(type == 3 ? "packed 8-bit" : type == 4 ? "16-bit" : "float") + ", " + speedLabel(1));
}
void BM_HighQualitySampler(benchmark::State& state) { runSampler<sampleHighQuality>(state); }

}  // namespace

// Arguments: storage type, level, vector level (0 scalar .. 3 AVX-512).
BENCHMARK(BM_FastSampler)->ArgsProduct({{3, 4, 9}, {0, 3}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond);
// Arguments: storage type, level, vector level.
BENCHMARK(BM_RowSampler)->ArgsProduct({{3, 4, 9}, {0, 3}, {0, 1, 3}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HighQualitySampler)->ArgsProduct({{3, 4, 9}, {3}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond);
