// The main dialog driven through the headless window layer: value boxes and
// the settle timer, sliders, check boxes, list boxes, the next-mode button,
// float images, OK and Cancel.
#include "dialog_fixture.h"

#include "model/glue_modes.h"
#include "ui/window_system.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int32_t kFocusBox = 86, kSaturationBox = 104, kFocusSlider = 37, kSaturationSlider = 103;
constexpr WindowRect kFocusRect = {130, 90, 265, 102};

TEST(MainDialog, OpensWithTheParameterBlockShownAndClamped) {
    OpenDialog d(DialogImage{200, 150, false}, true, [](FilterParameters& p) {
        p.settings.focus = 36;
        p.settings.saturation = 180;  // out of the slider's range
        p.settings.shape = shapeTall;
        p.settings.glue = 62;
        p.settings.highQuality = 1;
    });
    HeadlessDialog& w = *d.window;
    EXPECT_EQ(w.text(kFocusBox), "36");
    EXPECT_EQ(w.text(kSaturationBox), "100");  // read back and clamped
    EXPECT_EQ(d.parameters.settings.saturation, 100);
    EXPECT_EQ(w.selectedListItem(67), 2);
    EXPECT_EQ(w.selectedListItem(73), 61);
    ASSERT_EQ(w.listItems(73).size(), 62u);
    EXPECT_EQ(w.listItems(73)[25], "hard diff");
    EXPECT_EQ(w.listItems(67), (std::vector<std::string>{"round", "wide", "tall"}));
    EXPECT_TRUE(w.checked(48));
    EXPECT_EQ(d.parameters.renderTarget, renderPreview);
    // Writing the boxes from the program leaves no settle timer running.
    EXPECT_FALSE(w.timerRunning(kSettleTimerId));
}

TEST(MainDialog, TypingMovesTheThumbAtOnceAndTheSettleTimerReadsItBack) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    const int rendersBefore = d.services.renders;
    w.type(kFocusBox, "250");
    EXPECT_EQ(d.dialog->cell(kFocusSlider).value, 100);  // the thumb is at 100 at once
    EXPECT_EQ(w.text(kFocusBox), "250");                  // the text stays as typed
    EXPECT_TRUE(w.timerRunning(kSettleTimerId));
    EXPECT_EQ(d.parameters.settings.focus, 36);           // not read yet
    EXPECT_EQ(d.services.renders, rendersBefore);

    // Typing again restarts the wait; only the timer reads the box.
    w.type(kFocusBox, "25");
    EXPECT_TRUE(w.timerRunning(kSettleTimerId));
    EXPECT_EQ(d.dialog->cell(kFocusSlider).value, 25);
    w.type(kFocusBox, "250");
    const int snapshotsBefore = d.services.snapshots;
    w.fireTimer(kSettleTimerId);
    EXPECT_EQ(d.parameters.settings.focus, 100);
    EXPECT_EQ(w.text(kFocusBox), "100");  // rewritten with the clamped value
    EXPECT_FALSE(w.timerRunning(kSettleTimerId));
    EXPECT_EQ(d.services.renders, rendersBefore + 1);
    EXPECT_EQ(d.services.snapshots, snapshotsBefore + 1);
}

TEST(MainDialog, ValueBoxTextClampsAndNonNumbersReadAsZero) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    w.type(kSaturationBox, "-150");
    EXPECT_EQ(d.dialog->cell(kSaturationSlider).value, -100);
    w.fireTimer(kSettleTimerId);
    EXPECT_EQ(d.parameters.settings.saturation, -100);
    EXPECT_EQ(w.text(kSaturationBox), "-100");

    w.type(kFocusBox, "12.9");  // truncated toward zero
    w.fireTimer(kSettleTimerId);
    EXPECT_EQ(d.parameters.settings.focus, 12);
    EXPECT_EQ(w.text(kFocusBox), "12.9");  // in range: the text stays

    w.type(kFocusBox, "abc");
    w.fireTimer(kSettleTimerId);
    EXPECT_EQ(d.parameters.settings.focus, 0);

    // A box reads a decimal number: "0x1e" is 0 followed by other text, not
    // hexadecimal 30; "1e999", too large for any number, is above the range
    // and clamps to 100 (the box is rewritten); a decimal exponent counts.
    w.type(kFocusBox, "0x1e");
    EXPECT_EQ(d.dialog->cell(kFocusSlider).value, 0);
    w.fireTimer(kSettleTimerId);
    EXPECT_EQ(d.parameters.settings.focus, 0);
    w.type(kFocusBox, "1e999");
    EXPECT_EQ(d.dialog->cell(kFocusSlider).value, 100);
    w.fireTimer(kSettleTimerId);
    EXPECT_EQ(d.parameters.settings.focus, 100);
    EXPECT_EQ(w.text(kFocusBox), "100");
    w.type(kSaturationBox, "-1e999");
    w.fireTimer(kSettleTimerId);
    EXPECT_EQ(d.parameters.settings.saturation, -100);
    w.type(kFocusBox, " 4.5e1x");
    w.fireTimer(kSettleTimerId);
    EXPECT_EQ(d.parameters.settings.focus, 45);
    w.type(kFocusBox, "inf");
    w.fireTimer(kSettleTimerId);
    EXPECT_EQ(d.parameters.settings.focus, 0);
}

