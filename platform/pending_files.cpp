// A fixed table of atomic slots, each holding a private copy of a path.
#include "platform/pending_files.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {
// At most this many files are written at once.
constexpr int kPendingSlots = 16;
std::atomic<char*> gPending[kPendingSlots];

char* copyOf(const std::string& path) {
    char* copy = static_cast<char*>(std::malloc(path.size() + 1));
    if (copy) std::memcpy(copy, path.c_str(), path.size() + 1);
    return copy;
}
}  // namespace

int registerPending(const std::string& path) {
    char* copy = copyOf(path);
    if (!copy) return -1;
    for (int i = 0; i < kPendingSlots; ++i) {
        char* expected = nullptr;
        if (gPending[i].compare_exchange_strong(expected, copy)) return i;
    }
    std::free(copy);
    return -1;
}

void unregisterPending(int slot) {
    if (slot < 0 || slot >= kPendingSlots) return;
    std::free(gPending[slot].exchange(nullptr));
}

int slotOf(const std::string& path) {
    for (int i = 0; i < kPendingSlots; ++i) {
        const char* p = gPending[i].load();
        if (p && path == p) return i;
    }
    return -1;
}

void forEachPending(void (*remove)(const char* path)) {
    for (int i = 0; i < kPendingSlots; ++i) {
        const char* path = gPending[i].load();
        if (path) remove(path);
    }
}
