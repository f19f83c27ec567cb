// Opening files for the byte access of PlatformFile, with POSIX calls.
#include "platform/file_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* openFileForReading(const char* path, int64_t* size) {
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) return nullptr;
    struct stat info;
    if (::fstat(::fileno(stream), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(stream);
        return nullptr;
    }
    *size = static_cast<int64_t>(info.st_size);
    return stream;
}

// Written over from the start: O_CREAT without O_TRUNC keeps an existing tail.
std::FILE* openFileForOverwriting(const char* path) {
    const int descriptor = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0) return nullptr;
    std::FILE* stream = ::fdopen(descriptor, "wb");
    if (stream == nullptr) ::close(descriptor);
    return stream;
}

std::FILE* openDescriptorForWriting(int descriptor) {
    const int own = ::dup(descriptor);
    if (own < 0) return nullptr;
    std::FILE* stream = ::fdopen(own, "wb");
    if (stream == nullptr) ::close(own);
    return stream;
}
