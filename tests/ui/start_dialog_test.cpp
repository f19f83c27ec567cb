// Start with the dialog, through PluginMain over the substitute host, the
// user played on the headless window layer.
#include "direct_host.h"

#include "host/descriptor_suite.h"
#include "settings/preset_file.h"
#include "ui/headless/headless_window.h"
#include "ui/main_dialog_controls.h"
#include "ui/window_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

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

struct InstalledHeadless {
    HeadlessWindowSystem system;
    InstalledHeadless() { installWindowSystem(&system); }
    ~InstalledHeadless() { installWindowSystem(nullptr); }
};

constexpr int32_t kFocusLeft = 130, kFocusMiddle = 96;

bool cachedSettingsExist() {
    const char* folder = std::getenv("TMPDIR");
    return folder && std::filesystem::exists(std::filesystem::path(folder) / "Twilightomator cached settings C");
}

void clearCachedSettings() {
    if (const char* folder = std::getenv("TMPDIR"))
        std::filesystem::remove(std::filesystem::path(folder) / "Twilightomator cached settings C");
}

TEST(StartWithDialog, CancelGivesUserCancelledEmptyRectanglesAndTheOpeningSettings) {
    InstalledHeadless headless;
    clearCachedSettings();
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
    EXPECT_FALSE(cachedSettingsExist());
    EXPECT_EQ(std::to_string(host.parameters().settings.focus), opened);
}

