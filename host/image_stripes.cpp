// Stripes encoded on worker threads and written in order.
#include "host/image_stripes.h"

#include <algorithm>
#include <vector>

// A standard library without thread support (a win32-threads cross build)
// starts no threads: every stripe runs on the calling thread.
#if defined(__GLIBCXX__) && !defined(_GLIBCXX_HAS_GTHREADS)
#define TWL_STRIPES_WITHOUT_THREADS 1
#else
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace {

constexpr int32_t kMostThreads = 64;
// Stripes a worker may have produced (or be producing) beyond the one being written.
constexpr int32_t kStripesAheadPerWorker = 2;

bool produceSafely(StripeWork& work, int32_t stripe, int32_t worker) {
    try {
        return work.produce(stripe, worker);
    } catch (...) {
        return false;
    }
}
bool consumeSafely(StripeWork& work, int32_t stripe) {
    try {
        return work.consume(stripe);
    } catch (...) {
        return false;
    }
}

bool runOnCaller(StripeWork& work, int32_t stripes) {
    for (int32_t i = 0; i < stripes; ++i)
        if (!produceSafely(work, i, 0) || !consumeSafely(work, i)) return false;
    return true;
}

#if !defined(TWL_STRIPES_WITHOUT_THREADS)
// The state the workers and the writing thread share, under one lock.
struct StripeQueue {
    std::mutex mutex;
    std::condition_variable produced;  // a stripe is done, or the write failed
    std::condition_variable room;      // a stripe was written: workers may take more
    std::vector<char> done;
    int32_t next = 0;                  // the next stripe to hand to a worker
    int32_t written = 0;               // stripes consumed so far
    int32_t ahead = 0;                 // how far beyond `written` workers may take stripes
    bool failed = false;
};

void workerLoop(StripeWork& work, StripeQueue& queue, int32_t worker) {
    const auto count = int32_t(queue.done.size());
    for (;;) {
        int32_t stripe = 0;
        {
            std::unique_lock<std::mutex> lock(queue.mutex);
            queue.room.wait(lock, [&] {
                return queue.failed || queue.next >= count || queue.next < queue.written + queue.ahead;
            });
            if (queue.failed || queue.next >= count) return;
            stripe = queue.next++;
        }
        const bool ok = produceSafely(work, stripe, worker);
        {
            std::lock_guard<std::mutex> lock(queue.mutex);
            queue.done[size_t(stripe)] = 1;
            if (!ok) queue.failed = true;
        }
        queue.produced.notify_one();
        if (!ok) queue.room.notify_all();
    }
}

bool runOnWorkers(StripeWork& work, int32_t stripes, int32_t workers) {
    StripeQueue queue;
    queue.done.assign(size_t(stripes), 0);
    queue.ahead = kStripesAheadPerWorker * workers;
    std::vector<std::thread> threads;
    threads.reserve(size_t(workers));
    for (int32_t w = 0; w < workers; ++w) {
        try {
            threads.emplace_back(workerLoop, std::ref(work), std::ref(queue), w);
        } catch (...) {
            break;  // fewer workers: the stripes still all run
        }
    }
    if (threads.empty()) return runOnCaller(work, stripes);

    bool ok = true;
    for (int32_t i = 0; i < stripes && ok; ++i) {
        {
            std::unique_lock<std::mutex> lock(queue.mutex);
            queue.produced.wait(lock, [&] { return queue.failed || queue.done[size_t(i)] != 0; });
            ok = !queue.failed;
        }
        if (ok) ok = consumeSafely(work, i);
        {
            std::lock_guard<std::mutex> lock(queue.mutex);
            queue.written = i + 1;
            if (!ok) queue.failed = true;
        }
        queue.room.notify_all();
    }
    for (std::thread& thread : threads) thread.join();
    return ok;
}
#endif

}  // namespace

int32_t machineCores() {
#if defined(TWL_STRIPES_WITHOUT_THREADS)
    return 1;
#else
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : int32_t(std::min<unsigned>(cores, kMostThreads));
#endif
}

int32_t stripeWorkers(int32_t stripes, int32_t threads) {
    if (threads <= 0) threads = machineCores();
    return std::max(1, std::min({threads, stripes, kMostThreads}));
}

bool runStripes(StripeWork& work, int32_t stripes, int32_t threads) {
    if (stripes <= 0) return true;
    const int32_t workers = stripeWorkers(stripes, threads);
#if !defined(TWL_STRIPES_WITHOUT_THREADS)
    if (workers > 1) return runOnWorkers(work, stripes, workers);
#endif
    (void)workers;
    return runOnCaller(work, stripes);
}
