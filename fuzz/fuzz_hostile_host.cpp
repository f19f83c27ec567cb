// libFuzzer target: the plug-in inside a hostile host. One input is one host
// session: a FilterRecord whose every field comes from the input, suites
// that are old, short or missing, callbacks that fail, rectangles and rows
// that differ from those asked for, a scripting descriptor with random
// items, a settings store folder that is missing or full of hostile files,
// and a dialog clicked at random. The host drives PluginMain through up to
// three runs as a host does and checks, besides crashes and reads out of
// bounds, that a failed phase leaves no pixels asked for, that a pass ends,
// and that every handle and buffer comes back.
#include "hostile_host.h"
#include "mute_window_system.h"

#include "kernels/speed_settings.h"
#include "plugin/entry.h"
#include "plugin/host_services.h"
#include "ui/window_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

MuteWindowSystem gWindows;
std::string gStoreBase;  // a private folder; $TMPDIR points into it

void check(bool condition) {
    if (!condition) __builtin_trap();
}

bool rectEmpty(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

const char* const kStoreNames[] = {
    "Twilightomator cached settings C", "Twilightomator undo 0",           "Twilightomator undo 1",
    "Twilightomator memdot map 2",      "Twilightomator memdot map 2 lock", "Twilightomator memory dot 0.z5a",
    "Twilightomator memory dot 3.z5a",  "Twilightomator memory dot 24.z5a", "Twilightomator memory dot 25.z5a"};

// The store folder for this session: private and empty, private and full of
// hostile entries, or impossible to have at all.
void makeStoreFolder(FuzzInput& in) {
    std::error_code ignored;
    ::chmod((gStoreBase + "/files/locked").c_str(), 0700);  // a read-only folder an answer made
    std::filesystem::remove_all(gStoreBase, ignored);
    const std::string store = gStoreBase + "/store";
    std::filesystem::create_directories(store, ignored);
    ::chmod(gStoreBase.c_str(), 0700);
    ::chmod(store.c_str(), 0700);
    const uint8_t kind = in.byte();
    if (kind >= 232) {
        // A shared folder whose per-user folder is taken by a file: no store.
        const std::string shared = gStoreBase + "/shared";
        std::filesystem::create_directories(shared, ignored);
        ::chmod(shared.c_str(), 0777);
        const std::string blocker = shared + "/twilightomator-" + std::to_string(::geteuid());
        std::FILE* file = std::fopen(blocker.c_str(), "wb");
        if (file) std::fclose(file);
        ::setenv("TMPDIR", shared.c_str(), 1);
        return;
    }
    ::setenv("TMPDIR", store.c_str(), 1);
    if (kind < 128) return;
    const int entries = in.range(1, 6);
    for (int i = 0; i < entries; ++i) {
        const std::string path = store + "/" + in.pick(kStoreNames);
        // An entry made earlier under the same name (a FIFO would block the
        // open below) gives way to the new one.
        std::filesystem::remove_all(path, ignored);
        switch (in.range(0, 5)) {
            case 0: std::filesystem::create_directory(path, ignored); break;
            case 1: ::mkfifo(path.c_str(), 0600); break;
            case 2: ::symlink("/dev/zero", path.c_str()); break;
            case 3: ::symlink((store + "/nowhere").c_str(), path.c_str()); break;
            default: {
                const std::string bytes = in.text(400);
                const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                if (fd >= 0) {
                    if (::write(fd, bytes.data(), bytes.size()) < 0) {}
                    ::close(fd);
                }
                break;
            }
        }
    }
}

// Clicks the dialog's script may make: OK, Cancel, zoom, dice, reset,
// undo, the next glue mode, check boxes, memory dots and swatches.
constexpr int32_t kClickable[] = {3, 2, 32, 33, 34, 72, 29, 74, 4, 21, 48, 105, 121, 122, 145, 7, 9, 119, 25, 146};

void makeScript(FuzzInput& in) {
    gWindows.script.clear();
    gWindows.nextEvent = 0;
    const int events = in.range(0, 12);
    for (int i = 0; i < events; ++i) {
        const auto kind = MuteEvent::Kind(in.range(0, 3));
        gWindows.script.push_back(MuteEvent{kind, in.pick(kClickable)});
    }
}

// The input's file part follows the tag "TWLF": the buttons that open a
// file chooser, played after the script, and what the user answers each
// chooser. An input without the tag plays as it did before the part existed.
constexpr char kFileTag[] = "TWLF";

// Save and load a preset, the layered document, the presets page, the export
// size window's OK; the memory dots page (the right button on the dot
// picture) and the preset refresh (Control and the left button on it).
constexpr MuteEvent kFileActions[] = {{MuteEvent::click, 26},      {MuteEvent::click, 35},
                                      {MuteEvent::click, 15},      {MuteEvent::click, 150},
                                      {MuteEvent::click, 1},       {MuteEvent::rightPress, 119},
                                      {MuteEvent::controlPress, 119}};

// A name from the input that stays in its folder: any bytes but the separator and NUL.
std::string nameFrom(FuzzInput& in, size_t most) {
    std::string name = in.text(most);
    for (char& c : name)
        if (c == '/' || c == '\0') c = '_';
    return name.empty() ? std::string("unnamed") : name;
}

void writeFile(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return;
    if (::write(fd, bytes.data(), bytes.size()) < 0) {}
    ::close(fd);
}

// One answer to a chooser, every path inside the session's own folder but
// the one that cannot be made.
MuteChooserAnswer chooserAnswer(FuzzInput& in, const std::string& folder) {
    MuteChooserAnswer answer{true, folder + "/"};
    std::error_code ignored;
    switch (in.range(0, 9)) {
        case 0: return MuteChooserAnswer{};  // Cancel
        case 1: answer.path += nameFrom(in, 24) + in.pick({".z5a", ".psd", ".html", ""}); break;
        case 2:
            answer.path += "pipe" + in.pick<std::string>({".z5a", ".psd", ".html"});
            ::mkfifo(answer.path.c_str(), 0600);
            break;
        case 3:
            answer.path += "folder" + in.pick<std::string>({".z5a", ".psd", ".html"});
            std::filesystem::create_directories(answer.path, ignored);
            break;
        case 4: {
            const std::string locked = folder + "/locked";
            std::filesystem::create_directories(locked, ignored);
            ::chmod(locked.c_str(), 0500);
            answer.path = locked + "/" + nameFrom(in, 24);
            break;
        }
        case 5: answer.path += std::string(size_t(in.range(200, 5000)), 'n') + in.pick({".z5a", ""}); break;
        case 6: answer.path += nameFrom(in, 80); break;  // newlines, "%s", bytes that are no UTF-8
        case 7:
            answer.path += "hostile" + in.pick<std::string>({".z5a", ".html", ".psd"});
            writeFile(answer.path, in.text(600));
            break;
        case 8: answer.path = "/proc/twilightomator-nowhere/" + nameFrom(in, 12); break;
        default:
            answer.path += "zeros.z5a";
            ::symlink("/dev/zero", answer.path.c_str());
            break;
    }
    return answer;
}

// Reads the file part into the dialog's script and chooser answers.
void makeFileAnswers(FuzzInput& in) {
    gWindows.answers.clear();
    gWindows.nextAnswer = 0;
    const std::string folder = gStoreBase + "/files";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const int actions = in.range(0, 6);
    for (int i = 0; i < actions; ++i) gWindows.script.push_back(in.pick(kFileActions));
    const int answers = in.range(0, 6);
    for (int i = 0; i < answers; ++i) gWindows.answers.push_back(chooserAnswer(in, folder));
}

struct Session {
    HostileHost& host;
    intptr_t data = 0;
    int16_t result = 0;

    int16_t call(int16_t selector) {
        result = 0x7777;  // the plug-in must always write its answer
        pluginMain(selector, host.record, &data, &result);
        // TWL_HOSTILE_TRACE=1 shows each call, to see what a seed does.
        static const bool trace = std::getenv("TWL_HOSTILE_TRACE") != nullptr;
        if (trace)
            std::fprintf(stderr, "selector %d -> %d (advanceState calls %d, play mode %d, dialog events %zu)\n", selector,
                         result, host.advanceCalls, host.descriptorParameters.playInfo, gWindows.nextEvent);
        check(result != 0x7777 || selector == 0);
        return result;
    }

    void afterFailure() {
        const FilterRecord& r = *host.record;
        // A failed phase asks the host for no more pixels.
        check(rectEmpty(r.inRect) && rectEmpty(r.outRect) && rectEmpty(r.maskRect));
    }

    void run(FuzzInput& in) {
        if (in.rarely(16)) call(in.pick<int16_t>({6, -1, 4, 5, 0}));
        if (in.flag()) call(1);
        if (!in.rarely(16)) call(2);
        if (call(3) != 0) {
            afterFailure();
            return;
        }
        // Continue until the plug-in empties its rectangles, as a host does;
        // a pass that does not end in a few calls is a fault.
        const FilterRecord& r = *host.record;
        int calls = 0;
        while (!(rectEmpty(r.inRect) && rectEmpty(r.outRect) && rectEmpty(r.maskRect))) {
            check(++calls <= 4);
            if (call(4) != 0) {
                afterFailure();
                break;
            }
        }
        if (!in.rarely(16)) call(5);
    }

    // The host unloads the plug-in: it takes back the parameter block, the
    // globals and the descriptor, then counts what is left.
    void end() {
        FilterRecord* record = host.record;
        if (record->parameters) disposePluginHandle(record, record->parameters);
        record->parameters = nullptr;
        if (data) disposePluginHandle(record, reinterpret_cast<Handle>(data));
        data = 0;
        if (host.descriptorParameters.descriptor) hostileDisposeHandle(host.descriptorParameters.descriptor);
        host.descriptorParameters.descriptor = nullptr;
        check(host.liveHandles.empty());
        check(host.liveBuffers.empty());
        check(host.liveReaders.empty() && host.liveWriters.empty());
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Single-threaded and scalar: the fuzzer looks for faults, not speed.
    setJobConcurrency(1);
    installWindowSystem(&gWindows);
    char base[] = "/tmp/twl-hostile-XXXXXX";
    if (!::mkdtemp(base)) std::abort();
    gStoreBase = base;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(gStoreBase, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const uint8_t* tag = static_cast<const uint8_t*>(::memmem(data, size, kFileTag, 4));
    const size_t mainSize = tag ? size_t(tag - data) : size;
    FuzzInput in(data, mainSize);
    HostileHost& host = hostileHost();
    host = HostileHost{};
    makeStoreFolder(in);
    makeHostileHost(host, in);
    if (std::getenv("TWL_HOSTILE_TRACE")) std::fprintf(stderr, "host made from bytes 0..%zu\n", in.position());
    makeScript(in);
    FuzzInput files(tag ? tag + 4 : data, tag ? size - mainSize - 4 : 0);
    makeFileAnswers(files);
    Session session{host};
    const int runs = in.range(1, 3);
    for (int i = 0; i < runs; ++i) session.run(in);
    session.end();
    endHostileHost(host);
    return 0;
}
