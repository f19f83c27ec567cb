// Deflated TIFF strips decoded and encoded with libdeflate, one strip per
// job on the stripe workers; libtiff keeps the tags and the strip table.
#include "host/tiff_deflate_strips.h"

#include "host/image_samples.h"
#include "host/image_stripes.h"

#if defined(TWL_HAVE_LIBDEFLATE)

#include "platform/huge_pages.h"

#include <algorithm>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// Deflate turns a byte into at most about 1032 bytes; a file whose strips
// claim more than that is damaged, and libtiff tells which row fails.
constexpr uint64_t kMostInflation = 1032;

// What the strips of a file hold, as far as decoding them needs.
struct StripShape {
    uint32_t rowsPerStrip = 0;
    uint32_t strips = 0;
    size_t rowBytes = 0;
    size_t sampleBytes = 0;
    size_t samplesPerPixel = 0;
    bool horizontalPredictor = false;
    bool byteSwapped = false;
};

bool takeShape(TIFF* tiff, const Document& document, StripShape& shape) {
    uint16_t compression = 0, planar = 0, bits = 0, format = 0, predictor = 0, fill = 0, samples = 0;
    if (TIFFIsTiled(tiff)) return false;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (compression != COMPRESSION_ADOBE_DEFLATE && compression != COMPRESSION_DEFLATE) return false;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PREDICTOR, &predictor);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_FILLORDER, &fill);
    if (planar != PLANARCONFIG_CONTIG && samples > 1) return false;
    if (fill != FILLORDER_MSB2LSB) return false;
    const bool integer = format == SAMPLEFORMAT_UINT || format == SAMPLEFORMAT_VOID;
    const bool wholeInteger = integer && (bits == 8 || bits == 16);
    const bool floating = format == SAMPLEFORMAT_IEEEFP && bits == 32;
    if (!(wholeInteger && (predictor == PREDICTOR_NONE || predictor == PREDICTOR_HORIZONTAL)) &&
        !(floating && predictor == PREDICTOR_NONE))
        return false;
    shape.sampleBytes = bits / 8u;
    shape.samplesPerPixel = samples;
    shape.rowBytes = document.rowBytes();
    if (shape.sampleBytes * samples != document.pixelBytes() || uint64_t(TIFFScanlineSize64(tiff)) != shape.rowBytes)
        return false;
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    shape.rowsPerStrip = std::min<uint32_t>(rowsPerStrip, uint32_t(document.height));
    if (shape.rowsPerStrip == 0) return false;
    shape.strips = (uint32_t(document.height) + shape.rowsPerStrip - 1) / shape.rowsPerStrip;
    if (TIFFNumberOfStrips(tiff) != shape.strips) return false;
    shape.horizontalPredictor = predictor == PREDICTOR_HORIZONTAL;
    shape.byteSwapped = TIFFIsByteSwapped(tiff) != 0;
    return true;
}

struct PixelBlockFree {
    void operator()(uint8_t* block) const { freePixelBlock(block); }
};

// Every strip's compressed bytes, one after another, with where each
// starts; nothing is allocated for byte counts the file cannot hold. The
// block is not cleared (the strips fill it) and lies on huge pages, whose
// first touch costs far fewer faults.
struct RawStrips {
    std::unique_ptr<uint8_t, PixelBlockFree> bytes;
    std::vector<size_t> starts;  // strips + 1 entries
};

bool readRawStrips(TIFF* tiff, const StripShape& shape, const Document& document, RawStrips& raw) {
    struct stat status {};
    if (fstat(TIFFFileno(tiff), &status) != 0 || status.st_size <= 0) return false;
    const auto fileBytes = uint64_t(status.st_size);
    uint64_t total = 0;
    for (uint32_t s = 0; s < shape.strips; ++s) {
        const uint64_t count = TIFFGetStrileByteCount(tiff, s);
        if (count == 0 || count > fileBytes) return false;
        total += count;
        if (total > fileBytes) return false;
    }
    if (total * kMostInflation < uint64_t(document.height) * shape.rowBytes) return false;
    raw.bytes.reset(static_cast<uint8_t*>(allocatePixelBlock(size_t(total))));
    if (!raw.bytes) return false;
    raw.starts.assign(1, 0);
    for (uint32_t s = 0; s < shape.strips; ++s) {
        const auto count = tmsize_t(TIFFGetStrileByteCount(tiff, s));
        if (TIFFReadRawStrip(tiff, s, raw.bytes.get() + raw.starts.back(), count) != count) return false;
        raw.starts.push_back(raw.starts.back() + size_t(count));
    }
    return true;
}

