// Writing documents as PNG, TIFF and JPEG and reading them back: round trips
// at every depth, depth conversions, profiles, and the safety of the write
// (extension, existing output, failed writes leave nothing behind).
#include "host/image_files.h"
#include "host/test_profile.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void saveText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

Document makeImage(int32_t width, int32_t height, int32_t colors, bool alpha, SampleDepth depth) {
    Document document;
    std::string error;
    EXPECT_TRUE(makeDocument(document, width, height, colors, alpha, depth, error)) << error;
    return document;
}
void set16(Document& document, size_t index, uint16_t value) { std::memcpy(&document.samples[index * 2], &value, 2); }
uint16_t get16(const Document& document, size_t index) {
    uint16_t v;
    std::memcpy(&v, &document.samples[index * 2], 2);
    return v;
}
void setFloat(Document& document, size_t index, float value) { std::memcpy(&document.samples[index * 4], &value, 4); }
float getFloat(const Document& document, size_t index) {
    float v;
    std::memcpy(&v, &document.samples[index * 4], 4);
    return v;
}

struct RoundTrip {
    ImageWriteReport report;
    ImageFileInfo info;
    Document back;
    bool written = false, read = false;
    std::string error;
};
RoundTrip roundTrip(const std::string& path, const Document& document, int depth = 0) {
    RoundTrip result;
    result.written = writeImageFile(path, document, depth, true, result.report, result.error);
    if (result.written) result.read = readImageFile(path, result.back, result.info, result.error);
    return result;
}

bool haveImageMagick() { return std::system("command -v identify >/dev/null 2>&1 && command -v convert >/dev/null 2>&1") == 0; }

TEST(ImageFileRoundTrip, EightBitIsExactInPngAndTiff) {
    const std::string folder = testCaseFolder("files", "eight");
    for (const char* extension : {".png", ".tif"}) {
        for (int colors : {1, 3}) {
            for (bool alpha : {false, true}) {
                Document document = makeImage(9, 5, colors, alpha, SampleDepth::eight);
                for (size_t i = 0; i < document.samples.size(); ++i) document.samples[i] = uint8_t(i * 29 + 3);
                const std::string path = folder + "/c" + std::to_string(colors) + (alpha ? "a" : "") + extension;
                const RoundTrip trip = roundTrip(path, document);
                ASSERT_TRUE(trip.written && trip.read) << path << ": " << trip.error;
                EXPECT_EQ(trip.report.depth, 8);
                EXPECT_FALSE(trip.report.alphaDropped);
                EXPECT_EQ(trip.info.bitDepth, 8);
                EXPECT_EQ(trip.back.colorChannels, colors) << path;
                EXPECT_EQ(trip.back.hasAlpha, alpha) << path;
                EXPECT_EQ(trip.back.depth, SampleDepth::eight);
                EXPECT_EQ(trip.back.samples, document.samples) << path;
            }
        }
    }
    EXPECT_EQ(folderEntries(folder).size(), 8u);  // the files and no temporary ones
}

TEST(ImageFileRoundTrip, EverySixteenBitHostValueSurvives) {
    const std::string folder = testCaseFolder("files", "sixteen");
    // 257 x 128 = 32896 samples: every host value 0..32768, the rest full.
    Document grey = makeImage(257, 128, 1, false, SampleDepth::sixteen);
    for (size_t i = 0; i < size_t(257 * 128); ++i) set16(grey, i, uint16_t(std::min<size_t>(i, 32768)));
    Document rgba = makeImage(5, 3, 3, true, SampleDepth::sixteen);
    for (size_t i = 0; i < size_t(5 * 3 * 4); ++i) set16(rgba, i, uint16_t(i * 2181 % 32769));
    for (const char* extension : {".png", ".tiff"}) {
        for (const Document* document : {&grey, &rgba}) {
            const std::string path = folder + "/" + std::to_string(document->planes()) + extension;
            const RoundTrip trip = roundTrip(path, *document);
            ASSERT_TRUE(trip.written && trip.read) << path << ": " << trip.error;
            EXPECT_EQ(trip.report.depth, 16);
            EXPECT_EQ(trip.info.bitDepth, 16);
            EXPECT_EQ(trip.back.depth, SampleDepth::sixteen);
            EXPECT_EQ(trip.back.colorChannels, document->colorChannels);
            EXPECT_EQ(trip.back.hasAlpha, document->hasAlpha);
            EXPECT_EQ(trip.back.samples, document->samples) << path;
        }
    }
}

