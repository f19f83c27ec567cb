// The fuzz input as a stream of choices read front to back. An input that
// ends reads as zeros, and every choice is written so that zero is the
// ordinary case: a short or empty input is a well-behaved host, and a seed
// is the few bytes that make its choices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    // True for about `in256` of 256 byte values; false on zero.
    bool rarely(int in256) { return byte() >= 256 - in256; }
    bool flag() { return (byte() & 1) != 0; }
    // lo..hi; lo on zero.
    int32_t range(int32_t lo, int32_t hi) {
        const uint64_t span = uint64_t(int64_t(hi) - lo) + 1;
        uint64_t value = byte();
        if (span > 256) value = value << 8 | byte();
        if (span > 65536) value = value << 16 | uint64_t(byte()) << 8 | byte();
        return int32_t(lo + int64_t(value % span));
    }
    template <typename T>
    T pick(std::initializer_list<T> values) {
        return values.begin()[range(0, int32_t(values.size()) - 1)];
    }
    template <typename T, size_t N>
    T pick(const T (&values)[N]) {
        return values[range(0, int32_t(N) - 1)];
    }
    int16_t int16() { return int16_t(uint16_t(byte()) << 8 | byte()); }
    uint32_t uint32() { return uint32_t(byte()) << 24 | uint32_t(byte()) << 16 | uint32_t(byte()) << 8 | byte(); }
    int32_t int32() { return int32_t(uint32()); }
    double real() {
        uint64_t bits = uint64_t(uint32()) << 32 | uint32();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::string text(size_t most) {
        const size_t length = size_t(range(0, int32_t(most)));
        std::string out;
        for (size_t i = 0; i < length; ++i) out += char(byte());
        return out;
    }

    size_t position() const { return at_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
