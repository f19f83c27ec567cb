// Scripting parameters through the plug-in's reader and writer, with the
// host's descriptor suite and handle suite behind a FilterRecord.
#include "host/descriptor_suite.h"
#include "host/handle_suite.h"
#include "plugin/scripting.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {
uint32_t code(const char (&text)[5]) { return fourCC(text); }

// A record with a usable handle suite and the descriptor suite described by config.
class ScriptingTest : public ::testing::Test {
protected:
    void SetUp() override {
        baselineHandles = liveHostHandles();
        std::memset(&record, 0, sizeof record);
        fillHandleProcs(handleProcs, HandleSuiteConfig{});
        record.handleProcs = &handleProcs;
        record.hostSig = kPhotoshopSignature;
        initialiseParameters(parameters);
    }
    void TearDown() override {
        suite.reset();
        EXPECT_EQ(liveHostHandles(), baselineHandles) << "a descriptor handle leaked";
        EXPECT_EQ(liveDescriptorReaders(), 0);
        EXPECT_EQ(liveDescriptorWriters(), 0);
    }
    void host(const DescriptorSuiteConfig& config, const Descriptor* descriptor = nullptr) {
        suite.reset();
        suite = std::make_unique<DescriptorSuiteHost>(config, descriptor);
        record.descriptorParameters = suite->parameters();
    }
    void hostWith(std::vector<DescriptorItem> items, int16_t playInfo = plugInDialogDontDisplay) {
        Descriptor descriptor;
        descriptor.items = std::move(items);
        DescriptorSuiteConfig config;
        config.playInfo = playInfo;
        host(config, &descriptor);
    }
    Descriptor written() {
        Descriptor descriptor;
        EXPECT_TRUE(suite->takeDescriptor(descriptor));
        return descriptor;
    }

    int32_t baselineHandles = 0;
    FilterRecord record;
    HandleProcs handleProcs;
    FilterParameters parameters;
    std::unique_ptr<DescriptorSuiteHost> suite;
};

TEST_F(ScriptingTest, OnlyFocusGivenResetsEverythingElseToDefaults) {
    parameters.settings.vignette = 3;
    parameters.settings.glue = 17;
    parameters.settings.vignetteColor = {100, 200, 300};
    parameters.settings.xCenter = 0.9f;
    hostWith({integerItem(code("0007"), 80)});
    ASSERT_TRUE(descriptorPresent(&record));
    EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
    const UserSettings& s = parameters.settings;
    EXPECT_EQ(s.focus, 80);
    EXPECT_EQ(s.glue, 1);
    EXPECT_EQ(s.shape, 1);
    EXPECT_EQ(s.vignette, 57);
    EXPECT_EQ(s.dampen, 40);
    EXPECT_EQ(s.cbWidth, 40);
    EXPECT_EQ(s.saturation, 50);
    EXPECT_EQ(s.clearArea, 42);
    EXPECT_EQ(s.sepia, 0);
    EXPECT_EQ(s.colorBlur, 0);
    EXPECT_EQ(s.highQuality, 0);
    EXPECT_EQ(s.uniformSepia, 0);
    EXPECT_EQ(s.centerVignette, 0);
    EXPECT_EQ(s.xCenter, 0.5f);
    EXPECT_EQ(s.yCenter, 0.5f);
    EXPECT_EQ(s.vignetteColor.red, 0);
    EXPECT_EQ(s.vignetteColor.green, 0);
    EXPECT_EQ(s.vignetteColor.blue, 0);
    EXPECT_EQ(s.sepiaColor.red, 32639);
    EXPECT_EQ(s.sepiaColor.green, 25186);
    EXPECT_EQ(s.sepiaColor.blue, 17476);
    // The descriptor was disposed through the handle suite and cleared.
    EXPECT_EQ(record.descriptorParameters->descriptor, nullptr);
    EXPECT_EQ(liveHostHandles(), baselineHandles);
}

