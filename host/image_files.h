// Reading and writing the host's documents as PNG, TIFF and JPEG files:
// the format of a file read is found from its first bytes, of a file written
// from its extension; writes go through a temporary file and a rename.
#pragma once

#include "host/document.h"
#include "platform/whole_file.h"

#include <string>
#include <vector>

enum class ImageSampleFormat { unsignedInteger, floatingPoint };

// What a file held before it became a document.
struct ImageFileInfo {
    std::string format;  // "PNG", "TIFF" or "JPEG"
    int bitDepth = 0;    // bits per sample in the file (1, 2, 4, 8, 16 or 32)
    ImageSampleFormat sampleFormat = ImageSampleFormat::unsignedInteger;
    bool hadAlpha = false;       // a transparency plane (or PNG tRNS colour)
    bool hadIccProfile = false;  // the profile is in document.iccProfile
    // Messages of the image libraries that did not stop the reading.
    std::vector<std::string> warnings;
};

// What a write did, so that the caller can tell the user what was lost.
struct ImageWriteReport {
    std::string format;            // "PNG", "TIFF" or "JPEG"
    int depth = 0;                 // bits per sample written (8, 16 or 32)
    bool alphaDropped = false;     // the document had transparency the format cannot hold
    bool iccProfileWritten = false;
    bool iccProfileDropped = false;  // the document had a profile that was not written
    bool replacedExisting = false;
    std::vector<std::string> warnings;
};

// Reads the file into document (replacing it). False with a message naming
// the path when the file cannot be opened, is damaged or truncated, has a
// layout the host does not take (CMYK, Lab, palette TIFF, ...) or an absurd size.
bool readImageFile(const std::string& path, Document& document, ImageFileInfo& info,
                   std::string& error);

// Writes the document at outputDepth bits per sample (8, 16 or 32; 0 picks
// the document's own depth, or the nearest one the format holds). The target
// is only replaced when overwrite is set; on any failure it is left as it was
// and no temporary file remains.
bool writeImageFile(const std::string& path, const Document& document, int outputDepth,
                    bool overwrite, ImageWriteReport& report, std::string& error);

// The same, but the file is left uncommitted in output (begun here), so that
// the caller can commit it together with another file or abandon it.
bool prepareImageFile(const std::string& path, const Document& document, int outputDepth, bool overwrite,
                      WholeFile& output, ImageWriteReport& report, std::string& error);

// How many threads the writers use from now on to encode an image (0: one per
// core, 1: only the calling thread). The pixels written never depend on it.
void setImageFileThreads(int32_t threads);
int32_t imageFileThreads();

// True when the path's extension names a format that can be written.
bool isSupportedOutputPath(const std::string& path, std::string& error);

// One line per writable format with its extensions and depths, for --help.
const char* supportedFormatsText();
