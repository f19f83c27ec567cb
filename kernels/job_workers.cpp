// Worker threads that run the job runner's batches.
#include "kernels/job_workers.h"

// A standard library without thread support (a win32-threads cross build)
// starts no threads; every job runs on the calling thread with the same result.
#if defined(__GLIBCXX__) && !defined(_GLIBCXX_HAS_GTHREADS)
#define TWL_JOBS_WITHOUT_THREADS 1
#endif

int JobWorkers::start(int jobCount) {
    stop();
    if (jobCount > kMaxJobs) jobCount = kMaxJobs;
#if !defined(TWL_JOBS_WITHOUT_THREADS)
    for (int i = 0; i + 1 < jobCount; ++i) {
        try {
            threads_[i] = std::thread([this, i] { workerLoop(i + 1); });
        } catch (...) {
            break;  // fewer threads: the jobs still all run
        }
        ++threadCount_;
    }
#endif
    return concurrency();
}

void JobWorkers::stop() {
    if (threadCount_ == 0) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (int i = 0; i < threadCount_; ++i) threads_[i].join();
    threadCount_ = 0;
    stopping_ = false;
}

void JobWorkers::runShare(int participant) {
    for (int i = participant; i < batchSize_; i += threadCount_ + 1) runJob(batch_[i]);
}

void JobWorkers::workerLoop(int participant) {
    unsigned seen = 0;
    while (true) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
        }
        runShare(participant);
        std::lock_guard<std::mutex> lock(mutex_);
        if (--busyWorkers_ == 0) finished_.notify_one();
    }
}

void JobWorkers::run(const Job* jobs, int jobCount) {
    if (jobCount <= 0) return;
    if (threadCount_ == 0 || jobCount == 1) {
        for (int i = 0; i < jobCount; ++i) runJob(jobs[i]);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch_ = jobs;
        batchSize_ = jobCount;
        busyWorkers_ = threadCount_;
        ++generation_;
    }
    wake_.notify_all();
    runShare(0);
    // Every worker must have left the batch before the caller may reuse it.
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [&] { return busyWorkers_ == 0; });
    batch_ = nullptr;
    batchSize_ = 0;
}

void runJobsOn(JobWorkers* workers, const Job* jobs, int jobCount) {
    if (workers) {
        workers->run(jobs, jobCount);
        return;
    }
    for (int i = 0; i < jobCount; ++i) runJob(jobs[i]);
}
