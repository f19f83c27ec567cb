// A host that hands the plug-in what it did not ask for: image descriptions
// that contradict themselves, and deliveries of other rectangles, planes or
// shorter rows than requested. Each is refused with a result code, asks
// the host for no more pixels and gives every buffer back; the same host
// set right runs normally afterwards.
#include "harness.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The host's own advanceState, and what a test does to each delivery.
AdvanceStateProc gHonest = nullptr;
FilterRecord* gRecord = nullptr;
std::function<void(FilterRecord&, int32_t)> gSpoil;
int32_t gCalls = 0;

OSErr spoiledAdvanceState() {
    const OSErr result = gHonest();
    gSpoil(*gRecord, ++gCalls);
    return result;
}

bool allEmpty(const FilterRecord& r) { return rectEmpty(r.inRect) && rectEmpty(r.outRect) && rectEmpty(r.maskRect); }

TEST(HostileHost, ImageDescriptionsThatContradictThemselvesAreRefused) {
    struct Case {
        const char* what;
        std::function<void(FilterRecord&)> describe;
        int16_t expected;
    };
    const Case cases[] = {
        {"upside-down rectangle", [](FilterRecord& r) { r.filterRect.right = int16_t(r.filterRect.left - 10); },
         filterBadParameters},
        {"empty rectangle", [](FilterRecord& r) { r.filterRect.bottom = r.filterRect.top; }, filterBadParameters},
        {"RGB at 16 bits in the 8-bit mode", [](FilterRecord& r) { r.depth = 16; }, filterBadParameters},
        {"RGB48 without its depth", [](FilterRecord& r) { r.imageMode = plugInModeRGB48; r.depth = 8; },
         filterBadParameters},
        {"CMYK", [](FilterRecord& r) { r.imageMode = plugInModeCMYKColor; }, filterBadMode},
        {"Lab", [](FilterRecord& r) { r.imageMode = plugInModeLabColor; }, filterBadMode},
        {"two planes of RGB", [](FilterRecord& r) { r.planes = 2; }, filterBadParameters},
        {"transparency plane past the pixel",
         [](FilterRecord& r) { r.inLayerPlanes = r.outLayerPlanes = 4; }, filterBadParameters},
        {"transparency plane inside the colours",
         [](FilterRecord& r) { r.inLayerPlanes = r.outLayerPlanes = 1; }, filterBadParameters},
        {"filter case 0", [](FilterRecord& r) { r.filterCase = 0; }, filterBadParameters},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestHost host(rampDocument(20, 12, 3, true, SampleDepth::eight));
        const int32_t buffersBefore = liveHostBuffers();
        FilterRecord& record = host.record();
        const FilterRecord honest = record;
        c.describe(record);
        EXPECT_EQ(host.call(filterSelectorPrepare), noErr);
        EXPECT_EQ(host.call(filterSelectorStart), c.expected);
        EXPECT_TRUE(allEmpty(record));
        EXPECT_EQ(liveHostBuffers(), buffersBefore);
        // The same host, set right, filters as usual.
        record = honest;
        record.parameters = host.state.parameters;
        EXPECT_EQ(host.run().result, noErr);
        EXPECT_EQ(liveHostBuffers(), buffersBefore);
    }
}

TEST(HostileHost, UpsideDownRectangleAsksForTheSmallestRowBuffer) {
    TestHost host(rampDocument(20, 12, 3, false, SampleDepth::eight));
    host.record().filterRect.right = int16_t(host.record().filterRect.left - 10);
    ASSERT_EQ(host.call(filterSelectorPrepare), noErr);
    // A width below 0 counts as 0: R = max(2 x (12 + 4), 3 x 0 + 2184) = 2184, plus 1112.
    EXPECT_EQ(host.record().bufferSpace, 3296);
}

TEST(HostileHost, DeliveriesThatDifferFromTheRequestAreRefused) {
    struct Case {
        const char* what;
        int32_t atCall;  // 1: the source's only tile at Start; 4: a row in Continue
        std::function<void(FilterRecord&)> spoil;
    };
    const Case cases[] = {
        {"rows a byte short", 1, [](FilterRecord& r) { r.inRowBytes -= 1; }},
        {"no input data", 1, [](FilterRecord& r) { r.inData = nullptr; }},
        {"a smaller input rectangle", 1, [](FilterRecord& r) { r.inRect.right -= 1; }},
        {"an input rectangle moved", 4, [](FilterRecord& r) { r.inRect.top += 1; r.inRect.bottom += 1; }},
        {"output rows a byte short", 4, [](FilterRecord& r) { r.outRowBytes -= 1; }},
        {"no output data", 4, [](FilterRecord& r) { r.outData = nullptr; }},
        {"fewer output planes", 4, [](FilterRecord& r) { r.outHiPlane -= 1; }},
        {"an empty output rectangle", 4, [](FilterRecord& r) { r.outRect.bottom = r.outRect.top; }},
        {"mask rows a byte short", 4, [](FilterRecord& r) { r.maskRowBytes -= 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Document document = rampDocument(20, 12, 3, false, SampleDepth::eight);
        document.selection.assign(size_t(20 * 12), 255);
        TestHost host(std::move(document));
        const int32_t buffersBefore = liveHostBuffers();
        FilterRecord& record = host.record();
        gHonest = record.advanceState;
        gRecord = &record;
        gCalls = 0;
        gSpoil = [&c](FilterRecord& r, int32_t call) {
            if (call == c.atCall) c.spoil(r);
        };
        record.advanceState = spoiledAdvanceState;
        const FilterRunResult run = host.run();
        EXPECT_EQ(run.result, filterBadParameters);
        EXPECT_EQ(run.failedSelector, c.atCall == 1 ? filterSelectorStart : filterSelectorContinue);
        EXPECT_TRUE(allEmpty(record));
        EXPECT_EQ(liveHostBuffers(), buffersBefore);
        record.advanceState = gHonest;
    }
}

}  // namespace
