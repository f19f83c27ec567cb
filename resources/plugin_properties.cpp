// The one definition of the property list and its little-endian encoding.
#include "resources/plugin_properties.h"

#include "interface/host_interface.h"
#include "resources/resource_writer.h"

#include <cstring>

namespace {
// Straight data in and out; the host need not copy the source to the
// destination first, since every output pixel is written.
constexpr FilterCaseInfo kStraightData = {filterDataHandlingNone, filterDataHandlingNone,
                                          1u << PIFilterDontCopyToDestinationBit, 0};
constexpr uint8_t kModeGrayScale = 0x40;
constexpr uint8_t kModeRGB = 0x10;
}  // namespace

const PluginProperties kPluginProperties = {
    kFilterKind,
    "Twilightomator...",
    "Copper Heron",
    4,
    0,
    "PluginMain",
    fourCC("CHtw"),
    fourCC("CHtw"),
    kTerminologyResourceId,
    "Copper Heron Twilightomator",
    {kModeGrayScale | kModeRGB, 0},
    "in (PSHOP_ImageMode, RGBMode, GrayScaleMode, RGB48Mode, Gray16Mode)",
    {kStraightData, kStraightData, kStraightData, kStraightData, kStraightData, kStraightData,
     kStraightData},
};

namespace {
// One property: vendor, key, id 0, length, then the data padded to 4 bytes.
template <typename WriteData>
void property(ResourceWriter& out, uint32_t key, WriteData writeData) {
    out.u32(kPhotoshopSignature);
    out.u32(key);
    out.u32(0);
    const size_t lengthAt = out.size();
    out.u32(0);
    const size_t start = out.size();
    writeData(out);
    out.patch32(lengthAt, uint32_t(out.size() - start));
    while ((out.size() - start) % 4 != 0) out.u8(0);
}
}  // namespace

std::vector<uint8_t> propertyListResourceBytes() {
    const PluginProperties& p = kPluginProperties;
    ResourceWriter out;
    out.u16(1);
    out.u32(0);
    out.u32(9);
    property(out, fourCC("kind"), [&](ResourceWriter& w) { w.u32(p.kind); });
    property(out, fourCC("name"), [&](ResourceWriter& w) { w.pascal(p.name); });
    property(out, fourCC("catg"), [&](ResourceWriter& w) { w.pascal(p.category); });
    property(out, fourCC("vers"),
             [&](ResourceWriter& w) { w.u32((uint32_t(p.versionMajor) << 16) | p.versionMinor); });
    property(out, fourCC("8664"), [&](ResourceWriter& w) { w.cString(p.entryPoint); });
    property(out, fourCC("hstm"), [&](ResourceWriter& w) {
        w.u32(0);
        w.u32(p.terminologyClass);
        w.u32(p.terminologyEvent);
        w.u16(uint16_t(p.terminologyId));
        w.cString(p.terminologyScope);
    });
    property(out, fourCC("mode"), [&](ResourceWriter& w) {
        w.u8(p.modes[0]);
        w.u8(p.modes[1]);
    });
    property(out, fourCC("enbl"), [&](ResourceWriter& w) { w.cString(p.enableExpression); });
    property(out, fourCC("fici"), [&](ResourceWriter& w) {
        for (const FilterCaseInfo& c : p.filterCases) {
            w.u8(c.inputHandling);
            w.u8(c.outputHandling);
            w.u8(c.flags1);
            w.u8(c.flags2);
        }
    });
    return out.bytes();
}
