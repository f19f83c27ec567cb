// The terminology resource against bytes written out by hand, and the host's
// reader of such resources, including its bounds checks.
#include "host/terminology_reader.h"
#include "interface/host_interface.h"
#include "resources/terminology.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

// Hand encodings: Pascal text, a four-character code little-endian (last
// character first), 16-bit words low byte first.
void add(Bytes& out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(uint8_t(b));
}
void pascal(Bytes& out, const std::string& text) {
    out.push_back(uint8_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}
void code(Bytes& out, const char (&c)[5]) { add(out, {c[3], c[2], c[1], c[0]}); }

bool contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

TEST(TerminologyBytes, HeaderSuiteEventAndFirstParameter) {
    Bytes expected;
    add(expected, {0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00});  // lead word, 1.0, language, script, 1 suite
    pascal(expected, "Copper Heron");
    pascal(expected, "Twilightomator");
    code(expected, "CHtw");
    add(expected, {0x01, 0x00, 0x01, 0x00, 0x01, 0x00});  // level 1, version 1, one event
    pascal(expected, "Twilightomator");
    pascal(expected, "Makes images moody");
    code(expected, "CHtw");
    code(expected, "CHtw");
    code(expected, "null");
    add(expected, {0x00, 0x00, 0x00});  // empty reply description, reply flags 0
    code(expected, "#ImR");
    add(expected, {0x00, 0x00, 0xB0, 0x15, 0x00});  // empty description, flags 0xB000, 21 parameters
    pascal(expected, "vignette red");
    code(expected, "0001");
    code(expected, "long");
    pascal(expected, "vignette red");
    add(expected, {0x00, 0x80});

    const Bytes bytes = terminologyResourceBytes();
    ASSERT_GE(bytes.size(), expected.size());
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(expected.size())), expected);
}

TEST(TerminologyBytes, EnumeratedParametersLastParameterAndEnumerationHeaders) {
    const Bytes bytes = terminologyResourceBytes();

    Bytes glue;
    pascal(glue, "glue");
    code(glue, "GLUE");
    code(glue, "GLty");
    pascal(glue, "glue");
    add(glue, {0x00, 0xA0});
    pascal(glue, "center vignette");
    EXPECT_TRUE(contains(bytes, glue));

    Bytes shape;
    pascal(shape, "shape");
    code(shape, "MLky");
    code(shape, "MLty");
    pascal(shape, "shape");
    add(shape, {0x00, 0xA0});
    EXPECT_TRUE(contains(bytes, shape));

    // The last parameter, no classes, no comparison operators, two
    // enumerations: the shapes, then the glue modes with their first entry.
    Bytes tail;
    pascal(tail, "Y center");
    code(tail, "0020");
    code(tail, "long");
    pascal(tail, "Y center");
    add(tail, {0x00, 0x80});
    pascal(tail, "high quality");
    code(tail, "0021");
    code(tail, "long");
    pascal(tail, "high quality");
    add(tail, {0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00});
    code(tail, "MLty");
    add(tail, {0x03, 0x00});
    const struct {
        const char* name;
        const char* code;
    } shapes[] = {{"round", "ML01"}, {"wide", "ML02"}, {"tall", "ML03"}};
    for (const auto& entry : shapes) {
        pascal(tail, entry.name);
        add(tail, {entry.code[3], entry.code[2], entry.code[1], entry.code[0]});
        pascal(tail, entry.name);
    }
    code(tail, "GLty");
    add(tail, {60, 0x00});
    pascal(tail, "normal");
    code(tail, "GL01");
    pascal(tail, "normal");
    pascal(tail, "procedural +");
    code(tail, "GL02");
    pascal(tail, "procedural +");
    EXPECT_TRUE(contains(bytes, tail));

    Bytes harsh;
    pascal(harsh, "cross");
    code(harsh, "GL25");
    pascal(harsh, "cross");
    pascal(harsh, "harsh diff");
    code(harsh, "GL26");
    pascal(harsh, "harsh diff");
    EXPECT_TRUE(contains(bytes, harsh));

    Bytes end;
    pascal(end, "sinister");
    code(end, "GL59");
    pascal(end, "sinister");
    pascal(end, "screendim");
    code(end, "GL62");
    pascal(end, "screendim");
    ASSERT_GE(bytes.size(), end.size());
    EXPECT_EQ(Bytes(bytes.end() - std::ptrdiff_t(end.size()), bytes.end()), end) << "the resource ends with mode 62";
}

