// An export's progress as the job progress it was given sees it: one report
// per new percentage of the phase's share of the bar, a stop asked for every
// 32nd step, and nothing passed on once the user cancelled.
#include "plugin/export_progress.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct RecordedProgress final : JobProgress {
    std::vector<int64_t> percents;
    int polls = 0;
    int stopAtPoll = 0;  // 0: never
    bool report(int64_t done, int64_t total) override {
        EXPECT_EQ(total, 100);
        percents.push_back(done);
        return true;
    }
    bool stopRequested() override { return ++polls == stopAtPoll; }
};

TEST(ExportProgress, PercentagesOfAPhaseAndAStopAskedEvery32ndStep) {
    RecordedProgress shown;
    shown.stopAtPoll = 3;
    ExportProgress progress(shown);
    progress.phase(0, 50);
    // Step i of 200 in the first half of the bar is i x 50 / 200 = i / 4
    // percent. The stop is asked at steps 32, 64 and 96; the third answers
    // yes, so steps 1..95 report 0..23 (each once) and step 96 is refused.
    int accepted = 0;
    for (int64_t i = 0; i < 200; ++i) {
        if (!progress.report(i, 200)) break;
        ++accepted;
    }
    EXPECT_EQ(accepted, 95);
    ASSERT_EQ(shown.percents.size(), 24u);
    for (size_t p = 0; p < shown.percents.size(); ++p) EXPECT_EQ(shown.percents[p], int64_t(p));
    EXPECT_EQ(shown.polls, 3);
    EXPECT_TRUE(progress.cancelled());
    EXPECT_TRUE(progress.stopRequested());
    EXPECT_FALSE(progress.report(199, 200));
    EXPECT_EQ(shown.polls, 3);  // a cancelled export asks no more
    EXPECT_EQ(shown.percents.size(), 24u);

    // The writing phase fills 50..100; a stop is asked at once when wanted.
    RecordedProgress writing;
    ExportProgress second(writing);
    second.phase(50, 50);
    EXPECT_TRUE(second.report(1, 2));
    EXPECT_TRUE(second.report(2, 2));
    EXPECT_EQ(writing.percents, (std::vector<int64_t>{75, 100}));
    EXPECT_FALSE(second.stopRequested());
    EXPECT_EQ(writing.polls, 1);
}

}  // namespace
