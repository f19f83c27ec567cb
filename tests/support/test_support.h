// Helpers shared by the test programs: a private temporary folder per test
// program and the paths of the built plug-in and program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the build tree; TMPDIR points at it so that the
// plug-in's store files never touch the user's temporary folder.
const std::string& testTemporaryFolder();
std::string builtPluginPath();
std::string builtAppPath();
std::string sourceDirectory();

// A folder of one test case under the temporary folder ("KIND-NAME"), made
// empty, so that a rerun never sees the files of the one before.
std::string testCaseFolder(const std::string& kind, const std::string& name);
// A file's bytes (empty when it cannot be read) and its bytes as text.
std::vector<uint8_t> fileBytes(const std::string& path);
std::string fileText(const std::string& path);
// Writes bytes as a file's whole content.
void saveBytes(const std::string& path, const std::vector<uint8_t>& bytes);

#ifndef _WIN32
// While it lives, files of this process cannot grow past `bytes`: a write
// beyond fails as on a full disk (the limit's signal is ignored, as the
// program ignores it), so that write failures can be tested on plain files.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long bytes);
    ~FileSizeLimit();

private:
    unsigned long long previous_;
};
#endif
