// An export's progress: its phases as percentages of one bar, passed on to
// the progress the export was given only when the percentage moves, with a
// stop asked for every 32nd step.
#pragma once

#include "model/job_progress.h"

#include <cstdint>

class ExportProgress final : public JobProgress {
public:
    explicit ExportProgress(JobProgress& shown) : shown_(shown) {}
    // Reports done of total when the percentage moves; asks about a stop
    // every 32nd call. False once the user cancelled.
    bool report(int64_t done, int64_t total) override;
    // Asks about a stop now: before a job writes its file, a stop the user
    // asked for is heeded however few steps came before.
    bool stopRequested() override;
    // Later steps fill the percentages base .. base + span (a job of several
    // phases: render, then write).
    void phase(int32_t base, int32_t span) {
        base_ = base;
        span_ = span;
    }
    bool cancelled() const { return cancelled_; }
    // Where the percentages go (the host's bar or the dialog's window).
    JobProgress& shown() { return shown_; }

private:
    JobProgress& shown_;
    int32_t lastPercent_ = -1;
    int32_t base_ = 0, span_ = 100;
    int32_t calls_ = 0;
    bool cancelled_ = false;
};
