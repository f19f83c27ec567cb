// Big-endian numbers and text on any byte sink.
#include "export/byte_sink.h"

#include <cstring>

void ByteSink::put16(uint16_t value) {
    const unsigned char bytes[2] = {uint8_t(value >> 8), uint8_t(value)};
    write(bytes, 2);
}

void ByteSink::put32(uint32_t value) {
    const unsigned char bytes[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
    write(bytes, 4);
}

void ByteSink::putFloat(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    put32(bits);
}

void ByteSink::putText(const char* text) { write(text, std::strlen(text)); }

void ByteSink::putZeros(size_t count) {
    static const unsigned char zeros[64] = {};
    while (count > 0) {
        const size_t n = count < sizeof zeros ? count : sizeof zeros;
        write(zeros, n);
        count -= n;
    }
}


void MemorySink::writeAt(uint64_t offset, const void* bytes, size_t count) {
    // A place past the end grows the memory as a file grows.
    if (offset + count > data.size()) data.resize(size_t(offset + count));
    std::memcpy(data.data() + offset, bytes, count);
}
