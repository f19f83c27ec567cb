// Folder access: the files of a folder that end with a suffix, folder
// creation and existence checks.
#pragma once

#include <string>
#include <vector>

// Names (without the folder) of the regular files in folder whose names end
// with suffix, compared without regard to ASCII case as the file chooser
// does; sorted the same way. False when the folder cannot be read.
bool listFilesWithSuffix(const char* folder, const char* suffix, std::vector<std::string>& names);

// Creates one folder (mode 0755 less the umask); true when it exists after.
bool createFolder(const char* path);
bool fileExists(const char* path);
// A regular file at the path itself; a link there is not followed (false).
bool regularFileAt(const char* path);
bool folderExists(const char* path);
