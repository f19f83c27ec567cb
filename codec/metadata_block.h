// The byte block that carries the product's EXIF or IPTC metadata, with the
// IPTC keyword list. One record type serves both kinds of block.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t kMetadataBufferBytes = 1000;
inline constexpr int32_t kKeywordSlots = 21;
inline constexpr int32_t kKeywordBytes = 50;
inline constexpr int32_t kMaxKeywords = 19;

enum class MetadataPass {
    measure,  // only count the bytes
    write,    // fill the block's buffer
};

struct MetadataBlock {
    MetadataBlock();
    ~MetadataBlock();
    MetadataBlock(const MetadataBlock&) = delete;
    MetadataBlock& operator=(const MetadataBlock&) = delete;

    unsigned char* buffer = nullptr;  // allocated on first use
    size_t capacity = 0;
    size_t cursor = 0;       // next byte to write
    int32_t byteCount = 0;   // bytes written by the last writing pass
    char keywords[kKeywordSlots][kKeywordBytes];
    int32_t keywordCount = 0;
};

// Empties every keyword slot and the written bytes; keeps the buffer.
void resetMetadataBlock(MetadataBlock& block);

// Adds a keyword unless the list holds kMaxKeywords already, the keyword is
// empty or kKeywordBytes long or longer, or an entry already starts with it
// (ASCII case ignored, over the new keyword's length). True when added.
bool addMetadataKeyword(MetadataBlock& block, const char* keyword);

// Appends bytes to a block in either pass. In the writing pass the buffer is
// grown to the measured size first, so a block never writes past its buffer.
class MetadataWriter {
public:
    MetadataWriter(MetadataBlock& block, MetadataPass pass);
    // False when the block's buffer cannot be had (the block then gives 0).
    bool ready() const { return ready_; }
    // Makes room for a writing pass of the given size.
    bool reserve(size_t bytes);
    void put(const void* bytes, size_t count);
    void putByte(uint8_t value);
    void put16(uint16_t value);
    void put32(uint32_t value);
    void putText(const char* text);  // without its 0 byte
    size_t count() const { return count_; }
    // Ends the pass; in the writing pass the block's byte count is set.
    int32_t finish();

private:
    MetadataBlock& block_;
    MetadataPass pass_;
    bool ready_ = false;
    size_t count_ = 0;
};
