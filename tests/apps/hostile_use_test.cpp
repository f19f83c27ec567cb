// The command line tried as a hostile user would: paths that cannot be
// examined, outputs that are inputs or folders, stale and linked preset
// files, parallel saves, files whose header claims far more than they hold,
// damaged files, out-of-range settings in files, and signals.
#include "program_inputs.h"
#include "program_runner.h"

#include "settings/preset_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tiffio.h>

namespace {

namespace fs = std::filesystem;

std::string folder() {
    static const std::string path = [] {
        const fs::path p = fs::path(testTemporaryFolder()) / "hostile";
        fs::create_directories(p);
        return p.string();
    }();
    return path;
}

std::string pathOf(const std::string& name) { return (fs::path(folder()) / name).string(); }

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// Names in the folder that look like temporary files of a write.
std::vector<std::string> leftovers(const std::string& where) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(where)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos || name.find(".saving") != std::string::npos) names.push_back(name);
    }
    return names;
}

// Runs the program in a child of its own: exit status (-1 for a signal),
// what it printed on stderr and its peak memory.
struct MeasuredRun {
    int status = -1;
    std::string errors;
    long peakKilobytes = 0;
};

MeasuredRun runMeasured(const std::vector<std::string>& arguments) {
    const std::string errorsPath = pathOf("measured-stderr.txt");
    const std::string app = builtAppPath();
    std::vector<char*> argv{const_cast<char*>(app.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    MeasuredRun run;
    const pid_t child = fork();
    if (child == 0) {
        if (!std::freopen(errorsPath.c_str(), "w", stderr)) _exit(126);
        execv(app.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakKilobytes = usage.ru_maxrss;
    const std::vector<uint8_t> text = fileBytes(errorsPath);
    run.errors.assign(text.begin(), text.end());
    return run;
}

TEST(HostileUse, PathsThatCannotBeExaminedGiveAMessageAndExitOne) {
    const std::string input = pathOf("in.png");
    writePatternImage(input, 8, 8);
    const std::string longName = std::string(300, 'a');
    const std::string tooLong = pathOf(longName + ".png");
    ProgramRun run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(tooLong));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("File name too long"), std::string::npos) << run.output;

    fs::create_directories(pathOf("long-out"));
    run = runProgram("apply --quiet " + quoted(pathOf(longName)) + " --out-dir " + quoted(pathOf("long-out")));
    EXPECT_EQ(run.status, 2) << run.output;  // no extension: no format
    run = runProgram("apply --quiet " + quoted(input) + " --out-dir " + quoted(pathOf(longName)));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("File name too long"), std::string::npos) << run.output;

    run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(pathOf("p.png")) + " --preset " +
                     quoted(pathOf(longName + ".z5a")));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("File name too long"), std::string::npos) << run.output;
    run = runProgram("preset info " + quoted(pathOf(longName + ".z5a")));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("File name too long"), std::string::npos) << run.output;
    run = runProgram("preset save " + quoted(pathOf(longName + ".z5a")));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("File name too long"), std::string::npos) << run.output;

    // A loop of links where the output's folder should be.
    fs::remove(pathOf("l1"));
    fs::remove(pathOf("l2"));
    fs::create_symlink("l1", pathOf("l2"));
    fs::create_symlink("l2", pathOf("l1"));
    run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(pathOf("l1/x.png")));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Too many levels of symbolic links"), std::string::npos) << run.output;
    run = runProgram("preset save " + quoted(pathOf("l1/x.z5a")));
    EXPECT_EQ(run.status, 1) << run.output;

    // A folder the user may not search (the superuser may search any).
    if (geteuid() != 0) {
        fs::create_directories(pathOf("closed"));
        fs::permissions(pathOf("closed"), fs::perms::none);
        run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(pathOf("closed/x.png")));
        fs::permissions(pathOf("closed"), fs::perms::owner_all);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("Permission denied"), std::string::npos) << run.output;
    }
}

