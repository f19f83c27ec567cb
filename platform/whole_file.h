// A user's file written whole or not at all: the content goes into a new,
// exclusively created temporary file beside the target, which is synced and
// renamed over the target only when everything reached it.
#pragma once

#include <cstddef>
#include <string>

class WholeFile {
public:
    WholeFile() = default;
    ~WholeFile();  // removes the temporary file unless committed
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Checks the target (an existing one only with overwrite; never a folder,
    // a device, a FIFO or anything else that is not a regular file) and creates the temporary file (mode 0666 less the umask; a replaced
    // file's permissions are kept).
    bool begin(const std::string& target, bool overwrite, std::string& error);
    int descriptor() const { return descriptor_; }
    const std::string& temporaryPath() const { return temporaryPath_; }
    // Writes all bytes at the current position; false with a message.
    bool write(const void* bytes, size_t count, std::string& error);
    // Writes all bytes at byte `offset`, the current position left as it
    // was; a gap before the offset reads as zeros until written. Writes at
    // different places may come from one thread at a time; false with a
    // message.
    bool writeAt(long long offset, const void* bytes, size_t count, std::string& error);
    // Syncs and closes the temporary file and moves it to the target. Without
    // overwrite a target that appeared meanwhile is not replaced.
    bool commit(std::string& error);
    // Removes the temporary file now; the target stays as it was.
    void abandon();
    bool replacedExisting() const { return replacedExisting_; }

private:
    bool writeBytes(long long offset, const void* bytes, size_t count, std::string& error);
    void askWriteBack(long long offset, long long count);

    std::string target_;
    std::string temporaryPath_;
    int descriptor_ = -1;
    bool overwrite_ = false;
    bool committed_ = false;
    bool replacedExisting_ = false;
    long long written_ = 0;  // bytes written at the current position
    // Written bytes not yet handed to the system's write-back.
    long long writeBackStart_ = 0, writeBackEnd_ = 0;
};

// The whole of `bytes` as the file at path, through a WholeFile.
bool writeWholeFile(const std::string& path, const void* bytes, size_t count, bool overwrite, std::string& error);

// "<path> exists; use --force to replace it"
std::string existingOutputMessage(const std::string& path);
// "<path> is a FIFO, not a regular file; choose a file": an output that
// exists and is not a regular file is never replaced, with or without force.
// kind: "a device", "a FIFO", "a socket" or "something else".
std::string notRegularFileMessage(const std::string& path, const char* kind);

// Removes every temporary file that a WholeFile has open. Safe inside a
// signal handler (it only calls unlink), so that a program stopped by a
// signal leaves no temporary files behind.
void removePendingTemporaryFiles();
