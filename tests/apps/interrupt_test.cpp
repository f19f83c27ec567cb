// Ctrl-C while a filter runs is the host's abort: the plug-in stops with
// -128, nothing is written and the program exits with 130.
#include "host/image_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

TEST(Interrupt, CtrlCAbortsTheFilterAndWritesNothing) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(testTemporaryFolder()) / "interrupt";
    fs::create_directories(folder);
    const std::string input = (folder / "large.tif").string();
    const std::string output = (folder / "large-out.tif").string();
    Document d;
    std::string error;
    ASSERT_TRUE(makeDocument(d, 4000, 4000, 3, false, SampleDepth::eight, error));
    for (size_t i = 0; i < d.samples.size(); ++i) d.samples[i] = uint8_t(i * 31 / 7);
    ImageWriteReport report;
    ASSERT_TRUE(writeImageFile(input, d, 8, true, report, error)) << error;

    const std::string app = builtAppPath();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // One thread on the scalar path: slow enough that the signal comes
        // while the filter runs, however fast the machine's vector units.
        execl(app.c_str(), app.c_str(), "apply", "--quiet", input.c_str(), "-o", output.c_str(), "--focus", "90",
              "--color-blur", "80", "--high-quality", "--threads", "1", "--simd", "scalar", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Long enough for the program to be filtering, far shorter than the run.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the program died of a signal";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_FALSE(fs::exists(output));
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename().string().find("large-out"), std::string::npos) << entry.path();
}

}  // namespace
