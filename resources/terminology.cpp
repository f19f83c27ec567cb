// The terminology resource, made from the table of scripted settings and the
// enumeration entries.
#include "resources/terminology.h"

#include "plugin/host_interface.h"
#include "plugin/scripting_codes.h"
#include "plugin/settings_table.h"
#include "resources/resource_writer.h"

namespace {
constexpr const char* kSuiteVendor = "Copper Heron";
constexpr const char* kSuiteDescription = "Twilightomator";
constexpr uint32_t kSuiteId = fourCC("CHtw");
constexpr const char* kEventName = "Twilightomator";
constexpr const char* kEventDescription = "Makes images moody";
constexpr uint32_t kEventClass = fourCC("CHtw");
constexpr uint32_t kEventId = fourCC("CHtw");

template <size_t N>
void enumeration(ResourceWriter& out, uint32_t type, const std::array<EnumerationEntry, N>& entries) {
    out.u32(type);
    out.u16(uint16_t(N));
    for (const EnumerationEntry& entry : entries) {
        out.pascal(entry.name);
        out.u32(entry.code);
        out.pascal(entry.name);
    }
}
}  // namespace

std::vector<uint8_t> terminologyResourceBytes() {
    ResourceWriter out;
    out.u16(kTerminologyLeadWord);
    out.u8(1);  // version 1.0
    out.u8(0);
    out.u16(0);  // language
    out.u16(0);  // script
    out.u16(1);  // one suite

    out.pascal(kSuiteVendor);
    out.pascal(kSuiteDescription);
    out.u32(kSuiteId);
    out.u16(1);  // level
    out.u16(1);  // version
    out.u16(1);  // one event

    out.pascal(kEventName);
    out.pascal(kEventDescription);
    out.u32(kEventClass);
    out.u32(kEventId);
    out.u32(typeNull);  // no reply
    out.pascal("");
    out.u16(0);
    out.u32(typeImageReference);  // the direct parameter: the image
    out.pascal("");
    out.u16(kTerminologyDirectParameter);
    out.u16(uint16_t(kScriptedSettings.size()));
    for (const ScriptedSetting& setting : kScriptedSettings) {
        out.pascal(setting.name);
        out.u32(setting.key);
        out.u32(setting.terminologyType);
        out.pascal(setting.name);
        out.u16(setting.terminologyFlags);
    }

    out.u16(0);  // classes
    out.u16(0);  // comparison operators
    out.u16(2);  // enumerations
    enumeration(out, kShapeEnumType, kShapeEntries);
    enumeration(out, kGlueEnumType, kGlueEntries);
    return out.bytes();
}
