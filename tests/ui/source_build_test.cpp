// The dialog on an image whose source is built in steps: a provisional first
// preview, the build at the timer's ticks, and then the same preview, the
// same memory dot and the same result as when the source is built at once.
// The plug-in is linked in and called as a host calls it; the user is played
// on the headless window layer. The step threshold is lowered so that small
// images take the stepwise path, one step a tick.
#include "direct_host.h"

#include "plugin/filter_pass.h"
#include "ui/headless/headless_window.h"
#include "ui/main_dialog_controls.h"
#include "ui/window_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

// Smooth gradients with a fine pattern, so that a blur or a shifted sample shows.
Document patternDocument(int32_t width, int32_t height) {
    Document document;
    std::string error;
    makeDocument(document, width, height, 3, false, SampleDepth::eight, error);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = document.pixel(x, y);
            p[0] = uint8_t(x * 255 / width);
            p[1] = uint8_t(y * 255 / height);
            p[2] = uint8_t(((x / 9) ^ (y / 7)) & 1 ? 230 : 20);
        }
    return document;
}

struct InstalledHeadless {
    HeadlessWindowSystem system;
    InstalledHeadless() { installWindowSystem(&system); }
    ~InstalledHeadless() {
        installWindowSystem(nullptr);
        setStepwiseSource(kStepwiseSourcePixels, kSourceTickMilliseconds);
    }
};

// The preview control's client pixels, drawn as the user sees them.
std::vector<uint8_t> previewPixels(HeadlessDialog& window) {
    std::vector<uint8_t> pixels;
    for (int32_t y = 3; y < 423; ++y)
        for (int32_t x = 351; x < 781; ++x) {
            const Rgb c = window.pixel(x, y);
            pixels.insert(pixels.end(), {c.red, c.green, c.blue});
        }
    return pixels;
}

void finishBuild(HeadlessDialog& window) {
    for (int ticks = 0; window.timerRunning(kSourceBuildTimerId) && ticks < 100000; ++ticks)
        window.fireTimer(kSourceBuildTimerId);
}

// Starts the plug-in with the dialog, the step threshold at `stepwisePixels`
// and `user` playing the dialog; returns Start's result.
int16_t openDialog(DirectHost& host, InstalledHeadless& headless, int64_t stepwisePixels,
                   const std::function<void(HeadlessDialog&)>& user) {
    setStepwiseSource(stepwisePixels, 0);
    EXPECT_EQ(host.call(filterSelectorParameters), 0);
    EXPECT_EQ(host.call(filterSelectorPrepare), 0);
    headless.system.onModal = user;
    return host.call(filterSelectorStart);
}

const std::filesystem::path& temporaryFolder() {
    static const std::filesystem::path folder(std::getenv("TMPDIR"));
    return folder;
}

TEST(StepwiseSource, ProvisionalFirstPreviewThenTheExactOneAtEveryZoom) {
    // 1000 x 900 in the 426 x 416 viewport: fit factor max(3, 3) = 3.
    std::vector<uint8_t> atOnceFit, atOnceZoomed;
    {
        InstalledHeadless headless;
        DirectHost host(patternDocument(1000, 900));
        openDialog(host, headless, int64_t(1) << 40, [&](HeadlessDialog& w) {
            EXPECT_FALSE(w.timerRunning(kSourceBuildTimerId));
            atOnceFit = previewPixels(w);
            w.click(kIdZoomIn);
            atOnceZoomed = previewPixels(w);
            w.pressEscape();
        });
    }
    InstalledHeadless headless;
    DirectHost host(patternDocument(1000, 900));
    std::vector<uint8_t> provisional, built, zoomed;
    const int16_t result = openDialog(host, headless, 1, [&](HeadlessDialog& w) {
        EXPECT_TRUE(w.timerRunning(kSourceBuildTimerId));
        EXPECT_EQ(w.text(kIdZoomPercent), "33%");
        provisional = previewPixels(w);
        // Steps in, past the host's tiles, the preview is still the
        // provisional one, and the build goes on.
        for (int tick = 0; tick < 20; ++tick) w.fireTimer(kSourceBuildTimerId);
        EXPECT_TRUE(w.timerRunning(kSourceBuildTimerId));
        EXPECT_TRUE(previewPixels(w) == provisional);
        finishBuild(w);
        EXPECT_FALSE(w.timerRunning(kSourceBuildTimerId));
        built = previewPixels(w);
        w.click(kIdZoomIn);
        zoomed = previewPixels(w);
        w.pressEscape();
    });
    EXPECT_EQ(result, userCanceledErr);
    EXPECT_TRUE(built == atOnceFit);
    EXPECT_TRUE(zoomed == atOnceZoomed);
    // The provisional preview is the same picture filtered at the view's
    // size: near the final one everywhere, not equal to it.
    ASSERT_EQ(provisional.size(), built.size());
    int64_t difference = 0;
    for (size_t i = 0; i < built.size(); ++i) difference += std::abs(int(provisional[i]) - int(built[i]));
    EXPECT_GT(difference, 0);
    EXPECT_LT(double(difference) / double(built.size()), 12.0);
}

