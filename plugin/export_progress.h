// Progress and cancel of an export, through the host's progress and abort
// procedures (the dialog's progress window, the command line's bar).
#pragma once

#include "interface/host_interface.h"

#include <cstdint>

class ExportProgress {
public:
    explicit ExportProgress(const FilterRecord* record) : record_(record) {}
    // Reports done of total when the percentage moves; polls the host's
    // abort every 32nd call. False once the user cancelled.
    bool step(int64_t done, int64_t total);
    // Later steps fill the percentages base .. base + span (a job of several
    // phases: render, then write).
    void phase(int32_t base, int32_t span) {
        base_ = base;
        span_ = span;
    }
    bool cancelled() const { return cancelled_; }
    // Polls the host's abort now: before a job writes its file, a stop the
    // user asked for is heeded however few steps came before.
    bool stopRequested();

private:
    const FilterRecord* record_;
    int32_t lastPercent_ = -1;
    int32_t base_ = 0, span_ = 100;
    int32_t calls_ = 0;
    bool cancelled_ = false;
};
