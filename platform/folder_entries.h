// Every entry of a folder in the order the file system lists it, for walks
// that must visit a folder as the user sees it on disk.
#pragma once

#include <string>
#include <vector>

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    bool isRegularFile = false;  // not a folder, device, FIFO or socket
};

// The entries of folder except "." and ".."; false when it cannot be read.
bool listFolderEntries(const char* folder, std::vector<FolderEntry>& entries);
