// Memory dots, Undo, Dice and Reset in the main dialog, driven through the
// headless window layer: the store at opening, kept flags, the three kinds of
// click, hover pictures, undo snapshots and the current dot's demotion.
#include "dialog_fixture.h"

#include "ui/dice.h"
#include "ui/window_system.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int32_t kDotCorners[25][2] = {
    {333, 427}, {337, 439}, {337, 451}, {333, 464}, {329, 477}, {325, 490}, {325, 503}, {329, 515}, {336, 526},
    {344, 536}, {355, 544}, {367, 553}, {380, 559}, {395, 563}, {410, 563}, {424, 559}, {437, 553}, {449, 544},
    {458, 532}, {464, 519}, {468, 504}, {468, 489}, {464, 475}, {458, 462}, {449, 450}};

void clickDot(HeadlessDialog& w, int32_t dot, MouseButton button = MouseButton::left, bool control = false) {
    const int32_t x = kDotCorners[dot][0] + 4, y = kDotCorners[dot][1] + 4;
    w.press(x, y, button, control);
    w.release(x, y, button);
}

void hoverDot(HeadlessDialog& w, int32_t dot) { w.move(kDotCorners[dot][0] + 5, kDotCorners[dot][1] + 5); }

// The dot thumbnail's centre: inside the 88 x 66 picture the stand-in renders.
constexpr int32_t kThumbX = 351 + 48, kThumbY = 438 + 48;

TEST(MemoryDots, OpeningStoresIntoTheFirstFreeDotAndLeavesItFree) {
    {
        OpenDialog d;
        EXPECT_EQ(d.services.stores, std::vector<int32_t>{0});
        EXPECT_EQ(d.dialog->dotState(0), DotState::current);
        EXPECT_EQ(d.dialog->shownDot(), 0);
        EXPECT_EQ(d.services.kept[0], 0);  // the next opening writes dot 121 again
        for (int32_t dot = 1; dot < 25; ++dot) EXPECT_EQ(d.dialog->dotState(dot), DotState::empty);
        // The stored picture is drawn in the thumbnail: red = 10 x dot number.
        EXPECT_EQ(d.window->pixel(kThumbX, kThumbY).red, 0);
        EXPECT_EQ(d.window->pixel(kThumbX, kThumbY).green, 0);
    }
    {
        OpenDialog d({200, 150, false}, true, nullptr, [](StandInServices& s) { s.kept[0] = s.kept[1] = 1; });
        EXPECT_EQ(d.dialog->dotState(0), DotState::filled);
        EXPECT_EQ(d.dialog->dotState(1), DotState::filled);
        EXPECT_EQ(d.services.stores, std::vector<int32_t>{2});
        EXPECT_EQ(d.dialog->dotState(2), DotState::current);
        EXPECT_EQ(d.window->pixel(kThumbX, kThumbY).red, 20);
    }
    {
        OpenDialog d({200, 150, false}, true, nullptr, [](StandInServices& s) { s.kept.fill(1); });
        EXPECT_TRUE(d.services.stores.empty());
        EXPECT_EQ(d.dialog->shownDot(), -1);
        EXPECT_EQ(d.dialog->dotState(24), DotState::filled);
    }
}

