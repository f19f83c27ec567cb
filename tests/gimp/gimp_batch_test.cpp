// GIMP in batch mode runs plug-in-twilightomator on PNG and TIFF files of
// every precision, grey and RGB, with and without alpha and selection, and
// exports them; each result must hold exactly the pixels that
// `twilightomator apply` writes for the same file, settings and mask. All
// cases share one start of GIMP, with the plug-in installed into a private
// GIMP profile folder.
#include "apps/program_runner.h"
#include "gimp_profile.h"
#include "host/image_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {
struct Case {
    const char* file;  // the input's name; its extension picks PNG or TIFF
    int32_t channels;
    bool alpha;
    SampleDepth depth;
};

// Every depth, layout and format appears; each runs with and without a selection.
constexpr Case kCases[] = {
    {"rgb8.png", 3, false, SampleDepth::eight},        {"greya8.png", 1, true, SampleDepth::eight},
    {"rgba16.png", 3, true, SampleDepth::sixteen},      {"grey16.tif", 1, false, SampleDepth::sixteen},
    {"rgbfloat.tif", 3, false, SampleDepth::floating}, {"greyafloat.tif", 1, true, SampleDepth::floating},
};

// The selected rectangle, in pixels of the 64 x 48 inputs.
constexpr int32_t kSelLeft = 10, kSelTop = 6, kSelWidth = 30, kSelHeight = 24;

// The same non-default settings, as the procedure's arguments and as the
// program's flags.
const char* kProcedureSettings = "'(20 40 60) '(200 150 100) 70 35 30 25 20 45 -30 TRUE 12 TRUE 30 2 0.3 0.6 TRUE";
const char* kProgramSettings =
    "--vignette-color 20,40,60 --sepia-color 200,150,100 --focus 70 --vignette 35 --dampen 30 --sepia 25 "
    "--color-blur 20 --cb-width 45 --saturation -30 --uniform-sepia=on --glue 12 --center-vignette=on "
    "--clear-area 30 --shape wide --x-center 0.3 --y-center 0.6 --high-quality=on";
// Other settings, which a with-last-values run must ignore.
const char* kIgnoredSettings = "'(0 0 0) '(0 0 0) 0 0 0 0 0 0 0 FALSE 1 FALSE 0 1 0.5 0.5 FALSE";

// Focus 120, beyond the dialog's 0..100.
const char* kOutOfRangeSettings = "'(0 0 0) '(0 0 0) 120 0 0 0 0 0 0 FALSE 1 FALSE 0 1 0.5 0.5 FALSE";

std::string folder() { return testTemporaryFolder() + "/gimp"; }
std::string pathOf(const std::string& name) { return folder() + "/" + name; }

Document maskDocument() {
    Document mask;
    std::string error;
    makeDocument(mask, 64, 48, 1, false, SampleDepth::eight, error);
    for (int32_t y = kSelTop; y < kSelTop + kSelHeight; ++y)
        std::memset(mask.pixel(kSelLeft, y), 255, kSelWidth);
    return mask;
}

bool isTiff(const std::string& name) { return name.ends_with(".tif"); }

// One filter call in the batch script: load, select, filter, export with the
// colour of transparent pixels kept (an option of the PNG exporter, off by
// default; the TIFF exporter keeps it).
std::string scriptCall(const std::string& input, const std::string& output, bool select, const char* runMode,
                       const char* settings) {
    std::string s = "(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"" + input + "\" \"" + input +
                    "\"))) (drawable (car (gimp-image-get-active-drawable image))))\n";
    if (select)
        s += "  (gimp-image-select-rectangle image CHANNEL-OP-REPLACE " + std::to_string(kSelLeft) + " " +
             std::to_string(kSelTop) + " " + std::to_string(kSelWidth) + " " + std::to_string(kSelHeight) + ")\n";
    s += "  (plug-in-twilightomator " + std::string(runMode) + " image drawable " + settings + ")\n";
    if (isTiff(output))
        s += "  (file-tiff-save RUN-NONINTERACTIVE image drawable \"" + output + "\" \"" + output + "\" 0)\n";
    else
        s += "  (file-png-save2 RUN-NONINTERACTIVE image drawable \"" + output + "\" \"" + output +
             "\" 0 9 0 0 0 0 0 0 TRUE)\n";
    s += "  (gimp-image-delete image))\n";
    return s;
}

std::string resultName(const Case& c, bool select, const char* who) {
    const std::string name = c.file;
    const size_t dot = name.rfind('.');
    return name.substr(0, dot) + (select ? "-sel-" : "-all-") + who + name.substr(dot);
}

