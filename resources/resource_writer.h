// Little-endian byte writer for the Windows resource layouts.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

class ResourceWriter {
public:
    void u8(uint8_t value) { bytes_.push_back(value); }
    void u16(uint16_t value) {
        u8(uint8_t(value));
        u8(uint8_t(value >> 8));
    }
    void u32(uint32_t value) {
        u16(uint16_t(value));
        u16(uint16_t(value >> 16));
    }
    void pascal(std::string_view text) {
        u8(uint8_t(text.size()));
        for (char c : text) u8(uint8_t(c));
    }
    void cString(std::string_view text) {
        for (char c : text) u8(uint8_t(c));
        u8(0);
    }
    void padTo4() {
        while (bytes_.size() % 4 != 0) u8(0);
    }
    size_t size() const { return bytes_.size(); }
    void patch32(size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes_[at + i] = uint8_t(value >> (8 * i));
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};
