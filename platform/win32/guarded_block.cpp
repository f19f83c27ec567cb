// Guarded blocks through VirtualAlloc and VirtualProtect.
#include "platform/guarded_block.h"

#include <windows.h>

size_t systemPageBytes() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return size_t(info.dwPageSize);
}

void* systemMapPages(size_t bytes) { return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE); }

bool systemBlockPage(void* page, size_t pageBytes) {
    DWORD previous = 0;
    return VirtualProtect(page, pageBytes, PAGE_NOACCESS, &previous) != 0;
}

void systemUnmapPages(void* pages, size_t) { VirtualFree(pages, 0, MEM_RELEASE); }
