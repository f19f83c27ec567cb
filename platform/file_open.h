// The system's part of PlatformFile: opening a file for reading (regular
// files only, with their size) and for writing over from the start.
#pragma once

#include <cstdint>
#include <cstdio>

// A regular file opened to read in binary mode; its size in *size. Null otherwise.
std::FILE* openFileForReading(const char* path, int64_t* size);
// Created when missing, opened in binary mode at its start, never shortened.
std::FILE* openFileForOverwriting(const char* path);
// A stream that writes through a copy of an open descriptor (the caller
// keeps its own); null when it cannot be had.
std::FILE* openDescriptorForWriting(int descriptor);
