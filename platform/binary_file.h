// Files as the plug-in reads and writes them: whole-byte reads and writes
// with the -19 (read) and -20 (write) codes, and big-endian 32-bit numbers.
#pragma once

#include "interface/plugin_result_codes.h"
#include "platform/file_open.h"
#include <cstddef>
#include <cstdint>
#include <cstdio>

inline constexpr int32_t kReadFailed = kResultReadFailed;
inline constexpr int32_t kWriteFailed = kResultWriteFailed;

enum class FileAccess {
    read,       // an existing regular file, from its start
    overwrite,  // created when missing, written from its start, never shortened
    replace,    // created or emptied
};

// An open file, or a read-only view of bytes in memory (same reading rules).
// Closes itself; remembers whether any read or write fell short.
class PlatformFile {
public:
    PlatformFile() = default;
    ~PlatformFile();
    PlatformFile(const PlatformFile&) = delete;
    PlatformFile& operator=(const PlatformFile&) = delete;

    // False for paths over the platform limit, files that cannot be opened
    // and paths that are not regular files (a FIFO is never waited on).
    bool open(const char* path, FileAccess access, LinkPolicy links = LinkPolicy::follow);
    // Writes through a copy of an open descriptor (the caller keeps its own).
    bool openDescriptor(int descriptor);
    // Reads from the given bytes, which must outlive the file.
    bool openMemory(const void* bytes, size_t size);
    bool isOpen() const { return stream_ != nullptr || memory_ != nullptr; }
    // 0, or kWriteFailed when a write (or the final flush) did not reach the file.
    int32_t close();

    // Reads count bytes; 0, or kReadFailed when fewer were there (those that
    // were there are delivered, the rest of out is left as it was).
    int32_t readBytes(void* out, size_t count);
    // Passes over count bytes; kReadFailed when the end comes first (the
    // position is then the end).
    int32_t skipBytes(size_t count);
    int32_t writeBytes(const void* bytes, size_t count);

    bool readFellShort() const { return readFellShort_; }
    bool writeFellShort() const { return writeFellShort_; }

private:
    std::FILE* stream_ = nullptr;
    const unsigned char* memory_ = nullptr;
    size_t memorySize_ = 0;
    size_t position_ = 0;    // for memory views
    int64_t fileSize_ = -1;  // for files opened to read
    bool writable_ = false;
    bool readFellShort_ = false;
    bool writeFellShort_ = false;
};

// Reads four bytes, most significant first; the value is unchanged on failure.
int32_t readBigEndian32(PlatformFile& file, int32_t* value);
int32_t writeBigEndian32(PlatformFile& file, int32_t value);

// The same byte order in memory, for blocks built before they are written.
void storeBigEndian32(unsigned char* out, uint32_t value);
void storeBigEndian16(unsigned char* out, uint16_t value);
uint32_t loadBigEndian32(const unsigned char* bytes);
