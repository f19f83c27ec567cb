// The terminology resource, made from the table of scripted settings and the
// enumeration entries.
#include "resources/terminology.h"

#include "interface/host_interface.h"
#include "model/scripting_codes.h"
#include "model/settings_table.h"
#include "resources/resource_writer.h"

namespace {
constexpr const char* kSuiteVendor = "Copper Heron";
constexpr const char* kSuiteDescription = "Twilightomator";
constexpr uint32_t kSuiteId = fourCC("CHtw");
constexpr const char* kEventName = "Twilightomator";
constexpr const char* kEventDescription = "Makes images moody";
constexpr uint32_t kEventClass = fourCC("CHtw");
constexpr uint32_t kEventId = fourCC("CHtw");

void enumerationEntry(ResourceWriter& out, DescriptorEnumID code, const char* name) {
    out.pascal(name);
    out.u32(code);
    out.pascal(name);
}

void shapeEnumeration(ResourceWriter& out) {
    out.u32(kShapeEnumType);
    out.u16(uint16_t(kShapeEntries.size()));
    for (const EnumerationEntry& entry : kShapeEntries) enumerationEntry(out, entry.code, entry.name);
}

// The glue modes the terminology lists: those with a terminology name.
void glueEnumeration(ResourceWriter& out) {
    uint16_t listed = 0;
    for (const GlueMode& mode : kGlueModes) listed += mode.terminologyName ? 1 : 0;
    out.u32(kGlueEnumType);
    out.u16(listed);
    for (const GlueMode& mode : kGlueModes) {
        if (mode.terminologyName)
            enumerationEntry(out, encodeEnumeration(mode.number, kGlueEnumType), mode.terminologyName);
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
    shapeEnumeration(out);
    glueEnumeration(out);
    return out.bytes();
}