TEST_F(ScriptingTest, EveryKeyIsConvertedAsItsTypeSays) {
    hostWith({
        integerItem(code("0001"), 255), integerItem(code("0002"), 256), integerItem(code("0003"), -1),
        integerItem(code("0004"), 1), integerItem(code("0005"), 0), integerItem(code("0006"), 128),
        integerItem(code("0008"), 101), integerItem(code("0009"), -7), integerItem(code("0010"), 11),
        integerItem(code("0011"), 12), integerItem(code("0012"), 13), integerItem(code("0013"), -100),
        booleanItem(code("0014"), true), enumeratedItem(code("GLUE"), code("GLty"), code("GL62")),
        booleanItem(code("0016"), true), integerItem(code("0017"), 99),
        enumeratedItem(code("MLky"), code("MLty"), code("ML03")), floatItem(code("0019"), 0.1),
        floatItem(code("0020"), 0.75), booleanItem(code("0021"), true),
    });
    EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
    const UserSettings& s = parameters.settings;
    EXPECT_EQ(s.vignetteColor.red, 65280);   // 255 x 256
    EXPECT_EQ(s.vignetteColor.green, 0);     // 65536: only the low 16 bits are kept
    EXPECT_EQ(s.vignetteColor.blue, 65280);  // -256 = 0x...FF00
    EXPECT_EQ(s.sepiaColor.red, 256);
    EXPECT_EQ(s.sepiaColor.green, 0);
    EXPECT_EQ(s.sepiaColor.blue, 32768);
    EXPECT_EQ(s.focus, 36);  // not in the descriptor
    EXPECT_EQ(s.vignette, 101);  // stored without a range check
    EXPECT_EQ(s.dampen, -7);
    EXPECT_EQ(s.sepia, 11);
    EXPECT_EQ(s.colorBlur, 12);
    EXPECT_EQ(s.cbWidth, 13);
    EXPECT_EQ(s.saturation, -100);
    EXPECT_EQ(s.uniformSepia, 1);
    EXPECT_EQ(s.glue, 62);
    EXPECT_EQ(s.centerVignette, 1);
    EXPECT_EQ(s.clearArea, 99);
    EXPECT_EQ(s.shape, 3);
    EXPECT_EQ(s.xCenter, 0.1f);  // double 0.1 rounded to single precision
    EXPECT_EQ(s.yCenter, 0.75f);
    EXPECT_EQ(s.highQuality, 1);
}

TEST_F(ScriptingTest, UnknownEnumerationCodesStoreZero) {
    hostWith({enumeratedItem(code("GLUE"), code("GLty"), code("GLXX")),
              enumeratedItem(code("MLky"), code("MLty"), code("ML04"))});
    EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
    EXPECT_EQ(parameters.settings.glue, 0);
    EXPECT_EQ(parameters.settings.shape, 0);
}

TEST_F(ScriptingTest, UnknownKeysArePassedOverAndTheirCloseCodeIgnored) {
    // The host reports -1715 at close for 'abcd', which the reader did not ask for.
    hostWith({integerItem(code("abcd"), 5), integerItem(code("0008"), 9), integerItem(code("0007"), 80)});
    EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
    EXPECT_EQ(parameters.settings.focus, 80);
    EXPECT_EQ(parameters.settings.vignette, 9);
}

TEST_F(ScriptingTest, CloseErrorsBecomeTheResultAndKeepWhatWasRead) {
    Descriptor descriptor;
    descriptor.items = {integerItem(code("0007"), 80)};
    DescriptorSuiteConfig config;
    config.readerCloseError = paramErr;
    host(config, &descriptor);
    EXPECT_EQ(readScriptingParameters(&record, &parameters), paramErr);
    EXPECT_EQ(parameters.settings.focus, 80);
    EXPECT_EQ(record.descriptorParameters->descriptor, nullptr);
}

TEST_F(ScriptingTest, AValueOfTheWrongTypeKeepsItsDefaultAndTheHostsErrorIsTheResult) {
    hostWith({booleanItem(code("0007"), true), integerItem(code("0008"), 70)});
    EXPECT_EQ(readScriptingParameters(&record, &parameters), errWrongDescriptorType);
    EXPECT_EQ(parameters.settings.focus, 36);
    EXPECT_EQ(parameters.settings.vignette, 70);
}

