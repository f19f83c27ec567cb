// Files and paths as a hostile user tries them: outputs that are devices,
// FIFOs or the command's own inputs, a file-size limit, stop signals and
// ignored ones, a shared temporary folder, long paths, FIFOs among the files
// read, a damaged store, and gallery pictures whose names clash.
#include "program_inputs.h"
#include "program_runner.h"

#include "host/image_files.h"
#include "settings/preset_file.h"
#include "settings/preset_record.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string freshFolder(const std::string& name) {
    const fs::path folder = fs::path(testTemporaryFolder()) / "files" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder.string();
}

std::string shellQuoted(const std::string& path) { return "'" + path + "'"; }

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool isFifo(const std::string& path) { return fs::status(path).type() == fs::file_type::fifo; }

// Runs the program in a child with a prepared process state (limits, signal
// dispositions); a signal may be sent after `delay`. Exit status (-1: died of
// a signal) and stderr.
struct ChildRun {
    int status = -1;
    std::string errors;
};

// With `repeat`, the signal is sent again every 100 ms until the child ends;
// `ignoredFromStart` is ignored in the child from its first instant.
ChildRun runChild(const std::vector<std::string>& arguments, const std::string& errorsPath,
                  void (*prepare)() = nullptr, int signal = 0,
                  std::chrono::milliseconds delay = std::chrono::milliseconds(0), bool repeat = false,
                  int ignoredFromStart = 0) {
    const std::string app = builtAppPath();
    std::vector<char*> argv{const_cast<char*>(app.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // Ignored before the fork, so that no signal finds the child between its
    // start and the program's.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    if (ignoredFromStart != 0) sigaction(ignoredFromStart, &ignore, &previous);
    const pid_t child = fork();
    if (ignoredFromStart != 0 && child != 0) sigaction(ignoredFromStart, &previous, nullptr);
    if (child == 0) {
        if (!std::freopen(errorsPath.c_str(), "w", stderr)) _exit(126);
        if (prepare) prepare();
        execv(app.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (signal != 0) {
        std::this_thread::sleep_for(delay);
        kill(child, signal);
        while (repeat && waitpid(child, &status, WNOHANG) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            kill(child, signal);
        }
    }
    if (!repeat || signal == 0) waitpid(child, &status, 0);
    ChildRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::vector<uint8_t> text = fileBytes(errorsPath);
    run.errors.assign(text.begin(), text.end());
    return run;
}

TEST(FilesAndPaths, OutputsThatAreNoRegularFilesAreNeverReplaced) {
    const std::string where = freshFolder("devices");
    const std::string input = where + "/in.png";
    writePatternImage(input, 16, 16);
    const std::string presetInput = where + "/p.z5a";
    ASSERT_EQ(runProgram("preset save " + shellQuoted(presetInput)).status, 0);
    // A scratch FIFO, and a device node (the same device as the system's
    // null device) where the test may make one.
    std::vector<std::string> specials;
    ASSERT_EQ(::mkfifo((where + "/fifo").c_str(), 0644), 0);
    specials.push_back(where + "/fifo");
    if (::mknod((where + "/device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) specials.push_back(where + "/device");
    for (const std::string& special : specials) {
        const std::string s = shellQuoted(special);
        const std::string commands[] = {
            "export-psd " + shellQuoted(input) + " -o " + s + " --force",
            "gallery dots " + shellQuoted(input) + " -o " + s + " --force",
            "gallery presets " + shellQuoted(where) + " -o " + s + " --force",
            "preset save " + s + " --force",
            "apply " + shellQuoted(input) + " -o " + shellQuoted(where + "/x.png") + " --record " + s + " --force",
        };
        for (const std::string& command : commands) {
            const ProgramRun run = runProgram(command);
            EXPECT_EQ(run.status, 1) << command << "\n" << run.output;
            EXPECT_NE(run.output.find(special + " is a"), std::string::npos) << run.output;
            EXPECT_NE(run.output.find("not a regular file"), std::string::npos) << run.output;
        }
        // A link to the FIFO or device is no way around the rule.
        fs::remove(where + "/link.png");
        fs::create_symlink(special, where + "/link.png");
        EXPECT_EQ(runProgram("apply --quiet " + shellQuoted(input) + " -o " + shellQuoted(where + "/link.png") + " --force").status, 1);
        EXPECT_EQ(runProgram("preset picture " + shellQuoted(presetInput) + " -o " + shellQuoted(where + "/link.png") + " --force").status, 1);
        EXPECT_TRUE(fs::is_symlink(where + "/link.png"));
    }
    EXPECT_TRUE(isFifo(where + "/fifo"));
    if (specials.size() > 1) {
        EXPECT_TRUE(fs::is_character_file(where + "/device"));
    }
    EXPECT_FALSE(fs::exists(where + "/x.png"));  // checked before the filter ran
}

TEST(FilesAndPaths, NoCommandWritesOverWhatItReads) {
    const std::string where = freshFolder("inputs");
    // An image under a name without an extension: only the input rule stands
    // between the command and its input.
    const std::string image = where + "/picture";
    writePatternImage(image + ".png", 16, 16);
    fs::rename(image + ".png", image);
    const std::vector<uint8_t> imageBytes = fileBytes(image);
    const std::string presets = where + "/presets";
    fs::create_directories(presets);
    ASSERT_EQ(runProgram("preset save " + shellQuoted(presets + "/a.z5a")).status, 0);
    const std::vector<uint8_t> presetBytes = fileBytes(presets + "/a.z5a");

    const std::string refused[] = {
        "export-psd " + shellQuoted(image) + " -o " + shellQuoted(image) + " --force",
        "export-psd " + shellQuoted(image) + " -o " + shellQuoted(where + "/./picture") + " --force",
        "gallery dots " + shellQuoted(image) + " -o " + shellQuoted(image) + " --force",
        "preset save " + shellQuoted(image) + " --from " + shellQuoted(image) + " --force",
        "gallery presets " + shellQuoted(presets) + " -o " + shellQuoted(presets + "/a.z5a") + " --force",
        "gallery presets " + shellQuoted(presets) + " -o " + shellQuoted(presets + "/a.z5a.html") + " --force",
        "apply " + shellQuoted(image) + " -o " + shellQuoted(where + "/out.png") + " --preset " + shellQuoted(presets + "/a.z5a") +
            " --record " + shellQuoted(presets + "/a.z5a") + " --force",
        "preset picture " + shellQuoted(presets + "/a.z5a") + " -o " + shellQuoted(presets + "/a.z5a") + " --force",
    };
    for (const std::string& command : refused) {
        const ProgramRun run = runProgram(command);
        EXPECT_EQ(run.status, 2) << command << "\n" << run.output;
    }
    EXPECT_EQ(fileBytes(image), imageBytes);
    EXPECT_EQ(fileBytes(presets + "/a.z5a"), presetBytes);
    EXPECT_EQ(namesIn(presets), std::vector<std::string>{"a.z5a"});

    // An extension that names another format is refused before any work.
    ProgramRun run = runProgram("export-psd --quiet " + shellQuoted(image) + " -o " + shellQuoted(where + "/doc.png"));
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find(".png names an image file, but this writes a PSD document (.psd)"), std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(where + "/doc.png"));
}

TEST(FilesAndPaths, OutputsAreCheckedBeforeAnyWork) {
    const std::string where = freshFolder("before");
    const std::string input = where + "/in.png";
    writePatternImage(input, 16, 16);
    // A missing folder is told before the module is even loaded.
    ProgramRun run = runProgram("export-psd --quiet " + shellQuoted(input) + " -o " + shellQuoted(where + "/no/x.psd") +
                                " --plugin /nonexistent.so");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("the folder " + where + "/no does not exist"), std::string::npos) << run.output;

    // A page named web_images would be the folder of its own pictures:
    // refused, and nothing is made.
    const std::string site = where + "/site";
    fs::create_directories(site);
    run = runProgram("gallery dots --quiet " + shellQuoted(input) + " -o " + shellQuoted(site + "/web_images"));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("cannot be named web_images"), std::string::npos) << run.output;
    EXPECT_TRUE(fs::is_empty(site));

    // A folder that takes no new files, found before the render.
    if (geteuid() != 0) {
        fs::permissions(site, fs::perms::owner_read | fs::perms::owner_exec);
        run = runProgram("export-psd --quiet " + shellQuoted(input) + " -o " + shellQuoted(site + "/x.psd") +
                         " --plugin /nonexistent.so");
        fs::permissions(site, fs::perms::owner_all);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("Permission denied"), std::string::npos) << run.output;
    }
}

void limitFilesTo4Kilobytes() {
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(FilesAndPaths, AWriteBeyondTheFileSizeLimitIsAnOrdinaryFailure) {
    const std::string where = freshFolder("limit");
    const std::string input = where + "/in.png";
    writePatternImage(input, 200, 200);  // 120 KB of pixels: far more than 4 KB in either output
    for (const std::string& output : {where + "/out.tif", where + "/out.psd"}) {
        saveBytes(output, {'o', 'l', 'd'});
        const bool psd = output.back() == 'd';
        const std::vector<std::string> arguments = psd ? std::vector<std::string>{"export-psd", "--quiet", input, "-o", output, "--force"}
                                                       : std::vector<std::string>{"apply", "--quiet", input, "-o", output, "--force"};
        const ChildRun run = runChild(arguments, where + "/stderr.txt", limitFilesTo4Kilobytes);
        EXPECT_EQ(run.status, 1) << output << ": " << run.errors;
        EXPECT_NE(run.errors.find("File too large"), std::string::npos) << run.errors;
        EXPECT_EQ(fileBytes(output), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
    EXPECT_EQ(namesIn(where), (std::vector<std::string>{"in.png", "out.psd", "out.tif", "stderr.txt"}));
}

TEST(FilesAndPaths, EveryCommandStopsTheSameWayAndIgnoredSignalsStayIgnored) {
    const std::string where = freshFolder("stops");
    const std::string large = where + "/large.tif";
    writePatternImage(large, 2500, 2500);
    // One thread on the scalar path: slow enough that the signals come while
    // the filter renders, however fast the machine.
    const std::vector<std::string> slow{"--focus", "90", "--color-blur", "80", "--high-quality", "--threads", "1",
                                        "--simd", "scalar"};
    struct Case {
        std::vector<std::string> command;
        int signal;
        std::string output;
    };
    const Case cases[] = {
        {{"export-psd", large, "-o", where + "/x.psd"}, SIGTERM, where + "/x.psd"},
        {{"export-psd", large, "-o", where + "/x.psd"}, SIGHUP, where + "/x.psd"},
        {{"preset", "save", where + "/x.z5a", "--from", large}, SIGINT, where + "/x.z5a"},
        {{"apply", large, "-o", where + "/x.tif"}, SIGHUP, where + "/x.tif"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.command;
        arguments.insert(arguments.end(), slow.begin(), slow.end());
        if (c.command[0] != "preset") arguments.push_back("--quiet");
        const ChildRun run = runChild(arguments, where + "/stderr.txt", nullptr, c.signal, std::chrono::milliseconds(1500));
        EXPECT_EQ(run.status, 128 + c.signal) << c.command[0] << ": " << run.errors;
        EXPECT_NE(run.errors.find("interrupted; nothing was written"), std::string::npos) << run.errors;
        EXPECT_FALSE(fs::exists(c.output)) << c.output;
    }
    for (const std::string& name : namesIn(where)) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;

    // Ctrl-C set to be ignored (a shell's background job) stays ignored,
    // however often it comes: the run ends as if none came.
    const std::string small = where + "/small.png";
    writePatternImage(small, 400, 400);
    std::vector<std::string> arguments{"apply", small, "-o", where + "/done.tif"};
    arguments.insert(arguments.end(), slow.begin(), slow.end());
    const ChildRun run = runChild(arguments, where + "/ignored-stderr.txt", nullptr, SIGINT,
                                  std::chrono::milliseconds(50), true, SIGINT);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(fs::exists(where + "/done.tif"));
}

// The raw bytes of a store preset whose every value is `value` and every
// colour channel `colour`, with the version, the fixed values and the
// texture flag a real file holds: whole, but far outside every range.
std::vector<uint8_t> storeFileOfValue(int32_t value, int32_t colour) {
    std::vector<int32_t> values;
    for (const PresetSlot& slot : kPresetRecord) {
        const int32_t count = presetSlotValues(slot.kind);
        for (int32_t i = 0; i < count; ++i) {
            switch (slot.kind) {
                case PresetSlotKind::version: values.push_back(kPresetVersion); break;
                case PresetSlotKind::one: values.push_back(1); break;
                case PresetSlotKind::texture: values.push_back(0); break;
                case PresetSlotKind::colour: values.push_back(colour); break;
                default: values.push_back(value); break;
            }
        }
    }
    values.push_back(0);  // no picture
    std::vector<uint8_t> bytes;
    for (int32_t v : values)
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(uint32_t(v) >> shift));
    return bytes;
}

TEST(FilesAndPaths, ADamagedStoreNeverReachesTheFilter) {
    const std::string where = freshFolder("damaged");
    const std::string store = where + "/store";
    fs::create_directories(store);
    const std::string cached = store + "/Twilightomator cached settings C";
    const std::string input = where + "/in.png";
    writePatternImage(input, 48, 32);
    const std::string env = "TMPDIR=" + shellQuoted(store) + " '" + builtAppPath() + "' ";
    auto apply = [&](const std::string& output, const std::string& flags) {
        const std::string command = env + "apply --quiet " + shellQuoted(input) + " -o " + shellQuoted(output) + " " + flags + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        std::string text;
        char buffer[512];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0) << text;
        return text;
    };
    // Every value at +2^31 - 1 reads as each range's top; at -2^31 as its
    // bottom; flags are on. Colour channels keep their low 16 bits: 65280
    // (255 x 256, as the flags give it) from 0x7FFFFF00, and 0. The same
    // settings given as flags must give the same pixels.
    saveBytes(cached, storeFileOfValue(INT32_MAX, 0x7FFFFF00));
    apply(where + "/high.png", "");
    apply(where + "/high-flags.png",
          "--focus 100 --vignette 100 --dampen 100 --sepia 100 --color-blur 100 --cb-width 100 --clear-area 100 "
          "--saturation 100 --glue 62 --shape tall --x-center 1 --y-center 1 --high-quality --uniform-sepia "
          "--center-vignette --vignette-red 255 --vignette-green 255 --vignette-blue 255 --sepia-red 255 "
          "--sepia-green 255 --sepia-blue 255");
    saveBytes(cached, storeFileOfValue(INT32_MIN, INT32_MIN));
    apply(where + "/low.png", "");
    apply(where + "/low-flags.png",
          "--focus 0 --vignette 0 --dampen 0 --sepia 0 --color-blur 0 --cb-width 0 --clear-area 0 --saturation -100 "
          "--glue 1 --shape round --x-center 0 --y-center 0 --high-quality --uniform-sepia --center-vignette "
          "--vignette-color 0,0,0 --sepia-color 0,0,0");
    Document high, highFlags, low, lowFlags;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readImageFile(where + "/high.png", high, info, error)) << error;
    ASSERT_TRUE(readImageFile(where + "/high-flags.png", highFlags, info, error)) << error;
    ASSERT_TRUE(readImageFile(where + "/low.png", low, info, error)) << error;
    ASSERT_TRUE(readImageFile(where + "/low-flags.png", lowFlags, info, error)) << error;
    EXPECT_EQ(high.samples, highFlags.samples);
    EXPECT_EQ(low.samples, lowFlags.samples);

    // A store file that is no preset is set aside with a message; the
    // defaults apply, as with no store file at all.
    saveBytes(cached, {'<', 'h', 't', 'm', 'l', '>'});
    const std::string said = apply(where + "/garbage.png", "");
    EXPECT_NE(said.find("is damaged. It was set aside"), std::string::npos) << said;
    EXPECT_EQ(fileBytes(store + "/Twilightomator cached settings C (damaged)"),
              (std::vector<uint8_t>{'<', 'h', 't', 'm', 'l', '>'}));
    apply(where + "/defaults.png", "");
    EXPECT_EQ(fileBytes(where + "/garbage.png"), fileBytes(where + "/defaults.png"));

    // A FIFO in the cached settings' place is passed over, not waited on.
    ASSERT_EQ(::mkfifo(cached.c_str(), 0600), 0);
    apply(where + "/fifo.png", "");
    EXPECT_EQ(fileBytes(where + "/fifo.png"), fileBytes(where + "/defaults.png"));
}

TEST(FilesAndPaths, AFolderOthersMayWriteIntoIsNeverTheStore) {
    const std::string where = freshFolder("shared");
    const std::string shared = where + "/tmp";
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    const std::string input = where + "/in.png";
    writePatternImage(input, 24, 24);
    // Links another user planted where the store's files would be.
    const std::string target = where + "/victim";
    saveBytes(target, {'m', 'i', 'n', 'e'});
    for (const char* name : {"Twilightomator memdot map 2", "Twilightomator cached settings C"})
        fs::create_symlink(target, shared + "/" + name);
    // The user's own settings, in the private folder inside.
    const std::string own = shared + "/twilightomator-" + std::to_string(geteuid());
    fs::create_directories(own);
    fs::permissions(own, fs::perms::owner_all);
    UserSettings settings = defaultUserSettings();
    settings.focus = 90;
    settings.sepia = 80;
    ASSERT_EQ(writePreset((own + "/Twilightomator cached settings C").c_str(), settings, nullptr, systemMemoryService()), 0);

    const std::string env = "TMPDIR=" + shellQuoted(shared) + " '" + builtAppPath() + "' ";
    ASSERT_EQ(std::system((env + "apply --quiet " + shellQuoted(input) + " -o " + shellQuoted(where + "/a.png")).c_str()), 0);
    ASSERT_EQ(std::system((env + "apply --quiet " + shellQuoted(input) + " -o " + shellQuoted(where + "/b.png") +
                           " --focus 90 --sepia 80").c_str()),
              0);
    EXPECT_EQ(fileBytes(where + "/a.png"), fileBytes(where + "/b.png"));  // the private folder's settings
    EXPECT_EQ(fileBytes(target), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
}

TEST(FilesAndPaths, LongPathsWorkAsShortOnes) {
    std::string deep = freshFolder("long");
    for (char c : {'a', 'b', 'c'}) deep += "/" + std::string(90, c);
    fs::create_directories(deep);
    const std::string input = deep + "/in.png";
    writePatternImage(input, 32, 32);
    const std::string preset = deep + "/look.z5a";
    ASSERT_GT(preset.size(), 300u);
    ProgramRun run = runProgram("preset save " + shellQuoted(preset) + " --focus 77 --from " + shellQuoted(input));
    ASSERT_EQ(run.status, 0) << run.output;
    run = runProgram("preset info " + shellQuoted(preset) + " --json");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\"focus\": 77"), std::string::npos) << run.output;
    run = runProgram("apply --quiet " + shellQuoted(input) + " -o " + shellQuoted(deep + "/out.png") + " --preset " + shellQuoted(preset));
    EXPECT_EQ(run.status, 0) << run.output;
    run = runProgram("gallery presets --quiet " + shellQuoted(deep) + " -o " + shellQuoted(deep + "/page.html"));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::exists(deep + "/web_images/look.jpg"));

    // A long temporary folder holds the store as a short one does.
    const std::string store = deep + "/store";
    fs::create_directories(store);
    fs::permissions(store, fs::perms::owner_all);
    UserSettings settings = defaultUserSettings();
    settings.focus = 77;
    ASSERT_EQ(writePreset((store + "/Twilightomator cached settings C").c_str(), settings, nullptr,
                          systemMemoryService()),
              0);
    const std::string env = "TMPDIR=" + shellQuoted(store) + " '" + builtAppPath() + "' ";
    ASSERT_EQ(std::system((env + "apply --quiet " + shellQuoted(input) + " -o " + shellQuoted(deep + "/cached.png")).c_str()), 0);
    EXPECT_EQ(fileBytes(deep + "/cached.png"), fileBytes(deep + "/out.png"));
}

TEST(FilesAndPaths, GalleryPicturesAreReadOnlyFromRegularFilesAndNeverShareAFile) {
    const std::string presets = freshFolder("gallery");
    const std::string site = freshFolder("gallery-site");
    const std::string names[] = {"a:b", "a_b", "a\x8F" "b", "\\back\\slash\\", "\"><script>x<\\script>"};
    for (const std::string& name : names)
        ASSERT_EQ(runProgram("preset save " + shellQuoted(presets + "/" + name + ".z5a")).status, 0) << name;
    // A FIFO among them is no preset: it would make the walk wait forever.
    ASSERT_EQ(::mkfifo((presets + "/waits.z5a").c_str(), 0644), 0);
    const ProgramRun run = runProgram("gallery presets --quiet " + shellQuoted(presets) + " -o " + shellQuoted(site + "/page.html"));
    ASSERT_EQ(run.status, 0) << run.output;
    const std::vector<uint8_t> bytes = fileBytes(site + "/page.html");
    const std::string page(bytes.begin(), bytes.end());
    // Presets without pictures keep their cells' links to missing files, so
    // the links, not the files, show that each cell has its own picture.
    const std::string links[] = {"web_images/a%5fb.jpg", "web_images/a%5fb%202.jpg", "web_images/a%5fb%203.jpg",
                                 "web_images/%5fback%5fslash%5f.jpg", "web_images/%5f%5f%5fscript%5fx%5f%5fscript%5f.jpg"};
    for (const std::string& link : links) EXPECT_NE(page.find(link), std::string::npos) << link;
    EXPECT_NE(page.find(">\\back\\slash\\</font>"), std::string::npos);
    EXPECT_NE(page.find(">&quot;&gt;&lt;script&gt;x&lt;\\script&gt;</font>"), std::string::npos);
    EXPECT_EQ(page.find("waits"), std::string::npos);
}

}  // namespace
