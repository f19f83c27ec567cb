// JPEG encoding through libjpeg with the product's tables and segments.
#include "codec/jpeg_writer.h"

#include "codec/jpeg_codec_support.h"
#include "platform/jpeg_allocation_count.h"
#include "codec/jpeg_quant_tables.h"
#include "codec/product_identity.h"

#include <cstring>

namespace {
// Everything the compression needs, prepared before libjpeg runs; plain
// data only, so that the codec can be left by longjmp.
struct CompressJob {
    const JpegRowSource* source;
    const JpegEncodeOptions* options;
    int32_t width, height;  // the JPEG's, at least 16 each
    int32_t level;
    EffectColor* sourceRow;  // source->width colours
    JSAMPLE* sampleRow;      // width * 3 samples
    unsigned char* output;
    size_t capacity;
    size_t written;
};

int32_t atLeast(int32_t value, int32_t least) {
    return value < least ? least : value;
}

uint8_t toSample(float value) {
    if (!(value > 0.0f)) value = 0.0f;  // also catches NaN
    if (value > 1.0f) value = 1.0f;
    return static_cast<uint8_t>(static_cast<int32_t>(value * 255.0f));
}

// Columns and rows beyond the source repeat its last column and row.
void fillSampleRow(CompressJob& job, int32_t y) {
    const JpegRowSource& source = *job.source;
    const int32_t sourceY = y < source.height ? y : source.height - 1;
    source.readRow(source.context, sourceY, job.sourceRow);
    JSAMPLE* sample = job.sampleRow;
    for (int32_t x = 0; x < job.width; ++x, sample += 3) {
        const EffectColor& color = job.sourceRow[x < source.width ? x : source.width - 1];
        sample[0] = toSample(color.red);
        sample[1] = toSample(color.green);
        sample[2] = toSample(color.blue);
    }
}

void setUpCompressor(j_compress_ptr codec, const CompressJob& job) {
    codec->image_width = static_cast<JDIMENSION>(job.width);
    codec->image_height = static_cast<JDIMENSION>(job.height);
    codec->input_components = 3;
    codec->in_color_space = JCS_RGB;
    codec->data_precision = 8;
    jpeg_set_defaults(codec);
    const int lumaSampling = job.level <= 4 ? 2 : 1;
    codec->comp_info[0].h_samp_factor = lumaSampling;
    codec->comp_info[0].v_samp_factor = lumaSampling;
    for (int component = 1; component < 3; ++component) {
        codec->comp_info[component].h_samp_factor = 1;
        codec->comp_info[component].v_samp_factor = 1;
    }
    jpeg_add_quant_table(codec, 0, kLumaQuantTables[job.level], 100, FALSE);
    jpeg_add_quant_table(codec, 1, kChromaQuantTables[job.level], 100, FALSE);
}

bool metadataFits(const MetadataBlock* block) {
    return block != nullptr && block->buffer != nullptr && block->byteCount > 0 &&
           static_cast<size_t>(block->byteCount) <= kMaxMarkerPayload;
}

void writeIccSegments(j_compress_ptr codec, const JpegEncodeOptions& options) {
    const size_t segments = iccSegmentCount(options.iccProfileBytes);
    const uint8_t* profile = options.iccProfile;
    size_t left = options.iccProfileBytes;
    for (size_t index = 1; index <= segments; ++index) {
        const size_t chunk = left < kIccBytesPerSegment ? left : kIccBytesPerSegment;
        jpeg_write_m_header(codec, JPEG_APP0 + 2, static_cast<unsigned int>(14 + chunk));
        for (const char* c = "ICC_PROFILE"; *c != '\0'; ++c) jpeg_write_m_byte(codec, *c);
        jpeg_write_m_byte(codec, 0);
        jpeg_write_m_byte(codec, static_cast<int>(index));
        jpeg_write_m_byte(codec, static_cast<int>(segments));
        for (size_t i = 0; i < chunk; ++i) jpeg_write_m_byte(codec, profile[i]);
        profile += chunk;
        left -= chunk;
    }
}

// The segments after the JFIF header, in the product's order.
void writeHeaderSegments(j_compress_ptr codec, const JpegEncodeOptions& options) {
    jpeg_write_marker(codec, JPEG_COM, reinterpret_cast<const JOCTET*>(kHomePageAddress),
                      static_cast<unsigned int>(std::strlen(kHomePageAddress) + 1));
    if (metadataFits(options.exif))
        jpeg_write_marker(codec, JPEG_APP0 + 1, options.exif->buffer,
                          static_cast<unsigned int>(options.exif->byteCount));
    if (options.iccProfile != nullptr) writeIccSegments(codec, options);
    if (metadataFits(options.iptc))
        jpeg_write_marker(codec, JPEG_APP0 + 13, options.iptc->buffer,
                          static_cast<unsigned int>(options.iptc->byteCount));
}

// All libjpeg calls of an encode. No object with a destructor may live in
// this frame: a fatal codec error returns here by longjmp.
bool runCompression(CompressJob* job) {
    jpeg_compress_struct codec;
    SilentJpegErrors errors;
    JpegBufferDestination destination;
    codec.err = installSilentJpegErrors(errors);
    if (setjmp(errors.exit) != 0) {
        jpeg_destroy_compress(&codec);
        return false;
    }
    jpeg_create_compress(&codec);
    countJpegAllocations(reinterpret_cast<j_common_ptr>(&codec));
    attachJpegBufferDestination(&codec, destination, job->output, job->capacity);
    setUpCompressor(&codec, *job);
    jpeg_start_compress(&codec, TRUE);
    writeHeaderSegments(&codec, *job->options);
    for (int32_t y = 0; y < job->height; ++y) {
        fillSampleRow(*job, y);
        JSAMPROW rows[1] = {job->sampleRow};
        jpeg_write_scanlines(&codec, rows, 1);
    }
    jpeg_finish_compress(&codec);
    job->written = destination.written;
    jpeg_destroy_compress(&codec);
    return true;
}

size_t markerBytes(const JpegEncodeOptions& options) {
    size_t bytes = 4 + std::strlen(kHomePageAddress) + 1;
    if (metadataFits(options.exif)) bytes += 4 + static_cast<size_t>(options.exif->byteCount);
    if (metadataFits(options.iptc)) bytes += 4 + static_cast<size_t>(options.iptc->byteCount);
    if (options.iccProfile != nullptr && iccSegmentCount(options.iccProfileBytes) > 0)
        bytes += iccSegmentCount(options.iccProfileBytes) * 18 + options.iccProfileBytes;
    return bytes;
}

// W x H x 6 bytes always hold the compressed pixels; the extra segments
// (a profile can be far larger than a small picture) are added on top.
size_t outputCapacity(int32_t width, int32_t height, const JpegEncodeOptions& options) {
    return static_cast<size_t>(width) * static_cast<size_t>(height) * 6 + markerBytes(options) + 1024;
}

struct ScratchBlocks {
    const MemoryService* memory;
    MemoryBlock sourceRow, sampleRow;
    ~ScratchBlocks() {
        if (sourceRow.data != nullptr) memory->release(memory->context, &sourceRow);
        if (sampleRow.data != nullptr) memory->release(memory->context, &sampleRow);
    }
};
}  // namespace

