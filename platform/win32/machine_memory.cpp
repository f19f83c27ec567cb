// Physical memory through GlobalMemoryStatusEx.
#include "platform/machine_memory.h"

#include <windows.h>

uint64_t physicalMemoryBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return uint64_t(status.ullTotalPhys);
}