TEST(HostileUse, TheActionFileIsAnOutputLikeTheImage) {
    const std::string input = pathOf("rec.png");
    writePatternImage(input, 8, 8);
    const std::vector<uint8_t> inputBytes = fileBytes(input);
    const std::string output = pathOf("rec-out.png");
    fs::remove(output);

    // The input itself as the action file: refused, the input kept.
    ProgramRun run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(output) + " --record " + quoted(input));
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_EQ(fileBytes(input), inputBytes);
    EXPECT_FALSE(fs::exists(output));

    // An existing file without --force: refused before anything is written.
    const std::string step = pathOf("rec.json");
    saveBytes(step, {'k', 'e', 'e', 'p'});
    run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(output) + " --record " + quoted(step));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("--record: " + step + " exists; use --force"), std::string::npos) << run.output;
    EXPECT_EQ(fileBytes(step), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_FALSE(fs::exists(output));

    // A folder that does not exist: said before the filter runs, no image.
    run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(output) + " --record " +
                     quoted(pathOf("nowhere/step.json")));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("does not exist"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(output));

    // The image output as the action file.
    run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(output) + " --record " + quoted(output));
    EXPECT_EQ(run.status, 2) << run.output;

    // With --force both are replaced whole, and no temporary file remains.
    run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(output) + " --force --record " + quoted(step));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::exists(output));
    const std::vector<uint8_t> written = fileBytes(step);
    EXPECT_NE(std::string(written.begin(), written.end()).find("\"format\": \"Twilightomator action\""),
              std::string::npos);
    EXPECT_EQ(leftovers(folder()), std::vector<std::string>{});
}

TEST(HostileUse, PresetSaveReplacesTheFileWholeAndNeverThroughALink) {
    const std::string preset = pathOf("x.z5a");
    fs::remove(preset);
    // A stale file of an interrupted save stays untouched and changes nothing.
    saveBytes(preset + ".saving", std::vector<uint8_t>(50000, 0x41));
    ProgramRun run = runProgram("preset save " + quoted(preset) + " --focus 70");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(fs::file_size(preset), 288u);  // 71 values and the flag of no picture
    EXPECT_EQ(fs::file_size(preset + ".saving"), 50000u);
    fs::remove(preset + ".saving");

    // A link at the preset's place is replaced, its target left alone.
    const std::string target = pathOf("link-target.txt");
    saveBytes(target, {'m', 'i', 'n', 'e'});
    fs::remove(preset);
    fs::create_symlink(target, preset);
    run = runProgram("preset save " + quoted(preset) + " --force --focus 71");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(fs::is_symlink(preset));
    EXPECT_EQ(fs::file_size(preset), 288u);
    EXPECT_EQ(fileBytes(target), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));

    // Parallel saves to one path each write whole: every one succeeds and
    // the file is always one of them, complete.
    const std::string app = builtAppPath();
    for (int round = 0; round < 8; ++round) {
        std::string script;
        for (int i = 1; i <= 4; ++i)
            script += "('" + app + "' preset save " + quoted(preset) + " --force --focus " + std::to_string(i) +
                      " 2>/dev/null; echo $? > " + quoted(pathOf("status-" + std::to_string(i))) + ") & ";
        script += "wait";
        ASSERT_EQ(std::system(script.c_str()), 0);
        for (int i = 1; i <= 4; ++i) {
            const std::vector<uint8_t> status = fileBytes(pathOf("status-" + std::to_string(i)));
            EXPECT_EQ(std::string(status.begin(), status.end()), "0\n") << "round " << round << ", save " << i;
        }
        const std::vector<uint8_t> bytes = fileBytes(preset);
        ASSERT_EQ(bytes.size(), 288u) << "round " << round;
        EXPECT_GE(bytes[14 * 4 + 3], 1);  // focus, value 14
        EXPECT_LE(bytes[14 * 4 + 3], 4);
    }
    EXPECT_EQ(leftovers(folder()), std::vector<std::string>{});
}

// A PNG whose header claims 30000 x 30000 16-bit RGBA and which holds a few
// bytes of image data.
std::vector<uint8_t> claimingPng() {
    auto chunk = [](std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
        const uint32_t length = uint32_t(data.size());
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(length >> shift));
        std::vector<uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        out.insert(out.end(), body.begin(), body.end());
        const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(crc >> shift));
    };
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    chunk(png, "IHDR", {0, 0, 0x75, 0x30, 0, 0, 0x75, 0x30, 16, 6, 0, 0, 0});
    std::vector<uint8_t> zeros(200, 0);
    std::vector<uint8_t> packed(compressBound(uLong(zeros.size())));
    uLongf packedSize = uLongf(packed.size());
    compress(packed.data(), &packedSize, zeros.data(), uLong(zeros.size()));
    packed.resize(packedSize);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", {});
    return png;
}

