// The parameter block's defaults and Reset.
#include "model/parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

TEST(Parameters, FreshBlockHoldsTheDefaults) {
    FilterParameters p;
    std::memset(&p, 0x5A, sizeof p);
    initialiseParameters(p);
    const UserSettings& s = p.settings;
    EXPECT_EQ(s.glue, 1);
    EXPECT_EQ(s.shape, 1);
    EXPECT_EQ(s.focus, 36);
    EXPECT_EQ(s.vignette, 57);
    EXPECT_EQ(s.dampen, 40);
    EXPECT_EQ(s.cbWidth, 40);
    EXPECT_EQ(s.saturation, 50);
    EXPECT_EQ(s.clearArea, 42);
    EXPECT_EQ(s.xCenter, 0.5f);
    EXPECT_EQ(s.yCenter, 0.5f);
    EXPECT_EQ(s.vignetteColor.red, 0);
    EXPECT_EQ(s.vignetteColor.green, 0);
    EXPECT_EQ(s.vignetteColor.blue, 0);
    EXPECT_EQ(s.sepiaColor.red, 32639);
    EXPECT_EQ(s.sepiaColor.green, 25186);
    EXPECT_EQ(s.sepiaColor.blue, 17476);
    EXPECT_EQ(s.auxColorA.blue, 40133);
    EXPECT_EQ(s.auxColorE.red, 28835);
    EXPECT_EQ(s.auxInt1, 33);
    EXPECT_EQ(s.auxInt17, 100);
    EXPECT_EQ(s.auxInt18, 21);
    EXPECT_EQ(s.highQuality, 0);
    EXPECT_EQ(s.sepia, 0);
    EXPECT_EQ(s.colorBlur, 0);
    // Fresh block: zero fill under the defaults.
    EXPECT_EQ(s.auxColorF.red, 0);
    EXPECT_EQ(p.showDialog, 0);
    EXPECT_EQ(p.previewScale, 1);
    EXPECT_EQ(p.renderTarget, 0);
    EXPECT_STREQ(p.settingsFileName, "Twilightomator settings.z5a");
    EXPECT_EQ(p.settingsFolder[0], '\0');
}

TEST(Parameters, AuxVectorIsAUnitVectorTakenInSinglePrecision) {
    const UserSettings s = defaultUserSettings();
    // Independent single-precision evaluation of sqrt(1 - x^2 - y^2) with x = y = -0.68f.
    volatile float x = -0.68f;
    volatile float xx = x * x;
    volatile float rest = 1.0f - xx;
    rest = rest - xx;
    EXPECT_EQ(s.auxVectorA[2], std::sqrt(float(rest)));
    EXPECT_NEAR(s.auxVectorA[2], 0.2742261f, 1e-6f);
    EXPECT_EQ(s.auxVectorB[1], -1.0f);
}

TEST(Parameters, ResetTouchesOnlyTheUserSettingsAndKeepsAuxColorF) {
    FilterParameters p;
    initialiseParameters(p);
    p.settings.focus = 99;
    p.settings.glue = 40;
    p.settings.xCenter = 0.1f;
    p.settings.auxColorF = {1, 2, 3};
    p.previewScale = 4;
    p.renderTarget = 2;
    p.previewOffsetX = 17;
    std::strcpy(p.settingsFileName, "mine.z5a");
    std::strcpy(p.exportFolder, "/home/me");
    resetToDefaults(p.settings);
    EXPECT_EQ(p.settings.focus, 36);
    EXPECT_EQ(p.settings.glue, 1);
    EXPECT_EQ(p.settings.xCenter, 0.5f);
    EXPECT_EQ(p.settings.auxColorF.red, 1);
    EXPECT_EQ(p.settings.auxColorF.blue, 3);
    EXPECT_EQ(p.previewScale, 4);
    EXPECT_EQ(p.renderTarget, 2);
    EXPECT_EQ(p.previewOffsetX, 17);
    EXPECT_STREQ(p.settingsFileName, "mine.z5a");
    EXPECT_STREQ(p.exportFolder, "/home/me");
}

}  // namespace
