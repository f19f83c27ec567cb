// Guarded blocks through mmap and mprotect.
#include "platform/guarded_block.h"

#include <sys/mman.h>
#include <unistd.h>

size_t systemPageBytes() {
    const long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? size_t(page) : 0;
}

void* systemMapPages(size_t bytes) {
    void* pages = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : pages;
}

bool systemBlockPage(void* page, size_t pageBytes) { return ::mprotect(page, pageBytes, PROT_NONE) == 0; }

void systemUnmapPages(void* pages, size_t bytes) { ::munmap(pages, bytes); }