// Memory follows the data a file holds, not the size its header claims:
// each of these files would need gigabytes if it held its image.
TEST(HostileUse, FilesClaimingHugeImagesCostNoMemory) {
    const std::string png = pathOf("claims.png");
    saveBytes(png, claimingPng());
    MeasuredRun run = runMeasured({"apply", "--quiet", png, "-o", pathOf("claims-out.png")});
    EXPECT_EQ(run.status, 1) << run.errors;
    EXPECT_NE(run.errors.find("too few for the image data of a 30000 x 30000 image"), std::string::npos) << run.errors;
    EXPECT_LT(run.peakKilobytes, 400 * 1024);

    // A small PNG whose text chunk claims 600 MB.
    std::vector<uint8_t> text = claimingPng();
    text.resize(33);  // the signature and IHDR
    text[19] = 24;    // width 24 (bytes 16..19), height 16 (20..23)
    text[16] = text[17] = text[18] = 0;
    text[20] = text[21] = text[22] = 0;
    text[23] = 16;
    const uint32_t crc = uint32_t(crc32(0, text.data() + 12, 17));
    for (int i = 0; i < 4; ++i) text[29 + i] = uint8_t(crc >> (24 - 8 * i));
    const uint8_t chunk[] = {0x23, 0xC3, 0x46, 0x00, 't', 'E', 'X', 't', 'a', 'b', 'c'};
    text.insert(text.end(), std::begin(chunk), std::end(chunk));
    saveBytes(png, text);
    run = runMeasured({"apply", "--quiet", png, "-o", pathOf("claims-out.png")});
    EXPECT_EQ(run.status, 1) << run.errors;
    EXPECT_LT(run.peakKilobytes, 400 * 1024) << run.errors;

    // A real JPEG whose frame header says 30000 x 30000.
    const std::string small = pathOf("small.jpg");
    writePatternImage(small, 64, 64);
    std::vector<uint8_t> jpeg = fileBytes(small);
    for (size_t i = 2; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = 0x75;
            jpeg[i + 6] = jpeg[i + 8] = 0x30;
            break;
        }
    const std::string claimsJpeg = pathOf("claims.jpg");
    saveBytes(claimsJpeg, jpeg);
    run = runMeasured({"apply", "--quiet", claimsJpeg, "-o", pathOf("claims-out.png")});
    EXPECT_EQ(run.status, 1) << run.errors;
    EXPECT_NE(run.errors.find("ends early"), std::string::npos) << run.errors;
    EXPECT_LT(run.peakKilobytes, 400 * 1024);

    // A float grey TIFF of 30000 x 30000 in one deflated strip of 64 zeros.
    const std::string tiffPath = pathOf("claims.tif");
    {
        TIFF* tiff = TIFFOpen(tiffPath.c_str(), "w");
        ASSERT_NE(tiff, nullptr);
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 30000u);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 30000u);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(32));
        TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, uint16_t(SAMPLEFORMAT_IEEEFP));
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_ADOBE_DEFLATE));
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 30000u);
        std::vector<uint8_t> zeros(200, 0);
        std::vector<uint8_t> packed(compressBound(uLong(zeros.size())));
        uLongf packedSize = uLongf(packed.size());
        compress(packed.data(), &packedSize, zeros.data(), uLong(zeros.size()));
        TIFFWriteRawStrip(tiff, 0, packed.data(), tmsize_t(packedSize));
        TIFFClose(tiff);
    }
    run = runMeasured({"apply", "--quiet", tiffPath, "-o", pathOf("claims-out.png")});
    EXPECT_EQ(run.status, 1) << run.errors;
    EXPECT_NE(run.errors.find("damaged or truncated TIFF image data at row 1"), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find("4294967295"), std::string::npos) << run.errors;
    EXPECT_LT(run.peakKilobytes, 400 * 1024);
    EXPECT_FALSE(fs::exists(pathOf("claims-out.png")));
}

