// GIMP with its windows, under a private X server: a Script-Fu script opens
// an image in a window and calls the filter interactively; the filter's own
// dialog shows over it with the live preview. OK changes the image as the
// program would with the settings the dialog kept; Cancel leaves it as it was.
#include "apps/program_runner.h"
#include "gimp_profile.h"
#include "host/image_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {
std::string pathOf(const std::string& name) { return testTemporaryFolder() + "/gimp-dialog/" + name; }

bool haveTool(const char* name) {
    return std::system(("command -v " + std::string(name) + " > /dev/null 2>&1").c_str()) == 0;
}

// Opens the image in a window, calls the filter interactively (the
// arguments are not used in that mode) and exports the image as it then is.
std::string dialogCall(const std::string& input, const std::string& output) {
    return "(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"" + input + "\" \"" + input +
           "\"))) (drawable (car (gimp-image-get-active-drawable image))))\n"
           "  (gimp-display-new image)\n"
           "  (catch #f (plug-in-twilightomator RUN-INTERACTIVE image drawable '(0 0 0) '(0 0 0) 0 0 0 0 0 0 0 "
           "FALSE 1 FALSE 0 1 0.5 0.5 FALSE))\n"
           "  (file-png-save2 RUN-NONINTERACTIVE image drawable \"" + output + "\" \"" + output +
           "\" 0 9 0 0 0 0 0 0 TRUE))\n";
}

std::string lastLineStarting(const std::string& text, const std::string& start) {
    const size_t at = text.rfind(start);
    if (at == std::string::npos) return {};
    return text.substr(at, text.find('\n', at) - at);
}

TEST(GimpDialog, OkAppliesTheDialogsSettingsAndCancelLeavesTheImage) {
    if (gimpProgram("gimp-2.10").empty()) GTEST_SKIP() << "GIMP is not installed (scripts/install-deps.sh installs it)";
    if (!haveTool("xvfb-run") || !haveTool("xdotool") || !haveTool("import"))
        GTEST_SKIP() << "xvfb-run, xdotool or ImageMagick missing: run scripts/install-deps.sh";
    if (!fs::exists(fs::path(builtPluginPath()).parent_path() / "twilightomator-gtk.so"))
        GTEST_SKIP() << "the GTK dialog module was not built";
    std::string error;
    ASSERT_TRUE(makeGimpProfile(pathOf("profile"), error)) << error;
    ImageWriteReport report;
    ASSERT_TRUE(writeImageFile(pathOf("photo.png"), patternDocument(320, 240, 3, false, SampleDepth::eight), 0, true,
                               report, error))
        << error;
    std::ofstream(pathOf("dialog.scm")) << dialogCall(pathOf("photo.png"), pathOf("ok.png"))
                                        << dialogCall(pathOf("photo.png"), pathOf("cancel.png"));

    const std::string shot = pathOf("gimp-dialog.png");
    const std::string command = "xvfb-run -a -s '-screen 0 1280x1024x24' sh '" + sourceDirectory() +
                                "/tests/gimp/drive_gimp_dialog.sh' '" + pathOf("profile") + "' '" +
                                pathOf("dialog.scm") + "' '" + shot + "' ok cancel 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t read;
        while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
        pclose(pipe);
    }
    ASSERT_EQ(lastLineStarting(output, "dialogs"), "dialogs 2") << output << "\nGIMP's log: " << shot << ".log";
    EXPECT_EQ(lastLineStarting(output, "exit"), "exit 0") << output;
    std::printf("GIMP with the filter's dialog: %s\n", shot.c_str());

    // OK kept the dialog's settings as the cached settings, which the
    // program applies when given none.
    const ProgramRun run = runProgram("apply --quiet '" + pathOf("photo.png") + "' -o '" + pathOf("program.png") + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    std::string difference;
    EXPECT_TRUE(samePixels(pathOf("ok.png"), pathOf("program.png"), difference)) << difference;
    EXPECT_FALSE(samePixels(pathOf("ok.png"), pathOf("photo.png"), difference)) << "OK left the image unchanged";
    EXPECT_TRUE(samePixels(pathOf("cancel.png"), pathOf("photo.png"), difference)) << difference;
}
}  // namespace
