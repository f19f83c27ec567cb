// Action files: one recorded filter step as JSON (the scripted settings by
// their terminology names, each with its descriptor type and value, and the
// play mode), read into a descriptor to replay and written from the
// descriptor the plug-in left at Finish. The format is in docs/action-files.md.
#pragma once

#include "host/descriptor_suite_store.h"
#include "interface/host_interface.h"

#include <cstddef>
#include <string>
#include <string_view>

constexpr const char* kActionFileFormat = "Twilightomator action";
constexpr int kActionFileVersion = 1;
// Larger files are refused unread: a step needs about 2 KB.
constexpr size_t kActionFileMostBytes = 1 << 20;

struct ActionStep {
    int16_t playMode = plugInDialogDontDisplay;  // 0 no dialog, 1 dialog, 2 silent
    Descriptor descriptor;                       // in the file's order
};

// Each returns false with a message that names the problem; nothing throws.
bool parseActionText(std::string_view text, ActionStep& step, std::string& error);
bool readActionFile(const std::string& path, ActionStep& step, std::string& error);

// Every value is checked against its parameter's range (docs/action-files.md)
// in both directions, so that a file written reads back.
// False when the descriptor holds a key, type or value that the format cannot carry.
bool actionText(const ActionStep& step, std::string& text, std::string& error);
// Written whole or not at all; an existing file is replaced only with overwrite.
bool writeActionFile(const std::string& path, const ActionStep& step, bool overwrite, std::string& error);
