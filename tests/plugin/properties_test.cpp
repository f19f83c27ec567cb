// The property list resource, byte by byte, and its reading by the host.
#include "harness.h"

#include "host/property_list.h"
#include "resources/plugin_properties.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u8(uint8_t v) { return b.push_back(v), *this; }
    Bytes& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
    Bytes& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
    // A four-character code as a little-endian word: its characters reversed.
    Bytes& code(const char* c) { return u8(uint8_t(c[3])).u8(uint8_t(c[2])).u8(uint8_t(c[1])).u8(uint8_t(c[0])); }
    Bytes& text(const char* s) {
        for (; *s; ++s) u8(uint8_t(*s));
        return *this;
    }
    Bytes& header(const char* key, uint32_t length) { return code("8BIM").code(key).u32(0).u32(length); }
};

std::vector<uint8_t> expectedPropertyList() {
    Bytes e;
    e.u16(1).u32(0).u32(9);
    e.header("kind", 4).code("8BFM");
    // "Twilightomator..." is 17 characters: 18 bytes with the length, 2 of padding.
    e.header("name", 18).u8(17).text("Twilightomator...").u8(0).u8(0);
    // "Copper Heron": 12 characters, 13 bytes, 3 of padding.
    e.header("catg", 13).u8(12).text("Copper Heron").u8(0).u8(0).u8(0);
    e.header("vers", 4).u32(0x00040000);
    // "PluginMain" with its terminating zero: 11 bytes, 1 of padding.
    e.header("8664", 11).text("PluginMain").u8(0).u8(0);
    // version, class, event, id 16000 = 0x3E80, scope + zero: 4+4+4+2+28 = 42, 2 of padding.
    e.header("hstm", 42).u32(0).code("CHtw").code("CHtw").u16(16000).text("Copper Heron Twilightomator").u8(0);
    e.u8(0).u8(0);
    // Greyscale 0x40 and RGB 0x10 in the first byte.
    e.header("mode", 2).u8(0x50).u8(0x00).u8(0).u8(0);
    const char* enable = "in (PSHOP_ImageMode, RGBMode, GrayScaleMode, RGB48Mode, Gray16Mode)";
    const uint32_t enableLength = uint32_t(std::string(enable).size() + 1);  // 67 characters and the zero
    e.header("enbl", enableLength).text(enable).u8(0);  // 68 bytes: no padding
    e.header("fici", 28);
    for (int i = 0; i < 7; ++i) e.u8(1).u8(1).u8(1).u8(0);
    return e.b;
}

TEST(PropertyList, ResourceBytesMatchTheDefinitionByteForByte) {
    const std::vector<uint8_t> actual = propertyListResourceBytes();
    const std::vector<uint8_t> expected = expectedPropertyList();
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "byte " << i;
}

TEST(PropertyList, TheModuleHandsOutTheSameBytesAndTheHostReadsThem) {
    const PluginModule& module = pluginUnderTest();
    EXPECT_EQ(module.resource(fourCC("PiPL"), 16000), expectedPropertyList());
    // The resource type is looked up without regard to case, as windres stores it upper-cased.
    EXPECT_EQ(module.resource(fourCC("PIPL"), 16000), expectedPropertyList());
    EXPECT_TRUE(module.resource(fourCC("PiPL"), 16001).empty());
    const PropertyList& p = module.properties();
    EXPECT_EQ(p.kind, kFilterKind);
    EXPECT_EQ(p.name, "Twilightomator...");
    EXPECT_EQ(p.category, "Copper Heron");
    EXPECT_EQ(p.versionMajor, 4);
    EXPECT_EQ(p.entryPoint, "PluginMain");
    EXPECT_EQ(p.terminologyId, 16000);
    EXPECT_EQ(p.terminologyScope, "Copper Heron Twilightomator");
}

TEST(PropertyList, EnableExpressionAdmitsExactlyTheFourModes) {
    const PluginModule& module = pluginUnderTest();
    std::string error;
    for (int16_t mode : {plugInModeRGBColor, plugInModeGrayScale, plugInModeRGB48, plugInModeGray16})
        EXPECT_TRUE(module.accepts(mode, error)) << mode;
    for (int16_t mode : {plugInModeBitmap, plugInModeIndexedColor, plugInModeCMYKColor, plugInModeMultichannel,
                         plugInModeLabColor, plugInModeRGB96, plugInModeGray32}) {
        EXPECT_FALSE(module.accepts(mode, error)) << mode;
        EXPECT_NE(error.find("does not filter"), std::string::npos);
    }
}

TEST(PropertyList, EnableExpressionForms) {
    bool enabled = false;
    std::string error;
    ASSERT_TRUE(evaluateEnableExpression("true", 3, enabled, error));
    EXPECT_TRUE(enabled);
    ASSERT_TRUE(evaluateEnableExpression("in (PSHOP_ImageMode, CMYKMode) || in (PSHOP_ImageMode, RGBMode)", 3,
                                         enabled, error));
    EXPECT_TRUE(enabled);
    ASSERT_TRUE(evaluateEnableExpression("true && in (PSHOP_ImageMode, CMYKMode)", 3, enabled, error));
    EXPECT_FALSE(enabled);
    EXPECT_FALSE(evaluateEnableExpression("in (PSHOP_ImageMode, PurpleMode)", 3, enabled, error));
    EXPECT_NE(error.find("PurpleMode"), std::string::npos);
    EXPECT_FALSE(evaluateEnableExpression("PSHOP_ImageDepth == 16", 3, enabled, error));
}

TEST(PropertyList, TruncatedOrInflatedListsAreRefused) {
    std::vector<uint8_t> bytes = expectedPropertyList();
    PropertyList list;
    std::string error;
    EXPECT_FALSE(parsePropertyList(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 9), list, error));
    EXPECT_FALSE(parsePropertyList(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40), list, error));
    // A 'name' whose length runs past the end of the list.
    std::vector<uint8_t> inflated = bytes;
    inflated[10 + 20 + 12] = 0xFF;
    inflated[10 + 20 + 13] = 0xFF;
    EXPECT_FALSE(parsePropertyList(inflated, list, error));
    EXPECT_FALSE(error.empty());
}

TEST(PropertyList, ModeBitsFollowTheHostOrder) {
    PropertyList list;
    list.modes[0] = 0x50;
    EXPECT_TRUE(modeBitSet(list, plugInModeGrayScale));
    EXPECT_TRUE(modeBitSet(list, plugInModeRGBColor));
    EXPECT_FALSE(modeBitSet(list, plugInModeBitmap));
    EXPECT_FALSE(modeBitSet(list, plugInModeGray16));
    list.modes[1] = 0x20;
    EXPECT_TRUE(modeBitSet(list, plugInModeGray16));
}

}  // namespace
