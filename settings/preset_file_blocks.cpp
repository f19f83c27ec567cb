// Texture and thumbnail blocks of the preset file.
#include "settings/preset_file_blocks.h"

#include "codec/jpeg_reader.h"
#include "codec/jpeg_writer.h"

#include <cstring>

namespace {
int32_t clampedSide(int32_t value) {
    return value < 0 ? 0 : (value > kPresetPictureSide ? kPresetPictureSide : value);
}

void replacePicture(PresetPicture& picture, int32_t width, int32_t height) {
    std::memset(picture.rgba, 0, sizeof picture.rgba);
    picture.width = width;
    picture.height = height;
}

// Stored pictures are read whole into one buffer of the block's fixed size.
struct StoredPictureBuffer {
    const MemoryService& memory;
    MemoryBlock block;
    explicit StoredPictureBuffer(const MemoryService& service) : memory(service) {
        if (memory.allocate == nullptr || !memory.allocate(memory.context, kStoredPictureLimit, &block))
            block = MemoryBlock{};
    }
    ~StoredPictureBuffer() {
        if (block.data != nullptr) memory.release(memory.context, &block);
    }
    uint8_t* bytes() const { return static_cast<uint8_t*>(block.data); }
};
}  // namespace

void writeThumbnailBlock(PlatformFile& file, const PresetPicture* picture, const MemoryService& memory) {
    if (picture == nullptr || picture->width <= 0 || picture->height <= 0 ||
        picture->width > kPresetPictureSide || picture->height > kPresetPictureSide) {
        writeBigEndian32(file, 0);
        return;
    }
    Rgba8Picture pixels;
    pixels.pixels = picture->rgba;
    pixels.width = picture->width;
    pixels.height = picture->height;
    const JpegRowSource source = rgba8RowSource(pixels);
    JpegEncodeOptions options;
    options.quality = kPresetPictureQuality;
    options.thumbnailHeader = true;
    encodeJpeg(&source, file, options, &memory);
}

void readTextureBlock(PlatformFile& file, PresetPicture* picture) {
    int32_t flag = 0;
    if (readBigEndian32(file, &flag) != 0 || flag == 0) return;
    int32_t side = 0, ignored = 0;
    readBigEndian32(file, &side);
    readBigEndian32(file, &ignored);
    side = clampedSide(side);
    if (picture == nullptr || side == 0) {
        file.skipBytes(kTexturePassOver);
        return;
    }
    replacePicture(*picture, side, side);
    uint8_t row[kPresetPictureSide * 3];
    for (int32_t y = 0; y < side; ++y) {
        if (file.readBytes(row, static_cast<size_t>(side) * 3) != 0) return;
        uint8_t* out = picture->rgba + static_cast<size_t>(y) * side * 4;
        for (int32_t x = 0; x < side; ++x) {
            out[4 * x + 0] = row[3 * x + 0];
            out[4 * x + 1] = row[3 * x + 1];
            out[4 * x + 2] = row[3 * x + 2];
            out[4 * x + 3] = 255;
        }
    }
}

bool readThumbnailBlock(PlatformFile& file, PresetPicture* picture, const MemoryService& memory) {
    int32_t flag = 0;
    if (readBigEndian32(file, &flag) != 0 || flag == 0) return false;
    int32_t width = 0, height = 0, length = 0;
    readBigEndian32(file, &width);
    readBigEndian32(file, &height);
    readBigEndian32(file, &length);
    width = clampedSide(width);
    height = clampedSide(height);
    const size_t byteCount = length > 0 ? static_cast<size_t>(length) : 0;
    // A picture longer than the buffer, or one with no pixels, is passed
    // over: it cannot be read whole.
    if (flag != 1 || picture == nullptr || byteCount > kStoredPictureLimit || width == 0 || height == 0) {
        file.skipBytes(byteCount);
        return false;
    }
    StoredPictureBuffer buffer(memory);
    if (buffer.bytes() == nullptr) {
        file.skipBytes(byteCount);
        return false;
    }
    const bool readWhole = file.readBytes(buffer.bytes(), byteCount) == 0;
    replacePicture(*picture, width, height);
    if (readWhole) {
        DecodeTarget target;
        target.pixels = picture->rgba;
        target.width = width;
        target.height = height;
        target.layout = DecodedLayout::rgba8;
        decodeJpeg(buffer.bytes(), byteCount, target);
    }
    return true;
}
