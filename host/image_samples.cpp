// Sample conversions between image files and the host's document.
#include "host/image_samples.h"

#include <cstring>

namespace {

uint16_t load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
void store16(uint8_t* p, uint16_t v, bool bigEndian) {
    if (bigEndian) {
        p[0] = uint8_t(v >> 8);
        p[1] = uint8_t(v & 0xFF);
    } else {
        std::memcpy(p, &v, 2);
    }
}
float loadFloat(const uint8_t* p) {
    float v;
    std::memcpy(&v, p, 4);
    return v;
}
void storeFloat(uint8_t* p, float v) { std::memcpy(p, &v, 4); }

// Writes one document sample at the file's depth.
void convertSample(SampleDepth from, const uint8_t* in, int fileDepth, bool bigEndian16, uint8_t* out) {
    switch (from) {
        case SampleDepth::eight:
            if (fileDepth == 8) *out = *in;
            else if (fileDepth == 16) store16(out, uint16_t(*in * 257u), bigEndian16);
            else storeFloat(out, eightToFloat(*in));
            return;
        case SampleDepth::sixteen: {
            const uint16_t h = load16(in);
            if (fileDepth == 8) *out = host16To8(h);
            else if (fileDepth == 16) store16(out, hostToFile16(h), bigEndian16);
            else storeFloat(out, host16ToFloat(h > 32768 ? 32768 : h));
            return;
        }
        case SampleDepth::floating: {
            const float v = loadFloat(in);
            if (fileDepth == 8) *out = floatTo8(v);
            else if (fileDepth == 16) store16(out, floatToFile16(v), bigEndian16);
            else storeFloat(out, v);
            return;
        }
    }
}

}  // namespace

size_t fileRowBytes(const Document& document, int fileDepth, bool withAlpha) {
    const size_t samples = size_t(document.colorChannels) + (withAlpha && document.hasAlpha ? 1 : 0);
    return size_t(document.width) * samples * size_t(fileDepth / 8);
}

namespace {

// 8-bit samples kept as they are, every `planes`-th run of `keep` samples.
void copyEightBitRow(const uint8_t* in, int32_t width, int32_t planes, int32_t keep, uint8_t* out) {
    if (keep == planes) {
        std::memcpy(out, in, size_t(width) * size_t(planes));
        return;
    }
    for (int32_t x = 0; x < width; ++x, in += planes, out += keep)
        for (int32_t c = 0; c < keep; ++c) out[c] = in[c];
}

// Host 16-bit samples to file 16-bit, big-endian or native: the loop the
// compiler can turn into vector code, with the arithmetic of hostToFile16.
void sixteenBitRow(const uint8_t* in, int32_t width, int32_t planes, int32_t keep, bool bigEndian, uint8_t* out) {
    const auto convert = [](const uint8_t* from) {
        uint16_t h;
        std::memcpy(&h, from, 2);
        return hostToFile16(h);
    };
    if (keep == planes) {
        const size_t count = size_t(width) * size_t(planes);
        if (bigEndian) {
            for (size_t i = 0; i < count; ++i) {
                const uint16_t v = convert(in + 2 * i);
                out[2 * i] = uint8_t(v >> 8);
                out[2 * i + 1] = uint8_t(v);
            }
        } else {
            for (size_t i = 0; i < count; ++i) {
                const uint16_t v = convert(in + 2 * i);
                std::memcpy(out + 2 * i, &v, 2);
            }
        }
        return;
    }
    for (int32_t x = 0; x < width; ++x, in += 2 * planes)
        for (int32_t c = 0; c < keep; ++c, out += 2) store16(out, convert(in + 2 * c), bigEndian);
}

}  // namespace

void documentRowToFile(const Document& document, int32_t y, int fileDepth, bool withAlpha,
                       bool bigEndian16, uint8_t* out) {
    const int inBytes = sampleBytes(document.depth);
    const int outBytes = fileDepth / 8;
    const int32_t planes = document.planes();
    const int32_t keep = document.colorChannels + (withAlpha && document.hasAlpha ? 1 : 0);
    const uint8_t* in = document.pixel(0, y);
    if (document.depth == SampleDepth::eight && fileDepth == 8) {
        copyEightBitRow(in, document.width, planes, keep, out);
        return;
    }
    if (document.depth == SampleDepth::sixteen && fileDepth == 16) {
        sixteenBitRow(in, document.width, planes, keep, bigEndian16, out);
        return;
    }
    for (int32_t x = 0; x < document.width; ++x) {
        for (int32_t c = 0; c < keep; ++c) {
            convertSample(document.depth, in + c * inBytes, fileDepth, bigEndian16, out);
            out += outBytes;
        }
        in += planes * inBytes;
    }
}

void convertFile16ToHost(Document& document) {
    uint8_t* p = document.samples.data();
    const size_t count = document.samples.size() / 2;
    for (size_t i = 0; i < count; ++i, p += 2) {
        const uint16_t h = fileToHost16(load16(p));
        std::memcpy(p, &h, 2);
    }
}

void invertGrey(Document& document) {
    const int32_t planes = document.planes();
    const size_t pixels = size_t(document.width) * size_t(document.height);
    const size_t stride = document.pixelBytes();
    uint8_t* p = document.samples.data();
    for (size_t i = 0; i < pixels; ++i, p += stride) {
        for (int32_t c = 0; c < document.colorChannels && c < planes; ++c) {
            switch (document.depth) {
                case SampleDepth::eight: p[c] = uint8_t(255 - p[c]); break;
                case SampleDepth::sixteen: {
                    const uint16_t v = uint16_t(65535 - load16(p + 2 * c));
                    std::memcpy(p + 2 * c, &v, 2);
                    break;
                }
                case SampleDepth::floating: storeFloat(p + 4 * c, 1.0f - loadFloat(p + 4 * c)); break;
            }
        }
    }
}

void unpremultiplyAlpha(Document& document, uint32_t fileMaximum) {
    if (!document.hasAlpha) return;
    const int32_t colors = document.colorChannels;
    const size_t pixels = size_t(document.width) * size_t(document.height);
    const size_t stride = document.pixelBytes();
    uint8_t* p = document.samples.data();
    for (size_t i = 0; i < pixels; ++i, p += stride) {
        if (document.depth == SampleDepth::floating) {
            const float a = loadFloat(p + 4 * colors);
            for (int32_t c = 0; c < colors; ++c)
                storeFloat(p + 4 * c, a > 0.0f ? loadFloat(p + 4 * c) / a : 0.0f);
            continue;
        }
        const bool wide = document.depth == SampleDepth::sixteen;
        const uint32_t a = wide ? load16(p + 2 * colors) : p[colors];
        for (int32_t c = 0; c < colors; ++c) {
            const uint32_t v = wide ? load16(p + 2 * c) : p[c];
            // Rounded, and limited because a damaged file may hold colour above its alpha.
            uint64_t straight = a == 0 ? 0 : (uint64_t(v) * fileMaximum + a / 2) / a;
            if (straight > fileMaximum) straight = fileMaximum;
            if (wide) {
                const uint16_t s = uint16_t(straight);
                std::memcpy(p + 2 * c, &s, 2);
            } else {
                p[c] = uint8_t(straight);
            }
        }
    }
}
