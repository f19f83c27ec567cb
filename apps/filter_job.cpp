// Running the plug-in over one document.
#include "apps/filter_job.h"

#include "apps/progress_bar.h"

#include "host/descriptor_suite.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

PluginSessionState& programPluginState() {
    static PluginSessionState state;
    return state;
}

void useTestHostBehaviour(HostConfig& host, DescriptorSuiteConfig& descriptors) {
    const char* chosen = std::getenv("TWL_HOST_BEHAVIOUR");
    const bool real = chosen && std::strcmp(chosen, "real") == 0;
    host.behaviour = real ? HostBehaviour::likeRealHosts : HostBehaviour::ours;
    descriptors.marksReadKeys = real;
}

FilterJobResult runFilterJob(const PluginModule& module, Document& document, const FilterJob& job) {
    HostConfig config;
    config.buffers.markContents = false;  // the plug-in's buffers as a real host gives them
    DescriptorSuiteConfig suiteConfig;
    useTestHostBehaviour(config, suiteConfig);
    suiteConfig.playInfo = job.playMode;
    DescriptorSuiteHost suite(suiteConfig, job.descriptor ? &*job.descriptor : nullptr);

    ProgressBar bar(job.progressLabel);
    config.descriptorParameters = suite.parameters();
    config.abortFlag = job.abortFlag;
    config.withAdvanceState = !job.withoutAdvanceState;
    if (job.showProgress) config.onProgress = [&bar](int32_t done, int32_t total) { bar.update(done, total); };

    HostSession session(document, config);
    const FilterRunResult run = runFilter(module, session, programPluginState(), job.withDialog);
    if (run.result == 0 && job.showProgress) bar.update(1, 1);

    FilterJobResult result;
    result.result = run.result;
    result.failedSelector = run.failedSelector;
    Descriptor recorded;
    if (run.result == 0 && suite.takeDescriptor(recorded)) result.recorded = recorded;
    return result;
}
