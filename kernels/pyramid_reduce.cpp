// Reduced levels of the pyramid: the 32-sample weighted bilinear reduce, the
// level build over the job runner and the refresh of a changed rectangle.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "kernels/job_workers.h"
#include "kernels/jobs.h"
#include "kernels/pyramid.h"
#include "kernels/pyramid_pixels.h"
#include "kernels/speed_settings.h"
#include "kernels/vector_levels.h"

#if defined(TWL_X86_VECTORS)
#include <immintrin.h>
#endif

namespace {

// Six sample offsets per axis (centres of the level-n pixels 2j-2 .. 2j+3)
// and their weights; the 32 weights left after the corners sum to 1640.
constexpr float kOffsets[6] = {-0.75f, -0.25f, 0.25f, 0.75f, 1.25f, 1.75f};
constexpr float kAxisWeights[6] = {0.25f, 4.0f, 16.0f, 16.0f, 4.0f, 0.25f};
constexpr float kInverseWeightSum = 0.0006097561f;  // 1 / 1640

constexpr bool isCorner(int tx, int ty) { return (tx == 0 || tx == 5) && (ty == 0 || ty == 5); }

bool reducible(const Pyramid& p, int level) {
    if (!p.hasTiles() || level < 0 || level >= p.lmax) return false;
    return p.storageType == kStoragePacked8 || p.storageType == kStorageRgba16 || p.storageType == kStorageFloat4;
}

PixelRect clipToLevel(const Pyramid& p, int level, PixelRect r) {
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > p.width[level]) r.right = p.width[level];
    if (r.bottom > p.height[level]) r.bottom = p.height[level];
    return r;
}

