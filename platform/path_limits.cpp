// Path length checks and joining within the platform's path limit.
#include "platform/path_limits.h"

#include <cstring>

namespace {
size_t usableCapacity(size_t capacity) {
    return capacity < kMaxPathBytes ? capacity : kMaxPathBytes;
}
}  // namespace

bool pathFits(const char* path) {
    return path != nullptr && std::strlen(path) < kMaxPathBytes;
}

bool joinPath(char* out, size_t capacity, const char* folder, const char* name) {
    if (out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    if (folder == nullptr || name == nullptr) return false;
    const size_t folderLength = std::strlen(folder);
    const size_t nameLength = std::strlen(name);
    if (folderLength + nameLength + 1 > usableCapacity(capacity)) return false;
    std::memcpy(out, folder, folderLength);
    std::memcpy(out + folderLength, name, nameLength + 1);
    return true;
}

bool copyPath(char* out, size_t capacity, const char* text) {
    return joinPath(out, capacity, "", text);
}
