// PNG reading and writing: the host's reader and writer against libpng with
// zlib, libspng and libdeflate on their own, for 8- and 16-bit RGB
// photographs (gradients with grain) of 6 and 24 megapixels, in memory
// except for the host's own reader, which reads a file from $TMPDIR (or
// /tmp). The files read are the ones the host writes (striped image data).
#include "bench_support.h"

#include "host/image_deflate.h"
#include "host/image_samples.h"
#include "host/image_files.h"

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <png.h>
#include <spng.h>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// range(0): megapixels (6 or 24); range(1): bits per sample (8 or 16).
struct Picture {
    Document document;
    std::string path;              // the host's PNG of it
    std::vector<uint8_t> file;     // the same bytes in memory
    std::vector<uint8_t> filtered; // its rows with the "sub" filter, as deflate sees them
};

// The pictures made so far; their files go when the program ends.
struct Pictures {
    std::map<int, Picture> made;
    ~Pictures() {
        for (auto& entry : made) unlink(entry.second.path.c_str());
    }
};

const Picture& picture(int megapixels, int bits) {
    static Pictures pictures;
    Picture& p = pictures.made[megapixels * 100 + bits];
    if (!p.path.empty()) return p;
    const int32_t width = megapixels == 24 ? 6000 : 3000, height = megapixels == 24 ? 4000 : 2000;
    std::string error;
    makeDocument(p.document, width, height, 3, false, bits == 16 ? SampleDepth::sixteen : SampleDepth::eight, error);
    uint32_t seed = 12345;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1103515245u + 12345u;
                const int grain = int(seed >> 27) - 16;
                const int v = (x * (c + 2) / 30 + y * (4 - c) / 25) % 200 + 28 + grain;
                if (bits == 8) {
                    p.document.pixel(x, y)[c] = uint8_t(v);
                } else {
                    const uint16_t h = uint16_t(v * 128 + int(seed >> 25) % 64);
                    std::memcpy(p.document.pixel(x, y) + 2 * c, &h, 2);
                }
            }
    const char* folder = std::getenv("TMPDIR");
    p.path = std::string(folder ? folder : "/tmp") + "/twilightomator-bench-" + std::to_string(getpid()) + "-" +
             std::to_string(megapixels) + "-" + std::to_string(bits) + ".png";
    ImageWriteReport report;
    if (!writeImageFile(p.path, p.document, bits, true, report, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    std::FILE* f = std::fopen(p.path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    p.file.resize(size_t(std::ftell(f)));
    std::rewind(f);
    if (std::fread(p.file.data(), 1, p.file.size(), f) != p.file.size()) std::exit(1);
    std::fclose(f);
    const size_t rowBytes = size_t(width) * 3 * size_t(bits / 8), pixelBytes = 3 * size_t(bits / 8);
    std::vector<uint8_t> row(rowBytes);
    p.filtered.resize(size_t(height) * (rowBytes + 1));
    for (int32_t y = 0; y < height; ++y) {
        documentRowToFile(p.document, y, bits, true, true, row.data());
        uint8_t* out = &p.filtered[size_t(y) * (rowBytes + 1)];
        out[0] = 1;
        differenceFromLeft(row.data(), rowBytes, pixelBytes, out + 1);
    }
    return p;
}

void label(benchmark::State& state, const Picture& p, const char* what) {
    state.SetLabel(std::string(what) + ", " + std::to_string(p.document.width) + " x " +
                   std::to_string(p.document.height) + " " + std::to_string(state.range(1)) + "-bit");
    state.counters["Mpix/s"] = benchmark::Counter(
        double(p.document.width) * p.document.height * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
    state.counters["file MB"] = double(p.file.size()) / 1e6;
}

// The host's reader, file to document, on 1 and on all threads.
void BM_ReadHost(benchmark::State& state, int threads) {
    const Picture& p = picture(int(state.range(0)), int(state.range(1)));
    setImageFileThreads(threads);
    for (auto _ : state) {
        Document document;
        ImageFileInfo info;
        std::string error;
        if (!readImageFile(p.path, document, info, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(document.samples.data());
    }
    setImageFileThreads(0);
    label(state, p, threads == 1 ? "host reader, 1 thread" : "host reader, all threads");
}
void BM_ReadHostOneThread(benchmark::State& state) { BM_ReadHost(state, 1); }
void BM_ReadHostAllThreads(benchmark::State& state) { BM_ReadHost(state, 0); }

// libpng with zlib, row by row from memory, as the host read before.
struct MemoryReader {
    const uint8_t* data;
    size_t size, at;
};
void readFromMemory(png_structp png, png_bytep out, size_t count) {
    auto* in = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (in->at + count > in->size) png_error(png, "short");
    std::memcpy(out, in->data + in->at, count);
    in->at += count;
}
void BM_ReadLibpng(benchmark::State& state) {
    const Picture& p = picture(int(state.range(0)), int(state.range(1)));
    std::vector<uint8_t> pixels(p.document.samples.size());
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        MemoryReader in{p.file.data(), p.file.size(), 0};
        if (setjmp(png_jmpbuf(png))) {
            state.SkipWithError("libpng failed");
            break;
        }
        png_set_read_fn(png, &in, readFromMemory);
        png_read_info(png, info);
        if (state.range(1) == 16) png_set_swap(png);
        png_read_update_info(png, info);
        const size_t rowBytes = p.document.rowBytes();
        for (int32_t y = 0; y < p.document.height; ++y) png_read_row(png, &pixels[size_t(y) * rowBytes], nullptr);
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
    }
    label(state, p, "libpng + zlib");
}

void BM_ReadSpng(benchmark::State& state) {
    const Picture& p = picture(int(state.range(0)), int(state.range(1)));
    std::vector<uint8_t> pixels(p.document.samples.size());
    for (auto _ : state) {
        spng_ctx* ctx = spng_ctx_new(0);
        spng_set_png_buffer(ctx, p.file.data(), p.file.size());
        if (spng_decode_image(ctx, pixels.data(), pixels.size(), SPNG_FMT_PNG, 0) != 0) state.SkipWithError("spng");
        spng_ctx_free(ctx);
    }
    label(state, p, "libspng");
}

// Inflate alone, one thread: zlib against libdeflate on the host's stream.
std::vector<uint8_t> imageStream(const Picture& p) {
    std::vector<uint8_t> stream;
    for (size_t at = 8; at + 12 <= p.file.size();) {
        const uint32_t length = uint32_t(p.file[at]) << 24 | uint32_t(p.file[at + 1]) << 16 |
                                uint32_t(p.file[at + 2]) << 8 | p.file[at + 3];
        if (std::memcmp(&p.file[at + 4], "IDAT", 4) == 0)
            stream.insert(stream.end(), &p.file[at + 8], &p.file[at + 8] + length);
        at += 12 + length;
    }
    return stream;
}
void BM_InflateZlib(benchmark::State& state) {
    const Picture& p = picture(int(state.range(0)), int(state.range(1)));
    const std::vector<uint8_t> stream = imageStream(p);
    std::vector<uint8_t> out(p.filtered.size());
    for (auto _ : state) {
        uLongf made = uLongf(out.size());
        if (uncompress(out.data(), &made, stream.data(), uLong(stream.size())) != Z_OK) state.SkipWithError("zlib");
    }
    label(state, p, "zlib inflate");
}
void BM_InflateLibdeflate(benchmark::State& state) {
    const Picture& p = picture(int(state.range(0)), int(state.range(1)));
    const std::vector<uint8_t> stream = imageStream(p);
    std::vector<uint8_t> out(p.filtered.size());
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        size_t made = 0;
        if (libdeflate_zlib_decompress(d, stream.data(), stream.size(), out.data(), out.size(), &made) !=
            LIBDEFLATE_SUCCESS)
            state.SkipWithError("libdeflate");
    }
    libdeflate_free_decompressor(d);
    label(state, p, "libdeflate inflate");
}

// Deflate alone, one thread, of the same filtered rows: zlib's run-length
// level 1 (the host's writer) against libdeflate levels 1 and 2.
void BM_DeflateZlibRle(benchmark::State& state) {
    const Picture& p = picture(int(state.range(0)), int(state.range(1)));
    std::vector<uint8_t> out(compressBound(uLong(p.filtered.size())));
    size_t made = 0;
    for (auto _ : state) {
        z_stream z{};
        deflateInit2(&z, 1, Z_DEFLATED, 15, 8, Z_RLE);
        z.next_in = const_cast<uint8_t*>(p.filtered.data());
        z.avail_in = uInt(p.filtered.size());
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        deflate(&z, Z_FINISH);
        made = z.total_out;
        deflateEnd(&z);
    }
    label(state, p, "zlib deflate, run-length level 1");
    state.counters["stream MB"] = double(made) / 1e6;
}
void BM_DeflateLibdeflate(benchmark::State& state) {
    const Picture& p = picture(int(state.range(0)), int(state.range(1)));
    const int level = int(state.range(2));
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    std::vector<uint8_t> out(libdeflate_zlib_compress_bound(c, p.filtered.size()));
    size_t made = 0;
    for (auto _ : state) made = libdeflate_zlib_compress(c, p.filtered.data(), p.filtered.size(), out.data(), out.size());
    libdeflate_free_compressor(c);
    label(state, p, level == 1 ? "libdeflate deflate, level 1" : "libdeflate deflate, level 2");
    state.counters["stream MB"] = double(made) / 1e6;
}

// Whole writers: the host's (file, 1 thread) and libspng's (memory) with
// the same "sub" filter, level 1 and run-length deflate.
void BM_WriteHostOneThread(benchmark::State& state) {
    const Picture& p = picture(int(state.range(0)), int(state.range(1)));
    const std::string path = p.path + ".out.png";
    setImageFileThreads(1);
    for (auto _ : state) {
        ImageWriteReport report;
        std::string error;
        if (!writeImageFile(path, p.document, int(state.range(1)), true, report, error))
            state.SkipWithError(error.c_str());
    }
    setImageFileThreads(0);
    unlink(path.c_str());
    label(state, p, "host writer, 1 thread");
}
void BM_WriteSpng(benchmark::State& state) {
    const Picture& p = picture(int(state.range(0)), int(state.range(1)));
    const int bits = int(state.range(1));
    std::vector<uint8_t> big(p.document.samples.size());
    for (int32_t y = 0; y < p.document.height; ++y)
        documentRowToFile(p.document, y, bits, true, true, &big[size_t(y) * p.document.rowBytes()]);
    for (auto _ : state) {
        spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
        spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
        spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, 1);
        spng_set_option(ctx, SPNG_IMG_COMPRESSION_STRATEGY, Z_RLE);
        spng_set_option(ctx, SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_SUB);
        spng_ihdr ihdr{};
        ihdr.width = uint32_t(p.document.width);
        ihdr.height = uint32_t(p.document.height);
        ihdr.bit_depth = uint8_t(bits);
        ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
        spng_set_ihdr(ctx, &ihdr);
        if (spng_encode_image(ctx, big.data(), big.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) != 0)
            state.SkipWithError("spng encode");
        size_t size = 0;
        int error = 0;
        std::free(spng_get_png_buffer(ctx, &size, &error));
        spng_ctx_free(ctx);
    }
    label(state, p, "libspng writer");
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int megapixels : {6, 24})
        for (int bits : {8, 16}) b->Args({megapixels, bits});
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
}
void levels(benchmark::internal::Benchmark* b) {
    for (int megapixels : {6, 24})
        for (int bits : {8, 16})
            for (int level : {1, 2}) b->Args({megapixels, bits, level});
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
}

BENCHMARK(BM_ReadLibpng)->Apply(sizes);
BENCHMARK(BM_ReadSpng)->Apply(sizes);
BENCHMARK(BM_ReadHostOneThread)->Apply(sizes);
BENCHMARK(BM_ReadHostAllThreads)->Apply(sizes);
BENCHMARK(BM_InflateZlib)->Apply(sizes);
BENCHMARK(BM_InflateLibdeflate)->Apply(sizes);
BENCHMARK(BM_DeflateZlibRle)->Apply(sizes);
BENCHMARK(BM_DeflateLibdeflate)->Apply(levels);
BENCHMARK(BM_WriteHostOneThread)->Apply(sizes);
BENCHMARK(BM_WriteSpng)->Apply(sizes);

}  // namespace