TEST(ImageFileRoundTrip, FloatTiffKeepsEveryBit) {
    const std::string folder = testCaseFolder("files", "float");
    Document document = makeImage(4, 2, 3, true, SampleDepth::floating);
    const float values[] = {0.0f, 1.0f, 0.5f, 1.0f, -0.25f, 7.5f, 1e-30f, 0.75f, std::nanf(""), INFINITY,
                            0.1f, 0.0f, 0.3333333f, 65504.0f, -0.0f, 1.0f};
    for (size_t i = 0; i < document.samples.size() / 4; ++i) setFloat(document, i, values[i % 16]);
    const RoundTrip trip = roundTrip(folder + "/float.tif", document);
    ASSERT_TRUE(trip.written && trip.read) << trip.error;
    EXPECT_EQ(trip.report.depth, 32);
    EXPECT_EQ(trip.info.sampleFormat, ImageSampleFormat::floatingPoint);
    EXPECT_EQ(trip.back.depth, SampleDepth::floating);
    EXPECT_TRUE(trip.back.hasAlpha);
    EXPECT_EQ(trip.back.samples, document.samples);  // bit for bit, NaN and -0 included
}

TEST(ImageFileRoundTrip, JpegKeepsGreyAndDropsAlpha) {
    const std::string folder = testCaseFolder("files", "jpeg");
    Document grey = makeImage(16, 16, 1, false, SampleDepth::eight);
    std::fill(grey.samples.begin(), grey.samples.end(), uint8_t(140));
    RoundTrip trip = roundTrip(folder + "/grey.jpg", grey);
    ASSERT_TRUE(trip.written && trip.read) << trip.error;
    EXPECT_EQ(trip.report.format, "JPEG");
    EXPECT_EQ(trip.back.colorChannels, 1);
    for (uint8_t v : trip.back.samples) EXPECT_NEAR(v, 140, 1);

    // 16-bit RGBA: colour to 8 bits (32768 -> 255, 16384 -> 128, 0 -> 0), alpha dropped.
    Document rgba = makeImage(16, 16, 3, true, SampleDepth::sixteen);
    for (size_t p = 0; p < 256; ++p) {
        set16(rgba, p * 4 + 0, 32768);
        set16(rgba, p * 4 + 1, 16384);
        set16(rgba, p * 4 + 2, 0);
        set16(rgba, p * 4 + 3, 100);
    }
    trip = roundTrip(folder + "/rgba.jpeg", rgba);
    ASSERT_TRUE(trip.written && trip.read) << trip.error;
    EXPECT_TRUE(trip.report.alphaDropped);
    EXPECT_EQ(trip.report.depth, 8);
    EXPECT_FALSE(trip.back.hasAlpha);
    EXPECT_EQ(trip.back.depth, SampleDepth::eight);
    ASSERT_EQ(trip.back.samples.size(), 16u * 16u * 3u);
    for (size_t p = 0; p < 256; ++p) {
        EXPECT_NEAR(trip.back.samples[p * 3 + 0], 255, 3);
        EXPECT_NEAR(trip.back.samples[p * 3 + 1], 128, 3);
        EXPECT_NEAR(trip.back.samples[p * 3 + 2], 0, 3);
    }
}

