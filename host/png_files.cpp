// PNG files through libpng. libpng reports errors by longjmp, so each step
// that calls it is a function holding only plain data; the C++ parts
// (allocation, copying) run between those steps.
#include "host/image_formats.h"
#include "host/image_deflate.h"
#include "host/image_samples.h"
#include "host/image_stripes.h"
#include "host/png_inflate.h"
#include "platform/fault_injection.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <png.h>
#include <zlib.h>
#include <vector>

#if !defined(TWL_HAVE_LIBDEFLATE)
// Without libdeflate every file is read through libpng.
bool inflatePngRows(std::FILE*, Document&, int32_t) { return false; }
#endif

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// What the libpng callbacks share with the steps: plain data only.
struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    DescriptorSink* sink = nullptr;
    char error[256] = {};
    char warnings[1024] = {};
    size_t mostAllocation = ~size_t(0);  // for one allocation of libpng's
};

// libpng reads a chunk whole into memory of the size its header claims,
// before it can tell that the file holds far fewer bytes: a 300-byte file
// claiming a 600 MB text chunk would cost 600 MB. A single allocation
// larger than the file, beyond libpng's own 16 MB of working buffers (rows
// of the widest image, decompressed profiles), is refused instead.
png_voidp onPngAllocate(png_structp png, png_alloc_size_t size) {
    auto* state = static_cast<PngState*>(png_get_mem_ptr(png));
    if (state && size > state->mostAllocation) return nullptr;
    if (failsNow(FailurePoint::codecAllocation)) return nullptr;  // a failure sweep's chosen point
    return std::malloc(size);
}
void onPngFree(png_structp, png_voidp block) { std::free(block); }

void onPngError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    if (state->error[0] == '\0') appendMessage(state->error, sizeof state->error, message);
    png_longjmp(png, 1);
}
void onPngWarning(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    appendMessage(state->warnings, sizeof state->warnings, message);
}
void onPngRead(png_structp png, png_bytep data, size_t length) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, state->file) == length) return;
    if (std::ferror(state->file)) {
        char text[160];
        std::snprintf(text, sizeof text, "read failed: %s", std::strerror(errno));
        png_error(png, text);
    }
    png_error(png, "the file ends early (truncated)");
}
void onPngWrite(png_structp png, png_bytep data, size_t length) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (!sinkWrite(*state->sink, data, length)) png_error(png, "write failed");
}
void onPngFlush(png_structp) {}

// What the header says, after the expansions are set up.
struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int fileBitDepth = 0;
    int colorType = 0;
    int channels = 0;   // after expansion: 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    int bitDepth = 0;   // after expansion: 8 or 16
    size_t rowBytes = 0;
    bool hadTransparency = false;
    bool interlaced = false;
    png_bytep profile = nullptr;  // owned by libpng until destroy
    png_uint_32 profileLength = 0;
};

// Step 1: the chunks before the image data, and the expansions to 8/16-bit
// grey, grey + alpha, RGB or RGBA.
bool readPngHeader(PngState& state, PngHeader& header) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_set_read_fn(state.png, &state, onPngRead);
    png_set_user_limits(state.png, png_uint_32(kMaxImageSide), png_uint_32(kMaxImageSide));
    // No profile or text a user keeps comes near 16 MB decompressed.
    png_set_chunk_malloc_max(state.png, png_alloc_size_t(16) << 20);
    png_set_benign_errors(state.png, 1);
    png_read_info(state.png, state.info);
    int interlace = 0, compression = 0, filter = 0;
    png_get_IHDR(state.png, state.info, &header.width, &header.height, &header.fileBitDepth, &header.colorType,
                 &interlace, &compression, &filter);
    header.hadTransparency = png_get_valid(state.png, state.info, PNG_INFO_tRNS) != 0;
    header.interlaced = interlace != PNG_INTERLACE_NONE;
    if (header.colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(state.png);
    if (header.colorType == PNG_COLOR_TYPE_GRAY && header.fileBitDepth < 8) png_set_expand_gray_1_2_4_to_8(state.png);
    if (header.hadTransparency) png_set_tRNS_to_alpha(state.png);
    if (header.fileBitDepth == 16 && kLittleEndian) png_set_swap(state.png);
    png_set_interlace_handling(state.png);
    png_read_update_info(state.png, state.info);
    header.channels = png_get_channels(state.png, state.info);
    header.bitDepth = png_get_bit_depth(state.png, state.info);
    header.rowBytes = png_get_rowbytes(state.png, state.info);
    png_charp name = nullptr;
    int profileCompression = 0;
    if (png_get_iCCP(state.png, state.info, &name, &profileCompression, &header.profile, &header.profileLength) == 0) {
        header.profile = nullptr;
        header.profileLength = 0;
    }
    return true;
}

