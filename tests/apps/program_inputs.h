// Inputs the command-line tests hand the program: a small 8-bit RGB image
// of a fixed pattern, written in the format its name asks for.
#pragma once

#include <cstdint>
#include <string>

// Fails the running test when the image cannot be written.
void writePatternImage(const std::string& path, int32_t width, int32_t height);
