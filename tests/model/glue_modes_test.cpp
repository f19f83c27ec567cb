// Glue mode names and the keyword list of exported documents.
#include <gtest/gtest.h>

#include "model/glue_modes.h"

namespace {

TEST(GlueModeName, NamesByNumber) {
    EXPECT_EQ(glueModeName(1), "normal");
    EXPECT_EQ(glueModeName(2), "procedural +");
    EXPECT_EQ(glueModeName(15), "color");
    EXPECT_EQ(glueModeName(26), "hard diff");
    EXPECT_EQ(glueModeName(39), "multibright");
    EXPECT_EQ(glueModeName(52), "hard mix");
    EXPECT_EQ(glueModeName(60), "anterior");
    EXPECT_EQ(glueModeName(61), "posterior");
    EXPECT_EQ(glueModeName(62), "screendim");
}

TEST(GlueModeName, OutsideTheListIsEmpty) {
    EXPECT_EQ(glueModeName(0), "");
    EXPECT_EQ(glueModeName(63), "");
    EXPECT_EQ(glueModeName(-1), "");
    EXPECT_EQ(glueModeName(INT32_MIN), "");
}

TEST(GlueModeName, EveryModeHasADistinctName) {
    for (int32_t a = 1; a <= 62; ++a) {
        EXPECT_FALSE(glueModeName(a).empty()) << a;
        for (int32_t b = a + 1; b <= 62; ++b) EXPECT_NE(glueModeName(a), glueModeName(b)) << a << " " << b;
    }
}

TEST(ExportKeywords, InTheirOrder) {
    using List = std::vector<std::string>;
    EXPECT_EQ(exportKeywords(true, 5, 1, 9), (List{"HDR", "high dynamic range", "vignette", "sepia", "multiply"}));
    EXPECT_EQ(exportKeywords(false, 0, 0, 1), List{});
    EXPECT_EQ(exportKeywords(false, 0, 3, 1), List{"sepia"});
    EXPECT_EQ(exportKeywords(false, 1, 0, 26), (List{"vignette", "hard diff"}));
    EXPECT_EQ(exportKeywords(true, -4, -1, 1), (List{"HDR", "high dynamic range"}));
    // An unknown mode has no name to add.
    EXPECT_EQ(exportKeywords(false, 0, 0, 99), List{});
}

}  // namespace

namespace {
TEST(GlueModeTable, NumbersFollowThePositionAndNamesResolve) {
    for (size_t i = 0; i < kGlueModes.size(); ++i) EXPECT_EQ(kGlueModes[i].number, int32_t(i + 1));
    EXPECT_EQ(glueModeByName("harsh diff"), 26);
    EXPECT_EQ(glueModeByName("hard diff"), 26);
    EXPECT_EQ(glueModeByName("posterior"), 61);
    EXPECT_EQ(glueModeByName("no such mode"), 0);
}
}  // namespace
