// JPEG files through libjpeg: 8-bit grey and RGB, the ICC profile in APP2
// segments. libjpeg leaves on errors by longjmp, so each step that calls it
// is a function holding only plain data.
#include "host/image_formats.h"
#include "platform/jpeg_allocation_count.h"
#include "host/image_jpeg_icc.h"
#include "host/image_samples.h"

#include <climits>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// The error manager and what the callbacks collect: plain data only.
struct JpegErrors {
    jpeg_error_mgr manager;  // first: libjpeg's pointer to it is a pointer to this
    std::jmp_buf exit;
    char error[JMSG_LENGTH_MAX + 64];
    char warnings[1024];
};

[[noreturn]] void onJpegError(j_common_ptr codec) {
    auto* errors = reinterpret_cast<JpegErrors*>(codec->err);
    char text[JMSG_LENGTH_MAX];
    (*codec->err->format_message)(codec, text);
    // Past the memory limit libjpeg asks for a backing store, which means
    // the claimed size is far beyond what the file's data can hold.
    if (codec->err->msg_code == JERR_NO_BACKING_STORE)
        std::snprintf(text, sizeof text, "its size is far more than its data can hold");
    if (errors->error[0] == '\0') appendMessage(errors->error, sizeof errors->error, text);
    std::longjmp(errors->exit, 1);
}

// Warnings are collected, except those that mean image data is missing: the
// decoder would fill the rest with grey, so they end the read.
void onJpegMessage(j_common_ptr codec, int level) {
    if (level >= 0) return;  // trace messages
    auto* errors = reinterpret_cast<JpegErrors*>(codec->err);
    const int code = codec->err->msg_code;
    codec->err->num_warnings++;
    char text[JMSG_LENGTH_MAX];
    (*codec->err->format_message)(codec, text);
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) {
        if (errors->error[0] == '\0') {
            appendMessage(errors->error, sizeof errors->error, "the file ends early (truncated): ");
            std::strncat(errors->error, text, sizeof errors->error - std::strlen(errors->error) - 1);
        }
        std::longjmp(errors->exit, 1);
    }
    appendMessage(errors->warnings, sizeof errors->warnings, text);
}
void onJpegOutput(j_common_ptr) {}

void installErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onJpegError;
    errors.manager.emit_message = onJpegMessage;
    errors.manager.output_message = onJpegOutput;
    errors.error[0] = '\0';
    errors.warnings[0] = '\0';
}

void collectLines(const char* text, std::vector<std::string>& lines) {
    const char* start = text;
    while (*start) {
        const char* end = std::strchr(start, '\n');
        if (!end) end = start + std::strlen(start);
        lines.emplace_back(start, end);
        start = *end ? end + 1 : end;
    }
}

// libjpeg's warnings all mean damaged data (corrupt or extraneous bytes, a
// bad Huffman code, a broken progression): the user hears them once, in the
// host's words, with libjpeg's details.
void collectWarnings(const char* text, std::vector<std::string>& warnings) {
    std::string details;
    const char* start = text;
    while (*start) {
        const char* end = std::strchr(start, '\n');
        if (!end) end = start + std::strlen(start);
        std::string line(start, end);
        if (line.rfind("Corrupt JPEG data: ", 0) == 0) line.erase(0, 19);
        if (details.find(line) == std::string::npos) details += (details.empty() ? "" : "; ") + line;
        start = *end ? end + 1 : end;
    }
    if (!details.empty()) warnings.push_back("the JPEG data is damaged (" + details + "); the pixels may be wrong");
}

// Step 1: markers up to the first scan; APP2 segments are kept for the profile.
bool readJpegHeader(jpeg_decompress_struct& codec, JpegErrors& errors, std::FILE* file, long memoryLimit) {
    if (setjmp(errors.exit)) return false;
    jpeg_create_decompress(&codec);
    countJpegAllocations(reinterpret_cast<j_common_ptr>(&codec));
    codec.mem->max_memory_to_use = memoryLimit;
    jpeg_stdio_src(&codec, file);
    jpeg_save_markers(&codec, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&codec, TRUE);
    return true;
}

