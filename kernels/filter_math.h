// The filter's own logarithm, sine, cosine and arc tangent. They use only
// IEEE additions, multiplications and divisions in double precision (no
// fused multiply-add, no table built at run time), so a result is the same
// on every machine, compiler and C library. The single-precision functions
// are the double result rounded once, which is the correctly rounded value
// except where the exact value lies within about 2^-50 of a rounding
// boundary; the single-precision logarithm is correctly rounded for every
// float (its few such cases are listed).
#pragma once

// Natural logarithm: NaN for x < 0 or NaN, -infinity at 0, +infinity at +infinity.
double filterLog(double x);
float filterLog(float x);
// filterLog of count values, on vector instructions at the active level;
// each result is exactly filterLog's.
void filterLogRun(const float* x, float* out, int count);
// Base-2 logarithm; exact for powers of two.
double filterLog2(double x);

// Sine and cosine of x radians. Arguments up to 2^20 in magnitude are
// reduced exactly enough for the results above; larger ones stay defined
// and the same everywhere but lose accuracy. NaN or infinity gives NaN.
double filterSin(double x);
double filterCos(double x);
float filterSin(float x);
float filterCos(float x);

// The angle of the point (x, y) in (-pi, pi], with the C library's rules
// for zeros, infinities and NaN.
double filterAtan2(double y, double x);
float filterAtan2(float y, float x);
