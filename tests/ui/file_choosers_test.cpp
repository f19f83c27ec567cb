// Load and Save of presets through the file chooser, the preset pane, one
// chooser at a time, and the colour chooser's 8-bit colours.
#include "dialog_fixture.h"

#include "platform/memory_service.h"
#include "settings/preset_file.h"
#include "ui/file_choosers.h"
#include "ui/window_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

void setName(FilterParameters& p, const char* name, const char* folder) {
    std::snprintf(p.settingsFileName, sizeof p.settingsFileName, "%s", name);
    std::snprintf(p.settingsFolder, sizeof p.settingsFolder, "%s", folder);
}

TEST(PresetFiles, SaveOffersTheNameWithoutExtensionAndKeepsTheChosenFolder) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    setName(d.parameters, "dusk look.z5a", "/tmp/start/");
    w.answerFileChooser("/home/user/presets/evening");
    w.click(kIdSave);
    ASSERT_EQ(w.fileRequests().size(), 1u);
    const FileChooserRequest& asked = w.fileRequests()[0];
    EXPECT_TRUE(asked.save);
    EXPECT_STREQ(asked.title, "Save a settings file");
    EXPECT_STREQ(asked.filterName, "Twilightomator presets (*.z5a)");
    EXPECT_STREQ(asked.pattern, "*.z5a");
    EXPECT_EQ(asked.proposedName, "dusk look");
    EXPECT_EQ(asked.folder, "/tmp/start/");
    EXPECT_FALSE(asked.pane);
    EXPECT_EQ(d.services.presetThumbnails, 1);
    EXPECT_EQ(d.services.savedPresets, std::vector<std::string>{"/home/user/presets/evening.z5a"});
    EXPECT_STREQ(d.parameters.settingsFileName, "evening.z5a");
    EXPECT_STREQ(d.parameters.settingsFolder, "/home/user/presets/");
    EXPECT_EQ(d.services.snapshots, 0);  // saving changes no setting

    // No name yet: the product's own; a cancelled chooser changes nothing.
    setName(d.parameters, "", "/tmp/start/");
    w.click(kIdSave);
    EXPECT_EQ(w.fileRequests().back().proposedName, "Twilightomator settings");
    EXPECT_EQ(d.services.savedPresets.size(), 1u);
    EXPECT_STREQ(d.parameters.settingsFolder, "/tmp/start/");

    // A file that cannot be written is told to the user with the reason,
    // and the name shown stays the one that was there.
    setName(d.parameters, "dusk look.z5a", "/tmp/start/");
    d.services.savePresetResult = -36;
    w.answerFileChooser("/nowhere/a.z5a");
    w.click(kIdSave);
    ASSERT_EQ(w.messageBoxes().size(), 1u);
    EXPECT_STREQ(w.messageBoxes()[0].text,
                 "The settings file could not be saved.\ncannot write /nowhere/a.z5a: Permission denied");
    EXPECT_STREQ(d.parameters.settingsFileName, "dusk look.z5a");
}

TEST(PresetFiles, APathLongerThanTheFiltersRecordsIsRefusedByName) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    setName(d.parameters, "dusk look.z5a", "/tmp/start/");
    // 5 + 251 + the added ".z5a" = 260 bytes: one more than a record holds.
    const std::string tooLong = "/tmp/" + std::string(251, 'p');
    w.answerFileChooser(tooLong);
    w.click(kIdSave);
    ASSERT_EQ(w.messageBoxes().size(), 1u);
    EXPECT_EQ(std::string(w.messageBoxes()[0].text),
              tooLong + ".z5a\nThis path is 260 bytes long; the filter keeps paths of up to 259 bytes. "
                        "Choose a shorter one.");
    EXPECT_TRUE(d.services.savedPresets.empty());
    EXPECT_STREQ(d.parameters.settingsFolder, "/tmp/start/");
    EXPECT_STREQ(d.parameters.settingsFileName, "dusk look.z5a");
    // 259 bytes with its extension fit, and are saved whole.
    const std::string longest = "/tmp/" + std::string(250, 'p');
    w.answerFileChooser(longest);
    w.click(kIdSave);
    ASSERT_EQ(d.services.savedPresets, std::vector<std::string>{longest + ".z5a"});
    EXPECT_EQ(d.parameters.settingsFileName, std::string(250, 'p') + ".z5a");

    // Counted in bytes of UTF-8: 86 three-byte characters pass the record
    // (5 + 258 + 4 = 267 bytes) in far fewer than 260 characters.
    std::string name;
    for (int i = 0; i < 86; ++i) name += "\xE8\xAA\x9E";
    const int loads = int(d.services.loadedPresets.size());
    w.answerFileChooser("/tmp/" + name + ".z5a");
    w.click(kIdLoad);
    ASSERT_EQ(w.messageBoxes().size(), 2u);
    EXPECT_EQ(std::string(w.messageBoxes()[1].text).rfind("/tmp/" + name + ".z5a\nThis path is 267 bytes long", 0), 0u);
    EXPECT_EQ(int(d.services.loadedPresets.size()), loads);
    EXPECT_EQ(d.parameters.settingsFileName, std::string(250, 'p') + ".z5a");
}

