// The preview: fit factor, zoom buttons and their percentage, recentring,
// the white surround, click-to-centre at fit and at higher zooms, panning.
#include "dialog_fixture.h"

#include "ui/preview_display.h"
#include "ui/preview_view.h"

#include <gtest/gtest.h>

namespace {

bool same(Rgb a, Rgb b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

TEST(Preview, LargeImageStartsAtTheFitFactor) {
    // max(ceil(4000 / 426), ceil(3000 / 416)) = max(10, 8) = 10.
    OpenDialog d(DialogImage{4000, 3000, false});
    HeadlessDialog& w = *d.window;
    EXPECT_EQ(d.dialog->preview().fit, 10);
    EXPECT_EQ(d.parameters.previewScale, 10);
    EXPECT_EQ(w.text(kIdZoomPercent), "10%");
    EXPECT_TRUE(w.enabled(kIdZoomIn));
    EXPECT_FALSE(w.enabled(kIdZoomOut));

    // Every zoom keeps the image point at the viewport's centre there, as far
    // as the edges allow. At 10 the whole 4000 x 3000 image is shown: its
    // centre (2000, 1500) is the point. Zoom in to 9: the viewport covers
    // 426 x 9 = 3834 by 416 x 9 = 3744 image pixels, so the offset becomes
    // 2000 - 1917 = 83 (within the limit (4000 / 9 - 426) x 9 = 162) and
    // 1500 - 1872 < 0 -> 0 (3744 covers all 3000 rows).
    w.click(kIdZoomIn);
    EXPECT_EQ(d.parameters.previewScale, 9);
    EXPECT_EQ(d.parameters.previewOffsetX, 83);
    EXPECT_EQ(d.parameters.previewOffsetY, 0);
    EXPECT_EQ(w.text(kIdZoomPercent), "11%");
    EXPECT_TRUE(w.enabled(kIdZoomOut));

    // Actual size: the centre is still (83 + 1917, 0 + 3000 / 2) = (2000,
    // 1500); at 100 % the viewport is 426 x 416, so the offset is (2000 -
    // 213, 1500 - 208) = (1787, 1292) and (2000, 1500) stays in the middle.
    w.click(kIdZoomPercent);
    EXPECT_EQ(d.parameters.previewScale, 1);
    EXPECT_EQ(d.parameters.previewOffsetX, 1787);
    EXPECT_EQ(d.parameters.previewOffsetY, 1292);
    EXPECT_EQ(w.text(kIdZoomPercent), "100%");
    EXPECT_FALSE(w.enabled(kIdZoomIn));

    // Back out one step: the centre (1787 + 213, 1292 + 208) = (2000, 1500)
    // again; at 2 the offset is (2000 - 426, 1500 - 416) = (1574, 1084).
    w.click(kIdZoomOut);
    EXPECT_EQ(d.parameters.previewOffsetX, 1574);
    EXPECT_EQ(d.parameters.previewOffsetY, 1084);

    // Zooming out step by step to Zmax puts the offset back at (0, 0).
    for (int i = 0; i < 8; ++i) w.click(kIdZoomOut);
    EXPECT_EQ(d.parameters.previewScale, 10);
    EXPECT_EQ(d.parameters.previewOffsetX, 0);
    EXPECT_EQ(d.parameters.previewOffsetY, 0);
    EXPECT_EQ(w.text(kIdZoomPercent), "10%");
}

TEST(Preview, SmallImageIsCentredInWhiteWithTheZoomButtonsDisabled) {
    OpenDialog d(DialogImage{200, 150, false});
    HeadlessDialog& w = *d.window;
    EXPECT_EQ(d.dialog->preview().fit, 1);
    EXPECT_FALSE(w.enabled(kIdZoomIn));
    EXPECT_FALSE(w.enabled(kIdZoomOut));
    EXPECT_EQ(w.text(kIdZoomPercent), "100%");
    // R = (353, 5, 779, 421); the image is centred in it at (353 + (426 -
    // 200) / 2, 5 + (416 - 150) / 2) = (466, 138), where clicks are mapped from.
    EXPECT_TRUE(same(w.pixel(466, 138), kRenderedColour));
    EXPECT_TRUE(same(w.pixel(665, 287), kRenderedColour));
    EXPECT_TRUE(same(w.pixel(465, 138), Rgb{255, 255, 255}));
    EXPECT_TRUE(same(w.pixel(666, 287), Rgb{255, 255, 255}));
    EXPECT_TRUE(same(w.pixel(360, 10), Rgb{255, 255, 255}));
    // The black frame one pixel outside R.
    EXPECT_TRUE(same(w.pixel(600, 4), Rgb{0, 0, 0}));
    EXPECT_TRUE(same(w.pixel(779, 200), Rgb{0, 0, 0}));
    EXPECT_TRUE(same(w.pixel(600, 421), Rgb{0, 0, 0}));
}

TEST(Preview, TheImageIsDrawnWhereClicksAreMapped) {
    // 1200 x 1249: F = max(ceil(1200 / 426), ceil(1249 / 416)) = max(3, 4) =
    // 4; shown 300 x 312 at (353 + 63, 5 + 52) = (416, 57).
    OpenDialog d(DialogImage{1200, 1249, false});
    HeadlessDialog& w = *d.window;
    EXPECT_TRUE(same(w.pixel(416, 57), kRenderedColour));
    EXPECT_TRUE(same(w.pixel(415, 57), Rgb{255, 255, 255}));
    EXPECT_TRUE(same(w.pixel(416, 56), Rgb{255, 255, 255}));
    // The first drawn pixel is image pixel (0, 0), the last (1196, 1244).
    w.press(416, 57);
    EXPECT_EQ(d.parameters.viewCenterH, 0);
    EXPECT_EQ(d.parameters.viewCenterV, 0);
    w.press(416 + 299, 57 + 311);
    EXPECT_EQ(d.parameters.viewCenterH, 299 * 4);
    EXPECT_EQ(d.parameters.viewCenterV, 311 * 4);

    // At 100 % the 426 x 416 picture fills R exactly: the black frame
    // around it stays whole and no white line is left inside it.
    w.click(kIdZoomPercent);
    EXPECT_TRUE(same(w.pixel(353, 5), kRenderedColour));
    EXPECT_TRUE(same(w.pixel(778, 420), kRenderedColour));
    EXPECT_TRUE(same(w.pixel(352, 200), Rgb{0, 0, 0}));
    EXPECT_TRUE(same(w.pixel(600, 4), Rgb{0, 0, 0}));
    EXPECT_TRUE(same(w.pixel(779, 200), Rgb{0, 0, 0}));
    EXPECT_TRUE(same(w.pixel(600, 421), Rgb{0, 0, 0}));
}

TEST(Preview, ClickAtFitSetsTheCentreAtOnceWithoutCapture) {
    OpenDialog d(DialogImage{4000, 3000, false});
    HeadlessDialog& w = *d.window;
    // Over the preview the preview pointer, elsewhere the arrow.
    w.move(500, 200);
    EXPECT_EQ(w.pointer(), PointerShape::preview);
    w.move(200, 200);
    EXPECT_EQ(w.pointer(), PointerShape::arrow);
    const int renders = d.services.renders, snapshots = d.services.snapshots;
    // At 10 the shown image is 400 x 300: origin (351 + 15, 3 + 60).
    w.press(366 + 100, 63 + 150);
    EXPECT_FALSE(w.capturing());
    EXPECT_EQ(d.parameters.viewCenterH, 1000);
    EXPECT_EQ(d.parameters.viewCenterV, 1500);
    EXPECT_FLOAT_EQ(d.parameters.settings.xCenter, 0.25f);
    EXPECT_FLOAT_EQ(d.parameters.settings.yCenter, 0.5f);
    EXPECT_EQ(d.services.renders, renders + 1);
    EXPECT_EQ(d.services.snapshots, snapshots);  // no snapshot for the press
    // A click beside the image is not clamped.
    w.press(355, 10);
    EXPECT_LT(d.parameters.settings.xCenter, 0.0f);
    EXPECT_LT(d.parameters.settings.yCenter, 0.0f);
}

TEST(Preview, AtHigherZoomAClickSetsTheCentreOnReleaseAndADragPans) {
    OpenDialog d(DialogImage{4000, 3000, false});
    HeadlessDialog& w = *d.window;
    w.click(kIdZoomPercent);  // 100 %: the view's centre (2000, 1500) stays
    const int32_t px = d.parameters.previewOffsetX, py = d.parameters.previewOffsetY;
    EXPECT_EQ(px, 2000 - 426 / 2);
    EXPECT_EQ(py, 1500 - 416 / 2);
    const float xBefore = d.parameters.settings.xCenter;

    // Press and release without moving: the centre goes to the pixel under
    // the pointer; the 426 x 416 image stands at (351 + 2, 3 + 2).
    w.press(353 + 13, 5 + 8);
    EXPECT_TRUE(w.capturing());
    EXPECT_FLOAT_EQ(d.parameters.settings.xCenter, xBefore);
    EXPECT_EQ(w.pointer(), PointerShape::preview);
    const int snapshots = d.services.snapshots;
    w.release(353 + 13, 5 + 8);
    EXPECT_EQ(d.parameters.viewCenterH, px + 13);
    EXPECT_EQ(d.parameters.viewCenterV, py + 8);
    EXPECT_EQ(d.services.snapshots, snapshots + 1);

    // A drag pans: the image follows the pointer, the centre stays.
    const int32_t centreH = d.parameters.viewCenterH;
    w.press(500, 200);
    w.move(520, 190);
    EXPECT_EQ(d.parameters.previewOffsetX, px - 20);
    EXPECT_EQ(d.parameters.previewOffsetY, py + 10);
    EXPECT_EQ(w.pointer(), PointerShape::pan);
    EXPECT_EQ(d.services.unfilteredFills, 1);
    EXPECT_TRUE(same(w.pixel(600, 200), kUnfilteredColour));
    const int renders = d.services.renders;
    w.release(520, 190);
    EXPECT_EQ(d.parameters.viewCenterH, centreH);
    EXPECT_EQ(d.services.renders, renders + 1);
    EXPECT_TRUE(same(w.pixel(600, 200), kRenderedColour));

    // Panning never shows pixels left of or above the image.
    for (int i = 0; i < 6; ++i) {
        w.press(360, 10);
        w.move(778, 420);
        w.release(778, 420);
    }
    EXPECT_EQ(d.parameters.previewOffsetX, 0);
    EXPECT_EQ(d.parameters.previewOffsetY, 0);
    // And never past the far edge: at most (4000 - 426, 3000 - 416).
    for (int i = 0; i < 12; ++i) {
        w.press(778, 420);
        w.move(353, 5);
        w.release(353, 5);
    }
    EXPECT_EQ(d.parameters.previewOffsetX, 4000 - 426);
    EXPECT_EQ(d.parameters.previewOffsetY, 3000 - 416);
}

TEST(Preview, OffWhenTheHostLacksTheProceduresOrTheFirstRenderFails) {
    OpenDialog without(DialogImage{4000, 3000, false}, false);
    EXPECT_EQ(without.parameters.previewScale, 1);
    EXPECT_FALSE(without.window->enabled(kIdZoomIn));
    EXPECT_FALSE(without.window->enabled(kIdZoomOut));
    EXPECT_EQ(without.services.renders, 0);
    without.window->click(kIdZoomOut);
    EXPECT_EQ(without.parameters.previewScale, 1);

    FilterParameters parameters{};
    initialiseParameters(parameters);
    parameters.hostPreviewProcs = 1;
    StandInServices services;
    services.shape = {4000, 3000, false};
    services.parameters = &parameters;
    services.renderResult = -1;
    MainDialog dialog(services, parameters);
    HeadlessWindowSystem system;
    auto window = system.createDialog(mainDialogLayout(), dialog);
    dialog.open(*window);
    EXPECT_EQ(parameters.hostPreviewProcs, 0);
    EXPECT_FALSE(dialog.preview().available);
    EXPECT_EQ(parameters.previewScale, 1);
    auto& headless = static_cast<HeadlessDialog&>(*window);
    headless.click(kIdZoomOut);
    EXPECT_EQ(services.renders, 1);  // never again

    // A failure after a good first render leaves the preview on: the next
    // change renders again.
    OpenDialog later(DialogImage{4000, 3000, false});
    later.services.renderResult = -1;
    later.window->click(kIdZoomIn);
    EXPECT_TRUE(later.dialog->preview().available);
    EXPECT_EQ(later.parameters.hostPreviewProcs, 1);
    EXPECT_EQ(later.parameters.previewScale, 9);
    later.services.renderResult = noErr;
    const int renders = later.services.renders;
    later.window->click(kIdZoomIn);
    EXPECT_EQ(later.services.renders, renders + 1);
    EXPECT_TRUE(later.window->enabled(kIdZoomOut));
}

TEST(Preview, SixteenBitAndFloatBuffersAreShownAsEightBits) {
    // 16-bit: 255 from 32768 up, else v >> 7; float: v x 255 truncated, limited.
    const uint16_t sixteen[6] = {32768, 40000, 32767, 128, 127, 0};
    PreviewImage image;
    image.pixels = sixteen;
    image.width = 2;
    image.height = 1;
    image.rowBytes = 12;
    image.planes = 3;
    image.bitsPerSample = 16;
    image.imageMode = plugInModeRGB48;
    std::vector<uint8_t> converted;
    PSPixelMap map = eightBitPixelMap(image, converted);
    EXPECT_EQ(map.imageMode, plugInModeRGBColor);
    EXPECT_EQ(map.colBytes, 3);
    const auto* bytes = static_cast<const uint8_t*>(map.baseAddr);
    EXPECT_EQ(std::vector<int>(bytes, bytes + 6), (std::vector<int>{255, 255, 255, 1, 0, 0}));

    const float floats[3] = {0.5f, 1.5f, -0.25f};
    image.pixels = floats;
    image.width = 3;
    image.planes = 1;
    image.rowBytes = 12;
    image.bitsPerSample = 32;
    image.imageMode = plugInModeGray32;
    map = eightBitPixelMap(image, converted);
    EXPECT_EQ(map.imageMode, plugInModeGrayScale);
    bytes = static_cast<const uint8_t*>(map.baseAddr);
    EXPECT_EQ(std::vector<int>(bytes, bytes + 3), (std::vector<int>{127, 255, 0}));
}

}  // namespace

namespace {
// The whole window at desktop scales 1 and 2, kept beside the test as an
// artefact; the artwork stands where the layout puts it at both scales.
TEST(DialogPicture, DrawnAtScaleOneAndTwo) {
    for (const double scale : {1.0, 2.0}) {
        FilterParameters parameters{};
        initialiseParameters(parameters);
        parameters.hostPreviewProcs = 1;
        StandInServices services;
        services.parameters = &parameters;
        MainDialog dialog(services, parameters);
        HeadlessWindowSystem system(scale);
        auto owned = system.createDialog(mainDialogLayout(), dialog);
        dialog.open(*owned);
        auto& window = static_cast<HeadlessDialog&>(*owned);
        window.repaintAll();
        EXPECT_TRUE(window.writePng(scale == 1.0 ? "dialog-headless.png" : "dialog-headless@2.png"));
        // The Focus slider's track, the OK button's frame and the preview's
        // rendered image at the same client points whatever the scale.
        EXPECT_TRUE(same(window.pixel(465 + 10, 137 + 10), kRenderedColour));
        const Rgb track = window.pixel(130 + 60, 90 + 6);
        EXPECT_LT(int(track.red) + track.green + track.blue, 3 * 200);
    }
}
}  // namespace
