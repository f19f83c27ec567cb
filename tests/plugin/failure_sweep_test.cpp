// Failure sweeps: complete runs (a filter run, a layered document export,
// gallery pages of presets and of memory dots) in which the plug-in's n-th
// allocation of one kind (through its memory services, on its heap, in its
// JPEG codec), or its n-th file operation, fails, for n over every point a clean run makes (every
// few points unless TWL_FULL_SWEEP is set; scripts/failure-sweep.sh runs
// them all). Each failure ends in one of the codes the run may give, leaves
// the user's file as it was or whole, no temporary file, no torn store file
// and no host buffer behind, and the next run gives the clean run's result.
// The sanitizer build's leak check covers every point too.
#include "harness.h"

#include "host/export_driver.h"
#include "platform/fault_injection.h"
#include "settings/preset_file.h"
#include "settings/settings_store.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

typedef void (*InjectFailures)(const int64_t* failAt, int64_t* counted);

InjectFailures injector() {
    return reinterpret_cast<InjectFailures>(pluginUnderTest().entry("TwilightomatorInjectFailures"));
}

const char* const kKindNames[kFailurePointKinds] = {"allocation", "heap allocation", "codec allocation",
                                                    "file operation"};

// From now on point n of `kind` fails (n 0, or kind -1: nothing fails).
void injectFailure(int kind, int64_t n) {
    int64_t failAt[kFailurePointKinds] = {};
    if (kind >= 0) failAt[kind] = n;
    injector()(failAt, nullptr);
}

struct Counts {
    int64_t points[kFailurePointKinds] = {};
};

// Runs `work` with nothing injected and returns what it counted.
template <typename Work>
Counts countPoints(const char* scenario, Work work) {
    injectFailure(-1, 0);
    work();
    Counts counts;
    injector()(nullptr, counts.points);
    std::printf("%s:", scenario);
    for (int kind = 0; kind < kFailurePointKinds; ++kind)
        std::printf(" %lld %ss%s", static_cast<long long>(counts.points[kind]), kKindNames[kind],
                    kind + 1 < kFailurePointKinds ? "," : "\n");
    return counts;
}

// The points of one kind to sweep: all of them with TWL_FULL_SWEEP, else about 16.
std::vector<int64_t> pointsUpTo(int64_t count) {
    const bool full = std::getenv("TWL_FULL_SWEEP") != nullptr;
    const int64_t stride = full ? 1 : std::max<int64_t>(1, count / 16);
    std::vector<int64_t> points;
    for (int64_t n = 1; n <= count; n += stride) points.push_back(n);
    if (!points.empty() && points.back() != count) points.push_back(count);
    return points;
}

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeText(const std::string& path, const char* text) { std::ofstream(path, std::ios::binary) << text; }

