// Byte and big-endian number access on files and read-only memory views.
#include "platform/binary_file.h"

#include "platform/fault_injection.h"
#include "platform/file_open.h"
#include "platform/path_limits.h"

#include <cstring>

PlatformFile::~PlatformFile() {
    close();
}

bool PlatformFile::open(const char* path, FileAccess access, LinkPolicy links) {
    close();
    readFellShort_ = writeFellShort_ = false;
    if (!pathFits(path) || path[0] == '\0' || fileOperationFailsNow()) return false;
    switch (access) {
        case FileAccess::read: stream_ = openFileForReading(path, &fileSize_, links); break;
        case FileAccess::overwrite: stream_ = openFileForOverwriting(path, links); break;
        case FileAccess::replace: stream_ = openFileForReplacing(path); break;
    }
    writable_ = stream_ != nullptr && access != FileAccess::read;
    return stream_ != nullptr;
}

bool PlatformFile::openDescriptor(int descriptor) {
    close();
    readFellShort_ = writeFellShort_ = false;
    if (fileOperationFailsNow()) return false;
    stream_ = openDescriptorForWriting(descriptor);
    if (stream_ == nullptr) return false;
    writable_ = true;
    return true;
}

bool PlatformFile::openMemory(const void* bytes, size_t size) {
    close();
    readFellShort_ = writeFellShort_ = false;
    static const unsigned char kNoBytes = 0;
    memory_ = bytes != nullptr ? static_cast<const unsigned char*>(bytes) : &kNoBytes;
    memorySize_ = bytes != nullptr ? size : 0;
    position_ = 0;
    return true;
}

int32_t PlatformFile::close() {
    int32_t result = writeFellShort_ ? kWriteFailed : 0;
    if (stream_ != nullptr) {
        if (std::fclose(stream_) != 0 || (writable_ && fileOperationFailsNow())) {
            writeFellShort_ = true;
            result = kWriteFailed;
        }
        stream_ = nullptr;
    }
    memory_ = nullptr;
    memorySize_ = 0;
    position_ = 0;
    fileSize_ = -1;
    writable_ = false;
    return result;
}

int32_t PlatformFile::readBytes(void* out, size_t count) {
    if (count == 0) return 0;
    size_t delivered = 0;
    if (memory_ != nullptr) {
        const size_t left = memorySize_ - position_;
        delivered = count < left ? count : left;
        std::memcpy(out, memory_ + position_, delivered);
        position_ += delivered;
    } else if (stream_ != nullptr) {
        delivered = std::fread(out, 1, count, stream_);
    }
    if (delivered == count) return 0;
    readFellShort_ = true;
    return kReadFailed;
}

int32_t PlatformFile::skipBytes(size_t count) {
    if (memory_ != nullptr) {
        const size_t left = memorySize_ - position_;
        if (count <= left) {
            position_ += count;
            return 0;
        }
        position_ = memorySize_;
    } else if (stream_ != nullptr && fileSize_ >= 0) {
        const long here = std::ftell(stream_);
        if (here >= 0) {
            const uint64_t left = static_cast<uint64_t>(fileSize_ - (fileSize_ < here ? fileSize_ : here));
            if (count <= left) return std::fseek(stream_, static_cast<long>(count), SEEK_CUR) == 0 ? 0 : kReadFailed;
            std::fseek(stream_, 0, SEEK_END);
        }
    }
    readFellShort_ = true;
    return kReadFailed;
}

int32_t PlatformFile::writeBytes(const void* bytes, size_t count) {
    if (count == 0) return 0;
    if (writable_ && fileOperationFailsNow()) {
        // Half the bytes reach the file, as when a disk fills up.
        std::fwrite(bytes, 1, count / 2, stream_);
        writeFellShort_ = true;
        return kWriteFailed;
    }
    if (writable_ && std::fwrite(bytes, 1, count, stream_) == count)
        return 0;
    writeFellShort_ = true;
    return kWriteFailed;
}

void storeBigEndian32(unsigned char* out, uint32_t value) {
    out[0] = static_cast<unsigned char>(value >> 24);
    out[1] = static_cast<unsigned char>(value >> 16);
    out[2] = static_cast<unsigned char>(value >> 8);
    out[3] = static_cast<unsigned char>(value);
}

void storeBigEndian16(unsigned char* out, uint16_t value) {
    out[0] = static_cast<unsigned char>(value >> 8);
    out[1] = static_cast<unsigned char>(value);
}

uint32_t loadBigEndian32(const unsigned char* bytes) {
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
           (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}

int32_t readBigEndian32(PlatformFile& file, int32_t* value) {
    unsigned char bytes[4];
    if (file.readBytes(bytes, 4) != 0) return kReadFailed;
    *value = static_cast<int32_t>(loadBigEndian32(bytes));
    return 0;
}

int32_t writeBigEndian32(PlatformFile& file, int32_t value) {
    unsigned char bytes[4];
    storeBigEndian32(bytes, static_cast<uint32_t>(value));
    return file.writeBytes(bytes, 4);
}