// Step 2: all rows of an interlaced image, which libpng assembles in place.
bool readPngRows(PngState& state, png_bytepp rows) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_read_image(state.png, rows);
    return true;
}

// Step 2, non-interlaced: row after row, the document growing with the rows
// that arrive, so that a file without its data costs no memory.
bool readPngRowByRow(PngState& state, Document& document) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    for (int32_t y = 0; y < document.height; ++y) {
        growDocumentRows(document, y + 1);
        png_read_row(state.png, document.pixel(0, y), nullptr);
    }
    return true;
}

// Step 3: the chunks after the image; a failure here loses no pixels.
bool readPngEnd(PngState& state) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_read_end(state.png, nullptr);
    return true;
}

// libpng notes that change nothing the user keeps: an sRGB profile that a
// checker knows as slightly wrong, and one written as iCCP rather than sRGB.
bool benignPngNote(const std::string& line) {
    return line.find("known incorrect sRGB profile") != std::string::npos ||
           line.find("profile matches sRGB but writing iCCP instead") != std::string::npos;
}

// A writer's warnings, less the benign notes.
void collectWriteWarnings(const char* text, std::vector<std::string>& warnings) {
    const char* start = text;
    while (*start) {
        const char* end = std::strchr(start, '\n');
        if (!end) end = start + std::strlen(start);
        const std::string line(start, end);
        if (!benignPngNote(line)) warnings.push_back(line);
        start = *end ? end + 1 : end;
    }
}

// libpng's warnings as the user should hear them: only those that mean the
// pixels may be wrong, once, in the host's words. Notes about colour
// profiles, gamma and text chunks change no pixel and stay quiet.
void collectWarnings(const char* text, std::vector<std::string>& warnings) {
    static const char* const kDamage[] = {"IDAT", "image data", "compressed data", "CRC", "Too much", "Too many",
                                          "extra", "Extra", "bad adaptive filter", "Not enough"};
    std::string details;
    const char* start = text;
    while (*start) {
        const char* end = std::strchr(start, '\n');
        if (!end) end = start + std::strlen(start);
        const std::string line(start, end);
        bool damage = false;
        for (const char* word : kDamage) damage = damage || line.find(word) != std::string::npos;
        if (damage && details.find(line) == std::string::npos) details += (details.empty() ? "" : "; ") + line;
        start = *end ? end + 1 : end;
    }
    if (!details.empty()) warnings.push_back("the PNG image data is damaged (" + details + "); the pixels may be wrong");
}

// Deflate stores at most 1032 bytes of image data in one byte of the file.
constexpr int64_t kDeflateMostRatio = 1032;

// The peeked header, so that an absurd image is refused with its size, and
// one whose file is too short to hold its image data is refused before any
// memory is spent on it.
bool pngSizeFromSignature(std::FILE* file, int64_t& fileBytes, std::string& error) {
    unsigned char head[26];
    if (std::fread(head, 1, sizeof head, file) != sizeof head) {
        error = "the file ends early (truncated)";
        return false;
    }
    std::fseek(file, 0, SEEK_END);
    fileBytes = int64_t(std::ftell(file));
    std::rewind(file);
    if (std::memcmp(head + 12, "IHDR", 4) != 0) return true;  // libpng will say what is wrong
    const auto load = [](const unsigned char* p) {
        return int64_t(p[0]) << 24 | int64_t(p[1]) << 16 | int64_t(p[2]) << 8 | int64_t(p[3]);
    };
    const int64_t width = load(head + 16), height = load(head + 20);
    if (!imageSizeAllowed(width, height, error)) return false;
    const int bitDepth = head[24];
    const int colorType = head[25];
    const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
    // Each row is a filter byte and its packed samples.
    const int64_t imageBytes = height * (1 + (width * channels * bitDepth + 7) / 8);
    if (fileBytes >= 0 && fileBytes * kDeflateMostRatio < imageBytes) {
        error = "the file holds " + std::to_string(fileBytes) + " bytes, too few for the image data of a " +
                std::to_string(width) + " x " + std::to_string(height) + " image (damaged or truncated)";
        return false;
    }
    return true;
}

