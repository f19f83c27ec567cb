// TIFF files through libtiff: 8/16-bit unsigned and 32-bit float samples,
// grey or RGB with one optional alpha sample, in strips or tiles, contiguous
// or in separate planes. libtiff's messages go to a per-file collector.
// Deflated strips, the common case, are coded on several threads by
// tiff_deflate_strips.h, with libtiff as the fallback.
#include "host/image_deflate.h"
#include "host/image_formats.h"
#include "host/image_samples.h"
#include "host/image_stripes.h"
#include "host/tiff_deflate_strips.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <vector>

#include <tiffio.h>
#include <unistd.h>

namespace {

// Messages of one open file; errno is kept from the first error because a
// failed write is reported right after the system call.
struct TiffMessages {
    std::string firstError;
    int firstErrno = 0;
    bool sawError = false;
    std::vector<std::string> warnings;
};

std::string formatMessage(const char* module, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    return module && *module ? std::string(module) + ": " + text : std::string(text);
}
// The handlers run inside libtiff's C code: nothing may be thrown through it.
int onTiffError(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
    const int number = errno;
    auto* messages = static_cast<TiffMessages*>(user);
    messages->sawError = true;
    try {
        if (messages->firstError.empty()) {
            messages->firstError = formatMessage(module, format, arguments);
            messages->firstErrno = number;
        }
    } catch (...) {
        messages->firstErrno = number;
    }
    return 1;  // handled: nothing is printed
}
int onTiffWarning(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
    auto* messages = static_cast<TiffMessages*>(user);
    try {
        if (messages->warnings.size() < 20) messages->warnings.push_back(formatMessage(module, format, arguments));
    } catch (...) {
    }
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

std::unique_ptr<TIFFOpenOptions, OptionsFreer> makeOptions(TiffMessages& messages) {
    std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
    if (options) {
        TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onTiffError, &messages);
        TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onTiffWarning, &messages);
    }
    return options;
}

// libtiff's text for a message of ours: strip reads report the row as
// "scanline 4294967295" (no row), which would only confuse.
std::string libraryDetail(std::string text) {
    for (const char* noRow : {" at scanline 4294967295", " scanline 4294967295"}) {
        const size_t at = text.find(noRow);
        if (at != std::string::npos) text.erase(at, std::strlen(noRow));
    }
    return text;
}

std::string libraryText(const TiffMessages& messages, const char* fallback) {
    return messages.firstError.empty() ? std::string(fallback) : messages.firstError;
}

// The layout of the first image of a file, as far as reading needs it.
struct TiffLayout {
    uint32_t width = 0, height = 0;
    uint16_t samplesPerPixel = 1, bitsPerSample = 1, sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    int colors = 1;
    bool hasAlpha = false, associatedAlpha = false;
    bool tiled = false;
    bool throughRgba = false;  // decoded by libtiff's RGBA reader (8-bit only)
};

const char* photometricName(uint16_t photometric) {
    switch (photometric) {
        case PHOTOMETRIC_SEPARATED: return "CMYK";
        case PHOTOMETRIC_PALETTE: return "palette";
        case PHOTOMETRIC_CIELAB:
        case PHOTOMETRIC_ICCLAB:
        case PHOTOMETRIC_ITULAB: return "Lab";
        case PHOTOMETRIC_MASK: return "transparency mask";
        case PHOTOMETRIC_LOGL:
        case PHOTOMETRIC_LOGLUV: return "LogLuv";
        case PHOTOMETRIC_CFA: return "colour filter array (raw)";
        default: return "unknown";
    }
}

