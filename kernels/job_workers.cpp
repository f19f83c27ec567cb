// Worker threads that run the job runner's batches.
#include "kernels/job_workers.h"

#include <chrono>

namespace {
// How long a thread looks for what it waits for before it sleeps: about the
// host's round trip between two rows. It gives the processor away while it
// looks, so that on a busy machine the thread with work runs instead.
constexpr auto kLookTime = std::chrono::microseconds(200);

template <class Condition>
bool lookFor(Condition done) {
#if defined(TWL_JOBS_WITHOUT_THREADS)
    return done();
#else
    const auto until = std::chrono::steady_clock::now() + kLookTime;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::yield();
    }
    return true;
#endif
}
}  // namespace

int JobWorkers::start(int jobCount) {
    stop();
    if (jobCount > kMaxJobs) jobCount = kMaxJobs;
#if !defined(TWL_JOBS_WITHOUT_THREADS)
    for (int i = 0; i + 1 < jobCount; ++i) {
        try {
            threads_[i] = std::thread([this] { workerLoop(); });
        } catch (...) {
            break;  // fewer threads: the jobs still all run
        }
        ++threadCount_;
    }
#endif
    return concurrency();
}

void JobWorkers::stop() {
#if !defined(TWL_JOBS_WITHOUT_THREADS)
    if (threadCount_ == 0) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (int i = 0; i < threadCount_; ++i) threads_[i].join();
    threadCount_ = 0;
    stopping_ = false;
#endif
}

void JobWorkers::runAside(const Job& job) {
    finishAside();
    asideJob_ = job;
#if !defined(TWL_JOBS_WITHOUT_THREADS)
    try {
        aside_ = std::thread([this] {
            try {
                runJob(asideJob_);
            } catch (...) {
                asideFailure_ = std::current_exception();  // thrown on the caller by finishAside
            }
        });
        return;
    } catch (...) {
        // No thread: the job runs here instead, with the same result.
    }
#endif
    runJob(asideJob_);
}

void JobWorkers::joinAside() {
#if !defined(TWL_JOBS_WITHOUT_THREADS)
    if (aside_.joinable()) aside_.join();
#endif
}

void JobWorkers::finishAside() {
    joinAside();
    if (asideFailure_) {
        const std::exception_ptr failure = asideFailure_;
        asideFailure_ = nullptr;
        std::rethrow_exception(failure);
    }
}

void JobWorkers::takeJobs(const Job* batch, int size) {
    for (int i = nextJob_.fetch_add(1); i < size; i = nextJob_.fetch_add(1)) {
        try {
            runJob(batch[i]);
        } catch (...) {
            // Kept for the calling thread: thrown out of a worker it would
            // end the host's process, and thrown on the caller before the
            // batch is done it would free what the workers still use.
            keepFailure(std::current_exception());
        }
    }
}

void JobWorkers::keepFailure(std::exception_ptr failure) {
#if !defined(TWL_JOBS_WITHOUT_THREADS)
    std::lock_guard<std::mutex> lock(mutex_);
#endif
    if (!failure_) failure_ = std::move(failure);
}

void JobWorkers::throwKeptFailure() {
    std::exception_ptr failure;
    {
#if !defined(TWL_JOBS_WITHOUT_THREADS)
        std::lock_guard<std::mutex> lock(mutex_);
#endif
        failure.swap(failure_);
    }
    if (failure) std::rethrow_exception(failure);
}

#if !defined(TWL_JOBS_WITHOUT_THREADS)
void JobWorkers::workerLoop() {
    unsigned seen = 0;
    while (true) {
        const Job* batch;
        int size;
        lookFor([&] { return stopping_.load() || generation_.load() != seen; });
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            // Joins the batch running now (a late waker may find it done).
            batch = batch_;
            size = batchSize_;
            ++activeWorkers_;
        }
        takeJobs(batch, size);
        std::lock_guard<std::mutex> lock(mutex_);
        if (--activeWorkers_ == 0) finished_.notify_one();
    }
}
#endif

void JobWorkers::run(const Job* jobs, int jobCount) {
    if (jobCount <= 0) return;
    if (threadCount_ == 0 || jobCount == 1) {
        for (int i = 0; i < jobCount; ++i) runJob(jobs[i]);
        return;
    }
#if !defined(TWL_JOBS_WITHOUT_THREADS)
    {
        // A worker that woke after the previous batch was done may still be
        // looking at its empty counter: let it leave before the reset.
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait(lock, [&] { return activeWorkers_ == 0; });
        batch_ = jobs;
        batchSize_ = jobCount;
        nextJob_.store(0);
        ++generation_;
    }
    wake_.notify_all();
    takeJobs(jobs, jobCount);
    // Every job has been taken; wait for the workers still running one. A
    // worker not yet awake is not waited for: it finds the batch done.
    lookFor([&] { return activeWorkers_.load() == 0; });
    {
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait(lock, [&] { return activeWorkers_ == 0; });
    }
    throwKeptFailure();
#endif
}

void runJobsOn(JobWorkers* workers, const Job* jobs, int jobCount) {
    if (workers) {
        workers->run(jobs, jobCount);
        return;
    }
    for (int i = 0; i < jobCount; ++i) runJob(jobs[i]);
}