TEST(MemoryDots, ClicksStoreEmptyDotsAndLoadOrFreeOrEmptyFilledOnes) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    // Control-click on an empty dot: stored, not kept.
    w.type(86, "11");
    clickDot(w, 5, MouseButton::left, true);
    EXPECT_EQ(d.services.stores.back(), 5);
    ASSERT_TRUE(d.services.dots[5]);
    EXPECT_EQ(d.services.dots[5]->focus, 11);  // the typed value was read before the store
    EXPECT_EQ(d.services.kept[5], 0);
    EXPECT_EQ(d.dialog->dotState(5), DotState::current);
    EXPECT_EQ(d.dialog->dotState(0), DotState::filled);  // the previous current dot
    EXPECT_EQ(d.dialog->shownDot(), 5);

    // A plain click on an empty dot keeps it; a right-click does too.
    w.type(86, "77");
    clickDot(w, 6);
    EXPECT_EQ(d.services.kept[6], 1);
    clickDot(w, 7, MouseButton::right);
    EXPECT_EQ(d.services.kept[7], 1);
    EXPECT_EQ(d.dialog->dotState(7), DotState::current);
    EXPECT_EQ(d.dialog->dotState(6), DotState::filled);
    const int snapshotsAfterStores = d.services.snapshots;
    EXPECT_EQ(snapshotsAfterStores, 0);  // clicks on empty dots take none

    // Control-click on a kept dot frees it; it stays filled.
    clickDot(w, 6, MouseButton::left, true);
    EXPECT_EQ(d.services.kept[6], 0);
    EXPECT_EQ(d.dialog->dotState(6), DotState::filled);
    EXPECT_EQ(d.services.snapshots, 0);

    // Plain click on a filled dot loads it into the dialog, with a snapshot
    // with file, and it becomes current.
    clickDot(w, 6);
    EXPECT_EQ(d.services.loads.back(), 6);
    EXPECT_EQ(w.text(86), "77");
    EXPECT_EQ(d.parameters.settings.focus, 77);
    EXPECT_EQ(d.dialog->dotState(6), DotState::current);
    EXPECT_EQ(d.dialog->dotState(7), DotState::filled);
    ASSERT_EQ(d.services.snapshotFiles, std::vector<bool>{true});

    // Right-click on the current dot empties it and frees it; the thumbnail
    // shows the frame only.
    clickDot(w, 7, MouseButton::right);
    EXPECT_EQ(d.dialog->dotState(7), DotState::empty);
    EXPECT_EQ(d.services.kept[7], 0);
    EXPECT_EQ(d.dialog->shownDot(), -1);
    EXPECT_NE(w.pixel(kThumbX, kThumbY).red, 70);
}

TEST(MemoryDots, HoverShowsFilledDotsAndClearsOnEmptyOnes) {
    OpenDialog d({200, 150, false}, true, nullptr, [](StandInServices& s) { s.kept[3] = 1; });
    HeadlessDialog& w = *d.window;
    EXPECT_EQ(d.dialog->shownDot(), 0);
    d.services.pictures.clear();
    hoverDot(w, 3);
    EXPECT_EQ(d.services.pictures, std::vector<int32_t>{3});
    EXPECT_EQ(w.pixel(kThumbX, kThumbY).red, 30);
    hoverDot(w, 3);  // already shown: no second render
    EXPECT_EQ(d.services.pictures.size(), 1u);
    hoverDot(w, 9);
    EXPECT_EQ(d.dialog->shownDot(), -1);
    EXPECT_EQ(d.dialog->hoveredDot(), 9);
    w.move(200, 200);  // off the dots: no dot is hovered any more
    EXPECT_EQ(d.dialog->hoveredDot(), -1);
    const Rgb frame = w.pixel(kThumbX, kThumbY);
    EXPECT_FALSE(frame.red == 0 && frame.green == 0 && frame.blue == 0);
    // The picture of a dot follows its state and kept flag.
    EXPECT_EQ(dotArtwork(DotState::filled, true, false), 215);
    EXPECT_EQ(dotArtwork(DotState::filled, false, false), 213);
    EXPECT_EQ(dotArtwork(DotState::current, true, true), 212);
    EXPECT_EQ(dotArtwork(DotState::empty, true, true), 210);
}

// On a doubled desktop the dot picture is made with two pixels per client
// pixel and each lands on its own device pixel, not doubled.
TEST(MemoryDots, ThePictureHasTheDevicesOwnResolutionAtScaleTwo) {
    FilterParameters parameters{};
    initialiseParameters(parameters);
    parameters.hostPreviewProcs = 1;
    StandInServices services;
    services.parameters = &parameters;
    MainDialog dialog(services, parameters);
    HeadlessWindowSystem system(2.0);
    auto owned = system.createDialog(mainDialogLayout(), dialog);
    dialog.open(*owned);
    auto& w = static_cast<HeadlessDialog&>(*owned);
    // Dot 0's picture: red 0 and 5 in alternate device columns, centred at
    // (351 + 4, 438 + 4 + 11) with its 88 x 66 client pixels.
    const Rgb left = w.devicePixel(2 * kThumbX, 2 * kThumbY), right = w.devicePixel(2 * kThumbX + 1, 2 * kThumbY);
    EXPECT_EQ(left.red, 0);
    EXPECT_EQ(right.red, 5);
}

