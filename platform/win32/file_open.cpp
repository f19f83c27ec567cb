// Opening files for the byte access of PlatformFile, with the C runtime's
// wide Windows calls (UTF-8 paths of any length; binary mode: no line-end
// translation).
#include "platform/file_open.h"

#include "platform/wide_text.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace {
// The descriptor when it is a regular file, else -1 with it closed.
int keepRegular(int descriptor, OpenRefusal* why, int64_t* size) {
    struct _stat64 info {};
    if (_fstat64(descriptor, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        if (why) *why = (info.st_mode & _S_IFMT) == _S_IFDIR ? OpenRefusal::folder : OpenRefusal::notRegularFile;
        _close(descriptor);
        return -1;
    }
    if (size) *size = static_cast<int64_t>(info.st_size);
    return descriptor;
}

std::FILE* streamOf(int descriptor, const char* mode) {
    if (descriptor < 0) return nullptr;
    std::FILE* stream = _fdopen(descriptor, mode);
    if (stream == nullptr) _close(descriptor);
    return stream;
}
}  // namespace

// Links need rights most users lack on Windows; the store's folder is the
// user's own, so the link policy asks nothing more here.
std::FILE* openFileForReading(const char* path, int64_t* size, LinkPolicy, OpenRefusal* why) {
    if (why) *why = OpenRefusal::system;
    const int descriptor = _wopen(widePath(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (descriptor < 0) return nullptr;
    std::FILE* stream = streamOf(keepRegular(descriptor, why, size), "rb");
    if (stream != nullptr && why) *why = OpenRefusal::none;
    return stream;
}

// Written over from the start: _O_CREAT without _O_TRUNC keeps an existing tail.
std::FILE* openFileForOverwriting(const char* path, LinkPolicy) {
    const int descriptor =
        _wopen(widePath(path).c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (descriptor < 0) return nullptr;
    return streamOf(keepRegular(descriptor, nullptr, nullptr), "wb");
}

std::FILE* openFileForReplacing(const char* path) {
    const int descriptor = _wopen(widePath(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                                  _S_IREAD | _S_IWRITE);
    return streamOf(descriptor, "wb");
}

std::FILE* openDescriptorForWriting(int descriptor) {
    const int own = _dup(descriptor);
    if (own < 0) return nullptr;
    return streamOf(own, "wb");
}