// Destroys the libpng objects when a read or write is over.
struct PngReadObjects {
    PngState& state;
    ~PngReadObjects() { png_destroy_read_struct(&state.png, &state.info, nullptr); }
};
struct PngWriteObjects {
    PngState& state;
    ~PngWriteObjects() { png_destroy_write_struct(&state.png, &state.info); }
};

std::string pngErrorText(const PngState& state, const char* fallback) {
    return state.error[0] ? std::string(state.error) : std::string(fallback);
}

// The writer's first step: signature, header and profile.
bool writePngHeader(PngState& state, const Document& document, int depth, bool withProfile, bool& profileWritten) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_set_write_fn(state.png, &state, onPngWrite, onPngFlush);
    png_set_benign_errors(state.png, 1);
    const bool grey = document.colorChannels == 1;
    const int colorType = document.hasAlpha ? (grey ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_RGB_ALPHA)
                                            : (grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB);
    png_set_IHDR(state.png, state.info, png_uint_32(document.width), png_uint_32(document.height), depth,
                 colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (withProfile) {
        // libpng checks the profile against the image (grey or RGB) and leaves
        // out, with a warning, one that does not fit.
        png_set_iCCP(state.png, state.info, "ICC profile", PNG_COMPRESSION_TYPE_BASE,
                     document.iccProfile.data(), png_uint_32(document.iccProfile.size()));
        profileWritten = png_get_valid(state.png, state.info, PNG_INFO_iCCP) != 0;
    }
    png_write_info(state.png, state.info);
    return true;
}

// One IDAT chunk of image data already compressed.
bool writePngImageChunk(PngState& state, const unsigned char* bytes, size_t count) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_write_chunk(state.png, reinterpret_cast<png_const_bytep>("IDAT"), bytes, count);
    return true;
}

// Image data already compressed, as IDAT chunks of at most 1 MB each.
bool writePngImageData(PngState& state, const unsigned char* bytes, size_t count) {
    constexpr size_t kMostChunkBytes = size_t(1) << 20;
    for (size_t done = 0; done < count; done += kMostChunkBytes)
        if (!writePngImageChunk(state, bytes + done, std::min(count - done, kMostChunkBytes))) return false;
    return true;
}