TEST(ImageFileDepth, WritingConvertsBetweenDepths) {
    const std::string folder = testCaseFolder("files", "depths");
    Document eight = makeImage(4, 1, 1, false, SampleDepth::eight);
    eight.samples = {0, 1, 128, 255};
    // 8 -> 16: v * 257 = 0, 257, 32896, 65535; read back 0, 129 (128.5), 16448 (16448.25), 32768.
    RoundTrip trip = roundTrip(folder + "/eight16.png", eight, 16);
    ASSERT_TRUE(trip.written && trip.read) << trip.error;
    EXPECT_EQ(trip.report.depth, 16);
    EXPECT_EQ(get16(trip.back, 0), 0);
    EXPECT_EQ(get16(trip.back, 1), 129);
    EXPECT_EQ(get16(trip.back, 2), 16448);
    EXPECT_EQ(get16(trip.back, 3), 32768);
    // 8 -> float: v / 255.
    trip = roundTrip(folder + "/eight32.tif", eight, 32);
    ASSERT_TRUE(trip.written && trip.read) << trip.error;
    EXPECT_EQ(trip.back.depth, SampleDepth::floating);
    EXPECT_EQ(getFloat(trip.back, 0), 0.0f);
    EXPECT_EQ(getFloat(trip.back, 1), 1.0f / 255.0f);
    EXPECT_EQ(getFloat(trip.back, 2), 128.0f / 255.0f);
    EXPECT_EQ(getFloat(trip.back, 3), 1.0f);

    // Float -> integers: limited to 0..1, scaled, rounded; NaN counts as 0.
    Document floats = makeImage(6, 1, 1, false, SampleDepth::floating);
    const float values[] = {-0.5f, 0.2f, 0.5f, 1.0f, 2.0f, std::nanf("")};
    for (size_t i = 0; i < 6; ++i) setFloat(floats, i, values[i]);
    trip = roundTrip(folder + "/float8.png", floats, 8);
    ASSERT_TRUE(trip.written && trip.read) << trip.error;
    EXPECT_EQ(trip.back.samples, (std::vector<uint8_t>{0, 51, 128, 255, 255, 0}));  // 0.2 * 255 = 51, 127.5 + 0.5
    // PNG holds no floats: the default depth is 16. 0.5 * 65535 + 0.5 = 32768 -> host 16384;
    // 0.2 * 65535 = 13107 -> host 6553.6 rounded 6554.
    trip = roundTrip(folder + "/float16.png", floats, 0);
    ASSERT_TRUE(trip.written && trip.read) << trip.error;
    EXPECT_EQ(trip.report.depth, 16);
    const uint16_t expected16[] = {0, 6554, 16384, 32768, 32768, 0};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(get16(trip.back, i), expected16[i]) << i;

    // 16 -> float: h / 32768; 16 -> 8: h * 255 / 32768 rounded (1 -> 0, 16384 -> 128, 65 -> 1.0115 -> 1).
    Document sixteen = makeImage(4, 1, 1, false, SampleDepth::sixteen);
    const uint16_t hostValues[] = {1, 16384, 32768, 65};
    for (size_t i = 0; i < 4; ++i) set16(sixteen, i, hostValues[i]);
    trip = roundTrip(folder + "/sixteen32.tif", sixteen, 32);
    ASSERT_TRUE(trip.written && trip.read) << trip.error;
    EXPECT_EQ(getFloat(trip.back, 0), 1.0f / 32768.0f);
    EXPECT_EQ(getFloat(trip.back, 1), 0.5f);
    EXPECT_EQ(getFloat(trip.back, 2), 1.0f);
    trip = roundTrip(folder + "/sixteen8.tif", sixteen, 8);
    ASSERT_TRUE(trip.written && trip.read) << trip.error;
    EXPECT_EQ(trip.back.samples, (std::vector<uint8_t>{0, 128, 255, 1}));
}