// Reads and checks the tags; false with a message for layouts the host does not take.
bool readLayout(TIFF* tiff, TiffLayout& layout, std::string& error) {
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height)) {
        error = "the TIFF file has no image size";
        return false;
    }
    if (!imageSizeAllowed(layout.width, layout.height, error)) return false;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &layout.compression);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric))
        layout.photometric = layout.samplesPerPixel >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    layout.tiled = TIFFIsTiled(tiff) != 0;

    switch (layout.photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE: layout.colors = 1; break;
        case PHOTOMETRIC_RGB: layout.colors = 3; break;
        case PHOTOMETRIC_YCBCR:
            layout.colors = 3;
            if (layout.compression == COMPRESSION_JPEG) {
                // The JPEG codec converts to RGB itself; then it reads as RGB.
                TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
                layout.photometric = PHOTOMETRIC_RGB;
            } else {
                layout.throughRgba = true;
            }
            break;
        default:
            error = std::string("TIFF files with ") + photometricName(layout.photometric) +
                    " colour are not supported (only grey and RGB)";
            return false;
    }
    if (layout.compression == COMPRESSION_OJPEG) layout.throughRgba = true;

    if (layout.samplesPerPixel == layout.colors + 1) {
        uint16_t extraCount = 0;
        uint16_t* extraTypes = nullptr;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
        if (extraCount != 1 || !extraTypes ||
            (extraTypes[0] != EXTRASAMPLE_ASSOCALPHA && extraTypes[0] != EXTRASAMPLE_UNASSALPHA)) {
            error = "the TIFF file has " + std::to_string(layout.samplesPerPixel) +
                    " samples per pixel, but its extra sample is not marked as transparency";
            return false;
        }
        layout.hasAlpha = true;
        layout.associatedAlpha = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    } else if (layout.samplesPerPixel != layout.colors) {
        error = "TIFF files with " + std::to_string(layout.samplesPerPixel) + " samples per pixel for " +
                (layout.colors == 1 ? "grey" : "RGB") + " are not supported (one extra transparency sample at most)";
        return false;
    }

    const bool integer = layout.sampleFormat == SAMPLEFORMAT_UINT || layout.sampleFormat == SAMPLEFORMAT_VOID;
    const bool wholeSamples = (integer && (layout.bitsPerSample == 8 || layout.bitsPerSample == 16)) ||
                              (layout.sampleFormat == SAMPLEFORMAT_IEEEFP && layout.bitsPerSample == 32);
    const bool fewBits = integer && layout.colors == 1 && !layout.hasAlpha &&
                         (layout.bitsPerSample == 1 || layout.bitsPerSample == 2 || layout.bitsPerSample == 4);
    if (fewBits) layout.throughRgba = true;
    if (!wholeSamples && !fewBits) {
        const char* kind = layout.sampleFormat == SAMPLEFORMAT_IEEEFP ? "floating-point"
                           : layout.sampleFormat == SAMPLEFORMAT_INT  ? "signed integer"
                           : integer                                  ? "unsigned integer"
                                                                      : "complex";
        error = "TIFF samples of " + std::to_string(layout.bitsPerSample) + " bits (" + kind +
                ") are not supported (only 8 or 16-bit unsigned integer and 32-bit float)";
        return false;
    }
    if (layout.throughRgba && layout.bitsPerSample > 8) {
        error = "this TIFF layout is only supported with 8-bit samples";
        return false;
    }
    if (layout.planar != PLANARCONFIG_CONTIG && layout.planar != PLANARCONFIG_SEPARATE) {
        error = "the TIFF file has an unknown planar configuration";
        return false;
    }
    return true;
}

SampleDepth documentDepth(const TiffLayout& layout) {
    if (layout.throughRgba || layout.bitsPerSample == 8) return SampleDepth::eight;
    return layout.bitsPerSample == 16 ? SampleDepth::sixteen : SampleDepth::floating;
}

// Copies one decoded block (strip or tile: blockWidth x rows samples of one
// plane, or of all planes when plane < 0) into the document at (left, top).
void scatterBlock(Document& document, const uint8_t* block, uint32_t blockWidth, uint32_t left, uint32_t top,
                  uint32_t columns, uint32_t rows, int plane) {
    const size_t sample = size_t(sampleBytes(document.depth));
    const size_t pixel = document.pixelBytes();
    const size_t blockRow = size_t(blockWidth) * (plane < 0 ? pixel : sample);
    for (uint32_t r = 0; r < rows; ++r) {
        const uint8_t* in = block + size_t(r) * blockRow;
        uint8_t* out = document.pixel(int32_t(left), int32_t(top + r));
        if (plane < 0) {
            std::memcpy(out, in, size_t(columns) * pixel);
            continue;
        }
        out += size_t(plane) * sample;
        for (uint32_t c = 0; c < columns; ++c, in += sample, out += pixel) std::memcpy(out, in, sample);
    }
}

