// The memory-dots gallery page of a 6-megapixel (3000 x 2000) 8-bit image
// through the module's export entry: 25 kept dots, each rendered at 300
// pixels and written as a JPEG beside the page. The store's files live in a
// folder of their own, given to the module as its temporary folder.
#include "bench_support.h"

#include "host/descriptor_suite.h"
#include "host/descriptor_suite_store.h"
#include "host/export_driver.h"
#include "host/plugin_module.h"
#include "model/parameters.h"
#include "settings/preset_file.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kDots = 25;

Document photoLike8(int32_t width, int32_t height) {
    Document d;
    std::string error;
    makeDocument(d, width, height, 3, false, SampleDepth::eight, error);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) d.pixel(x, y)[c] = uint8_t((x * (c + 3) + y * (5 - c) + ((x ^ y) & 63)) % 256);
    return d;
}

// Every dot kept, each with its own look, in the store's folder.
void keepEveryDot(const std::string& store) {
    for (int dot = 0; dot < kDots; ++dot) {
        UserSettings settings = defaultUserSettings();
        settings.sepia = dot * 4;
        settings.vignette = 100 - dot * 3;
        settings.glue = 1 + (dot * 5) % 62;
        const std::string path = store + "/Twilightomator memory dot " + std::to_string(dot) + ".z5a";
        writePreset(path.c_str(), settings, nullptr, systemMemoryService());
    }
    std::string map;
    auto put = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) map.push_back(char(v >> s));
    };
    put(40);
    for (int dot = 0; dot < kDots; ++dot) put(1);
    std::ofstream(store + "/Twilightomator memdot map 2", std::ios::binary) << map;
}

void BM_MemoryDotsPage(benchmark::State& state) {
    Document document = photoLike8(3000, 2000);
    const char* folder = std::getenv("TMPDIR");
    const std::string site = std::string(folder ? folder : "/tmp") + "/twilightomator-bench-gallery-" +
                             std::to_string(getpid());
    const std::string store = site + "/store";
    std::filesystem::create_directories(store);
    keepEveryDot(store);
    setenv("TMPDIR", store.c_str(), 1);
    const std::string page = site + "/dots.html";
    Descriptor settings;
    for (auto _ : state) {
        const ExportRunResult run = runBenchExport(document, kExportMemoryDotsPage, page, settings);
        if (run.result != 0) state.SkipWithError(("the page failed: " + run.message).c_str());
    }
    if (folder) setenv("TMPDIR", folder, 1);
    else unsetenv("TMPDIR");
    size_t pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(site + "/web_images"))
        pictures += entry.path().extension() == ".jpg" ? 1 : 0;
    if (pictures != kDots) state.SkipWithError("not every dot's picture was written");
    std::filesystem::remove_all(site);
    state.counters["peak MB"] = peakResidentMegabytes();
    state.counters["pictures/s"] =
        benchmark::Counter(double(kDots) * double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_MemoryDotsPage)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