TEST(ImageFileDepth, DepthsAFormatCannotHoldAreRefused) {
    const std::string folder = testCaseFolder("files", "refused");
    const Document document = makeImage(2, 2, 3, false, SampleDepth::eight);
    struct Case { const char* name; int depth; const char* expected; };
    const Case cases[] = {{"a.png", 32, "PNG files hold 8 or 16 bits"},
                          {"b.jpg", 16, "JPEG files hold 8 bits"},
                          {"c.tif", 12, "not 12"}};
    for (const Case& c : cases) {
        ImageWriteReport report;
        std::string error;
        EXPECT_FALSE(writeImageFile(folder + "/" + c.name, document, c.depth, false, report, error));
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
    EXPECT_TRUE(folderEntries(folder).empty());
}

std::vector<uint8_t> rgbProfile(size_t dataBytes) { return testProfile("RGB ", dataBytes); }

TEST(ImageFileProfile, EveryFormatKeepsTheProfile) {
    const std::string folder = testCaseFolder("files", "profile");
    Document document = makeImage(16, 16, 3, false, SampleDepth::eight);
    std::fill(document.samples.begin(), document.samples.end(), uint8_t(60));
    document.iccProfile = rgbProfile(150000);  // three JPEG segments
    for (const char* name : {"p.png", "p.tif", "p.jpg"}) {
        const RoundTrip trip = roundTrip(folder + "/" + name, document);
        ASSERT_TRUE(trip.written && trip.read) << name << ": " << trip.error;
        EXPECT_TRUE(trip.report.iccProfileWritten) << name;
        EXPECT_FALSE(trip.report.iccProfileDropped) << name;
        EXPECT_TRUE(trip.info.hadIccProfile) << name;
        EXPECT_EQ(trip.back.iccProfile, document.iccProfile) << name;
    }
    // PNG takes only a grey profile for a grey image: the RGB one is left out, and said so.
    Document grey = makeImage(4, 4, 1, false, SampleDepth::eight);
    grey.iccProfile = rgbProfile(16);
    const RoundTrip trip = roundTrip(folder + "/grey.png", grey);
    ASSERT_TRUE(trip.written && trip.read) << trip.error;
    EXPECT_FALSE(trip.report.iccProfileWritten);
    EXPECT_TRUE(trip.report.iccProfileDropped);
    EXPECT_FALSE(trip.report.warnings.empty());
    EXPECT_TRUE(trip.back.iccProfile.empty());
}

TEST(ImageFileOutput, ExtensionChoosesTheFormat) {
    std::string error;
    EXPECT_TRUE(isSupportedOutputPath("out.PNG", error));
    EXPECT_TRUE(isSupportedOutputPath("dir.v2/out.Tiff", error));
    EXPECT_TRUE(isSupportedOutputPath("out.jpeg", error));
    EXPECT_FALSE(isSupportedOutputPath("out.bmp", error));
    EXPECT_NE(error.find("out.bmp"), std::string::npos);
    EXPECT_NE(error.find(".png, .tif, .tiff, .jpg or .jpeg"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(isSupportedOutputPath("dir.png/out", error));  // a dot in the folder is no extension
    EXPECT_FALSE(error.empty());
    const std::string help = supportedFormatsText();
    for (const char* word : {"PNG", ".png", "TIFF", ".tif", ".tiff", "JPEG", ".jpg", ".jpeg"})
        EXPECT_NE(help.find(word), std::string::npos) << word;

    // The written file's format follows the extension, whatever the case.
    const std::string folder = testCaseFolder("files", "extension");
    const Document document = makeImage(3, 3, 3, false, SampleDepth::eight);
    for (const auto& [name, format] : {std::pair<const char*, const char*>{"x.TIF", "TIFF"}, {"y.JPG", "JPEG"}, {"z.Png", "PNG"}}) {
        const RoundTrip trip = roundTrip(folder + "/" + name, document);
        ASSERT_TRUE(trip.written && trip.read) << trip.error;
        EXPECT_EQ(trip.report.format, format);
        EXPECT_EQ(trip.info.format, format);
    }
    ImageWriteReport report;
    EXPECT_FALSE(writeImageFile(folder + "/w.gif", document, 0, true, report, error));
    EXPECT_FALSE(fs::exists(folder + "/w.gif"));
}

TEST(ImageFileOutput, ExistingOutputIsReplacedOnlyWhenAsked) {
    const std::string folder = testCaseFolder("files", "existing");
    const std::string path = folder + "/out.png";
    saveText(path, "the user's file");
    ::chmod(path.c_str(), 0640);
    Document document = makeImage(2, 2, 1, false, SampleDepth::eight);
    document.samples = {1, 2, 3, 4};
    ImageWriteReport report;
    std::string error;
    EXPECT_FALSE(writeImageFile(path, document, 0, false, report, error));
    EXPECT_EQ(error, path + " exists; use --force to replace it");
    EXPECT_EQ(fileText(path), "the user's file");
    EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"out.png"});

    ASSERT_TRUE(writeImageFile(path, document, 0, true, report, error)) << error;
    EXPECT_TRUE(report.replacedExisting);
    EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"out.png"});
    struct stat info;
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // the replaced file's permissions stay
    Document back;
    ImageFileInfo fileInfo;
    ASSERT_TRUE(readImageFile(path, back, fileInfo, error)) << error;
    EXPECT_EQ(back.samples, document.samples);

    // A folder is never replaced.
    fs::create_directories(folder + "/sub.png");
    EXPECT_FALSE(writeImageFile(folder + "/sub.png", document, 0, true, report, error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
}

TEST(ImageFileOutput, UnwritablePlacesGiveThePathAndTheReason) {
    const std::string folder = testCaseFolder("files", "unwritable");
    const Document document = makeImage(2, 2, 3, false, SampleDepth::eight);
    ImageWriteReport report;
    std::string error;
    const std::string missing = folder + "/no-such-folder/out.png";
    EXPECT_FALSE(writeImageFile(missing, document, 0, false, report, error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(ENOENT)), std::string::npos) << error;

    saveText(folder + "/plain-file", "x");
    const std::string underFile = folder + "/plain-file/out.tif";
    EXPECT_FALSE(writeImageFile(underFile, document, 0, false, report, error));
    EXPECT_NE(error.find(underFile), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(ENOTDIR)), std::string::npos) << error;

    if (::geteuid() != 0) {  // the superuser writes anywhere
        fs::create_directories(folder + "/locked");
        ::chmod((folder + "/locked").c_str(), 0555);
        EXPECT_FALSE(writeImageFile(folder + "/locked/out.jpg", document, 0, false, report, error));
        EXPECT_NE(error.find(std::strerror(EACCES)), std::string::npos) << error;
        ::chmod((folder + "/locked").c_str(), 0755);
    }
}

