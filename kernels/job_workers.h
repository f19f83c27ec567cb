// Worker threads for the job runner: started once for a pass, each waits for
// the next batch of jobs, and all are joined when the pass ends. Jobs write
// disjoint spans and read only constant data, so who runs a job never
// changes its result.
#pragma once

#include "kernels/jobs.h"

#include <atomic>
#include <exception>

// A standard library without thread support (a win32-threads cross build)
// starts no threads; every job runs on the calling thread with the same result.
#if defined(__GLIBCXX__) && !defined(_GLIBCXX_HAS_GTHREADS)
#define TWL_JOBS_WITHOUT_THREADS 1
#else
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

class JobWorkers {
public:
    JobWorkers() = default;
    ~JobWorkers() {
        stop();
        joinAside();
    }
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

    // Runs every job and returns when all are done. The calling thread and
    // the threads that are awake take jobs in index order until none is
    // left, so a thread the system is slow to wake costs little: split the
    // work in a few jobs per thread. With no threads the jobs run in index
    // order on the caller. What a job throws is thrown here, on the calling
    // thread, once every job of the batch is done.
    void run(const Job* jobs, int jobCount);

    // Runs one job on a thread of its own while the caller goes on with
    // other work (a finished picture's file written while the next picture
    // renders on the batch threads); one at a time: a second call first
    // waits for the first. Where no thread can be started the job runs at
    // once on the calling thread. The job must not share what the caller
    // changes meanwhile.
    void runAside(const Job& job);
    // Returns when the job given to runAside is done, and throws here what
    // it threw. Harmless when none runs.
    void finishAside();

private:
    void workerLoop();
    void takeJobs(const Job* batch, int size);
    void keepFailure(std::exception_ptr failure);
    void joinAside();
    void throwKeptFailure();

    int threadCount_ = 0;
#if !defined(TWL_JOBS_WITHOUT_THREADS)
    std::thread threads_[kMaxJobs];
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::thread aside_;
#endif
    std::exception_ptr failure_;  // the first a job of the batch threw
    Job asideJob_;
    std::exception_ptr asideFailure_;  // what the job run aside threw
    const Job* batch_ = nullptr;
    int batchSize_ = 0;
    std::atomic<int> nextJob_{0};
    // Changed under the mutex; read without it by threads that look for a
    // while before they sleep, since a row's batch follows the last one
    // within microseconds and waking a sleeping thread takes longer.
    std::atomic<int> activeWorkers_{0};  // workers inside the current batch
    std::atomic<unsigned> generation_{0};
    std::atomic<bool> stopping_{false};
};

// Runs the jobs on `workers` when given, else on the calling thread in index order.
void runJobsOn(JobWorkers* workers, const Job* jobs, int jobCount);