int32_t clampJpegQuality(int32_t quality) {
    return quality < 0 ? 0 : (quality >= 100 ? 99 : quality);
}

int32_t jpegTableLevel(int32_t quality) {
    return clampJpegQuality(quality) / 10;
}

size_t iccSegmentCount(size_t profileBytes) {
    const size_t segments = (profileBytes + kIccBytesPerSegment - 1) / kIccBytesPerSegment;
    return segments <= 255 ? segments : 0;
}

int32_t encodeJpegToMemory(const JpegRowSource* source, const JpegEncodeOptions& options,
                           const MemoryService* memory, MemoryBlock& out, size_t& bytes) {
    out = MemoryBlock{};
    bytes = 0;
    if (source == nullptr || source->readRow == nullptr) return kJpegNoImage;
    if (source->width <= 0 || source->height <= 0) return kJpegNoPixels;
    if (memory == nullptr || memory->allocate == nullptr || memory->release == nullptr) return kJpegNoAllocator;
    const int32_t width = atLeast(source->width, kJpegMinimumSide);
    const int32_t height = atLeast(source->height, kJpegMinimumSide);
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) return kJpegCodecFailed;

    ScratchBlocks scratch{memory, {}, {}};
    if (!memory->allocate(memory->context, static_cast<size_t>(source->width) * sizeof(EffectColor),
                          &scratch.sourceRow) ||
        !memory->allocate(memory->context, static_cast<size_t>(width) * 3, &scratch.sampleRow))
        return kJpegNoBuffer;
    const size_t capacity = outputCapacity(width, height, options);
    if (!memory->allocate(memory->context, capacity, &out)) {
        out = MemoryBlock{};
        return kJpegNoBuffer;
    }
    CompressJob job{source, &options, width, height, jpegTableLevel(options.quality),
                    static_cast<EffectColor*>(scratch.sourceRow.data),
                    static_cast<JSAMPLE*>(scratch.sampleRow.data),
                    static_cast<unsigned char*>(out.data), capacity, 0};
    if (!runCompression(&job)) {
        memory->release(memory->context, &out);
        out = MemoryBlock{};
        return kJpegCodecFailed;
    }
    bytes = job.written;
    return kJpegEncoded;
}

int32_t encodeJpeg(const JpegRowSource* source, PlatformFile& destination,
                   const JpegEncodeOptions& options, const MemoryService* memory) {
    MemoryBlock compressed;
    size_t bytes = 0;
    const int32_t result = encodeJpegToMemory(source, options, memory, compressed, bytes);
    if (result != kJpegEncoded) {
        if (options.thumbnailHeader && writeBigEndian32(destination, 0) != 0) return kJpegWriteFailed;
        return result;
    }
    int32_t written = 0;
    if (options.thumbnailHeader) {
        written |= writeBigEndian32(destination, 1);
        written |= writeBigEndian32(destination, atLeast(source->width, kJpegMinimumSide));
        written |= writeBigEndian32(destination, atLeast(source->height, kJpegMinimumSide));
        written |= writeBigEndian32(destination, static_cast<int32_t>(bytes));
    }
    written |= destination.writeBytes(compressed.data, bytes);
    memory->release(memory->context, &compressed);
    return written == 0 ? kJpegEncoded : kJpegWriteFailed;
}