// In a child process whose files may not grow past 20000 bytes, replaces the
// target with a noisy image that needs more; reports through the exit code.
int writeWithSmallFileLimit(const std::string& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        struct rlimit limit{20000, 20000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);  // a short write instead of the signal
        Document document;
        std::string error;
        makeDocument(document, 200, 200, 3, true, SampleDepth::sixteen, error);
        uint32_t state = 12345;
        for (uint8_t& byte : document.samples) {
            state = state * 1103515245u + 12345u;
            byte = uint8_t(state >> 24);
        }
        ImageWriteReport report;
        const bool written = writeImageFile(path, document, 0, true, report, error);
        if (written) ::_exit(1);
        if (error.find(path) == std::string::npos) ::_exit(2);
        if (error.find(std::strerror(EFBIG)) == std::string::npos) ::_exit(3);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(ImageFileOutput, FailedWriteLeavesTargetAndNoTemporaryFile) {
    const std::string folder = testCaseFolder("files", "failed");
    for (const char* name : {"old.png", "old.tif", "old.jpg"}) {
        const std::string path = folder + "/" + name;
        saveText(path, "keep me");
        EXPECT_EQ(writeWithSmallFileLimit(path), 0) << name << " (1: written, 2: no path, 3: no reason)";
        EXPECT_EQ(fileText(path), "keep me") << name;
    }
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"old.jpg", "old.png", "old.tif"}));
}