// Strips are read row by row (libtiff decodes a strip's rows in turn), and the
// document grows with the rows that arrive: a file whose strips lack their
// data fails at the first missing row having cost only the rows before it.
// Separate planes fill the rows of plane 0 first, then the other planes.
bool readStrips(TIFF* tiff, const TiffLayout& layout, Document& document, std::string& error) {
    const bool separate = layout.planar == PLANARCONFIG_SEPARATE && layout.samplesPerPixel > 1;
    const int planes = separate ? layout.samplesPerPixel : 1;
    const size_t rowBytes = separate ? size_t(layout.width) * size_t(sampleBytes(document.depth)) : document.rowBytes();
    if (uint64_t(TIFFScanlineSize64(tiff)) != rowBytes) {
        error = "unexpected TIFF row size";
        return false;
    }
    std::vector<uint8_t> row;
    if (separate) row.resize(rowBytes);
    for (int plane = 0; plane < planes; ++plane) {
        for (uint32_t y = 0; y < layout.height; ++y) {
            if (plane == 0) growDocumentRows(document, int32_t(y + 1));
            uint8_t* target = separate ? row.data() : document.pixel(0, int32_t(y));
            if (TIFFReadScanline(tiff, target, y, uint16_t(plane)) != 1) {
                error = "damaged or truncated TIFF image data at row " + std::to_string(y + 1);
                return false;
            }
            if (separate) scatterBlock(document, row.data(), layout.width, 0, y, layout.width, 1, plane);
        }
    }
    return true;
}

bool readTiles(TIFF* tiff, const TiffLayout& layout, Document& document, std::string& error) {
    uint32_t tileWidth = 0, tileHeight = 0;
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
    const bool separate = layout.planar == PLANARCONFIG_SEPARATE && layout.samplesPerPixel > 1;
    const int planes = separate ? layout.samplesPerPixel : 1;
    const uint64_t tileBytes = uint64_t(tileWidth) * tileHeight *
                               (separate ? uint64_t(sampleBytes(document.depth)) : uint64_t(document.pixelBytes()));
    // A tile is at most the size of a large image's worth of rows.
    if (tileWidth == 0 || tileHeight == 0 || tileWidth > 65536 || tileHeight > 65536 ||
        tileBytes > (uint64_t(1) << 30) || uint64_t(TIFFTileSize64(tiff)) != tileBytes) {
        error = "the TIFF file has tiles of an unusable size";
        return false;
    }
    // Not zero-filled: a tile's pages cost memory only as its data arrives,
    // and a tile is used only when it was decoded whole.
    std::unique_ptr<uint8_t[]> tileBuffer(new uint8_t[tileBytes]);
    uint8_t* const block = tileBuffer.get();
    const uint32_t tileCount = TIFFNumberOfTiles(tiff);
    for (int plane = 0; plane < planes; ++plane) {
        for (uint32_t top = 0; top < layout.height; top += tileHeight) {
            // The document grows one row of tiles at a time.
            if (plane == 0) growDocumentRows(document, int32_t(std::min(layout.height, top + tileHeight)));
            for (uint32_t left = 0; left < layout.width; left += tileWidth) {
                const uint32_t tile = TIFFComputeTile(tiff, left, top, 0, uint16_t(plane));
                if (tile >= tileCount ||
                    TIFFReadEncodedTile(tiff, tile, block, tmsize_t(tileBytes)) != tmsize_t(tileBytes)) {
                    error = "damaged or truncated TIFF tile " + std::to_string(tile);
                    return false;
                }
                scatterBlock(document, block, tileWidth, left, top, std::min(tileWidth, layout.width - left),
                             std::min(tileHeight, layout.height - top), separate ? plane : -1);
            }
        }
    }
    return true;
}

