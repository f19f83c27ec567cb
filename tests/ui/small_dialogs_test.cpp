// The About box, the Info box and the progress dialog on the headless
// window layer.
#include "dialog_fixture.h"

#include "ui/small_dialogs.h"
#include "ui/window_system.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressDialog, PercentageCountsEarlierPasses) {
    // (150 + 300 x 1) x 100 / (300 x 2) = 75.
    EXPECT_EQ(progressText(150, 300, 1, 2), "75%");
    EXPECT_EQ(progressText(0, 300, 0, 2), "0%");
    EXPECT_EQ(progressText(299, 300, 0, 1), "99%");  // integer division
    EXPECT_EQ(progressText(5, 0, 0, 1), "0%");
}

TEST(ProgressDialog, JobRunsInTheFirstTickAndASecondRequestOnlyRaisesTheWindow) {
    HeadlessWindowSystem system;
    int jobs = 0, nestedJobs = 0;
    bool nestedResult = true;
    int32_t raised = 0, endCode = 0;
    PointerShape after = PointerShape::wait;
    system.onModal = [&](HeadlessDialog& w) {
        EXPECT_EQ(w.title(), "PSD file progress");
        EXPECT_EQ(w.pointer(), PointerShape::wait);
        EXPECT_TRUE(w.timerRunning(kProgressTimerId));
        EXPECT_EQ(jobs, 0);  // nothing runs before the tick
        w.fireTimer(kProgressTimerId);
        // The window ends when the job returns.
        raised = w.timesRaised();
        endCode = w.endCode();
        after = w.pointer();
    };
    const bool cancelled = runJobWithProgress(system, [&](ProgressWindow& report) {
        ++jobs;
        report.reportPass(150, 300, 1, 2);
        nestedResult = runJobWithProgress(system, [&](ProgressWindow&) { ++nestedJobs; });
    });
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(jobs, 1);
    EXPECT_EQ(nestedJobs, 0);
    EXPECT_FALSE(nestedResult);
    EXPECT_GE(raised, 2);  // opening, the report, the second request
    EXPECT_EQ(endCode, 1);
    EXPECT_EQ(after, PointerShape::arrow);
    EXPECT_EQ(secondaryWindows().progress, nullptr);
}

TEST(ProgressDialog, ClosingTheWindowWhileTheJobRunsCancelsIt) {
    // The job runs on the window's thread; each report gives the toolkit its
    // turn, in which the new percentage is drawn and the user's close
    // arrives.
    HeadlessWindowSystem system;
    system.onModal = [&](HeadlessDialog& w) {
        w.onPendingEvents = [&](HeadlessDialog& window) {
            if (window.pendingEventTurns() == 2) window.closeWindow();
        };
        w.fireTimer(kProgressTimerId);
    };
    int reportsBeforeCancel = 0;
    const bool cancelled = runJobWithProgress(system, [&](ProgressWindow& report) {
        // A job sees the window as any job progress: the report that let
        // the close arrive already answers that the job should stop.
        bool going = true;
        for (int row = 0; row < 10 && going && !report.stopRequested(); ++row) {
            going = report.report(row, 10);
            ++reportsBeforeCancel;
        }
        EXPECT_FALSE(going);
    });
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(reportsBeforeCancel, 2);  // the close came in the second turn
}

TEST(AboutAndInfo, AboutBoxOpensTheWebPageAndRefusesASecondCopy) {
    HeadlessWindowSystem system;
    int opened = 0;
    system.onModal = [&](HeadlessDialog& w) {
        ++opened;
        EXPECT_EQ(w.title(), "About");
        EXPECT_EQ(w.text(5), "Visit Copper Heron's website...");
        showAboutBox(system);  // raised, not opened again
        EXPECT_EQ(w.timesRaised(), 1);
        // White around the pictures.
        const Rgb corner = w.pixel(2, 2);
        EXPECT_EQ(corner.red + corner.green + corner.blue, 3 * 255);
        w.writePng("about-headless.png");  // kept for a look
        w.click(5);
        EXPECT_EQ(w.endCode(), 5);
    };
    showAboutBox(system);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(system.webPages, std::vector<std::string>{kMakerWebPage});
    EXPECT_EQ(secondaryWindows().about, nullptr);
}

TEST(AboutAndInfo, InfoBoxClosesWithinASecondOfTheMainDialog) {
    HeadlessWindowSystem system;
    installWindowSystem(&system);
    auto d = std::make_unique<OpenDialog>();
    std::string title;
    system.onModal = [&](HeadlessDialog& w) {
        title = w.title();
        w.writePng("info-headless.png");  // kept for a look
        w.pressEscape();
    };
    d->window->click(kIdInfo);  // the Info button shows the box
    EXPECT_EQ(title, "Info");
    EXPECT_TRUE(secondaryWindows().mainDialogOpen);
    d.reset();
    EXPECT_FALSE(secondaryWindows().mainDialogOpen);  // the main dialog is gone

    // The box checks each second whether the main dialog still exists.
    secondaryWindows().mainDialogOpen = true;
    bool stillOpenAfterFirstTick = false;
    int32_t endCode = 0;
    system.onModal = [&](HeadlessDialog& w) {
        EXPECT_TRUE(w.timerRunning(kInfoTimerId));
        w.fireTimer(kInfoTimerId);
        stillOpenAfterFirstTick = !w.ended() && w.timerRunning(kInfoTimerId);
        secondaryWindows().mainDialogOpen = false;
        w.fireTimer(kInfoTimerId);
        endCode = w.endCode();
    };
    showInfoBox(system);
    installWindowSystem(nullptr);
    EXPECT_TRUE(stillOpenAfterFirstTick);
    EXPECT_EQ(endCode, 1);
    EXPECT_EQ(secondaryWindows().info, nullptr);
}

TEST(AboutAndInfo, TheLogoOpensTheAboutBox) {
    HeadlessWindowSystem system;
    installWindowSystem(&system);
    OpenDialog d;
    std::string title;
    system.onModal = [&](HeadlessDialog& w) {
        title = w.title();
        w.closeWindow();
        EXPECT_EQ(w.endCode(), 1);
    };
    d.window->press(30, 545);
    d.window->release(30, 545);
    installWindowSystem(nullptr);
    EXPECT_EQ(title, "About");
}

}  // namespace
