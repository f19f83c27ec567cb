// Output-file system calls on Windows.
#include "platform/output_file.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {
int errnoFromLastError() {
    switch (GetLastError()) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_ACCESS_DENIED: return EACCES;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_DISK_FULL: return ENOSPC;
        default: return EIO;
    }
}
}  // namespace

int createNewFile(const char* path) {
    return _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

void copyFilePermissions(int, const char*) {
    // Windows files take their access from the folder they are in.
}

int writeFileBytes(int descriptor, const void* bytes, size_t count) {
    const auto* in = static_cast<const unsigned char*>(bytes);
    size_t done = 0;
    while (done < count) {
        // _write takes at most an unsigned int at a time.
        const unsigned part = count - done > 0x40000000u ? 0x40000000u : unsigned(count - done);
        const int n = _write(descriptor, in + done, part);
        if (n <= 0) return n < 0 ? errno : ENOSPC;
        done += size_t(n);
    }
    return 0;
}

int syncFile(int descriptor) {
    return _commit(descriptor) == 0 ? 0 : errno;
}

int closeFile(int descriptor) {
    return _close(descriptor) == 0 ? 0 : errno;
}

void removeFile(const char* path) {
    DeleteFileA(path);
}

int moveFileReplacing(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : errnoFromLastError();
}

int moveFileWithoutReplacing(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH) ? 0 : errnoFromLastError();
}

void syncFolder(const std::string&) {
    // MOVEFILE_WRITE_THROUGH has made the move durable.
}

unsigned long currentProcessId() {
    return GetCurrentProcessId();
}

const char* pathSeparators() {
    return "\\/";
}
