// Texture and thumbnail blocks of the preset file.
#include "settings/preset_file_blocks.h"

#include "codec/jpeg_reader.h"
#include "codec/jpeg_writer.h"
#include "effect/tiled_image.h"
#include "kernels/samplers.h"

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

const WeightTables& resamplingWeights() {
    static const WeightTables tables = [] {
        WeightTables built{};
        buildWeightTables(built);
        return built;
    }();
    return tables;
}

// The picture as a packed 8-bit image of its own size, with its levels.
bool pictureImage(const PresetPicture& picture, Pyramid& image, const MemoryService& memory) {
    image.weights = &resamplingWeights();
    if (picture.width <= 0 || picture.height <= 0 ||
        !image.create(memory, picture.width, picture.height, kStoragePacked8, kEdgeClamp))
        return false;
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.rgba + (static_cast<size_t>(y) * picture.width + x) * 4;
            writePacked8(x, y, image, 0, p[0], p[1], p[2], p[3]);
        }
    rebuildLevels(image, 0);
    return true;
}

// The preset thumbnail picture is the 128 x 128 image of the session: a
// stored picture of another size is copied into it as the tiled images copy
// (resampled, so every pixel becomes opaque), never kept at its own size.
// When the images cannot be made the picture is left empty.
void copyIntoSquare(PresetPicture& picture, const MemoryService& memory) {
    const int32_t side = kPresetPictureSide;
    if (picture.width == side && picture.height == side) return;
    Pyramid stored, square;
    square.weights = &resamplingWeights();
    if (!pictureImage(picture, stored, memory) || !square.create(memory, side, side, kStoragePacked8, kEdgeClamp)) {
        replacePicture(picture, 0, 0);
        return;
    }
    copyImage(stored, square);
    replacePicture(picture, side, side);
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
            uint32_t channels[4];
            readChannels(x, y, square, 0, channels);
            uint8_t* p = picture.rgba + (static_cast<size_t>(y) * side + x) * 4;
            for (int c = 0; c < 4; ++c) p[c] = static_cast<uint8_t>(channels[c]);
        }
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

bool readThumbnailBlock(PlatformFile& file, PresetPicture* picture, const MemoryService& memory,
                        PresetReadInfo& info) {
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
    copyIntoSquare(*picture, memory);
    if (picture->width != kPresetPictureSide) return false;
    info.storedWidth = width;
    info.storedHeight = height;
    return true;
}

bool presetPictureAtSize(const PresetPicture& picture, int32_t width, int32_t height, Pyramid& image,
                         const MemoryService& memory) {
    Pyramid stored;
    image.weights = &resamplingWeights();
    if (width <= 0 || height <= 0 || !pictureImage(picture, stored, memory) ||
        !image.create(memory, width, height, kStoragePacked8, kEdgeClamp))
        return false;
    copyImage(stored, image);
    return true;
}
