// Shared helpers of the test programs.
#include "support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {
std::string makeFolder() {
    std::filesystem::path folder = std::filesystem::current_path() /
                                   ("tmp-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
#ifdef _WIN32
    // The temporary folder of Windows programs comes from TMP.
    SetEnvironmentVariableA("TMP", folder.string().c_str());
#else
    ::setenv("TMPDIR", folder.c_str(), 1);
    // Tests never open windows on the screen of whoever runs them; the
    // dialog's own tests start a private X server for that.
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
#endif
    return folder.string();
}
std::string fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}
// Set TMPDIR before any test runs.
const std::string& kFolder = testTemporaryFolder();
}  // namespace

const std::string& testTemporaryFolder() {
    static const std::string folder = makeFolder();
    return folder;
}
std::string testCaseFolder(const std::string& kind, const std::string& name) {
    const std::string folder = testTemporaryFolder() + "/" + kind + "-" + name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}
std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
std::string fileText(const std::string& path) {
    const std::vector<uint8_t> bytes = fileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}
void saveBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
std::string builtPluginPath() { return fromEnvironment("TWL_PLUGIN"); }
std::string builtAppPath() { return fromEnvironment("TWL_APP"); }
std::string sourceDirectory() { return fromEnvironment("TWL_SOURCE_DIR"); }

#ifndef _WIN32
FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    previous_ = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(previous_);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}
#endif
