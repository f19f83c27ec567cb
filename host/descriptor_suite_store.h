// The host's in-memory scripting descriptor: keyed values in the order they
// were put, and their byte form, which is what a descriptor handle holds.
#pragma once

#include "host/four_char_codes.h"
#include "interface/host_interface.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Types beyond the header's: classes and objects in the global scope.
constexpr DescriptorTypeID typeGlobalClass = fourCC("GlbC");
constexpr DescriptorTypeID typeGlobalObject = fourCC("GlbO");

// A simple reference as the descriptor procedures pass it (the SDK's layout).
struct DescriptorSimpleReference {
    DescriptorTypeID desiredClass;
    DescriptorKeyID keyForm;
    struct {
        Str255 name;
        int32_t index;
        DescriptorTypeID type;
        DescriptorEnumID value;
    } keyData;
};
static_assert(sizeof(DescriptorSimpleReference) == 276, "simple reference layout");

struct DescriptorItem {
    DescriptorKeyID key = 0;
    DescriptorTypeID type = typeNull;
    int32_t integer = 0;                // 'long' (a count is stored as one too)
    Boolean boolean = 0;                // 'bool'
    double number = 0.0;                // 'doub', 'UntF'
    DescriptorUnitID unit = 0;          // 'UntF'
    DescriptorEnumTypeID enumType = 0;  // 'enum'
    DescriptorEnumID enumValue = 0;     // 'enum'
    DescriptorClassID classId = 0;      // 'type', 'GlbC', 'Objc', 'GlbO'
    // 'TEXT' and 'alis': the bytes; 'obj ': a DescriptorSimpleReference;
    // 'Objc' and 'GlbO': the nested descriptor in its byte form.
    std::vector<uint8_t> bytes;
};

struct Descriptor {
    std::vector<DescriptorItem> items;

    const DescriptorItem* find(DescriptorKeyID key) const;
    // Replaces the item of the same key where it stands, else appends.
    void put(const DescriptorItem& item);
};

DescriptorItem integerItem(DescriptorKeyID key, int32_t value);
DescriptorItem booleanItem(DescriptorKeyID key, bool value);
DescriptorItem floatItem(DescriptorKeyID key, double value);
DescriptorItem unitFloatItem(DescriptorKeyID key, DescriptorUnitID unit, double value);
DescriptorItem enumeratedItem(DescriptorKeyID key, DescriptorEnumTypeID type, DescriptorEnumID value);
DescriptorItem textItem(DescriptorKeyID key, const std::string& text);

// The byte form (little-endian): 'Tdsc', item count, then per item key, type
// and the value as its type needs.
std::vector<uint8_t> serialiseDescriptor(const Descriptor& descriptor);
// Reads the byte form back; false for anything malformed or truncated.
bool parseDescriptor(const uint8_t* data, size_t size, Descriptor& descriptor);

// A handle of the host's handle suite holding the byte form; null when the
// suite cannot allocate. Disposing the handle frees everything.
Handle descriptorToHandle(const Descriptor& descriptor);
bool descriptorFromHandle(Handle handle, Descriptor& descriptor);
