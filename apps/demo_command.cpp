// twilightomator demo: the filter at its defaults on the built-in sample.
#include "apps/commands.h"

#include "apps/filter_job.h"
#include "apps/interruption.h"
#include "apps/sample_scene.h"
#include "host/image_files.h"
#include "interface/host_interface.h"
#include "platform/utf8_path.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace {
constexpr char kUsage[] =
    "Usage: twilightomator demo [--plugin PATH]\n\n"
    "Writes the built-in sample scene as twilightomator-sample.png in the current\n"
    "folder, runs the filter over it with the default settings and writes the\n"
    "result beside it as twilightomator-sample-moody.png.\n";
}  // namespace

int demoCommand(const Arguments& given) {
    PluginModule module;
    std::string pluginPath;
    if (const int end = loadModuleOnly("demo", kUsage, given, module, pluginPath); end >= 0) return end;
    std::string error;
    const std::string samplePath = "twilightomator-sample.png";
    const std::string resultPath = "twilightomator-sample-moody.png";
    Document scene = makeSampleScene();
    ImageWriteReport report;
    if (!writeImageFile(samplePath, scene, 8, true, report, error)) {
        printError(error);
        return kExitFailure;
    }
    FilterJob job;
    // The defaults, whatever the cached settings say: a reset descriptor.
    job.descriptor = Descriptor{};
    job.abortFlag = installInterruptFlag();
    job.showProgress = isatty(STDERR_FILENO);
    job.progressLabel = "sample";
    const FilterJobResult result = runFilterJob(module, scene, job);
    // The sample is already written; the result is not.
    if (*job.abortFlag) return stopForInterruption(*job.abortFlag, {samplePath});
    if (result.result != 0) {
        printError("the filter failed at " + std::string(selectorName(result.failedSelector)) + ": " +
                   describeResult(result.result));
        return kExitFailure;
    }
    if (!writeImageFile(resultPath, scene, 8, true, report, error)) {
        printError(error);
        return kExitFailure;
    }
    const std::filesystem::path here = std::filesystem::current_path();
    std::printf("sample: %s\nresult: %s\n", utf8PathText(here / filesystemPath(samplePath)).c_str(),
                utf8PathText(here / filesystemPath(resultPath)).c_str());
    return kExitOk;
}
