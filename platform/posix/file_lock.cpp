// Lock files through flock: the lock goes with the descriptor, so a process
// that ends for any reason releases it.
#include "platform/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

intptr_t openLockFile(const char* path, bool create) {
    const int descriptor = ::open(path, O_RDWR | (create ? O_CREAT : 0) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (descriptor < 0) return -1;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

bool tryLockFile(intptr_t handle) {
    int result;
    do result = ::flock(int(handle), LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

void closeLockFile(intptr_t handle) { ::close(int(handle)); }
