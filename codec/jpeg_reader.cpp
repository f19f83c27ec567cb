// Decoding of stored pictures through libjpeg.
#include "codec/jpeg_reader.h"

#include "codec/jpeg_codec_support.h"
#include "platform/jpeg_allocation_count.h"

namespace {
// Hostile files must not make the decoder take unbounded memory or time: a
// progressive picture holds all its coefficients, and each scan is a pass.
constexpr long kDecoderMemoryLimit = 64L * 1024 * 1024;
constexpr int kMaxScans = 200;

struct ScanLimit {
    jpeg_progress_mgr manager;  // first member: libjpeg holds a pointer to it
};

void checkScans(j_common_ptr codec) {
    const j_decompress_ptr decoder = reinterpret_cast<j_decompress_ptr>(codec);
    if (decoder->input_scan_number > kMaxScans) {
        codec->err->msg_code = JERR_NOT_COMPILED;
        (*codec->err->error_exit)(codec);
    }
}

size_t rowBytesOf(const DecodeTarget& target) {
    const size_t perPixel = target.layout == DecodedLayout::rgba8 ? 4 : 1;
    return target.rowBytes != 0 ? target.rowBytes : static_cast<size_t>(target.width) * perPixel;
}

void storeRow(const DecodeTarget& target, int32_t y, const JSAMPLE* samples, int components,
              int32_t columns) {
    uint8_t* out = target.pixels + static_cast<size_t>(y) * rowBytesOf(target);
    for (int32_t x = 0; x < columns; ++x, samples += components) {
        const uint8_t red = samples[0];
        const uint8_t green = components == 3 ? samples[1] : samples[0];
        const uint8_t blue = components == 3 ? samples[2] : samples[0];
        if (target.layout == DecodedLayout::grey8) {
            *out++ = components == 3 ? greyFromRgb(red, green, blue) : red;
        } else {
            out[0] = red;
            out[1] = green;
            out[2] = blue;
            out[3] = 255;
            out += 4;
        }
    }
}

// All libjpeg calls of a decode. No object with a destructor may live in
// this frame: a fatal codec error returns here by longjmp.
bool runDecompression(const uint8_t* bytes, size_t size, const DecodeTarget* target) {
    jpeg_decompress_struct codec;
    SilentJpegErrors errors;
    JpegBufferSource source;
    ScanLimit scanLimit;
    codec.err = installSilentJpegErrors(errors);
    if (setjmp(errors.exit) != 0) {
        jpeg_destroy_decompress(&codec);
        return false;
    }
    jpeg_create_decompress(&codec);
    countJpegAllocations(reinterpret_cast<j_common_ptr>(&codec));
    codec.mem->max_memory_to_use = kDecoderMemoryLimit;
    scanLimit.manager.progress_monitor = checkScans;
    codec.progress = &scanLimit.manager;
    attachJpegBufferSource(&codec, source, bytes, size);
    if (jpeg_read_header(&codec, TRUE) != JPEG_HEADER_OK ||
        (codec.num_components != 1 && codec.num_components != 3)) {
        jpeg_destroy_decompress(&codec);
        return false;
    }
    codec.out_color_space = codec.num_components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_start_decompress(&codec);
    const int components = codec.output_components;
    const int32_t rows = static_cast<int32_t>(codec.output_height) < target->height
                             ? static_cast<int32_t>(codec.output_height) : target->height;
    const int32_t columns = static_cast<int32_t>(codec.output_width) < target->width
                                ? static_cast<int32_t>(codec.output_width) : target->width;
    // Freed with the codec object, on every path.
    JSAMPARRAY line = (*codec.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&codec), JPOOL_IMAGE,
                                                 codec.output_width * static_cast<JDIMENSION>(components), 1);
    for (int32_t y = 0; y < rows; ++y) {
        if (jpeg_read_scanlines(&codec, line, 1) != 1) break;
        storeRow(*target, y, line[0], components, columns);
    }
    // Rows past the target's height are not needed: the object is dropped
    // without reading them.
    jpeg_destroy_decompress(&codec);
    return true;
}
}  // namespace

bool decodeJpeg(const uint8_t* bytes, size_t size, const DecodeTarget& target) {
    if (bytes == nullptr || size == 0 || target.pixels == nullptr || target.width <= 0 || target.height <= 0)
        return false;
    return runDecompression(bytes, size, &target);
}
