// Temporary output file beside the target, committed and moved into place,
// with the Windows wide calls (UTF-8 paths of any length): exclusive binary
// create, _commit, MoveFileExW.
#include "platform/whole_file.h"

#include "platform/pending_files.h"
#include "platform/wide_text.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

std::string errnoText(int number) { return std::strerror(number); }

int errnoFromLastError() {
    switch (GetLastError()) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_ACCESS_DENIED: return EACCES;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_DISK_FULL: return ENOSPC;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        default: return EIO;
    }
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The folder part of a path ("." when it has none) and the name part.
void splitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
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
    std::snprintf(suffix, sizeof suffix, ".tmp-%lu-%u-%llx", GetCurrentProcessId(), counter.fetch_add(1),
                  static_cast<unsigned long long>(ticks & 0xFFFFFFFFull));
    const std::string stem = name.substr(0, 180);
    const bool root = folder.size() == 1 && isSeparator(folder[0]);
    return (root ? folder : folder + "\\") + "." + stem + suffix;
}

DWORD attributesOf(const std::string& path) { return GetFileAttributesW(widePath(path).c_str()); }

}  // namespace

void removePendingTemporaryFiles() {
    forEachPending([](const char* path) { DeleteFileW(widePath(path).c_str()); });
}

WholeFile::~WholeFile() { abandon(); }

void WholeFile::abandon() {
    if (descriptor_ >= 0) _close(descriptor_);
    descriptor_ = -1;
    if (!committed_ && !temporaryPath_.empty()) {
        DeleteFileW(widePath(temporaryPath_).c_str());
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
    if (target.empty() || isSeparator(target.back())) {
        error = "no output file name given in \"" + target + "\"";
        return false;
    }
    const DWORD existing = attributesOf(target);
    if (existing != INVALID_FILE_ATTRIBUTES) {
        if (existing & FILE_ATTRIBUTE_DIRECTORY) {
            error = target + " is a folder, not a file";
            return false;
        }
        if (!overwrite) {
            error = existingOutputMessage(target);
            return false;
        }
    }
    std::string folder, name;
    splitPath(target, folder, name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryName(folder, name);
        // Binary mode: the bytes reach the file as they are, no CR LF.
        const int fd = _wopen(widePath(candidate).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                             _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            descriptor_ = fd;
            temporaryPath_ = candidate;
            registerPending(candidate);
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
        // _write takes at most an unsigned int at a time.
        const unsigned part = count > 0x40000000u ? 0x40000000u : unsigned(count);
        const int n = _write(descriptor_, p, part);
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
    if (_commit(descriptor_) != 0) {
        error = "cannot write " + target_ + ": " + errnoText(errno);
        return false;
    }
    const int fd = descriptor_;
    descriptor_ = -1;
    if (_close(fd) != 0) {
        error = "cannot write " + target_ + ": " + errnoText(errno);
        return false;
    }
    const DWORD existing = attributesOf(target_);
    const bool existed = existing != INVALID_FILE_ATTRIBUTES;
    if (existed && (existing & FILE_ATTRIBUTE_DIRECTORY)) {
        error = target_ + " is a folder, not a file";
        return false;
    }
    // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing target;
    // write-through makes it durable before it returns.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (overwrite_ ? MOVEFILE_REPLACE_EXISTING : 0);
    // A read-only file is replaced as on Linux, and the new file stays
    // read-only: Windows refuses to replace it while the attribute is set.
    const bool readOnly = existed && overwrite_ && (existing & FILE_ATTRIBUTE_READONLY);
    const std::wstring target = widePath(target_);
    if (readOnly) SetFileAttributesW(target.c_str(), existing & ~DWORD(FILE_ATTRIBUTE_READONLY));
    const int failure = MoveFileExW(widePath(temporaryPath_).c_str(), target.c_str(), flags) ? 0 : errnoFromLastError();
    if (readOnly) {
        const DWORD now = failure == 0 ? GetFileAttributesW(target.c_str()) | FILE_ATTRIBUTE_READONLY : existing;
        SetFileAttributesW(target.c_str(), now);
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
    return true;
}

bool writeWholeFile(const std::string& path, const void* bytes, size_t count, bool overwrite, std::string& error) {
    WholeFile file;
    return file.begin(path, overwrite, error) && file.write(bytes, count, error) && file.commit(error);
}