TEST_F(ScriptingTest, PlayModeDecidesTheDialog) {
    const int16_t modes[] = {plugInDialogDontDisplay, plugInDialogDisplay, plugInDialogSilent};
    const int32_t shown[] = {0, 1, 0};
    for (int i = 0; i < 3; ++i) {
        parameters.showDialog = shown[i] ? 0 : 1;
        hostWith({integerItem(code("0007"), 80)}, modes[i]);
        EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
        EXPECT_EQ(parameters.showDialog, shown[i]) << "play mode " << modes[i];
        EXPECT_EQ(parameters.settings.focus, 80);
    }
}

TEST_F(ScriptingTest, PlayModeAppliesWithoutADescriptorAndLeavesTheSettings) {
    parameters.settings.focus = 99;
    DescriptorSuiteConfig config;
    config.playInfo = plugInDialogDisplay;
    host(config);
    EXPECT_FALSE(descriptorPresent(&record));
    EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
    EXPECT_EQ(parameters.showDialog, 1);
    EXPECT_EQ(parameters.settings.focus, 99);

    config.playInfo = plugInDialogDontDisplay;
    host(config);
    parameters.showDialog = 1;
    EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
    EXPECT_EQ(parameters.showDialog, 0);
}

TEST_F(ScriptingTest, HostsThatSkipReadingGetNothingReadButStillReceiveTheDescriptor) {
    for (uint32_t signature : {fourCC("PSP8"), fourCC("PSP9")}) {
        SCOPED_TRACE(fourCCText(signature));
        record.hostSig = signature;
        initialiseParameters(parameters);
        parameters.showDialog = 1;
        parameters.settings.focus = 12;
        hostWith({integerItem(code("0007"), 80)}, plugInDialogDontDisplay);
        EXPECT_FALSE(descriptorPresent(&record));
        EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
        EXPECT_EQ(parameters.showDialog, 1);
        EXPECT_EQ(parameters.settings.focus, 12);
        EXPECT_NE(record.descriptorParameters->descriptor, nullptr) << "the host's descriptor stays";

        writeScriptingParameters(&record, &parameters);
        const Descriptor descriptor = written();
        ASSERT_EQ(descriptor.items.size(), 21u);
        ASSERT_NE(descriptor.find(code("0007")), nullptr);
        EXPECT_EQ(descriptor.find(code("0007"))->integer, 12);
    }
}

TEST_F(ScriptingTest, AnUnusableDescriptorSuiteMeansNoScripting) {
    struct Case {
        const char* what;
        DescriptorSuiteConfig config;
    };
    std::vector<Case> cases(7);
    cases[0] = {"read table of 17 procedures", {}};
    cases[0].config.readProcedureCount = 17;
    cases[1] = {"write table of 15 procedures", {}};
    cases[1].config.writeProcedureCount = 15;
    cases[2] = {"parameters version 1", {}};
    cases[2].config.parametersVersion = 1;
    cases[3] = {"read table version 1", {}};
    cases[3].config.readVersion = 1;
    cases[4] = {"no write table", {}};
    cases[4].config.withWriteProcs = false;
    cases[5] = {"a null get-float procedure", {}};
    cases[5].config.missingReadProcedure = 4;
    cases[6] = {"no descriptor parameters", {}};
    cases[6].config.present = false;
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.config.playInfo = plugInDialogDisplay;
        Descriptor descriptor;
        descriptor.items = {integerItem(code("0007"), 80)};
        host(c.config, &descriptor);
        parameters.showDialog = 0;
        parameters.settings.focus = 12;
        EXPECT_FALSE(descriptorPresent(&record));
        EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
        EXPECT_EQ(parameters.showDialog, 0);
        EXPECT_EQ(parameters.settings.focus, 12);
        writeScriptingParameters(&record, &parameters);
        // Nothing was written: the host still holds the descriptor it gave, unread.
        Descriptor left;
        ASSERT_TRUE(suite->takeDescriptor(left));
        ASSERT_EQ(left.items.size(), 1u);
        EXPECT_EQ(left.items[0].integer, 80);
    }
}

