// The metadata block: its buffer, its keyword list and the two-pass writer.
#include "codec/metadata_block.h"

#include "platform/binary_file.h"
#include "platform/global_memory.h"

#include <cstring>
#include <strings.h>

MetadataBlock::MetadataBlock() {
    resetMetadataBlock(*this);
}

MetadataBlock::~MetadataBlock() {
    globalFree(buffer);
}

void resetMetadataBlock(MetadataBlock& block) {
    std::memset(block.keywords, 0, sizeof block.keywords);
    block.keywordCount = 0;
    block.cursor = 0;
    block.byteCount = 0;
}

bool addMetadataKeyword(MetadataBlock& block, const char* keyword) {
    if (block.keywordCount >= kMaxKeywords || keyword == nullptr) return false;
    const size_t length = ::strnlen(keyword, kKeywordBytes);
    if (length == 0 || length >= static_cast<size_t>(kKeywordBytes)) return false;
    for (int32_t i = 0; i < block.keywordCount; ++i)
        if (::strncasecmp(block.keywords[i], keyword, length) == 0) return false;
    std::memcpy(block.keywords[block.keywordCount], keyword, length + 1);
    ++block.keywordCount;
    return true;
}

MetadataWriter::MetadataWriter(MetadataBlock& block, MetadataPass pass) : block_(block), pass_(pass) {
    block_.cursor = 0;
    ready_ = reserve(kMetadataBufferBytes);
}

bool MetadataWriter::reserve(size_t bytes) {
    if (block_.buffer != nullptr && block_.capacity >= bytes) return true;
    void* grown = globalReallocate(block_.buffer, bytes);
    if (grown == nullptr) return false;
    block_.buffer = static_cast<unsigned char*>(grown);
    block_.capacity = bytes;
    return true;
}

void MetadataWriter::put(const void* bytes, size_t count) {
    if (!ready_) return;
    if (pass_ == MetadataPass::write) {
        if (block_.cursor + count > block_.capacity) {
            ready_ = false;  // the measuring pass sized the buffer; never write past it
            return;
        }
        std::memcpy(block_.buffer + block_.cursor, bytes, count);
        block_.cursor += count;
    }
    count_ += count;
}

void MetadataWriter::putByte(uint8_t value) {
    put(&value, 1);
}

void MetadataWriter::put16(uint16_t value) {
    unsigned char bytes[2];
    storeBigEndian16(bytes, value);
    put(bytes, 2);
}

void MetadataWriter::put32(uint32_t value) {
    unsigned char bytes[4];
    storeBigEndian32(bytes, value);
    put(bytes, 4);
}

void MetadataWriter::putText(const char* text) {
    put(text, std::strlen(text));
}

int32_t MetadataWriter::finish() {
    if (!ready_) {
        if (pass_ == MetadataPass::write) block_.byteCount = 0;
        return 0;
    }
    if (pass_ == MetadataPass::write) block_.byteCount = static_cast<int32_t>(count_);
    return static_cast<int32_t>(count_);
}
