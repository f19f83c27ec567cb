// The glue mode dispatch: a constant table per channel scale from mode number
// to per-pixel function, the whole-pixel integer modes, and the row loop.
#include "kernels/blend_modes.h"

#include "kernels/blend_building_blocks.h"
#include "kernels/blend_channel_modes.h"
#include "kernels/colour_space_modes.h"
#include "kernels/colour_space_rows.h"
#include "kernels/speed_settings.h"
#include "kernels/vector_levels.h"

#include <utility>

namespace {

using PixelBlend = void (*)(int32_t* worked, const int32_t* source, const BlendTables& tables);
using ChannelBlend = int32_t (*)(int32_t t, int32_t s);
using ColourSpaceBlend = void (*)(int32_t* worked, const int32_t* source, int32_t channelMax);

template <class Sc, ColourSpaceBlend blend>
void inColourSpace(int32_t* worked, const int32_t* source, const BlendTables&) {
    blend(worked, source, Sc::max);
}

void leaveWorked(int32_t*, const int32_t*, const BlendTables&) {}

// The worked value passes fully near the source's mid-grey and not at all at
// its black and white ends.
template <class Sc>
void proceduralPlus(int32_t* worked, const int32_t* source, const BlendTables& tables) {
    for (int c = 0; c < 3; ++c) {
        const int32_t t = worked[c], s = source[c];
        if constexpr (Sc::wide) {
            const int32_t w = s < 16384 ? s / 2 : 16384 - s / 2;
            worked[c] = (t * w + (16384 - w) * s) >> 14;
        } else {
            const int32_t w = tables.proceduralWeight[static_cast<size_t>(s & 255)];
            worked[c] = (t * w + (255 - w) * s) >> 8;
        }
    }
}

// Bright and dim swap in the whole source pixel; a tie keeps the worked one.
template <class Sc>
void bright(int32_t* worked, const int32_t* source, const BlendTables&) {
    if (luma(source[0], source[1], source[2]) > luma(worked[0], worked[1], worked[2])) {
        for (int c = 0; c < 3; ++c) worked[c] = source[c];
    }
}

template <class Sc>
void dim(int32_t* worked, const int32_t* source, const BlendTables&) {
    if (luma(source[0], source[1], source[2]) < luma(worked[0], worked[1], worked[2])) {
        for (int c = 0; c < 3; ++c) worked[c] = source[c];
    }
}

// Crossed channels: output channel c moves the worked value of c toward the
// source value of c by the weight of channel (c + shift) mod 3, taken from the
// worked or the source pixel; all inputs are the values before the blend.
template <class Sc, bool weightFromSource, int shift>
void crossed(int32_t* worked, const int32_t* source, const BlendTables&) {
    const int32_t t[3] = {worked[0], worked[1], worked[2]};
    const int32_t* weights = weightFromSource ? source : t;
    for (int c = 0; c < 3; ++c) {
        const int32_t w = weights[(c + shift) % 3];
        worked[c] = (source[c] * w + (Sc::full - w) * t[c]) >> Sc::fullShift;
    }
}

// The modes that blend each channel alone, by mode number (absent for the
// whole-pixel modes). Presence is kept beside the function, so that no
// constant needs a function address compared with null.
struct ChannelMode {
    ChannelBlend blend = nullptr;
    bool present = false;
};

template <class Sc>
constexpr std::array<ChannelMode, 63> makeChannelTable() {
    namespace m = channel_modes;
    std::array<ChannelMode, 63> t{};
    t[3] = {m::proceduralMinus<Sc>, true};
    t[4] = {m::difference<Sc>, true};
    t[5] = {m::lighten<Sc>, true};
    t[6] = {m::darken<Sc>, true};
    t[7] = {m::add<Sc>, true};
    t[8] = {m::subtract<Sc>, true};
    t[9] = {m::multiply<Sc>, true};
    t[10] = {m::screen<Sc>, true};
    t[11] = {m::hardLight<Sc>, true};
    t[12] = {m::overlay<Sc>, true};
    t[13] = {m::superlay<Sc>, true};
    t[14] = {m::exclusion<Sc>, true};
    t[17] = {m::linearLight<Sc>, true};
    t[18] = {m::pinLight<Sc>, true};
    t[19] = {m::spinLight<Sc>, true};
    t[20] = {m::vividA<Sc>, true};
    t[21] = {m::vividB<Sc>, true};
    t[24] = {m::similarity<Sc>, true};
    t[25] = {m::cross<Sc>, true};
    t[26] = {m::hardDiff<Sc>, true};
    t[27] = {m::softLight<Sc>, true};
    t[30] = {m::dodge<Sc>, true};
    t[31] = {m::burn<Sc>, true};
    t[32] = {m::ace<Sc>, true};
    t[33] = {m::king<Sc>, true};
    t[34] = {m::queen<Sc>, true};
    t[35] = {m::jack<Sc>, true};
    t[36] = {m::bitAnd<Sc>, true};
    t[37] = {m::bitOr<Sc>, true};
    t[38] = {m::bitXor<Sc>, true};
    t[39] = {m::multibright<Sc>, true};
    t[40] = {m::hot<Sc>, true};
    t[41] = {m::cold<Sc>, true};
    t[42] = {m::wet<Sc>, true};
    t[43] = {m::dry<Sc>, true};
    t[44] = {m::up<Sc>, true};
    t[45] = {m::down<Sc>, true};
    t[52] = {m::hardMix<Sc>, true};
    t[58] = {m::dextrous<Sc>, true};
    t[62] = {m::screendim<Sc>, true};
    return t;
}

template <class Sc, size_t kMode>
void eachChannelOf(int32_t* worked, const int32_t* source, const BlendTables&) {
    constexpr ChannelBlend blend = makeChannelTable<Sc>()[kMode].blend;
    for (int c = 0; c < 3; ++c) worked[c] = blend(worked[c], source[c]);
}

template <class Sc, size_t... kModes>
constexpr std::array<PixelBlend, 63> channelPixelTable(std::index_sequence<kModes...>) {
    constexpr std::array<ChannelMode, 63> channel = makeChannelTable<Sc>();
    return {(channel[kModes].present ? eachChannelOf<Sc, kModes> : nullptr)...};
}

template <class Sc>
constexpr std::array<PixelBlend, 63> makeModeTable() {
    std::array<PixelBlend, 63> t = channelPixelTable<Sc>(std::make_index_sequence<63>{});
    t[0] = leaveWorked;  //: no mode
    t[1] = leaveWorked;  // normal
    t[2] = proceduralPlus<Sc>;
    t[15] = inColourSpace<Sc, blendColor>;
    t[16] = inColourSpace<Sc, blendLuminance>;
    t[22] = inColourSpace<Sc, blendSaturation>;
    t[23] = inColourSpace<Sc, blendHue>;
    t[28] = bright<Sc>;
    t[29] = dim<Sc>;
    t[46] = inColourSpace<Sc, blendWax>;
    t[47] = inColourSpace<Sc, blendWane>;
    t[48] = crossed<Sc, false, 1>;  // north: R by T_G, G by T_B, B by T_R
    t[49] = crossed<Sc, false, 2>;  // south: R by T_B, G by T_R, B by T_G
    t[50] = crossed<Sc, true, 1>;  // east: R by S_G, G by S_B, B by S_R
    t[51] = crossed<Sc, true, 2>;  // west: R by S_B, G by S_R, B by S_G
    t[53] = inColourSpace<Sc, blendFrontal>;
    t[54] = inColourSpace<Sc, blendParietal>;
    t[55] = inColourSpace<Sc, blendTemporal>;
    t[56] = inColourSpace<Sc, blendOccipital>;
    t[57] = inColourSpace<Sc, blendLimbic>;
    t[59] = inColourSpace<Sc, blendSinister>;
    t[60] = inColourSpace<Sc, blendAnterior>;
    t[61] = inColourSpace<Sc, blendPosterior>;
    return t;
}

constexpr std::array<PixelBlend, 63> kEightBitModes = makeModeTable<EightBitScale>();
constexpr std::array<PixelBlend, 63> kSixteenBitModes = makeModeTable<SixteenBitScale>();

// A run of pixels under one mode, the mode's function inlined into the loop
// once per instruction level: the modes that blend each channel alone run
// over all the run's values (a loop the compiler gives to vector
// instructions where the mode's arithmetic allows), the others pixel by pixel.
using RowBlend = void (*)(int32_t* worked, const int32_t* source, int count, const BlendTables& tables);

#define TWL_BLEND_ROWS(suffix, attributes)                                                                   \
    template <ChannelBlend blend>                                                                            \
    attributes void channelRow##suffix(int32_t* __restrict worked, const int32_t* __restrict source, int count, \
                                       const BlendTables&) {                                                 \
        for (int i = 0; i < 3 * count; ++i) worked[i] = blend(worked[i], source[i]);                          \
    }                                                                                                        \
    template <PixelBlend blend>                                                                              \
    attributes void pixelRow##suffix(int32_t* __restrict worked, const int32_t* __restrict source, int count, \
                                     const BlendTables& tables) {                                            \
        for (int i = 0; i < count; ++i) blend(worked + 3 * i, source + 3 * i, tables);                       \
    }