void swapBytes(uint8_t* data, size_t count, size_t sampleBytes) {
    for (size_t i = 0; i + sampleBytes <= count; i += sampleBytes) std::reverse(data + i, data + i + sampleBytes);
}

// Undoes the horizontal predictor: each sample is stored as its difference
// from the same sample a pixel to its left, modulo the sample's range.
template <class Sample>
void addFromLeft(uint8_t* row, size_t samples, size_t distance) {
    for (size_t i = distance; i < samples; ++i) {
        Sample left, here;
        std::memcpy(&left, row + (i - distance) * sizeof(Sample), sizeof(Sample));
        std::memcpy(&here, row + i * sizeof(Sample), sizeof(Sample));
        here = Sample(here + left);
        std::memcpy(row + i * sizeof(Sample), &here, sizeof(Sample));
    }
}

void file16RowToHost(uint8_t* row, size_t samples) {
    for (size_t i = 0; i < samples; ++i) {
        uint16_t v;
        std::memcpy(&v, row + 2 * i, 2);
        v = fileToHost16(v);
        std::memcpy(row + 2 * i, &v, 2);
    }
}

// Each strip inflated straight into its rows of the document, then its rows
// finished in place while they are still in the cache.
class StripDecoding final : public StripeWork {
public:
    StripDecoding(const RawStrips& raw, const StripShape& shape, Document& document, bool toHostScale, int32_t workers)
        : raw_(raw), shape_(shape), document_(document), toHostScale_(toHostScale) {
        for (int32_t w = 0; w < workers; ++w) decompressors_.emplace_back(libdeflate_alloc_decompressor());
    }
    bool ready() const {
        return std::all_of(decompressors_.begin(), decompressors_.end(), [](const auto& d) { return d != nullptr; });
    }

    bool produce(int32_t strip, int32_t worker) override {
        const uint32_t first = uint32_t(strip) * shape_.rowsPerStrip;
        const uint32_t rows = std::min(shape_.rowsPerStrip, uint32_t(document_.height) - first);
        uint8_t* out = document_.pixel(0, int32_t(first));
        const size_t expected = size_t(rows) * shape_.rowBytes;
        const size_t start = raw_.starts[size_t(strip)], count = raw_.starts[size_t(strip) + 1] - start;
        size_t made = 0;
        if (libdeflate_zlib_decompress(decompressors_[size_t(worker)].get(), raw_.bytes.get() + start, count, out,
                                       expected, &made) != LIBDEFLATE_SUCCESS ||
            made != expected)
            return false;
        const size_t samples = shape_.rowBytes / shape_.sampleBytes;
        for (uint32_t r = 0; r < rows; ++r, out += shape_.rowBytes) {
            if (shape_.byteSwapped && shape_.sampleBytes > 1) swapBytes(out, shape_.rowBytes, shape_.sampleBytes);
            if (shape_.horizontalPredictor) {
                if (shape_.sampleBytes == 1) addFromLeft<uint8_t>(out, samples, shape_.samplesPerPixel);
                else addFromLeft<uint16_t>(out, samples, shape_.samplesPerPixel);
            }
            if (toHostScale_ && shape_.sampleBytes == 2) file16RowToHost(out, samples);
        }
        return true;
    }
    bool consume(int32_t) override { return true; }

private:
    const RawStrips& raw_;
    const StripShape& shape_;
    Document& document_;
    const bool toHostScale_;
    std::vector<std::unique_ptr<libdeflate_decompressor, DecompressorFree>> decompressors_;
};

// A document's 16-bit rows in the file's order after the predictor,
// deflated strip by strip on the workers and written in order.
class StripEncoding final : public StripeWork {
public:
    StripEncoding(TIFF* tiff, const Document& document, bool withAlpha, uint32_t stripRows, int32_t workers)
        : tiff_(tiff), document_(document), withAlpha_(withAlpha), stripRows_(stripRows),
          rowBytes_(fileRowBytes(document, 16, withAlpha)),
          samplesPerPixel_(size_t(document.colorChannels + (withAlpha ? 1 : 0))),
          encoded_((uint32_t(document.height) + stripRows - 1) / stripRows) {
        for (int32_t w = 0; w < workers; ++w) {
            scratch_.push_back(std::make_unique<Scratch>());
            scratch_.back()->compressor.reset(libdeflate_alloc_compressor(1));
        }
    }
    bool ready() const {
        return std::all_of(scratch_.begin(), scratch_.end(), [](const auto& s) { return s->compressor != nullptr; });
    }
    int32_t strips() const { return int32_t(encoded_.size()); }

