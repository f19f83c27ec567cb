// The filtering pass through the substitute host: rows, masks, progress,
// abort, memory, and whole runs over flat documents whose results follow
// from the formulas by hand.
#include "harness.h"

#include "host/descriptor_suite.h"
#include "model/parameters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(Pass, OneRowRectangleMakesOneStepAndReportsItsProgress) {
    TestHost host(flatDocument(20, 1, 3, false, SampleDepth::eight, 90));
    const FilterRunResult run = host.run();
    ASSERT_EQ(run.result, 0);
    const auto& progress = host.session->progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().done, 0);
    EXPECT_EQ(progress.back().total, 1);
    // Each step asks the host for its output row, without a mask here (the
    // source tiles have a 1 x 1 output rectangle, the scaled request of the
    // set-up asks for the mask too): one step, one row request.
    int rowRequests = 0;
    for (const AdvanceRequest& r : host.session->requests())
        if (r.outRect.bottom - r.outRect.top == 1 && r.outRect.right - r.outRect.left == 20 && rectEmpty(r.maskRect))
            ++rowRequests;
    EXPECT_EQ(rowRequests, 1);
    EXPECT_EQ(liveHostBuffers(), 0);
}

TEST(Pass, ProgressEveryThirtySecondRow) {
    TestHost host(flatDocument(4, 70, 1, false, SampleDepth::eight, 90));
    ASSERT_EQ(host.run().result, 0);
    std::vector<int32_t> rows;
    for (const ProgressCall& r : host.session->progress())
        if (r.total == 70) rows.push_back(r.done);
    EXPECT_EQ(rows, (std::vector<int32_t>{0, 32, 64}));
}

TEST(Pass, MaskRowsReachTwoRowsAroundTheCurrentRowWithinTheImage) {
    Document document = flatDocument(6, 10, 3, false, SampleDepth::eight, 90);
    document.selection.assign(60, 255);
    TestHost host(std::move(document));
    ASSERT_EQ(host.run().result, 0);
    bool sawFirst = false, sawLast = false;
    for (const AdvanceRequest& r : host.session->requests()) {
        if (r.inRect.bottom - r.inRect.top != 1) continue;
        if (r.inRect.top == 0) {
            EXPECT_EQ(r.maskRect.top, 0);
            EXPECT_EQ(r.maskRect.bottom, 2);
            sawFirst = true;
        }
        if (r.inRect.top == 9) {
            EXPECT_EQ(r.maskRect.top, 7);
            EXPECT_EQ(r.maskRect.bottom, 10);
            sawLast = true;
        }
        EXPECT_EQ(r.inputRate, 1 << 16);
    }
    EXPECT_TRUE(sawFirst);
    EXPECT_TRUE(sawLast);
}

TEST(Pass, SourceIsAcquiredTileByTileOnce) {
    TestHost host(flatDocument(600, 20, 3, false, SampleDepth::eight, 90));
    ASSERT_EQ(host.run().result, 0);
    int tiles = 0;
    for (const AdvanceRequest& r : host.session->requests()) {
        if (r.outRect.bottom - r.outRect.top == 1 && r.outRect.right - r.outRect.left == 1) {
            ++tiles;
            EXPECT_EQ(r.inRect.top, 0);
            EXPECT_EQ(r.inRect.bottom, 20);
        }
    }
    // 600 wide: a 512 tile and an 88 tile.
    EXPECT_EQ(tiles, 2);
}

TEST(Pass, AbortOnTheThirtySecondStepStopsWithEmptyRectangles) {
    HostConfig config;
    config.abortOnPoll = 1;
    TestHost host(flatDocument(8, 50, 3, false, SampleDepth::eight, 90), config);
    const FilterRunResult run = host.run();
    EXPECT_EQ(run.result, userCanceledErr);
    EXPECT_EQ(run.failedSelector, filterSelectorContinue);
    EXPECT_EQ(host.session->abortPolls(), 1);
    EXPECT_TRUE(rectEmpty(host.record().inRect));
    EXPECT_TRUE(rectEmpty(host.record().outRect));
    EXPECT_TRUE(rectEmpty(host.record().maskRect));
    EXPECT_EQ(liveHostBuffers(), 0);
}

TEST(Pass, FlatEightBitImageKeepsItsCentreAndDarkensItsCorners) {
    TestHost host(flatDocument(32, 32, 3, false, SampleDepth::eight, 200));
    ASSERT_EQ(host.run().result, 0);
    const uint8_t* centre = host.document.pixel(16, 16);
    EXPECT_EQ(centre[0], eightBitRoundTrip(200));
    EXPECT_EQ(centre[1], eightBitRoundTrip(200));
    // The default black vignette: the corner is well outside the clear area.
    EXPECT_LT(host.document.pixel(0, 0)[0], 150);
}

