// Pixel blocks: from 2 MB up they start on a 2 MB boundary, so that the
// system can back them with huge pages, and every byte asked for is usable.
#include "platform/huge_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

TEST(PixelBlocks, LargeBlocksStartOnHugePagesAndHoldEveryByte) {
    constexpr size_t kMegabyte = size_t(1) << 20;
    for (const size_t bytes : {size_t(1), kMegabyte, 2 * kMegabyte, 5 * kMegabyte + 3}) {
        auto* block = static_cast<uint8_t*>(allocatePixelBlock(bytes));
        ASSERT_NE(block, nullptr) << bytes;
        if (bytes >= 2 * kMegabyte) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % (2 * kMegabyte), 0u) << bytes;
        }
        std::memset(block, 0x5A, bytes);
        EXPECT_EQ(block[bytes - 1], 0x5A);
        freePixelBlock(block);
    }
    EXPECT_EQ(allocatePixelBlock(SIZE_MAX - 16), nullptr);
}