TEST(PresetFiles, LoadingAFileThatIsNoPresetChangesNothingAndSaysSo) {
    OpenDialog d({200, 150, false}, true, [](FilterParameters& p) {
        p.settings.focus = 12;
        std::snprintf(p.settingsFileName, sizeof p.settingsFileName, "%s", "dusk look.z5a");
    });
    HeadlessDialog& w = *d.window;
    d.services.notPresets = {"/pictures/holiday.png"};
    const int renders = d.services.renders;
    w.answerFileChooser("/pictures/holiday.png");
    w.click(kIdLoad);
    EXPECT_EQ(d.parameters.settings.focus, 12);
    EXPECT_EQ(w.text(86), "12");
    EXPECT_STREQ(d.parameters.settingsFileName, "dusk look.z5a");
    ASSERT_EQ(w.messageBoxes().size(), 1u);
    EXPECT_STREQ(w.messageBoxes()[0].text,
                 "holiday.png is not a Twilightomator preset file; the settings stay as they were.");
    EXPECT_TRUE(d.services.snapshotFiles.empty());
    EXPECT_EQ(d.services.renders, renders);
    EXPECT_EQ(d.dialog->dotState(0), DotState::current);  // nothing happened
}

TEST(PresetFiles, LoadResetsReadsAndShowsTheStoredPictureInThePane) {
    // A preset with a flat picture, written as the plug-in writes one.
    const std::string path = std::string(std::getenv("TMPDIR")) + "/pane look.z5a";
    auto picture = std::make_unique<PresetPicture>();
    picture->width = picture->height = 128;
    for (size_t i = 0; i < sizeof picture->rgba; i += 4) {
        picture->rgba[i] = 200;
        picture->rgba[i + 1] = 60;
        picture->rgba[i + 2] = 30;
        picture->rgba[i + 3] = 255;
    }
    ASSERT_EQ(writePreset(path.c_str(), defaultUserSettings(), picture.get(), systemMemoryService()), 0);

    OpenDialog d({200, 150, false}, true, [](FilterParameters& p) { p.settings.focus = 12; });
    HeadlessDialog& w = *d.window;
    w.answerFileChooser(path);
    w.click(kIdLoad);
    ASSERT_EQ(w.fileRequests().size(), 1u);
    EXPECT_FALSE(w.fileRequests()[0].save);
    EXPECT_STREQ(w.fileRequests()[0].title, "Open a settings file");
    EXPECT_TRUE(w.fileRequests()[0].pane);
    // The pane: the stored picture resampled to the pane (JPEG-coded, so near).
    const std::vector<uint8_t>& pane = w.panePicture();
    ASSERT_EQ(pane.size(), size_t(HeadlessDialog::paneWidth) * HeadlessDialog::paneHeight * 3);
    EXPECT_NEAR(pane[0], 200, 6);
    EXPECT_NEAR(pane[1], 60, 6);
    EXPECT_NEAR(pane[pane.size() - 1], 30, 6);
    // Reset, then read: focus is back at its default, the preset's sepia shown.
    EXPECT_EQ(d.services.loadedPresets, std::vector<std::string>{path});
    EXPECT_EQ(d.parameters.settings.focus, defaultUserSettings().focus);
    EXPECT_EQ(w.text(90), "81");
    EXPECT_STREQ(d.parameters.settingsFileName, "pane look.z5a");
    EXPECT_EQ(d.services.snapshotFiles, std::vector<bool>{true});
    EXPECT_EQ(d.dialog->dotState(0), DotState::filled);  // the current dot is demoted
}