TEST(MainDialog, SliderPressDragAndRelease) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    const int32_t left = kFocusRect.left, y = kFocusRect.top + 5;
    const int rendersBefore = d.services.renders;

    // left + 5: x - 4 = left + 1, the first value.
    w.press(left + 5, y);
    EXPECT_TRUE(w.capturing());
    EXPECT_EQ(d.dialog->cell(kFocusSlider).value, 0);
    EXPECT_EQ(w.text(kFocusBox), "0");
    // left + 126: (121 x 100) / 121 = 100.
    w.move(left + 126, y);
    EXPECT_EQ(d.dialog->cell(kFocusSlider).value, 100);
    // Halfway: (left + 66 - 4 - left - 1) x 100 / 121 = 61 x 100 / 121 = 50.
    w.move(left + 66, y);
    EXPECT_EQ(d.dialog->cell(kFocusSlider).value, 50);
    // Beyond either end the value stays at the end.
    w.move(left - 60, y);
    EXPECT_EQ(d.dialog->cell(kFocusSlider).value, 0);
    w.move(left + 400, y + 40);
    EXPECT_EQ(d.dialog->cell(kFocusSlider).value, 100);
    EXPECT_EQ(d.services.renders, rendersBefore);  // no render while dragging
    EXPECT_EQ(d.parameters.settings.focus, 36);

    const int snapshotsBefore = d.services.snapshots;
    w.release(left + 400, y + 40);
    EXPECT_FALSE(w.capturing());
    EXPECT_EQ(d.parameters.settings.focus, 100);
    EXPECT_EQ(d.services.renders, rendersBefore + 1);
    EXPECT_EQ(d.services.snapshots, snapshotsBefore + 1);
    EXPECT_EQ(d.dialog->pressedControl(), -1);

    // The right edge's last pixel: (130 x 100) / 121 = 107, clamped to 100.
    w.press(kFocusRect.right - 1, y);
    EXPECT_EQ(d.dialog->cell(kFocusSlider).value, 100);
    w.release(kFocusRect.right - 1, y);
}

TEST(MainDialog, CheckBoxesRenderAtOnceAndTheNextModeWrapsAfter62) {
    OpenDialog d(DialogImage{200, 150, false}, true, [](FilterParameters& p) { p.settings.glue = 62; });
    HeadlessDialog& w = *d.window;
    int renders = d.services.renders, snapshots = d.services.snapshots;
    w.click(105);
    EXPECT_EQ(d.parameters.settings.centerVignette, 1);
    EXPECT_EQ(d.services.renders, renders + 1);
    EXPECT_EQ(d.services.snapshots, snapshots + 1);

    renders = d.services.renders;
    w.click(kIdNextGlue);
    EXPECT_EQ(d.parameters.settings.glue, 1);
    EXPECT_EQ(w.selectedListItem(kIdGlue), 0);
    EXPECT_EQ(d.services.renders, renders + 1);
    w.click(kIdNextGlue);
    EXPECT_EQ(d.parameters.settings.glue, 2);

    renders = d.services.renders;
    w.select(kIdShape, 1);
    EXPECT_EQ(d.parameters.settings.shape, shapeWide);
    EXPECT_EQ(d.services.renders, renders + 1);
}

