// Job runner: row and band splits, kind dispatch, threaded runs.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>
#include <vector>

#include "kernels/job_workers.h"
#include "kernels/jobs.h"

TEST(JobSplit, RowJobsCoverTheSpanInFloorSteps) {
    Job pattern;
    pattern.kind = kJobRowSpan;
    pattern.row = 7;
    Job jobs[kMaxJobs];
    // c = 10 columns from 5, N = 3: floor(10/3) = 3, floor(20/3) = 6.
    ASSERT_EQ(splitRowJobs(pattern, 5, 14, 3, jobs), 3);
    EXPECT_EQ(jobs[0].firstColumn, 5);
    EXPECT_EQ(jobs[0].lastColumn, 7);
    EXPECT_EQ(jobs[1].firstColumn, 8);
    EXPECT_EQ(jobs[1].lastColumn, 10);
    EXPECT_EQ(jobs[2].firstColumn, 11);
    EXPECT_EQ(jobs[2].lastColumn, 14);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(jobs[i].index, i);
        EXPECT_EQ(jobs[i].count, 3);
        EXPECT_EQ(jobs[i].row, 7);
        EXPECT_EQ(jobs[i].spanFirst, 5);
        EXPECT_EQ(jobs[i].spanLast, 14);
    }
    // N = 1: one job over the whole row.
    ASSERT_EQ(splitRowJobs(pattern, 0, 99, 1, jobs), 1);
    EXPECT_EQ(jobs[0].firstColumn, 0);
    EXPECT_EQ(jobs[0].lastColumn, 99);
    // No job for an empty span.
    EXPECT_EQ(splitRowJobs(pattern, 3, 2, 1, jobs), 0);
    // Two columns over four jobs: jobs 0 and 2 are empty and not made.
    ASSERT_EQ(splitRowJobs(pattern, 0, 1, 4, jobs), 2);
    EXPECT_EQ(jobs[0].index, 1);
    EXPECT_EQ(jobs[0].firstColumn, 0);
    EXPECT_EQ(jobs[0].lastColumn, 0);
    EXPECT_EQ(jobs[1].index, 3);
    EXPECT_EQ(jobs[1].firstColumn, 1);
}

TEST(JobSplit, BandsRunAlongTheLongerSide) {
    Job pattern;
    pattern.kind = kJobLevelReduce;
    Job jobs[kMaxJobs];
    // Wider than high (or square): columns.
    ASSERT_EQ(splitBandJobs(pattern, PixelRect{2, 100, 6, 110}, 3, jobs), 3);
    EXPECT_EQ(jobs[0].rect.left, 100);
    EXPECT_EQ(jobs[0].rect.right, 103);
    EXPECT_EQ(jobs[1].rect.left, 103);
    EXPECT_EQ(jobs[1].rect.right, 106);
    EXPECT_EQ(jobs[2].rect.left, 106);
    EXPECT_EQ(jobs[2].rect.right, 110);
    EXPECT_EQ(jobs[2].rect.top, 2);
    EXPECT_EQ(jobs[2].rect.bottom, 6);
    // Higher than wide: rows.
    ASSERT_EQ(splitBandJobs(pattern, PixelRect{0, 0, 10, 4}, 2, jobs), 2);
    EXPECT_EQ(jobs[0].rect.bottom, 5);
    EXPECT_EQ(jobs[1].rect.top, 5);
    EXPECT_EQ(jobs[1].rect.bottom, 10);
    EXPECT_EQ(jobs[1].rect.right, 4);
    // One band is the whole rectangle; none for an empty one.
    ASSERT_EQ(splitBandJobs(pattern, PixelRect{1, 2, 3, 4}, 1, jobs), 1);
    EXPECT_EQ(jobs[0].rect.left, 2);
    EXPECT_EQ(jobs[0].rect.bottom, 3);
    EXPECT_EQ(splitBandJobs(pattern, PixelRect{0, 0, 0, 0}, 4, jobs), 0);
    EXPECT_EQ(splitBandJobs(pattern, PixelRect{5, 5, 2, 2}, 4, jobs), 0);
    // More jobs than pixels: only non-empty bands, never more than kMaxJobs.
    EXPECT_EQ(splitBandJobs(pattern, PixelRect{0, 0, 1, 3}, 8, jobs), 3);
    EXPECT_EQ(splitBandJobs(pattern, PixelRect{0, 0, 1, 1000}, 500, jobs), kMaxJobs);
}

namespace {
void countCall(const Job& job) { static_cast<std::atomic<int>*>(job.owner)->fetch_add(1); }
}  // namespace

TEST(JobRun, OnlyKnownKindsCallTheirRoutine) {
    std::atomic<int> calls{0};
    Job job;
    job.owner = &calls;
    job.routine = countCall;
    for (int kind : {kJobRowSpan, kJobLevelReduce, kJobImageRect}) {
        job.kind = kind;
        runJob(job);
    }
    EXPECT_EQ(calls.load(), 3);
    for (int kind : {0, 2, -999, -1002}) {
        job.kind = kind;
        runJob(job);
    }
    EXPECT_EQ(calls.load(), 3);
    job.kind = kJobRowSpan;
    job.routine = nullptr;
    runJob(job);
    EXPECT_EQ(calls.load(), 3);
}