TEST(MemoryDots, ThumbnailClickLoadsTheShownDotAndThenDemotesIt) {
    OpenDialog d({200, 150, false}, true, nullptr, [](StandInServices& s) { s.kept[3] = 1; });
    HeadlessDialog& w = *d.window;
    UserSettings stored = d.parameters.settings;
    stored.dampen = 64;
    d.services.dots[3] = stored;
    hoverDot(w, 3);
    w.press(380, 470);
    w.release(380, 470);
    EXPECT_EQ(d.parameters.settings.dampen, 64);
    EXPECT_EQ(d.services.snapshotFiles, std::vector<bool>{true});
    EXPECT_EQ(d.dialog->dotState(3), DotState::filled);  // loaded, then demoted
    EXPECT_EQ(d.dialog->dotState(0), DotState::filled);
}

TEST(MemoryDots, RightAndControlClicksOnTheThumbnailWorkWithNoDotShown) {
    HeadlessWindowSystem system;
    installWindowSystem(&system);
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    hoverDot(w, 9);  // an empty dot: the thumbnail shows none
    ASSERT_EQ(d.dialog->shownDot(), -1);
    // A plain click then does nothing.
    w.press(380, 470);
    w.release(380, 470);
    EXPECT_TRUE(w.fileRequests().empty());
    EXPECT_TRUE(d.services.loads.empty());
    // The right button still writes the memory-dots page...
    w.answerFileChooser("/pages/dots.html");
    w.press(380, 470, MouseButton::right);
    w.release(380, 470, MouseButton::right);
    EXPECT_EQ(d.services.pages, std::vector<std::string>{"dots to /pages/dots.html"});
    // ...and Control still starts the preset refresh with its folder chooser.
    w.answerFileChooser(std::nullopt);
    w.press(380, 470, MouseButton::left, true);
    w.release(380, 470);
    ASSERT_EQ(w.fileRequests().size(), 2u);
    EXPECT_STREQ(w.fileRequests()[1].title, "Choose any file in the source folder");
    EXPECT_TRUE(d.services.snapshotFiles.empty());  // no dot shown: no snapshot
    installWindowSystem(nullptr);
}

TEST(UndoDiceReset, UndoSwitchesWithoutSnapshotsAndDemotesTheCurrentDot) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    // Nothing to undo: the dialog stays as it is.
    w.click(kIdUndo);
    EXPECT_EQ(d.services.undos, 1);
    EXPECT_EQ(w.text(86), "36");
    EXPECT_EQ(d.dialog->dotState(0), DotState::filled);

    d.services.undoAvailable = true;
    d.services.undoSettings = d.parameters.settings;
    d.services.undoSettings.focus = 12;
    w.click(kIdUndo);
    EXPECT_EQ(w.text(86), "12");
    EXPECT_EQ(d.parameters.settings.focus, 12);
    w.click(kIdUndo);
    EXPECT_EQ(w.text(86), "36");
    EXPECT_EQ(d.services.snapshots, 0);
}

