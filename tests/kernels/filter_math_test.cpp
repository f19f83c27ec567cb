// The filter's own elementary functions against the x87 extended-precision
// library functions (64-bit significands) on dense samples of their domains:
// the single-precision results must be the correctly rounded values, the
// double ones within two units in the last place, and the special values
// those of the C library.
#include "kernels/filter_math.h"
#include "kernels/speed_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace {

float floatFromBits(uint32_t b) {
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}

// Whether `got` is the float nearest the reference value. Where the reference
// lies so close to the midpoint of two floats that its own error could decide
// the rounding, either neighbour is accepted.
bool correctlyRounded(float got, long double reference) {
    const float nearest = float(reference);
    if (got == nearest) return true;
    const long double a = nearest, b = got;
    const long double midpoint = (a + b) / 2;
    return std::fabs(reference - midpoint) <= std::fabs(reference) * 0x1p-60L &&
           std::fabs(double(a) - double(b)) <= std::fabs(double(a)) * 0x1p-22;
}

long double ulpsApart(double got, long double reference) {
    const double r = double(reference);
    const double ulp = std::nextafter(std::fabs(r), std::numeric_limits<double>::infinity()) - std::fabs(r);
    return std::fabs((long double)got - reference) / ulp;
}

TEST(FilterMath, LogIsCorrectlyRoundedOverADenseSampleOfPositiveFloats) {
    // Every 127th float from the smallest subnormal to the largest finite
    // one: about 17 million arguments, every exponent and mantissa pattern.
    int wrong = 0;
    for (uint64_t bits = 1; bits < 0x7F800000u; bits += 127) {
        const float x = floatFromBits(uint32_t(bits));
        if (!correctlyRounded(filterLog(x), std::log((long double)x)) && ++wrong < 5)
            ADD_FAILURE() << "log(" << x << ") = " << filterLog(x);
    }
    EXPECT_EQ(wrong, 0);
    // The floats whose logarithm lies nearest a rounding boundary.
    for (const auto& [x, result] : {std::pair{0x1.827a74p-7f, -0x1.1c2b1ep+2f}, std::pair{0x1.2f1fd6p+3f, 0x1.1fcbcep+1f},
                                    std::pair{0x1.bacb4ap+25f, 0x1.1e0696p+4f}, std::pair{0x1.b121a6p+76f, 0x1.a9a3f2p+5f},
                                    std::pair{0x1.6351d8p+95f, 0x1.08b512p+6f}})
        EXPECT_EQ(filterLog(x), result) << x;
    // Near 1, where the result is smallest relative to its argument, every float.
    for (uint32_t bits = 0x3F700000u; bits < 0x3F880000u; ++bits) {
        const float x = floatFromBits(bits);
        ASSERT_TRUE(correctlyRounded(filterLog(x), std::log((long double)x))) << x;
    }
}

