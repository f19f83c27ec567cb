// The settings table's conversions between fields and descriptor values.
#include "model/scripting_codes.h"
#include "model/settings_table.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const ScriptedSetting& named(const char* name) { return *findScriptedSettingByName(name); }

TEST(SettingsTable, ValuesTravelOnTheDescriptorScale) {
    UserSettings s = defaultUserSettings();
    s.vignetteColor.green = 0xABCD;
    s.highQuality = 0x102;  // only the low byte travels
    s.glue = 62;
    s.shape = 7;  // no code: '<NO>'
    s.xCenter = 0.25f;

    const DescriptorValue green = descriptorValueOf(s, named("vignette green"));
    EXPECT_EQ(green.type, typeInteger);
    EXPECT_EQ(green.integer, 0xAB);
    EXPECT_EQ(descriptorValueOf(s, named("high quality")).boolean, 2);
    const DescriptorValue glue = descriptorValueOf(s, named("glue"));
    EXPECT_EQ(glue.enumType, fourCC("GLty"));
    EXPECT_EQ(glue.enumValue, fourCC("GL62"));
    EXPECT_EQ(descriptorValueOf(s, named("shape")).enumValue, fourCC("<NO>"));
    EXPECT_EQ(descriptorValueOf(s, named("X center")).number, 0.25);

    UserSettings back = defaultUserSettings();
    EXPECT_TRUE(setFromDescriptorValue(back, named("vignette green"), green));
    EXPECT_EQ(back.vignetteColor.green, 0xAB00);
    EXPECT_TRUE(setFromDescriptorValue(back, named("glue"), glue));
    EXPECT_EQ(back.glue, 62);
    DescriptorValue unknown = glue;
    unknown.enumValue = fourCC("GL63");
    EXPECT_TRUE(setFromDescriptorValue(back, named("glue"), unknown));
    EXPECT_EQ(back.glue, 0);
    // A value of another type is passed over.
    DescriptorValue text;
    text.type = typeFloat;
    text.number = 80;
    EXPECT_FALSE(setFromDescriptorValue(back, named("focus"), text));
    EXPECT_EQ(back.focus, 36);
    // So is a real that no float holds: the centre keeps its value.
    const float centreY = back.yCenter;
    DescriptorValue real;
    real.type = typeFloat;
    for (double number : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e39}) {
        real.number = number;
        EXPECT_FALSE(setFromDescriptorValue(back, named("Y center"), real)) << number;
        EXPECT_EQ(back.yCenter, centreY);
    }
    real.number = 0.75;
    EXPECT_TRUE(setFromDescriptorValue(back, named("Y center"), real));
    EXPECT_EQ(back.yCenter, 0.75f);
}

TEST(SettingsTable, DefaultsAndDialogControls) {
    const UserSettings s = defaultUserSettings();
    EXPECT_EQ(s.sepiaColor.red, 32639);
    EXPECT_EQ(s.sepiaColor.blue, 17476);
    EXPECT_EQ(s.clearArea, 42);
    EXPECT_EQ(s.glue, 1);
    EXPECT_EQ(s.yCenter, 0.5f);
    EXPECT_EQ(named("saturation").controlId, 103);
    EXPECT_STREQ(named("CB width").label, "CB width");
    EXPECT_EQ(named("sepia blue").controlId, 9);
    // Every default lies inside its range on the descriptor's scale.
    for (const ScriptedSetting& setting : kScriptedSettings) {
        const double value = scriptedValue(s, setting);
        EXPECT_GE(value, setting.minimum) << setting.name;
        EXPECT_LE(value, setting.maximum) << setting.name;
    }
}

}  // namespace
