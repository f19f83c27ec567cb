// A job's progress through the host's progress and abort procedures (the
// host's progress bar, the command line's bar).
#pragma once

#include "interface/host_interface.h"
#include "model/job_progress.h"

class HostProgress final : public JobProgress {
public:
    explicit HostProgress(const FilterRecord* record) : record_(record) {}
    // Passes done of total to the host's progress procedure, when it has
    // one; never asks about a stop (true).
    bool report(int64_t done, int64_t total) override;
    // The host's abort procedure; false when it has none.
    bool stopRequested() override;

private:
    const FilterRecord* record_;
};
