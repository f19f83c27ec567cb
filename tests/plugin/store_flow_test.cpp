// Start's use of the settings store through the host: the first run finds
// no files, an accepted dialog leaves the cached settings for the next run
// without a descriptor, and the memory-dot map is written at the release.
#include "harness.h"

#include "host/descriptor_suite.h"
#include "model/parameters.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

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

TEST(StoreFlow, AcceptedDialogLeavesCachedSettingsForTheNextRepeat) {
    clearStore();
    {
        Descriptor step;
        step.put(integerItem(fourCC("0007"), 77));
        step.put(enumeratedItem(fourCC("GLUE"), fourCC("GLty"), fourCC("GL05")));
        DescriptorSuiteConfig suiteConfig;
        suiteConfig.playInfo = plugInDialogDisplay;  // the dialog opens and is accepted
        DescriptorSuiteHost suite(suiteConfig, &step);
        HostConfig config;
        config.descriptorParameters = suite.parameters();
        TestHost host(small(), config);
        testing::internal::CaptureStderr();
        ASSERT_EQ(host.run().result, 0);
        testing::internal::GetCapturedStderr();
        // Taking the snapshot when the dialog opened wrote an undo file.
        EXPECT_TRUE(fs::exists(storeFile("Twilightomator undo 1")) || fs::exists(storeFile("Twilightomator undo 0")));
        Descriptor recorded;
        ASSERT_TRUE(suite.takeDescriptor(recorded));
        EXPECT_EQ(recorded.find(fourCC("0007"))->integer, 77);
    }
    EXPECT_TRUE(fs::exists(storeFile("Twilightomator cached settings C")));
    // A new host session (fresh parameter block) repeating without a descriptor.
    TestHost repeat(small());
    ASSERT_EQ(repeat.run().result, 0);
    EXPECT_EQ(repeat.parameters()->settings.focus, 77);
    EXPECT_EQ(repeat.parameters()->settings.glue, 5);
    // With a descriptor the cached settings are not used.
    Descriptor other;
    other.put(integerItem(fourCC("0009"), 3));
    DescriptorSuiteHost suite(DescriptorSuiteConfig{}, &other);
    HostConfig config;
    config.descriptorParameters = suite.parameters();
    TestHost scripted(small(), config);
    ASSERT_EQ(scripted.run().result, 0);
    EXPECT_EQ(scripted.parameters()->settings.focus, 36);
    EXPECT_EQ(scripted.parameters()->settings.dampen, 3);
    clearStore();
}

// The big-endian value at byte `at` of a file's bytes.
int32_t valueAt(const std::vector<uint8_t>& bytes, size_t at) {
    return int32_t(uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 |
                   uint32_t(bytes[at + 3]));
}

std::vector<uint8_t> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

// The preset picture is the 128 x 128 scratch image that exists from Start
// on, so the undo file and the cached settings written during Start carry
// a 128 x 128 thumbnail block after the 71 values, not the flag 0 alone.
TEST(StoreFlow, FilesWrittenAtStartCarryThe128PixelPicture) {
    clearStore();
    {
        DescriptorSuiteConfig suiteConfig;
        suiteConfig.playInfo = plugInDialogDisplay;
        Descriptor step;
        step.put(integerItem(fourCC("0007"), 60));
        DescriptorSuiteHost suite(suiteConfig, &step);
        HostConfig config;
        config.descriptorParameters = suite.parameters();
        TestHost host(small(), config);
        testing::internal::CaptureStderr();
        ASSERT_EQ(host.run().result, 0);
        testing::internal::GetCapturedStderr();
    }
    const fs::path undo = fs::exists(storeFile("Twilightomator undo 1")) ? storeFile("Twilightomator undo 1")
                                                                        : storeFile("Twilightomator undo 0");
    for (const fs::path& path : {storeFile("Twilightomator cached settings C"), undo}) {
        SCOPED_TRACE(path.string());
        const std::vector<uint8_t> bytes = fileBytes(path);
        ASSERT_GT(bytes.size(), 300u);
        EXPECT_EQ(valueAt(bytes, 284), 1);
        EXPECT_EQ(valueAt(bytes, 288), 128);
        EXPECT_EQ(valueAt(bytes, 292), 128);
        EXPECT_EQ(size_t(valueAt(bytes, 296)), bytes.size() - 300);
    }
    clearStore();
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
            ASSERT_EQ(host.run(withParameters).result, 0);
            const std::string shown = testing::internal::GetCapturedStderr();
            const bool dialogRan = shown.find("no display for the dialog") != std::string::npos;
            EXPECT_EQ(dialogRan, play == plugInDialogDisplay) << play << " " << withParameters;
            // Only an accepted dialog saves the cached settings.
            EXPECT_EQ(fs::exists(storeFile("Twilightomator cached settings C")), play == plugInDialogDisplay);
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
    ASSERT_EQ(asked.run(true).result, 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no display"), std::string::npos);
    clearStore();
}

}  // namespace
