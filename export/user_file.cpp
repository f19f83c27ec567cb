// Saving a user's file through a temporary file and a rename.
#include "export/user_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

UserFile::~UserFile() { discard(); }

void UserFile::fail(const char* what, int code) {
    if (failed_) return;
    failed_ = true;
    error_ = std::string(what) + " " + target_ + ": " + std::strerror(code);
}

bool UserFile::open(const char* target) {
    discard();
    failed_ = false;
    error_.clear();
    target_ = target ? target : "";
    if (target_.empty()) {
        fail("cannot save", EINVAL);
        return false;
    }
    // Beside the target, so that the final rename stays on one file system;
    // hidden, and unique to this process.
    const size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    for (int attempt = 0; attempt < 100 && descriptor_ < 0; ++attempt) {
        temporary_ = folder + "." + name + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".part";
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ < 0 && errno != EEXIST) break;
    }
    if (descriptor_ < 0) {
        const int code = errno;
        temporary_.clear();
        fail("cannot save", code);
        return false;
    }
    buffered_ = 0;
    return true;
}

void UserFile::flushBuffer() {
    size_t done = 0;
    while (done < buffered_ && !failed_) {
        const ssize_t n = ::write(descriptor_, buffer_ + done, buffered_ - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("cannot write", n < 0 ? errno : ENOSPC);
        else done += size_t(n);
    }
    buffered_ = 0;
}

void UserFile::write(const void* bytes, size_t count) {
    if (failed_ || descriptor_ < 0) {
        if (!failed_) fail("cannot write", EBADF);
        return;
    }
    const auto* in = static_cast<const unsigned char*>(bytes);
    while (count > 0 && !failed_) {
        const size_t room = sizeof buffer_ - buffered_;
        const size_t n = count < room ? count : room;
        std::memcpy(buffer_ + buffered_, in, n);
        buffered_ += n;
        in += n;
        count -= n;
        if (buffered_ == sizeof buffer_) flushBuffer();
    }
}

bool UserFile::commit() {
    if (descriptor_ < 0) {
        if (!failed_) fail("cannot save", EBADF);
        return false;
    }
    flushBuffer();
    if (!failed_ && ::fsync(descriptor_) != 0) fail("cannot write", errno);
    if (::close(descriptor_) != 0 && !failed_) fail("cannot write", errno);
    descriptor_ = -1;
    if (!failed_ && std::rename(temporary_.c_str(), target_.c_str()) != 0) fail("cannot save", errno);
    if (failed_) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    temporary_.clear();
    return true;
}

void UserFile::discard() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    buffered_ = 0;
}

bool writeUserFile(const char* target, const void* bytes, size_t count, std::string& error) {
    UserFile file;
    if (file.open(target)) {
        file.write(bytes, count);
        if (file.commit()) return true;
    }
    error = file.error();
    return false;
}
