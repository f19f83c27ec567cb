// Throttled progress and stop checks of the filtering pass.
#include "plugin/pass_throttles.h"

#include "plugin/work_area.h"

namespace {
constexpr int32_t kThrottle = 32;
}  // namespace

void reportProgress(PluginGlobals& globals, JobProgress& progress, int32_t step, int32_t total) {
    const FilterParameters* parameters = parametersOf(globals.record);
    if (!parameters || parameters->renderTarget != renderHostRows || !globals.workArea) return;
    WorkArea& work = *globals.workArea;
    work.progressCounter %= kThrottle;
    if (step > work.progressLastRow + 4) work.progressCounter = 0;
    if (work.progressCounter == 0 || step == 0) progress.report(step, total);
    work.progressCounter += 1;
    work.progressLastRow = step;
}

bool abortRequested(PluginGlobals& globals, JobProgress& progress) {
    const FilterParameters* parameters = parametersOf(globals.record);
    if (!parameters || parameters->renderTarget == renderPreview || !globals.workArea) return false;
    WorkArea& work = *globals.workArea;
    work.abortCounter = (work.abortCounter + 1) % kThrottle;
    if (work.abortCounter != 0) return false;
    return progress.stopRequested();
}
