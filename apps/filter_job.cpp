// Running the plug-in over one document.
#include "apps/filter_job.h"

#include "host/descriptor_suite.h"
#include "platform/interrupt_signals.h"

#include <cstdio>

namespace {
// A one-line progress bar on stderr, redrawn only when the percentage moves.
class ProgressBar {
public:
    explicit ProgressBar(std::string label) : label_(std::move(label)) {}
    ~ProgressBar() {
        if (drawn_) std::fputc('\n', stderr);
    }
    void update(int32_t done, int32_t total) {
        if (total <= 0) return;
        const int percent = int(int64_t(done) * 100 / total);
        if (percent == last_) return;
        last_ = percent;
        drawn_ = true;
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled, "##############################",
                     30 - filled, "", percent);
        std::fflush(stderr);
    }

private:
    std::string label_;
    int last_ = -1;
    bool drawn_ = false;
};
}  // namespace

PluginSessionState& programPluginState() {
    static PluginSessionState state;
    return state;
}

volatile std::sig_atomic_t* installInterruptFlag() { return installInterruptSignals(); }

FilterJobResult runFilterJob(const PluginModule& module, Document& document, const FilterJob& job) {
    DescriptorSuiteConfig suiteConfig;
    suiteConfig.playInfo = job.playMode;
    DescriptorSuiteHost suite(suiteConfig, job.descriptor ? &*job.descriptor : nullptr);

    ProgressBar bar(job.progressLabel);
    HostConfig config;
    config.descriptorParameters = suite.parameters();
    config.abortFlag = job.abortFlag;
    if (job.showProgress) config.onProgress = [&bar](int32_t done, int32_t total) { bar.update(done, total); };

    HostSession session(document, config);
    const FilterRunResult run = runFilter(module, session, programPluginState(), false);
    if (run.result == 0 && job.showProgress) bar.update(1, 1);

    FilterJobResult result;
    result.result = run.result;
    result.failedSelector = run.failedSelector;
    Descriptor recorded;
    if (run.result == 0 && suite.takeDescriptor(recorded)) result.recorded = recorded;
    return result;
}
