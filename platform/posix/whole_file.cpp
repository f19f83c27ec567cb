// Temporary output file beside the target, synced and renamed into place.
#include "platform/whole_file.h"

#include "platform/fault_injection.h"
#include "platform/pending_files.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string errnoText(int number) { return std::strerror(number); }

// The folder part of a path ("." when it has none) and the name part.
void splitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// A name no other writer picks: process id, a counter and the clock; the
// exclusive create settles any remaining clash.
std::string temporaryName(const std::string& folder, const std::string& name) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u-%llx", long(::getpid()), counter.fetch_add(1),
                  static_cast<unsigned long long>(ticks & 0xFFFFFFFFull));
    // Keep the whole name within the file system's 255 bytes.
    const std::string stem = name.substr(0, 180);
    return (folder == "/" ? std::string("/") : folder + "/") + "." + stem + suffix;
}

// Moves from to to without replacing an existing to; EEXIST when it exists.
// The failure sweeps' test mode: true when this system call is to fail, as
// if the disk had failed (errno EIO).
bool injectedFailure() {
    if (!fileOperationFailsNow()) return false;
    errno = EIO;
    return true;
}

int renameNoReplace(const char* from, const char* to) {
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

}  // namespace

namespace {
const char* kindOf(mode_t mode) {
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    return "something else";
}
}  // namespace

void removePendingTemporaryFiles() {
    forEachPending([](const char* path) { ::unlink(path); });
}

WholeFile::~WholeFile() { abandon(); }

void WholeFile::abandon() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!committed_ && !temporaryPath_.empty()) {
        ::unlink(temporaryPath_.c_str());
        unregisterPending(slotOf(temporaryPath_));
        temporaryPath_.clear();
    }
}

bool WholeFile::begin(const std::string& target, bool overwrite, std::string& error) {
    abandon();  // a file object may be used again after a commit or a failure
    committed_ = false;
    replacedExisting_ = false;
    target_ = target;
    overwrite_ = overwrite;
    if (target.empty() || target.back() == '/') {
        error = "no output file name given in \"" + target + "\"";
        return false;
    }
    struct stat existing;
    mode_t keptMode = 0;
    if (::stat(target.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            error = target + " is a folder, not a file";
            return false;
        }
        if (!S_ISREG(existing.st_mode)) {
            error = notRegularFileMessage(target, kindOf(existing.st_mode));
            return false;
        }
        if (!overwrite) {
            error = existingOutputMessage(target);
            return false;
        }
        keptMode = existing.st_mode & 07777;
    }
    std::string folder, name;
    splitPath(target, folder, name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryName(folder, name);
        // 0666 lets the user's umask decide, as for any new file; O_EXCL with
        // O_NOFOLLOW never writes through a link someone placed there.
        const int fd = injectedFailure() ? -1
                                         : ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            descriptor_ = fd;
            temporaryPath_ = candidate;
            registerPending(candidate);
            if (keptMode != 0) ::fchmod(fd, keptMode);
            return true;
        }
        const int failure = errno;
        if (failure != EEXIST) {
            error = "cannot write " + target + ": cannot create a file in " + folder + ": " + errnoText(failure);
            return false;
        }
    }
    error = "cannot write " + target + ": no free temporary name in " + folder;
    return false;
}

bool WholeFile::write(const void* bytes, size_t count, std::string& error) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    while (count > 0) {
        ssize_t n;
        if (injectedFailure()) {
            // An injected failure writes half, then fails as a full disk does.
            if (count > 1 && ::write(descriptor_, p, count / 2) < 0) {}
            errno = ENOSPC;
            n = -1;
        } else {
            n = ::write(descriptor_, p, count);
        }
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot write " + target_ + ": " + errnoText(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        count -= size_t(n);
    }
    return true;
}

bool WholeFile::commit(std::string& error) {
    if (descriptor_ < 0 || committed_) {
        error = "cannot write " + target_ + ": the output file is not open";
        return false;
    }
    if (injectedFailure() || ::fsync(descriptor_) != 0) {
        error = "cannot write " + target_ + ": " + errnoText(errno);
        return false;
    }
    const int fd = descriptor_;
    descriptor_ = -1;
    if (::close(fd) != 0 || injectedFailure()) {
        error = "cannot write " + target_ + ": " + errnoText(errno);
        return false;
    }
    struct stat existing;
    const bool existed = ::lstat(target_.c_str(), &existing) == 0;
    if (existed && S_ISDIR(existing.st_mode)) {
        error = target_ + " is a folder, not a file";
        return false;
    }
    // A device or FIFO that took the target's place meanwhile stays.
    if (existed && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode)) {
        error = notRegularFileMessage(target_, kindOf(existing.st_mode));
        return false;
    }
    int failure = 0;
    if (injectedFailure()) {
        failure = errno;
    } else if (overwrite_) {
        if (::rename(temporaryPath_.c_str(), target_.c_str()) != 0) failure = errno;
    } else {
        failure = renameNoReplace(temporaryPath_.c_str(), target_.c_str());
    }
    if (failure == EEXIST) {
        error = existingOutputMessage(target_);
        return false;
    }
    if (failure != 0) {
        error = "cannot write " + target_ + ": " + errnoText(failure);
        return false;
    }
    committed_ = true;
    unregisterPending(slotOf(temporaryPath_));
    replacedExisting_ = existed;
    std::string folder, name;
    splitPath(target_, folder, name);
    syncFolder(folder);
    return true;
}

bool writeWholeFile(const std::string& path, const void* bytes, size_t count, bool overwrite, std::string& error) {
    WholeFile file;
    return file.begin(path, overwrite, error) && file.write(bytes, count, error) && file.commit(error);
}