bool startJpegDecompress(jpeg_decompress_struct& codec, JpegErrors& errors, J_COLOR_SPACE out) {
    if (setjmp(errors.exit)) return false;
    codec.out_color_space = out;
    jpeg_start_decompress(&codec);
    return true;
}

// Step 2: every scanline, straight into the document's rows, which grow as
// they arrive: a file that ends early has cost only the rows it held.
bool readJpegRows(jpeg_decompress_struct& codec, JpegErrors& errors, Document& document) {
    if (setjmp(errors.exit)) return false;
    while (codec.output_scanline < codec.output_height) {
        growDocumentRows(document, int32_t(codec.output_scanline) + 1);
        JSAMPROW row = document.pixel(0, int32_t(codec.output_scanline));
        jpeg_read_scanlines(&codec, &row, 1);
    }
    jpeg_finish_decompress(&codec);
    return true;
}

// A progressive or multi-scan JPEG keeps every coefficient of the image
// until its last scan, about 2 bytes per sample, allocated before the scans
// are read. Huffman-coded scans spend at least a bit on each 8 x 8 block, so
// the coefficients of a file are at most about 1024 times its size; libjpeg
// refuses (rather than allocates) anything beyond this limit, which a file
// that merely claims a huge size exceeds.
long jpegMemoryLimit(std::FILE* file) {
    const long here = std::ftell(file);
    std::fseek(file, 0, SEEK_END);
    const long bytes = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    constexpr long kBase = 64L << 20;
    if (bytes < 0 || bytes > (LONG_MAX - kBase) / 2048) return LONG_MAX / 2;
    return kBase + bytes * 2048;
}

struct DecompressObject {
    jpeg_decompress_struct& codec;
    ~DecompressObject() { jpeg_destroy_decompress(&codec); }
};

// The compressed bytes go through a DescriptorSink.
struct SinkDestination {
    jpeg_destination_mgr manager;  // first, as libjpeg expects
    DescriptorSink* sink;
};
void onDestinationInit(j_compress_ptr codec) {
    auto* destination = reinterpret_cast<SinkDestination*>(codec->dest);
    destination->manager.next_output_byte = destination->sink->buffer;
    destination->manager.free_in_buffer = destination->sink->capacity;
}
boolean onDestinationFull(j_compress_ptr codec) {
    auto* destination = reinterpret_cast<SinkDestination*>(codec->dest);
    destination->sink->used = destination->sink->capacity;
    if (!sinkFlush(*destination->sink)) ERREXIT(codec, JERR_FILE_WRITE);
    onDestinationInit(codec);
    return TRUE;
}
void onDestinationEnd(j_compress_ptr codec) {
    auto* destination = reinterpret_cast<SinkDestination*>(codec->dest);
    destination->sink->used = destination->sink->capacity - destination->manager.free_in_buffer;
    if (!sinkFlush(*destination->sink)) ERREXIT(codec, JERR_FILE_WRITE);
}

struct IccSegment {
    const unsigned char* data;
    unsigned size;
};

// The whole compression; each row is converted to 8 bits just before use.
bool writeJpegSteps(jpeg_compress_struct& codec, JpegErrors& errors, SinkDestination& destination,
                    const Document& document, const IccSegment* segments, int segmentCount,
                    unsigned char* rowBuffer) {
    if (setjmp(errors.exit)) return false;
    jpeg_create_compress(&codec);
    countJpegAllocations(reinterpret_cast<j_common_ptr>(&codec));
    destination.manager.init_destination = onDestinationInit;
    destination.manager.empty_output_buffer = onDestinationFull;
    destination.manager.term_destination = onDestinationEnd;
    codec.dest = &destination.manager;
    codec.image_width = JDIMENSION(document.width);
    codec.image_height = JDIMENSION(document.height);
    codec.input_components = document.colorChannels;
    codec.in_color_space = document.colorChannels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, 92, TRUE);
    jpeg_start_compress(&codec, TRUE);
    for (int i = 0; i < segmentCount; ++i) jpeg_write_marker(&codec, JPEG_APP0 + 2, segments[i].data, segments[i].size);
    for (int32_t y = 0; y < document.height; ++y) {
        documentRowToFile(document, y, 8, false, false, rowBuffer);
        JSAMPROW row = rowBuffer;
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    return true;
}

}  // namespace

