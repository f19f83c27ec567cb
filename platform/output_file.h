// The system calls behind an output file that is written beside its target
// and moved into place: exclusive creation, sync, moves with and without
// replacing. Results are 0 or an errno value.
#pragma once

#include <cstddef>
#include <string>

// Creates path, which must not exist, for writing in binary mode; the
// descriptor, or -1 with errno set (EEXIST when the name is taken).
int createNewFile(const char* path);
// Gives the new file the permissions of an existing one (no-op where files have none).
void copyFilePermissions(int descriptor, const char* existing);
// Writes all count bytes (retrying short writes); 0 or an errno value
// (ENOSPC when the system takes nothing).
int writeFileBytes(int descriptor, const void* bytes, size_t count);
int syncFile(int descriptor);
int closeFile(int descriptor);
void removeFile(const char* path);
// Moves from to to, replacing what is there.
int moveFileReplacing(const char* from, const char* to);
// Moves from to to unless to exists (EEXIST then).
int moveFileWithoutReplacing(const char* from, const char* to);
// Makes a finished move durable where the system needs the folder synced.
void syncFolder(const std::string& folder);
// The running process's id, for names no other writer picks.
unsigned long currentProcessId();
// The characters that end a folder in a path.
const char* pathSeparators();