TEST(TerminologyReader, ReadsTheModulesTerminology) {
    const Bytes bytes = terminologyResourceBytes();
    Terminology t;
    std::string error;
    ASSERT_TRUE(parseTerminology(bytes.data(), bytes.size(), t, error)) << error;
    EXPECT_EQ(t.majorVersion, 1);
    EXPECT_EQ(t.minorVersion, 0);
    ASSERT_EQ(t.suites.size(), 1u);
    const TerminologySuite& suite = t.suites[0];
    EXPECT_EQ(suite.vendor, "Copper Heron");
    EXPECT_EQ(suite.id, fourCC("CHtw"));
    ASSERT_EQ(suite.events.size(), 1u);
    const TerminologyEvent& event = suite.events[0];
    EXPECT_EQ(event.description, "Makes images moody");
    EXPECT_EQ(event.replyType, fourCC("null"));
    EXPECT_EQ(event.directType, fourCC("#ImR"));
    EXPECT_EQ(event.directFlags, 0xB000);
    const char* names[] = {"vignette red", "vignette green", "vignette blue", "sepia red", "sepia green",
                           "sepia blue", "focus", "vignette", "dampen", "sepia", "color blur", "CB width",
                           "saturation", "uniform sepia", "glue", "center vignette", "clear area", "shape",
                           "X center", "Y center", "high quality"};
    ASSERT_EQ(event.parameters.size(), 21u);
    for (size_t i = 0; i < 21; ++i) {
        EXPECT_EQ(event.parameters[i].name, names[i]);
        EXPECT_EQ(event.parameters[i].description, names[i]);
    }
    EXPECT_EQ(event.parameters[18].type, fourCC("long")) << "X center is declared long";
    ASSERT_EQ(suite.enumerations.size(), 2u);
    EXPECT_EQ(suite.enumerations[0].type, fourCC("MLty"));
    const TerminologyEnumeration& glue = suite.enumerations[1];
    EXPECT_EQ(glue.type, fourCC("GLty"));
    ASSERT_EQ(glue.entries.size(), 60u);
    for (const TerminologyEnumerator& entry : glue.entries) {
        EXPECT_NE(entry.code, fourCC("GL60"));
        EXPECT_NE(entry.code, fourCC("GL61"));
        EXPECT_EQ(entry.name, entry.description);
    }
    EXPECT_EQ(glue.entries[25].name, "harsh diff");
    EXPECT_EQ(glue.entries[58].code, fourCC("GL59"));
    EXPECT_EQ(glue.entries[59].code, fourCC("GL62"));
}

TEST(TerminologyReader, RefusesEveryTruncationAndTrailingBytes) {
    const Bytes bytes = terminologyResourceBytes();
    Terminology t;
    std::string error;
    for (size_t length = 0; length < bytes.size(); ++length) {
        Bytes cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));
        EXPECT_FALSE(parseTerminology(cut.data(), cut.size(), t, error)) << length;
        EXPECT_FALSE(error.empty());
    }
    Bytes longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(parseTerminology(longer.data(), longer.size(), t, error));
    EXPECT_EQ(error, "[end] 1 bytes after the last suite");
}

TEST(TerminologyReader, HostileCountsAndUnknownSections) {
    Terminology t;
    std::string error;
    // 65535 suites announced, none present.
    const Bytes manySuites = {0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF};
    EXPECT_FALSE(parseTerminology(manySuites.data(), manySuites.size(), t, error));
    EXPECT_EQ(error, "[suite 1] truncated header");

    const Bytes version2 = {0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_FALSE(parseTerminology(version2.data(), version2.size(), t, error));

    // A suite with no events and one class.
    Bytes withClass = {0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00};
    pascal(withClass, "v");
    pascal(withClass, "d");
    code(withClass, "abcd");
    add(withClass, {1, 0, 1, 0, 0, 0, /* classes */ 1, 0, 0, 0, 0, 0});
    EXPECT_FALSE(parseTerminology(withClass.data(), withClass.size(), t, error));
    EXPECT_EQ(error, "[suite 1] has classes, which are not supported");

    // A Pascal string longer than what is left.
    Bytes longName = {0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 200, 'a'};
    EXPECT_FALSE(parseTerminology(longName.data(), longName.size(), t, error));
    EXPECT_FALSE(parseTerminology(nullptr, 0, t, error));
}
}  // namespace