std::string freshFolder(const std::string& name) {
    const std::string folder = testTemporaryFolder() + "/" + name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// Every name under folder, relative to it.
std::set<std::string> namesUnder(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        names.insert(std::filesystem::relative(entry.path(), folder).string());
    return names;
}

// The store's map is whole: 40 and 25 flags of 0 or 1, nothing torn.
void expectWholeMemdotMap() {
    const std::string path = testTemporaryFolder() + "/" + kMemdotMapFileName;
    if (!std::filesystem::exists(path)) return;
    const std::vector<uint8_t> b = fileBytes(path);
    ASSERT_EQ(b.size(), 4u * (1 + kMemoryDotCount));
    auto value = [&](size_t i) { return uint32_t(b[4 * i]) << 24 | uint32_t(b[4 * i + 1]) << 16 | uint32_t(b[4 * i + 2]) << 8 | b[4 * i + 3]; };
    EXPECT_EQ(value(0), 40u);
    for (size_t i = 1; i <= size_t(kMemoryDotCount); ++i) EXPECT_LE(value(i), 1u) << "flag " << i;
}

Document sweepDocument() {
    Document document = rampDocument(40, 24, 3, true, SampleDepth::eight);
    document.selection.assign(size_t(40 * 24), 255);
    return document;
}

TEST(FailureSweep, FilterRun) {
    ASSERT_NE(injector(), nullptr);
    Document reference = sweepDocument();
    const Counts counts = countPoints("filter run", [&] {
        TestHost host(reference);
        ASSERT_EQ(host.run().result, noErr);
        reference = host.document;
    });
    EXPECT_GT(counts.points[int(FailurePoint::allocation)], 10);
    EXPECT_GT(counts.points[int(FailurePoint::heapAllocation)], 10);
    EXPECT_GT(counts.points[int(FailurePoint::fileOperation)], 4);
    for (int kind = 0; kind < kFailurePointKinds; ++kind) {
        for (int64_t n : pointsUpTo(counts.points[kind])) {
            SCOPED_TRACE(std::string(kKindNames[kind]) + " " + std::to_string(n));
            {
                TestHost host(sweepDocument());
                const int32_t buffersBefore = liveHostBuffers();
                injectFailure(kind, n);
                const FilterRunResult run = host.run();
                injectFailure(-1, 0);
                const std::set<int16_t> allowed = {noErr, memFullErr, kResultAlreadyReported, kResultPyramidFailed,
                                                   userCanceledErr};
                EXPECT_TRUE(allowed.count(run.result)) << run.result;
                EXPECT_EQ(liveHostBuffers(), buffersBefore);
                expectWholeMemdotMap();
            }
            TestHost next(sweepDocument());
            ASSERT_EQ(next.run().result, noErr);
            EXPECT_EQ(next.document.samples, reference.samples);
        }
    }
}

ExportRunResult exportTo(int32_t job, const std::string& path, const char* sourceFolder = nullptr) {
    TestHost host(sweepDocument());
    TwilightomatorExportRequest request{};
    request.job = job;
    request.path = path.c_str();
    request.sourceFolder = sourceFolder;
    return runExport(pluginUnderTest(), *host.session, host.state, request);
}

// An export over an older file: a failed one leaves it, a finished one
// replaces it whole, and no temporary file stays in its folder.
void sweepExport(const char* scenario, int32_t job, const std::string& site, const std::string& target, const char* sourceFolder) {
    writeText(target, "the user's older file");
    const std::vector<uint8_t> older = fileBytes(target);
    const Counts counts = countPoints(scenario, [&] { ASSERT_EQ(exportTo(job, target, sourceFolder).result, noErr); });
    const std::vector<uint8_t> written = fileBytes(target);
    const std::set<std::string> names = namesUnder(site);
    EXPECT_GT(counts.points[int(FailurePoint::fileOperation)], 2);
    EXPECT_GT(counts.points[int(FailurePoint::heapAllocation)], 2);
    for (int kind = 0; kind < kFailurePointKinds; ++kind) {
        for (int64_t n : pointsUpTo(counts.points[kind])) {
            SCOPED_TRACE(std::string(kKindNames[kind]) + " " + std::to_string(n));
            writeText(target, "the user's older file");
            const int32_t buffersBefore = liveHostBuffers();
            injectFailure(kind, n);
            const ExportRunResult run = exportTo(job, target, sourceFolder);
            injectFailure(-1, 0);
            EXPECT_EQ(liveHostBuffers(), buffersBefore);
            // The older file, or the new one whole (a gallery page is written
            // even when one of its pictures could not be, and says so).
            const std::vector<uint8_t> now = fileBytes(target);
            if (run.result == noErr) EXPECT_EQ(now, written);
            else EXPECT_TRUE(now == older || now == written) << run.stage << ": " << run.message;
            for (const std::string& name : namesUnder(site)) EXPECT_TRUE(names.count(name)) << "left behind: " << name;
            expectWholeMemdotMap();
            ASSERT_EQ(exportTo(job, target, sourceFolder).result, noErr);
            EXPECT_EQ(fileBytes(target), written);
        }
    }
}

TEST(FailureSweep, LayeredDocumentExport) {
    const std::string site = freshFolder("sweep-psd");
    sweepExport("layered document export", kExportLayeredDocument, site, site + "/result.psd", nullptr);
}

TEST(FailureSweep, PresetsGalleryPage) {
    const std::string presets = freshFolder("sweep-presets");
    for (const char* name : {"/dusk.z5a", "/night.z5a"}) {
        auto picture = std::make_unique<PresetPicture>();
        picture->width = picture->height = 24;
        std::memset(picture->rgba, 90, sizeof picture->rgba);
        ASSERT_EQ(writePreset((presets + name).c_str(), defaultUserSettings(), picture.get(), systemMemoryService()), 0);
    }
    const std::string site = freshFolder("sweep-gallery");
    sweepExport("presets gallery page", kExportPresetsPage, site, site + "/page.html", (presets + "/").c_str());
}

// Three kept dots, each its own look, so that a dot lost or changed by a
// failure shows in the next page.
TEST(FailureSweep, MemoryDotsGalleryPage) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    FilterParameters parameters{};
    parameters.settings = defaultUserSettings();
    const int32_t dots[3] = {0, 6, 13};
    for (int32_t i = 0; i < 3; ++i) {
        parameters.settings.sepia = 30 * (i + 1);
        parameters.settings.vignette = 90 - 25 * i;
        ASSERT_EQ(storeMemoryDot(store, dots[i], parameters, nullptr, systemMemoryService()), 0);
        store.keptFlags[dots[i]] = 1;
    }
    ASSERT_EQ(writeMemdotMap(store), 0);
    const std::string site = freshFolder("sweep-dots");
    sweepExport("memory dots gallery page", kExportMemoryDotsPage, site, site + "/dots.html", nullptr);
    for (int32_t dot : dots) {
        char name[kMaxPathBytes];
        ASSERT_TRUE(memoryDotFileName(dot, name));
        EXPECT_TRUE(std::filesystem::exists(testTemporaryFolder() + "/" + name)) << name;
    }
    for (int32_t dot : dots) store.keptFlags[dot] = 0;
    writeMemdotMap(store);
}

}  // namespace