float clampUnit(float v) {
    if (!(v >= 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

// Scale the weighted sum, clamp colour to [0, 65535] and coverage to [0, 1], store.
void storeReduced(const Pyramid& p, uint8_t* pixel, const float sum[4]) {
    float v[4];
    for (int c = 0; c < 4; ++c) v[c] = sum[c] * kInverseWeightSum;
    for (int c = 0; c < 3; ++c) v[c] = v[c] < 0.0f ? 0.0f : (v[c] > 65535.0f ? 65535.0f : v[c]);
    v[3] = v[3] < 0.0f ? 0.0f : (v[3] > 1.0f ? 1.0f : v[3]);
    storePixelColor(p, pixel, EffectColor{v[0], v[1], v[2], v[3]});
}

#if defined(TWL_X86_VECTORS)
// storeReduced for packed 8-bit pixels with the four channels in one
// register: the same scaling, limits (written as the same comparisons),
// truncation of the finite values and packing of their low 8 bits.
void storeReducedPacked8(uint8_t* pixel, __m128 sum) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 high = _mm_setr_ps(65535.0f, 65535.0f, 65535.0f, 1.0f);
    __m128 v = _mm_mul_ps(sum, _mm_set1_ps(kInverseWeightSum));
    v = _mm_andnot_ps(_mm_cmplt_ps(v, zero), v);
    const __m128 over = _mm_cmpgt_ps(v, high);
    v = _mm_or_ps(_mm_and_ps(over, high), _mm_andnot_ps(over, v));
    const __m128i whole = _mm_cvttps_epi32(_mm_mul_ps(v, _mm_set1_ps(255.0f)));
    // Red, green, blue, coverage into the word's bytes 3, 2, 1, 0.
    const __m128i low = _mm_and_si128(_mm_shuffle_epi32(whole, _MM_SHUFFLE(0, 1, 2, 3)), _mm_set1_epi32(0xFF));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(low, low), _mm_setzero_si128());
    storeU32(pixel, uint32_t(_mm_cvtsi128_si32(bytes)));
}
#endif

// ---- Fast path -------------------------------------------------------------
// The same arithmetic as the reference, with every shared intermediate
// computed once: a sample column's pixel pair and fraction depend only on its
// position, the horizontal interpolation of a level-n row at a sample column
// only on that row and column, and the vertical interpolation only on the
// sample row and column. Neighbouring output pixels share four of their six
// sample positions per axis. Bit-identical to the reference as long as the
// positions j + t are exact in single precision (levels below 2^20 pixels).

constexpr int kFastLimit = 1 << 20;
constexpr int kRowSlots = 4;    // horizontal interpolations kept per level-n row
constexpr int kSampleSlots = 6; // vertical interpolations: one per sample row of an output row

struct alignas(16) Quad {
    float v[4];
};

// Per sample position along one axis: the two pixels read and the fraction.
struct AxisSample {
    int first;
    int second;
    float fraction;
};

struct FastLayout {
    int columns = 0;       // sample columns Q = 2 * rect width + 4
    int rows = 0;          // sample rows
    size_t bytes = 0;
    size_t columnOffset = 0, rowOffset = 0, convertedOffset = 0, rowSlotOffset = 0, sampleSlotOffset = 0;
};

FastLayout fastLayout(const Pyramid& p, int level, PixelRect r) {
    FastLayout f;
    f.columns = 2 * (r.right - r.left) + 4;
    f.rows = 2 * (r.bottom - r.top) + 4;
    auto align = [](size_t v) { return (v + 15) & ~static_cast<size_t>(15); };
    size_t at = 0;
    f.columnOffset = at;
    at = align(at + sizeof(AxisSample) * static_cast<size_t>(f.columns));
    f.rowOffset = at;
    at = align(at + sizeof(AxisSample) * static_cast<size_t>(f.rows));
    f.convertedOffset = at;
    at = align(at + sizeof(Quad) * static_cast<size_t>(p.width[level]));
    f.rowSlotOffset = at;
    at = align(at + sizeof(Quad) * static_cast<size_t>(f.columns) * kRowSlots);
    f.sampleSlotOffset = at;
    at = align(at + sizeof(Quad) * static_cast<size_t>(f.columns) * kSampleSlots);
    f.bytes = at;
    return f;
}

bool fastPathApplies(const Pyramid& p, int level) {
    return p.width[level + 1] <= kFastLimit && p.height[level + 1] <= kFastLimit;
}

// The bilinear reader's coordinate rule for one axis of one sample position.
AxisSample axisSample(float position, float size, float inverseSize, int last) {
    const float p0 = clampUnit(position);
    const float p1 = clampUnit(position + inverseSize);
    const float scaled = size * p0 - 0.5f;
    int first = static_cast<int>(scaled);
    int second = static_cast<int>(size * p1 - 0.5f);
    const float fraction = scaled - static_cast<float>(first);
    first = first < 0 ? 0 : (first > last ? last : first);
    second = second < 0 ? 0 : (second > last ? last : second);
    return {first, second, fraction};
}

struct FastReduce {
    const Pyramid* p;
    int n;  // source level
    PixelRect r;
    FastLayout layout;
    uint8_t* base;
    AxisSample* columns;
    AxisSample* rows;
    Quad* converted;
    Quad* rowSlots;
    int rowSlotKey[kRowSlots];
    Quad* sampleSlots;
    int sampleSlotKey[kSampleSlots];
    int convertFirst, convertLast;
    // Four channels at once in one register: the same operations on each
    // channel in the same order, so the same bits as the plain loops.
    bool vector;
    bool wide;  // four pixels at once with AVX-512

    void lerp(const Quad& a, const Quad& b, float f, Quad& out) const {
#if defined(TWL_X86_VECTORS)
        if (vector) {
            const __m128 va = _mm_load_ps(a.v);
            _mm_store_ps(out.v, _mm_add_ps(va, _mm_mul_ps(_mm_sub_ps(_mm_load_ps(b.v), va), _mm_set1_ps(f))));
            return;
        }
#endif
        for (int c = 0; c < 4; ++c) out.v[c] = a.v[c] + (b.v[c] - a.v[c]) * f;
    }

    Quad* rowSlot(int s) { return rowSlots + static_cast<size_t>(s) * layout.columns; }
    Quad* sampleSlot(int s) { return sampleSlots + static_cast<size_t>(s) * layout.columns; }

    // False when a sample row pair is too far apart for the row slots
    // (never for real level sizes); the caller then takes the reference.
    bool prepare() {
        const int m = n + 1;
        columns = reinterpret_cast<AxisSample*>(base + layout.columnOffset);
        rows = reinterpret_cast<AxisSample*>(base + layout.rowOffset);
        converted = reinterpret_cast<Quad*>(base + layout.convertedOffset);
        rowSlots = reinterpret_cast<Quad*>(base + layout.rowSlotOffset);
        sampleSlots = reinterpret_cast<Quad*>(base + layout.sampleSlotOffset);
        const float wn = static_cast<float>(p->width[n]);
        const float hn = static_cast<float>(p->height[n]);
        convertFirst = p->lastColumn[n];
        convertLast = 0;
        for (int q = 0; q < layout.columns; ++q) {
            const int g = 2 * r.left + q;  // = 2j + k for output column j and offset k
            const float position = (static_cast<float>(g >> 1) + kOffsets[g & 1]) * p->inverseWidth[m];
            columns[q] = axisSample(position, wn, p->inverseWidth[n], p->lastColumn[n]);
            const int lo = columns[q].first < columns[q].second ? columns[q].first : columns[q].second;
            const int hi = columns[q].first < columns[q].second ? columns[q].second : columns[q].first;
            if (lo < convertFirst) convertFirst = lo;
            if (hi > convertLast) convertLast = hi;
        }
        for (int q = 0; q < layout.rows; ++q) {
            const int g = 2 * r.top + q;
            const float position = (static_cast<float>(g >> 1) + kOffsets[g & 1]) * p->inverseHeight[m];
            rows[q] = axisSample(position, hn, p->inverseHeight[n], p->lastRow[n]);
            const int gap = rows[q].second - rows[q].first;
            if (gap < 0 || gap >= kRowSlots) return false;
        }
        for (int& key : rowSlotKey) key = -1;
        for (int& key : sampleSlotKey) key = -1;
        return true;
    }

    // pixelColor of the packed 8-bit pixels of row y, a tile's run at a
    // time, with the four channels widened in one register.
    void convertPacked8(int y) {
        const float scale = p->inverseFullScale;
        for (int x = convertFirst; x <= convertLast;) {
            const int end = std::min(convertLast, x | kTileMask);
            const uint8_t* from = p->pixelInside(n, x, y);
            for (; x <= end; ++x, from += 4) {
#if defined(TWL_X86_VECTORS)
                if (vector) {
                    // Bytes coverage, blue, green, red in memory: widened and
                    // reversed into red, green, blue, coverage.
                    const __m128i zero = _mm_setzero_si128();
                    const __m128i bytes = _mm_cvtsi32_si128(int(loadU32(from)));
                    const __m128i words = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
                    const __m128 values = _mm_cvtepi32_ps(_mm_shuffle_epi32(words, _MM_SHUFFLE(0, 1, 2, 3)));
                    _mm_store_ps(converted[x].v, _mm_mul_ps(values, _mm_set1_ps(scale)));
                    continue;
                }
#endif
                uint32_t v[4];
                unpackChannels8(loadU32(from), v);
                converted[x] = Quad{{float(v[0]) * scale, float(v[1]) * scale, float(v[2]) * scale, float(v[3]) * scale}};
            }
        }
    }

    // Horizontal interpolation of level-n row y at every sample column.
    const Quad* interpolatedRow(int y) {
        const int s = y % kRowSlots;
        Quad* out = rowSlot(s);
        if (rowSlotKey[s] == y) return out;
        if (p->storageType == kStoragePacked8) {
            convertPacked8(y);
        } else {
            for (int x = convertFirst; x <= convertLast; ++x) {
                const EffectColor c = pixelColor(*p, p->pixelInside(n, x, y));
                converted[x] = Quad{{c.red, c.green, c.blue, c.coverage}};
            }
        }
        for (int q = 0; q < layout.columns; ++q) {
            const Quad& a = converted[columns[q].first];
            const Quad& b = converted[columns[q].second];
            lerp(a, b, columns[q].fraction, out[q]);
        }
        rowSlotKey[s] = y;
        return out;
    }

    // Vertical interpolation at sample row q of every sample column.
    const Quad* sampleRow(int q) {
        const int s = q % kSampleSlots;
        Quad* out = sampleSlot(s);
        if (sampleSlotKey[s] == q) return out;
        const AxisSample& row = rows[q];
        // prepare() checked that the pair is less than kRowSlots apart, so the
        // two rows never share a slot and both stay valid while combining.
        const Quad* top = interpolatedRow(row.first);
        const Quad* bottom = interpolatedRow(row.second);
        const float f = row.fraction;
        for (int x = 0; x < layout.columns; ++x) lerp(top[x], bottom[x], f, out[x]);
        sampleSlotKey[s] = q;
        return out;
    }

#if defined(TWL_X86_VECTORS)
    // Four output pixels in one AVX-512 register, each lane group summing its
    // own pixel's 32 terms in the same order as the one-pixel path; the
    // samples of the four pixels (every other sample column) are picked from
    // two loads. Returns the first column it left to the one-pixel path.
    TWL_AVX512 int fourAtATime(Pyramid& target, int i, const Quad* const (&samples)[6]) {
        const int m = n + 1;
        const __m512i everyOther = _mm512_setr_epi32(0, 1, 2, 3, 8, 9, 10, 11, 16, 17, 18, 19, 24, 25, 26, 27);
        int j = r.left;
        // The two loads of the last group read up to sample column q0 + 12.
        for (; j + 4 < r.right; j += 4) {
            const int q0 = 2 * (j - r.left);
            __m512 total = _mm512_setzero_ps();
#pragma GCC unroll 6
            for (int ty = 0; ty < 6; ++ty) {
#pragma GCC unroll 6
                for (int tx = 0; tx < 6; ++tx) {
                    if (isCorner(tx, ty)) continue;
                    const float* from = samples[ty][q0 + tx].v;
                    const __m512 picked =
                        _mm512_permutex2var_ps(_mm512_loadu_ps(from), everyOther, _mm512_loadu_ps(from + 16));
                    total = _mm512_add_ps(total, _mm512_mul_ps(picked, _mm512_set1_ps(kAxisWeights[tx] * kAxisWeights[ty])));
                }
            }
            alignas(64) float sums[16];
            _mm512_store_ps(sums, total);
            for (int k = 0; k < 4; ++k) {
                uint8_t* pixel = target.pixelInside(m, j + k, i);
                if (target.storageType == kStoragePacked8) storeReducedPacked8(pixel, _mm_load_ps(sums + 4 * k));
                else storeReduced(target, pixel, sums + 4 * k);
            }
        }
        return j;
    }
#endif

    void run(Pyramid& target) {
        const int m = n + 1;
        for (int i = r.top; i < r.bottom; ++i) {
            const Quad* samples[6];
            for (int ty = 0; ty < 6; ++ty) samples[ty] = sampleRow(2 * (i - r.top) + ty);
            int j = r.left;
#if defined(TWL_X86_VECTORS)
            if (wide) j = fourAtATime(target, i, samples);
#endif
            for (; j < r.right; ++j) {
                const int q0 = 2 * (j - r.left);
                alignas(16) float sum[4] = {0, 0, 0, 0};
#if defined(TWL_X86_VECTORS)
                if (vector) {
                    __m128 total = _mm_setzero_ps();
                    // Unrolled whole: the corners drop out and every weight
                    // becomes a constant.
#pragma GCC unroll 6
                    for (int ty = 0; ty < 6; ++ty) {
#pragma GCC unroll 6
                        for (int tx = 0; tx < 6; ++tx) {
                            if (isCorner(tx, ty)) continue;
                            const __m128 w = _mm_set1_ps(kAxisWeights[tx] * kAxisWeights[ty]);
                            total = _mm_add_ps(total, _mm_mul_ps(_mm_load_ps(samples[ty][q0 + tx].v), w));
                        }
                    }
                    if (target.storageType == kStoragePacked8) {
                        storeReducedPacked8(target.pixelInside(m, j, i), total);
                        continue;
                    }
                    _mm_store_ps(sum, total);
                    storeReduced(target, target.pixelInside(m, j, i), sum);
                    continue;
                }
#endif
                for (int ty = 0; ty < 6; ++ty) {
                    for (int tx = 0; tx < 6; ++tx) {
                        if (isCorner(tx, ty)) continue;
                        const float w = kAxisWeights[tx] * kAxisWeights[ty];
                        const Quad& v = samples[ty][q0 + tx];
                        for (int c = 0; c < 4; ++c) sum[c] += v.v[c] * w;
                    }
                }
                storeReduced(target, target.pixelInside(m, j, i), sum);
            }
        }
    }
};

// Runs the fast path with `scratch` of fastLayout().bytes, or the reference without.
// The fast path's vector forms by level: a pixel's four channels in one
// register from SSE2 on, four output pixels at once with AVX-512.
struct ReduceForm {
    bool fourChannels;
    bool fourPixels;
};
constexpr LevelTable<ReduceForm> kReduceForms = {{false, false}, {true, false}, {true, false}, {true, true}};

void reduceClipped(Pyramid& p, int level, PixelRect r, void* scratch) {
    if (scratch == nullptr || !fastPathApplies(p, level)) {
        reducePyramidLevelReference(p, level, r);
        return;
    }
    FastReduce fast{};
    fast.p = &p;
    fast.n = level;
    fast.r = r;
    fast.layout = fastLayout(p, level, r);
    fast.base = static_cast<uint8_t*>(scratch);
    const ReduceForm form = kReduceForms[activeSimdLevel()];
    fast.vector = form.fourChannels;
    fast.wide = form.fourPixels;
    if (!fast.prepare()) {
        reducePyramidLevelReference(p, level, r);
        return;
    }
    fast.run(p);
}

struct Scratch {
    const MemoryService* service = nullptr;
    MemoryBlock block;
    Scratch() = default;
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    bool allocate(const MemoryService& s, size_t bytes) {
        service = &s;
        if (s.allocate == nullptr || !s.allocate(s.context, bytes, &block)) block = MemoryBlock{};
        if (block.data != nullptr && reinterpret_cast<uintptr_t>(block.data) % 16 != 0) {
            s.release(s.context, &block);
            block = MemoryBlock{};
        }
        return block.data != nullptr;
    }
    ~Scratch() {
        if (block.data != nullptr) service->release(service->context, &block);
    }
};

bool nonEmpty(const PixelRect& r) { return r.left < r.right && r.top < r.bottom; }

struct LevelJobState {
    Pyramid* pyramid;
    void* scratch[kMaxJobs];
};

void runLevelJob(const Job& job) {
    auto* state = static_cast<LevelJobState*>(job.owner);
    reduceClipped(*state->pyramid, job.level, job.rect, state->scratch[job.index]);
}

}  // namespace