// The last resort for 8-bit layouts that need libtiff's conversion (YCbCr
// without JPEG, old-style JPEG, grey of 1, 2 or 4 bits), band by band so
// that the document grows with the data.
bool readThroughRgba(TIFF* tiff, const TiffLayout& layout, Document& document, std::string& error) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff, message)) {
        error = std::string("unsupported TIFF layout: ") + message;
        return false;
    }
    TIFFRGBAImage image;
    if (!TIFFRGBAImageBegin(&image, tiff, 1, message)) {
        error = std::string("unsupported TIFF layout: ") + message;
        return false;
    }
    struct ImageEnd {
        TIFFRGBAImage& image;
        ~ImageEnd() { TIFFRGBAImageEnd(&image); }
    } end{image};
    image.req_orientation = ORIENTATION_TOPLEFT;
    // One band per strip (or row of tiles): libtiff decodes a strip whole for
    // every band that touches it, so smaller bands would decode it again and
    // again. The band's pixels are not zero-filled: they cost memory only as
    // libtiff writes them.
    uint32_t bandRows = 0;
    if (layout.tiled) TIFFGetField(tiff, TIFFTAG_TILELENGTH, &bandRows);
    else TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &bandRows);
    bandRows = std::clamp<uint32_t>(bandRows, 1, layout.height);
    std::unique_ptr<uint32_t[]> raster(new uint32_t[size_t(layout.width) * bandRows]);
    const int planes = document.planes();
    for (uint32_t top = 0; top < layout.height; top += bandRows) {
        const uint32_t rows = std::min(bandRows, layout.height - top);
        image.row_offset = int(top);
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, raster.get(), layout.width, rows)) {
            error = "damaged or truncated TIFF image data at row " + std::to_string(top + 1);
            return false;
        }
        growDocumentRows(document, int32_t(top + rows));
        uint8_t* out = document.pixel(0, int32_t(top));
        for (size_t i = 0; i < size_t(layout.width) * rows; ++i) {
            const uint32_t packed = raster[i];
            out[0] = uint8_t(TIFFGetR(packed));
            if (document.colorChannels == 3) {
                out[1] = uint8_t(TIFFGetG(packed));
                out[2] = uint8_t(TIFFGetB(packed));
            }
            if (document.hasAlpha) out[document.colorChannels] = uint8_t(TIFFGetA(packed));
            out += planes;
        }
    }
    return true;
}

std::vector<uint8_t> readProfile(TIFF* tiff) {
    uint32_t length = 0;
    void* data = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &length, &data) && data && length > 0) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        return std::vector<uint8_t>(bytes, bytes + length);
    }
    return {};
}

// 8-bit samples: strips of rows, each a zlib stream of the rows after the
// horizontal predictor (each sample less the one a pixel to its left),
// compressed on the workers and written in order as they are done. After the
// predictor run-length deflate loses nothing on 8-bit samples against
// libtiff's own deflate and is faster; 16-bit samples, whose differences
// repeat in pairs of bytes, need a deflate that finds longer matches, which
// libdeflate does much faster than zlib (tiff_deflate_strips.h).
class TiffStrips final : public StripeWork {
public:
    TiffStrips(TIFF* tiff, const Document& document, bool withAlpha, int32_t stripRows, int32_t threads)
        : tiff_(tiff), document_(document), withAlpha_(withAlpha), stripRows_(stripRows),
          rowBytes_(fileRowBytes(document, 8, withAlpha)),
          pixelBytes_(size_t(document.colorChannels + (withAlpha ? 1 : 0))),
          stripCount_((document.height + stripRows - 1) / stripRows),
          rowIsDocumentRow_(document.depth == SampleDepth::eight && withAlpha == document.hasAlpha),
          encoded_(size_t(stripCount_)) {
        const int32_t workers = stripeWorkers(stripCount_, threads);
        for (int32_t w = 0; w < workers; ++w) scratch_.push_back(std::make_unique<Scratch>());
    }
    int32_t stripCount() const { return stripCount_; }