size_t countOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(HostileUse, DamageIsToldOnceAndCleanFilesStayQuiet) {
    const std::string clean = pathOf("clean.jpg");
    writePatternImage(clean, 32, 32);
    ProgramRun run = runProgram("apply --quiet " + quoted(clean) + " -o " + quoted(pathOf("clean-out.png")) + " --force");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "");

    // Extraneous bytes before the end marker.
    std::vector<uint8_t> jpeg = fileBytes(clean);
    ASSERT_GE(jpeg.size(), 2u);
    jpeg.insert(jpeg.end() - 2, 750, 0x42);
    const std::string corrupt = pathOf("corrupt.jpg");
    saveBytes(corrupt, jpeg);
    run = runProgram("apply --quiet " + quoted(corrupt) + " -o " + quoted(pathOf("corrupt-out.png")) + " --force");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(countOf(run.output, "warning: " + corrupt + ": the JPEG data is damaged"), 1u) << run.output;
    EXPECT_NE(run.output.find("extraneous bytes before marker"), std::string::npos) << run.output;

    // A PNG cut inside its last chunk: the pixels are whole, the loss is told.
    const std::string png = pathOf("cut.png");
    writePatternImage(png, 32, 32);
    std::vector<uint8_t> bytes = fileBytes(png);
    bytes.resize(bytes.size() - 2);
    saveBytes(png, bytes);
    run = runProgram("apply --quiet " + quoted(png) + " -o " + quoted(pathOf("cut-out.png")) + " --force");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(countOf(run.output, "warning: " + png + ": the file is damaged after the image data"), 1u) << run.output;

    // A TIFF of two pages: the second is not silently lost.
    const std::string pages = pathOf("pages.tif");
    {
        TIFF* tiff = TIFFOpen(pages.c_str(), "w");
        ASSERT_NE(tiff, nullptr);
        for (int page = 0; page < 2; ++page) {
            TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 8u);
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 8u);
            TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 8u);
            uint8_t row[8] = {1, 2, 3, 4, 5, 6, 7, 8};
            for (uint32_t y = 0; y < 8; ++y) TIFFWriteScanline(tiff, row, y, 0);
            TIFFWriteDirectory(tiff);
        }
        TIFFClose(tiff);
    }
    run = runProgram("apply --quiet " + quoted(pages) + " -o " + quoted(pathOf("pages-out.tif")) + " --force");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(countOf(run.output, "warning: " + pages + ": the file holds 2 images; only the first was read"), 1u)
        << run.output;
}

TEST(HostileUse, SettingsOutsideTheirRangesInFilesAreRefused) {
    const std::string input = pathOf("range.png");
    writePatternImage(input, 8, 8);
    const std::string output = pathOf("range-out.png");
    fs::remove(output);
    for (const char* focus : {"101", "-1", "2147483647"}) {
        const std::string step = pathOf("range.json");
        std::ofstream(step) << R"({"format": "Twilightomator action", "version": 1, "playMode": 1, "parameters": [)"
                            << R"({"name": "focus", "type": "long", "value": )" << focus << "}]}";
        const ProgramRun run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(output) + " --action " +
                                          quoted(step));
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find(std::string("(\"focus\"): ") + focus + " is outside 0..100"), std::string::npos)
            << run.output;
        EXPECT_FALSE(fs::exists(output));
    }
    for (int32_t focus : {101, -1, 2147483647}) {
        UserSettings settings = defaultUserSettings();
        settings.focus = focus;
        const std::string preset = pathOf("range.z5a");
        fs::remove(preset);
        ASSERT_EQ(writePreset(preset.c_str(), settings, nullptr, systemMemoryService()), 0);
        const ProgramRun run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(output) + " --preset " +
                                          quoted(preset));
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("focus " + std::to_string(focus) + " is outside 0..100"), std::string::npos)
            << run.output;
        EXPECT_FALSE(fs::exists(output));
    }
    // Files that are no preset.
    saveBytes(pathOf("empty.z5a"), {});
    ProgramRun run = runProgram("preset info " + quoted(pathOf("empty.z5a")));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("is not a preset file"), std::string::npos) << run.output;
    run = runProgram("preset info " + quoted(input));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("is not a preset file"), std::string::npos) << run.output;
}

