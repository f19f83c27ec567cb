// The glue modes that treat the three channels alike and independently: one
// function per mode from the worked value t and the source value s to the
// output value, for either channel scale.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "kernels/blend_building_blocks.h"

namespace channel_modes {

using Value = int32_t;

template <class Sc>
constexpr Value proceduralMinus(Value t, Value s) {
    return std::min(Sc::max, t + ((t * s) >> Sc::fullShift));
}

template <class Sc>
constexpr Value difference(Value t, Value s) {
    return ((Sc::max - s) * t + (Sc::max - t) * s) >> Sc::fullShift;
}

template <class Sc>
constexpr Value lighten(Value t, Value s) { return std::max(t, s); }

template <class Sc>
constexpr Value darken(Value t, Value s) { return std::min(t, s); }

template <class Sc>
constexpr Value add(Value t, Value s) { return std::min(Sc::max, t + s); }

template <class Sc>
constexpr Value subtract(Value t, Value s) { return std::max(Value{0}, t - s); }

template <class Sc>
constexpr Value multiply(Value t, Value s) { return (t * s) >> Sc::fullShift; }

template <class Sc>
constexpr Value screen(Value t, Value s) { return t + (((Sc::max - t) * s) >> Sc::fullShift); }

template <class Sc>
constexpr Value hardLight(Value t, Value s) { return hardLightStep<Sc>(s, t); }

template <class Sc>
constexpr Value overlay(Value t, Value s) { return hardLightStep<Sc>(t, s); }

template <class Sc>
constexpr Value superlay(Value t, Value s) {
    constexpr Value threshold = Sc::wide ? 536903680 : 32768;
    const Value lifted = Sc::max - ((t * s) >> Sc::fullShift);
    const Value a = lifted * lifted;
    const Value d = Sc::max - (((Sc::max - t) * s) >> Sc::fullShift) - t;
    const Value dSquared = (d * d) >> Sc::fullShift;
    if (a < threshold) return Sc::max - (((a >> Sc::fullShift) * dSquared) >> Sc::halfShift);
    return ((Sc::max - dSquared) * (Sc::max - (a >> Sc::fullShift))) >> Sc::halfShift;
}

// On 16-bit images exclusion is the same sum as difference.
template <class Sc>
constexpr Value exclusion(Value t, Value s) {
    if constexpr (Sc::wide) return difference<Sc>(t, s);
    return ((255 - s) * t + (256 - t) * s) >> 8;
}

template <class Sc>
constexpr Value linearLight(Value t, Value s) {
    if (t < Sc::half) return std::max(Value{0}, s + 2 * t - Sc::full);
    return std::min(Sc::max, s + 2 * t - Sc::max);
}

template <class Sc>
constexpr Value pinLight(Value t, Value s) { return pinLightStep<Sc>(s, t); }

template <class Sc>
constexpr Value spinLight(Value t, Value s) { return pinLightStep<Sc>(t, s); }

// The 8-bit rule before its limit; every divisor is at least 1.
constexpr Value vividA8(Value t, Value s) {
    if (t < 128) return 255 + (s - 255) * 256 / (2 * t + 1);
    return s * 256 / (511 - 2 * t);
}

constexpr Value toEightBit(Value v) { return v >= 32767 ? 255 : (v + 1) >> 7; }

// 16-bit images take a detour through 8 bits and widen the result back.
template <class Sc>
constexpr Value vividA(Value t, Value s) {
    if constexpr (Sc::wide) {
        const Value narrow = vividA8(toEightBit(t), toEightBit(s));
        if (narrow > 254) return 32768;
        if (narrow < 0) return 0;
        return 128 * narrow + narrow / 2;
    }
    return clampChannel<Sc>(vividA8(t, s));
}

template <class Sc>
constexpr Value vividB(Value t, Value s) { return clampChannel<Sc>(2 * t - s); }

template <class Sc>
constexpr Value similarity(Value t, Value s) { return Sc::max - std::abs(t + s - Sc::max); }

template <class Sc>
constexpr Value cross(Value t, Value s) {
    const Value dt = t - Sc::half, ds = s - Sc::half;
    const Value d = std::abs(dt * dt / Sc::crossDivisor - ds * ds / Sc::crossDivisor);
    return std::max(Value{0}, Sc::max - d);
}

template <class Sc>
constexpr Value hardDiff(Value t, Value s) { return std::abs(t - s); }

// The 16-bit upper branch runs at 8-bit precision; with a full source and a
// worked value of 16384..16639 it would come out at 32896, so it is limited to
// the channel maximum like every other result.
template <class Sc>
constexpr Value softLight(Value t, Value s) {
    if (t < Sc::half) return (t * s + (s * s / Sc::full) * (Sc::half - t)) >> Sc::halfShift;
    if constexpr (Sc::wide) {
        const Value t8 = t >> 7;
        const Value b = 255 - (s >> 7);
        const Value narrow = 255 - (((t8 - 130) * (b * b / 256) + (258 - t8) * b) >> 7);
        return clampChannel<Sc>(128 * narrow);
    }
    const Value inverse = 255 - s;
    return 255 - (((t - 130) * (inverse * inverse / 256) + (258 - t) * inverse) >> 7);
}

template <class Sc>
constexpr Value dodge(Value t, Value s) {
    if constexpr (Sc::wide) {
        if (t == 32768) return 32768;
    }
    return clampChannel<Sc>(s * Sc::full / (Sc::full - t));
}

template <class Sc>
constexpr Value burn(Value t, Value s) {
    return clampChannel<Sc>(Sc::max + (s - Sc::max) * Sc::full / (t + 1));
}

template <class Sc>
constexpr Value ace(Value t, Value s) { return (t * t + (Sc::full - t) * s) >> Sc::fullShift; }

template <class Sc>
constexpr Value king(Value t, Value s) { return (s * (t - s + Sc::full)) >> Sc::fullShift; }

template <class Sc>
constexpr Value queen(Value t, Value s) {
    if constexpr (Sc::wide) return ((s - t + 32768) * t) >> 15;
    return (s * (t + 1) + (255 - t) * t) >> 8;
}

template <class Sc>
constexpr Value jack(Value t, Value s) {
    if constexpr (Sc::wide) return ((32768 - s) * t + s * s) >> 15;
    return (s * (s + 1) + (255 - s) * t) >> 8;
}

template <class Sc>
constexpr Value bitAnd(Value t, Value s) { return t & s; }

// 32768 is a single bit, so on 16-bit images OR and XOR can leave [0, M];
// the result is limited to the channel maximum.
template <class Sc>
constexpr Value bitOr(Value t, Value s) { return clampChannel<Sc>(t | s); }

template <class Sc>
constexpr Value bitXor(Value t, Value s) { return clampChannel<Sc>(t ^ s); }

// 1/65025 at 8 bits, 2^-30 at 16 bits: the reciprocal of M squared.
template <class Sc>
constexpr float squareReciprocal() {
    return Sc::wide ? 9.3132257462e-10f : 1.53787e-5f;
}

template <class Sc>
inline Value multibright(Value t, Value s) {
    const float x = static_cast<float>(t * s) * squareReciprocal<Sc>();
    return static_cast<Value>(static_cast<float>(Sc::max) * x * (2.0f - x));
}

template <class Sc>
inline Value screendim(Value t, Value s) {
    const float x = 1.0f - static_cast<float>((Sc::max - t) * (Sc::max - s)) * squareReciprocal<Sc>();
    return static_cast<Value>(static_cast<float>(Sc::max) * x * x);
}

template <class Sc>
constexpr Value hot(Value t, Value s) {
    const Value a = pinLightStep<Sc>(t, s);
    const Value b = pinLightStep<Sc>(Sc::max - t, s);
    return pinLightStep<Sc>(b, a);
}

template <class Sc>
constexpr Value cold(Value t, Value s) {
    const Value a = pinLightStep<Sc>(s, t);
    const Value b = pinLightStep<Sc>(Sc::max - s, t);
    return pinLightStep<Sc>(b, a);
}

template <class Sc>
constexpr Value wet(Value t, Value s) {
    const Value a = hardLightStep<Sc>(t, s);
    const Value b = Sc::max - hardLightStep<Sc>(Sc::max - s, t);
    return pinLightStep<Sc>(b, a);
}

template <class Sc>
constexpr Value dry(Value t, Value s) {
    const Value a = hardLightStep<Sc>(Sc::max - t, s);
    const Value b = hardLightStep<Sc>(s, t);
    return pinLightStep<Sc>(b, a);
}

template <class Sc>
constexpr Value up(Value t, Value s) { return pinLightStep<Sc>(hardLightStep<Sc>(t, s), hardLightStep<Sc>(s, t)); }

template <class Sc>
constexpr Value down(Value t, Value s) { return pinLightStep<Sc>(hardLightStep<Sc>(s, t), hardLightStep<Sc>(t, s)); }

template <class Sc>
constexpr Value hardMix(Value t, Value s) {
    // On 16 bits the sum must exceed 32768, not reach it.
    constexpr Value threshold = Sc::wide ? 32769 : 256;
    return t + s < threshold ? 0 : Sc::max;
}

// s / 2t below the worked value, 1 - t / 2s above it, 1 when both are 0.
template <class Sc>
inline Value dextrous(Value t, Value s) {
    const float m = static_cast<float>(Sc::max);
    const float sr = static_cast<float>(s) / m, tr = static_cast<float>(t) / m;
    float r;
    if (sr < tr) {
        r = sr / (2.0f * tr);
    } else if (sr > 0.0f) {
        r = 1.0f - tr / (2.0f * sr);
    } else {
        r = 1.0f;
    }
    return static_cast<Value>(r * m);
}

}  // namespace channel_modes
