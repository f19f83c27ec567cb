// The two picture blocks near the end of a preset file: the texture block
// (always written empty) and the thumbnail block with its JPEG stream.
#pragma once

#include "settings/preset_file.h"

// Writes flag 1, width, height, length and the JPEG of the picture at
// quality 80; flag 0 alone when there is no picture or no JPEG can be made.
void writeThumbnailBlock(PlatformFile& file, const PresetPicture* picture, const MemoryService& memory);

// Reads the texture block; a texture replaces the picture.
void readTextureBlock(PlatformFile& file, PresetPicture* picture);

// Reads the thumbnail block; true when a stored picture replaced `picture`
// (`info` then learns the stored picture's own size).
bool readThumbnailBlock(PlatformFile& file, PresetPicture* picture, const MemoryService& memory,
                        PresetReadInfo& info);

