// Glue mode names and the keyword list of exported documents.
#include <gtest/gtest.h>

#include "kernels/blend_names.h"

namespace {

TEST(BlendModeName, NamesByNumber) {
    EXPECT_EQ(blendModeName(1), "normal");
    EXPECT_EQ(blendModeName(2), "procedural +");
    EXPECT_EQ(blendModeName(15), "color");
    EXPECT_EQ(blendModeName(26), "hard diff");
    EXPECT_EQ(blendModeName(39), "multibright");
    EXPECT_EQ(blendModeName(52), "hard mix");
    EXPECT_EQ(blendModeName(60), "anterior");
    EXPECT_EQ(blendModeName(61), "posterior");
    EXPECT_EQ(blendModeName(62), "screendim");
}

TEST(BlendModeName, OutsideTheListIsEmpty) {
    EXPECT_EQ(blendModeName(0), "");
    EXPECT_EQ(blendModeName(63), "");
    EXPECT_EQ(blendModeName(-1), "");
    EXPECT_EQ(blendModeName(INT32_MIN), "");
}

TEST(BlendModeName, EveryModeHasADistinctName) {
    for (int32_t a = 1; a <= 62; ++a) {
        EXPECT_FALSE(blendModeName(a).empty()) << a;
        for (int32_t b = a + 1; b <= 62; ++b) EXPECT_NE(blendModeName(a), blendModeName(b)) << a << " " << b;
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
