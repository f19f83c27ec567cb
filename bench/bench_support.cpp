// Adds the CPU model, the vector level and the thread count to every benchmark report.
#include "bench_support.h"

#include "host/descriptor_suite.h"
#include "host/handle_suite.h"
#include "host/host_session.h"
#include "host/plugin_module.h"
#include "kernels/speed_settings.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

void reportMachine() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line, model = "unknown";
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    }
    benchmark::AddCustomContext("cpu", model);
    benchmark::AddCustomContext("hardware threads", std::to_string(std::thread::hardware_concurrency()));
    benchmark::AddCustomContext("simd", simdLevelName(activeSimdLevel()));
    benchmark::AddCustomContext("filter threads", std::to_string(jobConcurrency()));
}

std::string speedLabel(int threads) {
    return "threads " + std::to_string(threads) + ", simd " + simdLevelName(activeSimdLevel());
}

const PluginModule& benchPluginModule() {
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

ExportRunResult runBenchExport(Document& document, int32_t job, const std::string& path, Descriptor& settings) {
    DescriptorSuiteHost suite(DescriptorSuiteConfig{}, &settings);
    HostConfig config;
    config.descriptorParameters = suite.parameters();
    HostSession session(document, config);
    PluginSessionState pluginState;
    TwilightomatorExportRequest request{};
    request.job = job;
    request.path = path.c_str();
    const ExportRunResult run = runExport(benchPluginModule(), session, pluginState, request);
    if (pluginState.parameters) hostDisposeHandle(pluginState.parameters);
    if (pluginState.data) hostDisposeHandle(reinterpret_cast<Handle>(pluginState.data));
    return run;
}

double peakResidentMegabytes() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

namespace {
const int kReported = (reportMachine(), 0);
}