void reducePyramidLevelReference(Pyramid& p, int level, PixelRect rect) {
    if (!reducible(p, level)) return;
    const int m = level + 1;
    const PixelRect r = clipToLevel(p, m, rect);
    for (int i = r.top; i < r.bottom; ++i) {
        float sy[6];
        for (int t = 0; t < 6; ++t) sy[t] = (static_cast<float>(i) + kOffsets[t]) * p.inverseHeight[m];
        for (int j = r.left; j < r.right; ++j) {
            float sx[6];
            for (int t = 0; t < 6; ++t) sx[t] = (static_cast<float>(j) + kOffsets[t]) * p.inverseWidth[m];
            float sum[4] = {0, 0, 0, 0};
            for (int ty = 0; ty < 6; ++ty) {
                for (int tx = 0; tx < 6; ++tx) {
                    if (isCorner(tx, ty)) continue;
                    const EffectColor s = p.bilinearColor(sx[tx], sy[ty], level);
                    const float w = kAxisWeights[tx] * kAxisWeights[ty];
                    sum[0] += s.red * w;
                    sum[1] += s.green * w;
                    sum[2] += s.blue * w;
                    sum[3] += s.coverage * w;
                }
            }
            storeReduced(p, p.pixelInside(m, j, i), sum);
        }
    }
}

