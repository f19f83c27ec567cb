// The preview render (renderTarget 1) and the internal image (renderTarget 2),
// driven inside one Start as the dialog and the exporters drive them, with
// the plug-in linked into the test so that its globals can be reached.
#include "harness.h"

#include "effect/tiled_image.h"
#include "plugin/entry.h"
#include "plugin/filter_pass.h"
#include "plugin/globals.h"
#include "plugin/host_services.h"
#include "model/parameters.h"
#include "plugin/work_area.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A host that calls the linked-in PluginMain directly.
struct DirectHost {
    Document document;
    std::unique_ptr<HostSession> session;
    intptr_t data = 0;

    DirectHost(Document doc, HostConfig config = HostConfig{}) : document(std::move(doc)) {
        session = std::make_unique<HostSession>(document, config);
    }
    ~DirectHost() {
        PluginGlobals* g = globals();
        if (g) {
            g->record = &session->record();
            releaseWorkingBuffers(*g);
        }
        FilterRecord& r = session->record();
        if (r.parameters) disposePluginHandle(&r, r.parameters);
        if (data) disposePluginHandle(&r, reinterpret_cast<Handle>(data));
    }
    int16_t call(int16_t selector) {
        int16_t result = 0;
        pluginMain(selector, &session->record(), &data, &result);
        return result;
    }
    PluginGlobals* globals() {
        if (!data) return nullptr;
        auto* g = reinterpret_cast<PluginGlobals*>(*reinterpret_cast<Handle>(data));
        g->record = &session->record();
        g->result = &result;
        return g;
    }
    FilterParameters& parameters() { return *parametersOf(&session->record()); }
    int16_t result = 0;
};

Document flat(int32_t width, int32_t height, uint8_t value) {
    return flatDocument(width, height, 3, false, SampleDepth::eight, value);
}

TEST(InternalImage, RenderingAtFullSizeMatchesTheFinalPass) {
    const Document source = rampDocument(40, 30, 3, false, SampleDepth::eight);
    TestHost reference(source);
    ASSERT_EQ(reference.run().result, 0);

    DirectHost host(source);
    ASSERT_EQ(host.call(filterSelectorPrepare), 0);
    ASSERT_EQ(host.call(filterSelectorStart), 0);
    PluginGlobals& g = *host.globals();
    ASSERT_EQ(renderIntoInternalImage(g, 40, 30), 0);
    const Pyramid& image = g.images->internal;
    ASSERT_EQ(image.width[0], 40);
    int mismatches = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            uint32_t channels[4];
            readChannels(x, y, image, 0, channels);
            const uint8_t* expected = reference.document.pixel(x, y);
            for (int c = 0; c < 3; ++c) mismatches += channels[c] != expected[c];
            EXPECT_EQ(channels[3], 255u);
        }
    EXPECT_EQ(mismatches, 0);
    // The final pass state survives the export render.
    EXPECT_EQ(host.parameters().renderTarget, renderHostRows);
    EXPECT_EQ(g.pass.passHeight, 30);
}

TEST(InternalImage, ASmallerExportIsResampledAndOpaque) {
    DirectHost host(flat(64, 48, 160));
    ASSERT_EQ(host.call(filterSelectorPrepare), 0);
    ASSERT_EQ(host.call(filterSelectorStart), 0);
    PluginGlobals& g = *host.globals();
    ASSERT_EQ(renderIntoInternalImage(g, 32, 24), 0);
    uint32_t channels[4];
    readChannels(16, 12, g.images->internal, 0, channels);
    EXPECT_EQ(channels[0], uint32_t(eightBitRoundTrip(160)));
    EXPECT_EQ(channels[3], 255u);
}

TEST(Preview, ScaledRequestDeliversEverySecondPixelAndRendersIt) {
    DirectHost host(flat(60, 40, 90));
    ASSERT_EQ(host.call(filterSelectorPrepare), 0);
    ASSERT_EQ(host.call(filterSelectorStart), 0);
    PluginGlobals& g = *host.globals();
    FilterParameters& p = host.parameters();
    p.renderTarget = renderPreview;
    scaledRequest(g, 2);
    ASSERT_EQ(host.result, 0);
    const FilterRecord& r = host.session->record();
    EXPECT_EQ(p.previewScale, 2);
    EXPECT_EQ(r.inputRate, 2 << 16);
    EXPECT_EQ(r.inRect.right - r.inRect.left, 30);
    EXPECT_EQ(r.inRect.bottom - r.inRect.top, 20);
    EXPECT_EQ(r.outRect.right - r.outRect.left, 30);
    previewRender(g);
    ASSERT_EQ(host.result, 0);
    // No selection: weight 255, a = 256, the worked value unmixed at the centre.
    const auto* out = static_cast<const uint8_t*>(r.outData);
    EXPECT_EQ(out[10 * r.outRowBytes + 15 * 3], eightBitRoundTrip(90));
    // Every row of the view was computed: the corner is vignetted.
    EXPECT_LT(out[19 * r.outRowBytes + 29 * 3], 80);
}

TEST(Preview, HostWithoutSamplingGetsScaleOne) {
    HostConfig config;
    config.samplingSupport = hostDoesNotSupportSampling;
    DirectHost host(flat(60, 40, 90), config);
    ASSERT_EQ(host.call(filterSelectorPrepare), 0);
    ASSERT_EQ(host.call(filterSelectorStart), 0);
    PluginGlobals& g = *host.globals();
    scaledRequest(g, 3);
    EXPECT_EQ(host.parameters().previewScale, 1);
    EXPECT_EQ(host.session->record().inputRate, 1 << 16);
}

TEST(Preview, ViewIsLimitedToThePreviewBox) {
    DirectHost host(flat(1000, 600, 90));
    ASSERT_EQ(host.call(filterSelectorPrepare), 0);
    ASSERT_EQ(host.call(filterSelectorStart), 0);
    PluginGlobals& g = *host.globals();
    scaledRequest(g, 1);
    const FilterRecord& r = host.session->record();
    EXPECT_EQ(r.inRect.right - r.inRect.left, 426);
    EXPECT_EQ(r.inRect.bottom - r.inRect.top, 416);
}

}  // namespace
