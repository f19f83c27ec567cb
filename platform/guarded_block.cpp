// Where a guarded block lies in its pages: the block's last byte is the
// last byte before the guard page.
#include "platform/guarded_block.h"

#include <cstdint>

GuardedBlock allocateGuardedBlock(size_t bytes) {
    GuardedBlock block;
    const size_t page = systemPageBytes();
    if (page == 0 || bytes == 0 || bytes > SIZE_MAX / 2) return block;
    const size_t dataPages = (bytes + page - 1) / page;
    const size_t total = (dataPages + 1) * page;
    void* pages = systemMapPages(total);
    if (!pages) return block;
    unsigned char* guard = static_cast<unsigned char*>(pages) + dataPages * page;
    if (!systemBlockPage(guard, page)) {
        systemUnmapPages(pages, total);
        return block;
    }
    block.pages = pages;
    block.pageBytes = total;
    block.data = guard - bytes;
    return block;
}

void freeGuardedBlock(GuardedBlock& block) {
    if (block.pages) systemUnmapPages(block.pages, block.pageBytes);
    block = GuardedBlock{};
}
