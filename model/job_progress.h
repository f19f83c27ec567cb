// How far a long job got and whether it should stop: the one interface a job
// is given (the filtering pass, the exports, the PSD writer), whoever shows
// it (the host's progress procedures, the dialog's progress window).
#pragma once

#include <cstdint>

class JobProgress {
public:
    virtual ~JobProgress() = default;
    // done of total; false once the job should stop.
    virtual bool report(int64_t done, int64_t total) = 0;
    // Asks now whether the job should stop, however recently it reported.
    virtual bool stopRequested() = 0;
};
