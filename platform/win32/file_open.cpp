// Opening files for the byte access of PlatformFile, with the C runtime's
// Windows calls (binary mode: no line-end translation).
#include "platform/file_open.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

// Links need rights most users lack on Windows; the store's folder is the
// user's own, so the link policy asks nothing more here.
std::FILE* openFileForReading(const char* path, int64_t* size, LinkPolicy, OpenRefusal* why) {
    if (why) *why = OpenRefusal::system;
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) return nullptr;
    struct _stat64 info {};
    if (_fstat64(_fileno(stream), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        if (why) *why = (info.st_mode & _S_IFMT) == _S_IFDIR ? OpenRefusal::folder : OpenRefusal::notRegularFile;
        std::fclose(stream);
        return nullptr;
    }
    if (size) *size = static_cast<int64_t>(info.st_size);
    if (why) *why = OpenRefusal::none;
    return stream;
}

// Written over from the start: _O_CREAT without _O_TRUNC keeps an existing tail.
std::FILE* openFileForOverwriting(const char* path, LinkPolicy) {
    const int descriptor = _open(path, _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (descriptor < 0) return nullptr;
    struct _stat64 info {};
    if (_fstat64(descriptor, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        _close(descriptor);
        return nullptr;
    }
    std::FILE* stream = _fdopen(descriptor, "wb");
    if (stream == nullptr) _close(descriptor);
    return stream;
}

std::FILE* openDescriptorForWriting(int descriptor) {
    const int own = _dup(descriptor);
    if (own < 0) return nullptr;
    std::FILE* stream = _fdopen(own, "wb");
    if (stream == nullptr) _close(own);
    return stream;
}
