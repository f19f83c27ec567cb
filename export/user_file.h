// A file the user asked to save (a layered document, a gallery page, its
// pictures) as the exporters' byte sink: buffered, and written whole or not at
// all through the platform's whole-file service, so a failed save leaves
// neither a short file nor a damaged older one.
#pragma once

#include "export/byte_sink.h"
#include "platform/whole_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

class UserFile : public ByteSink {
public:
    UserFile() = default;
    ~UserFile() override;  // removes the temporary file unless committed
    UserFile(const UserFile&) = delete;
    UserFile& operator=(const UserFile&) = delete;

    // Creates the temporary file in the target's folder. False (and a
    // message naming the cause) when it cannot be created.
    bool open(const char* target);
    void write(const void* bytes, size_t count) override;
    bool failed() const override { return failed_; }
    uint64_t position() const override { return flushedTo_ + buffered_; }
    void skip(size_t count) override;
    void writeAt(uint64_t offset, const void* bytes, size_t count) override;
    // Flushes, syncs and closes the temporary file and moves it over the
    // target. False (the target untouched, the temporary file removed) when
    // anything failed.
    bool commit();
    // Drops the temporary file; the target stays as it was.
    void discard();
    // Why the last open, write or commit failed ("" when nothing failed).
    const std::string& error() const { return error_; }

private:
    void flushBuffer();
    bool writable();  // open and not failed; else failed, with the message

    WholeFile file_;  // the temporary file beside the target and the final rename
    bool open_ = false;
    bool failed_ = false;
    std::string error_;
    unsigned char buffer_[1 << 16];
    size_t buffered_ = 0;
    uint64_t flushedTo_ = 0;  // where the buffer's bytes go in the file
};

// Writes bytes as the whole of a user's file; false with the message of the
// failure in `error`.
bool writeUserFile(const char* target, const void* bytes, size_t count, std::string& error);