// The last chunk. libpng's own ending refuses a file whose image data it did
// not compress itself, and would add nothing else: every chunk this writer
// keeps comes before the image data.
bool writePngEnd(PngState& state) {
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_write_chunk(state.png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    return true;
}

// The image data is one zlib stream of filtered rows. It is written for
// speed: the "sub" row filter with run-length deflate at level 1 writes a
// photograph about ten times faster than adaptive filters at level 6, for
// about a tenth more bytes. Run-length deflate looks back only one byte, so
// stripes of rows deflated separately, each ending on a byte boundary (a sync
// flush), join into one stream hardly larger than a single deflate, which
// decodes to the same rows; the stream's checksum is combined from the
// stripes' checksums.
class PngStripes final : public StripeWork {
public:
    PngStripes(PngState& state, const Document& document, int depth, int32_t stripeRows, int32_t threads)
        : state_(state), document_(document), depth_(depth), stripeRows_(stripeRows),
          fileRowBytes_(fileRowBytes(document, depth, true)),
          pixelBytes_(size_t(document.planes()) * size_t(depth / 8)),
          stripeCount_((document.height + stripeRows - 1) / stripeRows),
          rowIsDocumentRow_(depth == 8 && document.depth == SampleDepth::eight),
          encoded_(size_t(stripeCount_)) {
        const int32_t workers = stripeWorkers(stripeCount_, threads);
        for (int32_t w = 0; w < workers; ++w) scratch_.push_back(std::make_unique<Scratch>());
    }
    int32_t stripeCount() const { return stripeCount_; }
    bool produce(int32_t stripe, int32_t worker) override;
    bool consume(int32_t stripe) override;

private:
    // A worker's deflate stream and row buffers, reused from stripe to stripe.
    struct Scratch {
        RowDeflater deflater{true};
        std::vector<unsigned char> fileRow, filteredRow;
    };
    // One stripe's deflate output and the checksum of its filtered rows.
    struct Encoded {
        DeflatedBytes deflated;
        uLong adler = 0;
        size_t filteredBytes = 0;
    };

    PngState& state_;
    const Document& document_;
    const int depth_;
    const int32_t stripeRows_;
    const size_t fileRowBytes_;
    const size_t pixelBytes_;
    const int32_t stripeCount_;
    const bool rowIsDocumentRow_;  // 8-bit samples are written as they are held
    std::vector<std::unique_ptr<Scratch>> scratch_;
    std::vector<Encoded> encoded_;
    uLong adler_ = 0;  // of the filtered rows written so far
};

bool PngStripes::produce(int32_t stripe, int32_t worker) {
    Scratch& scratch = *scratch_[size_t(worker)];
    if (!scratch.deflater.begin()) return false;
    scratch.fileRow.resize(fileRowBytes_);
    scratch.filteredRow.resize(fileRowBytes_ + 1);
    const int32_t first = stripe * stripeRows_;
    const int32_t end = std::min(first + stripeRows_, document_.height);
    const bool last = stripe + 1 == stripeCount_;
    Encoded& encoded = encoded_[size_t(stripe)];
    DeflatedBytes& out = encoded.deflated;
    encoded.filteredBytes = size_t(end - first) * (fileRowBytes_ + 1);
    if (!reserveBytes(out, scratch.deflater.bound(encoded.filteredBytes) + 64)) return false;
    if (stripe == 0) {
        // The zlib header: deflate with a 32 KB window, the fastest level.
        out.bytes[0] = 0x78;
        out.bytes[1] = 0x01;
        out.size = 2;
    }
    uLong adler = adler32(0, nullptr, 0);
    unsigned char* filtered = scratch.filteredRow.data();
    for (int32_t y = first; y < end; ++y) {
        const unsigned char* row = document_.pixel(0, y);
        if (!rowIsDocumentRow_) {
            documentRowToFile(document_, y, depth_, true, true, scratch.fileRow.data());
            row = scratch.fileRow.data();
        }
        // The "sub" filter (type 1) of every row.
        filtered[0] = 1;
        differenceFromLeft(row, fileRowBytes_, pixelBytes_, filtered + 1);
        adler = adler32(adler, filtered, uInt(fileRowBytes_ + 1));
        const int flush = y + 1 < end ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
        if (!scratch.deflater.add(filtered, fileRowBytes_ + 1, flush, out)) return false;
    }
    encoded.adler = adler;
    return true;
}

bool PngStripes::consume(int32_t stripe) {
    Encoded& encoded = encoded_[size_t(stripe)];
    DeflatedBytes& out = encoded.deflated;
    adler_ = stripe == 0 ? encoded.adler : adler32_combine(adler_, encoded.adler, z_off_t(encoded.filteredBytes));
    if (stripe + 1 == stripeCount_) {
        // The zlib trailer: the checksum of all filtered rows, big-endian.
        if (!reserveBytes(out, 4)) return false;
        for (int shift = 24; shift >= 0; shift -= 8) out.bytes[out.size++] = (unsigned char)(adler_ >> shift);
    }
    const bool written = writePngImageData(state_, out.bytes.get(), out.size);
    encoded = Encoded{};
    return written;
}

// Stripes of about 256 KB of filtered rows: small enough that a few per
// worker are in memory at once and the workers finish together, large
// enough that the flushes between stripes cost nothing measurable. The split
// depends only on the image, so every thread count writes the same bytes.
int32_t pngStripeRows(size_t fileRowBytes) {
    constexpr size_t kStripeBytes = size_t(256) << 10;
    return int32_t(std::max<size_t>(1, kStripeBytes / (fileRowBytes + 1)));
}

enum class PngRead { done, failed, plainAgain };

// The image data of a file libpng would deliver unchanged (not interlaced,
// 8 or 16 bits, no palette or transparency key) is inflated without libpng.
bool plainLayout(const PngHeader& header) {
    return !header.interlaced && !header.hadTransparency && header.colorType != PNG_COLOR_TYPE_PALETTE &&
           header.fileBitDepth >= 8;
}

// One reading of the file. With `fast`, the image data of a plain layout is
// inflated on `threads`; plainAgain asks for a second reading through
// libpng alone, which gives its own messages for whatever was unusual.
PngRead readPngOnce(std::FILE* file, Document& document, ImageFileInfo& info, std::string& error, bool fast,
                    int32_t threads) {
    int64_t fileBytes = -1;
    if (!pngSizeFromSignature(file, fileBytes, error)) return PngRead::failed;
    PngState state;
    state.file = file;
    if (fileBytes >= 0) state.mostAllocation = (size_t(16) << 20) + size_t(fileBytes);
    state.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &state, onPngError, onPngWarning, &state,
                                         onPngAllocate, onPngFree);
    if (state.png) state.info = png_create_info_struct(state.png);
    PngReadObjects objects{state};
    if (!state.png || !state.info) {
        error = "not enough memory to read a PNG file";
        return PngRead::failed;
    }
    PngHeader header;
    const bool headerRead = readPngHeader(state, header);
    collectWarnings(state.warnings, info.warnings);
    state.warnings[0] = '\0';
    if (!headerRead) {
        error = pngErrorText(state, "damaged PNG header");
        return PngRead::failed;
    }
    if (!imageSizeAllowed(header.width, header.height, error)) return PngRead::failed;
    info.bitDepth = header.fileBitDepth;
    info.hadAlpha = (header.colorType & PNG_COLOR_MASK_ALPHA) != 0 || header.hadTransparency;
    if ((header.bitDepth != 8 && header.bitDepth != 16) || header.channels < 1 || header.channels > 4) {
        error = "unexpected PNG layout after expansion";
        return PngRead::failed;
    }
    const bool hasAlpha = header.channels == 2 || header.channels == 4;
    const int colors = header.channels >= 3 ? 3 : 1;
    if (!startDocument(document, int32_t(header.width), int32_t(header.height), colors, hasAlpha,
                       header.bitDepth == 16 ? SampleDepth::sixteen : SampleDepth::eight, error))
        return PngRead::failed;
    if (header.rowBytes != document.rowBytes()) {
        error = "unexpected PNG row size";
        return PngRead::failed;
    }
    bool rowsRead = false, inflated = false;
    if (fast && plainLayout(header)) {
        if (!inflatePngRows(file, document, threads)) return PngRead::plainAgain;
        rowsRead = inflated = true;
    } else if (header.interlaced) {
        growDocumentRows(document, document.height);
        std::vector<png_bytep> rows(size_t(document.height));
        for (int32_t y = 0; y < document.height; ++y) rows[size_t(y)] = document.pixel(0, y);
        rowsRead = readPngRows(state, rows.data());
    } else {
        rowsRead = readPngRowByRow(state, document);
    }
    if (!rowsRead) {
        collectWarnings(state.warnings, info.warnings);
        error = pngErrorText(state, "damaged PNG image data");
        return PngRead::failed;
    }
    // The fast path has checked every chunk up to IEND already.
    if (!inflated && !readPngEnd(state))
        info.warnings.push_back("the file is damaged after the image data (" + pngErrorText(state, "damaged end") +
                                "); the pixels are complete, what was stored after them is lost");
    collectWarnings(state.warnings, info.warnings);
    if (header.profile && header.profileLength > 0)
        document.iccProfile.assign(header.profile, header.profile + header.profileLength);
    if (document.depth == SampleDepth::sixteen && !inflated) convertFile16ToHost(document);
    return PngRead::done;
}

}  // namespace

