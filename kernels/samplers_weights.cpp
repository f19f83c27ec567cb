// The resampling weight tables of the level kernels.
#include <cmath>

#include "kernels/filter_math.h"
#include "kernels/pyramid_pixels.h"
#include "kernels/samplers.h"

double lanczos2(double t) {
    if (t == 0.0) return 1.0;
    if (std::fabs(t) >= 2.0) return 0.0;
    const double pi = 3.141592653;
    const double a = pi * t;
    const double b = a / 2.0;
    return (filterSin(a) / a) * (filterSin(b) / b);
}

namespace {

// Truncated scale * weight for the listed taps; `rest` gets scale minus their sum.
template <int Taps>
void scaleTaps(const float (&weights)[Taps], int32_t scale, int rest, int32_t (*out)[kPhases], int phase) {
    int32_t sum = 0;
    for (int k = 0; k < Taps; ++k) {
        if (k == rest) continue;
        out[k][phase] = truncateToInt(weights[k] * static_cast<float>(scale));
        sum += out[k][phase];
    }
    out[rest][phase] = scale - sum;
}

void buildFiveTaps(WeightTables& t) {
    for (int p = 0; p < kPhases; ++p) {
        // Box average: 20 sub-samples 1/21 apart. The argument is formed in
        // single precision, K in double, and each tap's running sum is kept as a float.
        float raw[5];
        for (int k = 0; k < 5; ++k) {
            float sum = 0.0f;
            for (int j = 0; j < 20; ++j) {
                const float arg = static_cast<float>(p) / 128.0f - 2.0f + static_cast<float>(k) - static_cast<float>(j) / 21.0f;
                sum = static_cast<float>(static_cast<double>(sum) + lanczos2(arg));
            }
            raw[k] = sum;
        }
        const float total = raw[0] + raw[1] + raw[2] + raw[3] + raw[4];
        float w[5];
        for (int k = 0; k < 4; ++k) w[k] = raw[k] / total;
        w[4] = 1.0f - (w[0] + w[1] + w[2] + w[3]);
        for (int k = 0; k < 5; ++k) {
            t.taps5[k][p] = w[k];
            t.taps5Copy[k][p] = w[k];
        }
        scaleTaps<5>(w, 2048, 4, t.taps5Scaled2048, p);
        scaleTaps<5>(w, 32768, 4, t.taps5Scaled32768, p);
    }
}

// The 5-tap kernel convolved with 1/4, 1/2, 1/4.
void smoothedTaps(const float (&w)[5], float (&s)[7]) {
    s[0] = w[0] / 4.0f;
    s[1] = w[0] / 2.0f + w[1] / 4.0f;
    s[2] = w[1] / 2.0f + w[0] / 4.0f + w[2] / 4.0f;
    s[3] = w[2] / 2.0f + w[1] / 4.0f + w[3] / 4.0f;
    s[4] = w[3] / 2.0f + w[2] / 4.0f + w[4] / 4.0f;
    s[5] = w[4] / 2.0f + w[3] / 4.0f;
    s[6] = w[4] / 4.0f;
}

void buildSevenTaps(WeightTables& t) {
    for (int p = 0; p < kPhases; ++p) {
        float w[5];
        float s[7];
        for (int k = 0; k < 5; ++k) w[k] = t.taps5[k][p];
        smoothedTaps(w, s);
        scaleTaps<7>(s, 2048, 3, t.taps7Scaled2048, p);
        scaleTaps<7>(s, 32768, 3, t.taps7Scaled32768, p);

        for (int k = 0; k < 5; ++k) w[k] = t.taps5Copy[k][p];
        smoothedTaps(w, s);
        const float total = s[0] + s[1] + s[2] + s[3] + s[4] + s[5] + s[6];
        for (int k = 0; k < 7; ++k) t.taps7[k][p] = s[k] / total;
    }
}

}  // namespace

void buildWeightTables(WeightTables& tables) {
    buildFiveTaps(tables);
    buildSevenTaps(tables);
}