TEST(StartWithDialog, OpeningStoresTheFirstFreeMemoryDotWithThePresetPicture) {
    InstalledHeadless headless;
    const std::filesystem::path folder(std::getenv("TMPDIR"));
    std::filesystem::remove(folder / "Twilightomator memory dot 0.z5a");
    std::filesystem::remove(folder / "Twilightomator memory dot 4.z5a");
    std::filesystem::remove(folder / "Twilightomator memdot map 2");
    DirectHost host(rampDocument(300, 200));
    ASSERT_EQ(host.call(filterSelectorParameters), 0);
    ASSERT_EQ(host.call(filterSelectorPrepare), 0);
    bool stored = false;
    Rgb thumbnail{}, emptyThumbnail{};
    headless.system.onModal = [&](HeadlessDialog& w) {
        stored = std::filesystem::exists(folder / "Twilightomator memory dot 0.z5a");
        // The stored dot's picture is a real render of the ramp.
        thumbnail = w.pixel(351 + 48, 438 + 48);
        // Control-click on empty dot 125: stored, free at the next opening.
        w.press(333, 481, MouseButton::left, true);
        w.release(333, 481);
        w.move(449 + 5, 450 + 5);  // an empty dot clears the thumbnail
        emptyThumbnail = w.pixel(351 + 48, 438 + 48);
        w.pressEscape();
    };
    EXPECT_EQ(host.call(filterSelectorStart), userCanceledErr);
    EXPECT_TRUE(stored);
    EXPECT_FALSE(thumbnail.red == emptyThumbnail.red && thumbnail.green == emptyThumbnail.green &&
                 thumbnail.blue == emptyThumbnail.blue);
    UserSettings settings{};
    PresetPicture picture;
    ASSERT_EQ(readPreset((folder / "Twilightomator memory dot 4.z5a").c_str(), PresetReadMode::full, settings,
                         &picture, systemMemoryService()),
              0);
    EXPECT_EQ(picture.width, 128);
    EXPECT_EQ(picture.height, 128);
    EXPECT_EQ(settings.focus, host.parameters().settings.focus);
    // The snapshot taken before the dialog opened carries the same picture size.
    int32_t undoPictures = 0;
    for (const char* name : {"Twilightomator undo 0", "Twilightomator undo 1"}) {
        PresetPicture undoPicture;
        if (readPreset((folder / name).c_str(), PresetReadMode::full, settings, &undoPicture,
                       systemMemoryService()) == 0 &&
            undoPicture.width == 128 && undoPicture.height == 128)
            ++undoPictures;
    }
    EXPECT_GE(undoPictures, 1);
    // Store files are written over from their start and never shortened:
    // later tests measure theirs, so these go.
    for (const char* name : {"Twilightomator undo 0", "Twilightomator undo 1"}) std::filesystem::remove(folder / name);
    // The memdot map written when the run ended: dot 4 is not kept.
    std::ifstream map(folder / "Twilightomator memdot map 2", std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(map)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 26u * 4u);
    EXPECT_EQ(bytes[3], 40);
    for (size_t i = 4; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << i;
}

TEST(StartWithDialog, OkShowsThePreviewThroughTheHostAndStartsThePass) {
    InstalledHeadless headless;
    clearCachedSettings();
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
    EXPECT_TRUE(cachedSettingsExist());  // saved after OK
    EXPECT_EQ(host.parameters().renderTarget, renderHostRows);
    EXPECT_EQ(host.session.record().outRect.bottom - host.session.record().outRect.top, 1);  // the first row
    ASSERT_EQ(host.runPass(), 0);
    EXPECT_TRUE(empty(host.session.record().inRect));
}

// A step played with the dialog opens it with the step's values; once it is
// accepted, a new session repeating without a descriptor uses them, and a
// scripted run with a descriptor does not.
TEST(StartWithDialog, AcceptedDialogLeavesCachedSettingsForTheNextRepeat) {
    InstalledHeadless headless;
    clearCachedSettings();
    std::string opened;
    headless.system.onModal = [&](HeadlessDialog& w) {
        opened = w.text(86);
        w.pressReturn();
    };
    {
        Descriptor step;
        step.put(integerItem(fourCC("0007"), 77));
        step.put(enumeratedItem(fourCC("GLUE"), fourCC("GLty"), fourCC("GL05")));
        DescriptorSuiteConfig suiteConfig;
        suiteConfig.playInfo = plugInDialogDisplay;
        DescriptorSuiteHost suite(suiteConfig, &step);
        HostConfig config;
        config.descriptorParameters = suite.parameters();
        DirectHost host(rampDocument(12, 10), config);
        ASSERT_EQ(host.call(filterSelectorPrepare), 0);
        ASSERT_EQ(host.call(filterSelectorStart), 0);
        ASSERT_EQ(host.runPass(), 0);
        EXPECT_EQ(opened, "77");
        EXPECT_TRUE(cachedSettingsExist());
    }
    {
        DirectHost repeat(rampDocument(12, 10));
        ASSERT_EQ(repeat.call(filterSelectorPrepare), 0);
        ASSERT_EQ(repeat.call(filterSelectorStart), 0);
        ASSERT_EQ(repeat.runPass(), 0);
        EXPECT_EQ(repeat.parameters().settings.focus, 77);
        EXPECT_EQ(repeat.parameters().settings.glue, 5);
    }
    Descriptor other;
    other.put(integerItem(fourCC("0009"), 3));
    DescriptorSuiteHost suite(DescriptorSuiteConfig{}, &other);
    HostConfig config;
    config.descriptorParameters = suite.parameters();
    DirectHost scripted(rampDocument(12, 10), config);
    ASSERT_EQ(scripted.call(filterSelectorPrepare), 0);
    ASSERT_EQ(scripted.call(filterSelectorStart), 0);
    ASSERT_EQ(scripted.runPass(), 0);
    EXPECT_EQ(scripted.parameters().settings.focus, 36);
    EXPECT_EQ(scripted.parameters().settings.dampen, 3);
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

// A host with a colour picker of its own: it records what it is asked and
// hands back fixed components, some outside 0..255, with a cancel code.
struct PickerCall {
    int32_t infoSize;
    int16_t selector, sourceSpace, resultSpace;
    int16_t components[3];
    std::vector<unsigned char> prompt;  // the length-prefixed bytes, length byte first
};
std::vector<PickerCall> gPickerCalls;

OSErr standInPicker(ColorServicesInfo* info) {
    PickerCall call{info->infoSize, info->selector, info->sourceSpace, info->resultSpace,
                    {info->colorComponents[0], info->colorComponents[1], info->colorComponents[2]}, {}};
    const unsigned char* prompt = *info->selectorParameter.pickerPrompt;
    call.prompt.assign(prompt, prompt + 1 + prompt[0]);
    gPickerCalls.push_back(call);
    info->colorComponents[0] = 65;
    info->colorComponents[1] = 300;
    info->colorComponents[2] = -7;
    return userCanceledErr;
}

TEST(StartWithDialog, SwatchesAskTheHostsPickerWhenOfferedElseTheToolkitsChooser) {
    InstalledHeadless headless;
    clearCachedSettings();
    gPickerCalls.clear();
    DirectHost host(rampDocument(40, 30));
    ASSERT_EQ(host.call(filterSelectorParameters), 0);
    host.parameters().settings.vignetteColor = Color16{0x12ff, 0x8001, 0xffff};
    ASSERT_EQ(host.call(filterSelectorPrepare), 0);
    host.session.record().colorServices = standInPicker;
    std::vector<std::string> toolkitPrompts;
    headless.system.onModal = [&](HeadlessDialog& w) {
        w.click(kIdVignetteSwatch);
        // A host without a picker: the toolkit's chooser, white kept to 8 bits.
        host.session.record().colorServices = nullptr;
        w.answerColourChooser(Color16{65535, 65535, 65535});
        w.click(kIdSepiaSwatch);
        toolkitPrompts = w.colourPrompts();
        w.pressReturn();
    };
    ASSERT_EQ(host.call(filterSelectorStart), 0);

    ASSERT_EQ(gPickerCalls.size(), 1u);
    const PickerCall& asked = gPickerCalls[0];
    EXPECT_EQ(asked.infoSize, 56);
    EXPECT_EQ(asked.selector, 0);     // choose
    EXPECT_EQ(asked.sourceSpace, 0);  // RGB
    EXPECT_EQ(asked.resultSpace, 0);
    EXPECT_EQ(asked.components[0], 0x12);
    EXPECT_EQ(asked.components[1], 0x80);
    EXPECT_EQ(asked.components[2], 0xff);
    const std::string vignettePrompt = "Choose the vignette color.";
    ASSERT_EQ(asked.prompt.size(), 1 + vignettePrompt.size());
    EXPECT_EQ(asked.prompt[0], 26);
    EXPECT_EQ(std::string(asked.prompt.begin() + 1, asked.prompt.end()), vignettePrompt);

    // Taken although the host answered with a cancel: 65 x 256, 255 x 256, 0.
    const Color16 vignette = host.parameters().settings.vignetteColor;
    EXPECT_EQ(vignette.red, 16640);
    EXPECT_EQ(vignette.green, 65280);
    EXPECT_EQ(vignette.blue, 0);
    EXPECT_EQ(toolkitPrompts, std::vector<std::string>{"Choose the sepia color."});
    EXPECT_EQ(host.parameters().settings.sepiaColor.green, 65280);
    ASSERT_EQ(host.runPass(), 0);
}

// The preset picture is the 128 x 128 scratch image that exists from Start
// on, so the undo file and the cached settings written during Start carry
// a 128 x 128 thumbnail block after the 71 values, not the flag 0 alone.
TEST(StartWithDialog, FilesWrittenAtStartCarryThe128PixelPicture) {
    InstalledHeadless headless;
    clearCachedSettings();
    headless.system.onModal = [](HeadlessDialog& w) { w.pressReturn(); };
    {
        Descriptor step;
        step.put(integerItem(fourCC("0007"), 60));
        DescriptorSuiteConfig suiteConfig;
        suiteConfig.playInfo = plugInDialogDisplay;
        DescriptorSuiteHost suite(suiteConfig, &step);
        HostConfig config;
        config.descriptorParameters = suite.parameters();
        DirectHost host(rampDocument(12, 10), config);
        ASSERT_EQ(host.call(filterSelectorPrepare), 0);
        ASSERT_EQ(host.call(filterSelectorStart), 0);
        ASSERT_EQ(host.runPass(), 0);
    }
    const std::filesystem::path folder(std::getenv("TMPDIR"));
    const std::filesystem::path undo = std::filesystem::exists(folder / "Twilightomator undo 1")
                                           ? folder / "Twilightomator undo 1"
                                           : folder / "Twilightomator undo 0";
    for (const std::filesystem::path& path : {folder / "Twilightomator cached settings C", undo}) {
        SCOPED_TRACE(path.string());
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        ASSERT_GT(bytes.size(), 300u);
        auto valueAt = [&](size_t at) {
            return int32_t(uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 |
                           uint32_t(bytes[at + 3]));
        };
        EXPECT_EQ(valueAt(284), 1);
        EXPECT_EQ(valueAt(288), 128);
        EXPECT_EQ(valueAt(292), 128);
        EXPECT_EQ(size_t(valueAt(296)), bytes.size() - 300);
    }
}

}  // namespace