TEST(Pass, SixteenBitValuesSurviveExactly) {
    // 16384 / 32768 = 0.5 exactly, back to 16384.
    TestHost host(flatDocument(16, 16, 3, false, SampleDepth::sixteen, 16384));
    ASSERT_EQ(host.run().result, 0);
    uint16_t v;
    std::memcpy(&v, host.document.pixel(8, 8), 2);
    EXPECT_EQ(v, 16384);
}

TEST(Pass, SixteenBitFullTransparencyStaysFull) {
    // RGB48 + alpha plane: the transparency written back is the coverage x 32768 x 1.007,
    // limited: 32768 when acquired with full alpha.
    TestHost host(flatDocument(16, 16, 3, true, SampleDepth::sixteen, 16384));
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const uint16_t full = 32768;
            std::memcpy(host.document.pixel(x, y) + 6, &full, 2);
        }
    ASSERT_EQ(host.run().result, 0);
    uint16_t alpha;
    std::memcpy(&alpha, host.document.pixel(3, 3) + 6, 2);
    EXPECT_EQ(alpha, 32768);
}

// Without a transparency plane a 16-bit image is acquired with alpha 32768,
// so its colours come out exactly as those of the same image with a plane
// of 32768 everywhere. The colour blur shows it: a pixel with coverage 0
// skips it, and at full colour blur it changes every pixel outside the clear
// area of this ramp.
TEST(Pass, SixteenBitImageWithoutTransparencyIsOpaque) {
    // alpha < 0: no transparency plane; else a plane of that value.
    auto filtered = [](int alpha) {
        Document document = rampDocument(24, 24, 3, alpha >= 0, SampleDepth::sixteen);
        if (alpha >= 0)
            for (int32_t y = 0; y < 24; ++y)
                for (int32_t x = 0; x < 24; ++x) {
                    const uint16_t value = uint16_t(alpha);
                    std::memcpy(document.pixel(x, y) + 6, &value, 2);
                }
        Descriptor step;
        step.put(integerItem(fourCC("0011"), 100));
        step.put(integerItem(fourCC("0012"), 100));
        DescriptorSuiteHost suite(DescriptorSuiteConfig{}, &step);
        HostConfig config;
        config.descriptorParameters = suite.parameters();
        TestHost host(std::move(document), config);
        EXPECT_EQ(host.run().result, 0);
        std::vector<uint16_t> colours;
        for (int32_t y = 0; y < 24; ++y)
            for (int32_t x = 0; x < 24; ++x)
                for (int c = 0; c < 3; ++c) {
                    uint16_t v;
                    std::memcpy(&v, host.document.pixel(x, y) + 2 * c, 2);
                    colours.push_back(v);
                }
        return colours;
    };
    const std::vector<uint16_t> withoutPlane = filtered(-1);
    EXPECT_EQ(withoutPlane, filtered(32768));
    // The comparison means something: transparent pixels come out otherwise.
    EXPECT_NE(withoutPlane, filtered(0));
}

TEST(Pass, GreyImagesComeBackAsTheirLuma) {
    // The grey value in all three channels, then floor((77 + 150 + 28) t / 256).
    TestHost host(flatDocument(16, 16, 1, false, SampleDepth::eight, 200));
    ASSERT_EQ(host.run().result, 0);
    const int32_t t = eightBitRoundTrip(200);
    EXPECT_EQ(host.document.pixel(8, 8)[0], (255 * t) >> 8);
}

TEST(Pass, FloatImagesPassThroughTheFloatPyramid) {
    TestHost host(flatDocument(16, 16, 3, false, SampleDepth::floating, 0.25));
    ASSERT_EQ(host.run().result, 0);
    float v;
    std::memcpy(&v, host.document.pixel(8, 8), 4);
    EXPECT_NEAR(v, 0.25f, 1e-6f);
}

TEST(Pass, TransparencyComesFromTheCoverage) {
    TestHost host(flatDocument(16, 16, 3, true, SampleDepth::eight, 100));
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) host.document.pixel(x, y)[3] = 128;
    ASSERT_EQ(host.run().result, 0);
    // The pipeline raises the coverage by 1.007 and the output stage once more:
    // 128 / 255 = 0.50196, x 1.007 = 0.50547, x 255 = 128.90, x 1.007 = 129.80 -> 129.
    EXPECT_EQ(host.document.pixel(8, 8)[3], 129);
}

