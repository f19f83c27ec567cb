// The messages of the whole-file service, the same on every system.
#include "platform/whole_file.h"

std::string existingOutputMessage(const std::string& path) { return path + " exists; use --force to replace it"; }

std::string notRegularFileMessage(const std::string& path, const char* kind) {
    return path + " is " + kind + ", not a regular file; choose a file";
}
