// Pyramid level building of a 6000 x 4000 image, in level-0 pixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "bench_support.h"
#include "kernels/job_workers.h"
#include "kernels/pyramid.h"
#include "kernels/pyramid_pixels.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// A smooth picture with some fine detail, the same on every run.
std::unique_ptr<Pyramid> makeSource(int type) {
    auto p = std::make_unique<Pyramid>();
    if (!p->create(systemMemoryService(), kWidth, kHeight, type, kEdgeClamp)) return nullptr;
    uint32_t state = 12345;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            state = state * 1664525u + 1013904223u;
            const float detail = static_cast<float>(state >> 24) / 1024.0f;
            const float r = static_cast<float>(x) / kWidth * 0.75f + detail;
            const float g = static_cast<float>(y) / kHeight * 0.75f + detail;
            storePixelColor(*p, p->pixelInside(0, x, y), EffectColor{r, g, 0.5f, 1.0f});
        }
    }
    return p;
}

void BM_BuildLevels(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    const int jobs = static_cast<int>(state.range(1));
    static std::unique_ptr<Pyramid> sources[10];
    if (!sources[type]) sources[type] = makeSource(type);
    Pyramid* p = sources[type].get();
    if (p == nullptr) {
        state.SkipWithError("cannot allocate the pyramid");
        return;
    }
    JobWorkers workers;  // started once, as a pass does
    workers.start(jobs);
    for (auto _ : state) {
        buildPyramidLevels(*p, 0, jobs, &workers);
        benchmark::ClobberMemory();
    }
    state.counters["level0_pix_per_s"] =
        benchmark::Counter(static_cast<double>(kWidth) * kHeight, benchmark::Counter::kIsIterationInvariantRate,
                           benchmark::Counter::kIs1000);
    state.counters["jobs"] = jobs;
    state.SetLabel(std::string(type == 3 ? "packed 8-bit" : type == 4 ? "16-bit" : "float") + ", " + speedLabel(jobs));
}

}  // namespace

BENCHMARK(BM_BuildLevels)->Args({3, 1})->Args({4, 1})->Args({9, 1})->Args({3, 2})->Args({4, 2})->Args({9, 2})->Unit(benchmark::kMillisecond)->UseRealTime();
