// PNG image data inflated with libdeflate, stripe by stripe on several
// threads where the stream allows it, and unfiltered into the document.
#include "host/png_inflate.h"

#include "host/image_samples.h"
#include "host/image_stripes.h"
#include "host/png_unfilter.h"
#include "platform/huge_pages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <new>
#include <vector>
#include <zlib.h>

namespace {

uint32_t load32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

struct PixelBlockFree {
    void operator()(uint8_t* block) const { freePixelBlock(block); }
};

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
using Decompressor = std::unique_ptr<libdeflate_decompressor, DecompressorFree>;

// The IDAT chunks' data joined (one zlib stream) and where each chunk's data
// starts in it. The room is the rest of the file, taken once and not
// cleared: the chunks fill it.
struct ImageStream {
    std::unique_ptr<uint8_t[]> room;
    size_t size = 0;
    std::vector<size_t> chunkStarts;
    const uint8_t* bytes() const { return room.get(); }
};

bool readExactly(std::FILE* file, void* data, size_t count) { return std::fread(data, 1, count, file) == count; }

// Reads one chunk's data and checks its CRC (over type and data).
bool readChunkData(std::FILE* file, const uint8_t type[4], uint8_t* data, uint32_t length) {
    uint8_t stored[4];
    if (length > 0 && !readExactly(file, data, length)) return false;
    if (!readExactly(file, stored, 4)) return false;
    // libdeflate takes a null buffer as a request for the initial value, so
    // an empty chunk adds nothing to the type's CRC.
    uint32_t crc = libdeflate_crc32(0, type, 4);
    if (length > 0) crc = libdeflate_crc32(crc, data, length);
    return crc == load32(stored);
}

// The IDAT chunks in a row, then only ancillary chunks up to IEND, every
// checksum right. Lengths beyond the rest of the file are refused before
// anything is allocated for them.
bool gatherImageData(std::FILE* file, ImageStream& stream) {
    const long here = std::ftell(file);
    if (here < 8 || std::fseek(file, 0, SEEK_END) != 0) return false;
    const long end = std::ftell(file);
    if (end < here || std::fseek(file, here - 8, SEEK_SET) != 0) return false;
    stream.room.reset(new (std::nothrow) uint8_t[size_t(end - here)]);
    if (!stream.room) return false;
    uint8_t header[8];
    std::vector<uint8_t> other;
    bool afterImageData = false;
    for (;;) {
        if (!readExactly(file, header, 8)) return false;
        const uint32_t length = load32(header);
        const uint8_t* type = header + 4;
        const long position = std::ftell(file);
        if (length > 0x7FFFFFFFu || position < 0 || int64_t(length) + 4 > int64_t(end - position)) return false;
        if (std::memcmp(type, "IDAT", 4) == 0) {
            if (afterImageData) return false;
            // The length check above keeps every chunk inside the room.
            const size_t start = stream.size;
            if (start + length > size_t(end - here)) return false;
            stream.chunkStarts.push_back(start);
            if (!readChunkData(file, type, stream.room.get() + start, length)) return false;
            stream.size += length;
            continue;
        }
        afterImageData = true;
        const bool ancillary = (type[0] & 0x20) != 0;
        const bool imageEnd = std::memcmp(type, "IEND", 4) == 0;
        if (!ancillary && !imageEnd) return false;
        other.resize(length);
        if (!readChunkData(file, type, other.data(), length)) return false;
        if (imageEnd) return length == 0;
    }
}

// A row of big-endian 16-bit file samples onto the host's 0..32768 scale.
void storeRow16(const uint8_t* fileOrder, uint8_t* out, size_t rowBytes) {
    for (size_t i = 0; i + 1 < rowBytes; i += 2) {
        const uint16_t host = fileToHost16(uint32_t(fileOrder[i]) << 8 | fileOrder[i + 1]);
        std::memcpy(out + i, &host, 2);
    }
}

// The rows of a document as the stream holds them.
struct RowShape {
    size_t rowBytes = 0;    // without the filter byte
    size_t pixelBytes = 0;
    bool sixteen = false;
    size_t filteredBytes() const { return rowBytes + 1; }
};

// A worker's decompressor and buffers, reused from stripe to stripe.
struct InflateScratch {
    Decompressor decompressor{libdeflate_alloc_decompressor()};
    std::vector<uint8_t> input, output, rowAbove, row;
};

// Unfilters `rows` filtered rows into the document from row `first`. A
// stripe that does not start the image must not look at the row above it,
// which another worker may still be writing.
bool unfilterRows(const uint8_t* filtered, int32_t first, int32_t rows, Document& document, const RowShape& shape,
                  InflateScratch& scratch) {
    const size_t n = shape.rowBytes;
    if (shape.sixteen) {
        scratch.rowAbove.resize(n);
        scratch.row.resize(n);
    }
    for (int32_t r = 0; r < rows; ++r, filtered += shape.filteredBytes()) {
        const int32_t y = first + r;
        const uint8_t type = filtered[0];
        if (r == 0 && y > 0 && type >= 2) return false;
        if (shape.sixteen) {
            const uint8_t* above = r == 0 ? nullptr : scratch.rowAbove.data();
            if (!unfilterPngRowFast(type, filtered + 1, above, scratch.row.data(), n, shape.pixelBytes)) return false;
            storeRow16(scratch.row.data(), document.pixel(0, y), n);
            std::swap(scratch.row, scratch.rowAbove);
        } else if (r > 0 && r + 1 < rows) {
            // Two rows at once; the second's filter byte follows the first's row.
            const uint8_t* lower = filtered + shape.filteredBytes();
            if (!unfilterPngRowPairFast(type, filtered + 1, lower[0], lower + 1, document.pixel(0, y - 1),
                                        document.pixel(0, y), document.pixel(0, y + 1), n, shape.pixelBytes))
                return false;
            ++r;
            filtered = lower;
        } else {
            const uint8_t* above = r == 0 ? nullptr : document.pixel(0, y - 1);
            if (!unfilterPngRowFast(type, filtered + 1, above, document.pixel(0, y), n, shape.pixelBytes)) return false;
        }
    }
    return true;
}

// The stripes of a stream deflated in pieces: a piece ends with an empty
// stored block (a sync flush) exactly where an IDAT chunk ends. Returns the
// offsets in the stream where each piece's deflate data starts, the first
// just after the zlib header; the last piece ends before the checksum.
std::vector<size_t> pieceStarts(const ImageStream& stream) {
    static const uint8_t kSyncFlushEnd[4] = {0x00, 0x00, 0xFF, 0xFF};
    std::vector<size_t> starts{2};
    const size_t dataEnd = stream.size - 4;
    for (size_t s : stream.chunkStarts)
        if (s >= 6 && s < dataEnd && std::memcmp(stream.bytes() + s - 4, kSyncFlushEnd, 4) == 0)
            starts.push_back(s);
    return starts;
}

// Inflates one piece of raw deflate data into scratch.output, which must
// come to exactly `expected` bytes when `expected` is non-zero. A piece that
// is not the last one ends without a final block; an empty final stored
// block is put after it so that it decodes on its own.
bool inflatePiece(const uint8_t* data, size_t count, bool last, size_t expected, size_t most,
                  InflateScratch& scratch) {
    static const uint8_t kFinalEmptyBlock[5] = {0x01, 0x00, 0x00, 0xFF, 0xFF};
    if (!scratch.decompressor) return false;
    const uint8_t* input = data;
    size_t inputBytes = count;
    if (!last) {
        scratch.input.assign(data, data + count);
        scratch.input.insert(scratch.input.end(), kFinalEmptyBlock, kFinalEmptyBlock + 5);
        input = scratch.input.data();
        inputBytes = scratch.input.size();
    }
    size_t room = expected != 0 ? expected : std::min(most, std::max<size_t>(size_t(1) << 20, count * 16));
    for (;;) {
        scratch.output.resize(room);
        size_t used = 0, made = 0;
        const libdeflate_result result = libdeflate_deflate_decompress_ex(
            scratch.decompressor.get(), input, inputBytes, scratch.output.data(), room, &used, &made);
        if (result == LIBDEFLATE_INSUFFICIENT_SPACE && expected == 0 && room < most) {
            room = std::min(most, room * 2);
            continue;
        }
        if (result != LIBDEFLATE_SUCCESS || used != inputBytes) return false;
        scratch.output.resize(made);
        return expected == 0 || made == expected;
    }
}

// Pieces 1.. of a striped stream, `rowsPerPiece` rows each (the last one
// the rest), inflated and unfiltered on the workers; their checksums are
// joined in order on the calling thread.
class PieceWork final : public StripeWork {
public:
    PieceWork(const ImageStream& stream, const std::vector<size_t>& starts, int32_t rowsPerPiece,
              Document& document, const RowShape& shape, std::vector<std::unique_ptr<InflateScratch>>& scratch,
              uLong adler)
        : stream_(stream), starts_(starts), rowsPerPiece_(rowsPerPiece), document_(document), shape_(shape),
          scratch_(scratch), adlers_(starts.size(), 0), adler_(adler) {}