TEST(StepwiseSource, ZoomWhileBuildingFinishesTheSourceAndShowsTheExactView) {
    std::vector<uint8_t> atOnce;
    {
        InstalledHeadless headless;
        DirectHost host(patternDocument(1000, 900));
        openDialog(host, headless, int64_t(1) << 40, [&](HeadlessDialog& w) {
            w.click(kIdZoomIn);
            atOnce = previewPixels(w);
            w.pressEscape();
        });
    }
    InstalledHeadless headless;
    DirectHost host(patternDocument(1000, 900));
    openDialog(host, headless, 1, [&](HeadlessDialog& w) {
        w.fireTimer(kSourceBuildTimerId);
        w.click(kIdZoomIn);
        EXPECT_TRUE(previewPixels(w) == atOnce);
        // The next tick finds the source complete and stops the timer.
        w.fireTimer(kSourceBuildTimerId);
        EXPECT_FALSE(w.timerRunning(kSourceBuildTimerId));
        EXPECT_TRUE(previewPixels(w) == atOnce);
        w.pressEscape();
    });
}

// OK before the first tick: the final pass builds the rest of the source and
// gives the result the dialog gives without steps; the opening look has its
// memory dot, as at any opening.
TEST(StepwiseSource, OkWhileBuildingGivesTheSameResultAndStoresTheOpeningDot) {
    const std::filesystem::path dot = temporaryFolder() / "Twilightomator memory dot 0.z5a";
    std::vector<uint8_t> expected;
    {
        InstalledHeadless headless;
        DirectHost host(patternDocument(700, 500));
        std::filesystem::remove(dot);
        ASSERT_EQ(openDialog(host, headless, int64_t(1) << 40, [](HeadlessDialog& w) { w.pressReturn(); }), 0);
        ASSERT_EQ(host.runPass(), 0);
        EXPECT_TRUE(std::filesystem::exists(dot));
        expected = host.document.samples;
    }
    InstalledHeadless headless;
    DirectHost host(patternDocument(700, 500));
    std::filesystem::remove(dot);
    bool pendingAtOpening = false;
    ASSERT_EQ(openDialog(host, headless, 1,
                         [&](HeadlessDialog& w) {
                             pendingAtOpening = w.timerRunning(kSourceBuildTimerId) && !std::filesystem::exists(dot);
                             w.pressReturn();
                         }),
              0);
    EXPECT_TRUE(pendingAtOpening);
    EXPECT_TRUE(std::filesystem::exists(dot));
    ASSERT_EQ(host.runPass(), 0);
    EXPECT_TRUE(host.document.samples == expected);
}

// Cancel while building: the opening look still gets its dot, as at any
// opening, and the host is asked for nothing more.
TEST(StepwiseSource, CancelWhileBuildingStoresTheOpeningDotAndAsksNoMorePixels) {
    const std::filesystem::path dot = temporaryFolder() / "Twilightomator memory dot 0.z5a";
    std::filesystem::remove(dot);
    InstalledHeadless headless;
    DirectHost host(patternDocument(700, 500));
    const Document before = host.document;
    const int16_t result = openDialog(host, headless, 1, [](HeadlessDialog& w) {
        w.fireTimer(kSourceBuildTimerId);
        w.pressEscape();
        EXPECT_FALSE(w.timerRunning(kSourceBuildTimerId));
    });
    EXPECT_EQ(result, userCanceledErr);
    EXPECT_TRUE(std::filesystem::exists(dot));
    const FilterRecord& record = host.session.record();
    EXPECT_TRUE(empty(record.inRect) && empty(record.outRect) && empty(record.maskRect));
    EXPECT_TRUE(host.document.samples == before.samples);
}

}  // namespace
