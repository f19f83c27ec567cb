// The colour-space glue modes a row at a time at every vector level the CPU
// runs against the per-pixel functions, lane by lane, at both channel
// scales: pixel pairs chosen for the branches of HSL, the perceived
// lightness, the colour wheel's quadrants and axes and the opponent walk's
// remainders, and deterministic random pairs; the row length leaves a
// partial vector at every width.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "kernels/blend_modes.h"
#include "kernels/speed_settings.h"

namespace {

using Pixel = std::array<int32_t, 3>;

// Greys and ends, pure and secondary hues, ties, lightness about one half,
// single steps off grey and off black, hues on the wheel's axes and
// diagonals, and every node boundary of the opponent walk on one channel.
std::vector<Pixel> specialPixels(int32_t m) {
    const int32_t h = m / 2;
    std::vector<Pixel> pixels = {
        {0, 0, 0}, {m, m, m}, {h, h, h}, {h + 1, h + 1, h + 1}, {1, 1, 1}, {m - 1, m - 1, m - 1},
        {m, 0, 0}, {0, m, 0}, {0, 0, m}, {m, m, 0}, {0, m, m}, {m, 0, m},
        {m, h, 0}, {h, m, 0}, {0, m, h}, {0, h, m}, {h, 0, m}, {m, 0, h},
        {h, h, 1}, {1, h, h}, {h, 1, h}, {m, m, h}, {h, m, m}, {m, h, m},
        {h + 1, h, h}, {0, 0, 1}, {1, 0, 0}, {m, m - 1, m}, {m / 4, 3 * m / 4, h}, {3 * m / 4, m / 4, h},
        {m / 5, m / 7, m / 3}, {m - 3, 2, m / 9},
    };
    const int32_t step = m == 255 ? 17 : 2184;
    for (int32_t node = 0; node <= m; node += step) {
        for (const int32_t v : {node, node + 1, node + step - 1})
            if (v <= m) pixels.push_back({v, m - v, (v * 7) % (m + 1)});
    }
    return pixels;
}

struct PixelPairs {
    std::vector<int32_t> worked, source;
    int count = 0;
};

// Every special pixel against every other, then random pairs; a count that
// no vector width divides.
PixelPairs pairsFor(int32_t m) {
    const std::vector<Pixel> special = specialPixels(m);
    PixelPairs pairs;
    const auto add = [&](const Pixel& t, const Pixel& s) {
        pairs.worked.insert(pairs.worked.end(), t.begin(), t.end());
        pairs.source.insert(pairs.source.end(), s.begin(), s.end());
        ++pairs.count;
    };
    for (const Pixel& t : special)
        for (const Pixel& s : special) add(t, s);
    uint32_t state = 12345;
    const auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return int32_t((state >> 8) % uint32_t(m + 1));
    };
    while (pairs.count % 16 != 13 || pairs.count < int(special.size() * special.size()) + 3000)
        add({next(), next(), next()}, {next(), next(), next()});
    return pairs;
}

void expectRowsMatchPixels(std::initializer_list<int32_t> modes) {
    BlendTables tables;
    buildBlendTables(&tables);
    int compared = 0;
    for (const BlendValueClass valueClass : {BlendValueClass::eightBit, BlendValueClass::sixteenBit}) {
        const PixelPairs pairs = pairsFor(channelMaximum(valueClass));
        for (const int32_t mode : modes) {
            std::vector<int32_t> expected = pairs.worked;
            for (int i = 0; i < pairs.count; ++i)
                blendPixel(expected.data() + 3 * i, pairs.source.data() + 3 * i, valueClass, mode, tables);
            for (const SimdLevel level : {SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
                if (level > supportedSimdLevel()) continue;
                requestSimdLevel(level);
                std::vector<int32_t> row = pairs.worked;
                blendRow(row.data(), pairs.source.data(), pairs.count, valueClass, mode, tables);
                requestSimdLevel(SimdLevel::scalar);
                int wrong = 0;
                for (int i = 0; i < pairs.count && wrong < 3; ++i) {
                    const int32_t* got = row.data() + 3 * i;
                    const int32_t* want = expected.data() + 3 * i;
                    if (got[0] == want[0] && got[1] == want[1] && got[2] == want[2]) continue;
                    ++wrong;
                    const int32_t* t = pairs.worked.data() + 3 * i;
                    const int32_t* s = pairs.source.data() + 3 * i;
                    ADD_FAILURE() << "mode " << mode << ", M " << channelMaximum(valueClass) << ", "
                                  << simdLevelName(level) << ": (" << t[0] << ", " << t[1] << ", " << t[2]
                                  << ") with (" << s[0] << ", " << s[1] << ", " << s[2] << ") gives (" << got[0]
                                  << ", " << got[1] << ", " << got[2] << "), per pixel (" << want[0] << ", "
                                  << want[1] << ", " << want[2] << ")";
                }
                ++compared;
            }
        }
    }
    requestSimdLevel(supportedSimdLevel());
    // At least the base level everywhere, for every mode at both scales.
    EXPECT_GE(compared, 2 * int(modes.size()));
}

}  // namespace

TEST(ColourSpaceLanes, HslFamilyMatchesThePerPixelModes) {
    expectRowsMatchPixels({kBlendColor, kBlendLuminance, kBlendSaturation, kBlendHue, kBlendWax, kBlendWane,
                           kBlendSinister, kBlendAnterior, kBlendPosterior});
}

TEST(ColourSpaceLanes, ColourWheelMatchesThePerPixelMode) { expectRowsMatchPixels({kBlendFrontal}); }

TEST(ColourSpaceLanes, OpponentModesMatchThePerPixelModes) {
    expectRowsMatchPixels({kBlendParietal, kBlendTemporal, kBlendOccipital, kBlendLimbic});
}
