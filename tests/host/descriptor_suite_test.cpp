// The host's descriptor suite: the byte form in a handle, the read and write
// procedures as a plug-in calls them, and the test configurations.
#include "host/descriptor_suite.h"
#include "host/handle_suite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
uint32_t code(const char (&text)[5]) { return fourCC(text); }

Descriptor everyType() {
    Descriptor d;
    d.items.push_back(integerItem(code("long"), -123456));
    d.items.push_back(booleanItem(code("bool"), true));
    d.items.push_back(floatItem(code("doub"), -0.15625));
    d.items.push_back(unitFloatItem(code("untf"), code("#Pxl"), 12.5));
    d.items.push_back(enumeratedItem(code("enum"), code("GLty"), code("GL07")));
    d.items.push_back(textItem(code("text"), "moody"));
    DescriptorItem alias;
    alias.key = code("alis");
    alias.type = typeAlias;
    alias.bytes = {1, 2, 3};
    d.items.push_back(alias);
    DescriptorItem klass;
    klass.key = code("clss");
    klass.type = typeType;
    klass.classId = code("Lyr ");
    d.items.push_back(klass);
    DescriptorItem nested;
    nested.key = code("objc");
    nested.type = typeObject;
    nested.classId = code("Clr ");
    Descriptor inner;
    inner.items.push_back(integerItem(code("Rd  "), 255));
    nested.bytes = serialiseDescriptor(inner);
    d.items.push_back(nested);
    DescriptorItem reference;
    reference.key = code("refr");
    reference.type = typeObjectSpecifier;
    reference.bytes.assign(sizeof(DescriptorSimpleReference), 7);
    d.items.push_back(reference);
    DescriptorItem none;
    none.key = code("none");
    none.type = typeNull;
    d.items.push_back(none);
    return d;
}

class DescriptorSuiteTest : public ::testing::Test {
protected:
    void SetUp() override { baseline = liveHostHandles(); }
    void TearDown() override {
        EXPECT_EQ(liveHostHandles(), baseline);
        EXPECT_EQ(liveDescriptorReaders(), 0);
        EXPECT_EQ(liveDescriptorWriters(), 0);
    }
    int32_t baseline = 0;
};

TEST_F(DescriptorSuiteTest, ByteFormKeepsEveryTypeAndTheOrder) {
    const Descriptor d = everyType();
    const std::vector<uint8_t> bytes = serialiseDescriptor(d);
    // 'Tdsc' little-endian, then the count 11.
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8),
              (std::vector<uint8_t>{'c', 's', 'd', 'T', 11, 0, 0, 0}));
    // The first item: key 'long', type 'long', value -123456 = 0xFFFE1DC0.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 8, bytes.begin() + 20),
              (std::vector<uint8_t>{'g', 'n', 'o', 'l', 'g', 'n', 'o', 'l', 0xC0, 0x1D, 0xFE, 0xFF}));

    Descriptor back;
    ASSERT_TRUE(parseDescriptor(bytes.data(), bytes.size(), back));
    ASSERT_EQ(back.items.size(), d.items.size());
    for (size_t i = 0; i < d.items.size(); ++i) {
        EXPECT_EQ(back.items[i].key, d.items[i].key) << i;
        EXPECT_EQ(back.items[i].type, d.items[i].type) << i;
    }
    EXPECT_EQ(back.items[0].integer, -123456);
    EXPECT_EQ(back.items[1].boolean, 1);
    EXPECT_EQ(back.items[2].number, -0.15625);
    EXPECT_EQ(back.items[3].unit, code("#Pxl"));
    EXPECT_EQ(back.items[3].number, 12.5);
    EXPECT_EQ(back.items[4].enumType, code("GLty"));
    EXPECT_EQ(back.items[4].enumValue, code("GL07"));
    EXPECT_EQ(std::string(back.items[5].bytes.begin(), back.items[5].bytes.end()), "moody");
    EXPECT_EQ(back.items[6].bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(back.items[7].classId, code("Lyr "));
    EXPECT_EQ(back.items[8].classId, code("Clr "));
    Descriptor inner;
    ASSERT_TRUE(parseDescriptor(back.items[8].bytes.data(), back.items[8].bytes.size(), inner));
    EXPECT_EQ(inner.items.at(0).integer, 255);
    EXPECT_EQ(back.items[9].bytes.size(), 276u);
}

