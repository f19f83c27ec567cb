// The filter's sine, cosine and arc tangent of float arguments on vectors of
// lanes, for the colour-wheel glue mode: the quarter-turn reduction and the
// choices of filter_math.cpp become selects, the series are the very ones
// of kernels/filter_math_series.h, so each lane gets the bits of the float
// filterSin, filterCos and filterAtan2. Lanes outside the vector form's
// reach (angles beyond 2^20, infinities, NaN) take the per-value functions.
// Internal linkage, as kernels/hsl_lanes.h.
#pragma once

#include <cstdint>

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

// Doubles below 2^31 in magnitude toward zero, as int64_t conversion does.
template <class L>
TWL_LANES typename L::D wholeTowardZero(typename L::D x) {
    return __builtin_convertvector(__builtin_convertvector(x, typename L::M), typename L::D);
}

// filterSin and filterCos of the same angles: one reduction, both series.
template <class L>
TWL_LANES void sinCosLanes(typename L::F angle, typename L::F& sine, typename L::F& cosine) {
    using F = typename L::F;
    using M = typename L::M;
    using D = typename L::D;
    using W = typename L::W;
    const M reached = magnitudeOf<L>(angle) <= 0x1p20f;
    const D x = __builtin_convertvector(reached ? angle : F{}, D);
    // The nearest quarter turn, halves away from zero.
    const D k = x * kTwoOverPi;
    const D quarters = k >= 0.0 ? wholeTowardZero<L>(k + 0.5) : -wholeTowardZero<L>(0.5 - k);
    const D r = ((x - quarters * kHalfPi1) - quarters * kHalfPi2) - quarters * kHalfPi3;
    const W quadrant = __builtin_convertvector(__builtin_convertvector(quarters, M) & 3, W);
    const D s = sinOfReduced(r), c = cosOfReduced(r);
    const D sineD = quadrant == 0 ? s : (quadrant == 1 ? c : (quadrant == 2 ? -s : -c));
    const D cosineD = quadrant == 0 ? c : (quadrant == 1 ? -s : (quadrant == 2 ? -c : s));
    sine = __builtin_convertvector(sineD, F);
    cosine = __builtin_convertvector(cosineD, F);
    for (int i = 0; i < L::kCount; ++i) {
        if (!reached[i]) {
            sine[i] = filterSin(angle[i]);
            cosine[i] = filterCos(angle[i]);
        }
    }
}

// atan(t) for t in [0, 1]: atan(j/8) from the table and the series for the rest.
template <class L>
TWL_LANES typename L::D atanUnitLanes(typename L::D t) {
    using D = typename L::D;
    using M = typename L::M;
    const M j = __builtin_convertvector(t * 8.0 + 0.5, M);
    const D c = __builtin_convertvector(j, D) * 0.125;
    const D u = (t - c) / (1.0 + t * c);
    D nearest;
    for (int i = 0; i < L::kCount; ++i) nearest[i] = kAtanEighths[j[i]];
    return nearest + atanSmall(u);
}

// filterAtan2 of float coordinates.
template <class L>
TWL_LANES typename L::F atan2Lanes(typename L::F yf, typename L::F xf) {
    using F = typename L::F;
    using M = typename L::M;
    using D = typename L::D;
    using W = typename L::W;
    const M finite = (magnitudeOf<L>(xf) <= 0x1.fffffep127f) & (magnitudeOf<L>(yf) <= 0x1.fffffep127f);
    const D x = __builtin_convertvector(finite ? xf : F{}, D);
    const D y = __builtin_convertvector(finite ? yf : F{}, D);
    const W sign = W{} + INT64_MIN;
    const W xNegative = (W(x) & sign) != 0;
    const D ax = D(W(x) & ~sign), ay = D(W(y) & ~sign);
    // Off the axes the smaller magnitude over the larger; on them a stand-in.
    const W small = ay <= ax;
    const W general = (x != 0.0) & (y != 0.0);
    const D t = general ? (small ? ay : ax) / (small ? ax : ay) : D{};
    const D unit = atanUnitLanes<L>(t);
    D angle = small ? unit : (kHalfPi - unit) + kHalfPiLow;
    angle = xNegative ? (kPi - angle) + kPiLow : angle;
    const auto withSignOfY = [&](D magnitude) { return D((W(magnitude) & ~sign) | (W(y) & sign)); };
    D result = withSignOfY(angle);
    result = x == 0.0 ? withSignOfY(D{} + kHalfPi) : result;
    result = y == 0.0 ? (xNegative ? withSignOfY(D{} + kPi) : y) : result;
    F single = __builtin_convertvector(result, F);
    for (int i = 0; i < L::kCount; ++i) {
        if (!finite[i]) single[i] = filterAtan2(yf[i], xf[i]);
    }
    return single;
}

}  // namespace
