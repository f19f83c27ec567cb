// The placement of dialog windows over their parent, by hand-worked numbers.
#include "ui/dialog_placement.h"

#include <gtest/gtest.h>

namespace {

constexpr WindowRect kScreen = {0, 0, 1280, 1024};
// The main dialog's 799 x 579 client area at (100, 50).
constexpr WindowRect kMainDialog = {100, 50, 899, 629};

void expectRect(const WindowRect& got, const WindowRect& expected) {
    EXPECT_EQ(got.left, expected.left);
    EXPECT_EQ(got.top, expected.top);
    EXPECT_EQ(got.right, expected.right);
    EXPECT_EQ(got.bottom, expected.bottom);
}

TEST(DialogPlacement, HalfTheSpareWidthLessATitleButtonAndAThirdOfTheSpareHeight) {
    // About box 339 x 188: spare 460 x 391, so 230 across and 130 down.
    expectRect(placeDialog({kMainDialog, kScreen, 339, 188, 20, true}), {310, 180, 649, 368});
    // Without a system menu two thirds of the button: 20 * 2 / 3 = 13.
    expectRect(placeDialog({kMainDialog, kScreen, 339, 188, 20, false}), {317, 180, 656, 368});
    // No parent: the desktop. (1280 - 339) / 2 - 20 = 450, (1024 - 188) / 3 = 278.
    expectRect(placeDialog({kScreen, kScreen, 339, 188, 20, true}), {450, 278, 789, 466});
}

TEST(DialogPlacement, WiderThanTheParentAndKeptOnTheScreen) {
    // The 726 x 469 Info box over a 300 x 200 parent at (100, 50): no half
    // width, 100 - 20 across; 50 + (-269 / 3 = -89) is above the screen.
    expectRect(placeDialog({{100, 50, 400, 250}, kScreen, 726, 469, 20, true}), {80, 0, 806, 469});
    // A parent near the bottom-right corner: 900 + 230 - 20 = 1110 would end at
    // 1449 and 700 + 93 = 793 at 1093, so the dialog ends at the screen's edges.
    expectRect(placeDialog({{900, 700, 1699, 1279}, kScreen, 339, 300, 20, true}), {941, 724, 1280, 1024});
    // Larger than the screen: moved back to end at the edges, then never left
    // of or above the screen's origin.
    expectRect(placeDialog({{0, 0, 640, 480}, {0, 0, 640, 480}, 799, 579, 0, true}), {0, 0, 799, 579});
}

TEST(DialogPlacement, ChoosersStandAtHalfTheSpareWidthAndHeightWithoutAShift) {
    // A 760 x 500 chooser over the main dialog: spare 39 x 79, so 19 across
    // and 39 down, whatever the title button.
    expectRect(placeChooser({kMainDialog, kScreen, 760, 500, 20, true}), {119, 89, 879, 589});
    // Larger than a parent at the screen's corner: never left of or above it.
    expectRect(placeChooser({{0, 0, 640, 480}, kScreen, 760, 500, 20, true}), {0, 0, 760, 500});
}

}  // namespace