// The runs give filterLog's bits at every vector level, for ordinary values,
// the hard cases and the unusual ones (zero, subnormal, negative, infinity,
// NaN) mixed in one run, whose length leaves the vector loops a remainder.
TEST(FilterMath, LogRunsGiveTheSingleValueResults) {
    std::vector<float> x;
    for (uint64_t bits = 1; bits < 0x7F800000u; bits += 1000003) x.push_back(floatFromBits(uint32_t(bits)));
    for (const float special : {0.0f, -0.0f, -1.0f, std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                                0x1.827a74p-7f, 0x1.2f1fd6p+3f, 0x1.bacb4ap+25f, 0x1.b121a6p+76f, 0x1.6351d8p+95f, 1.0f,
                                std::numeric_limits<float>::denorm_min()})
        x.insert(x.begin() + std::ptrdiff_t(x.size() / 2), special);
    std::vector<uint32_t> expected(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const float v = filterLog(x[i]);
        std::memcpy(&expected[i], &v, 4);
    }
    for (const SimdLevel level : {SimdLevel::scalar, SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
        if (level > supportedSimdLevel()) continue;
        requestSimdLevel(level);
        std::vector<float> out(x.size());
        filterLogRun(x.data(), out.data(), int(x.size()));
        std::vector<uint32_t> got(x.size());
        std::memcpy(got.data(), out.data(), 4 * got.size());
        EXPECT_EQ(got, expected) << simdLevelName(level);
    }
    requestSimdLevel(supportedSimdLevel());
}

TEST(FilterMath, LogSpecialValuesAndDoublePrecision) {
    EXPECT_EQ(filterLog(1.0f), 0.0f);
    EXPECT_EQ(filterLog(0.0f), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(filterLog(std::numeric_limits<float>::infinity()), std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(filterLog(-1.0f)));
    EXPECT_TRUE(std::isnan(filterLog(std::numeric_limits<float>::quiet_NaN())));
    // log2 of a power of two is exact; the double results are within 2 ulps
    // (log2 within 3: its scaling by 1 / ln 2 rounds once more).
    for (int e = -1074; e <= 1023; ++e) ASSERT_EQ(filterLog2(std::ldexp(1.0, e)), double(e));
    for (double x = 1e-300; x < 1e300; x *= 1.0001234567) {
        ASSERT_LE(ulpsApart(filterLog(x), std::log((long double)x)), 2.0L) << x;
        ASSERT_LE(ulpsApart(filterLog2(x), std::log2((long double)x)), 3.0L) << x;
    }
}

TEST(FilterMath, SineAndCosineAreCorrectlyRoundedOverTheTurnsTheFilterUses) {
    // Every float in [-16, 16] whose bit pattern is a multiple of 211: all
    // quadrants, the tiny arguments near 0 and those near multiples of pi/2.
    int wrong = 0;
    for (uint32_t bits = 0; bits < 0x41800000u; bits += 211) {
        for (const float x : {floatFromBits(bits), -floatFromBits(bits)}) {
            const long double reference = x;
            if (!correctlyRounded(filterSin(x), std::sin(reference)) && ++wrong < 5)
                ADD_FAILURE() << "sin(" << x << ") = " << filterSin(x);
            if (!correctlyRounded(filterCos(x), std::cos(reference)) && ++wrong < 5)
                ADD_FAILURE() << "cos(" << x << ") = " << filterCos(x);
        }
    }
    EXPECT_EQ(wrong, 0);
#if !defined(_WIN32)
    // Double precision on the weight tables' arguments, pi t for |t| < 2,
    // against glibc's long double sine and cosine (the Windows runtime's are
    // several units off near their zeros, so they are no reference there;
    // the filter's own results are the same bits on both systems).
    for (double t = -2.0; t <= 2.0; t += 1.0 / 4096.0 + 1e-9) {
        const double a = 3.141592653 * t;
        ASSERT_LE(ulpsApart(filterSin(a), std::sin((long double)a)), 2.0L) << a;
        ASSERT_LE(ulpsApart(filterCos(a), std::cos((long double)a)), 2.0L) << a;
    }
#endif
    EXPECT_EQ(filterSin(0.0f), 0.0f);
    EXPECT_EQ(filterCos(0.0f), 1.0f);
    EXPECT_TRUE(std::isnan(filterSin(std::numeric_limits<float>::infinity())));
    // Huge arguments stay defined and bounded.
    EXPECT_LE(std::fabs(filterSin(1e30)), 1.0);
}

TEST(FilterMath, Atan2IsCorrectlyRoundedOverAGridAndKeepsTheLibraryRules) {
    int wrong = 0;
    // A 1201 x 1201 grid over [-3, 3]^2 with irrational-looking steps, plus
    // points near the axes and the diagonals.
    for (int i = -600; i <= 600; ++i) {
        for (int j = -600; j <= 600; ++j) {
            const float y = float(i) * 0.004997f, x = float(j) * 0.005003f;
            if (x == 0 && y == 0) continue;
            if (!correctlyRounded(filterAtan2(y, x), std::atan2((long double)y, (long double)x)) && ++wrong < 5)
                ADD_FAILURE() << "atan2(" << y << ", " << x << ") = " << filterAtan2(y, x);
        }
    }
    for (uint32_t bits = 0x33000000u; bits < 0x3F800000u; bits += 997) {
        const float small = floatFromBits(bits);
        for (const float x : {1.0f, -1.0f, small * 1.0000001f})
            for (const float y : {small, -small})
                if (!correctlyRounded(filterAtan2(y, x), std::atan2((long double)y, (long double)x)) && ++wrong < 5)
                    ADD_FAILURE() << "atan2(" << y << ", " << x << ") = " << filterAtan2(y, x);
    }
    EXPECT_EQ(wrong, 0);
    const float inf = std::numeric_limits<float>::infinity();
    const float pi = 3.14159265f;
    EXPECT_EQ(filterAtan2(0.0f, 1.0f), 0.0f);
    EXPECT_TRUE(std::signbit(filterAtan2(-0.0f, 1.0f)));
    EXPECT_EQ(filterAtan2(0.0f, -1.0f), pi);
    EXPECT_EQ(filterAtan2(-0.0f, -0.0f), -pi);
    EXPECT_EQ(filterAtan2(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(filterAtan2(1.0f, 0.0f), pi / 2);
    EXPECT_EQ(filterAtan2(-inf, 5.0f), -pi / 2);
    EXPECT_EQ(filterAtan2(inf, inf), pi / 4);
    EXPECT_EQ(filterAtan2(inf, -inf), 3 * pi / 4);
    EXPECT_EQ(filterAtan2(-2.0f, -inf), -pi);
    EXPECT_TRUE(std::isnan(filterAtan2(std::numeric_limits<float>::quiet_NaN(), 1.0f)));
}

}  // namespace
