// Taking a lock file's lock with a bounded wait: holders keep it only for a
// few small reads and writes, so a long wait means something is wrong.
#include "platform/file_lock.h"

#include <chrono>
#include <thread>

bool FileLock::acquire(const char* path, int32_t waitMilliseconds, bool create) {
    release();
    const intptr_t handle = openLockFile(path, create);
    if (handle == kNoHandle) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    while (!tryLockFile(handle)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            closeLockFile(handle);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    handle_ = handle;
    return true;
}

void FileLock::release() {
    if (handle_ != kNoHandle) closeLockFile(handle_);
    handle_ = kNoHandle;
}