class GimpBatch : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (gimpProgram("gimp-console-2.10").empty()) {
            skipReason() = "gimp-console-2.10 is not installed (scripts/install-deps.sh installs GIMP)";
            return;
        }
        const std::string profile = pathOf("profile");
        std::string problem;
        ASSERT_TRUE(makeGimpProfile(profile, problem)) << problem;

        std::string script = "(gimp-message-set-handler ERROR-CONSOLE)\n";
        std::string error;
        ImageWriteReport report;
        ASSERT_TRUE(writeImageFile(pathOf("mask.png"), maskDocument(), 0, true, report, error)) << error;
        for (const Case& c : kCases) {
            ASSERT_TRUE(writeImageFile(pathOf(c.file), patternDocument(64, 48, c.channels, c.alpha, c.depth), 0, true, report, error)) << error;
            for (bool select : {false, true})
                script += scriptCall(pathOf(c.file), pathOf(resultName(c, select, "gimp")), select,
                                     "RUN-NONINTERACTIVE", kProcedureSettings);
        }
        // Repeat: the last call's settings again, whatever the arguments say.
        script += scriptCall(pathOf(kCases[0].file), pathOf("repeated.png"), false, "RUN-WITH-LAST-VALS",
                             kIgnoredSettings);
        // A value outside the dialog's range is refused with a message.
        script += "(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"" + pathOf(kCases[0].file) + "\" \"" +
                  pathOf(kCases[0].file) + "\"))) (drawable (car (gimp-image-get-active-drawable image))))\n"
                  "  (catch (gimp-message \"call refused\") (plug-in-twilightomator RUN-NONINTERACTIVE image drawable " +
                  kOutOfRangeSettings + ") (gimp-message \"call accepted\")))\n";
        std::ofstream(pathOf("cases.scm")) << script;

        const std::string command = "cd '" + folder() + "' && GIMP2_DIRECTORY='" + profile + "' '" + gimpProgram("gimp-console-2.10") +
                                    "' -i -n -d -f -b '(load \"" + pathOf("cases.scm") +
                                    "\")' -b '(gimp-quit 0)' > gimp.log 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << "GIMP failed; see " << pathOf("gimp.log");
    }

    void SetUp() override {
        if (!skipReason().empty()) GTEST_SKIP() << skipReason();
    }

    static std::string& skipReason() {
        static std::string reason;
        return reason;
    }

    static Document read(const std::string& path) {
        Document d;
        ImageFileInfo info;
        std::string error;
        EXPECT_TRUE(readImageFile(path, d, info, error)) << error;
        return d;
    }

    static void expectSamePixels(const std::string& gimpResult, const std::string& programResult) {
        std::string difference;
        EXPECT_TRUE(samePixels(gimpResult, programResult, difference)) << difference;
    }
};

TEST_F(GimpBatch, FilteringInGimpGivesTheProgramsPixels) {
    for (const Case& c : kCases) {
        for (bool select : {false, true}) {
            const std::string programResult = pathOf(resultName(c, select, "program"));
            const ProgramRun run = runProgram("apply --quiet '" + pathOf(c.file) + "' -o '" + programResult +
                                              "' --force " + kProgramSettings +
                                              (select ? " --mask '" + pathOf("mask.png") + "'" : std::string()));
            ASSERT_EQ(run.status, 0) << run.output;
            expectSamePixels(pathOf(resultName(c, select, "gimp")), programResult);
        }
    }
}

TEST_F(GimpBatch, TheSelectionKeepsEverythingOutsideItsBounds) {
    for (const Case& c : kCases) {
        const Document source = read(pathOf(c.file));
        const Document result = read(pathOf(resultName(c, true, "gimp")));
        ASSERT_EQ(result.samples.size(), source.samples.size());
        size_t changedOutside = 0, changedInside = 0;
        for (int32_t y = 0; y < source.height; ++y)
            for (int32_t x = 0; x < source.width; ++x) {
                const bool inside = x >= kSelLeft && x < kSelLeft + kSelWidth && y >= kSelTop && y < kSelTop + kSelHeight;
                const bool changed = std::memcmp(source.pixel(x, y), result.pixel(x, y), source.pixelBytes()) != 0;
                (inside ? changedInside : changedOutside) += changed;
            }
        EXPECT_EQ(changedOutside, 0u) << c.file;
        EXPECT_GT(changedInside, size_t(kSelWidth * kSelHeight / 2)) << c.file;
    }
}

TEST_F(GimpBatch, RepeatingUsesTheLastCallsSettings) {
    expectSamePixels(pathOf("repeated.png"), pathOf(resultName(kCases[0], false, "gimp")));
}
TEST_F(GimpBatch, ArgumentsOutsideTheirRangeAreRefusedWithAMessage) {
    std::stringstream log;
    log << std::ifstream(pathOf("gimp.log")).rdbuf();
    EXPECT_NE(log.str().find("focus: 120 is outside 0..100"), std::string::npos) << log.str();
    EXPECT_NE(log.str().find("call refused"), std::string::npos) << log.str();
    EXPECT_EQ(log.str().find("call accepted"), std::string::npos) << log.str();
}
}  // namespace