TEST_F(ScriptingTest, DescriptorPresentProbesWithoutConsuming) {
    hostWith({integerItem(code("0007"), 80)});
    EXPECT_TRUE(descriptorPresent(&record));
    EXPECT_EQ(liveDescriptorReaders(), 0) << "the probing reader is closed";
    EXPECT_NE(record.descriptorParameters->descriptor, nullptr);
    EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
    EXPECT_EQ(parameters.settings.focus, 80);

    Descriptor descriptor;
    descriptor.items = {integerItem(code("0007"), 80)};
    DescriptorSuiteConfig failing;
    failing.openReaderFails = true;
    host(failing, &descriptor);
    EXPECT_FALSE(descriptorPresent(&record));
    parameters.settings.focus = 5;
    EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
    EXPECT_EQ(parameters.settings.focus, 5) << "no reader: nothing is reset";
}

// Real hosts overwrite each key they return with 'null' in the array the
// plug-in opened the reader with: the plug-in hands every reader a writable
// table of its own, so the probe, the read and the next run's reads each
// ask for all 21 keys.
TEST_F(ScriptingTest, HostsThatMarkReturnedKeysGetAFreshTableForEveryReader) {
    const std::vector<DescriptorKeyID> allKeys(kReaderKeyTable.begin(), kReaderKeyTable.end() - 1);
    for (int32_t focus : {80, 30}) {
        SCOPED_TRACE(focus);
        Descriptor descriptor;
        descriptor.items = {integerItem(code("0007"), focus), enumeratedItem(code("MLky"), code("MLty"), code("ML02"))};
        DescriptorSuiteConfig config;
        config.marksReadKeys = true;
        host(config, &descriptor);
        ASSERT_TRUE(descriptorPresent(&record));
        EXPECT_EQ(lastAskedDescriptorKeys(), allKeys);
        EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
        EXPECT_EQ(lastAskedDescriptorKeys(), allKeys);
        EXPECT_EQ(parameters.settings.focus, focus);
        EXPECT_EQ(parameters.settings.shape, 2);
    }
}

TEST_F(ScriptingTest, WriterPutsEveryKeyInItsOrderWithItsType) {
    UserSettings& s = parameters.settings;
    s.vignetteColor = {65280, 0x12ff, 0x00ff};
    s.focus = 80;
    s.vignette = 7;
    s.dampen = -3;
    s.highQuality = 256;  // low byte 0
    s.sepia = 10;
    s.colorBlur = 11;
    s.cbWidth = 12;
    s.saturation = -100;
    s.uniformSepia = 1;
    s.glue = 0;
    s.centerVignette = 0x101;  // low byte 1
    s.clearArea = 42;
    s.shape = 2;
    s.xCenter = 0.3f;
    s.yCenter = 1.0f;
    Descriptor given;
    given.items = {integerItem(code("old "), 1)};
    DescriptorSuiteConfig config;
    config.recordInfo = plugInDialogRequired;
    host(config, &given);
    const int32_t handlesBefore = liveHostHandles();

    writeScriptingParameters(&record, &parameters);
    EXPECT_EQ(record.descriptorParameters->recordInfo, plugInDialogOptional);
    EXPECT_EQ(liveHostHandles(), handlesBefore) << "the given descriptor is disposed, a new one made";
    const Descriptor d = written();

    const char* keys[] = {"0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008", "0009", "0021", "0010",
                          "0011", "0012", "0013", "0014", "GLUE", "0016", "0017", "MLky", "0019", "0020"};
    const char* types[] = {"long", "long", "long", "long", "long", "long", "long", "long", "long", "bool", "long",
                           "long", "long", "long", "bool", "enum", "bool", "long", "enum", "doub", "doub"};
    ASSERT_EQ(d.items.size(), 21u);
    for (size_t i = 0; i < 21; ++i) {
        EXPECT_EQ(fourCCText(d.items[i].key), keys[i]) << i;
        EXPECT_EQ(fourCCText(d.items[i].type), types[i]) << keys[i];
    }
    EXPECT_EQ(d.items[0].integer, 255);
    EXPECT_EQ(d.items[1].integer, 0x12);
    EXPECT_EQ(d.items[2].integer, 0);
    EXPECT_EQ(d.items[3].integer, 127);  // default sepia 32639 = 0x7F7F
    EXPECT_EQ(d.items[4].integer, 98);   // 25186 = 0x6262
    EXPECT_EQ(d.items[5].integer, 68);   // 17476 = 0x4444
    EXPECT_EQ(d.items[6].integer, 80);
    EXPECT_EQ(d.items[7].integer, 7);
    EXPECT_EQ(d.items[8].integer, -3);
    EXPECT_EQ(d.items[9].boolean, 0);
    EXPECT_EQ(d.items[10].integer, 10);
    EXPECT_EQ(d.items[11].integer, 11);
    EXPECT_EQ(d.items[12].integer, 12);
    EXPECT_EQ(d.items[13].integer, -100);
    EXPECT_EQ(d.items[14].boolean, 1);
    EXPECT_EQ(fourCCText(d.items[15].enumType), "GLty");
    EXPECT_EQ(fourCCText(d.items[15].enumValue), "<NO>");
    EXPECT_EQ(d.items[16].boolean, 1);
    EXPECT_EQ(d.items[17].integer, 42);
    EXPECT_EQ(fourCCText(d.items[18].enumType), "MLty");
    EXPECT_EQ(fourCCText(d.items[18].enumValue), "ML02");
    EXPECT_EQ(d.items[19].number, double(0.3f));
    EXPECT_EQ(d.items[20].number, 1.0);
}