    bool produce(int32_t strip, int32_t worker) override {
        Scratch& scratch = *scratch_[size_t(worker)];
        if (!scratch.deflater.begin()) return false;
        scratch.fileRow.resize(rowBytes_);
        scratch.predicted.resize(rowBytes_);
        const int32_t first = strip * stripRows_;
        const int32_t end = std::min(first + stripRows_, document_.height);
        DeflatedBytes& out = encoded_[size_t(strip)];
        if (!reserveBytes(out, scratch.deflater.bound(size_t(end - first) * rowBytes_) + 64)) return false;
        for (int32_t y = first; y < end; ++y) {
            const uint8_t* row = document_.pixel(0, y);
            if (!rowIsDocumentRow_) {
                documentRowToFile(document_, y, 8, withAlpha_, false, scratch.fileRow.data());
                row = scratch.fileRow.data();
            }
            differenceFromLeft(row, rowBytes_, pixelBytes_, scratch.predicted.data());
            if (!scratch.deflater.add(scratch.predicted.data(), rowBytes_, y + 1 < end ? Z_NO_FLUSH : Z_FINISH, out))
                return false;
        }
        return true;
    }
    bool consume(int32_t strip) override {
        DeflatedBytes& out = encoded_[size_t(strip)];
        const bool written = TIFFWriteRawStrip(tiff_, uint32_t(strip), out.bytes.get(), tmsize_t(out.size)) ==
                             tmsize_t(out.size);
        out = DeflatedBytes{};
        return written;
    }

private:
    struct Scratch {
        RowDeflater deflater{false};
        std::vector<uint8_t> fileRow, predicted;
    };
    TIFF* const tiff_;
    const Document& document_;
    const bool withAlpha_;
    const int32_t stripRows_;
    const size_t rowBytes_;
    const size_t pixelBytes_;
    const int32_t stripCount_;
    const bool rowIsDocumentRow_;  // 8-bit samples are written as they are held
    std::vector<std::unique_ptr<Scratch>> scratch_;
    std::vector<DeflatedBytes> encoded_;
};

}  // namespace

bool readTiffImage(std::FILE* file, Document& document, ImageFileInfo& info, std::string& error, int32_t threads) {
    TiffMessages messages;
    auto options = makeOptions(messages);
    const int own = ::dup(fileno(file));  // libtiff closes the descriptor it is given
    if (!options || own < 0) {
        if (own >= 0) ::close(own);
        error = "not enough memory to read a TIFF file";
        return false;
    }
    ::lseek(own, 0, SEEK_SET);  // libtiff reads the header where the descriptor stands
    // "m": no memory mapping, so that a file cut short while open gives an error, not a signal.
    TiffFile tiff(TIFFFdOpenExt(own, "input", "rm", options.get()));
    if (!tiff) {
        ::close(own);
        error = "damaged TIFF file: " + libraryText(messages, "cannot be opened");
        return false;
    }
    TiffLayout layout;
    const bool usable = readLayout(tiff.get(), layout, error);
    info.bitDepth = layout.bitsPerSample;
    info.sampleFormat = layout.sampleFormat == SAMPLEFORMAT_IEEEFP ? ImageSampleFormat::floatingPoint
                                                                   : ImageSampleFormat::unsignedInteger;
    info.hadAlpha = layout.hasAlpha;
    if (!usable) return false;
    if (!startDocument(document, int32_t(layout.width), int32_t(layout.height), layout.colors, layout.hasAlpha,
                       documentDepth(layout), error))
        return false;
    bool read = false;
    bool onHostScale = false;
    if (layout.throughRgba) {
        read = readThroughRgba(tiff.get(), layout, document, error);
    } else if (layout.tiled) {
        read = readTiles(tiff.get(), layout, document, error);
    } else {
        // Inverted grey and premultiplied alpha are undone on the file's scale.
        const bool toHostScale = layout.photometric != PHOTOMETRIC_MINISWHITE && !layout.associatedAlpha;
        const TiffStripRead fast = readDeflatedStrips(tiff.get(), document, toHostScale, threads);
        read = fast != TiffStripRead::notTaken || readStrips(tiff.get(), layout, document, error);
        onHostScale = fast == TiffStripRead::hostScale;
    }
    // libtiff's warnings are about tags it passes over; they change no pixel.
    if (!read) {
        if (!messages.firstError.empty()) error += " (" + libraryDetail(messages.firstError) + ")";
        return false;
    }
    const tdir_t pages = TIFFNumberOfDirectories(tiff.get());
    if (pages > 1)
        info.warnings.push_back("the file holds " + std::to_string(pages) +
                                " images; only the first was read, the others are left out");
    if (!layout.throughRgba) {
        if (layout.photometric == PHOTOMETRIC_MINISWHITE) invertGrey(document);
        if (layout.associatedAlpha) unpremultiplyAlpha(document, layout.bitsPerSample == 16 ? 65535 : 255);
        if (document.depth == SampleDepth::sixteen && !onHostScale) convertFile16ToHost(document);
    } else if (layout.hasAlpha) {
        // libtiff's RGBA reader hands out premultiplied colour.
        unpremultiplyAlpha(document, 255);
    }
    document.iccProfile = readProfile(tiff.get());
    return true;
}