// Starts the program, sends a signal after `delay`, and waits.
ProgramRun signalledRun(const std::vector<std::string>& arguments, int signal, std::chrono::milliseconds delay) {
    const std::string errorsPath = pathOf("signalled-stderr.txt");
    const std::string app = builtAppPath();
    std::vector<char*> argv{const_cast<char*>(app.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (!std::freopen(errorsPath.c_str(), "w", stderr)) _exit(126);
        execv(app.c_str(), argv.data());
        _exit(127);
    }
    std::this_thread::sleep_for(delay);
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    ProgramRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::vector<uint8_t> text = fileBytes(errorsPath);
    run.output.assign(text.begin(), text.end());
    return run;
}

TEST(HostileUse, SignalsStopCleanlyAndSayWhatWasWritten) {
    const std::string where = pathOf("signals");
    fs::create_directories(where);
    const std::string small = where + "/a-small.tif";
    const std::string large = where + "/b-large.tif";
    writePatternImage(small, 16, 16);
    writePatternImage(large, 4000, 4000);
    const std::string out = where + "/out";
    fs::create_directories(out);
    // One thread on the scalar path: slow enough that the signals come while
    // the large image is filtered, however fast the machine's vector units.
    const std::vector<std::string> filter{"--focus",         "90", "--color-blur", "80",    "--high-quality",
                                          "--threads",       "1",  "--simd",       "scalar"};

    // SIGTERM while the large image is filtered: the existing result stays,
    // nothing temporary remains, and the program says nothing was written.
    saveBytes(out + "/b-large.tif", {'o', 'l', 'd'});
    std::vector<std::string> arguments{"apply", "--quiet", large, "--out-dir", out, "--force"};
    arguments.insert(arguments.end(), filter.begin(), filter.end());
    ProgramRun run = signalledRun(arguments, SIGTERM, std::chrono::milliseconds(1500));
    EXPECT_EQ(run.status, 128 + SIGTERM) << run.output;
    EXPECT_NE(run.output.find("interrupted; nothing was written"), std::string::npos) << run.output;
    EXPECT_EQ(fileBytes(out + "/b-large.tif"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(leftovers(out), std::vector<std::string>{});

    // Ctrl-C on the second of two inputs: the first result is named.
    fs::remove(out + "/b-large.tif");
    arguments = {"apply", "--quiet", small, large, "--out-dir", out, "--force"};
    arguments.insert(arguments.end(), filter.begin(), filter.end());
    run = signalledRun(arguments, SIGINT, std::chrono::milliseconds(1500));
    EXPECT_EQ(run.status, 130) << run.output;
    EXPECT_NE(run.output.find("interrupted; written before the interruption: " + out + "/a-small.tif; nothing else"),
              std::string::npos)
        << run.output;
    EXPECT_TRUE(fs::exists(out + "/a-small.tif"));
    EXPECT_FALSE(fs::exists(out + "/b-large.tif"));
    EXPECT_EQ(leftovers(out), std::vector<std::string>{});
}

TEST(HostileUse, OutputsAreCheckedBeforeTheFilterRuns) {
    const std::string input = pathOf("check.png");
    writePatternImage(input, 8, 8);
    fs::create_directories(pathOf("a-folder.png"));
    ProgramRun run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(pathOf("a-folder.png")));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("a-folder.png is a folder, not a file"), std::string::npos) << run.output;
    run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(pathOf("a-folder.png")) + " --force");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("a-folder.png is a folder, not a file"), std::string::npos) << run.output;

    // A missing folder is found before the module is even loaded.
    run = runProgram("apply --quiet " + quoted(input) + " -o " + quoted(pathOf("missing/x.png")) +
                     " --plugin /nonexistent.so");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("the folder " + pathOf("missing") + " does not exist"), std::string::npos) << run.output;

    // Two inputs of one name into one folder would overwrite each other.
    fs::create_directories(pathOf("one"));
    fs::create_directories(pathOf("two"));
    fs::create_directories(pathOf("together"));
    writePatternImage(pathOf("one/same.png"), 8, 8);
    writePatternImage(pathOf("two/same.png"), 8, 8);
    run = runProgram("apply --quiet " + quoted(pathOf("one/same.png")) + " " + quoted(pathOf("two/same.png")) +
                     " --out-dir " + quoted(pathOf("together")) + " --force");
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find("two inputs would both be written to"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(pathOf("together/same.png")));
}

}  // namespace