TEST_F(ScriptingTest, WrittenSettingsReadBackTheSame) {
    UserSettings& s = parameters.settings;
    s.vignetteColor = {255 * 256, 128 * 256, 1 * 256};
    s.sepiaColor = {10 * 256, 20 * 256, 30 * 256};
    s.focus = 1;
    s.glue = 62;
    s.shape = 3;
    s.xCenter = 0.125f;
    s.yCenter = 0.875f;
    s.highQuality = 1;
    host(DescriptorSuiteConfig{});
    writeScriptingParameters(&record, &parameters);
    const UserSettings before = parameters.settings;
    // The host replays what was recorded.
    Descriptor recorded = written();
    hostWith(recorded.items);
    initialiseParameters(parameters);
    EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
    const UserSettings& after = parameters.settings;
    EXPECT_EQ(after.vignetteColor.red, before.vignetteColor.red);
    EXPECT_EQ(after.vignetteColor.green, before.vignetteColor.green);
    EXPECT_EQ(after.vignetteColor.blue, before.vignetteColor.blue);
    EXPECT_EQ(after.sepiaColor.blue, before.sepiaColor.blue);
    EXPECT_EQ(after.focus, 1);
    EXPECT_EQ(after.glue, 62);
    EXPECT_EQ(after.shape, 3);
    EXPECT_EQ(after.xCenter, 0.125f);
    EXPECT_EQ(after.yCenter, 0.875f);
    EXPECT_EQ(after.highQuality, 1);
}

TEST_F(ScriptingTest, AFailedWriterLeavesTheHostsDescriptor) {
    Descriptor given;
    given.items = {integerItem(code("0007"), 3)};
    DescriptorSuiteConfig config;
    config.openWriterFails = true;
    config.recordInfo = plugInDialogNone;
    host(config, &given);
    writeScriptingParameters(&record, &parameters);
    EXPECT_EQ(record.descriptorParameters->recordInfo, plugInDialogNone);
    const Descriptor left = written();
    ASSERT_EQ(left.items.size(), 1u);
    EXPECT_EQ(left.items[0].integer, 3);
}

TEST_F(ScriptingTest, WithoutAUsableHandleSuiteTheDescriptorIsLeftToTheHost) {
    handleProcs.handleProcsVersion = 0;
    hostWith({integerItem(code("0007"), 80)});
    EXPECT_EQ(readScriptingParameters(&record, &parameters), noErr);
    EXPECT_EQ(parameters.settings.focus, 80);
    // Still there: the host frees it (TearDown checks that nothing leaks).
    EXPECT_NE(record.descriptorParameters->descriptor, nullptr);
}

