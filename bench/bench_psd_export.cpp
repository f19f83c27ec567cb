// The layered document export of a 24-megapixel (6000 x 4000) 16-bit image
// through the module's export entry: source acquisition, the render into
// the working image and the writing of the file into $TMPDIR (or /tmp).
// Reported with the process's peak resident memory, which includes the
// document the host holds (6000 x 4000 x 6 bytes = 144 MB).
#include "bench_support.h"

#include "host/descriptor_suite.h"
#include "host/descriptor_suite_store.h"
#include "host/export_driver.h"
#include "host/plugin_module.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

Document photoLike16(int32_t width, int32_t height) {
    Document d;
    std::string error;
    makeDocument(d, width, height, 3, false, SampleDepth::sixteen, error);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                const double v = double((x * (c + 3) + y * (5 - c) + ((x ^ y) & 63)) % 256) / 255.0;
                const uint16_t h = uint16_t(v * 32768);
                std::memcpy(d.pixel(x, y) + 2 * c, &h, 2);
            }
    return d;
}

void BM_ExportPsd16(benchmark::State& state) {
    const int32_t width = 6000, height = 4000;
    Document document = photoLike16(width, height);
    const char* folder = std::getenv("TMPDIR");
    const std::string path = std::string(folder ? folder : "/tmp") + "/twilightomator-bench-" +
                             std::to_string(getpid()) + ".psd";
    Descriptor settings;
    for (auto _ : state) {
        const ExportRunResult run = runBenchExport(document, kExportLayeredDocument, path, settings);
        if (run.result != 0) state.SkipWithError(("the export failed: " + run.message).c_str());
    }
    unlink(path.c_str());
    state.counters["peak MB"] = peakResidentMegabytes();
    state.counters["Mpix/s"] =
        benchmark::Counter(double(width) * height * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ExportPsd16)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
