// The per-format readers and writers behind image_files.h, and what they
// share: size limits, format detection and a buffered writer to a descriptor.
#pragma once

#include "host/image_files.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

enum class ImageFileFormat { unknown, png, tiff, jpeg };

// The format named by the first bytes of a file (at least 8 are needed).
ImageFileFormat formatFromMagic(const unsigned char* bytes, size_t count);
// The format named by a path's extension, case ignored.
ImageFileFormat formatFromExtension(const std::string& path);
const char* formatName(ImageFileFormat format);

// Images above 30000 pixels per side or about a giga-pixel are refused
// before anything is allocated for them.
inline constexpr int64_t kMaxImageSide = 30000;
inline constexpr int64_t kMaxImagePixels = int64_t(1) << 30;
bool imageSizeAllowed(int64_t width, int64_t height, std::string& error);

// The readers take a file opened at its start; messages leave out the path.
// The PNG reader inflates a plain file's image data on `threads` (0: one per
// core, 1: the calling thread only); the pixels never depend on it.
bool readPngImage(std::FILE* file, Document& document, ImageFileInfo& info, std::string& error, int32_t threads);
bool readJpegImage(std::FILE* file, Document& document, ImageFileInfo& info, std::string& error);
// libtiff reads through a copy of the open file's descriptor, so that the file
// is opened once, by the platform's file service, whatever its name.
// Deflated strips are inflated on `threads` as for PNG files.
bool readTiffImage(std::FILE* file, Document& document, ImageFileInfo& info, std::string& error, int32_t threads);

// How a writer that encodes stripes of rows on several threads splits its
// work: `threads` at once (0: one per core, 1: all on the calling thread) and
// stripes of `stripeRows` rows (0: the writer's own choice, which depends on
// the image only, so that the file's bytes do not depend on the threads).
struct ImageWriteSpeed {
    int32_t threads = 0;
    int32_t stripeRows = 0;
};

// The writers write the whole file to descriptor (which stays open) at
// depth bits per sample, already checked against the format.
bool writePngImage(int descriptor, const Document& document, int depth, const ImageWriteSpeed& speed,
                   ImageWriteReport& report, std::string& error);
bool writeJpegImage(int descriptor, const Document& document, ImageWriteReport& report,
                    std::string& error);
bool writeTiffImage(int descriptor, const Document& document, int depth, const ImageWriteSpeed& speed,
                    ImageWriteReport& report, std::string& error);

// A buffered writer to a descriptor that the C libraries' write callbacks use:
// plain data, so that it may live across their error jumps. The first failure
// keeps its errno; later writes are ignored.
struct DescriptorSink {
    int descriptor = -1;
    unsigned char* buffer = nullptr;
    size_t capacity = 0;
    size_t used = 0;
    int failure = 0;  // errno of the first failed write, 0 while all is well
};
bool sinkWrite(DescriptorSink& sink, const void* bytes, size_t count);
bool sinkFlush(DescriptorSink& sink);
// "write failed: <strerror>" for a failed sink.
std::string sinkFailureText(const DescriptorSink& sink);

// Appends a library's message to a fixed text buffer (for callbacks that
// must not allocate), cutting it when full.
void appendMessage(char* buffer, size_t capacity, const char* message);
