// Helpers of the preset and store tests: raw big-endian files written by
// hand, file bytes, and a smooth test picture.
#pragma once

#include "settings/preset_file.h"

#include <cstdint>
#include <string>
#include <vector>

std::string presetTestPath(const std::string& name);
std::vector<uint8_t> readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);
// Each value as four big-endian bytes.
std::vector<uint8_t> bigEndianValues(const std::vector<int32_t>& values);
// The 32-bit value at index i of a byte stream.
int32_t valueAt(const std::vector<uint8_t>& bytes, size_t index);
// A 128 x 128 picture with smooth ramps in red and green, blue fixed.
PresetPicture rampPicture();