TEST(PresetFiles, PanePlaceholderAndASecondChooser) {
    // Row r of the 128-row placeholder is 255 - r; pane row 129 of 130
    // starts at placeholder row 129 x 128 / 130 = 127 and covers only it.
    std::vector<uint8_t> rgb;
    presetPanePicture("/tmp/picture.bmp", 130, 130, rgb);
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[size_t(129) * 130 * 3], 128);
    // 64 rows: pane row 1 averages rows 2 and 3: (253 + 252) / 2 = 252.
    presetPanePicture("/tmp/no such.z5a", 64, 64, rgb);
    EXPECT_EQ(rgb[size_t(1) * 64 * 3], 252);
    // A path the chooser's 260-byte buffer cannot hold is ignored.
    presetPanePicture("/tmp/" + std::string(251, 'p') + ".z5a", 64, 64, rgb);
    EXPECT_TRUE(rgb.empty());
    presetPanePicture("/tmp/" + std::string(250, 'p') + ".z5a", 64, 64, rgb);
    EXPECT_EQ(rgb.size(), size_t(64) * 64 * 3);

    OpenDialog d;
    HeadlessDialog& w = *d.window;
    int32_t second = -1;
    w.whileChoosing = [&] {
        EXPECT_TRUE(fileChooserOpen());
        char path[kChooserPathBytes] = "x";
        char folder[kPathBytes] = "/kept/";
        second = openFile(w, path, nullptr, 0, folder, sizeof folder, FileType::presets, "again");
        EXPECT_STREQ(folder, "/kept/");
    };
    w.click(kIdLoad);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(w.fileRequests().size(), 1u);  // the second never showed
    EXPECT_FALSE(fileChooserOpen());
}

TEST(PresetFiles, ChosenWhiteIsStoredAsEightBitTimes256) {
    OpenDialog d;
    HeadlessDialog& w = *d.window;
    w.answerColourChooser(Color16{65535, 65535, 65535});
    w.click(kIdVignetteSwatch);
    EXPECT_EQ(d.parameters.settings.vignetteColor.red, 65280);
    EXPECT_EQ(d.parameters.settings.vignetteColor.green, 65280);
    EXPECT_EQ(d.parameters.settings.vignetteColor.blue, 65280);
    EXPECT_EQ(eightBitColour(Color16{0x12ff, 0x00ff, 0x8001}).red, 0x1200);
    EXPECT_EQ(eightBitColour(Color16{0x12ff, 0x00ff, 0x8001}).green, 0);
    EXPECT_EQ(eightBitColour(Color16{0x12ff, 0x00ff, 0x8001}).blue, 0x8000);
}

}  // namespace

