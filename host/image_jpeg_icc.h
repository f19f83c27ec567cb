// The ICC profile in JPEG files: split over APP2 "ICC_PROFILE" segments, each
// with its sequence number (from 1) and the number of segments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Bytes of profile one segment carries at most (65533 less the 14-byte tag).
inline constexpr size_t kJpegIccChunkBytes = 65519;

// The APP2 payloads for a profile: "ICC_PROFILE\0", sequence, count, data.
// Empty when the profile is empty or too large for 255 segments.
std::vector<std::vector<uint8_t>> splitJpegIccProfile(const std::vector<uint8_t>& profile);

// Joins the ICC segments among the APP2 payloads in sequence order, whatever
// order they came in. Payloads without the tag are passed over. False, with
// the reason, when the segments disagree on their count, repeat or miss a
// number; profile is then empty. True with an empty profile when there is none.
struct JpegMarkerPayload {
    const uint8_t* data;
    size_t size;
};
bool assembleJpegIccProfile(const std::vector<JpegMarkerPayload>& payloads, std::vector<uint8_t>& profile,
                            std::string& problem);
