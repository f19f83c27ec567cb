// An export's percentages and stop checks.
#include "plugin/export_progress.h"

bool ExportProgress::report(int64_t done, int64_t total) {
    if (cancelled_) return false;
    if (total > 0) {
        const int32_t percent = base_ + int32_t(done * span_ / total);
        if (percent != lastPercent_) {
            lastPercent_ = percent;
            shown_.report(percent, 100);
        }
    }
    calls_ = (calls_ + 1) % 32;
    if (calls_ == 0 && shown_.stopRequested()) cancelled_ = true;
    return !cancelled_;
}

bool ExportProgress::stopRequested() {
    if (!cancelled_ && shown_.stopRequested()) cancelled_ = true;
    return cancelled_;
}
