// Saving a user's file: the exporters' buffered sink over the whole-file service.
#include "export/user_file.h"

#include <cstring>

UserFile::~UserFile() { discard(); }

bool UserFile::open(const char* target) {
    discard();
    failed_ = false;
    error_.clear();
    // Exports replace an older file of the same name: the caller has asked.
    open_ = file_.begin(target ? target : "", true, error_);
    failed_ = !open_;
    buffered_ = 0;
    flushedTo_ = 0;
    return open_;
}

// Every write is positioned: skipped bytes leave the file's position
// behind the sink's, and rows written at their places never move it.
void UserFile::flushBuffer() {
    if (buffered_ > 0 && !failed_ && !file_.writeAt((long long)flushedTo_, buffer_, buffered_, error_)) failed_ = true;
    flushedTo_ += buffered_;
    buffered_ = 0;
}

bool UserFile::writable() {
    if (failed_) return false;
    if (!open_) {
        failed_ = true;
        error_ = "cannot write: the file is not open";
        return false;
    }
    return true;
}

void UserFile::write(const void* bytes, size_t count) {
    if (!writable()) return;
    const auto* in = static_cast<const unsigned char*>(bytes);
    // A block as large as the buffer goes to the file as it is, without a
    // second copy.
    if (buffered_ == 0 && count >= sizeof buffer_) {
        if (!file_.writeAt((long long)flushedTo_, in, count, error_)) failed_ = true;
        flushedTo_ += count;
        return;
    }
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

void UserFile::skip(size_t count) {
    if (!writable()) return;
    flushBuffer();
    flushedTo_ += count;
}

void UserFile::writeAt(uint64_t offset, const void* bytes, size_t count) {
    if (!writable()) return;
    flushBuffer();
    if (!failed_ && !file_.writeAt((long long)offset, bytes, count, error_)) failed_ = true;
}

bool UserFile::commit() {
    if (!open_) {
        if (!failed_) error_ = "cannot save: the file is not open";
        failed_ = true;
        return false;
    }
    flushBuffer();
    open_ = false;
    if (failed_ || !file_.commit(error_)) {
        failed_ = true;
        file_.abandon();
        return false;
    }
    return true;
}

void UserFile::discard() {
    if (open_) file_.abandon();
    open_ = false;
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
