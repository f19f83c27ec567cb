// Silent error handling and memory source and destination for libjpeg.
#include "codec/jpeg_codec_support.h"

namespace {
[[noreturn]] void leaveCodec(j_common_ptr codec) {
    SilentJpegErrors* errors = reinterpret_cast<SilentJpegErrors*>(codec->err);
    std::longjmp(errors->exit, 1);
}
void dropMessage(j_common_ptr, int) {}
void dropOutput(j_common_ptr) {}

void startDestination(j_compress_ptr codec) {
    JpegBufferDestination* destination = reinterpret_cast<JpegBufferDestination*>(codec->dest);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = destination->capacity;
    destination->written = 0;
}
// The buffer is sized once for the whole picture: running out is an error.
boolean destinationFull(j_compress_ptr codec) {
    codec->err->msg_code = JERR_BUFFER_SIZE;
    (*codec->err->error_exit)(reinterpret_cast<j_common_ptr>(codec));
    return FALSE;
}
void endDestination(j_compress_ptr codec) {
    JpegBufferDestination* destination = reinterpret_cast<JpegBufferDestination*>(codec->dest);
    destination->written = destination->capacity - destination->manager.free_in_buffer;
}

void startSource(j_decompress_ptr) {}
// All bytes were given at once; more are asked only past the end, where an
// inserted end marker lets a truncated picture finish as far as it goes.
boolean sourceExhausted(j_decompress_ptr codec) {
    JpegBufferSource* source = reinterpret_cast<JpegBufferSource*>(codec->src);
    source->endMarker[0] = 0xFF;
    source->endMarker[1] = JPEG_EOI;
    source->manager.next_input_byte = source->endMarker;
    source->manager.bytes_in_buffer = 2;
    return TRUE;
}
void skipSource(j_decompress_ptr codec, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* manager = codec->src;
    if (static_cast<unsigned long>(count) > manager->bytes_in_buffer) {
        sourceExhausted(codec);
        return;
    }
    manager->next_input_byte += count;
    manager->bytes_in_buffer -= static_cast<size_t>(count);
}
void endSource(j_decompress_ptr) {}
}  // namespace

jpeg_error_mgr* installSilentJpegErrors(SilentJpegErrors& errors) {
    jpeg_error_mgr* manager = jpeg_std_error(&errors.manager);
    manager->error_exit = leaveCodec;
    manager->emit_message = dropMessage;
    manager->output_message = dropOutput;
    return manager;
}

void attachJpegBufferDestination(j_compress_ptr codec, JpegBufferDestination& destination,
                                 unsigned char* buffer, size_t capacity) {
    destination.manager.init_destination = startDestination;
    destination.manager.empty_output_buffer = destinationFull;
    destination.manager.term_destination = endDestination;
    destination.buffer = buffer;
    destination.capacity = capacity;
    destination.written = 0;
    codec->dest = &destination.manager;
}

void attachJpegBufferSource(j_decompress_ptr codec, JpegBufferSource& source,
                            const unsigned char* bytes, size_t size) {
    source.manager.init_source = startSource;
    source.manager.fill_input_buffer = sourceExhausted;
    source.manager.skip_input_data = skipSource;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = endSource;
    source.manager.next_input_byte = bytes;
    source.manager.bytes_in_buffer = bytes != nullptr ? size : 0;
    codec->src = &source.manager;
}
