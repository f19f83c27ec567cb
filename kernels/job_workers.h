// Worker threads for the job runner: started once for a pass, each waits for
// the next batch of jobs, and all are joined when the pass ends. Jobs write
// disjoint spans and read only constant data, so who runs a job never
// changes its result.
#pragma once

#include "kernels/jobs.h"

#include <condition_variable>
#include <mutex>
#include <thread>

class JobWorkers {
public:
    JobWorkers() = default;
    ~JobWorkers() { stop(); }
    JobWorkers(const JobWorkers&) = delete;
    JobWorkers& operator=(const JobWorkers&) = delete;

    // Makes `jobCount` jobs able to run at once (1..kMaxJobs): starts
    // jobCount - 1 threads, the calling thread being the last. Threads that
    // cannot be started are done without; returns the count reached.
    int start(int jobCount);
    // Joins every thread. Harmless when none runs.
    void stop();
    // How many jobs run at once (1 when no thread runs).
    int concurrency() const { return threadCount_ + 1; }

    // Runs every job and returns when all are done. With T threads, thread t
    // (1..T) runs jobs t, t + T + 1, ... and the calling thread jobs 0,
    // T + 1, ...: a fixed share each, so a row split in T + 1 jobs keeps
    // every thread busy. With no threads the jobs run in index order.
    void run(const Job* jobs, int jobCount);

private:
    void workerLoop(int participant);
    void runShare(int participant);

    std::thread threads_[kMaxJobs];
    int threadCount_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    const Job* batch_ = nullptr;
    int batchSize_ = 0;
    int busyWorkers_ = 0;
    unsigned generation_ = 0;
    bool stopping_ = false;
};

// Runs the jobs on `workers` when given, else on the calling thread in index order.
void runJobsOn(JobWorkers* workers, const Job* jobs, int jobCount);
