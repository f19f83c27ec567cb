// PluginMain driven by the substitute host: globals and parameter block
// lifecycle, selector dispatch, Prepare and the refusals of Start.
#include "harness.h"

#include "host/descriptor_suite.h"
#include "model/parameters.h"
#include "plugin/module_boundary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <vector>

namespace {

TEST(Entry, AboutBeforeAnythingElseCreatesNothing) {
    TestHost host(rampDocument(8, 8, 3, false, SampleDepth::eight));
    const int32_t handlesBefore = liveHostHandles();
    AboutRecord about{};
    intptr_t data = 0;
    int16_t result = 7;
    testing::internal::CaptureStderr();
    pluginUnderTest().call(filterSelectorAbout, &about, &data, &result);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(data, 0);
    EXPECT_EQ(liveHostHandles(), handlesBefore);
    EXPECT_EQ(host.parameters(), nullptr);
}

// A buffer that cannot grow, or any other refusal thrown inside the module,
// must reach the host as a result code and never as an exception.
TEST(Entry, WhatIsThrownInsideTheModuleReachesTheHostAsOutOfMemory) {
    int16_t result = noErr;
    EXPECT_EQ(callWithinModule(&result, [] { throw std::bad_alloc(); }), memFullErr);
    EXPECT_EQ(result, memFullErr);
    result = noErr;
    EXPECT_EQ(callWithinModule(&result, [] { std::vector<double>().reserve(SIZE_MAX); }), memFullErr);
    EXPECT_EQ(result, memFullErr);
    result = filterBadParameters;  // a call that returns keeps its own result
    EXPECT_EQ(callWithinModule(&result, [] {}), noErr);
    EXPECT_EQ(result, filterBadParameters);
    EXPECT_EQ(callWithinModule(nullptr, [] { throw 1; }), memFullErr);
}

TEST(Entry, UnknownSelectorIsRefusedAfterGlobalsAndParametersExist) {
    TestHost host(rampDocument(8, 8, 3, false, SampleDepth::eight));
    EXPECT_EQ(host.call(6), filterBadParameters);
    EXPECT_NE(host.state.data, 0);
    ASSERT_NE(host.parameters(), nullptr);
    EXPECT_EQ(host.parameters()->settings.focus, 36);
    EXPECT_EQ(host.call(-1), filterBadParameters);
}

TEST(Entry, GlobalsAndParameterBlockComeFromTheHostHandleSuite) {
    TestHost host(rampDocument(8, 8, 3, false, SampleDepth::eight));
    const int32_t before = liveHostHandles();
    EXPECT_EQ(host.call(filterSelectorParameters), 0);
    EXPECT_EQ(liveHostHandles(), before + 2);
    EXPECT_EQ(host.parameters()->showDialog, 1);
    // A second call reuses both.
    EXPECT_EQ(host.call(filterSelectorPrepare), 0);
    EXPECT_EQ(liveHostHandles(), before + 2);
}

TEST(Entry, FailedHandleAllocationReportsOutOfMemory) {
    HostConfig config;
    config.handles.failFromAllocation = 1;
    TestHost host(rampDocument(8, 8, 3, false, SampleDepth::eight), config);
    EXPECT_EQ(host.call(filterSelectorPrepare), memFullErr);
    EXPECT_EQ(host.state.data, 0);
    setHandleFailures(0, 0);
}

TEST(Entry, FailedParameterBlockAllocationReportsOutOfMemory) {
    HostConfig config;
    config.handles.failOnlyAllocation = 2;  // the globals succeed, the block fails
    TestHost host(rampDocument(8, 8, 3, false, SampleDepth::eight), config);
    EXPECT_EQ(host.call(filterSelectorPrepare), memFullErr);
    EXPECT_NE(host.state.data, 0);
    EXPECT_EQ(host.parameters(), nullptr);
    setHandleFailures(0, 0);
}

TEST(Entry, HandleSuiteWithSevenProceduresFallsBackToZeroFilledPlatformMemory) {
    HostConfig config;
    config.handles.procedureCount = 7;
    TestHost host(rampDocument(8, 8, 3, false, SampleDepth::eight), config);
    const int32_t before = liveHostHandles();
    EXPECT_EQ(host.call(filterSelectorPrepare), 0);
    EXPECT_EQ(liveHostHandles(), before);
    ASSERT_NE(host.parameters(), nullptr);
    const FilterParameters& p = *host.parameters();
    EXPECT_EQ(p.settings.glue, 1);
    // Fields the creation does not set keep the zero fill.
    EXPECT_EQ(p.psdWidth, 0);
    EXPECT_EQ(p.settings.auxColorF.red, 0);
    EXPECT_EQ(p.settingsFolder[0], '\0');
}

TEST(Entry, HandleSuiteOfWrongVersionOrMissingProcedureIsNotUsed) {
    for (int variant = 0; variant < 3; ++variant) {
        HostConfig config;
        if (variant == 0) config.handles.version = 0;
        if (variant == 1) config.handles.version = 2;
        if (variant == 2) config.handles.withSetSize = false;
        TestHost host(rampDocument(4, 4, 3, false, SampleDepth::eight), config);
        const int32_t before = liveHostHandles();
        EXPECT_EQ(host.call(filterSelectorPrepare), 0) << variant;
        EXPECT_EQ(liveHostHandles(), before) << variant;
    }
}

TEST(Entry, PrepareAsksForRowBufferRoomAndCentresTheView) {
    // W = 300, H = 200: R = max(2 * (300 + 4), 3 * 300 + 2184) = 3084.
    TestHost host(rampDocument(300, 200, 3, false, SampleDepth::eight));
    EXPECT_EQ(host.call(filterSelectorPrepare), 0);
    EXPECT_EQ(host.record().bufferSpace, 3084 + 1112);
    EXPECT_EQ(host.parameters()->viewCenterH, 150);
    EXPECT_EQ(host.parameters()->viewCenterV, 100);
    EXPECT_EQ(host.parameters()->previewScale, 1);
}

TEST(Entry, PrepareRowBufferForATallNarrowImage) {
    // W = 1, H = 5000: R = max(2 * 5004, 3 + 2184) = 10008.
    TestHost host(rampDocument(1, 5000, 1, false, SampleDepth::eight));
    EXPECT_EQ(host.call(filterSelectorPrepare), 0);
    EXPECT_EQ(host.record().bufferSpace, 10008 + 1112);
    EXPECT_EQ(host.parameters()->viewCenterH, 0);
    EXPECT_EQ(host.parameters()->viewCenterV, 2500);
}

TEST(Entry, HostWithoutAdvanceStateIsRefusedWithEmptyRectangles) {
    HostConfig config;
    config.withAdvanceState = false;
    TestHost host(rampDocument(16, 16, 3, false, SampleDepth::eight), config);
    host.record().inRect = Rect{1, 2, 3, 4};
    EXPECT_EQ(host.call(filterSelectorPrepare), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(host.call(filterSelectorStart), 1);
    const std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("Plug-in error"), std::string::npos);
    EXPECT_NE(shown.find("The filter cannot run because your paint program does not support enough of the "
                         "Photoshop 3.0 plug-in standard."),
              std::string::npos);
    EXPECT_NE(shown.find("Cancel"), std::string::npos);
    EXPECT_TRUE(rectEmpty(host.record().inRect));
    EXPECT_TRUE(rectEmpty(host.record().outRect));
    EXPECT_TRUE(rectEmpty(host.record().maskRect));
    EXPECT_EQ(liveHostBuffers(), 0);
}

TEST(Entry, MultichannelImagesAreRefused) {
    TestHost host(rampDocument(16, 16, 3, false, SampleDepth::eight));
    host.record().imageMode = plugInModeMultichannel;
    EXPECT_EQ(host.call(filterSelectorPrepare), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(host.call(filterSelectorStart), 1);
    const std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("image mode is not supported"), std::string::npos);
    EXPECT_TRUE(rectEmpty(host.record().outRect));
    EXPECT_EQ(liveHostBuffers(), 0);
}

// A descriptor read error is the host's code for Start: the pass is not set
// up (no row is asked for), the rectangles are empty and the buffers freed,
// while the values read before the error stay.
TEST(Entry, ADescriptorReadErrorStopsStartWithTheHostsCode) {
    Descriptor descriptor;
    descriptor.items = {integerItem(fourCC("0007"), 80)};
    DescriptorSuiteConfig suiteConfig;
    suiteConfig.readerCloseError = paramErr;
    DescriptorSuiteHost suite(suiteConfig, &descriptor);
    HostConfig config;
    config.descriptorParameters = suite.parameters();
    TestHost host(rampDocument(16, 16, 3, false, SampleDepth::eight), config);
    EXPECT_EQ(host.call(filterSelectorPrepare), 0);
    EXPECT_EQ(host.call(filterSelectorStart), paramErr);
    EXPECT_TRUE(rectEmpty(host.record().inRect));
    EXPECT_TRUE(rectEmpty(host.record().outRect));
    EXPECT_TRUE(rectEmpty(host.record().maskRect));
    EXPECT_EQ(liveHostBuffers(), 0);
    ASSERT_NE(host.parameters(), nullptr);
    EXPECT_EQ(host.parameters()->settings.focus, 80);
}

TEST(Entry, ParametersMarksTheFirstStartForThePsdChoice) {
    TestHost host(rampDocument(8, 8, 3, false, SampleDepth::eight));
    EXPECT_EQ(host.call(filterSelectorParameters), 0);
    FilterParameters& p = *host.parameters();
    EXPECT_EQ(p.showDialog, 1);
    EXPECT_EQ(p.psdWidth, 0);
}

}  // namespace
