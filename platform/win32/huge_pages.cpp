// Windows maps large pages only for processes holding the lock-pages
// privilege, which a filter plug-in's host does not have: plain heap blocks.
#include "platform/huge_pages.h"

#include <cstdlib>

void* allocatePixelBlock(size_t bytes) { return std::malloc(bytes > 0 ? bytes : 1); }
void freePixelBlock(void* block) { std::free(block); }
void adviseHugePages(void*, size_t) {}