TEST(ImageFileOutput, InconsistentDocumentIsNotWritten) {
    const std::string folder = testCaseFolder("files", "inconsistent");
    Document document = makeImage(4, 4, 3, false, SampleDepth::eight);
    document.samples.resize(10);
    ImageWriteReport report;
    std::string error;
    EXPECT_FALSE(writeImageFile(folder + "/bad.png", document, 0, false, report, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(folderEntries(folder).empty());
}

TEST(ImageFileInput, UnreadableFilesAreNamed) {
    const std::string folder = testCaseFolder("files", "input");
    Document document;
    ImageFileInfo info;
    std::string error;
    EXPECT_FALSE(readImageFile(folder + "/missing.png", document, info, error));
    EXPECT_NE(error.find("missing.png"), std::string::npos);
    EXPECT_NE(error.find(std::strerror(ENOENT)), std::string::npos) << error;
    fs::create_directories(folder + "/folder.png");
    EXPECT_FALSE(readImageFile(folder + "/folder.png", document, info, error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
    for (const char* content : {"", "GIF89a and the rest of a picture", "\x89PN"}) {
        saveText(folder + "/other.png", content);
        EXPECT_FALSE(readImageFile(folder + "/other.png", document, info, error));
        EXPECT_NE(error.find("not a PNG, TIFF or JPEG file"), std::string::npos) << error;
    }
}

// ImageMagick, where installed, reads what the writers wrote.
TEST(ImageFileIndependentReader, ImageMagickSeesTheSameImage) {
    if (!haveImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    const std::string folder = testCaseFolder("files", "magick");
    Document rgba = makeImage(3, 2, 3, true, SampleDepth::sixteen);
    for (size_t i = 0; i < 24; ++i) set16(rgba, i, uint16_t(i * 1365));
    Document grey = makeImage(3, 2, 1, false, SampleDepth::eight);
    grey.samples = {0, 50, 100, 150, 200, 250};
    grey.iccProfile = {'n', 'o', 't', ' ', 'c', 'h', 'e', 'c', 'k', 'e', 'd'};
    struct Case { std::string name; const Document* document; const char* channels; int depth; };
    const Case cases[] = {{"rgba16.png", &rgba, "srgba", 16}, {"rgba16.tif", &rgba, "srgba", 16},
                          {"grey8.tif", &grey, "gray", 8}, {"grey8.png", &grey, "gray", 8}};
    for (const Case& c : cases) {
        const std::string path = folder + "/" + c.name;
        ImageWriteReport report;
        std::string error;
        ASSERT_TRUE(writeImageFile(path, *c.document, 0, false, report, error)) << error;
        const std::string raw = path + ".raw";
        const std::string map = std::string(c.channels) == "srgba" ? "rgba" : "gray";
        const std::string command = "identify -format '%w %h %[channels]' '" + path + "' > '" + path +
                                    ".txt' 2>/dev/null && convert '" + path + "' -depth 16 -endian LSB " + map +
                                    ":'" + raw + "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(fileText(path + ".txt"), std::string("3 2 ") + c.channels) << c.name;
        const std::string bytes = fileText(raw);
        ASSERT_EQ(bytes.size(), c.document->samples.size() * (c.depth == 8 ? 2 : 1)) << c.name;
        for (size_t i = 0; i < bytes.size() / 2; ++i) {
            const unsigned seen = uint8_t(bytes[2 * i]) | unsigned(uint8_t(bytes[2 * i + 1])) << 8;
            // Independent of the writer's integer formula: 8-bit v is v * 257 at 16 bits;
            // a host value h is h * 65535 / 32768 to the nearest.
            const unsigned expected = c.depth == 8 ? c.document->samples[i] * 257u
                                                   : unsigned(std::lround(get16(*c.document, i) * 65535.0 / 32768.0));
            EXPECT_EQ(seen, expected) << c.name << " sample " << i;
        }
    }
    // The profile as ImageMagick extracts it from a TIFF.
    const std::string profileCommand = "convert '" + folder + "/grey8.tif' '" + folder + "/grey8.icc' 2>/dev/null";
    ASSERT_EQ(std::system(profileCommand.c_str()), 0);
    EXPECT_EQ(fileText(folder + "/grey8.icc"), "not checked");
}

}  // namespace
