// The whole-file service's and the rename's system calls on Windows, wide
// (UTF-8 paths of any length): exclusive binary create, _commit, MoveFileExW
// written through.
#include "platform/file_calls.h"

#include "platform/wide_text.h"

#include <cerrno>
#include <cstdint>
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
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        default: return EIO;
    }
}
}  // namespace

// Windows has no devices, FIFOs or sockets among a user's files, and a
// replaced file's permissions are its attributes, which the move keeps.
FileFacts inspectPath(const std::string& path, bool) {
    FileFacts facts;
    const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return facts;
    facts.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::folder : FileKind::regular;
    return facts;
}

int createExclusive(const std::string& path, unsigned) {
    // Binary mode: the bytes reach the file as they are, no CR LF.
    return _wopen(widePath(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

long long writeSome(int descriptor, const void* bytes, size_t count) {
    // _write takes at most an unsigned int at a time.
    const unsigned part = count > 0x40000000u ? 0x40000000u : unsigned(count);
    return _write(descriptor, bytes, part);
}

// WriteFile with the offset in its OVERLAPPED record writes there on a
// handle opened for ordinary (not overlapped) use, and waits for it.
long long writeSomeAt(int descriptor, const void* bytes, size_t count, long long offset) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (handle == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    OVERLAPPED place{};
    place.Offset = DWORD(uint64_t(offset) & 0xFFFFFFFFu);
    place.OffsetHigh = DWORD(uint64_t(offset) >> 32);
    const DWORD part = count > 0x40000000u ? 0x40000000u : DWORD(count);
    DWORD written = 0;
    if (!WriteFile(handle, bytes, part, &written, &place)) {
        errno = errnoFromLastError();
        return -1;
    }
    return (long long)written;
}

int flushToDisk(int descriptor) { return _commit(descriptor) == 0 ? 0 : errno; }

// The system's lazy writer already writes a large file out as it grows.
void startWriteBack(int, long long, long long) {}

int closeFile(int descriptor) { return _close(descriptor) == 0 ? 0 : errno; }

void removeFile(const char* path) { DeleteFileW(widePath(path).c_str()); }

// Without MOVEFILE_REPLACE_EXISTING the move fails on an existing target;
// write-through makes it durable before it returns.
int renameNoReplace(const char* from, const char* to) {
    return MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : errnoFromLastError();
}

int renameReplacing(const char* from, const char* to) {
    // A read-only file is replaced as on Linux, and the new file stays
    // read-only: Windows refuses to replace it while the attribute is set.
    const std::wstring target = widePath(to);
    const DWORD existing = GetFileAttributesW(target.c_str());
    const bool readOnly = existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY);
    if (readOnly) SetFileAttributesW(target.c_str(), existing & ~DWORD(FILE_ATTRIBUTE_READONLY));
    const int failure = MoveFileExW(widePath(from).c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH | MOVEFILE_REPLACE_EXISTING)
                            ? 0
                            : errnoFromLastError();
    if (readOnly)
        SetFileAttributesW(target.c_str(),
                           failure == 0 ? GetFileAttributesW(target.c_str()) | FILE_ATTRIBUTE_READONLY : existing);
    return failure;
}

void syncFolder(const std::string&) {}  // the move was written through

unsigned long currentProcessId() { return GetCurrentProcessId(); }
