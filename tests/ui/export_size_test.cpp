// The "Export PSD image" size dialog and the PSD button's whole command:
// size, save chooser, the job in the progress window.
#include "dialog_fixture.h"

#include "ui/export_size_dialog.h"
#include "ui/window_system.h"

#include <gtest/gtest.h>

namespace {

TEST(ExportSize, ProportionsFollowTheTypedSideAndTypingLeavesSameSize) {
    HeadlessWindowSystem system;
    FilterParameters parameters{};
    initialiseParameters(parameters);
    parameters.psdSizeMode = 1;
    system.onModal = [&](HeadlessDialog& w) {
        EXPECT_EQ(w.title(), "Export PSD image");
        EXPECT_EQ(w.text(kSizeWidthBox), "3000");
        EXPECT_EQ(w.text(kSizeHeightBox), "2000");
        EXPECT_TRUE(w.checked(kSizeSame));
        w.click(kSizeProportional);
        EXPECT_TRUE(w.checked(kSizeProportional));
        EXPECT_FALSE(w.checked(kSizeSame));
        // 2000 x 600 / 3000 = 400; 3000 x 500 / 2000 = 750.
        w.type(kSizeWidthBox, "600");
        EXPECT_EQ(w.text(kSizeHeightBox), "400");
        w.type(kSizeHeightBox, "500");
        EXPECT_EQ(w.text(kSizeWidthBox), "750");
        EXPECT_TRUE(w.checked(kSizeProportional));
        // Same size puts the input's size back; typing then means a custom size.
        w.click(kSizeSame);
        EXPECT_EQ(w.text(kSizeWidthBox), "3000");
        w.type(kSizeWidthBox, "1234");
        EXPECT_TRUE(w.checked(kSizeCustom));
        EXPECT_FALSE(w.checked(kSizeSame));
        EXPECT_EQ(w.text(kSizeHeightBox), "2000");
        w.click(1);
    };
    EXPECT_TRUE(askExportSize(system, parameters, 3000, 2000));
    EXPECT_EQ(parameters.psdSizeMode, 3);
    EXPECT_EQ(parameters.psdWidth, 1234);
    EXPECT_EQ(parameters.psdHeight, 2000);
}

TEST(ExportSize, CustomSizeIsShownAndOkClampsCancelKeeps) {
    HeadlessWindowSystem system;
    FilterParameters parameters{};
    initialiseParameters(parameters);
    parameters.psdSizeMode = 3;
    parameters.psdWidth = 55;
    parameters.psdHeight = 66;
    system.onModal = [&](HeadlessDialog& w) {
        EXPECT_EQ(w.text(kSizeWidthBox), "55");
        EXPECT_EQ(w.text(kSizeHeightBox), "66");
        EXPECT_TRUE(w.checked(kSizeCustom));
        w.type(kSizeWidthBox, "9");
        w.pressEscape();
    };
    EXPECT_FALSE(askExportSize(system, parameters, 3000, 2000));
    EXPECT_EQ(parameters.psdWidth, 55);

    system.onModal = [&](HeadlessDialog& w) {
        w.type(kSizeWidthBox, "1");
        w.type(kSizeHeightBox, "40000");
        w.click(1);
    };
    EXPECT_TRUE(askExportSize(system, parameters, 3000, 2000));
    EXPECT_EQ(parameters.psdWidth, 2);
    EXPECT_EQ(parameters.psdHeight, 30000);
    EXPECT_EQ(parameters.psdSizeMode, 3);
}

TEST(ExportSize, HugeTypedSidesKeepExactProportions) {
    HeadlessWindowSystem system;
    FilterParameters parameters{};
    initialiseParameters(parameters);
    system.onModal = [&](HeadlessDialog& w) {
        w.click(kSizeProportional);
        // 20000 x 1e15 / 10000 = 2e15: the sum needs more than 64 bits on
        // the way and must not wrap around.
        w.type(kSizeWidthBox, "1e15");
        EXPECT_EQ(w.text(kSizeHeightBox), "2000000000000000");
        w.type(kSizeHeightBox, "-3e15");
        EXPECT_EQ(w.text(kSizeWidthBox), "-1500000000000000");
        // A decimal number: "0x40" is 0.
        w.type(kSizeWidthBox, "0x40");
        EXPECT_EQ(w.text(kSizeHeightBox), "0");
        w.type(kSizeWidthBox, "37.9");
        EXPECT_EQ(w.text(kSizeHeightBox), "74");  // 20000 x 37 / 10000
        w.type(kSizeWidthBox, "1e999");
        w.click(1);
    };
    EXPECT_TRUE(askExportSize(system, parameters, 10000, 20000));
    EXPECT_EQ(parameters.psdWidth, 30000);
    EXPECT_EQ(parameters.psdHeight, 30000);
}

TEST(ExportSize, PsdButtonAsksSizeAndFileThenRunsTheJobOnce) {
    HeadlessWindowSystem system;
    installWindowSystem(&system);
    OpenDialog d;
    HeadlessDialog& main = *d.window;
    int sizeDialogs = 0;
    std::string percentAfterJob;
    system.onModal = [&](HeadlessDialog& w) {
        if (w.title() == "Export PSD image") {
            ++sizeDialogs;
            w.click(1);
        } else if (w.title() == "PSD file progress") {
            // A second PSD request while the document is written.
            main.click(kIdPsd);
            EXPECT_EQ(w.timesRaised(), 2);  // opening, and the second request
            w.fireTimer(kProgressTimerId);
        }
    };
    main.answerFileChooser("/tmp/export/out.psd");
    main.click(kIdPsd);
    installWindowSystem(nullptr);
    EXPECT_EQ(sizeDialogs, 1);
    ASSERT_EQ(main.fileRequests().size(), 1u);
    EXPECT_EQ(main.fileRequests()[0].proposedName, "Twilightomator result.psd");
    EXPECT_STREQ(main.fileRequests()[0].title, "Save a PSD file");
    EXPECT_STREQ(main.fileRequests()[0].pattern, "*.psd");
    ASSERT_EQ(d.services.exports.size(), 1u);
    EXPECT_EQ(d.services.exports[0].path, "/tmp/export/out.psd");
    EXPECT_EQ(d.services.exports[0].width, 200);  // the image's own size
    EXPECT_EQ(d.services.exports[0].height, 150);
    EXPECT_EQ(d.parameters.exportMode, 6);
    EXPECT_STREQ(d.parameters.exportFolder, "/tmp/export/");
    EXPECT_TRUE(main.messageBoxes().empty());
}

}  // namespace
