// Temporary output file beside the target, synced and renamed into place.
#include "host/image_atomic_file.h"

#include "platform/output_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

std::string errnoText(int number) { return std::strerror(number); }

// The folder part of a path ("." when it has none) and the name part.
void splitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.find_last_of(pathSeparators());
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// A name no other writer picks: process id, a counter and the clock.
std::string temporaryName(const std::string& folder, const std::string& name) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%lu-%u-%llx", currentProcessId(), counter.fetch_add(1),
                  static_cast<unsigned long long>(ticks & 0xFFFFFFFFull));
    // Keep the whole name within the file system's 255 bytes.
    const std::string stem = name.substr(0, 180);
    const bool rootFolder = folder.size() == 1 && std::strchr(pathSeparators(), folder[0]) != nullptr;
    return (rootFolder ? folder : folder + pathSeparators()[0]) + "." + stem + suffix;
}

}  // namespace

std::string existingOutputMessage(const std::string& path) {
    return path + " exists; use --force to replace it";
}

AtomicOutputFile::~AtomicOutputFile() {
    if (descriptor_ >= 0) closeFile(descriptor_);
    if (!committed_ && !temporaryPath_.empty()) removeFile(temporaryPath_.c_str());
}

bool AtomicOutputFile::begin(const std::string& target, bool overwrite, std::string& error) {
    target_ = target;
    overwrite_ = overwrite;
    if (target.empty() || std::strchr(pathSeparators(), target.back()) != nullptr) {
        error = "no output file name given in \"" + target + "\"";
        return false;
    }
    std::error_code statusError;
    const std::filesystem::file_status existing = std::filesystem::status(target, statusError);
    bool keepPermissions = false;
    if (std::filesystem::exists(existing)) {
        if (std::filesystem::is_directory(existing)) {
            error = target + " is a folder, not a file";
            return false;
        }
        if (!overwrite) {
            error = existingOutputMessage(target);
            return false;
        }
        keepPermissions = true;
    }
    std::string folder, name;
    splitPath(target, folder, name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryName(folder, name);
        const int fd = createNewFile(candidate.c_str());
        if (fd >= 0) {
            descriptor_ = fd;
            temporaryPath_ = candidate;
            // A replaced file keeps its permissions.
            if (keepPermissions) copyFilePermissions(fd, target.c_str());
            return true;
        }
        if (errno != EEXIST) {
            error = "cannot write " + target + ": cannot create a file in " + folder + ": " + errnoText(errno);
            return false;
        }
    }
    error = "cannot write " + target + ": no free temporary name in " + folder;
    return false;
}

bool AtomicOutputFile::commit(std::string& error) {
    if (descriptor_ < 0 || committed_) {
        error = "cannot write " + target_ + ": the output file is not open";
        return false;
    }
    if (const int failure = syncFile(descriptor_); failure != 0) {
        error = "cannot write " + target_ + ": " + errnoText(failure);
        return false;
    }
    const int fd = descriptor_;
    descriptor_ = -1;
    if (const int failure = closeFile(fd); failure != 0) {
        error = "cannot write " + target_ + ": " + errnoText(failure);
        return false;
    }
    std::error_code statusError;
    const bool existed = std::filesystem::exists(std::filesystem::symlink_status(target_, statusError));
    const int failure = overwrite_ ? moveFileReplacing(temporaryPath_.c_str(), target_.c_str())
                                   : moveFileWithoutReplacing(temporaryPath_.c_str(), target_.c_str());
    if (failure == EEXIST) {
        error = existingOutputMessage(target_);
        return false;
    }
    if (failure != 0) {
        error = "cannot write " + target_ + ": " + errnoText(failure);
        return false;
    }
    committed_ = true;
    replacedExisting_ = existed;
    std::string folder, name;
    splitPath(target_, folder, name);
    syncFolder(folder);
    return true;
}
