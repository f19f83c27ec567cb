// The .z5a preset file: the user settings as big-endian 32-bit values,
// then the texture and thumbnail blocks. Written at version 40; every
// earlier version is read and converted.
#pragma once

#include "interface/plugin_result_codes.h"
#include "platform/memory_service.h"
#include "model/parameters.h"
#include "platform/binary_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr int32_t kPresetVersion = 40;
inline constexpr int32_t kPresetValueCount = 71;  // values before the thumbnail block
inline constexpr int32_t kPresetPictureSide = 128;
inline constexpr int32_t kPresetPictureQuality = 80;
inline constexpr size_t kStoredPictureLimit = 49152;  // the read buffer's size
inline constexpr size_t kTexturePassOver = 12288;

// Results: 0, kPresetCannotOpen, or kWriteFailed (-20) when a write did not
// reach the file completely (the user must learn that the save failed).
inline constexpr int16_t kPresetCannotOpen = kResultCannotOpenFile;

// The preset thumbnail picture: up to 128 x 128 pixels of 8-bit RGBA
// (red, green, blue, transparency), rows packed at width * 4 bytes.
struct PresetPicture {
    int32_t width = 0;
    int32_t height = 0;
    uint8_t rgba[kPresetPictureSide * kPresetPictureSide * 4] = {};
};

enum class PresetReadMode {
    full,           // every value into the settings, old versions converted
    thumbnailOnly,  // values read and dropped; only the picture is taken
};

struct PresetReadInfo {
    int32_t version = 0;        // as stored in the file
    bool pictureFound = false;  // a stored thumbnail replaced the picture
    // The stored picture's own size as its block gives it (the picture
    // itself is always made 128 x 128); 0 x 0 when none was found.
    int32_t storedWidth = 0, storedHeight = 0;
    bool endedEarly = false;    // the file ended before the stream did
};

// Writes the settings and the thumbnail block of `picture` (null: no
// picture, flag 0). An existing file is written from its start and never
// shortened. `memory` gives the JPEG buffers.
int16_t writePreset(const char* path, const UserSettings& settings, const PresetPicture* picture,
                    const MemoryService& memory);
int16_t writePresetTo(PlatformFile& file, const UserSettings& settings, const PresetPicture* picture,
                      const MemoryService& memory);

// Reads a preset over `settings` (no reset here: callers that open a user's
// file reset first). `picture` null: the preset thumbnail picture does not
// exist and stored pictures are passed over. Missing values leave their
// fields unchanged; nothing is read past the end of the file.
int16_t readPreset(const char* path, PresetReadMode mode, UserSettings& settings, PresetPicture* picture,
                   const MemoryService& memory, PresetReadInfo* info = nullptr);
int16_t readPresetFrom(PlatformFile& file, PresetReadMode mode, UserSettings& settings,
                       PresetPicture* picture, const MemoryService& memory, PresetReadInfo* info = nullptr);

// Preset files start with their version: 1 to 40 today; later versions read
// as 40. A first value outside 1..255 (a PNG, a JPEG, an empty file, text)
// means the file is no preset.
inline constexpr int32_t kMostPresetVersion = 255;
bool isPresetVersion(int32_t version);

// A user's preset file (Load, the preset refresh, --preset), read in full
// mode over `settings` only when it is a preset: the settings and the
// picture change on success and stay as they were otherwise. Results: 0,
// kPresetCannotOpen, or kPresetNotAPreset.
inline constexpr int16_t kPresetNotAPreset = 98;
int16_t readUserPreset(const char* path, UserSettings& settings, PresetPicture* picture, const MemoryService& memory,
                       PresetReadInfo* info = nullptr);

// Writes a user's preset file whole or not at all (a new file beside it,
// renamed over it), so that a shorter preset never keeps an old tail and a
// failed write leaves the old file as it was. 0, or kPresetCannotOpen /
// kWriteFailed with the reason in `error`.
int16_t writeUserPreset(const char* path, const UserSettings& settings, const PresetPicture* picture,
                        const MemoryService& memory, std::string& error);

// The picture's pixels as packed RGB bytes (width * height * 3 into rgb).
void presetPictureToRgb(const PresetPicture& picture, uint8_t* rgb);

// Makes `image` a packed 8-bit working image of width x height and copies
// the picture into it as the tiled images copy (resampled when the sizes
// differ): how a gallery shows a preset at its stored picture's own size.
// False when the images cannot be made.
struct Pyramid;
bool presetPictureAtSize(const PresetPicture& picture, int32_t width, int32_t height, Pyramid& image,
                         const MemoryService& memory);
