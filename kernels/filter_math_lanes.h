// The filter's sine, cosine and arc tangent of float arguments on vectors of
// lanes, for the colour-wheel glue mode: the quarter-turn reduction and the
// choices of filter_math.cpp become selects, the series are the very ones
// of kernels/filter_math_series.h, so each lane gets the bits of the float
// filterSin, filterCos and filterAtan2. The doubles are worked half a float
// vector at a time, at the register width, and whole numbers are found in
// doubles too, so that no step needs an instruction the level lacks. Lanes
// outside the vector form's reach (angles beyond 2^20, infinities, NaN)
// take the per-value functions. Internal linkage, as kernels/hsl_lanes.h.
#pragma once

#include <cstdint>
#include <cstring>

#include "kernels/filter_math.h"
#include "kernels/filter_math_series.h"
#include "kernels/hsl_lanes.h"

namespace {

// |x| without its sign bit; a comparison with the largest float then tells
// the finite lanes (NaN compares false).
template <class L>
TWL_LANES typename L::F magnitudeOf(typename L::F x) {
    using M = typename L::M;
    return typename L::F(M(x) & INT32_MAX);
}

// Whether any lane of a mask is set: the mask's words or'ed together.
template <class Mask>
TWL_LANES bool anyLane(Mask mask) {
    uint64_t words[sizeof(Mask) / 8];
    std::memcpy(words, &mask, sizeof mask);
    uint64_t any = 0;
    for (const uint64_t word : words) any |= word;
    return any != 0;
}

// The largest whole number not above x, for |x| < 2^51: adding and taking
// away 1.5 x 2^52 rounds to the nearest whole number, one less if that is
// above x. For x >= 0 it is the integer conversion's truncation.
template <class D>
TWL_LANES D wholeBelow(D x) {
    const D nearest = (x + 0x1.8p52) - 0x1.8p52;
    return nearest > x ? nearest - 1.0 : nearest;
}

// filterSin and filterCos of the same arguments (|x| <= 2^20): one
// reduction to the nearest quarter turn, halves away from zero, both series.
template <class D>
TWL_LANES void sinCosDoubles(D x, D& sine, D& cosine) {
    const D k = x * kTwoOverPi;
    const D quarters = k >= 0.0 ? wholeBelow(k + 0.5) : -wholeBelow(0.5 - k);
    const D r = ((x - quarters * kHalfPi1) - quarters * kHalfPi2) - quarters * kHalfPi3;
    // The quarter turns modulo 4, as the low two bits of the whole number.
    const D quadrant = quarters - 4.0 * wholeBelow(quarters * 0.25);
    const D s = sinOfReduced(r), c = cosOfReduced(r);
    sine = quadrant == 0.0 ? s : (quadrant == 1.0 ? c : (quadrant == 2.0 ? -s : -c));
    cosine = quadrant == 0.0 ? c : (quadrant == 1.0 ? -s : (quadrant == 2.0 ? -c : s));
}

// atan(t) for t in [0, 1]: atan(j/8) from the table and the series for the rest.
template <class D>
TWL_LANES D atanUnitDoubles(D t) {
    const D j = wholeBelow(t * 8.0 + 0.5);
    const D c = j * 0.125;
    const D u = (t - c) / (1.0 + t * c);
    D nearest = D{};
    for (int n = 1; n <= 8; ++n) nearest = j == double(n) ? D{} + kAtanEighths[n] : nearest;
    return nearest + atanSmall(u);
}

// filterAtan2 of finite coordinates.
template <class D, class W>
TWL_LANES D atan2Doubles(D y, D x) {
    const W sign = W{} + INT64_MIN;
    const W xNegative = (W(x) & sign) != 0;
    const D ax = D(W(x) & ~sign), ay = D(W(y) & ~sign);
    // Off the axes the smaller magnitude over the larger; on them a stand-in.
    const W small = ay <= ax;
    const W general = (x != 0.0) & (y != 0.0);
    const D t = general ? (small ? ay : ax) / (small ? ax : ay) : D{};
    const D unit = atanUnitDoubles(t);
    D angle = small ? unit : (kHalfPi - unit) + kHalfPiLow;
    angle = xNegative ? (kPi - angle) + kPiLow : angle;
    const auto withSignOfY = [&](D magnitude) { return D((W(magnitude) & ~sign) | (W(y) & sign)); };
    D result = withSignOfY(angle);
    result = x == 0.0 ? withSignOfY(D{} + kHalfPi) : result;
    return y == 0.0 ? (xNegative ? withSignOfY(D{} + kPi) : y) : result;
}

// The two halves of a float vector as doubles, and back.
template <class L>
TWL_LANES void toDoubles(typename L::F value, typename L::Half::D halves[2]) {
    typename L::Half::F parts[2];
    std::memcpy(parts, &value, sizeof value);
    for (int h = 0; h < 2; ++h) halves[h] = __builtin_convertvector(parts[h], typename L::Half::D);
}
template <class L>
TWL_LANES typename L::F toFloats(const typename L::Half::D halves[2]) {
    typename L::Half::F parts[2];
    for (int h = 0; h < 2; ++h) parts[h] = __builtin_convertvector(halves[h], typename L::Half::F);
    typename L::F value;
    std::memcpy(&value, parts, sizeof value);
    return value;
}

template <class L>
TWL_LANES void sinCosLanes(typename L::F angle, typename L::F& sine, typename L::F& cosine) {
    using M = typename L::M;
    using D = typename L::Half::D;
    const M reached = magnitudeOf<L>(angle) <= 0x1p20f;
    D x[2], s[2], c[2];
    toDoubles<L>(reached ? angle : typename L::F{}, x);
    for (int h = 0; h < 2; ++h) sinCosDoubles(x[h], s[h], c[h]);
    sine = toFloats<L>(s);
    cosine = toFloats<L>(c);
    if (anyLane(~reached)) {
        for (int i = 0; i < L::kCount; ++i) {
            if (!reached[i]) {
                sine[i] = filterSin(angle[i]);
                cosine[i] = filterCos(angle[i]);
            }
        }
    }
}

template <class L>
TWL_LANES typename L::F atan2Lanes(typename L::F y, typename L::F x) {
    using F = typename L::F;
    using M = typename L::M;
    using D = typename L::Half::D;
    const M finite = (magnitudeOf<L>(x) <= 0x1.fffffep127f) & (magnitudeOf<L>(y) <= 0x1.fffffep127f);
    D yHalves[2], xHalves[2], angles[2];
    toDoubles<L>(finite ? y : F{}, yHalves);
    toDoubles<L>(finite ? x : F{}, xHalves);
    for (int h = 0; h < 2; ++h) angles[h] = atan2Doubles<D, typename L::Half::W>(yHalves[h], xHalves[h]);
    F single = toFloats<L>(angles);
    if (anyLane(~finite)) {
        for (int i = 0; i < L::kCount; ++i) {
            if (!finite[i]) single[i] = filterAtan2(y[i], x[i]);
        }
    }
    return single;
}

}  // namespace
