// The output file of an image write: a temporary file beside the target that
// is synced and renamed over it on success and removed on failure.
#pragma once

#include <string>

class AtomicOutputFile {
public:
    AtomicOutputFile() = default;
    ~AtomicOutputFile();  // removes the temporary file unless committed
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    // Checks the target (an existing one only with overwrite; never a folder)
    // and creates the temporary file.
    bool begin(const std::string& target, bool overwrite, std::string& error);
    int descriptor() const { return descriptor_; }
    const std::string& temporaryPath() const { return temporaryPath_; }
    // Syncs and closes the temporary file and moves it to the target.
    bool commit(std::string& error);
    bool replacedExisting() const { return replacedExisting_; }

private:
    std::string target_;
    std::string temporaryPath_;
    int descriptor_ = -1;
    bool overwrite_ = false;
    bool committed_ = false;
    bool replacedExisting_ = false;
};

// "<path> exists; use --force to replace it"
std::string existingOutputMessage(const std::string& path);