TEST_F(DescriptorSuiteTest, MalformedByteFormsAreRefused) {
    const std::vector<uint8_t> bytes = serialiseDescriptor(everyType());
    Descriptor d;
    for (size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(parseDescriptor(bytes.data(), length, d)) << "cut at " << length;
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(parseDescriptor(longer.data(), longer.size(), d)) << "trailing byte";

    std::vector<uint8_t> badMagic = bytes;
    badMagic[0] = 'x';
    EXPECT_FALSE(parseDescriptor(badMagic.data(), badMagic.size(), d));

    // A count of 0xFFFFFFFF with nothing behind it.
    const std::vector<uint8_t> lyingCount = {'c', 's', 'd', 'T', 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(parseDescriptor(lyingCount.data(), lyingCount.size(), d));

    // A boolean of 2, an unknown type, a text longer than the data.
    const std::vector<uint8_t> badBool = {'c', 's', 'd', 'T', 1, 0, 0, 0, 'a', 'b', 'c', 'd', 'l', 'o', 'o', 'b', 2};
    EXPECT_FALSE(parseDescriptor(badBool.data(), badBool.size(), d));
    const std::vector<uint8_t> unknownType = {'c', 's', 'd', 'T', 1, 0, 0, 0, 'a', 'b', 'c', 'd', 'z', 'z', 'z', 'z'};
    EXPECT_FALSE(parseDescriptor(unknownType.data(), unknownType.size(), d));
    const std::vector<uint8_t> longText = {'c', 's', 'd', 'T', 1, 0, 0, 0, 'a', 'b', 'c', 'd',
                                           'T', 'X', 'E', 'T', 0xFF, 0xFF, 0xFF, 0x7F, 'x'};
    EXPECT_FALSE(parseDescriptor(longText.data(), longText.size(), d));
    EXPECT_FALSE(parseDescriptor(nullptr, 4, d));
}

TEST_F(DescriptorSuiteTest, PutReplacesAKeyWhereItStands) {
    Descriptor d;
    d.put(integerItem(code("0001"), 1));
    d.put(integerItem(code("0002"), 2));
    d.put(booleanItem(code("0001"), false));
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ(d.items[0].key, code("0001"));
    EXPECT_EQ(d.items[0].type, typeBoolean);
    EXPECT_EQ(d.find(code("0002"))->integer, 2);
    EXPECT_EQ(d.find(code("0003")), nullptr);
}

TEST_F(DescriptorSuiteTest, ConfigurationShapesTheParameters) {
    DescriptorSuiteConfig config;
    {
        DescriptorSuiteHost host(config);
        PIDescriptorParameters* p = host.parameters();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->descriptorParametersVersion, 0);
        EXPECT_EQ(p->descriptor, nullptr);
        ASSERT_NE(p->readDescriptorProcs, nullptr);
        ASSERT_NE(p->writeDescriptorProcs, nullptr);
        EXPECT_EQ(p->readDescriptorProcs->numReadDescriptorProcs, 18);
        EXPECT_EQ(p->writeDescriptorProcs->numWriteDescriptorProcs, 16);
        EXPECT_NE(p->readDescriptorProcs->getPinnedUnitFloatProc, nullptr);
        EXPECT_NE(p->writeDescriptorProcs->putScopedObjectProc, nullptr);
    }
    config.present = false;
    EXPECT_EQ(DescriptorSuiteHost(config).parameters(), nullptr);
    config = {};
    config.readProcedureCount = 17;
    config.writeVersion = 1;
    config.missingReadProcedure = 2;
    config.withWriteProcs = false;
    config.playInfo = plugInDialogSilent;
    DescriptorSuiteHost host(config);
    EXPECT_EQ(host.parameters()->readDescriptorProcs->numReadDescriptorProcs, 17);
    EXPECT_EQ(host.parameters()->readDescriptorProcs->getKeyProc, nullptr);
    EXPECT_NE(host.parameters()->readDescriptorProcs->closeReadDescriptorProc, nullptr);
    EXPECT_NE(host.parameters()->readDescriptorProcs->getIntegerProc, nullptr);
    EXPECT_EQ(host.parameters()->writeDescriptorProcs, nullptr);
    EXPECT_EQ(host.parameters()->playInfo, plugInDialogSilent);
}

TEST_F(DescriptorSuiteTest, ReaderWalksTheKeysInTheHostsOrder) {
    const Descriptor given = everyType();
    DescriptorSuiteHost host(DescriptorSuiteConfig{}, &given);
    PIDescriptorParameters* p = host.parameters();
    ASSERT_NE(p->descriptor, nullptr);
    const ReadDescriptorProcs& r = *p->readDescriptorProcs;
    std::vector<DescriptorKeyID> asked;
    for (const DescriptorItem& item : given.items) asked.push_back(item.key);
    asked.push_back(0);
    PIReadDescriptor reader = r.openReadDescriptorProc(p->descriptor, asked.data());
    ASSERT_NE(reader, nullptr);
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32_t flags;

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    EXPECT_EQ(key, code("long"));
    EXPECT_EQ(type, typeInteger);
    int32_t integer = 0;
    EXPECT_EQ(r.getIntegerProc(reader, &integer), noErr);
    EXPECT_EQ(integer, -123456);
    EXPECT_EQ(r.getPinnedIntegerProc(reader, -100, 100, &integer), coercedParamErr);
    EXPECT_EQ(integer, -100);
    uint32_t count = 0;
    EXPECT_EQ(r.getCountProc(reader, &count), noErr);
    EXPECT_EQ(count, uint32_t(-123456));

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    Boolean boolean = 0;
    EXPECT_EQ(r.getBooleanProc(reader, &boolean), noErr);
    EXPECT_EQ(boolean, 1);

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    double number = 0;
    EXPECT_EQ(r.getFloatProc(reader, &number), noErr);
    EXPECT_EQ(number, -0.15625);
    const double low = 0.0;
    EXPECT_EQ(r.getPinnedFloatProc(reader, &low, nullptr, &number), coercedParamErr);
    EXPECT_EQ(number, 0.0);

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    DescriptorUnitID unit = 0;
    EXPECT_EQ(r.getUnitFloatProc(reader, &unit, &number), noErr);
    EXPECT_EQ(unit, code("#Pxl"));
    EXPECT_EQ(number, 12.5);
    EXPECT_EQ(r.getPinnedUnitFloatProc(reader, nullptr, nullptr, &unit, &number), noErr);

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    DescriptorEnumID value = 0;
    EXPECT_EQ(r.getEnumeratedProc(reader, &value), noErr);
    EXPECT_EQ(value, code("GL07"));

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    Handle text = nullptr;
    EXPECT_EQ(r.getTextProc(reader, &text), noErr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(hostHandleSize(text), 5);
    EXPECT_EQ(std::memcmp(*text, "moody", 5), 0);
    hostDisposeHandle(text);
    Str255 string = {};
    EXPECT_EQ(r.getStringProc(reader, &string), noErr);
    EXPECT_EQ(string[0], 5);
    EXPECT_EQ(std::memcmp(string + 1, "moody", 5), 0);

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    Handle alias = nullptr;
    EXPECT_EQ(r.getAliasProc(reader, &alias), noErr);
    EXPECT_EQ(hostHandleSize(alias), 3);
    hostDisposeHandle(alias);

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    DescriptorClassID classId = 0;
    EXPECT_EQ(r.getClassProc(reader, &classId), noErr);
    EXPECT_EQ(classId, code("Lyr "));

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    PIDescriptorHandle object = nullptr;
    EXPECT_EQ(r.getObjectProc(reader, &classId, &object), noErr);
    EXPECT_EQ(classId, code("Clr "));
    // The nested descriptor opens like any other.
    DescriptorKeyID innerKeys[] = {code("Rd  "), 0};
    PIReadDescriptor inner = r.openReadDescriptorProc(object, innerKeys);
    ASSERT_NE(inner, nullptr);
    ASSERT_TRUE(r.getKeyProc(inner, &key, &type, &flags));
    EXPECT_EQ(r.getIntegerProc(inner, &integer), noErr);
    EXPECT_EQ(integer, 255);
    EXPECT_EQ(r.closeReadDescriptorProc(inner), noErr);
    hostDisposeHandle(object);

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    DescriptorSimpleReference reference;
    EXPECT_EQ(r.getSimpleReferenceProc(reader, &reference), noErr);
    EXPECT_EQ(reference.keyData.index, 0x07070707);

    ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
    EXPECT_EQ(type, typeNull);
    EXPECT_FALSE(r.getKeyProc(reader, &key, &type, &flags));
    EXPECT_EQ(r.closeReadDescriptorProc(reader), noErr) << "every key was asked for";
}

TEST_F(DescriptorSuiteTest, CloseReportsUnaskedKeysWrongTypesAndForcedErrors) {
    Descriptor given;
    given.items = {integerItem(code("0007"), 80), integerItem(code("zzzz"), 1)};
    DescriptorKeyID asked[] = {code("0007"), 0};
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32_t flags;
    {
        DescriptorSuiteHost host(DescriptorSuiteConfig{}, &given);
        const ReadDescriptorProcs& r = *host.parameters()->readDescriptorProcs;
        PIReadDescriptor reader = r.openReadDescriptorProc(host.parameters()->descriptor, asked);
        while (r.getKeyProc(reader, &key, &type, &flags)) {
        }
        EXPECT_EQ(r.closeReadDescriptorProc(reader), errMissingParameter);
    }
    {
        DescriptorSuiteHost host(DescriptorSuiteConfig{}, &given);
        const ReadDescriptorProcs& r = *host.parameters()->readDescriptorProcs;
        DescriptorKeyID both[] = {code("0007"), code("zzzz"), 0};
        PIReadDescriptor reader = r.openReadDescriptorProc(host.parameters()->descriptor, both);
        ASSERT_TRUE(r.getKeyProc(reader, &key, &type, &flags));
        Boolean boolean;
        EXPECT_EQ(r.getBooleanProc(reader, &boolean), errWrongDescriptorType);
        double number;
        EXPECT_EQ(r.getFloatProc(reader, &number), errWrongDescriptorType);
        EXPECT_EQ(r.closeReadDescriptorProc(reader), errWrongDescriptorType);
    }
    {
        DescriptorSuiteHost host(DescriptorSuiteConfig{}, &given);
        const ReadDescriptorProcs& r = *host.parameters()->readDescriptorProcs;
        PIReadDescriptor reader = r.openReadDescriptorProc(host.parameters()->descriptor, asked);
        int32_t value;
        EXPECT_EQ(r.getIntegerProc(reader, &value), errWrongDescriptorType) << "no current key yet";
        EXPECT_EQ(r.closeReadDescriptorProc(reader), errWrongDescriptorType);
    }
    {
        DescriptorSuiteConfig config;
        config.readerCloseError = -42;
        DescriptorSuiteHost host(config, &given);
        const ReadDescriptorProcs& r = *host.parameters()->readDescriptorProcs;
        PIReadDescriptor reader = r.openReadDescriptorProc(host.parameters()->descriptor, asked);
        EXPECT_EQ(r.closeReadDescriptorProc(reader), -42);
    }
}

TEST_F(DescriptorSuiteTest, OpeningFailsWithoutAReadableDescriptor) {
    DescriptorSuiteHost host(DescriptorSuiteConfig{});
    const ReadDescriptorProcs& r = *host.parameters()->readDescriptorProcs;
    DescriptorKeyID keys[] = {0};
    EXPECT_EQ(r.openReadDescriptorProc(nullptr, keys), nullptr);
    Handle garbage = hostNewHandle(6);
    std::memcpy(*garbage, "abcdef", 6);
    EXPECT_EQ(r.openReadDescriptorProc(garbage, keys), nullptr);
    hostDisposeHandle(garbage);

    Descriptor given;
    given.items = {integerItem(code("0007"), 80)};
    DescriptorSuiteConfig failing;
    failing.openReaderFails = true;
    DescriptorSuiteHost refusing(failing, &given);
    EXPECT_EQ(refusing.parameters()->readDescriptorProcs->openReadDescriptorProc(refusing.parameters()->descriptor,
                                                                                  keys),
              nullptr);
}

TEST_F(DescriptorSuiteTest, WriterMakesANewDescriptorHandle) {
    DescriptorSuiteHost host(DescriptorSuiteConfig{});
    const WriteDescriptorProcs& w = *host.parameters()->writeDescriptorProcs;
    PIWriteDescriptor writer = w.openWriteDescriptorProc();
    ASSERT_NE(writer, nullptr);
    const double half = 0.5;
    EXPECT_EQ(w.putIntegerProc(writer, code("0007"), 80), noErr);
    EXPECT_EQ(w.putFloatProc(writer, code("0019"), &half), noErr);
    EXPECT_EQ(w.putBooleanProc(writer, code("0021"), 1), noErr);
    EXPECT_EQ(w.putEnumeratedProc(writer, code("GLUE"), code("GLty"), code("<NO>")), noErr);
    EXPECT_EQ(w.putUnitFloatProc(writer, code("unit"), code("#Prc"), &half), noErr);
    const unsigned char pascal[] = {3, 'a', 'b', 'c'};
    EXPECT_EQ(w.putStringProc(writer, code("strg"), pascal), noErr);
    EXPECT_EQ(w.putCountProc(writer, code("cnt "), 9), noErr);
    EXPECT_EQ(w.putClassProc(writer, code("clss"), code("Lyr ")), noErr);
    EXPECT_EQ(w.putScopedClassProc(writer, code("glbc"), code("Chnl")), noErr);
    Handle text = hostNewHandle(2);
    std::memcpy(*text, "hi", 2);
    EXPECT_EQ(w.putTextProc(writer, code("text"), text), noErr);
    EXPECT_EQ(w.putAliasProc(writer, code("alis"), text), noErr);
    EXPECT_EQ(w.putObjectProc(writer, code("bad "), code("Clr "), text), paramErr) << "not a descriptor";
    hostDisposeHandle(text);
    Descriptor inner;
    inner.items = {integerItem(code("Grn "), 3)};
    Handle nested = descriptorToHandle(inner);
    EXPECT_EQ(w.putScopedObjectProc(writer, code("glbo"), code("Clr "), nested), noErr);
    hostDisposeHandle(nested);
    DescriptorSimpleReference reference{};
    reference.desiredClass = code("Lyr ");
    EXPECT_EQ(w.putSimpleReferenceProc(writer, code("refr"), &reference), noErr);
    EXPECT_EQ(w.putIntegerProc(writer, code("0007"), 81), noErr) << "a key put again replaces its value";
    PIDescriptorHandle out = nullptr;
    EXPECT_EQ(w.closeWriteDescriptorProc(writer, &out), noErr);
    ASSERT_NE(out, nullptr);
    host.parameters()->descriptor = out;

    Descriptor d;
    ASSERT_TRUE(host.takeDescriptor(d));
    EXPECT_EQ(host.parameters()->descriptor, nullptr);
    const char* keys[] = {"0007", "0019", "0021", "GLUE", "unit", "strg", "cnt ", "clss", "glbc", "text", "alis",
                          "glbo", "refr"};
    ASSERT_EQ(d.items.size(), std::size(keys));
    for (size_t i = 0; i < d.items.size(); ++i) EXPECT_EQ(fourCCText(d.items[i].key), keys[i]);
    EXPECT_EQ(d.items[0].integer, 81);
    EXPECT_EQ(d.items[1].number, 0.5);
    EXPECT_EQ(d.items[2].boolean, 1);
    EXPECT_EQ(d.items[3].enumValue, code("<NO>"));
    EXPECT_EQ(d.items[4].unit, code("#Prc"));
    EXPECT_EQ(std::string(d.items[5].bytes.begin(), d.items[5].bytes.end()), "abc");
    EXPECT_EQ(d.items[6].integer, 9);
    EXPECT_EQ(d.items[7].type, typeType);
    EXPECT_EQ(d.items[8].type, typeGlobalClass);
    EXPECT_EQ(d.items[8].classId, code("Chnl"));
    EXPECT_EQ(std::string(d.items[9].bytes.begin(), d.items[9].bytes.end()), "hi");
    EXPECT_EQ(d.items[10].type, typeAlias);
    EXPECT_EQ(d.items[11].type, typeGlobalObject);
    EXPECT_EQ(d.items[12].type, typeObjectSpecifier);
    EXPECT_FALSE(host.takeDescriptor(d)) << "taken once";
}

TEST_F(DescriptorSuiteTest, AFailingWriterAndNullArguments) {
    DescriptorSuiteConfig config;
    config.openWriterFails = true;
    DescriptorSuiteHost host(config);
    const WriteDescriptorProcs& w = *host.parameters()->writeDescriptorProcs;
    EXPECT_EQ(w.openWriteDescriptorProc(), nullptr);
    EXPECT_EQ(w.putIntegerProc(nullptr, code("0007"), 1), nilHandleErr);
    EXPECT_EQ(w.closeWriteDescriptorProc(nullptr, nullptr), nilHandleErr);
    EXPECT_EQ(host.parameters()->readDescriptorProcs->closeReadDescriptorProc(nullptr), nilHandleErr);
    EXPECT_FALSE(host.parameters()->readDescriptorProcs->getKeyProc(nullptr, nullptr, nullptr, nullptr));
}

TEST_F(DescriptorSuiteTest, TheGivenDescriptorIsAHandleOfTheHandleSuite) {
    Descriptor given;
    given.items = {integerItem(code("0007"), 80)};
    {
        DescriptorSuiteHost host(DescriptorSuiteConfig{}, &given);
        EXPECT_EQ(liveHostHandles(), baseline + 1);
        // The plug-in disposes it through the handle suite.
        hostDisposeHandle(host.parameters()->descriptor);
        host.parameters()->descriptor = nullptr;
        EXPECT_EQ(liveHostHandles(), baseline);
    }
    {
        // One the plug-in left is disposed with the host's run.
        DescriptorSuiteHost host(DescriptorSuiteConfig{}, &given);
    }
}
}  // namespace
