// Start's use of the settings store through the host: the first run finds
// no files, the memory-dot map is written at the release, and the play mode
// decides the dialog. (An accepted dialog's cached settings are tested with
// the dialog, which needs a window layer.)
#include "harness.h"

#include "host/descriptor_suite.h"
#include "model/parameters.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

fs::path storeFile(const char* name) { return fs::path(testTemporaryFolder()) / name; }

Document small() { return rampDocument(12, 10, 3, false, SampleDepth::eight); }

void clearStore() {
    for (const char* name : {"Twilightomator cached settings C", "Twilightomator memdot map 2",
                             "Twilightomator undo 0", "Twilightomator undo 1"})
        fs::remove(storeFile(name));
}

TEST(StoreFlow, FirstRunWithoutFilesKeepsTheDefaultsAndWritesTheMap) {
    clearStore();
    TestHost host(small());
    ASSERT_EQ(host.run().result, 0);
    EXPECT_EQ(host.parameters()->settings.focus, 36);
    EXPECT_FALSE(fs::exists(storeFile("Twilightomator cached settings C")));
    // The release writes the map: 40 and 25 cleared flags, big-endian.
    std::ifstream map(storeFile("Twilightomator memdot map 2"), std::ios::binary);
    ASSERT_TRUE(map.good());
    std::string bytes((std::istreambuf_iterator<char>(map)), {});
    ASSERT_EQ(bytes.size(), 26u * 4u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\0\0\0\x28", 4));
    EXPECT_EQ(bytes.substr(4), std::string(100, '\0'));
}

TEST(StoreFlow, PlayModesDecideTheDialogWithOrWithoutParameters) {
    for (int16_t play : {plugInDialogDontDisplay, plugInDialogDisplay, plugInDialogSilent}) {
        for (bool withParameters : {false, true}) {
            clearStore();
            DescriptorSuiteConfig suiteConfig;
            suiteConfig.playInfo = play;
            Descriptor step;
            step.put(integerItem(fourCC("0007"), 55));
            DescriptorSuiteHost suite(suiteConfig, &step);
            HostConfig config;
            config.descriptorParameters = suite.parameters();
            TestHost host(small(), config);
            testing::internal::CaptureStderr();
            // The tests have no display: a run that must show the dialog
            // stops at Start, having said why.
            const FilterRunResult run = host.run(withParameters);
            const std::string shown = testing::internal::GetCapturedStderr();
            const bool dialogAsked = shown.find("no display") != std::string::npos;
            EXPECT_EQ(dialogAsked, play == plugInDialogDisplay) << play << " " << withParameters;
            EXPECT_EQ(run.result, play == plugInDialogDisplay ? 1 : 0);
            // Only an accepted dialog saves the cached settings.
            EXPECT_FALSE(fs::exists(storeFile("Twilightomator cached settings C")));
            EXPECT_EQ(host.parameters()->showDialog, 0);
        }
    }
    clearStore();
}

TEST(StoreFlow, WithoutAUsableDescriptorSuiteParametersShowTheDialog) {
    clearStore();
    DescriptorSuiteConfig suiteConfig;
    suiteConfig.readProcedureCount = 17;  // not usable: no scripting
    DescriptorSuiteHost suite(suiteConfig, nullptr);
    HostConfig config;
    config.descriptorParameters = suite.parameters();
    TestHost plain(small(), config);
    testing::internal::CaptureStderr();
    ASSERT_EQ(plain.run(false).result, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("no display"), std::string::npos);
    Descriptor nothing;
    EXPECT_FALSE(suite.takeDescriptor(nothing));  // nothing written at Finish
    TestHost asked(small(), config);
    testing::internal::CaptureStderr();
    EXPECT_EQ(asked.run(true).result, 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no display"), std::string::npos);
    clearStore();
}

}  // namespace
