// Command-line settings flags: values, ranges, forms and what is left over.
#include "apps/settings_flags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
uint32_t code(const char (&text)[5]) { return fourCC(text); }

SettingsFlags parsed(const std::vector<std::string>& arguments) {
    SettingsFlags flags;
    std::string error;
    EXPECT_TRUE(parseSettingsFlags(arguments, flags, error)) << error;
    return flags;
}

std::string refusal(const std::vector<std::string>& arguments) {
    SettingsFlags flags;
    std::string error;
    EXPECT_FALSE(parseSettingsFlags(arguments, flags, error));
    return error;
}

const DescriptorItem& item(const SettingsFlags& flags, const char (&key)[5]) {
    static const DescriptorItem none;
    const DescriptorItem* found = flags.descriptor.find(code(key));
    EXPECT_NE(found, nullptr) << key;
    return found ? *found : none;
}

TEST(SettingsFlags, IntegersWithTheirRanges) {
    const SettingsFlags flags = parsed({"--focus", "80", "--saturation=-100", "--cb-width", "0", "--clear-area=100"});
    ASSERT_EQ(flags.descriptor.items.size(), 4u);
    EXPECT_EQ(item(flags, "0007").type, typeInteger);
    EXPECT_EQ(item(flags, "0007").integer, 80);
    EXPECT_EQ(item(flags, "0013").integer, -100);
    EXPECT_EQ(item(flags, "0012").integer, 0);
    EXPECT_EQ(item(flags, "0017").integer, 100);
    EXPECT_TRUE(flags.rest.empty());

    EXPECT_EQ(refusal({"--focus", "120"}), "--focus: 120 is outside 0..100");
    EXPECT_EQ(refusal({"--saturation", "-101"}), "--saturation: -101 is outside -100..100");
    EXPECT_EQ(refusal({"--vignette=-1"}), "--vignette: -1 is outside 0..100");
    EXPECT_EQ(refusal({"--dampen", "99999999999999999999999"}),
              "--dampen: 99999999999999999999999 is outside 0..100");
    EXPECT_EQ(refusal({"--sepia", "ten"}), "--sepia: \"ten\" is not a whole number");
    EXPECT_EQ(refusal({"--sepia", "5.5"}), "--sepia: \"5.5\" is not a whole number");
    EXPECT_EQ(refusal({"--color-blur="}), "--color-blur: \"\" is not a whole number");
    EXPECT_EQ(refusal({"--focus"}), "--focus needs a value");
}

TEST(SettingsFlags, ColoursOnTheDescriptorsScale) {
    const SettingsFlags list = parsed({"--vignette-color", "255,128,0"});
    ASSERT_EQ(list.descriptor.items.size(), 3u);
    EXPECT_EQ(item(list, "0001").integer, 255);
    EXPECT_EQ(item(list, "0002").integer, 128);
    EXPECT_EQ(item(list, "0003").integer, 0);
    const SettingsFlags hex = parsed({"--sepia-color=#7f62aB"});
    EXPECT_EQ(item(hex, "0004").integer, 127);
    EXPECT_EQ(item(hex, "0005").integer, 98);
    EXPECT_EQ(item(hex, "0006").integer, 171);
    const SettingsFlags channel = parsed({"--sepia-green", "7", "--vignette-blue=255"});
    EXPECT_EQ(item(channel, "0005").integer, 7);
    EXPECT_EQ(item(channel, "0003").integer, 255);

    EXPECT_EQ(refusal({"--vignette-color", "256,0,0"}), "--vignette-color: 256 is outside 0..255");
    EXPECT_EQ(refusal({"--vignette-color", "1,2"}), "--vignette-color: \"1,2\" is not a colour (R,G,B or #rrggbb)");
    EXPECT_EQ(refusal({"--vignette-color", "1,2,3,4"}),
              "--vignette-color: \"1,2,3,4\" is not a colour (R,G,B or #rrggbb)");
    EXPECT_EQ(refusal({"--vignette-color", "1,,3"}), "--vignette-color: \"1,,3\" is not a colour (R,G,B or #rrggbb)");
    EXPECT_EQ(refusal({"--sepia-color", "#ff800"}), "--sepia-color: \"#ff800\" is not a colour (R,G,B or #rrggbb)");
    EXPECT_EQ(refusal({"--sepia-color", "#gg0000"}), "--sepia-color: \"#gg0000\" is not a colour (R,G,B or #rrggbb)");
    EXPECT_EQ(refusal({"--sepia-red", "300"}), "--sepia-red: 300 is outside 0..255");
}

TEST(SettingsFlags, GlueByNumberOrName) {
    struct Case {
        const char* given;
        const char* code;
    };
    const Case cases[] = {{"1", "GL01"},          {"62", "GL62"},          {"60", "GL60"},
                          {"overlay", "GL12"},    {"Hard Light", "GL11"},  {"hard-light", "GL11"},
                          {"procedural +", "GL02"}, {"procedural -", "GL03"}, {"harsh diff", "GL26"},
                          {"hard diff", "GL26"},  {"screendim", "GL62"},   {"posterior", "GL61"}};
    for (const Case& c : cases) {
        const SettingsFlags flags = parsed({"--glue", c.given});
        const DescriptorItem& glue = item(flags, "GLUE");
        EXPECT_EQ(glue.type, typeEnumerated) << c.given;
        EXPECT_EQ(glue.enumType, code("GLty")) << c.given;
        EXPECT_EQ(fourCCText(glue.enumValue), c.code) << c.given;
    }
    EXPECT_EQ(refusal({"--glue", "0"}), "--glue: 0 is outside 1..62");
    EXPECT_EQ(refusal({"--glue", "63"}), "--glue: 63 is outside 1..62");
    EXPECT_EQ(refusal({"--glue", "shiny"}), "--glue: \"shiny\" is not a glue mode (1..62 or a mode name)");
}