TEST(MainDialog, FloatImagesCannotChangeTheGlueMode) {
    OpenDialog d(DialogImage{200, 150, true});
    HeadlessDialog& w = *d.window;
    EXPECT_FALSE(w.enabled(kIdGlue));
    EXPECT_FALSE(w.enabled(kIdNextGlue));
    EXPECT_FALSE(d.dialog->cell(kIdGlueLabel).enabled);
    const int32_t glue = d.parameters.settings.glue;
    w.click(kIdNextGlue);
    EXPECT_EQ(d.parameters.settings.glue, glue);

    // The disabled label is drawn grey, an enabled one black.
    auto darkest = [&](const WindowRect& r) {
        int32_t least = 255;
        for (int32_t y = r.top - 2; y < r.bottom + 2; ++y)
            for (int32_t x = r.left - 28; x < r.right; ++x) {
                const Rgb p = w.pixel(x, y);
                least = std::min<int32_t>(least, std::max({p.red, p.green, p.blue}));
            }
        return least;
    };
    const int32_t glueLabel = darkest(controlAt(kIdGlueLabel)->rect);
    EXPECT_GE(glueLabel, 120);
    EXPECT_LE(glueLabel, 160);
    EXPECT_LT(darkest(controlAt(36)->rect), 60);
}

TEST(MainDialog, CancelRestoresAllButTheCentreAndOkKeeps) {
    for (const bool ok : {false, true}) {
        OpenDialog d(DialogImage{200, 150, false}, true, [](FilterParameters& p) {
            p.settings.focus = 20;
            p.settings.highQuality = 0;
            p.settings.glue = 5;
            std::strcpy(p.settingsFileName, "evening.z5a");
        });
        HeadlessDialog& w = *d.window;
        w.press(kFocusRect.left + 126, kFocusRect.top + 3);
        w.release(kFocusRect.left + 126, kFocusRect.top + 3);
        w.click(48);
        w.select(kIdGlue, 40);
        // A click at fit zoom puts the centre at the clicked image pixel:
        // the 200 x 150 image stands at 351 + 115, 3 + 135.
        w.press(351 + 115 + 50, 3 + 135 + 30);
        w.release(351 + 115 + 50, 3 + 135 + 30);
        EXPECT_EQ(d.parameters.viewCenterH, 50);
        EXPECT_FLOAT_EQ(d.parameters.settings.xCenter, 0.25f);
        EXPECT_FLOAT_EQ(d.parameters.settings.yCenter, 0.2f);
        w.type(kFocusBox, "70");  // typed, the timer still waiting
        if (ok) {
            w.pressReturn();
            EXPECT_EQ(d.dialog->exit(), DialogExit::ok);
            EXPECT_EQ(d.dialog->resultCode(), noErr);
            EXPECT_EQ(w.endCode(), 3);
            EXPECT_EQ(d.parameters.settings.focus, 70);
            EXPECT_EQ(d.parameters.settings.highQuality, 1);
            EXPECT_EQ(d.parameters.settings.glue, 41);
        } else {
            w.pressEscape();
            EXPECT_EQ(d.dialog->exit(), DialogExit::cancel);
            EXPECT_EQ(d.dialog->resultCode(), userCanceledErr);
            EXPECT_EQ(w.endCode(), 2);
            EXPECT_EQ(d.parameters.settings.focus, 20);
            EXPECT_EQ(d.parameters.settings.highQuality, 0);
            EXPECT_EQ(d.parameters.settings.glue, 5);
            EXPECT_STREQ(d.parameters.settingsFileName, "evening.z5a");
        }
        EXPECT_FLOAT_EQ(d.parameters.settings.xCenter, 0.25f);  // the centre is kept either way
        EXPECT_FALSE(w.timerRunning(kSettleTimerId));
    }
}

TEST(MainDialog, AnInterruptedHostClosesTheDialogAsCancelDoes) {
    HeadlessWindowSystem system;
    installWindowSystem(&system);
    OpenDialog d(DialogImage{200, 150, false}, true, [](FilterParameters& p) { p.settings.focus = 20; });
    HeadlessDialog& w = *d.window;
    EXPECT_TRUE(w.timerRunning(kInterruptTimerId));
    w.type(kFocusBox, "70");
    w.fireTimer(kSettleTimerId);
    w.fireTimer(kInterruptTimerId);  // the host asks nothing: the dialog stays
    EXPECT_FALSE(w.ended());

    // While the size dialog is open over it the dialog waits for it to close,
    // then closes at the next tick, as Cancel: nothing is kept.
    d.services.aborted = true;
    system.onModal = [&](HeadlessDialog& size) {
        w.fireTimer(kInterruptTimerId);
        EXPECT_FALSE(w.ended());
        size.pressEscape();
    };
    w.click(kIdPsd);
    EXPECT_FALSE(w.ended());
    w.fireTimer(kInterruptTimerId);
    EXPECT_EQ(w.endCode(), 2);
    EXPECT_EQ(d.dialog->exit(), DialogExit::cancel);
    EXPECT_EQ(d.dialog->resultCode(), userCanceledErr);
    EXPECT_EQ(d.parameters.settings.focus, 20);
    EXPECT_FALSE(w.timerRunning(kInterruptTimerId));
    EXPECT_TRUE(d.services.exports.empty());
    installWindowSystem(nullptr);
}