TEST(SettingsTable, FieldsAreTheNamedOnes) {
    // Each entry's field, written through the table, must land in the named field.
    struct Expected {
        const char* name;
        bool (*holds)(const UserSettings&);
    };
    const Expected expected[] = {
        {"vignette red", [](const UserSettings& s) { return s.vignetteColor.red == 4242; }},
        {"vignette green", [](const UserSettings& s) { return s.vignetteColor.green == 4242; }},
        {"vignette blue", [](const UserSettings& s) { return s.vignetteColor.blue == 4242; }},
        {"sepia red", [](const UserSettings& s) { return s.sepiaColor.red == 4242; }},
        {"sepia green", [](const UserSettings& s) { return s.sepiaColor.green == 4242; }},
        {"sepia blue", [](const UserSettings& s) { return s.sepiaColor.blue == 4242; }},
        {"focus", [](const UserSettings& s) { return s.focus == 4242; }},
        {"vignette", [](const UserSettings& s) { return s.vignette == 4242; }},
        {"dampen", [](const UserSettings& s) { return s.dampen == 4242; }},
        {"sepia", [](const UserSettings& s) { return s.sepia == 4242; }},
        {"color blur", [](const UserSettings& s) { return s.colorBlur == 4242; }},
        {"CB width", [](const UserSettings& s) { return s.cbWidth == 4242; }},
        {"saturation", [](const UserSettings& s) { return s.saturation == 4242; }},
        {"uniform sepia", [](const UserSettings& s) { return s.uniformSepia == 4242; }},
        {"glue", [](const UserSettings& s) { return s.glue == 4242; }},
        {"center vignette", [](const UserSettings& s) { return s.centerVignette == 4242; }},
        {"clear area", [](const UserSettings& s) { return s.clearArea == 4242; }},
        {"shape", [](const UserSettings& s) { return s.shape == 4242; }},
        {"X center", [](const UserSettings& s) { return s.xCenter == 42.5f; }},
        {"Y center", [](const UserSettings& s) { return s.yCenter == 42.5f; }},
        {"high quality", [](const UserSettings& s) { return s.highQuality == 4242; }},
    };
    ASSERT_EQ(std::size(expected), kScriptedSettings.size());
    for (size_t i = 0; i < kScriptedSettings.size(); ++i) {
        const ScriptedSetting& setting = kScriptedSettings[i];
        EXPECT_STREQ(setting.name, expected[i].name);
        UserSettings s = defaultUserSettings();
        if (setting.kind == DescriptorKind::colorChannel) {
            setSettingField(s, setting, uint16_t(4242));
            EXPECT_EQ(settingField<uint16_t>(s, setting), 4242);
        } else if (setting.kind == DescriptorKind::real) {
            setSettingField(s, setting, 42.5f);
            EXPECT_EQ(settingField<float>(s, setting), 42.5f);
        } else {
            setSettingField(s, setting, int32_t(4242));
            EXPECT_EQ(settingField<int32_t>(s, setting), 4242);
        }
        EXPECT_TRUE(expected[i].holds(s)) << setting.name;
    }
}

TEST(SettingsTable, KeysFlagsAndRanges) {
    const char* keys[] = {"0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008", "0009", "0010", "0011",
                          "0012", "0013", "0014", "GLUE", "0016", "0017", "MLky", "0019", "0020", "0021"};
    for (size_t i = 0; i < 21; ++i) {
        EXPECT_EQ(fourCCText(kScriptedSettings[i].key), keys[i]);
        EXPECT_EQ(fourCCText(kReaderKeyTable[i]), keys[i]);
        // The flag is the name in lower case with hyphens for spaces.
        std::string flag = "--";
        for (const char* c = kScriptedSettings[i].name; *c; ++c)
            flag += *c == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(*c)));
        EXPECT_EQ(flag, kScriptedSettings[i].flag);
        const bool enumerated = i == 14 || i == 17;
        EXPECT_EQ(kScriptedSettings[i].terminologyFlags, enumerated ? 0xA000 : 0x8000) << keys[i];
    }
    EXPECT_EQ(kReaderKeyTable[21], 0u);
    EXPECT_EQ(findScriptedSetting(fourCC("0012"))->minimum, 0);
    EXPECT_EQ(findScriptedSetting(fourCC("0012"))->maximum, 100);
    EXPECT_EQ(findScriptedSetting(fourCC("0013"))->minimum, -100);
    EXPECT_EQ(findScriptedSetting(fourCC("0001"))->maximum, 255);
    EXPECT_EQ(findScriptedSetting(fourCC("GLUE"))->maximum, 62);
    EXPECT_EQ(findScriptedSetting(fourCC("MLky"))->maximum, 3);
    EXPECT_EQ(findScriptedSetting(fourCC("0019"))->maximum, 1);
    EXPECT_EQ(findScriptedSetting(fourCC("0015")), nullptr);
    EXPECT_EQ(findScriptedSettingByName("CB width")->key, fourCC("0012"));
    EXPECT_EQ(findScriptedSettingByName("cb width"), nullptr);
}