bool readJpegImage(std::FILE* file, Document& document, ImageFileInfo& info, std::string& error) {
    // Zeroed, so that destroying it is safe even when creating it failed.
    jpeg_decompress_struct codec{};
    JpegErrors errors;
    installErrors(errors);
    codec.err = &errors.manager;
    DecompressObject object{codec};
    if (!readJpegHeader(codec, errors, file, jpegMemoryLimit(file))) {
        error = std::string("damaged JPEG file: ") + errors.error;
        return false;
    }
    info.bitDepth = codec.data_precision;
    info.hadAlpha = false;
    if (codec.jpeg_color_space == JCS_CMYK || codec.jpeg_color_space == JCS_YCCK) {
        error = "CMYK JPEG files are not supported (only greyscale and RGB)";
        return false;
    }
    if (codec.num_components != 1 && codec.num_components != 3) {
        error = "JPEG files with " + std::to_string(codec.num_components) +
                " colour components are not supported (only greyscale and RGB)";
        return false;
    }
    if (codec.data_precision != 8) {
        error = std::to_string(codec.data_precision) + "-bit JPEG files are not supported (only 8-bit)";
        return false;
    }
    if (!imageSizeAllowed(codec.image_width, codec.image_height, error)) return false;
    // The saved segments live in the image's memory pool, which finishing the read frees.
    std::vector<JpegMarkerPayload> payloads;
    for (jpeg_saved_marker_ptr marker = codec.marker_list; marker; marker = marker->next)
        if (marker->marker == JPEG_APP0 + 2) payloads.push_back({marker->data, marker->data_length});
    std::vector<uint8_t> profile;
    std::string profileProblem;
    assembleJpegIccProfile(payloads, profile, profileProblem);
    const bool grey = codec.num_components == 1;
    if (!startJpegDecompress(codec, errors, grey ? JCS_GRAYSCALE : JCS_RGB)) {
        error = std::string("damaged JPEG file: ") + errors.error;
        return false;
    }
    if (codec.output_components != (grey ? 1 : 3) ||
        !startDocument(document, int32_t(codec.output_width), int32_t(codec.output_height), grey ? 1 : 3, false,
                       SampleDepth::eight, error)) {
        if (error.empty()) error = "unexpected JPEG layout";
        return false;
    }
    if (!readJpegRows(codec, errors, document)) {
        collectWarnings(errors.warnings, info.warnings);
        error = std::string("damaged JPEG file: ") + errors.error;
        return false;
    }
    collectWarnings(errors.warnings, info.warnings);
    if (!profileProblem.empty()) info.warnings.push_back("the ICC profile was left out: " + profileProblem);
    document.iccProfile = std::move(profile);
    return true;
}

bool writeJpegImage(int descriptor, const Document& document, ImageWriteReport& report, std::string& error) {
    const std::vector<std::vector<uint8_t>> payloads = splitJpegIccProfile(document.iccProfile);
    std::vector<IccSegment> segments;
    for (const auto& payload : payloads) segments.push_back({payload.data(), unsigned(payload.size())});
    if (!document.iccProfile.empty() && payloads.empty())
        report.warnings.push_back("the ICC profile is too large for a JPEG file and was left out");
    report.alphaDropped = document.hasAlpha;

    std::vector<unsigned char> sinkBuffer(1 << 16);
    std::vector<unsigned char> row(fileRowBytes(document, 8, false));
    DescriptorSink sink{descriptor, sinkBuffer.data(), sinkBuffer.size(), 0, 0};
    SinkDestination destination{};
    destination.sink = &sink;
    // Zeroed, so that destroying it is safe even when creating it failed.
    jpeg_compress_struct codec{};
    JpegErrors errors;
    installErrors(errors);
    codec.err = &errors.manager;
    const bool written = writeJpegSteps(codec, errors, destination, document, segments.data(),
                                        int(segments.size()), row.data());
    jpeg_destroy_compress(&codec);
    collectLines(errors.warnings, report.warnings);
    if (!written) {
        error = sink.failure != 0 ? sinkFailureText(sink) : std::string("JPEG encoding failed: ") + errors.error;
        return false;
    }
    report.iccProfileWritten = !segments.empty();
    return true;
}