bool readPngImage(std::FILE* file, Document& document, ImageFileInfo& info, std::string& error, int32_t threads) {
    const ImageFileInfo before = info;
    const PngRead read = readPngOnce(file, document, info, error, true, threads);
    if (read != PngRead::plainAgain) return read == PngRead::done;
    info = before;
    error.clear();
    std::rewind(file);
    return readPngOnce(file, document, info, error, false, threads) == PngRead::done;
}

bool writePngImage(int descriptor, const Document& document, int depth, const ImageWriteSpeed& speed,
                   ImageWriteReport& report, std::string& error) {
    std::vector<unsigned char> sinkBuffer(1 << 16);
    DescriptorSink sink{descriptor, sinkBuffer.data(), sinkBuffer.size(), 0, 0};
    PngState state;
    state.sink = &sink;
    state.png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, &state, onPngError, onPngWarning, &state,
                                          onPngAllocate, onPngFree);
    if (state.png) state.info = png_create_info_struct(state.png);
    PngWriteObjects objects{state};
    if (!state.png || !state.info) {
        error = "not enough memory to write a PNG file";
        return false;
    }
    bool profileWritten = false;
    bool written = writePngHeader(state, document, depth, !document.iccProfile.empty(), profileWritten);
    if (written) {
        const int32_t stripeRows =
            speed.stripeRows > 0 ? speed.stripeRows : pngStripeRows(fileRowBytes(document, depth, true));
        PngStripes work(state, document, depth, stripeRows, speed.threads);
        written = runStripes(work, work.stripeCount(), speed.threads) && writePngEnd(state);
    }
    collectWriteWarnings(state.warnings, report.warnings);
    if (!written || !sinkFlush(sink)) {
        error = sink.failure != 0 ? sinkFailureText(sink) : pngErrorText(state, "PNG encoding failed");
        return false;
    }
    report.iccProfileWritten = profileWritten;
    return true;
}
