// The temporary folder where the filter keeps its store files. On Linux:
// $TMPDIR when it is a folder this user owns and no one else may write into,
// else a private per-user folder inside it (under /tmp when $TMPDIR is unset
// or names no folder); never a folder others may write into. On Windows: the user's temporary folder (GetTempPathW) in UTF-8, or
// "C:\Windows\Temp\" when none can be had.
#pragma once

#include <cstddef>

// Writes the folder, ending with the path separator, into out. False (out
// empty) when no safe folder can be had or the path does not fit.
bool temporaryFolder(char* out, size_t capacity);

#ifndef _WIN32
// The per-user folder "<base>/twilightomator-<uid>/": created with mode 0700
// when missing; an existing one must be a real folder (not a link) owned by
// this user and closed to everyone else, or it is refused.
bool perUserTemporaryFolder(const char* base, char* out, size_t capacity);
#endif
