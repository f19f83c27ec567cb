// The dialog on a 24-megapixel photo (6000 x 4000, 8-bit RGB): opening it
// until the first preview is drawn (provisional: the source pyramid is then
// built at the build timer's ticks), opening it until that build is complete
// and the exact preview drawn, and one preview render after a slider release
// once the source is complete. The user is played on the headless window
// layer; the plug-in is linked in and called as a host calls it.
#include "tests/ui/direct_host.h"
#include "ui/headless/headless_window.h"
#include "ui/main_dialog_controls.h"
#include "ui/window_system.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

constexpr int32_t kWidth = 6000, kHeight = 4000;

const Document& photo() {
    static const Document document = [] {
        Document d;
        std::string error;
        makeDocument(d, kWidth, kHeight, 3, false, SampleDepth::eight, error);
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                uint8_t* p = d.pixel(x, y);
                p[0] = uint8_t((x / 7 + y / 11) & 255);
                p[1] = uint8_t((x * y / 997) & 255);
                p[2] = uint8_t((x / 3) ^ (y / 5));
            }
        return d;
    }();
    return document;
}

struct Run : DirectHost {
    Run() : DirectHost(photo()) {}
};

void useOwnTemporaryFolder() {
    static const bool set = [] {
        const auto folder = std::filesystem::temp_directory_path() / ("twl-bench-dialog-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        setenv("TMPDIR", folder.c_str(), 1);
        return true;
    }();
    (void)set;
}

void BM_OpenUntilFirstPreview(benchmark::State& state) {
    useOwnTemporaryFolder();
    HeadlessWindowSystem system;
    installWindowSystem(&system);
    using Clock = std::chrono::steady_clock;
    Clock::time_point opened;
    double untilShown = 0;
    // The dialog shows itself once its first preview is drawn: the time is
    // taken there, before Cancel (which finishes the source's build for the
    // opening look's memory dot) closes it.
    system.onModal = [&](HeadlessDialog& window) {
        untilShown = std::chrono::duration<double>(Clock::now() - opened).count();
        window.pressEscape();
    };
    for (auto _ : state) {
        auto run = std::make_unique<Run>();
        run->call(filterSelectorParameters);
        run->call(filterSelectorPrepare);
        opened = Clock::now();
        benchmark::DoNotOptimize(run->call(filterSelectorStart));
        state.SetIterationTime(untilShown);
        run.reset();
    }
    installWindowSystem(nullptr);
    state.counters["Mpix"] = double(kWidth) * kHeight / 1e6;
}
BENCHMARK(BM_OpenUntilFirstPreview)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// The build timer's ticks until the source is complete (each tick a step of
// a few tens of milliseconds, then the exact preview).
void finishSourceBuild(HeadlessDialog& window) {
    while (window.timerRunning(kSourceBuildTimerId)) window.fireTimer(kSourceBuildTimerId);
}

void BM_OpenUntilSourceComplete(benchmark::State& state) {
    useOwnTemporaryFolder();
    HeadlessWindowSystem system;
    installWindowSystem(&system);
    system.onModal = [](HeadlessDialog& window) {
        finishSourceBuild(window);
        window.pressEscape();
    };
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<Run>();
        run->call(filterSelectorParameters);
        run->call(filterSelectorPrepare);
        state.ResumeTiming();
        benchmark::DoNotOptimize(run->call(filterSelectorStart));
        state.PauseTiming();
        run.reset();
        state.ResumeTiming();
    }
    installWindowSystem(nullptr);
}
BENCHMARK(BM_OpenUntilSourceComplete)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PreviewAfterSliderRelease(benchmark::State& state) {
    useOwnTemporaryFolder();
    HeadlessWindowSystem system;
    installWindowSystem(&system);
    system.onModal = [&state](HeadlessDialog& window) {
        finishSourceBuild(window);
        int32_t x = 130 + 20;
        for (auto _ : state) {
            // A release re-renders the preview; the press and drag do not.
            state.PauseTiming();
            window.press(x, 96);
            x = x == 150 ? 230 : 150;
            window.move(x, 96);
            state.ResumeTiming();
            window.release(x, 96);
        }
        window.pressEscape();
    };
    Run run;
    run.call(filterSelectorParameters);
    run.call(filterSelectorPrepare);
    run.call(filterSelectorStart);
    installWindowSystem(nullptr);
}
BENCHMARK(BM_PreviewAfterSliderRelease)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
