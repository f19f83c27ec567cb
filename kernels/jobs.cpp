// The job runner's splits and its sequential and threaded execution.
#include "kernels/jobs.h"

#include <cstdint>
#include <exception>
#include <thread>

// A standard library without thread support (a win32-threads cross build)
// runs every job on the calling thread; results are the same.
#if defined(__GLIBCXX__) && !defined(_GLIBCXX_HAS_GTHREADS)
#define TWL_JOBS_WITHOUT_THREADS 1
#endif

namespace {
int limitCount(int count) { return count < 1 ? 1 : (count > kMaxJobs ? kMaxJobs : count); }
}  // namespace

int splitRowJobs(const Job& pattern, int first, int last, int count, Job* jobs) {
    const int64_t columns = static_cast<int64_t>(last) - first + 1;
    if (columns < 1) return 0;
    count = limitCount(count);
    int made = 0;
    for (int i = 0; i < count; ++i) {
        const int64_t begin = first + i * columns / count;
        const int64_t end = first + (i + 1) * columns / count;  // excluded
        if (end <= begin) continue;
        Job& job = jobs[made++];
        job = pattern;
        job.count = count;
        job.index = i;
        job.firstColumn = static_cast<int>(begin);
        job.lastColumn = static_cast<int>(end - 1);
        job.spanFirst = first;
        job.spanLast = last;
    }
    return made;
}

int splitBandJobs(const Job& pattern, PixelRect rect, int count, Job* jobs) {
    const int64_t w = static_cast<int64_t>(rect.right) - rect.left;
    const int64_t h = static_cast<int64_t>(rect.bottom) - rect.top;
    const bool byRows = w < h;
    const int64_t length = byRows ? h : w;
    if (length <= 0) return 0;
    count = limitCount(count);
    int made = 0;
    for (int i = 0; i < count; ++i) {
        const int64_t begin = i * length / count;
        const int64_t end = (i + 1) * length / count;
        if (end <= begin) continue;
        Job& job = jobs[made++];
        job = pattern;
        job.count = count;
        job.index = i;
        job.rect = rect;
        if (byRows) {
            job.rect.top = static_cast<int>(rect.top + begin);
            job.rect.bottom = static_cast<int>(rect.top + end);
        } else {
            job.rect.left = static_cast<int>(rect.left + begin);
            job.rect.right = static_cast<int>(rect.left + end);
        }
    }
    return made;
}

void runJob(const Job& job) {
    if (job.routine == nullptr) return;
    if (job.kind == kJobRowSpan || job.kind == kJobLevelReduce || job.kind == kJobImageRect) job.routine(job);
}

namespace {
#if !defined(TWL_JOBS_WITHOUT_THREADS)
// What a job throws (a refused allocation) is kept, not let out of its
// thread, where it would end the host's process.
void runKeepingFailure(const Job& job, std::exception_ptr& failure) noexcept {
    try {
        runJob(job);
    } catch (...) {
        failure = std::current_exception();
    }
}
#endif

// At most kMaxJobs at a time: job 0 of the group on the calling thread.
// A job that throws does so on the calling thread, once every job is done.
void runJobGroup(const Job* jobs, int jobCount) {
#if defined(TWL_JOBS_WITHOUT_THREADS)
    for (int i = 0; i < jobCount; ++i) runJob(jobs[i]);
#else
    std::thread workers[kMaxJobs];
    bool started[kMaxJobs] = {};
    std::exception_ptr failures[kMaxJobs];
    for (int i = 1; i < jobCount; ++i) {
        try {
            workers[i] = std::thread([job = &jobs[i], failure = &failures[i]] { runKeepingFailure(*job, *failure); });
            started[i] = true;
        } catch (...) {
            started[i] = false;  // no thread: run it here below
        }
    }
    runKeepingFailure(jobs[0], failures[0]);
    for (int i = 1; i < jobCount; ++i) {
        if (started[i]) workers[i].join();
        else runKeepingFailure(jobs[i], failures[i]);
    }
    for (int i = 0; i < jobCount; ++i)
        if (failures[i]) std::rethrow_exception(failures[i]);
#endif
}
}  // namespace

void runJobs(const Job* jobs, int jobCount) {
    if (jobCount <= 0) return;
    if (jobCount == 1) {
        runJob(jobs[0]);
        return;
    }
    for (int start = 0; start < jobCount; start += kMaxJobs) {
        const int group = jobCount - start < kMaxJobs ? jobCount - start : kMaxJobs;
        runJobGroup(jobs + start, group);
    }
}
