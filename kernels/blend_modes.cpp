// The glue mode dispatch: a constant table per channel scale from mode number
// to per-pixel function, the whole-pixel integer modes, and the row loop.
#include "kernels/blend_modes.h"

#include "kernels/blend_building_blocks.h"
#include "kernels/blend_channel_modes.h"
#include "kernels/colour_space_modes.h"

namespace {

using PixelBlend = void (*)(int32_t* worked, const int32_t* source, const BlendTables& tables);
using ChannelBlend = int32_t (*)(int32_t t, int32_t s);
using ColourSpaceBlend = void (*)(int32_t* worked, const int32_t* source, int32_t channelMax);

template <ChannelBlend blend>
void eachChannel(int32_t* worked, const int32_t* source, const BlendTables&) {
    for (int c = 0; c < 3; ++c) worked[c] = blend(worked[c], source[c]);
}

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

template <class Sc>
constexpr std::array<PixelBlend, 63> makeModeTable() {
    namespace m = channel_modes;
    return {
        leaveWorked,                               // 0: no mode
        leaveWorked,                               // 1 normal
        proceduralPlus<Sc>,                        // 2
        eachChannel<m::proceduralMinus<Sc>>,       // 3
        eachChannel<m::difference<Sc>>,            // 4
        eachChannel<m::lighten<Sc>>,               // 5
        eachChannel<m::darken<Sc>>,                // 6
        eachChannel<m::add<Sc>>,                   // 7
        eachChannel<m::subtract<Sc>>,              // 8
        eachChannel<m::multiply<Sc>>,              // 9
        eachChannel<m::screen<Sc>>,                // 10
        eachChannel<m::hardLight<Sc>>,             // 11
        eachChannel<m::overlay<Sc>>,               // 12
        eachChannel<m::superlay<Sc>>,              // 13
        eachChannel<m::exclusion<Sc>>,             // 14
        inColourSpace<Sc, blendColor>,             // 15
        inColourSpace<Sc, blendLuminance>,         // 16
        eachChannel<m::linearLight<Sc>>,           // 17
        eachChannel<m::pinLight<Sc>>,              // 18
        eachChannel<m::spinLight<Sc>>,             // 19
        eachChannel<m::vividA<Sc>>,                // 20
        eachChannel<m::vividB<Sc>>,                // 21
        inColourSpace<Sc, blendSaturation>,        // 22
        inColourSpace<Sc, blendHue>,               // 23
        eachChannel<m::similarity<Sc>>,            // 24
        eachChannel<m::cross<Sc>>,                 // 25
        eachChannel<m::hardDiff<Sc>>,              // 26
        eachChannel<m::softLight<Sc>>,             // 27
        bright<Sc>,                                // 28
        dim<Sc>,                                   // 29
        eachChannel<m::dodge<Sc>>,                 // 30
        eachChannel<m::burn<Sc>>,                  // 31
        eachChannel<m::ace<Sc>>,                   // 32
        eachChannel<m::king<Sc>>,                  // 33
        eachChannel<m::queen<Sc>>,                 // 34
        eachChannel<m::jack<Sc>>,                  // 35
        eachChannel<m::bitAnd<Sc>>,                // 36
        eachChannel<m::bitOr<Sc>>,                 // 37
        eachChannel<m::bitXor<Sc>>,                // 38
        eachChannel<m::multibright<Sc>>,           // 39
        eachChannel<m::hot<Sc>>,                   // 40
        eachChannel<m::cold<Sc>>,                  // 41
        eachChannel<m::wet<Sc>>,                   // 42
        eachChannel<m::dry<Sc>>,                   // 43
        eachChannel<m::up<Sc>>,                    // 44
        eachChannel<m::down<Sc>>,                  // 45
        inColourSpace<Sc, blendWax>,               // 46
        inColourSpace<Sc, blendWane>,              // 47
        crossed<Sc, false, 1>,                     // 48 north: R by T_G, G by T_B, B by T_R
        crossed<Sc, false, 2>,                     // 49 south: R by T_B, G by T_R, B by T_G
        crossed<Sc, true, 1>,                      // 50 east: R by S_G, G by S_B, B by S_R
        crossed<Sc, true, 2>,                      // 51 west: R by S_B, G by S_R, B by S_G
        eachChannel<m::hardMix<Sc>>,               // 52
        inColourSpace<Sc, blendFrontal>,           // 53
        inColourSpace<Sc, blendParietal>,          // 54
        inColourSpace<Sc, blendTemporal>,          // 55
        inColourSpace<Sc, blendOccipital>,         // 56
        inColourSpace<Sc, blendLimbic>,            // 57
        eachChannel<m::dextrous<Sc>>,              // 58
        inColourSpace<Sc, blendSinister>,          // 59
        inColourSpace<Sc, blendAnterior>,          // 60
        inColourSpace<Sc, blendPosterior>,         // 61
        eachChannel<m::screendim<Sc>>,             // 62
    };
}

constexpr std::array<PixelBlend, 63> kEightBitModes = makeModeTable<EightBitScale>();
constexpr std::array<PixelBlend, 63> kSixteenBitModes = makeModeTable<SixteenBitScale>();

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
    const PixelBlend blend = modeFunction(valueClass, mode);
    for (int i = 0; i < count; ++i) blend(worked + 3 * i, source + 3 * i, tables);
}
