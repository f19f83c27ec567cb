// The GTK dialog through the program under a private X server: a picture of
// the window with pixels sampled where the layout puts its controls, at
// desktop scales 1 and 2; synthetic input that moves the Focus slider and
// presses Return writes what `apply --focus 100` writes; Escape writes nothing.
#include "host/image_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

bool haveTool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

// The tools that play the user, and the toolkit module beside the plug-in
// (a build without GTK has none).
bool haveDisplayTools() {
    const fs::path module = fs::path(builtPluginPath()).parent_path() / "twilightomator-gtk.so";
    return haveTool("xvfb-run") && haveTool("xdotool") && haveTool("import") && haveTool("convert") &&
           fs::exists(module);
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::string runCapture(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
    return output;
}

struct GuiRun {
    fs::path folder;
    fs::path photo;
    std::string lastOutput;  // all the script printed in the last drive

    GuiRun() {
        // A store of its own: the dialog opens with the defaults, not with
        // what another test left in the cached settings.
        folder = fs::path(testTemporaryFolder()) / "gui";
        fs::create_directories(folder);
        photo = folder / "photo.jpg";
        if (!fs::exists(photo))
            std::system(("convert -seed 4 -size 1200x800 plasma:fractal -blur 0x1 " + quoted(photo.string())).c_str());
    }
    // Runs drive_dialog.sh in MODE; returns its last line ("exit N").
    std::string drive(const std::string& mode, const fs::path& out, const fs::path& shot = {}, int scale = 1) {
        const std::string screen = scale == 1 ? "1280x800x24" : "2000x1400x24";
        const std::string script = sourceDirectory() + "/tests/ui/drive_dialog.sh";
        const std::string command = "cd " + quoted(folder.string()) + " && TMPDIR=" + quoted(folder.string()) +
                                    " GDK_SCALE=" + std::to_string(scale) + " xvfb-run -a -s '-screen 0 " + screen +
                                    "' sh " + quoted(script) + " " + mode + " " + quoted(builtAppPath()) + " " +
                                    quoted(photo.string()) + " " + quoted(out.string()) + " " +
                                    quoted(shot.string()) + " 2>&1";
        const std::string output = runCapture(command);
        lastOutput = output;
        const size_t last = output.rfind("exit ");
        return last == std::string::npos ? output : output.substr(last, output.find('\n', last) - last);
    }
};

struct Rgb8 {
    int r, g, b;
};

struct Screenshot {
    Document picture;
    int x = 0, y = 0, scale = 1;
    // A client point of the dialog, at the desktop scale.
    Rgb8 at(int cx, int cy) const {
        const uint8_t* p = picture.pixel(x + cx * scale, y + cy * scale);
        return {p[0], p[1], p[2]};
    }
    // The darkest channel maximum over a client rectangle.
    int darkest(int left, int top, int right, int bottom) const {
        int least = 255;
        for (int cy = top; cy < bottom; ++cy)
            for (int cx = left; cx < right; ++cx) {
                const Rgb8 c = at(cx, cy);
                least = std::min(least, std::max({c.r, c.g, c.b}));
            }
        return least;
    }
    double mean(int left, int top, int right, int bottom) const {
        double sum = 0;
        for (int cy = top; cy < bottom; ++cy)
            for (int cx = left; cx < right; ++cx) {
                const Rgb8 c = at(cx, cy);
                sum += c.r + c.g + c.b;
            }
        return sum / (3.0 * (right - left) * (bottom - top));
    }
};

TEST(GtkDialog, ControlsStandWhereTheLayoutSaysAtScaleOneAndTwo) {
    if (!haveDisplayTools()) GTEST_SKIP() << "xvfb-run, xdotool, ImageMagick or the GTK module missing: run scripts/install-deps.sh";
    GuiRun run;
    for (const int scale : {1, 2}) {
        const fs::path shot = scale == 1 ? fs::path("dialog-gtk.png") : fs::path("dialog-gtk@2.png");
        const fs::path shotPath = fs::absolute(shot);
        EXPECT_EQ(run.drive("screenshot", run.folder / "never.png", shotPath, scale), "exit 3");
        EXPECT_FALSE(fs::exists(run.folder / "never.png"));
        Screenshot s;
        ImageFileInfo info;
        std::string error;
        ASSERT_TRUE(readImageFile(shotPath.string(), s.picture, info, error)) << error;
        std::ifstream where(shotPath.string() + ".where");
        where >> s.x >> s.y >> s.scale;
        ASSERT_EQ(s.scale, scale);

        // The dusk strip of the background picture at the left.
        const Rgb8 strip = s.at(20, 300);
        EXPECT_LT(strip.r, 120);
        EXPECT_GT(strip.b, strip.r);
        // The Focus thumb at its default 36: left + 36 x 120 / 100 + 1 = 174;
        // its grip line is the thumb's seventh column.
        const Rgb8 grip = s.at(174 + 6, 90 + 1 + 4);
        EXPECT_NEAR(grip.r, 0x6d, 3);
        EXPECT_NEAR(grip.g, 0x67, 3);
        EXPECT_NEAR(grip.b, 0x60, 3);
        // The vignette swatch is filled with its colour, black.
        const Rgb8 swatch = s.at(321, 251);
        EXPECT_LT(swatch.r + swatch.g + swatch.b, 10);
        // Text inside the Focus box and the Cancel button, none just beside
        // them; OK, the default button, is drawn as one (the theme's accent).
        EXPECT_LT(s.darkest(272, 86, 302, 102), 100);
        EXPECT_LT(s.darkest(481, 531, 543, 562), 100);
        EXPECT_GT(s.darkest(700, 531, 716, 562), 150);
        const Rgb8 ok = s.at(725, 537);
        EXPECT_GT(ok.b, ok.r + 60);
        // The preview: the 1200 x 800 photo at fit factor 3 is 400 x 266 at
        // (353 + (426 - 400) / 2, 5 + (416 - 266) / 2) = (366, 80), white
        // around it, and filtered: the black vignette darkens its corner
        // against the middle far more than the photo's own shading does.
        const Rgb8 surround = s.at(360, 40);
        EXPECT_EQ(surround.r + surround.g + surround.b, 3 * 255);
        EXPECT_LT(s.darkest(366, 80, 766, 346), 250);
        EXPECT_LT(s.mean(366, 80, 386, 100), 0.5 * s.mean(555, 202, 575, 222));
    }
}

TEST(GtkDialog, FocusSliderThenReturnWritesWhatTheFocusFlagWrites) {
    if (!haveDisplayTools()) GTEST_SKIP() << "xvfb-run, xdotool, ImageMagick or the GTK module missing: run scripts/install-deps.sh";
    GuiRun run;
    const fs::path out = run.folder / "dialog.png", reference = run.folder / "flag.png";
    fs::remove(out);
    fs::remove(run.folder / "Twilightomator cached settings C");
    EXPECT_EQ(run.drive("focus100", out), "exit 0");
    ASSERT_TRUE(fs::exists(out));
    fs::remove(reference);
    const std::string flagRun = "TMPDIR=" + quoted((run.folder / "flag").string()) + " " + quoted(builtAppPath()) +
                                " apply --quiet " + quoted(run.photo.string()) + " -o " + quoted(reference.string()) +
                                " --focus 100";
    fs::create_directories(run.folder / "flag");
    ASSERT_EQ(std::system(flagRun.c_str()), 0);
    std::ifstream a(out, std::ios::binary), b(reference, std::ios::binary);
    const std::string bytesA((std::istreambuf_iterator<char>(a)), {}), bytesB((std::istreambuf_iterator<char>(b)), {});
    EXPECT_TRUE(bytesA == bytesB);

    // Escape writes nothing and says so in the exit status.
    const fs::path cancelled = run.folder / "cancelled.png";
    EXPECT_EQ(run.drive("escape", cancelled), "exit 3");
    EXPECT_FALSE(fs::exists(cancelled));
}

TEST(GtkDialog, ResetThenReturnWritesTheDefaultsAndTheFirstDotIsStored) {
    if (!haveDisplayTools()) GTEST_SKIP() << "xvfb-run, xdotool, ImageMagick or the GTK module missing: run scripts/install-deps.sh";
    GuiRun run;
    const fs::path out = run.folder / "reset.png", reference = run.folder / "plain.png";
    const fs::path dot = run.folder / "Twilightomator memory dot 0.z5a";
    fs::remove(out);
    fs::remove(dot);
    fs::remove(run.folder / "Twilightomator memdot map 2");
    // Whatever the cached settings hold, Reset brings the defaults.
    EXPECT_EQ(run.drive("reset", out), "exit 0");
    ASSERT_TRUE(fs::exists(out));
    EXPECT_TRUE(fs::exists(dot));
    fs::create_directories(run.folder / "plain");
    fs::remove(reference);
    const std::string plainRun = "TMPDIR=" + quoted((run.folder / "plain").string()) + " " + quoted(builtAppPath()) +
                                 " apply --quiet " + quoted(run.photo.string()) + " -o " + quoted(reference.string());
    ASSERT_EQ(std::system(plainRun.c_str()), 0);
    std::ifstream a(out, std::ios::binary), b(reference, std::ios::binary);
    const std::string bytesA((std::istreambuf_iterator<char>(a)), {}), bytesB((std::istreambuf_iterator<char>(b)), {});
    EXPECT_TRUE(bytesA == bytesB);
}

// A small window's picture: the screen kept by drive_dialog.sh and the
// window's place on it.
Screenshot smallWindow(GuiRun& run, const std::string& mode) {
    const fs::path shot = fs::absolute(fs::path(mode + "-gtk.png"));
    EXPECT_EQ(run.drive(mode, run.folder / "never.png", shot), "exit 3");
    Screenshot s;
    ImageFileInfo info;
    std::string error;
    EXPECT_TRUE(readImageFile(shot.string(), s.picture, info, error)) << error;
    std::ifstream where(shot.string() + ".where");
    where >> s.x >> s.y >> s.scale;
    return s;
}

TEST(GtkDialog, AboutInfoSizeAndPresetChooserAreShown) {
    if (!haveDisplayTools()) GTEST_SKIP() << "xvfb-run, xdotool, ImageMagick or the GTK module missing: run scripts/install-deps.sh";
    GuiRun run;
    {
        const Screenshot about = smallWindow(run, "about");
        const Rgb8 white = about.at(4, 4), picture = about.at(30, 20), button = about.at(20, 160);
        EXPECT_EQ(white.r + white.g + white.b, 3 * 255);
        EXPECT_LT(picture.r, 80);  // the dusk picture at (17, 12)
        EXPECT_LT(button.r + button.g + button.b, 3 * 255);
        // The main dialog stands at ((1280 - 799) / 2, (800 - 579) / 3) =
        // (240, 73) on the bare server; the box over it at half its spare
        // width less a 24-pixel title button, a third of its spare height down:
        // 240 + 460 / 2 - 24 = 446 and 73 + 391 / 3 = 203.
        EXPECT_EQ(about.x, 446);
        EXPECT_EQ(about.y, 203);
    }
    {
        const Screenshot info = smallWindow(run, "info");
        const Rgb8 header = info.at(10, 10), page = info.at(10, 300);
        EXPECT_NEAR(header.r, 0x2b, 3);
        EXPECT_NEAR(header.b, 0x4f, 3);
        EXPECT_EQ(page.r + page.g + page.b, 3 * 255);
        EXPECT_LT(info.darkest(40, 200, 340, 260), 100);  // words on the page
        // 726 x 469: 240 + 73 / 2 - 24 = 252 and 73 + 110 / 3 = 109.
        EXPECT_EQ(info.x, 252);
        EXPECT_EQ(info.y, 109);
    }
    {
        const Screenshot size = smallWindow(run, "size");
        const Rgb8 background = size.at(5, 5);
        EXPECT_EQ(background.r, 240);
        EXPECT_LT(size.darkest(34, 84, 110, 100), 100);  // the width in its box
        // Only the first of the three size choices shows checked: the
        // checked button's ring is filled with the accent colour.
        const Rgb8 same = size.at(20, 21), proportional = size.at(20, 43), custom = size.at(20, 65);
        EXPECT_GT(same.b - same.r, 100);
        EXPECT_LT(proportional.b - proportional.r, 20);
        EXPECT_LT(custom.b - custom.r, 20);
    }
    // The preset chooser with the first dot's stored picture in its pane
    // (written when the dialog opened); the screenshot is kept to look at.
    smallWindow(run, "chooser");
}

// A long export shows its percentage moving while it runs, and closing its
// window cancels it: nothing is written.
TEST(GtkDialog, PsdExportProgressMovesAndItsWindowCancels) {
    if (!haveDisplayTools()) GTEST_SKIP() << "xvfb-run, xdotool, ImageMagick or the GTK module missing: run scripts/install-deps.sh";
    GuiRun run;
    const fs::path shot = fs::absolute(fs::path("progress-gtk.png"));
    const fs::path later = fs::absolute(fs::path("progress-gtk-later.png"));
    const fs::path psd = run.folder / "export.png.psd";
    fs::remove(psd);
    EXPECT_EQ(run.drive("psd", run.folder / "export.png", shot), "exit 3");
    const std::string& said = run.lastOutput;
    ASSERT_NE(said.find("percentage moved after"), std::string::npos) << said;
    EXPECT_EQ(said.find("percentage moved after 60 s"), std::string::npos) << said;
    // Closing the window stops the job within a few seconds.
    const size_t closed = said.find("progress closed after ");
    ASSERT_NE(closed, std::string::npos) << said;
    EXPECT_LE(std::atoi(said.c_str() + closed + 22), 10) << said;
    Screenshot first, second;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readImageFile(shot.string(), first.picture, info, error)) << error;
    ASSERT_TRUE(readImageFile(later.string(), second.picture, info, error)) << error;
    std::ifstream where(shot.string() + ".where");
    where >> first.x >> first.y >> first.scale;
    second.x = first.x;
    second.y = first.y;
    second.scale = first.scale;
    // The window is still there at the second moment ("Rendering..." on
    // its first line as before), and its percentage line (client 0..153 x
    // 42..56) has text that changed between the two moments.
    for (int y = 18; y < 32; ++y)
        for (int x = 0; x < 153; ++x) {
            const Rgb8 a = first.at(x, y), b = second.at(x, y);
            ASSERT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << "the progress window went away at " << x << ", " << y;
        }
    EXPECT_LT(first.darkest(0, 42, 153, 56), 120);
    int changed = 0;
    for (int y = 42; y < 56; ++y)
        for (int x = 0; x < 153; ++x) {
            const Rgb8 a = first.at(x, y), b = second.at(x, y);
            if (a.r != b.r || a.g != b.g || a.b != b.b) ++changed;
        }
    EXPECT_GT(changed, 0) << "the percentage did not move";
    EXPECT_FALSE(fs::exists(psd));  // cancelled: nothing written
}

