// The system's part of PlatformFile: opening a file for reading (regular
// files only, with their size) and for writing over from the start. Neither
// waits on a FIFO or a device: what is not a regular file is refused.
#pragma once

#include <cstdint>
#include <cstdio>

// Whether a symbolic link at the path itself is followed. The store's own
// files refuse links, so that no one can point them at another file.
enum class LinkPolicy { follow, refuse };

// Why an open failed: the system's reason (in errno), or what the path is.
enum class OpenRefusal { none, system, folder, notRegularFile };

// A regular file opened to read in binary mode; its size in *size. Null
// otherwise, with the reason in *why when given.
std::FILE* openFileForReading(const char* path, int64_t* size, LinkPolicy links = LinkPolicy::follow,
                              OpenRefusal* why = nullptr);
// Created when missing, opened in binary mode at its start, never shortened;
// an existing path that is not a regular file is refused.
std::FILE* openFileForOverwriting(const char* path, LinkPolicy links = LinkPolicy::follow);
// Created when missing and cut to nothing when present (the byte tests' files).
std::FILE* openFileForReplacing(const char* path);
// A stream that writes through a copy of an open descriptor (the caller
// keeps its own); null when it cannot be had.
std::FILE* openDescriptorForWriting(int descriptor);
