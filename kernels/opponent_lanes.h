// The opponent-colour cell walk and the four opponent glue modes on vectors
// of lanes: the same nodes, weights and integer sums as opponent_colour.cpp
// and colour_space_modes.cpp, the walk's sorting of the axes replaced by the
// largest and smallest remainder (the node between tied axes weighs 0, so
// either choice gives the same sums). Internal linkage, as hsl_lanes.h.
#pragma once

#include <cstdint>
#include <cstring>

#include "kernels/blend_building_blocks.h"
#include "kernels/hsl_lanes.h"
#include "kernels/opponent_colour.h"

namespace {

constexpr float kOpponentWideStep = 2184.5334f;

// n / 17 for 0 <= n < 2^22: the float quotient's fraction lies at least 1/17
// from the next whole number, far more than its rounding moves it.
template <class L>
TWL_LANES typename L::M seventeenthOf(typename L::M n) {
    return __builtin_convertvector(__builtin_convertvector(n, typename L::F) / 17.0f, typename L::M);
}

// One table lookup: `packed` holds each node's three bytes in one word.
template <class L>
TWL_LANES void addNode(const uint32_t* packed, typename L::M node, typename L::M weight, typename L::M sums[3]) {
    int32_t nodes[L::kCount], words[L::kCount];
    std::memcpy(nodes, &node, sizeof node);
    for (int i = 0; i < L::kCount; ++i) words[i] = int32_t(packed[nodes[i]]);
    typename L::M word;
    std::memcpy(&word, words, sizeof word);
    sums[0] += weight * (word & 255);
    sums[1] += weight * ((word >> 8) & 255);
    sums[2] += weight * ((word >> 16) & 255);
}

template <class L>
TWL_LANES void opponentWalkLanes(const uint32_t* packed, const typename L::M in[3], bool sixteenBit,
                                 typename L::M out[3]) {
    using F = typename L::F;
    using M = typename L::M;
    M node[3], remainder[3];
    for (int c = 0; c < 3; ++c) {
        if (!sixteenBit) {
            const M v = minOf(maxOf(in[c], M{}), M{} + 255);
            node[c] = minOf(seventeenthOf<L>(v), M{} + 15);
            remainder[c] = v - node[c] * 17;
        } else {
            const F v = __builtin_convertvector(minOf(maxOf(in[c], M{}), M{} + 32768), F);
            node[c] = minOf(__builtin_convertvector(v / kOpponentWideStep, M), M{} + 15);
            remainder[c] = __builtin_convertvector(v - __builtin_convertvector(node[c], F) * kOpponentWideStep, M);
        }
    }
    const M r1 = maxOf(maxOf(remainder[0], remainder[1]), remainder[2]);
    const M r3 = minOf(minOf(remainder[0], remainder[1]), remainder[2]);
    const M r2 = remainder[0] + remainder[1] + remainder[2] - r1 - r3;
    const M baseWeight = sixteenBit ? __builtin_convertvector(kOpponentWideStep - __builtin_convertvector(r1, F), M)
                                    : 17 - r1;

    // A node on the last row stays there (its remainder, and so its weight, is 0).
    const M step[3] = {node[0] < 15 ? M{} + 1 : M{}, node[1] < 15 ? M{} + 16 : M{},
                       node[2] < 15 ? M{} + 256 : M{}};
    const M first = node[0] + 16 * node[1] + 256 * node[2];
    const M largestStep = remainder[0] == r1 ? step[0] : (remainder[1] == r1 ? step[1] : step[2]);
    const M smallestStep = remainder[2] == r3 ? step[2] : (remainder[1] == r3 ? step[1] : step[0]);
    const M last = first + step[0] + step[1] + step[2];

    M sums[3] = {M{}, M{}, M{}};
    addNode<L>(packed, first, baseWeight, sums);
    addNode<L>(packed, first + largestStep, r1 - r2, sums);
    addNode<L>(packed, last - smallestStep, r2 - r3, sums);
    addNode<L>(packed, last, r3, sums);
    for (int c = 0; c < 3; ++c) out[c] = seventeenthOf<L>(sums[c]);
}

// The light steps of blend_building_blocks.h lane by lane.
template <class Sc, class M>
TWL_LANES M hardLightLanes(M base, M blend) {
    const M below = (base * blend) >> Sc::halfShift;
    const M above = Sc::max - (((Sc::max - base) * (Sc::max - blend)) >> Sc::halfShift);
    return blend < Sc::half ? below : above;
}

template <class Sc, class M>
TWL_LANES M pinLightLanes(M base, M blend) {
    return blend > Sc::half - 1 ? maxOf(base, 2 * blend - Sc::max) : minOf(base, 2 * blend);
}

struct ParietalCombine {
    template <class Sc, class M>
    static TWL_LANES void apply(const M* t, const M* s, M* o) {
        o[0] = (t[0] * s[0]) >> Sc::fullShift;
        o[1] = hardLightLanes<Sc>(t[1], s[1]);
        o[2] = hardLightLanes<Sc>(t[2], s[2]);
    }
};

struct TemporalCombine {
    template <class Sc, class M>
    static TWL_LANES void apply(const M* t, const M* s, M* o) {
        o[0] = Sc::max - (((Sc::max - t[0]) * (Sc::max - s[0])) >> Sc::fullShift);
        o[1] = hardLightLanes<Sc>(t[1], s[1]);
        o[2] = hardLightLanes<Sc>(t[2], s[2]);
    }
};

struct OccipitalCombine {
    template <class Sc, class M>
    static TWL_LANES void apply(const M* t, const M* s, M* o) {
        for (int c = 0; c < 3; ++c) o[c] = pinLightLanes<Sc>(s[c], t[c]);
    }
};

struct LimbicCombine {
    template <class Sc, class M>
    static TWL_LANES void apply(const M* t, const M* s, M* o) {
        for (int c = 0; c < 3; ++c) o[c] = pinLightLanes<Sc>(t[c], s[c]);
    }
};

// Both pixels into the opponent space, combined there, and back.
template <class Combine>
struct OpponentLanes {
    template <class L, class Pixels>
    static TWL_LANES void apply(Pixels& worked, const Pixels& source, int32_t channelMax) {
        using M = typename L::M;
        const bool sixteenBit = channelMax != 255;
        M t[3], s[3], o[3];
        opponentWalkLanes<L>(opponentForwardWords(), worked.channel, sixteenBit, t);
        opponentWalkLanes<L>(opponentForwardWords(), source.channel, sixteenBit, s);
        if (sixteenBit) {
            Combine::template apply<SixteenBitScale>(t, s, o);
        } else {
            Combine::template apply<EightBitScale>(t, s, o);
        }
        opponentWalkLanes<L>(opponentInverseWords(), o, sixteenBit, worked.channel);
    }
};

}  // namespace
