// Conversion of three channel values through an opponent-colour table by the
// cell walk: forward (red, green, blue -> L, a, b) and back.
#pragma once

#include <cstdint>

// Node n stands for 17 n on the 8-bit scale and 2184.5334 n on the 16-bit
// scale; 16-bit results come out on the 0..32768 scale. Inputs are limited to
// the channel maximum first, so no value can reach outside the table.
void opponentWalk(const uint8_t* table, const int32_t in[3], bool sixteenBit, int32_t out[3]);

void opponentForward(const int32_t rgb[3], bool sixteenBit, int32_t lab[3]);
void opponentInverse(const int32_t lab[3], bool sixteenBit, int32_t rgb[3]);

// The two tables with each node's three bytes in one word (first byte in the
// lowest bits), node (i, j, k) at word i + 16 j + 256 k: one load per node
// for the vector walk.
const uint32_t* opponentForwardWords();
const uint32_t* opponentInverseWords();
