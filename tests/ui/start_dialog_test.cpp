// Start with the dialog, through PluginMain over the substitute host, the
// user played on the headless window layer.
#include "host/document.h"
#include "host/filter_driver.h"
#include "host/handle_suite.h"
#include "host/host_session.h"
#include "model/parameters.h"
#include "plugin/entry.h"
#include "ui/headless/headless_window.h"
#include "ui/main_dialog_controls.h"
#include "ui/window_system.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

Document rampDocument(int32_t width, int32_t height) {
    Document document;
    std::string error;
    makeDocument(document, width, height, 3, false, SampleDepth::eight, error);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int p = 0; p < 3; ++p) document.pixel(x, y)[p] = uint8_t((x * 3 + y * 5 + p * 70) % 256);
    return document;
}

bool empty(const Rect& r) { return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0; }

// The plug-in linked into the test, called as a host calls its module.
struct DirectHost {
    Document document;
    HostSession session;
    PluginSessionState state;

    explicit DirectHost(Document doc, HostConfig config = {}) : document(std::move(doc)), session(document, config) {}
    ~DirectHost() {
        if (state.parameters) hostDisposeHandle(state.parameters);
        if (state.data) hostDisposeHandle(reinterpret_cast<Handle>(state.data));
    }
    int16_t call(int16_t selector) {
        FilterRecord& record = session.record();
        record.parameters = state.parameters;
        int16_t result = 0;
        pluginMain(selector, &record, &state.data, &result);
        state.parameters = record.parameters;
        return result;
    }
    FilterParameters& parameters() { return *reinterpret_cast<FilterParameters*>(*state.parameters); }
};

struct InstalledHeadless {
    HeadlessWindowSystem system;
    InstalledHeadless() { installWindowSystem(&system); }
    ~InstalledHeadless() { installWindowSystem(nullptr); }
};

constexpr int32_t kFocusLeft = 130, kFocusMiddle = 96;

TEST(StartWithDialog, CancelGivesUserCancelledEmptyRectanglesAndTheOpeningSettings) {
    InstalledHeadless headless;
    DirectHost host(rampDocument(300, 200));
    ASSERT_EQ(host.call(filterSelectorParameters), 0);
    ASSERT_EQ(host.call(filterSelectorPrepare), 0);
    bool shown = false;
    std::string opened;
    headless.system.onModal = [&](HeadlessDialog& w) {
        shown = true;
        opened = w.text(86);
        w.press(kFocusLeft + 126, kFocusMiddle);
        w.release(kFocusLeft + 126, kFocusMiddle);
        EXPECT_EQ(w.text(86), "100");
        w.pressEscape();
    };
    const int16_t result = host.call(filterSelectorStart);
    EXPECT_TRUE(shown);
    EXPECT_EQ(result, userCanceledErr);
    const FilterRecord& record = host.session.record();
    EXPECT_TRUE(empty(record.inRect));
    EXPECT_TRUE(empty(record.outRect));
    EXPECT_TRUE(empty(record.maskRect));
    EXPECT_EQ(host.parameters().showDialog, 0);
    EXPECT_NE(opened, "100");
    EXPECT_EQ(std::to_string(host.parameters().settings.focus), opened);
}

TEST(StartWithDialog, OkShowsThePreviewThroughTheHostAndStartsThePass) {
    InstalledHeadless headless;
    DirectHost host(rampDocument(300, 200));
    ASSERT_EQ(host.call(filterSelectorParameters), 0);
    ASSERT_EQ(host.call(filterSelectorPrepare), 0);
    Rgb centre{}, surround{};
    headless.system.onModal = [&](HeadlessDialog& w) {
        // The 300 x 200 image at fit stands at ((352 + 779 - 300) / 2, (4 + 421 - 200) / 2).
        centre = w.pixel(415 + 150, 112 + 100);
        surround = w.pixel(360, 20);
        w.press(kFocusLeft + 126, kFocusMiddle);
        w.release(kFocusLeft + 126, kFocusMiddle);
        w.pressReturn();
    };
    EXPECT_EQ(host.call(filterSelectorStart), 0);
    EXPECT_FALSE(host.session.displayCalls().empty());
    EXPECT_EQ(surround.red, 255);
    EXPECT_FALSE(centre.red == 255 && centre.green == 255 && centre.blue == 255);
    EXPECT_EQ(host.parameters().settings.focus, 100);
    EXPECT_EQ(host.parameters().renderTarget, renderHostRows);
    EXPECT_EQ(host.session.record().outRect.bottom - host.session.record().outRect.top, 1);  // the first row
    // The pass runs to its end, as the host drives it.
    host.session.setWritingBack(true);
    int32_t calls = 0;
    while (!empty(host.session.record().outRect) && calls++ < 1000) {
        ASSERT_EQ(host.call(filterSelectorContinue), 0);
        host.session.flushOutput();
    }
    EXPECT_TRUE(empty(host.session.record().inRect));
}

TEST(StartWithDialog, RefusalIsAMessageBoxWhenTheUserAskedForTheDialog) {
    InstalledHeadless headless;
    HostConfig config;
    config.withAdvanceState = false;
    DirectHost host(rampDocument(40, 30), config);
    ASSERT_EQ(host.call(filterSelectorParameters), 0);
    ASSERT_EQ(host.call(filterSelectorPrepare), 0);
    EXPECT_EQ(host.call(filterSelectorStart), 1);
    ASSERT_EQ(headless.system.messages.size(), 1u);
    EXPECT_STREQ(headless.system.messages[0].title, "Plug-in error");
    EXPECT_STREQ(headless.system.messages[0].button, "Cancel");
    EXPECT_TRUE(empty(host.session.record().outRect));
}

}  // namespace
