// Path examination through the error-code forms of std::filesystem.
#include "apps/path_checks.h"

#include "platform/whole_file.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

PathKind examinePath(const std::string& path, std::string& problem) {
    std::error_code code;
    const fs::file_status status = fs::status(path, code);
    switch (status.type()) {
        case fs::file_type::not_found: return PathKind::missing;
        case fs::file_type::regular: return PathKind::file;
        case fs::file_type::directory: return PathKind::folder;
        case fs::file_type::none:
        case fs::file_type::unknown:
            problem = code ? code.message() : "cannot be examined";
            return PathKind::unexaminable;
        default: return PathKind::other;
    }
}

bool checkOutputPath(const std::string& path, bool force, const std::string& what, std::string& error) {
    const std::string prefix = what.empty() ? "" : what + ": ";
    std::string problem;
    switch (examinePath(path, problem)) {
        case PathKind::unexaminable: error = prefix + "cannot use " + path + ": " + problem; return false;
        case PathKind::folder: error = prefix + path + " is a folder, not a file"; return false;
        case PathKind::file:
        case PathKind::other:
            if (!force) {
                error = prefix + existingOutputMessage(path);
                return false;
            }
            return true;
        case PathKind::missing: break;
    }
    const fs::path parent = fs::path(path).parent_path();
    const std::string folder = parent.empty() ? "." : parent.string();
    switch (examinePath(folder, problem)) {
        case PathKind::folder: return true;
        case PathKind::unexaminable: error = prefix + "cannot use " + folder + ": " + problem; return false;
        case PathKind::missing: error = prefix + "the folder " + folder + " does not exist"; return false;
        default: error = prefix + folder + " is not a folder"; return false;
    }
}

bool sameExistingFile(const std::string& a, const std::string& b) {
    std::error_code code;
    return fs::equivalent(a, b, code) && !code;
}

bool checkInputFile(const std::string& path, const std::string& what, std::string& error) {
    const std::string prefix = what.empty() ? "" : what + ": ";
    std::string problem;
    switch (examinePath(path, problem)) {
        case PathKind::file: return true;
        case PathKind::unexaminable: error = prefix + "cannot use " + path + ": " + problem; return false;
        case PathKind::missing: error = prefix + path + " does not exist"; return false;
        case PathKind::folder: error = prefix + path + " is a folder, not a file"; return false;
        case PathKind::other: break;
    }
    error = prefix + path + " is not a readable file";
    return false;
}