namespace {

TEST(GalleryPages, PresetsPageAsksFolderThenPageAndDotsPageTakesTheOccupiedDots) {
    HeadlessWindowSystem system;
    installWindowSystem(&system);
    OpenDialog d({200, 150, false}, true, nullptr, [](StandInServices& s) { s.kept[4] = 1; });
    HeadlessDialog& w = *d.window;
    w.answerFileChooser("/pictures/looks/a look.z5a");
    w.answerFileChooser("/pages/looks.html");
    w.click(kIdHtmlPresets);
    ASSERT_EQ(w.fileRequests().size(), 2u);
    EXPECT_STREQ(w.fileRequests()[0].title, "Choose any file in the source folder");
    EXPECT_STREQ(w.fileRequests()[1].title, "Save an HTML page");
    EXPECT_STREQ(w.fileRequests()[1].pattern, "*.html");
    EXPECT_EQ(w.fileRequests()[1].proposedName, "Twilightomator presets.html");
    EXPECT_EQ(d.services.pages, std::vector<std::string>{"presets of /pictures/looks/"});
    EXPECT_EQ(system.webPages, std::vector<std::string>{"/pages/looks.html"});

    // Right-click on the dot thumbnail while dot 121 is shown.
    w.answerFileChooser("/pages/dots.html");
    w.press(380, 470, MouseButton::right);
    w.release(380, 470, MouseButton::right);
    EXPECT_EQ(w.fileRequests().back().proposedName, "Twilightomator memory dots.html");
    ASSERT_EQ(d.services.pages.size(), 2u);
    EXPECT_EQ(d.services.pages[1], "dots to /pages/dots.html");
    ASSERT_EQ(d.services.pageDots.size(), 25u);
    EXPECT_TRUE(d.services.pageDots[0]);   // stored at opening
    EXPECT_TRUE(d.services.pageDots[4]);   // kept
    EXPECT_FALSE(d.services.pageDots[1]);
    installWindowSystem(nullptr);
}

}  // namespace

namespace {

TEST(GalleryPages, PresetRefreshRewritesOldPresetsAndRenamesR9u) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(std::getenv("TMPDIR")) / "refresh";
    fs::remove_all(folder);
    fs::create_directories(folder / "sub r9u");
    for (const char* name : {"a r9u.z5a", "b r5o.z5a", "c.z5a", "d r9u.txt", "e r5o.z5a", "holiday r5o.jpg"})
        std::ofstream(folder / name) << "x";
    fs::permissions(folder / "e r5o.z5a", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    OpenDialog d;
    HeadlessDialog& w = *d.window;
    const std::string base = folder.string() + "/";
    // A photo whose name happens to match is no preset: it is never written.
    d.services.notPresets = {base + "holiday r5o.jpg"};
    w.type(86, "44");  // read before the scratch slot is stored
    w.answerFileChooser((folder / "c.z5a").string());
    w.press(380, 470, MouseButton::left, true);  // Control-click on the dot thumbnail
    w.release(380, 470);
    // Every writable preset with "r9u" or "r5o" is loaded and saved in place.
    EXPECT_EQ(d.services.loadedPresets.back(), base + "holiday r5o.jpg");
    EXPECT_EQ(d.services.savedPresets,
              (std::vector<std::string>{base + "a r9u.z5a", base + "b r5o.z5a", base + "d r9u.txt"}));
    EXPECT_EQ(d.services.presetThumbnails, 3);
    EXPECT_TRUE(fs::exists(folder / "a r9u.r5o"));
    EXPECT_FALSE(fs::exists(folder / "a r9u.z5a"));
    EXPECT_TRUE(fs::exists(folder / "d r9u.r5o"));
    EXPECT_TRUE(fs::exists(folder / "b r5o.z5a"));
    // The settings come back from the scratch slot.
    EXPECT_EQ(d.services.stores.back(), 25);
    EXPECT_EQ(d.services.loads.back(), 25);
    EXPECT_EQ(d.parameters.settings.focus, 44);
    EXPECT_EQ(w.text(86), "44");
    EXPECT_EQ(w.pointer(), PointerShape::arrow);
    EXPECT_TRUE(w.messageBoxes().empty());

    // A preset that cannot be written is named to the user at the end; it
    // keeps its name (no rename), the others are refreshed.
    for (const char* name : {"f r9u.z5a", "g r9u.z5a"}) std::ofstream(folder / name) << "x";
    d.services.unwritable = {base + "f r9u.z5a"};
    w.answerFileChooser((folder / "c.z5a").string());
    w.press(380, 470, MouseButton::left, true);
    w.release(380, 470);
    EXPECT_TRUE(fs::exists(folder / "f r9u.z5a"));
    EXPECT_TRUE(fs::exists(folder / "g r9u.r5o"));
    ASSERT_EQ(w.messageBoxes().size(), 1u);
    EXPECT_STREQ(w.messageBoxes()[0].text,
                 ("These presets could not be refreshed:\ncannot write " + base + "f r9u.z5a: Permission denied")
                     .c_str());
}

}  // namespace
