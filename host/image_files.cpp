// Image files: format by magic bytes (reading) or extension (writing),
// dispatch to the PNG, TIFF and JPEG code, and the checks they share.
#include "host/image_files.h"

#include "platform/file_open.h"
#include "platform/whole_file.h"
#include "host/image_formats.h"
#include "host/image_stripes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int32_t gWriteThreads = 0;

std::string lowerExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return extension;
}

// Closes a stdio file when the read is over.
struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// The depth a write uses, or 0 with a message when the format cannot hold it.
int chooseDepth(ImageFileFormat format, const Document& document, int requested, std::string& error) {
    const int own = int(document.depth);
    switch (format) {
        case ImageFileFormat::png:
            if (requested == 0) return own == 32 ? 16 : own;
            if (requested == 8 || requested == 16) return requested;
            error = "PNG files hold 8 or 16 bits per sample, not " + std::to_string(requested);
            return 0;
        case ImageFileFormat::tiff:
            if (requested == 0) return own;
            if (requested == 8 || requested == 16 || requested == 32) return requested;
            error = "TIFF files are written with 8 or 16 bits or 32-bit float per sample, not " +
                    std::to_string(requested);
            return 0;
        case ImageFileFormat::jpeg:
            if (requested == 0 || requested == 8) return 8;
            error = "JPEG files hold 8 bits per sample, not " + std::to_string(requested);
            return 0;
        case ImageFileFormat::unknown: break;
    }
    error = "unknown output format";
    return 0;
}

bool documentIsWritable(const Document& document, std::string& error) {
    if (document.width < 1 || document.height < 1 ||
        (document.colorChannels != 1 && document.colorChannels != 3) ||
        document.samples.size() < size_t(document.height) * document.rowBytes()) {
        error = "the image to write is empty or its samples do not match its size";
        return false;
    }
    return true;
}

// The writers' (and the PNG reader's) threads: the setting, but no more than
// the machine's cores, since more cannot go faster and each holds its own
// deflate state and stripes in memory.
ImageWriteSpeed writeSpeed() {
    return ImageWriteSpeed{gWriteThreads == 0 ? 0 : std::min(gWriteThreads, machineCores()), 0};
}

bool prepareChecked(const std::string& path, const Document& document, int outputDepth, bool overwrite,
                    WholeFile& output, ImageWriteReport& report, std::string& error) {
    if (!isSupportedOutputPath(path, error)) return false;
    if (!documentIsWritable(document, error)) return false;
    const ImageFileFormat format = formatFromExtension(path);
    const int depth = chooseDepth(format, document, outputDepth, error);
    if (depth == 0) return false;
    report = ImageWriteReport{};
    report.format = formatName(format);
    report.depth = depth;

    if (!output.begin(path, overwrite, error)) return false;
    std::string detail;
    bool written = false;
    switch (format) {
        case ImageFileFormat::png:
            written = writePngImage(output.descriptor(), document, depth, writeSpeed(), report,
                                    detail);
            break;
        case ImageFileFormat::tiff:
            written = writeTiffImage(output.descriptor(), document, depth, writeSpeed(), report,
                                     detail);
            break;
        case ImageFileFormat::jpeg: written = writeJpegImage(output.descriptor(), document, report, detail); break;
        case ImageFileFormat::unknown: break;
    }
    if (!written) {
        output.abandon();
        error = "cannot write " + path + ": " + detail;
        return false;
    }
    report.iccProfileDropped = !document.iccProfile.empty() && !report.iccProfileWritten;
    return true;
}

bool readChecked(const std::string& path, Document& document, ImageFileInfo& info, std::string& error) {
    info = ImageFileInfo{};
    // Only a regular file is opened: a FIFO would make the read wait forever.
    OpenRefusal refusal = OpenRefusal::none;
    std::FILE* file = openFileForReading(path.c_str(), nullptr, LinkPolicy::follow, &refusal);
    if (!file) {
        if (refusal == OpenRefusal::folder) error = path + " is a folder, not an image file";
        else if (refusal == OpenRefusal::notRegularFile) error = path + " is not a regular file";
        else error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    FileCloser closer{file};
    unsigned char magic[16] = {};
    const size_t got = std::fread(magic, 1, sizeof magic, file);
    const ImageFileFormat format = formatFromMagic(magic, got);
    if (format == ImageFileFormat::unknown) {
        error = path + ": not a PNG, TIFF or JPEG file";
        return false;
    }
    std::rewind(file);
    info.format = formatName(format);
    Document result;
    std::string detail;
    bool read = false;
    switch (format) {
        case ImageFileFormat::png: read = readPngImage(file, result, info, detail, writeSpeed().threads); break;
        case ImageFileFormat::jpeg: read = readJpegImage(file, result, info, detail); break;
        case ImageFileFormat::tiff: read = readTiffImage(file, result, info, detail, writeSpeed().threads); break;
        case ImageFileFormat::unknown: break;
    }
    if (!read) {
        error = path + ": " + detail;
        return false;
    }
    info.hadIccProfile = !result.iccProfile.empty();
    document = std::move(result);
    return true;
}

}  // namespace

