// The paths a command reads and writes, examined before any work is done:
// a path that cannot be examined (a name too long, a loop of links, a folder
// the user may not search) gives a message, never an exception.
#pragma once

#include <string>

enum class PathKind { missing, file, folder, other, unexaminable };

// What is at path; for unexaminable, problem says why ("File name too long").
PathKind examinePath(const std::string& path, std::string& problem);

// An output file is usable when it can be examined, is not a folder, its
// folder exists, and it does not exist yet unless force. `what` names the
// option in messages ("" for the image output).
bool checkOutputPath(const std::string& path, bool force, const std::string& what, std::string& error);

// True when both paths name the same existing file.
bool sameExistingFile(const std::string& a, const std::string& b);

// A file that must exist and be readable as a regular file.
bool checkInputFile(const std::string& path, const std::string& what, std::string& error);