    bool produce(int32_t stripe, int32_t worker) override {
        const size_t piece = size_t(stripe) + 1;
        const bool last = piece + 1 == starts_.size();
        const size_t end = last ? stream_.size - 4 : starts_[piece + 1];
        const int32_t first = int32_t(piece) * rowsPerPiece_;
        const int32_t rows = std::min(rowsPerPiece_, document_.height - first);
        InflateScratch& scratch = *scratch_[size_t(worker)];
        const size_t expected = size_t(rows) * shape_.filteredBytes();
        if (!inflatePiece(stream_.bytes() + starts_[piece], end - starts_[piece], last, expected, expected,
                          scratch))
            return false;
        adlers_[piece] = libdeflate_adler32(1, scratch.output.data(), expected);
        return unfilterRows(scratch.output.data(), first, rows, document_, shape_, scratch);
    }
    bool consume(int32_t stripe) override {
        const size_t piece = size_t(stripe) + 1;
        const int32_t rows = std::min(rowsPerPiece_, document_.height - int32_t(piece) * rowsPerPiece_);
        adler_ = adler32_combine(adler_, adlers_[piece], z_off_t(size_t(rows) * shape_.filteredBytes()));
        return true;
    }
    uLong adler() const { return adler_; }

private:
    const ImageStream& stream_;
    const std::vector<size_t>& starts_;
    const int32_t rowsPerPiece_;
    Document& document_;
    const RowShape& shape_;
    std::vector<std::unique_ptr<InflateScratch>>& scratch_;
    std::vector<uLong> adlers_;
    uLong adler_;
};

// A stream in several pieces of whole rows, the first piece deciding how
// many rows each holds.
bool inflateInPieces(const ImageStream& stream, const std::vector<size_t>& starts, Document& document,
                     const RowShape& shape, int32_t threads) {
    const size_t total = size_t(document.height) * shape.filteredBytes();
    const int32_t others = int32_t(starts.size()) - 1;
    const int32_t workers = std::max<int32_t>(1, stripeWorkers(others, threads));
    std::vector<std::unique_ptr<InflateScratch>> scratch;
    for (int32_t w = 0; w < workers; ++w) scratch.push_back(std::make_unique<InflateScratch>());

    InflateScratch& firstScratch = *scratch[0];
    if (!inflatePiece(stream.bytes() + starts[0], starts[1] - starts[0], false, 0, total, firstScratch))
        return false;
    const size_t firstBytes = firstScratch.output.size();
    if (firstBytes == 0 || firstBytes % shape.filteredBytes() != 0) return false;
    const int32_t rowsPerPiece = int32_t(firstBytes / shape.filteredBytes());
    if ((int64_t(document.height) + rowsPerPiece - 1) / rowsPerPiece != int64_t(starts.size())) return false;
    const uLong firstAdler = libdeflate_adler32(1, firstScratch.output.data(), firstBytes);
    if (!unfilterRows(firstScratch.output.data(), 0, rowsPerPiece, document, shape, firstScratch)) return false;

    PieceWork work(stream, starts, rowsPerPiece, document, shape, scratch, firstAdler);
    if (!runStripes(work, others, threads)) return false;
    return work.adler() == load32(stream.bytes() + stream.size - 4);
}

// The whole stream at once, on the calling thread.
bool inflateWhole(const ImageStream& stream, Document& document, const RowShape& shape) {
    const size_t total = size_t(document.height) * shape.filteredBytes();
    InflateScratch scratch;
    // On huge pages: a fresh block of small pages costs a fault per 4 KB,
    // which on a virtual machine is dearer than the inflating.
    std::unique_ptr<uint8_t, PixelBlockFree> output(static_cast<uint8_t*>(allocatePixelBlock(total)));
    if (!scratch.decompressor || !output) return false;
    size_t used = 0, made = 0;
    const libdeflate_result result = libdeflate_zlib_decompress_ex(scratch.decompressor.get(), stream.bytes(),
                                                                   stream.size, output.get(), total, &used, &made);
    if (result != LIBDEFLATE_SUCCESS || used != stream.size || made != total) return false;
    return unfilterRows(output.get(), 0, document.height, document, shape, scratch);
}

bool zlibHeaderPlain(const uint8_t* p) {
    const bool deflate = (p[0] & 0x0F) == 8 && (p[0] >> 4) <= 7;
    const bool checked = (uint32_t(p[0]) * 256 + p[1]) % 31 == 0;
    const bool noDictionary = (p[1] & 0x20) == 0;
    return deflate && checked && noDictionary;
}

}  // namespace

bool inflatePngRows(std::FILE* file, Document& document, int32_t threads) {
    ImageStream stream;
    if (!gatherImageData(file, stream) || stream.size < 6 || !zlibHeaderPlain(stream.bytes()))
        return false;
    RowShape shape;
    shape.rowBytes = document.rowBytes();
    shape.pixelBytes = document.pixelBytes();
    shape.sixteen = document.depth == SampleDepth::sixteen;
    growDocumentRows(document, document.height);
    const std::vector<size_t> starts = pieceStarts(stream);
    if (starts.size() > 1 && inflateInPieces(stream, starts, document, shape, threads)) return true;
    return inflateWhole(stream, document, shape);
}
