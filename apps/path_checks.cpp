// Path examination through the error-code forms of std::filesystem, on the
// program's UTF-8 paths.
#include "apps/path_checks.h"

#include "platform/whole_file.h"
#include "platform/utf8_path.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string prefixOf(const std::string& what) { return what.empty() ? "" : what + ": "; }

const char* kindWord(const std::string& path) {
    std::error_code code;
    switch (fs::status(systemPath(path), code).type()) {
        case fs::file_type::character:
        case fs::file_type::block: return "a device";
        case fs::file_type::fifo: return "a FIFO";
        case fs::file_type::socket: return "a socket";
        default: return "something else";
    }
}

// Creates and removes a temporary file where the output will go, so that a
// folder that takes no new files (read-only, a read-only mount, no right to
// write) is found before any work, with the system's reason.
bool folderTakesNewFiles(const std::string& path, std::string& error) {
    WholeFile probe;
    const bool created = probe.begin(path, true, error);
    probe.abandon();
    return created;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct FormatExtensions {
    OutputFormat format;
    const char* name;
    std::vector<const char*> extensions;  // the first is the one to use
};

const std::vector<FormatExtensions>& knownFormats() {
    static const std::vector<FormatExtensions> formats = {
        {OutputFormat::image, "an image file", {".png", ".tif", ".tiff", ".jpg", ".jpeg"}},
        {OutputFormat::layeredDocument, "a PSD document", {".psd", ".psb"}},
        {OutputFormat::galleryPage, "a web page", {".html", ".htm"}},
        {OutputFormat::preset, "a preset", {".z5a"}},
        {OutputFormat::action, "an action file", {".json"}},
    };
    return formats;
}

}  // namespace

PathKind examinePath(const std::string& path, std::string& problem) {
    std::error_code code;
    const fs::file_status status = fs::status(systemPath(path), code);
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
    const std::string prefix = prefixOf(what);
    std::string problem;
    switch (examinePath(path, problem)) {
        case PathKind::unexaminable: error = prefix + "cannot use " + path + ": " + problem; return false;
        case PathKind::folder: error = prefix + path + " is a folder, not a file"; return false;
        case PathKind::other: error = prefix + notRegularFileMessage(path, kindWord(path)); return false;
        case PathKind::file:
            if (!force) {
                error = prefix + existingOutputMessage(path);
                return false;
            }
            break;
        case PathKind::missing: {
            const fs::path parent = filesystemPath(path).parent_path();
            const std::string folder = parent.empty() ? "." : utf8PathText(parent);
            switch (examinePath(folder, problem)) {
                case PathKind::folder: break;
                case PathKind::unexaminable: error = prefix + "cannot use " + folder + ": " + problem; return false;
                case PathKind::missing: error = prefix + "the folder " + folder + " does not exist"; return false;
                default: error = prefix + folder + " is not a folder"; return false;
            }
            break;
        }
    }
    if (folderTakesNewFiles(path, error)) return true;
    error = prefix + error;
    return false;
}

bool outputIsNoInput(const std::string& output, const CommandInputs& inputs, const std::string& what,
                     std::string& error) {
    for (const std::string& input : inputs.files) {
        if (!sameExistingFile(input, output)) continue;
        error = prefixOf(what) + output + " is the input " + input + "; choose another file";
        return false;
    }
    // A file of a preset folder is read as a preset when its name holds
    // ".z5a", whether or not it exists before the command runs.
    const fs::path outputPath = filesystemPath(output);
    const std::string name = lowerCase(utf8PathText(outputPath.filename()));
    if (name.find(".z5a") == std::string::npos) return true;
    const std::string outputFolder = outputPath.parent_path().empty() ? "." : utf8PathText(outputPath.parent_path());
    for (const std::string& folder : inputs.presetFolders) {
        if (!sameExistingFile(folder, outputFolder)) continue;
        error = prefixOf(what) + output + " is a preset of the folder " + folder + " the command reads; choose another file";
        return false;
    }
    return true;
}

bool outputExtensionFits(const std::string& path, OutputFormat format, const std::string& what,
                         std::string& error) {
    const std::string name = utf8PathText(filesystemPath(path).filename());
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return true;
    const std::string extension = lowerCase(name.substr(dot));
    const FormatExtensions* wanted = nullptr;
    const FormatExtensions* owner = nullptr;
    for (const FormatExtensions& known : knownFormats()) {
        if (known.format == format) wanted = &known;
        for (const char* e : known.extensions)
            if (extension == e) owner = &known;
    }
    if (!owner || owner->format == format || !wanted) return true;
    error = prefixOf(what) + path + ": " + extension + " names " + owner->name + ", but this writes " + wanted->name +
            " (" + wanted->extensions.front() + ")";
    return false;
}

bool sameExistingFile(const std::string& a, const std::string& b) {
    std::error_code code;
    return fs::equivalent(systemPath(a), systemPath(b), code) && !code;
}

bool checkInputFile(const std::string& path, const std::string& what, std::string& error) {
    const std::string prefix = prefixOf(what);
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