TEST(Pass, BufferSuiteOfVersionThreeGivesPlatformMemory) {
    HostConfig config;
    config.buffers.version = 3;
    TestHost host(flatDocument(16, 16, 3, false, SampleDepth::eight, 100), config);
    ASSERT_EQ(host.run().result, 0);
    EXPECT_EQ(hostBufferAllocations(), 0);
    EXPECT_EQ(host.document.pixel(8, 8)[0], eightBitRoundTrip(100));
}

TEST(Pass, FailingHostBuffersFallBackSilently) {
    HostConfig config;
    config.buffers.failFromAllocation = 3;
    TestHost host(flatDocument(16, 16, 3, false, SampleDepth::eight, 100), config);
    ASSERT_EQ(host.run().result, 0);
    EXPECT_EQ(liveHostBuffers(), 0);
    EXPECT_EQ(host.document.pixel(8, 8)[0], eightBitRoundTrip(100));
}

TEST(Pass, TheSelectionLimitsWhereTheFilterLands) {
    Document document = flatDocument(16, 16, 3, false, SampleDepth::eight, 200);
    document.selection.assign(256, 0);
    for (int x = 0; x < 16; ++x) document.selection[x] = 255;  // row 0 only
    TestHost host(std::move(document));
    ASSERT_EQ(host.run().result, 0);
    // The filter works on the selection's bounds, as in an editor.
    const Rect& filter = host.session->record().filterRect;
    EXPECT_EQ(filter.top, 0);
    EXPECT_EQ(filter.bottom, 1);
    EXPECT_EQ(filter.left, 0);
    EXPECT_EQ(filter.right, 16);
    // Row 15 was not selected: its corners keep the source.
    EXPECT_EQ(host.document.pixel(0, 15)[0], 200);
    EXPECT_LT(host.document.pixel(0, 0)[0], 180);
}

// A host like the real ones hands the record of older headers, 556 bytes
// ending where an inaccessible page begins, and shows opaque pictures as
// layers: whole runs over every kind of picture stay inside that record and
// give the pixels our own host gives.
TEST(Pass, RealHostsOlderRecordIsEnoughAndGivesTheSamePixels) {
    HostConfig real;
    real.behaviour = HostBehaviour::likeRealHosts;
    {
        TestHost probe(flatDocument(4, 4, 3, false, SampleDepth::eight, 10), real);
        EXPECT_EQ(probe.record().filterCase, filterCaseEditableTransparencyNoSelection);
        EXPECT_EQ(probe.record().planes, 4);
        EXPECT_EQ(probe.record().bufferProcs->numBufferProcs, 5);
        const auto* end = reinterpret_cast<volatile const uint8_t*>(&probe.record()) + kOlderHostRecordBytes;
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EXPECT_DEATH((void)end[0], "") << "no guard page after the record";
    }
    struct Case {
        int32_t channels;
        bool alpha;
        SampleDepth depth;
        bool selection;
    };
    const Case cases[] = {{1, false, SampleDepth::eight, false},
                          {3, false, SampleDepth::sixteen, true},
                          {3, false, SampleDepth::floating, false},
                          {3, true, SampleDepth::eight, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, alpha " + std::to_string(c.alpha) + ", " +
                     std::to_string(sampleBytes(c.depth)) + " bytes, selection " + std::to_string(c.selection));
        Document document = rampDocument(24, 20, c.channels, c.alpha, c.depth);
        if (c.selection) {
            document.selection.assign(24 * 20, 0);
            for (int32_t i = 0; i < 24 * 8; ++i) document.selection[size_t(i)] = i < 24 * 4 ? 255 : 100;
        }
        std::vector<uint8_t> oursSamples;
        {
            TestHost ours(document);
            ASSERT_EQ(ours.run().result, 0);
            oursSamples = ours.document.samples;
        }
        TestHost realHost(document, real);
        ASSERT_EQ(realHost.run().result, 0);
        EXPECT_EQ(realHost.document.samples, oursSamples);
        EXPECT_NE(realHost.document.samples, document.samples) << "the filter changed nothing";
    }
}

TEST(Pass, RepeatedRunsReuseTheKeptParameterBlock) {
    TestHost host(flatDocument(8, 8, 3, false, SampleDepth::eight, 100));
    ASSERT_EQ(host.run().result, 0);
    const Handle kept = host.state.parameters;
    ASSERT_EQ(host.run().result, 0);
    EXPECT_EQ(host.state.parameters, kept);
}

}  // namespace
