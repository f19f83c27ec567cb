// Splitting and joining the ICC profile's APP2 segments of JPEG files.
#include "host/image_jpeg_icc.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr char kTag[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', '\0'};
constexpr size_t kHeaderBytes = 14;  // tag, sequence number, count
}  // namespace

std::vector<std::vector<uint8_t>> splitJpegIccProfile(const std::vector<uint8_t>& profile) {
    std::vector<std::vector<uint8_t>> payloads;
    const size_t count = (profile.size() + kJpegIccChunkBytes - 1) / kJpegIccChunkBytes;
    if (count == 0 || count > 255) return payloads;
    for (size_t i = 0; i < count; ++i) {
        const size_t start = i * kJpegIccChunkBytes;
        const size_t size = std::min(kJpegIccChunkBytes, profile.size() - start);
        std::vector<uint8_t> payload(kHeaderBytes + size);
        std::memcpy(payload.data(), kTag, sizeof kTag);
        payload[12] = uint8_t(i + 1);
        payload[13] = uint8_t(count);
        std::memcpy(payload.data() + kHeaderBytes, profile.data() + start, size);
        payloads.push_back(std::move(payload));
    }
    return payloads;
}

bool assembleJpegIccProfile(const std::vector<JpegMarkerPayload>& payloads, std::vector<uint8_t>& profile,
                            std::string& problem) {
    profile.clear();
    const JpegMarkerPayload* bySequence[256] = {};
    int count = 0;
    for (const JpegMarkerPayload& payload : payloads) {
        if (payload.size < kHeaderBytes || std::memcmp(payload.data, kTag, sizeof kTag) != 0) continue;
        const int sequence = payload.data[12];
        const int total = payload.data[13];
        if (count == 0) count = total;
        if (total == 0 || total != count) {
            problem = "the ICC profile segments disagree on their number";
            return false;
        }
        if (sequence < 1 || sequence > total) {
            problem = "an ICC profile segment has sequence number " + std::to_string(sequence) + " of " +
                      std::to_string(total);
            return false;
        }
        if (bySequence[sequence]) {
            problem = "ICC profile segment " + std::to_string(sequence) + " appears twice";
            return false;
        }
        bySequence[sequence] = &payload;
    }
    for (int sequence = 1; sequence <= count; ++sequence) {
        if (!bySequence[sequence]) {
            problem = "ICC profile segment " + std::to_string(sequence) + " of " + std::to_string(count) +
                      " is missing";
            return false;
        }
    }
    for (int sequence = 1; sequence <= count; ++sequence) {
        const JpegMarkerPayload& payload = *bySequence[sequence];
        profile.insert(profile.end(), payload.data + kHeaderBytes, payload.data + payload.size);
    }
    return true;
}
