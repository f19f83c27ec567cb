// A one-line progress bar on stderr, redrawn only when the percentage moves.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

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