TWL_BLEND_ROWS(Base, )
#if defined(TWL_X86_VECTORS)
TWL_BLEND_ROWS(Avx2, TWL_AVX2)
TWL_BLEND_ROWS(Avx512, TWL_AVX512)
#endif

// Row functions by mode for one level.
template <class Sc, int kLevel, size_t... kModes>
constexpr std::array<RowBlend, 63> rowTable(std::index_sequence<kModes...>) {
    constexpr std::array<ChannelMode, 63> channel = makeChannelTable<Sc>();
    constexpr std::array<PixelBlend, 63> pixel = makeModeTable<Sc>();
#if defined(TWL_X86_VECTORS)
    if constexpr (kLevel == 2)
        return {(channel[kModes].present ? channelRowAvx2<channel[kModes].blend> : pixelRowAvx2<pixel[kModes]>)...};
    if constexpr (kLevel == 3)
        return {(channel[kModes].present ? channelRowAvx512<channel[kModes].blend>
                                         : pixelRowAvx512<pixel[kModes]>)...};
#endif
    return {(channel[kModes].present ? channelRowBase<channel[kModes].blend> : pixelRowBase<pixel[kModes]>)...};
}

template <int kLevel>
struct BlendRows {
    static constexpr std::array<RowBlend, 63> eightBit = rowTable<EightBitScale, kLevel>(std::make_index_sequence<63>{});
    static constexpr std::array<RowBlend, 63> sixteenBit =
        rowTable<SixteenBitScale, kLevel>(std::make_index_sequence<63>{});
};

