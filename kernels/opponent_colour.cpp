// The opponent-colour cell walk: each value picks a node and a remainder; the
// cell is split along the axes in decreasing order of remainder, so four nodes
// of the 16 x 16 x 16 table are visited with weights that sum to one step.
#include "kernels/opponent_colour.h"

#include <algorithm>
#include <utility>

#include "kernels/opponent_tables.h"

namespace {

constexpr float kWideStep = 2184.5334f;
constexpr int32_t kLastNode = 15;

struct NodeAndRemainder {
    int32_t node;
    int32_t remainder;
};

NodeAndRemainder splitValue(int32_t value, bool sixteenBit) {
    if (!sixteenBit) {
        const int32_t v = std::clamp(value, int32_t{0}, int32_t{255});
        const int32_t node = std::min(v / 17, kLastNode);
        return {node, v - node * 17};
    }
    const float v = static_cast<float>(std::clamp(value, int32_t{0}, int32_t{32768}));
    const int32_t node = std::min(static_cast<int32_t>(v / kWideStep), kLastNode);
    return {node, static_cast<int32_t>(v - static_cast<float>(node) * kWideStep)};
}

struct NodeWords {
    uint32_t words[kOpponentTableBytes / 3];
};

NodeWords wordsOf(const uint8_t* table) {
    NodeWords packed{};
    for (size_t n = 0; n < kOpponentTableBytes / 3; ++n) {
        const uint8_t* bytes = table + 3 * n;
        packed.words[n] = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16;
    }
    return packed;
}

}  // namespace

void opponentWalk(const uint8_t* table, const int32_t in[3], bool sixteenBit, int32_t out[3]) {
    NodeAndRemainder axis[3];
    for (int c = 0; c < 3; ++c) axis[c] = splitValue(in[c], sixteenBit);

    // Axes in decreasing order of remainder; ties may go either way, as the
    // node between two tied axes gets weight 0.
    int order[3] = {0, 1, 2};
    if (axis[order[0]].remainder < axis[order[1]].remainder) std::swap(order[0], order[1]);
    if (axis[order[1]].remainder < axis[order[2]].remainder) std::swap(order[1], order[2]);
    if (axis[order[0]].remainder < axis[order[1]].remainder) std::swap(order[0], order[1]);
    const int32_t r1 = axis[order[0]].remainder, r2 = axis[order[1]].remainder, r3 = axis[order[2]].remainder;

    const int32_t baseWeight = sixteenBit ? static_cast<int32_t>(kWideStep - static_cast<float>(r1)) : 17 - r1;
    const int32_t weights[4] = {baseWeight, r1 - r2, r2 - r3, r3};

    int32_t node[3] = {axis[0].node, axis[1].node, axis[2].node};
    int32_t sums[3] = {0, 0, 0};
    for (int step = 0; step < 4; ++step) {
        if (step > 0) {
            // A node on the last row has remainder 0 here, so its weight is 0;
            // staying on the row keeps the read inside the table.
            int32_t& n = node[order[step - 1]];
            n = std::min(n + 1, kLastNode);
        }
        const uint8_t* bytes = table + opponentNodeOffset(node[0], node[1], node[2]);
        for (int c = 0; c < 3; ++c) sums[c] += weights[step] * bytes[c];
    }
    for (int c = 0; c < 3; ++c) out[c] = sums[c] / 17;
}

void opponentForward(const int32_t rgb[3], bool sixteenBit, int32_t lab[3]) {
    opponentWalk(kOpponentForwardTable, rgb, sixteenBit, lab);
}

void opponentInverse(const int32_t lab[3], bool sixteenBit, int32_t rgb[3]) {
    opponentWalk(kOpponentInverseTable, lab, sixteenBit, rgb);
}

const uint32_t* opponentForwardWords() {
    static const NodeWords forward = wordsOf(kOpponentForwardTable);
    return forward.words;
}

const uint32_t* opponentInverseWords() {
    static const NodeWords inverse = wordsOf(kOpponentInverseTable);
    return inverse.words;
}