    bool produce(int32_t strip, int32_t worker) override {
        Scratch& scratch = *scratch_[size_t(worker)];
        const uint32_t first = uint32_t(strip) * stripRows_;
        const uint32_t rows = std::min(stripRows_, uint32_t(document_.height) - first);
        const size_t size = size_t(rows) * rowBytes_;
        scratch.rows.resize(size);
        for (uint32_t r = 0; r < rows; ++r) {
            uint8_t* row = scratch.rows.data() + size_t(r) * rowBytes_;
            documentRowToFile(document_, int32_t(first + r), 16, withAlpha_, false, row);
            differenceFromLeft16(row);
        }
        std::vector<uint8_t>& out = encoded_[size_t(strip)];
        out.resize(libdeflate_zlib_compress_bound(scratch.compressor.get(), size));
        const size_t made =
            libdeflate_zlib_compress(scratch.compressor.get(), scratch.rows.data(), size, out.data(), out.size());
        out.resize(made);
        return made > 0;
    }
    bool consume(int32_t strip) override {
        std::vector<uint8_t>& out = encoded_[size_t(strip)];
        const bool written =
            TIFFWriteRawStrip(tiff_, uint32_t(strip), out.data(), tmsize_t(out.size())) == tmsize_t(out.size());
        std::vector<uint8_t>().swap(out);
        return written;
    }

private:
    // The same sample a pixel to the left is subtracted, from the row's end
    // back so that every difference is taken from the original samples.
    void differenceFromLeft16(uint8_t* row) const {
        const size_t samples = rowBytes_ / 2;
        for (size_t i = samples; i-- > samplesPerPixel_;) {
            uint16_t here, left;
            std::memcpy(&here, row + 2 * i, 2);
            std::memcpy(&left, row + 2 * (i - samplesPerPixel_), 2);
            here = uint16_t(here - left);
            std::memcpy(row + 2 * i, &here, 2);
        }
    }

    struct Scratch {
        std::unique_ptr<libdeflate_compressor, CompressorFree> compressor;
        std::vector<uint8_t> rows;
    };
    TIFF* const tiff_;
    const Document& document_;
    const bool withAlpha_;
    const uint32_t stripRows_;
    const size_t rowBytes_;
    const size_t samplesPerPixel_;
    std::vector<std::unique_ptr<Scratch>> scratch_;
    std::vector<std::vector<uint8_t>> encoded_;
};

}  // namespace

TiffStripRead readDeflatedStrips(TIFF* tiff, Document& document, bool toHostScale, int32_t threads) {
    StripShape shape;
    RawStrips raw;
    if (!takeShape(tiff, document, shape) || !readRawStrips(tiff, shape, document, raw))
        return TiffStripRead::notTaken;
    growDocumentRows(document, document.height);
    StripDecoding work(raw, shape, document, toHostScale, stripeWorkers(int32_t(shape.strips), threads));
    if (!work.ready() || !runStripes(work, int32_t(shape.strips), threads)) return TiffStripRead::notTaken;
    return toHostScale && shape.sampleBytes == 2 ? TiffStripRead::hostScale : TiffStripRead::fileScale;
}

bool writeDeflatedStrips16(TIFF* tiff, const Document& document, bool withAlpha, uint32_t stripRows,
                           int32_t threads, bool& available) {
    available = true;
    const int32_t strips = int32_t((uint32_t(document.height) + stripRows - 1) / stripRows);
    StripEncoding work(tiff, document, withAlpha, stripRows, stripeWorkers(strips, threads));
    if (!work.ready()) {
        available = false;
        return false;
    }
    return runStripes(work, work.strips(), threads);
}

#else

TiffStripRead readDeflatedStrips(TIFF*, Document&, bool, int32_t) { return TiffStripRead::notTaken; }

bool writeDeflatedStrips16(TIFF*, const Document&, bool, uint32_t, int32_t, bool& available) {
    available = false;
    return false;
}

#endif
