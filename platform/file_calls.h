// The few system calls in which writing a user's file differs between
// systems, one file of them per system (posix/, win32/). The whole-file
// service and the rename that never replaces use these and hold the rules
// (checks, temporary names, messages) once.
#pragma once

#include <cstddef>
#include <string>

enum class FileKind { missing, regular, link, folder, other };

// What stands at a path.
struct FileFacts {
    FileKind kind = FileKind::missing;
    // For FileKind::other: "a device", "a FIFO", "a socket" or "something else".
    const char* otherKind = "something else";
    // The permission bits a replacement keeps (0: the system's default).
    unsigned keptMode = 0;
};

// followLinks: what a link leads to; otherwise the link itself.
FileFacts inspectPath(const std::string& path, bool followLinks);

// Creates path for writing, exclusively (an existing name or a link there
// fails with EEXIST), in binary mode and not inherited by child processes;
// keptMode != 0 gives it those permission bits. The descriptor, or -1 with
// errno set.
int createExclusive(const std::string& path, unsigned keptMode);
// Writes at most count bytes once (retrying an interrupted call): the count
// written, or -1 with errno set.
long long writeSome(int descriptor, const void* bytes, size_t count);
// The same at byte `offset` of the file, whatever the current position;
// the file grows as needed (a gap before it reads as zeros).
long long writeSomeAt(int descriptor, const void* bytes, size_t count, long long offset);
// 0, or the errno of the failure.
int flushToDisk(int descriptor);
// Asks the system to start writing bytes offset .. offset + count - 1 to the
// disk now, without waiting, so that the flush at the end has less left to
// do; nothing where the system has no such call.
void startWriteBack(int descriptor, long long offset, long long count);
int closeFile(int descriptor);
// Removes a file; safe inside a signal handler.
void removeFile(const char* path);

// Moves from to to without replacing anything at to, with no moment between
// a check and the move: 0, EEXIST when to exists, else the errno.
int renameNoReplace(const char* from, const char* to);
// Moves from over whatever file is at to (a read-only one included, which
// stays read-only): 0, else the errno.
int renameReplacing(const char* from, const char* to);
// Makes a rename in folder durable where the system needs a separate call.
void syncFolder(const std::string& folder);

unsigned long currentProcessId();
