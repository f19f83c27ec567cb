// Progress and stop through the host's procedures.
#include "plugin/host_progress.h"

bool HostProgress::report(int64_t done, int64_t total) {
    if (record_->progressProc) record_->progressProc(int32_t(done), int32_t(total));
    return true;
}

bool HostProgress::stopRequested() { return record_->abortProc && record_->abortProc() != 0; }