namespace {
struct SpanTarget {
    std::vector<int> hits;
    std::thread::id caller;
    std::atomic<bool> firstOnCaller{false};
};
void markSpan(const Job& job) {
    auto* target = static_cast<SpanTarget*>(job.owner);
    for (int x = job.firstColumn; x <= job.lastColumn; ++x) target->hits[x] += job.index + 1;
    if (job.index == 0 && std::this_thread::get_id() == target->caller) target->firstOnCaller = true;
}
}  // namespace

TEST(JobRun, EveryColumnIsWrittenByExactlyOneJob) {
    for (int count : {1, 2, 7, 64}) {
        SpanTarget target;
        target.hits.assign(1000, 0);
        target.caller = std::this_thread::get_id();
        Job pattern;
        pattern.kind = kJobRowSpan;
        pattern.owner = &target;
        pattern.routine = markSpan;
        Job jobs[kMaxJobs];
        const int made = splitRowJobs(pattern, 0, 999, count, jobs);
        ASSERT_EQ(made, count);
        runJobs(jobs, made);
        EXPECT_TRUE(target.firstOnCaller.load()) << count;
        // Job i covers floor(i * 1000 / N) .. floor((i + 1) * 1000 / N) - 1 and marks it with i + 1.
        for (int i = 0; i < made; ++i) {
            EXPECT_EQ(jobs[i].firstColumn, i * 1000 / count);
            EXPECT_EQ(jobs[i].lastColumn, (i + 1) * 1000 / count - 1);
            for (int x = jobs[i].firstColumn; x <= jobs[i].lastColumn; ++x) ASSERT_EQ(target.hits[x], i + 1) << count;
        }
    }
}

TEST(JobRun, MoreJobsThanOneGroupAllRun) {
    std::atomic<int> calls{0};
    std::vector<Job> jobs(150);
    for (Job& job : jobs) {
        job.kind = kJobImageRect;
        job.owner = &calls;
        job.routine = countCall;
    }
    runJobs(jobs.data(), static_cast<int>(jobs.size()));
    EXPECT_EQ(calls.load(), 150);
    runJobs(jobs.data(), 0);
    EXPECT_EQ(calls.load(), 150);
}

TEST(JobWorkers, BatchAfterBatchEveryColumnIsWrittenOnce) {
    JobWorkers workers;
    EXPECT_EQ(workers.concurrency(), 1);
    workers.stop();  // harmless before a start
    for (int threads : {1, 2, 3, 7}) {
        ASSERT_EQ(workers.start(threads), threads);
        // Many small batches: a worker that missed a wake-up or ran a stale
        // batch would leave a column unmarked or mark it twice.
        for (int batch = 0; batch < 200; ++batch) {
            const int count = 1 + batch % 9;
            SpanTarget target;
            target.hits.assign(97, 0);
            Job pattern;
            pattern.kind = kJobRowSpan;
            pattern.owner = &target;
            pattern.routine = markSpan;
            Job jobs[kMaxJobs];
            const int made = splitRowJobs(pattern, 0, 96, count, jobs);
            workers.run(jobs, made);
            for (int i = 0; i < made; ++i)
                for (int x = jobs[i].firstColumn; x <= jobs[i].lastColumn; ++x)
                    ASSERT_EQ(target.hits[x], i + 1) << threads << " threads, batch " << batch;
        }
    }
    workers.stop();
    EXPECT_EQ(workers.concurrency(), 1);
}

// A job whose memory is refused throws; the others are still all run, and
// the refusal reaches the caller only once every job is done, on the
// calling thread (out of a worker it would end the process).
struct RefusingTarget {
    int refusedIndex = 0;
    std::atomic<int> finished{0};
};
void refuseOne(const Job& job) {
    auto* target = static_cast<RefusingTarget*>(job.owner);
    if (job.index == target->refusedIndex) throw std::bad_alloc();
    target->finished.fetch_add(1);
}

TEST(JobRun, AJobThatThrowsReachesTheCallerAfterTheOthersFinish) {
    for (int refused : {0, 3, 7}) {
        RefusingTarget target;
        target.refusedIndex = refused;
        Job jobs[8];
        for (int i = 0; i < 8; ++i) {
            jobs[i].kind = kJobImageRect;
            jobs[i].index = i;
            jobs[i].owner = &target;
            jobs[i].routine = refuseOne;
        }
        EXPECT_THROW(runJobs(jobs, 8), std::bad_alloc) << refused;
        EXPECT_EQ(target.finished.load(), 7);

        JobWorkers workers;
        workers.start(4);
        target.finished = 0;
        for (int batch = 0; batch < 2; ++batch) {
            EXPECT_THROW(workers.run(jobs, 8), std::bad_alloc) << refused;
            EXPECT_EQ(target.finished.load(), 7 * (batch + 1));
        }
        // The refusal was handed over once: a batch without it runs clean.
        target.refusedIndex = -1;
        EXPECT_NO_THROW(workers.run(jobs, 8));
        EXPECT_EQ(target.finished.load(), 14 + 8);
    }
}
