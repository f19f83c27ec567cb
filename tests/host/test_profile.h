// A small valid ICC profile for the tests that write or read one.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

// A small valid ICC profile (header, one private tag) of the given colour space.
inline std::vector<uint8_t> testProfile(const char space[4], size_t dataBytes) {
    std::vector<uint8_t> profile(144 + dataBytes, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        profile[at] = uint8_t(v >> 24); profile[at + 1] = uint8_t(v >> 16);
        profile[at + 2] = uint8_t(v >> 8); profile[at + 3] = uint8_t(v);
    };
    put32(0, uint32_t(profile.size()));
    put32(8, 0x02100000);
    std::memcpy(&profile[12], "mntr", 4);
    std::memcpy(&profile[16], space, 4);
    std::memcpy(&profile[20], "XYZ ", 4);
    std::memcpy(&profile[36], "acsp", 4);
    put32(68, 0x0000F6D6);  // D50 white
    put32(72, 0x00010000);
    put32(76, 0x0000D32D);
    put32(128, 1);
    std::memcpy(&profile[132], "zzzz", 4);
    put32(136, 144);
    put32(140, uint32_t(dataBytes));
    for (size_t i = 0; i < dataBytes; ++i) profile[144 + i] = uint8_t(i * 7 + 3);
    return profile;
}
