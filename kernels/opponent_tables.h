// The two constant opponent-colour tables: 16 x 16 x 16 nodes of three bytes,
// node (i, j, k) at byte 3i + 48j + 768k (first coordinate fastest).
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t kOpponentTableNodes = 16;
inline constexpr size_t kOpponentTableBytes = 3 * 16 * 16 * 16;

// Red, green, blue node -> (L, a, b), a and b centred on 128.
extern const uint8_t kOpponentForwardTable[kOpponentTableBytes];
// (L, a, b) node -> red, green, blue.
extern const uint8_t kOpponentInverseTable[kOpponentTableBytes];

inline constexpr size_t opponentNodeOffset(size_t i, size_t j, size_t k) {
    return 3 * i + 48 * j + 768 * k;
}
