// The in-memory descriptor and its byte form in a host handle.
#include "host/descriptor_suite_store.h"

#include "host/handle_suite.h"
#include "host/little_endian_reader.h"

#include <cstring>
#include <limits>

namespace {
constexpr uint32_t kMagic = fourCC("Tdsc");

class ByteWriter {
public:
    void u8(uint8_t value) { bytes.push_back(value); }
    void u32(uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) u8(uint8_t(value >> shift));
    }
    void f64(double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 0; shift < 64; shift += 8) u8(uint8_t(bits >> shift));
    }
    void block(const std::vector<uint8_t>& data) {
        u32(uint32_t(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
    std::vector<uint8_t> bytes;
};

using ByteReader = LittleEndianReader;

void writeValue(ByteWriter& out, const DescriptorItem& item) {
    switch (item.type) {
        case typeInteger: out.u32(uint32_t(item.integer)); break;
        case typeBoolean: out.u8(item.boolean ? 1 : 0); break;
        case typeFloat: out.f64(item.number); break;
        case typeUnitFloat:
            out.u32(item.unit);
            out.f64(item.number);
            break;
        case typeEnumerated:
            out.u32(item.enumType);
            out.u32(item.enumValue);
            break;
        case typeType:
        case typeGlobalClass: out.u32(item.classId); break;
        case typeObject:
        case typeGlobalObject:
            out.u32(item.classId);
            out.block(item.bytes);
            break;
        case typeText:
        case typeAlias:
        case typeObjectSpecifier: out.block(item.bytes); break;
        default: break;  // 'null' and anything else carry no value
    }
}

bool readValue(ByteReader& in, DescriptorItem& item) {
    switch (item.type) {
        case typeInteger: return in.i32(item.integer);
        case typeBoolean: {
            uint8_t value;
            if (!in.u8(value) || value > 1) return false;
            item.boolean = value;
            return true;
        }
        case typeFloat: return in.f64(item.number);
        case typeUnitFloat: return in.u32(item.unit) && in.f64(item.number);
        case typeEnumerated: return in.u32(item.enumType) && in.u32(item.enumValue);
        case typeType:
        case typeGlobalClass: return in.u32(item.classId);
        case typeObject:
        case typeGlobalObject: return in.u32(item.classId) && in.block(item.bytes);
        case typeText:
        case typeAlias: return in.block(item.bytes);
        case typeObjectSpecifier:
            return in.block(item.bytes) && item.bytes.size() == sizeof(DescriptorSimpleReference);
        case typeNull: return true;
        default: return false;
    }
}
}  // namespace

const DescriptorItem* Descriptor::find(DescriptorKeyID key) const {
    for (const DescriptorItem& item : items) {
        if (item.key == key) return &item;
    }
    return nullptr;
}

void Descriptor::put(const DescriptorItem& item) {
    for (DescriptorItem& existing : items) {
        if (existing.key == item.key) {
            existing = item;
            return;
        }
    }
    items.push_back(item);
}

DescriptorItem integerItem(DescriptorKeyID key, int32_t value) {
    DescriptorItem item;
    item.key = key;
    item.type = typeInteger;
    item.integer = value;
    return item;
}

DescriptorItem booleanItem(DescriptorKeyID key, bool value) {
    DescriptorItem item;
    item.key = key;
    item.type = typeBoolean;
    item.boolean = value ? 1 : 0;
    return item;
}

DescriptorItem floatItem(DescriptorKeyID key, double value) {
    DescriptorItem item;
    item.key = key;
    item.type = typeFloat;
    item.number = value;
    return item;
}

DescriptorItem unitFloatItem(DescriptorKeyID key, DescriptorUnitID unit, double value) {
    DescriptorItem item;
    item.key = key;
    item.type = typeUnitFloat;
    item.unit = unit;
    item.number = value;
    return item;
}

DescriptorItem enumeratedItem(DescriptorKeyID key, DescriptorEnumTypeID type, DescriptorEnumID value) {
    DescriptorItem item;
    item.key = key;
    item.type = typeEnumerated;
    item.enumType = type;
    item.enumValue = value;
    return item;
}

DescriptorItem textItem(DescriptorKeyID key, const std::string& text) {
    DescriptorItem item;
    item.key = key;
    item.type = typeText;
    item.bytes.assign(text.begin(), text.end());
    return item;
}

std::vector<uint8_t> serialiseDescriptor(const Descriptor& descriptor) {
    ByteWriter out;
    out.u32(kMagic);
    out.u32(uint32_t(descriptor.items.size()));
    for (const DescriptorItem& item : descriptor.items) {
        out.u32(item.key);
        out.u32(item.type);
        writeValue(out, item);
    }
    return std::move(out.bytes);
}

bool parseDescriptor(const uint8_t* data, size_t size, Descriptor& descriptor) {
    if (!data && size > 0) return false;
    ByteReader in(data, size);
    uint32_t magic, count;
    if (!in.u32(magic) || magic != kMagic || !in.u32(count)) return false;
    // Every item takes at least its key and type: a count beyond that is a lie.
    if (count > in.remaining() / 8) return false;
    Descriptor parsed;
    parsed.items.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        DescriptorItem item;
        if (!in.u32(item.key) || !in.u32(item.type) || !readValue(in, item)) return false;
        parsed.items.push_back(std::move(item));
    }
    if (in.remaining() != 0) return false;
    descriptor = std::move(parsed);
    return true;
}

Handle descriptorToHandle(const Descriptor& descriptor) {
    const std::vector<uint8_t> bytes = serialiseDescriptor(descriptor);
    if (bytes.size() > size_t(std::numeric_limits<int32_t>::max())) return nullptr;
    Handle handle = hostNewHandle(int32_t(bytes.size()));
    if (!handle) return nullptr;
    Ptr data = hostLockHandle(handle, 1);
    std::memcpy(data, bytes.data(), bytes.size());
    hostUnlockHandle(handle);
    return handle;
}

bool descriptorFromHandle(Handle handle, Descriptor& descriptor) {
    if (!handle) return false;
    const int32_t size = hostHandleSize(handle);
    if (size < 0) return false;
    const Ptr data = hostLockHandle(handle, 0);
    const bool ok = data && parseDescriptor(reinterpret_cast<const uint8_t*>(data), size_t(size), descriptor);
    hostUnlockHandle(handle);
    return ok;
}