// The row functions by level; none for the scalar reference, which blends
// pixel by pixel through the mode table.
using RowTable = std::array<RowBlend, 63>;
constexpr LevelTable<const RowTable*> kEightBitRows = {nullptr, &BlendRows<1>::eightBit,
                                                       TWL_X86_ENTRY(&BlendRows<2>::eightBit),
                                                       TWL_X86_ENTRY(&BlendRows<3>::eightBit)};
constexpr LevelTable<const RowTable*> kSixteenBitRows = {nullptr, &BlendRows<1>::sixteenBit,
                                                         TWL_X86_ENTRY(&BlendRows<2>::sixteenBit),
                                                         TWL_X86_ENTRY(&BlendRows<3>::sixteenBit)};

// The row function of a mode at the active level; null for the scalar reference.
RowBlend rowBlendFor(BlendValueClass valueClass, int32_t mode) {
    if (mode < 2 || mode > 62) return nullptr;
    const SimdLevel level = activeSimdLevel();
    const RowTable* rows = valueClass == BlendValueClass::eightBit ? kEightBitRows[level] : kSixteenBitRows[level];
    return rows ? (*rows)[static_cast<size_t>(mode)] : nullptr;
}

PixelBlend modeFunction(BlendValueClass valueClass, int32_t mode) {
    if (mode < 2 || mode > 62) return leaveWorked;
    const auto& table = valueClass == BlendValueClass::eightBit ? kEightBitModes : kSixteenBitModes;
    return table[static_cast<size_t>(mode)];
}

}  // namespace

void buildBlendTables(BlendTables* tables) {
    for (int32_t v = 0; v < 256; ++v) {
        tables->proceduralWeight[static_cast<size_t>(v)] = v < 128 ? 2 * v : 511 - 2 * v;
    }
}

void blendPixel(int32_t worked[3], const int32_t source[3], BlendValueClass valueClass, int32_t mode,
                const BlendTables& tables) {
    modeFunction(valueClass, mode)(worked, source, tables);
}

void blendRow(int32_t* worked, const int32_t* source, int count, BlendValueClass valueClass, int32_t mode,
              const BlendTables& tables) {
    if (const ColourSpaceRow lanes = colourSpaceRowFor(activeSimdLevel(), mode))
        return lanes(worked, source, count, channelMaximum(valueClass));
    if (const RowBlend row = rowBlendFor(valueClass, mode)) return row(worked, source, count, tables);
    const PixelBlend blend = modeFunction(valueClass, mode);
    for (int i = 0; i < count; ++i) blend(worked + 3 * i, source + 3 * i, tables);
}
