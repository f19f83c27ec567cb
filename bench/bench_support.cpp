// Adds the CPU model and the thread count to every benchmark report.
#include "bench_support.h"

#include <benchmark/benchmark.h>
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
    benchmark::AddCustomContext("filter threads", "1");
}

namespace {
const int kReported = (reportMachine(), 0);
}