TEST(EnumerationCodec, DecodesOnlyTheCodesOfItsType) {
    bool matched = false;
    EXPECT_EQ(decodeEnumeration(fourCC("GLty"), fourCC("GL01"), &matched), 1);
    EXPECT_TRUE(matched);
    EXPECT_EQ(decodeEnumeration(fourCC("GLty"), fourCC("GL26")), 26);
    EXPECT_EQ(decodeEnumeration(fourCC("GLty"), fourCC("GL60")), 60);
    EXPECT_EQ(decodeEnumeration(fourCC("GLty"), fourCC("GL62")), 62);
    EXPECT_EQ(decodeEnumeration(fourCC("GLty"), fourCC("GL00"), &matched), 0);
    EXPECT_FALSE(matched);
    EXPECT_EQ(decodeEnumeration(fourCC("GLty"), fourCC("GL63")), 0);
    EXPECT_EQ(decodeEnumeration(fourCC("GLty"), fourCC("GLXX")), 0);
    EXPECT_EQ(decodeEnumeration(fourCC("GLty"), fourCC("ML01")), 0);
    EXPECT_EQ(decodeEnumeration(fourCC("MLty"), fourCC("ML01")), 1);
    EXPECT_EQ(decodeEnumeration(fourCC("MLty"), fourCC("ML03")), 3);
    EXPECT_EQ(decodeEnumeration(fourCC("MLty"), fourCC("ML04")), 0);
    EXPECT_EQ(decodeEnumeration(fourCC("MLty"), fourCC("GL01")), 0);
    EXPECT_EQ(decodeEnumeration(fourCC("XXty"), fourCC("GL01"), &matched), 0);
    EXPECT_FALSE(matched);
}

TEST(EnumerationCodec, EncodesValuesWithoutACodeAsNo) {
    EXPECT_EQ(encodeEnumeration(1, fourCC("GLty")), fourCC("GL01"));
    EXPECT_EQ(encodeEnumeration(9, fourCC("GLty")), fourCC("GL09"));
    EXPECT_EQ(encodeEnumeration(61, fourCC("GLty")), fourCC("GL61"));
    EXPECT_EQ(encodeEnumeration(62, fourCC("GLty")), fourCC("GL62"));
    EXPECT_EQ(encodeEnumeration(0, fourCC("GLty")), fourCC("<NO>"));
    EXPECT_EQ(encodeEnumeration(63, fourCC("GLty")), fourCC("<NO>"));
    EXPECT_EQ(encodeEnumeration(-1, fourCC("GLty")), fourCC("<NO>"));
    EXPECT_EQ(encodeEnumeration(2, fourCC("MLty")), fourCC("ML02"));
    EXPECT_EQ(encodeEnumeration(4, fourCC("MLty")), fourCC("<NO>"));
    EXPECT_EQ(encodeEnumeration(1, fourCC("XXty")), fourCC("<NO>"));
}
TEST_F(ScriptingTest, ADescriptorThatCannotBeGivenBackStaysWithTheHost) {
    // Seven handle procedures make the suite unusable: the plug-in may not
    // dispose of the descriptor it was handed, so Finish must not drop it.
    HandleSuiteConfig shortSuite;
    shortSuite.procedureCount = 7;
    fillHandleProcs(handleProcs, shortSuite);
    hostWith({integerItem(code("0007"), 80)});
    const PIDescriptorHandle given = record.descriptorParameters->descriptor;
    ASSERT_NE(given, nullptr);
    writeScriptingParameters(&record, &parameters);
    EXPECT_EQ(record.descriptorParameters->descriptor, given);
    EXPECT_EQ(liveDescriptorWriters(), 0);
}

}  // namespace
