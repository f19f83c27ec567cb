// Renaming a file without replacing another one.
#pragma once

// Moves from to to. Refuses (false) when to already exists, so that nothing
// the user did not ask for is overwritten, or when a path is over the limit.
bool renameFile(const char* from, const char* to);
