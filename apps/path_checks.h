// The paths a command reads and writes, examined before any work is done:
// a path that cannot be examined (a name too long, a loop of links, a folder
// the user may not search) gives a message, never an exception. Every
// command checks its outputs through these, by the same rules.
#pragma once

#include <string>
#include <vector>

enum class PathKind { missing, file, folder, other, unexaminable };

// What is at path; for unexaminable, problem says why ("File name too long").
PathKind examinePath(const std::string& path, std::string& problem);

// An output file is usable when it can be examined, is not a folder, a
// device, a FIFO or anything else that is not a regular file (never replaced,
// even with force), its folder exists and takes new files, and it does not
// exist yet unless force. `what` names the option in messages ("" for the
// main output).
bool checkOutputPath(const std::string& path, bool force, const std::string& what, std::string& error);

// What a command reads: the files (images, masks, presets, action files) and
// the folders whose presets it reads.
struct CommandInputs {
    std::vector<std::string> files;
    std::vector<std::string> presetFolders;
};

// No output is something the command reads: not one of its input files (by
// identity, whatever the spelling of the path), and not a preset of a folder
// it reads. False with "PATH is the input INPUT; choose another file".
bool outputIsNoInput(const std::string& output, const CommandInputs& inputs, const std::string& what,
                     std::string& error);

// The formats the commands write, each known by its extensions.
enum class OutputFormat { image, layeredDocument, galleryPage, preset, action };

// An output named with the extension of another format (a PSD document named
// .png, a page named .z5a) is refused; other extensions, and none, are taken.
bool outputExtensionFits(const std::string& path, OutputFormat format, const std::string& what,
                         std::string& error);

// True when both paths name the same existing file.
bool sameExistingFile(const std::string& a, const std::string& b);

// A file that must exist and be readable as a regular file.
bool checkInputFile(const std::string& path, const std::string& what, std::string& error);
