// The constants and series behind the filter's sine, cosine and arc tangent,
// written once for a plain double and for vectors of doubles (GCC's vector
// extensions): the per-value functions and the vector ones run these very
// lines, so every lane does the per-value operations in their order.
#pragma once

// pi / 2 in three parts of at most 33 bits (exact products with k < 2^20).
inline constexpr double kHalfPi1 = 0x1.921fb54400000p+0;
inline constexpr double kHalfPi2 = 0x1.0b4611a600000p-34;
inline constexpr double kHalfPi3 = 0x1.3198a2e037073p-69;
inline constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
inline constexpr double kHalfPi = 0x1.921fb54442d18p+0;
inline constexpr double kHalfPiLow = 0x1.1a62633145c07p-54;
inline constexpr double kPi = 0x1.921fb54442d18p+1;
inline constexpr double kPiLow = 0x1.1a62633145c07p-53;

// atan(j / 8), j = 0..8, rounded to double.
inline constexpr double kAtanEighths[9] = {
    0.0,
    0x1.fd5ba9aac2f6ep-4,
    0x1.f5b75f92c80ddp-3,
    0x1.6f61941e4def1p-2,
    0x1.dac670561bb4fp-2,
    0x1.1e00babdefeb4p-1,
    0x1.4978fa3269ee1p-1,
    0x1.700a7c5784634p-1,
    0x1.921fb54442d18p-1,
};

// sin(r) and cos(r) for |r| <= pi/4 from their Taylor series up to r^19 and
// r^20 (the first term left out is below 2^-60 of the result).
template <class D>
inline __attribute__((always_inline)) D sinOfReduced(D r) {
    const D z = r * r;
    D p = D{};
    // r (1 - z/(2*3) (1 - z/(4*5) (1 - ...))), innermost factor first.
    for (int k = 19; k >= 3; k -= 2) p = z / double((k - 1) * k) * (1.0 - p);
    return r - r * p;
}
template <class D>
inline __attribute__((always_inline)) D cosOfReduced(D r) {
    const D z = r * r;
    D p = D{};
    // 1 - z/(1*2) (1 - z/(3*4) (1 - ...)), innermost factor first.
    for (int k = 20; k >= 2; k -= 2) p = z / double((k - 1) * k) * (1.0 - p);
    return 1.0 - p;
}

// atan(u) for |u| <= 1/16 from its series up to u^15.
template <class D>
inline __attribute__((always_inline)) D atanSmall(D u) {
    const D z = u * u;
    D p = D{} + 1.0 / 15;
    // 1 - z (1/3 - z (1/5 - ... z (1/13 - z/15))), innermost first.
    for (int k = 6; k >= 0; --k) p = 1.0 / double(2 * k + 1) - p * z;
    return u * p;
}