TEST(SettingsFlags, ShapeByNameOrNumber) {
    EXPECT_EQ(item(parsed({"--shape", "round"}), "MLky").enumValue, code("ML01"));
    EXPECT_EQ(item(parsed({"--shape=wide"}), "MLky").enumValue, code("ML02"));
    EXPECT_EQ(item(parsed({"--shape", "TALL"}), "MLky").enumValue, code("ML03"));
    EXPECT_EQ(item(parsed({"--shape", "3"}), "MLky").enumType, code("MLty"));
    EXPECT_EQ(refusal({"--shape", "square"}), "--shape: \"square\" is not a shape (round, wide or tall)");
    EXPECT_EQ(refusal({"--shape", "4"}), "--shape: 4 is outside 1..3");
}

TEST(SettingsFlags, SwitchesTakeAnOptionalValue) {
    const SettingsFlags flags = parsed({"--high-quality", "--uniform-sepia=off", "--center-vignette=1"});
    EXPECT_EQ(item(flags, "0021").type, typeBoolean);
    EXPECT_EQ(item(flags, "0021").boolean, 1);
    EXPECT_EQ(item(flags, "0014").boolean, 0);
    EXPECT_EQ(item(flags, "0016").boolean, 1);
    EXPECT_EQ(item(parsed({"--high-quality=ON"}), "0021").boolean, 1);
    EXPECT_EQ(item(parsed({"--high-quality=0"}), "0021").boolean, 0);
    // A switch never takes the next argument: "off" is someone else's.
    const SettingsFlags separate = parsed({"--high-quality", "off"});
    EXPECT_EQ(item(separate, "0021").boolean, 1);
    EXPECT_EQ(separate.rest, (std::vector<std::string>{"off"}));
    EXPECT_EQ(refusal({"--high-quality=maybe"}), "--high-quality: \"maybe\" is not on, off, 1 or 0");
}

TEST(SettingsFlags, CentresAreReals) {
    const SettingsFlags flags = parsed({"--x-center", "0.25", "--y-center=1"});
    EXPECT_EQ(item(flags, "0019").type, typeFloat);
    EXPECT_EQ(item(flags, "0019").number, 0.25);
    EXPECT_EQ(item(flags, "0020").number, 1.0);
    EXPECT_EQ(item(parsed({"--x-center", "0"}), "0019").number, 0.0);
    EXPECT_EQ(refusal({"--x-center", "1.5"}), "--x-center: 1.5 is outside 0..1");
    EXPECT_EQ(refusal({"--y-center", "-0.01"}), "--y-center: -0.01 is outside 0..1");
    EXPECT_EQ(refusal({"--x-center", "half"}), "--x-center: \"half\" is not a number");
    EXPECT_EQ(refusal({"--x-center", "0.5x"}), "--x-center: \"0.5x\" is not a number");
    EXPECT_EQ(refusal({"--x-center", "nan"}), "--x-center: \"nan\" is not a number");
    EXPECT_EQ(refusal({"--x-center", "1e999"}), "--x-center: 1e999 is outside 0..1");
}

TEST(SettingsFlags, OtherArgumentsAreLeftInOrder) {
    const SettingsFlags flags = parsed({"--input", "a.png", "--focus", "5", "out.png", "--focus=9", "--threads", "2",
                                        "--", "--focus", "7"});
    EXPECT_EQ(flags.rest,
              (std::vector<std::string>{"--input", "a.png", "out.png", "--threads", "2", "--", "--focus", "7"}));
    ASSERT_EQ(flags.descriptor.items.size(), 1u);
    EXPECT_EQ(item(flags, "0007").integer, 9) << "the last value given counts";
    EXPECT_EQ(parsed({}).descriptor.items.size(), 0u);
}

TEST(SettingsFlags, HelpListsEveryFlag) {
    const std::string help = settingsFlagsHelp();
    for (const char* flag : {"--vignette-color", "--sepia-color", "--vignette-red", "--sepia-blue", "--focus",
                             "--vignette", "--dampen", "--sepia", "--color-blur", "--cb-width", "--saturation",
                             "--uniform-sepia", "--glue", "--center-vignette", "--clear-area", "--shape",
                             "--x-center", "--y-center", "--high-quality"})
        EXPECT_TRUE(help.find(std::string("\n  ") + flag + " ") != std::string::npos ||
                    help.find(std::string("\n  ") + flag + "[") != std::string::npos)
            << flag;
    EXPECT_NE(help.find("saturation, -100..100"), std::string::npos);
    EXPECT_NE(help.find("--high-quality[=on|off|1|0]"), std::string::npos);
}
}  // namespace
