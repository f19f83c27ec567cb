// A user's file written whole or not at all: the checks, the temporary name
// beside the target, the messages and the commit, the same on every system
// (their calls are in file_calls.h).
#include "platform/whole_file.h"

#include "platform/fault_injection.h"
#include "platform/file_calls.h"
#include "platform/path_limits.h"
#include "platform/pending_files.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

std::string errnoText(int number) { return std::strerror(number); }

// The failure sweeps' test mode: true when this system call is to fail, as
// if the disk had failed (errno EIO).
bool injectedFailure() {
    if (!fileOperationFailsNow()) return false;
    errno = EIO;
    return true;
}

bool isRootFolder(const std::string& folder) { return folder.size() == 1 && isPathSeparator(folder[0]); }

// The folder part of a path ("." when it has none) and the name part.
void splitPath(const std::string& path, std::string& folder, std::string& name) {
    size_t slash = path.size();
    while (slash > 0 && !isPathSeparator(path[slash - 1])) --slash;
    if (slash == 0) {
        folder = ".";
        name = path;
    } else {
        --slash;
        folder = slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// A name no other writer picks: process id, a counter and the clock; the
// exclusive create settles any remaining clash.
std::string temporaryName(const std::string& folder, const std::string& name) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%lu-%u-%llx", currentProcessId(), counter.fetch_add(1),
                  static_cast<unsigned long long>(ticks & 0xFFFFFFFFull));
    // Keep the whole name within the file system's 255 bytes.
    const std::string stem = name.substr(0, 180);
    return (isRootFolder(folder) ? folder : folder + kPathSeparator) + "." + stem + suffix;
}

}  // namespace

std::string existingOutputMessage(const std::string& path) { return path + " exists; use --force to replace it"; }

std::string notRegularFileMessage(const std::string& path, const char* kind) {
    return path + " is " + kind + ", not a regular file; choose a file";
}

namespace {
// A folder, or a device, FIFO or socket, at the target is never written over.
bool refused(const FileFacts& existing, const std::string& target, std::string& error) {
    if (existing.kind == FileKind::folder) {
        error = target + " is a folder, not a file";
        return true;
    }
    if (existing.kind == FileKind::other) {
        error = notRegularFileMessage(target, existing.otherKind);
        return true;
    }
    return false;
}
}  // namespace

void removePendingTemporaryFiles() { forEachPending(removeFile); }

WholeFile::~WholeFile() { abandon(); }

void WholeFile::abandon() {
    if (descriptor_ >= 0) closeFile(descriptor_);
    descriptor_ = -1;
    if (!committed_ && !temporaryPath_.empty()) {
        removeFile(temporaryPath_.c_str());
        unregisterPending(slotOf(temporaryPath_));
        temporaryPath_.clear();
    }
}

bool WholeFile::begin(const std::string& target, bool overwrite, std::string& error) {
    abandon();  // a file object may be used again after a commit or a failure
    committed_ = false;
    replacedExisting_ = false;
    written_ = writeBackStart_ = writeBackEnd_ = 0;
    target_ = target;
    overwrite_ = overwrite;
    if (target.empty() || isPathSeparator(target.back())) {
        error = "no output file name given in \"" + target + "\"";
        return false;
    }
    const FileFacts existing = inspectPath(target, true);
    unsigned keptMode = 0;
    if (refused(existing, target, error)) return false;
    if (existing.kind != FileKind::missing) {
        if (!overwrite) {
            error = existingOutputMessage(target);
            return false;
        }
        keptMode = existing.keptMode;
    }
    std::string folder, name;
    splitPath(target, folder, name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = temporaryName(folder, name);
        const int fd = injectedFailure() ? -1 : createExclusive(candidate, keptMode);
        if (fd >= 0) {
            // Nothing may allocate between the create and here: a refused
            // allocation would leave a file that no one removes.
            descriptor_ = fd;
            temporaryPath_ = std::move(candidate);
            registerPending(temporaryPath_);
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
    if (!writeBytes(-1, bytes, count, error)) return false;
    askWriteBack(written_, (long long)count);
    written_ += (long long)count;
    return true;
}

bool WholeFile::writeAt(long long offset, const void* bytes, size_t count, std::string& error) {
    if (!writeBytes(offset, bytes, count, error)) return false;
    askWriteBack(offset, (long long)count);
    return true;
}

// At the current position (offset -1) or at offset, until every byte is written.
bool WholeFile::writeBytes(long long offset, const void* bytes, size_t count, std::string& error) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    auto writeOnce = [&](const void* from, size_t n) {
        return offset < 0 ? writeSome(descriptor_, from, n) : writeSomeAt(descriptor_, from, n, offset);
    };
    while (count > 0) {
        long long n;
        if (injectedFailure()) {
            // An injected failure writes half, then fails as a full disk does.
            if (count > 1) writeOnce(p, count / 2);
            errno = ENOSPC;
            n = -1;
        } else {
            n = writeOnce(p, count);
        }
        if (n <= 0) {
            error = "cannot write " + target_ + ": " + errnoText(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        count -= size_t(n);
        if (offset >= 0) offset += n;
    }
    return true;
}

// A large file goes to the disk while the rest is still being made, not
// all at once in the commit's flush: written bytes gather into one range
// while they follow each other, and the range is handed to the system once
// it is large or when a write lands elsewhere.
void WholeFile::askWriteBack(long long offset, long long count) {
    constexpr long long kWriteBackBytes = 8 << 20;
    if (offset != writeBackEnd_) {
        if (writeBackEnd_ > writeBackStart_) startWriteBack(descriptor_, writeBackStart_, writeBackEnd_ - writeBackStart_);
        writeBackStart_ = offset;
    }
    writeBackEnd_ = offset + count;
    if (writeBackEnd_ - writeBackStart_ >= kWriteBackBytes) {
        startWriteBack(descriptor_, writeBackStart_, writeBackEnd_ - writeBackStart_);
        writeBackStart_ = writeBackEnd_;
    }
}

bool WholeFile::commit(std::string& error) {
    if (descriptor_ < 0 || committed_) {
        error = "cannot write " + target_ + ": the output file is not open";
        return false;
    }
    // The folder is found before the rename: once the file is in place,
    // nothing that can fail (an allocation) may make a saved file look unsaved.
    std::string folder, name;
    splitPath(target_, folder, name);
    if (const int failure = injectedFailure() ? EIO : flushToDisk(descriptor_)) {
        error = "cannot write " + target_ + ": " + errnoText(failure);
        return false;
    }
    const int fd = descriptor_;
    descriptor_ = -1;
    int closed = closeFile(fd);
    if (closed == 0 && injectedFailure()) closed = EIO;
    if (closed != 0) {
        error = "cannot write " + target_ + ": " + errnoText(closed);
        return false;
    }
    // Checked again: a folder or a FIFO that took the target's place
    // meanwhile stays.
    const FileFacts existing = inspectPath(target_, false);
    if (refused(existing, target_, error)) return false;
    int failure = EIO;
    if (!injectedFailure())
        failure = overwrite_ ? renameReplacing(temporaryPath_.c_str(), target_.c_str())
                             : renameNoReplace(temporaryPath_.c_str(), target_.c_str());
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
    replacedExisting_ = existing.kind != FileKind::missing;
    syncFolder(folder);
    return true;
}

bool writeWholeFile(const std::string& path, const void* bytes, size_t count, bool overwrite, std::string& error) {
    WholeFile file;
    return file.begin(path, overwrite, error) && file.write(bytes, count, error) && file.commit(error);
}
