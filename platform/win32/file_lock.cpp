// Lock files through LockFileEx on the file's first byte; closing the handle
// (or the process ending) releases it.
#include "platform/file_lock.h"

#include "platform/wide_text.h"

#include <windows.h>

intptr_t openLockFile(const char* path, bool create) {
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<intptr_t>(file);
}

bool tryLockFile(intptr_t handle) {
    OVERLAPPED at{};
    return LockFileEx(reinterpret_cast<HANDLE>(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &at) != 0;
}

void closeLockFile(intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }
