// The whole-file service's and the rename's system calls on Linux: open with
// O_EXCL and O_NOFOLLOW, pwrite, fsync, renameat2 with RENAME_NOREPLACE.
#include "platform/file_calls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* kindOf(mode_t mode) {
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    return "something else";
}
}  // namespace

FileFacts inspectPath(const std::string& path, bool followLinks) {
    struct stat info;
    FileFacts facts;
    if ((followLinks ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info)) != 0) return facts;
    facts.keptMode = info.st_mode & 07777;
    if (S_ISREG(info.st_mode)) {
        facts.kind = FileKind::regular;
    } else if (S_ISLNK(info.st_mode)) {
        facts.kind = FileKind::link;
    } else if (S_ISDIR(info.st_mode)) {
        facts.kind = FileKind::folder;
    } else {
        facts.kind = FileKind::other;
        facts.otherKind = kindOf(info.st_mode);
    }
    return facts;
}

int createExclusive(const std::string& path, unsigned keptMode) {
    // 0666 lets the user's umask decide, as for any new file; O_EXCL with
    // O_NOFOLLOW never writes through a link someone placed there.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 && keptMode != 0) ::fchmod(fd, mode_t(keptMode));
    return fd;
}

long long writeSome(int descriptor, const void* bytes, size_t count) {
    while (true) {
        const ssize_t n = ::write(descriptor, bytes, count);
        if (n >= 0 || errno != EINTR) return n;
    }
}

long long writeSomeAt(int descriptor, const void* bytes, size_t count, long long offset) {
    while (true) {
        const ssize_t n = ::pwrite(descriptor, bytes, count, off_t(offset));
        if (n >= 0 || errno != EINTR) return n;
    }
}

int flushToDisk(int descriptor) { return ::fsync(descriptor) == 0 ? 0 : errno; }

void startWriteBack(int descriptor, long long offset, long long count) {
#if defined(__linux__)
    ::sync_file_range(descriptor, offset, count, SYNC_FILE_RANGE_WRITE);  // advice only: a failure changes nothing
#else
    (void)descriptor, (void)offset, (void)count;
#endif
}

int closeFile(int descriptor) { return ::close(descriptor) == 0 ? 0 : errno; }

void removeFile(const char* path) { ::unlink(path); }

int renameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the flag: a hard link fails on an existing name.
    if (::link(from, to) != 0) return errno;
    ::unlink(from);
    return 0;
}

int renameReplacing(const char* from, const char* to) { return std::rename(from, to) == 0 ? 0 : errno; }

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // some file systems refuse; the rename itself is done
    ::close(fd);
}

unsigned long currentProcessId() { return static_cast<unsigned long>(::getpid()); }
