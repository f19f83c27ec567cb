// Writing a 3000 x 2000 8-bit RGB PNG and TIFF file (a photograph's
// gradients with grain) into $TMPDIR (or /tmp) with 1 and 2 threads: row
// conversion, filtering, deflate, chunks or strips and the file itself.
// Reported with the file's size.
#include "bench_support.h"

#include "host/image_files.h"

#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

const Document& photoLike8() {
    static const Document document = [] {
        Document d;
        std::string error;
        makeDocument(d, 3000, 2000, 3, false, SampleDepth::eight, error);
        uint32_t seed = 12345;
        for (int32_t y = 0; y < d.height; ++y)
            for (int32_t x = 0; x < d.width; ++x)
                for (int c = 0; c < 3; ++c) {
                    seed = seed * 1103515245u + 12345u;
                    const int grain = int(seed >> 27) - 16;
                    const int v = (x * (c + 2) / 30 + y * (4 - c) / 25) % 200 + 28 + grain;
                    d.pixel(x, y)[c] = uint8_t(v);
                }
        return d;
    }();
    return document;
}

void writeImage(benchmark::State& state, const char* extension) {
    const auto threads = int32_t(state.range(0));
    const Document& document = photoLike8();
    const char* folder = std::getenv("TMPDIR");
    const std::string path = std::string(folder ? folder : "/tmp") + "/twilightomator-bench-" +
                             std::to_string(getpid()) + extension;
    setImageFileThreads(threads);
    for (auto _ : state) {
        ImageWriteReport report;
        std::string error;
        if (!writeImageFile(path, document, 0, true, report, error)) state.SkipWithError(error.c_str());
    }
    struct stat status {};
    stat(path.c_str(), &status);
    unlink(path.c_str());
    setImageFileThreads(0);
    state.SetLabel("threads " + std::to_string(threads));
    state.counters["file MB"] = double(status.st_size) / 1e6;
    state.counters["Mpix/s"] = benchmark::Counter(double(document.width) * document.height * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}

void BM_WritePng8(benchmark::State& state) { writeImage(state, ".png"); }
void BM_WriteTiff8(benchmark::State& state) { writeImage(state, ".tif"); }

BENCHMARK(BM_WritePng8)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteTiff8)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
