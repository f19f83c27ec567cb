// A bounded reader of little-endian bytes: every read checks the end first
// and reports false instead of reading past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class LittleEndianReader {
public:
    LittleEndianReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool u8(uint8_t& value) {
        if (size_ - at_ < 1) return false;
        value = data_[at_++];
        return true;
    }
    bool u16(uint16_t& value) {
        uint64_t bits;
        if (!unsignedOf(2, bits)) return false;
        value = uint16_t(bits);
        return true;
    }
    bool i16(int16_t& value) {
        uint16_t bits;
        if (!u16(bits)) return false;
        value = int16_t(bits);
        return true;
    }
    bool u32(uint32_t& value) {
        uint64_t bits;
        if (!unsignedOf(4, bits)) return false;
        value = uint32_t(bits);
        return true;
    }
    bool i32(int32_t& value) {
        uint32_t bits;
        if (!u32(bits)) return false;
        value = int32_t(bits);
        return true;
    }
    bool f64(double& value) {
        uint64_t bits;
        if (!unsignedOf(8, bits)) return false;
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
    // A 32-bit length, then that many bytes.
    bool block(std::vector<uint8_t>& out) {
        uint32_t length;
        if (!u32(length) || size_ - at_ < length) return false;
        out.assign(data_ + at_, data_ + at_ + length);
        at_ += length;
        return true;
    }
    // A length byte, then that many characters.
    bool pascal(std::string& text) {
        uint8_t length;
        if (!u8(length) || size_ - at_ < length) return false;
        text.assign(reinterpret_cast<const char*>(data_ + at_), length);
        at_ += length;
        return true;
    }
    size_t remaining() const { return size_ - at_; }

private:
    bool unsignedOf(int bytes, uint64_t& value) {
        if (size_ - at_ < size_t(bytes)) return false;
        value = 0;
        for (int i = 0; i < bytes; ++i) value |= uint64_t(data_[at_ + size_t(i)]) << (8 * i);
        at_ += size_t(bytes);
        return true;
    }

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