void reducePyramidLevel(Pyramid& p, int level, PixelRect rect) {
    if (!reducible(p, level)) return;
    const PixelRect r = clipToLevel(p, level + 1, rect);
    if (!nonEmpty(r)) return;
    Scratch scratch;
    if (fastPathApplies(p, level)) scratch.allocate(p.memory, fastLayout(p, level, r).bytes);
    reduceClipped(p, level, r, scratch.block.data);
}

bool reducePyramidRows(Pyramid& p, int level, int firstRow, int endRow, int jobCount, JobWorkers* workers) {
    if (!p.hasTiles() || level < 0 || level >= p.lmax || !reducible(p, level)) return false;
    if (jobCount < 1) jobCount = 1;
    if (jobCount > kMaxJobs) jobCount = kMaxJobs;
    const PixelRect rows = clipToLevel(p, level + 1, PixelRect{firstRow, 0, endRow, p.width[level + 1]});
    if (!nonEmpty(rows)) return true;
    Job pattern;
    pattern.kind = kJobLevelReduce;
    pattern.level = level;
    pattern.image = &p;
    pattern.routine = runLevelJob;
    Job jobs[kMaxJobs];
    const int made = splitBandJobs(pattern, rows, jobCount, jobs);
    // Scratch is taken on this thread: the memory service need not be thread-safe.
    Scratch scratch[kMaxJobs];
    LevelJobState state{&p, {}};
    for (int k = 0; k < made; ++k) {
        jobs[k].owner = &state;
        if (fastPathApplies(p, level) && scratch[k].allocate(p.memory, fastLayout(p, level, jobs[k].rect).bytes)) {
            state.scratch[jobs[k].index] = scratch[k].block.data;
        }
    }
    if (workers) workers->run(jobs, made);
    else runJobs(jobs, made);
    return true;
}