TEST(UndoDiceReset, DiceDrawsInItsOrderFromTheSeed) {
    // The generator seeded with 1 gives 41, 18467, 6334, 26500, 19169, 15724,
    // 11478, 29358, 26962, 24464, 5705, 28145, 23281, 16827, 9961, 491, 2995,
    // 11942, 4827, 5436, 32391, 14604. Shifted right by 4 and masked:
    // CB width 2 & 127 = 2; auxInt11 1154 & 63 = 2; clear area 30 + (395 & 31)
    // = 41; auxInt10: 120 (> 70, again), 46, then 86, 77 (again), 42:
    // 46 x 42 / 100 = 19; vignette 20 + (1685 & 63) = 41; saturation 1 +
    // 121, 100, 95 (all > 89, again), 47 = 48; sepia 20 + 27 = 47; auxInt1
    // 622 & 63 = 46; dampen 3 + 30 = 33; hue offset 59 - 50 = 9;
    // saturation 106 (again), 45; lightness 83; black test 104 (again), 16.
    RuntimeRandom random;
    seedRuntimeRandom(random, 1);
    UserSettings settings = defaultUserSettings();
    settings.focus = 17;
    settings.colorBlur = 23;
    settings.glue = 9;
    settings.sepiaColor = {1, 2, 3};
    rollDice(settings, random);
    EXPECT_EQ(settings.cbWidth, 2);
    EXPECT_EQ(settings.auxInt11, 2);
    EXPECT_EQ(settings.clearArea, 41);
    EXPECT_EQ(settings.auxInt10, 19);
    EXPECT_EQ(settings.vignette, 41);
    EXPECT_EQ(settings.saturation, 48);
    EXPECT_EQ(settings.sepia, 47);
    EXPECT_EQ(settings.auxInt1, 46);
    EXPECT_EQ(settings.dampen, 33);
    // Hue 0.6568627 + 0.45 wraps to 0.1068627; saturation 0.68 x 0.45 =
    // 0.306; lightness 0.125 x 1.66 = 0.2075; 16 < 41 keeps it. q = 0.2075 x
    // 1.306 = 0.270995, p = 0.144005; sector 0: red q, green p + (q - p) x
    // 0.6411765 = 0.225428, blue p; x 65535 truncated.
    EXPECT_NEAR(settings.vignetteColor.red, 17759, 1);
    EXPECT_NEAR(settings.vignetteColor.green, 14773, 1);
    EXPECT_NEAR(settings.vignetteColor.blue, 9437, 1);
    EXPECT_EQ(settings.focus, 17);
    EXPECT_EQ(settings.colorBlur, 23);
    EXPECT_EQ(settings.glue, 9);
    EXPECT_EQ(settings.sepiaColor.blue, 3);

    // Over many rolls focus and colour blur never move and the clear area
    // stays in 30..60.
    for (int i = 0; i < 2000; ++i) {
        rollDice(settings, random);
        ASSERT_GE(settings.clearArea, 30);
        ASSERT_LE(settings.clearArea, 60);
        ASSERT_LE(settings.saturation, 90);
        ASSERT_GE(settings.dampen, 3);
    }
    EXPECT_EQ(settings.focus, 17);
    EXPECT_EQ(settings.colorBlur, 23);
}

TEST(UndoDiceReset, DiceAndResetInTheDialog) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    seedRuntimeRandom(d.services.generator, 1);
    const int32_t focus = d.parameters.settings.focus;
    w.click(kIdDice);
    EXPECT_EQ(w.text(104), "48");  // saturation
    EXPECT_EQ(d.parameters.settings.clearArea, 41);
    EXPECT_EQ(d.parameters.settings.focus, focus);
    EXPECT_STREQ(d.parameters.settingsFileName, "random settings.z5a");
    EXPECT_EQ(d.services.snapshotFiles, std::vector<bool>{false});
    EXPECT_EQ(d.dialog->dotState(0), DotState::filled);  // demoted

    w.click(kIdReset);
    const UserSettings defaults = defaultUserSettings();
    EXPECT_EQ(d.parameters.settings.saturation, defaults.saturation);
    EXPECT_EQ(d.parameters.settings.clearArea, defaults.clearArea);
    EXPECT_EQ(w.text(104), std::to_string(defaults.saturation));
    EXPECT_STREQ(d.parameters.settingsFileName, "plain settings.z5a");
    EXPECT_EQ(d.services.snapshotFiles, (std::vector<bool>{false, false}));
}

}  // namespace
