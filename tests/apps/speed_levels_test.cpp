// The command line's speed switches change nothing in the result: the
// built-in landscape at 8, 16 and 32 bits through several glue modes gives
// the same file on the scalar path with one thread and at the best vector
// level with three.
#include "program_runner.h"

#include "apps/sample_scene.h"
#include "host/image_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

std::string pathOf(const std::string& name) {
    static const fs::path folder = [] {
        const fs::path p = fs::path(testTemporaryFolder()) / "speed-levels";
        fs::create_directories(p);
        return p;
    }();
    return (folder / name).string();
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SpeedSwitches, LandscapeGivesTheSameFileAtEveryDepthAndGlueMode) {
    const Document scene = makeSampleScene(331, 219);
    struct Input {
        const char* name;
        int depth;
    };
    for (const Input input : {Input{"scene8.png", 8}, Input{"scene16.png", 16}, Input{"scene32.tif", 32}}) {
        ImageWriteReport report;
        std::string error;
        ASSERT_TRUE(writeImageFile(pathOf(input.name), scene, input.depth, true, report, error)) << error;
        for (const char* glue : {"normal", "multiply", "color", "frontal"}) {
            const std::string settings = std::string(" --glue ") + glue +
                                         " --focus 70 --color-blur 40 --saturation 20 --sepia 30 --vignette 60 --force";
            const std::string reference = pathOf(std::string("reference-") + glue + "-" + input.name);
            const std::string fast = pathOf(std::string("fast-") + glue + "-" + input.name);
            const ProgramRun plain = runProgram("apply " + pathOf(input.name) + " -o " + reference + settings +
                                                " --threads 1 --simd scalar --quiet");
            ASSERT_EQ(plain.status, 0) << plain.output;
            const ProgramRun quick =
                runProgram("apply " + pathOf(input.name) + " -o " + fast + settings + " --threads 3 --simd avx512 --quiet");
            ASSERT_EQ(quick.status, 0) << quick.output;
            const std::string expected = contents(reference);
            ASSERT_GT(expected.size(), 1000u);
            EXPECT_TRUE(contents(fast) == expected) << input.name << " glue " << glue;
        }
    }
}

}  // namespace
