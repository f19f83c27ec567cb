// Where the exporters put their bytes: a user's file, or memory (for the
// blocks measured before they are written, and for tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Where an exporter puts its bytes: the user's file, or memory in tests.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const void* bytes, size_t count) = 0;
    // True once any write fell short; later writes are then ignored.
    virtual bool failed() const = 0;

    void put8(uint8_t value) { write(&value, 1); }
    void put16(uint16_t value);  // big-endian
    void put32(uint32_t value);  // big-endian
    void putFloat(float value);  // the four IEEE bytes, big-endian
    void putText(const char* text);  // without its 0 byte
    void putZeros(size_t count);
};

class MemorySink : public ByteSink {
public:
    void write(const void* bytes, size_t count) override {
        const auto* in = static_cast<const uint8_t*>(bytes);
        data.insert(data.end(), in, in + count);
    }
    bool failed() const override { return false; }
    std::vector<uint8_t> data;
};
