// Export progress through the host's procedures.
#include "plugin/export_progress.h"

bool ExportProgress::step(int64_t done, int64_t total) {
    if (cancelled_) return false;
    if (total > 0 && record_->progressProc) {
        const int32_t percent = base_ + int32_t(done * span_ / total);
        if (percent != lastPercent_) {
            lastPercent_ = percent;
            record_->progressProc(percent, 100);
        }
    }
    calls_ = (calls_ + 1) % 32;
    if (calls_ == 0 && record_->abortProc && record_->abortProc()) cancelled_ = true;
    return !cancelled_;
}

bool ExportProgress::stopRequested() {
    if (!cancelled_ && record_->abortProc && record_->abortProc()) cancelled_ = true;
    return cancelled_;
}
