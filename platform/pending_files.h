// The temporary files a WholeFile has open right now, kept where a signal or
// stop handler can reach them without allocating.
#pragma once

#include <string>

// Records a copy of path; the slot, or -1 when every slot is taken.
int registerPending(const std::string& path);
void unregisterPending(int slot);
// The slot that holds path, -1 when none does.
int slotOf(const std::string& path);
// Calls remove(path) for every recorded path; only reads the slots, so it is
// safe inside a handler when remove is.
void forEachPending(void (*remove)(const char* path));
