// A lock file beside a file that several processes update, so that their
// read-modify-write turns follow one another and no update is lost.
#pragma once

#include <cstdint>

class FileLock {
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock of the lock file at path (never through a link; created
    // when missing only with create), waiting up to waitMilliseconds for
    // another holder. False when the file cannot be had or the wait runs out.
    bool acquire(const char* path, int32_t waitMilliseconds, bool create = true);
    void release();
    bool held() const { return handle_ != kNoHandle; }

private:
    static constexpr intptr_t kNoHandle = -1;
    intptr_t handle_ = kNoHandle;
};

// The system's part: open the lock file, try to take its lock once, close it.
intptr_t openLockFile(const char* path, bool create);  // -1 when it cannot be opened
bool tryLockFile(intptr_t handle);
void closeLockFile(intptr_t handle);  // releases the lock with the file
