// Output-file system calls on POSIX.
#include "platform/output_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int createNewFile(const char* path) {
    // 0666 lets the user's umask decide, as for any new file.
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

void copyFilePermissions(int descriptor, const char* existing) {
    struct stat info;
    if (::stat(existing, &info) == 0) ::fchmod(descriptor, info.st_mode & 07777);
}

int writeFileBytes(int descriptor, const void* bytes, size_t count) {
    const auto* in = static_cast<const unsigned char*>(bytes);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(descriptor, in + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : ENOSPC;
        done += size_t(n);
    }
    return 0;
}

int syncFile(int descriptor) {
    return ::fsync(descriptor) == 0 ? 0 : errno;
}

int closeFile(int descriptor) {
    return ::close(descriptor) == 0 ? 0 : errno;
}

void removeFile(const char* path) {
    ::unlink(path);
}

int moveFileReplacing(const char* from, const char* to) {
    return ::rename(from, to) == 0 ? 0 : errno;
}

int moveFileWithoutReplacing(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the flag: a hard link fails on an existing name.
    if (::link(from, to) != 0) return errno;
    ::unlink(from);
    return 0;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // some file systems refuse; the rename itself is done
    ::close(fd);
}

unsigned long currentProcessId() {
    return static_cast<unsigned long>(::getpid());
}

const char* pathSeparators() {
    return "/";
}
