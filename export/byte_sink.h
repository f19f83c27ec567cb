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
    // Where the next write goes: the bytes written and skipped so far.
    virtual uint64_t position() const = 0;
    // Leaves `count` bytes for writeAt to fill later; the position moves on.
    virtual void skip(size_t count) = 0;
    // Writes over bytes written or skipped before, the position unchanged:
    // a layered document's pixel rows go straight to their places. One
    // thread at a time may write to a sink.
    virtual void writeAt(uint64_t offset, const void* bytes, size_t count) = 0;

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
    uint64_t position() const override { return data.size(); }
    void skip(size_t count) override { data.resize(data.size() + count); }
    void writeAt(uint64_t offset, const void* bytes, size_t count) override;
    std::vector<uint8_t> data;
};