// SIGTERM while the dialog is open closes it at once as Cancel would: the
// program says so, writes nothing and exits 128 + 15.
TEST(GtkDialog, TerminationClosesTheOpenDialogAndWritesNothing) {
    if (!haveDisplayTools()) GTEST_SKIP() << "xvfb-run, xdotool, ImageMagick or the GTK module missing: run scripts/install-deps.sh";
    GuiRun run;
    const fs::path out = run.folder / "terminated.png";
    fs::remove(out);
    const std::string script = sourceDirectory() + "/tests/ui/drive_dialog.sh";
    const std::string command = "cd " + quoted(run.folder.string()) + " && TMPDIR=" + quoted(run.folder.string()) +
                                " xvfb-run -a -s '-screen 0 1280x800x24' sh " + quoted(script) + " terminate " +
                                quoted(builtAppPath()) + " " + quoted(run.photo.string()) + " " +
                                quoted(out.string()) + " 2>&1";
    const std::string output = runCapture(command);
    EXPECT_NE(output.find("exit 143"), std::string::npos) << output;
    EXPECT_NE(output.find("nothing was written"), std::string::npos) << output;
    const size_t ended = output.find("ended after ");
    ASSERT_NE(ended, std::string::npos) << output;
    EXPECT_LE(std::atoi(output.c_str() + ended + 12), 2) << output;
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