bool writeTiffImage(int descriptor, const Document& document, int depth, const ImageWriteSpeed& speed,
                    ImageWriteReport& report, std::string& error) {
    TiffMessages messages;
    auto options = makeOptions(messages);
    const int own = ::dup(descriptor);  // libtiff closes the descriptor it is given
    if (!options || own < 0) {
        if (own >= 0) ::close(own);
        error = "cannot start a TIFF file";
        return false;
    }
    const bool withAlpha = document.hasAlpha;
    const size_t rowBytes = fileRowBytes(document, depth, withAlpha);
    // Classic TIFF addresses 4 GiB; larger images go into a BigTIFF file.
    const bool big = uint64_t(rowBytes) * uint64_t(document.height) > (uint64_t(0xF0000000));
    TiffFile tiff(TIFFFdOpenExt(own, "output", big ? "w8" : "w", options.get()));
    if (!tiff) {
        ::close(own);
        error = libraryText(messages, "cannot start a TIFF file");
        return false;
    }
    const uint16_t samples = uint16_t(document.colorChannels + (withAlpha ? 1 : 0));
    TIFF* t = tiff.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(document.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(document.height));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(depth));
    TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, uint16_t(depth == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT));
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t(document.colorChannels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB));
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(t, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT));
    TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_ADOBE_DEFLATE));
    TIFFSetField(t, TIFFTAG_PREDICTOR, uint16_t(depth == 32 ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL));
    // The fastest deflate level: after the predictor it costs little in size.
    TIFFSetField(t, TIFFTAG_ZIPQUALITY, 1);
    if (withAlpha) {
        const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), &extra);
    }
    if (!document.iccProfile.empty())
        report.iccProfileWritten =
            TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(document.iccProfile.size()), document.iccProfile.data()) != 0;
    errno = 0;
    bool written = true;
    bool stripsDeflated = false;
    if (depth == 16) {
        // Strips of a few rows, deflated on the workers as libtiff would
        // deflate them one after another.
        const uint32_t stripRows = std::max<uint32_t>(1, TIFFDefaultStripSize(t, 0));
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, stripRows);
        written = writeDeflatedStrips16(t, document, withAlpha, stripRows, speed.threads, stripsDeflated);
    }
    if (depth != 8 && !stripsDeflated) {
        // libtiff compresses one strip of a few rows after another; floats
        // through its floating-point predictor.
        written = true;
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        std::vector<uint8_t> row(rowBytes);
        for (int32_t y = 0; y < document.height && written; ++y) {
            // The predictor may change the row in place, so it is made afresh each time.
            documentRowToFile(document, y, depth, withAlpha, false, row.data());
            written = TIFFWriteScanline(t, row.data(), uint32_t(y), 0) == 1;
        }
    } else if (depth == 8) {
        // Strips of about 256 KB, depending on the image only, so that every
        // thread count writes the same bytes.
        const int32_t stripRows =
            speed.stripeRows > 0 ? speed.stripeRows : int32_t(std::max<size_t>(1, (size_t(256) << 10) / rowBytes));
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(stripRows));
        TiffStrips work(t, document, withAlpha, stripRows, speed.threads);
        written = runStripes(work, work.stripCount(), speed.threads);
    }
    written = written && TIFFFlush(t) == 1 && !messages.sawError;
    tiff.reset();  // closes the duplicate descriptor
    written = written && !messages.sawError;
    report.warnings.insert(report.warnings.end(), messages.warnings.begin(), messages.warnings.end());
    if (!written) {
        error = libraryText(messages, "TIFF encoding failed");
        if (messages.firstErrno != 0) error += std::string(": ") + std::strerror(messages.firstErrno);
        return false;
    }
    return true;
}