ImageFileFormat formatFromMagic(const unsigned char* bytes, size_t count) {
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (count >= 8 && std::memcmp(bytes, png, 8) == 0) return ImageFileFormat::png;
    if (count >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return ImageFileFormat::jpeg;
    // Classic (42) and big (43) TIFF in either byte order.
    if (count >= 4 && ((bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0) ||
                       (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43))))
        return ImageFileFormat::tiff;
    return ImageFileFormat::unknown;
}

ImageFileFormat formatFromExtension(const std::string& path) {
    const std::string extension = lowerExtension(path);
    if (extension == ".png") return ImageFileFormat::png;
    if (extension == ".tif" || extension == ".tiff") return ImageFileFormat::tiff;
    if (extension == ".jpg" || extension == ".jpeg") return ImageFileFormat::jpeg;
    return ImageFileFormat::unknown;
}

const char* formatName(ImageFileFormat format) {
    switch (format) {
        case ImageFileFormat::png: return "PNG";
        case ImageFileFormat::tiff: return "TIFF";
        case ImageFileFormat::jpeg: return "JPEG";
        case ImageFileFormat::unknown: break;
    }
    return "unknown";
}

bool imageSizeAllowed(int64_t width, int64_t height, std::string& error) {
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide ||
        width * height > kMaxImagePixels) {
        error = "image size " + std::to_string(width) + " x " + std::to_string(height) +
                " is outside 1..30000 pixels per side";
        return false;
    }
    return true;
}

bool sinkWrite(DescriptorSink& sink, const void* bytes, size_t count) {
    if (sink.failure != 0) return false;
    const unsigned char* in = static_cast<const unsigned char*>(bytes);
    while (count > 0) {
        if (sink.used == sink.capacity && !sinkFlush(sink)) return false;
        const size_t part = std::min(count, sink.capacity - sink.used);
        std::memcpy(sink.buffer + sink.used, in, part);
        sink.used += part;
        in += part;
        count -= part;
    }
    return true;
}

bool sinkFlush(DescriptorSink& sink) {
    if (sink.failure != 0) return false;
    size_t done = 0;
    while (done < sink.used) {
        const ssize_t n = ::write(sink.descriptor, sink.buffer + done, sink.used - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            sink.failure = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += size_t(n);
    }
    sink.used = 0;
    return true;
}

std::string sinkFailureText(const DescriptorSink& sink) {
    return std::string("write failed: ") + std::strerror(sink.failure);
}

void appendMessage(char* buffer, size_t capacity, const char* message) {
    if (capacity == 0 || !message) return;
    size_t used = std::strlen(buffer);
    if (used > 0 && used + 1 < capacity) buffer[used++] = '\n';
    while (*message && used + 1 < capacity) buffer[used++] = *message++;
    buffer[used] = '\0';
}

bool readImageFile(const std::string& path, Document& document, ImageFileInfo& info, std::string& error) {
    try {
        return readChecked(path, document, info, error);
    } catch (const std::bad_alloc&) {
        error = path + ": not enough memory for the image";
    } catch (...) {
        error = path + ": the image could not be read";
    }
    return false;
}

bool prepareImageFile(const std::string& path, const Document& document, int outputDepth, bool overwrite,
                      WholeFile& output, ImageWriteReport& report, std::string& error) {
    try {
        return prepareChecked(path, document, outputDepth, overwrite, output, report, error);
    } catch (const std::bad_alloc&) {
        error = "cannot write " + path + ": not enough memory";
    } catch (...) {
        error = "cannot write " + path + ": unexpected failure";
    }
    output.abandon();
    return false;
}

bool writeImageFile(const std::string& path, const Document& document, int outputDepth, bool overwrite,
                    ImageWriteReport& report, std::string& error) {
    WholeFile output;
    if (!prepareImageFile(path, document, outputDepth, overwrite, output, report, error)) return false;
    if (!output.commit(error)) return false;
    report.replacedExisting = output.replacedExisting();
    return true;
}

void setImageFileThreads(int32_t threads) { gWriteThreads = threads < 0 ? 0 : threads; }
int32_t imageFileThreads() { return gWriteThreads; }

bool isSupportedOutputPath(const std::string& path, std::string& error) {
    if (formatFromExtension(path) != ImageFileFormat::unknown) return true;
    error = "cannot tell the output format of " + path +
            " from its extension; use .png, .tif, .tiff, .jpg or .jpeg";
    return false;
}

const char* supportedFormatsText() {
    return "PNG (.png): grey or RGB, with or without transparency, 8 or 16 bits\n"
           "TIFF (.tif, .tiff): grey or RGB, with or without transparency, 8 or 16 bits or 32-bit float\n"
           "JPEG (.jpg, .jpeg): grey or RGB, 8 bits, no transparency (quality 92)\n";
}
