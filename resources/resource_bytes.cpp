// The Linux counterpart of the module's resource section.
#include "resources/resource_bytes.h"

#include "interface/host_interface.h"
#include "resources/plugin_properties.h"
#include "resources/terminology.h"

#include <cstring>
#include <vector>

namespace {
bool sameTypeIgnoringCase(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8) {
        char ca = char(a >> shift), cb = char(b >> shift);
        if (ca >= 'a' && ca <= 'z') ca = char(ca - 'a' + 'A');
        if (cb >= 'a' && cb <= 'z') cb = char(cb - 'a' + 'A');
        if (ca != cb) return false;
    }
    return true;
}
}  // namespace


int32_t copyResourceBytes(uint32_t type, int16_t id, void* buffer, int32_t capacity) {
    std::vector<uint8_t> bytes;
    if (sameTypeIgnoringCase(type, fourCC("PiPL")) && id == kPropertyListResourceId) {
        bytes = propertyListResourceBytes();
    } else if (sameTypeIgnoringCase(type, fourCC("aete")) && id == kTerminologyResourceId) {
        bytes = terminologyResourceBytes();
    }
    if (bytes.empty()) return -1;
    if (buffer && capacity >= int32_t(bytes.size())) std::memcpy(buffer, bytes.data(), bytes.size());
    return int32_t(bytes.size());
}
