// The generated sample landscape.
#include "apps/sample_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Deterministic value noise: a hashed lattice, smoothly interpolated.
double lattice(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return double(h & 0xFFFF) / 65535.0;
}

double smooth(double t) { return t * t * (3 - 2 * t); }

double valueNoise(double x, double y, uint32_t seed) {
    const int32_t x0 = int32_t(std::floor(x)), y0 = int32_t(std::floor(y));
    const double fx = smooth(x - x0), fy = smooth(y - y0);
    const double a = lattice(x0, y0, seed), b = lattice(x0 + 1, y0, seed);
    const double c = lattice(x0, y0 + 1, seed), d = lattice(x0 + 1, y0 + 1, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

double fractalNoise(double x, double y, uint32_t seed, int octaves) {
    double sum = 0, amplitude = 0.5, frequency = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(x * frequency, y * frequency, seed + uint32_t(i));
        amplitude *= 0.5;
        frequency *= 2;
    }
    return sum;
}

struct Rgb {
    double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb sky(double u, double v) {
    const Rgb zenith{0.16, 0.22, 0.48}, horizon{0.98, 0.62, 0.36};
    Rgb colour = mix(zenith, horizon, std::pow(v / 0.55, 1.6));
    // The low sun with its glow.
    const double dx = (u - 0.68) * 1.5, dy = v - 0.40;
    const double distance = std::sqrt(dx * dx + dy * dy);
    colour = mix(colour, Rgb{1.0, 0.92, 0.70}, std::exp(-distance * 9) * 0.9);
    if (distance < 0.035) colour = Rgb{1.0, 0.97, 0.88};
    // Clouds lit from below.
    const double cloud = fractalNoise(u * 6, v * 14, 11, 5);
    const double cover = std::clamp((cloud - 0.52) * 4, 0.0, 1.0) * (1 - v / 0.6);
    return mix(colour, Rgb{0.95, 0.70, 0.62}, cover * 0.8);
}

}  // namespace

Document makeSampleScene(int32_t width, int32_t height) {
    Document document;
    std::string error;
    makeDocument(document, width, height, 3, false, SampleDepth::eight, error);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width, v = (y + 0.5) / height;
            Rgb colour = sky(u, v);
            const double farRidge = 0.50 - 0.10 * fractalNoise(u * 4, 1.5, 3, 5);
            const double nearRidge = 0.58 - 0.12 * fractalNoise(u * 3 + 7, 2.5, 5, 6);
            const double shore = 0.66;
            if (v > farRidge) colour = mix(Rgb{0.42, 0.36, 0.52}, colour, 0.35);
            if (v > nearRidge) {
                const double rock = fractalNoise(u * 40, v * 40, 17, 4);
                colour = mix(Rgb{0.20, 0.24, 0.22}, Rgb{0.36, 0.34, 0.30}, rock);
            }
            if (v > shore) {
                // The lake mirrors the sky, broken by ripples.
                const double mirrored = 2 * shore - v;
                const double ripple = 0.004 * std::sin(v * 900) * fractalNoise(u * 30, v * 60, 23, 3);
                colour = mix(sky(u + ripple, std::max(mirrored, 0.0)), Rgb{0.10, 0.16, 0.22}, 0.35);
            }
            const double meadow = 0.86 - 0.04 * std::sin(u * 7) - 0.03 * fractalNoise(u * 10, 0.5, 29, 4);
            if (v > meadow) {
                const double grass = fractalNoise(u * 220, v * 30, 31, 4);
                colour = mix(Rgb{0.12, 0.22, 0.08}, Rgb{0.46, 0.52, 0.18}, grass * (v - meadow) * 6);
            }
            // Three trees on the left shore.
            for (int tree = 0; tree < 3; ++tree) {
                const double trunkX = 0.12 + 0.07 * tree, top = 0.38 + 0.05 * tree;
                const double halfWidth = (v - top) * 0.22;
                if (v > top && v < 0.70 && std::fabs(u - trunkX) < halfWidth * 0.66)
                    colour = mix(Rgb{0.05, 0.12, 0.07}, Rgb{0.10, 0.20, 0.10},
                                 fractalNoise(u * 120, v * 120, 41 + uint32_t(tree), 3));
            }
            uint8_t* pixel = document.pixel(x, y);
            pixel[0] = uint8_t(std::clamp(colour.r, 0.0, 1.0) * 255 + 0.5);
            pixel[1] = uint8_t(std::clamp(colour.g, 0.0, 1.0) * 255 + 0.5);
            pixel[2] = uint8_t(std::clamp(colour.b, 0.0, 1.0) * 255 + 0.5);
        }
    }
    return document;
}
