// Opening files for the byte access of PlatformFile, with POSIX calls. Every
// open is non-blocking until the file is known to be regular: opening a FIFO
// would otherwise wait for a writer (or reader) forever.
#include "platform/file_open.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The descriptor when it is a regular file (then blocking again), else -1
// with the descriptor closed.
int keepRegular(int descriptor, OpenRefusal* why, int64_t* size) {
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool folder = S_ISDIR(info.st_mode);
        ::close(descriptor);
        if (why) *why = folder ? OpenRefusal::folder : OpenRefusal::notRegularFile;
        return -1;
    }
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0) ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    if (size) *size = static_cast<int64_t>(info.st_size);
    return descriptor;
}

int linkFlag(LinkPolicy links) { return links == LinkPolicy::refuse ? O_NOFOLLOW : 0; }

std::FILE* streamOf(int descriptor, const char* mode) {
    std::FILE* stream = ::fdopen(descriptor, mode);
    if (stream == nullptr) ::close(descriptor);
    return stream;
}
}  // namespace

std::FILE* openFileForReading(const char* path, int64_t* size, LinkPolicy links, OpenRefusal* why) {
    if (why) *why = OpenRefusal::system;
    int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | linkFlag(links));
    if (descriptor < 0) return nullptr;
    descriptor = keepRegular(descriptor, why, size);
    if (descriptor < 0) return nullptr;
    if (why) *why = OpenRefusal::none;
    return streamOf(descriptor, "rb");
}

// Written over from the start: O_CREAT without O_TRUNC keeps an existing tail.
std::FILE* openFileForOverwriting(const char* path, LinkPolicy links) {
    int descriptor = ::open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | linkFlag(links), 0666);
    if (descriptor < 0) return nullptr;
    descriptor = keepRegular(descriptor, nullptr, nullptr);
    if (descriptor < 0) return nullptr;
    return streamOf(descriptor, "wb");
}

std::FILE* openFileForReplacing(const char* path) {
    const int descriptor = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return descriptor < 0 ? nullptr : streamOf(descriptor, "wb");
}

std::FILE* openDescriptorForWriting(int descriptor) {
    const int own = ::dup(descriptor);
    if (own < 0) return nullptr;
    return streamOf(own, "wb");
}