TEST(MainDialog, ColourSwatchTakesTheChosenColourAndACancelledChooserChangesNothing) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    const Color16 before = d.parameters.settings.sepiaColor;
    w.answerColourChooser(std::nullopt);
    w.press(320, 300);
    w.release(320, 300);
    ASSERT_EQ(w.colourPrompts().size(), 1u);
    EXPECT_EQ(w.colourPrompts()[0], "Choose the sepia color.");
    EXPECT_EQ(d.parameters.settings.sepiaColor.red, before.red);

    w.answerColourChooser(Color16{0x1234, 0xABCD, 0xFF00});
    w.press(320, 250);
    w.release(320, 250);
    EXPECT_EQ(w.colourPrompts().back(), "Choose the vignette color.");
    EXPECT_EQ(d.parameters.settings.vignetteColor.green, 0xAB00);  // 8 bits x 256
    // The swatch shows the high bytes inside its frames (inset 2, focused 3).
    const Rgb inside = w.pixel(321, 251);
    EXPECT_EQ(inside.red, 0x12);
    EXPECT_EQ(inside.green, 0xAB);
    EXPECT_EQ(inside.blue, 0xFF);
}

TEST(MainDialog, SaturationThumbAtZeroStandsAtLeftPlus61) {
    OpenDialog d(DialogImage{200, 150, false}, true, [](FilterParameters& p) { p.settings.saturation = 0; });
    HeadlessDialog& w = *d.window;
    // left + 1 + 120 x 100 / 200 = left + 61; the thumb's centre line is its
    // seventh column, drawn in its grip colour.
    const int32_t thumb = 130 + 61;
    const Rgb grip = w.pixel(thumb + 6, 190 + 1 + 4);
    EXPECT_EQ(grip.red, 0x6d);
    EXPECT_EQ(grip.green, 0x67);
    EXPECT_EQ(grip.blue, 0x60);
    // One column to the left of the thumb the track shows through, not the grip.
    const Rgb track = w.pixel(thumb - 1, 190 + 1 + 4);
    EXPECT_FALSE(track.red == 0x6d && track.green == 0x67);
}

}  // namespace

namespace {
// Holding the mouse on a memory dot shows its pressed picture while the
// pointer stays inside the dot and its plain picture once it leaves.
TEST(MainDialog, MemoryDotShowsItsPressedPictureOnlyWhileThePointerIsInside) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    const WindowRect dot = controlAt(kIdFirstMemoryDot)->rect;  // 333, 427
    const Rgb plain = w.pixel(dot.left + 4, dot.top + 4);
    w.press(dot.left + 5, dot.top + 5);
    EXPECT_TRUE(w.capturing());
    EXPECT_TRUE(d.dialog->cell(kIdFirstMemoryDot).pressedBits & kPressedBit);
    const Rgb pressed = w.pixel(dot.left + 4, dot.top + 4);
    EXPECT_FALSE(pressed.red == plain.red && pressed.green == plain.green);
    w.move(dot.left + 40, dot.top + 5);
    EXPECT_FALSE(d.dialog->cell(kIdFirstMemoryDot).pressedBits & kPressedBit);
    const Rgb left = w.pixel(dot.left + 4, dot.top + 4);
    EXPECT_TRUE(left.red == plain.red && left.green == plain.green && left.blue == plain.blue);
    w.move(dot.left + 6, dot.top + 6);
    EXPECT_TRUE(d.dialog->cell(kIdFirstMemoryDot).pressedBits & kPressedBit);
    w.release(dot.left + 40, dot.top + 40);
    EXPECT_FALSE(w.capturing());
    EXPECT_FALSE(d.dialog->cell(kIdFirstMemoryDot).pressedBits & kPressedBit);
    EXPECT_EQ(d.dialog->pressedControl(), -1);
}
}  // namespace