void buildPyramidLevels(Pyramid& p, int fromLevel, int jobCount, JobWorkers* workers) {
    if (!p.hasTiles()) return;
    if (fromLevel <= 0 && p.edgeMode == kEdgeNoLevels) return;
    if (fromLevel < 0) fromLevel = 0;
    for (int n = fromLevel; n < p.lmax; ++n) {
        if (!reducePyramidRows(p, n, 0, p.height[n + 1], jobCount, workers)) break;
    }
    p.buildState = kBuildFull;
}

void refreshPyramid(Pyramid& p, PixelRect rect, int fromLevel, int toLevel) {
    if (!p.hasTiles() || fromLevel >= p.lmax) return;
    int k = fromLevel < 0 ? 0 : fromLevel;
    const int stop = toLevel < p.lmax ? toLevel : p.lmax;
    PixelRect r = rect;
    do {
        r.left = r.left / 2 - 2;
        if (r.left < 0) r.left = 0;
        r.top = r.top / 2 - 2;
        if (r.top < 0) r.top = 0;
        r.right = r.right / 2 + 2;
        if (r.right > p.width[k + 1]) r.right = p.width[k + 1];
        r.bottom = r.bottom / 2 + 2;
        if (r.bottom > p.height[k + 1]) r.bottom = p.height[k + 1];
        reducePyramidLevel(p, k, r);
        ++k;
    } while (k < stop);
    p.buildState = kBuildRefreshed;
}
