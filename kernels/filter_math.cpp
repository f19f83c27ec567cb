// Logarithm, sine, cosine and arc tangent from short series in double precision.
#include "kernels/filter_math.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// ln 2 in two parts; the high part has 32 bits, so e * kLn2High is exact.
constexpr double kLn2High = 0x1.62e42fee00000p-1;
constexpr double kLn2Low = 0x1.a39ef35793c76p-33;
constexpr double kInverseLn2 = 0x1.71547652b82fep+0;

// pi / 2 in three parts of at most 33 bits (exact products with k < 2^20).
constexpr double kHalfPi1 = 0x1.921fb54400000p+0;
constexpr double kHalfPi2 = 0x1.0b4611a600000p-34;
constexpr double kHalfPi3 = 0x1.3198a2e037073p-69;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kHalfPi = 0x1.921fb54442d18p+0;
constexpr double kHalfPiLow = 0x1.1a62633145c07p-54;
constexpr double kPi = 0x1.921fb54442d18p+1;
constexpr double kPiLow = 0x1.1a62633145c07p-53;

// atan(j / 8), j = 0..8, rounded to double.
constexpr double kAtanEighths[9] = {
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

uint64_t bitsOf(double x) {
    uint64_t b;
    std::memcpy(&b, &x, 8);
    return b;
}
double fromBits(uint64_t b) {
    double x;
    std::memcpy(&x, &b, 8);
    return x;
}

// Splits a positive finite x into 2^e * m with m in [sqrt(1/2), sqrt(2)).
void splitExponent(double x, int& e, double& m) {
    e = 0;
    if (x < 0x1p-1022) {  // subnormal: scale into the normal range first (exact)
        x *= 0x1p54;
        e = -54;
    }
    const uint64_t b = bitsOf(x);
    e += int((b >> 52) & 0x7FF) - 1023;
    m = fromBits((b & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);  // [1, 2)
    if (m > 0x1.6a09e667f3bcdp+0) {  // above sqrt(2): halve (exact)
        m *= 0.5;
        e += 1;
    }
}

// log(m) for m in [sqrt(1/2), sqrt(2)): 2 atanh(s) with s = (m - 1) / (m + 1),
// |s| < 0.1716, as 2 s (1 + z/3 + z^2/5 + ... + z^11/23), z = s^2; the first
// term left out is below 2^-58 of the sum.
double logOfReduced(double m) {
    const double f = m - 1.0;
    const double s = f / (2.0 + f);
    const double z = s * s;
    double p = 1.0 / 23;
    for (int k = 10; k >= 1; --k) p = p * z + 1.0 / double(2 * k + 1);
    p = p * z;
    return 2.0 * s + 2.0 * s * p;
}

// sin(r) and cos(r) for |r| <= pi/4 from their Taylor series up to r^19 and
// r^20 (the first term left out is below 2^-60 of the result).
double sinOfReduced(double r) {
    const double z = r * r;
    double p = 0.0;
    // r (1 - z/(2*3) (1 - z/(4*5) (1 - ...))), innermost factor first.
    for (int k = 19; k >= 3; k -= 2) p = z / double((k - 1) * k) * (1.0 - p);
    return r - r * p;
}
double cosOfReduced(double r) {
    const double z = r * r;
    double p = 0.0;
    // 1 - z/(1*2) (1 - z/(3*4) (1 - ...)), innermost factor first.
    for (int k = 20; k >= 2; k -= 2) p = z / double((k - 1) * k) * (1.0 - p);
    return 1.0 - p;
}

// x = k pi/2 + r with |r| <= about pi/4; returns k mod 4. Beyond 2^30 the
// argument is first taken modulo the double nearest 2 pi (an exact
// operation, so still the same everywhere, though no longer accurate).
int reduceQuarterTurns(double x, double& r) {
    if (x > 0x1p30 || x < -0x1p30) x = std::fmod(x, 4 * kHalfPi);
    double k = x * kTwoOverPi;
    k = k >= 0 ? double(int64_t(k + 0.5)) : -double(int64_t(0.5 - k));
    r = ((x - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3;
    return int(int64_t(k) & 3);
}

// atan(t) for t in [0, 1]: atan(j/8) + atan((t - j/8) / (1 + t j/8)) with
// the nearest j, the second from its series up to u^15 (|u| <= 1/16).
double atanUnit(double t) {
    const int j = int(t * 8.0 + 0.5);
    const double c = double(j) * 0.125;
    const double u = (t - c) / (1.0 + t * c);
    const double z = u * u;
    double p = 1.0 / 15;
    // 1 - z (1/3 - z (1/5 - ... z (1/13 - z/15))), innermost first.
    for (int k = 6; k >= 0; --k) p = 1.0 / double(2 * k + 1) - p * z;
    return kAtanEighths[j] + u * p;
}

bool isNaN(double x) { return x != x; }
bool isInfinite(double x) { return x == kInfinity || x == -kInfinity; }
double copySign(double magnitude, double sign) {
    return fromBits((bitsOf(magnitude) & ~(1ull << 63)) | (bitsOf(sign) & (1ull << 63)));
}

}  // namespace

double filterLog(double x) {
    if (isNaN(x) || x < 0) return kNaN;
    if (x == 0) return -kInfinity;
    if (x == kInfinity) return kInfinity;
    int e;
    double m;
    splitExponent(x, e, m);
    const double logM = logOfReduced(m);
    return double(e) * kLn2High + (double(e) * kLn2Low + logM);
}

// The only floats whose logarithm lies so close to a rounding boundary that
// the double evaluation rounds it the wrong way (every positive float was
// checked): their correctly rounded results.
struct HardCase {
    uint32_t x, result;
};
constexpr HardCase kLogHardCases[] = {
    {0x3C413D3Au, 0xC08E158Fu},  // log(0x1.827a74p-7) = -0x1.1c2b1ep+2
    {0x41178FEBu, 0x400FE5E7u},  // log(0x1.2f1fd6p+3) = 0x1.1fcbcep+1
    {0x4C5D65A5u, 0x418F034Bu},  // log(0x1.bacb4ap+25) = 0x1.1e0696p+4
    {0x65D890D3u, 0x4254D1F9u},  // log(0x1.b121a6p+76) = 0x1.a9a3f2p+5
    {0x6F31A8ECu, 0x42845A89u},  // log(0x1.6351d8p+95) = 0x1.08b512p+6
};

float filterLog(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    for (const HardCase& hard : kLogHardCases) {
        if (bits == hard.x) {
            float result;
            std::memcpy(&result, &hard.result, 4);
            return result;
        }
    }
    return float(filterLog(double(x)));
}

double filterLog2(double x) {
    if (isNaN(x) || x < 0) return kNaN;
    if (x == 0) return -kInfinity;
    if (x == kInfinity) return kInfinity;
    int e;
    double m;
    splitExponent(x, e, m);
    return double(e) + logOfReduced(m) * kInverseLn2;
}

double filterSin(double x) {
    if (isNaN(x) || isInfinite(x)) return kNaN;
    double r;
    switch (reduceQuarterTurns(x, r)) {
        case 0: return sinOfReduced(r);
        case 1: return cosOfReduced(r);
        case 2: return -sinOfReduced(r);
        default: return -cosOfReduced(r);
    }
}

double filterCos(double x) {
    if (isNaN(x) || isInfinite(x)) return kNaN;
    double r;
    switch (reduceQuarterTurns(x, r)) {
        case 0: return cosOfReduced(r);
        case 1: return -sinOfReduced(r);
        case 2: return -cosOfReduced(r);
        default: return sinOfReduced(r);
    }
}

float filterSin(float x) { return float(filterSin(double(x))); }
float filterCos(float x) { return float(filterCos(double(x))); }

double filterAtan2(double y, double x) {
    if (isNaN(x) || isNaN(y)) return kNaN;
    const bool xNegative = (bitsOf(x) >> 63) != 0;
    if (y == 0) {
        // atan2(+-0, x): +-0 for x > 0 or +0, +-pi for x < 0 or -0.
        return xNegative ? copySign(kPi, y) : y;
    }
    if (isInfinite(x) || isInfinite(y)) {
        double angle;
        if (isInfinite(x) && isInfinite(y)) angle = xNegative ? 0x1.2d97c7f3321d2p+1 : kHalfPi / 2;  // 3 pi/4, pi/4
        else if (isInfinite(y)) angle = kHalfPi;
        else angle = xNegative ? kPi : 0.0;
        return copySign(angle, y);
    }
    if (x == 0) return copySign(kHalfPi, y);
    const double ax = x < 0 ? -x : x;
    const double ay = y < 0 ? -y : y;
    double angle;
    if (ay <= ax) angle = atanUnit(ay / ax);
    else angle = (kHalfPi - atanUnit(ax / ay)) + kHalfPiLow;
    if (xNegative) angle = (kPi - angle) + kPiLow;
    return copySign(angle, y);
}

float filterAtan2(float y, float x) { return float(filterAtan2(double(y), double(x))); }
