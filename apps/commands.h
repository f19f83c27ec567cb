// The command-line program's commands. Each takes the arguments after its
// name and returns the process exit status.
#pragma once

#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

// Exit statuses: 0 done, 1 the work failed, 2 bad usage, 3 cancelled in the
// dialog, 128 + the signal when interrupted (130 for Ctrl-C).
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 3;

int runCommandLine(const Arguments& arguments);
int infoCommand(const Arguments& arguments);
int aboutCommand(const Arguments& arguments);
int applyCommand(const Arguments& arguments);
int demoCommand(const Arguments& arguments);
int modesCommand(const Arguments& arguments);
int presetCommand(const Arguments& arguments);
int exportPsdCommand(const Arguments& arguments);
int galleryCommand(const Arguments& arguments);

// Takes "--plugin PATH" out of the arguments; the default is beside the program.
std::string takePluginPath(Arguments& arguments);
// Prints "twilightomator: message" on stderr.
void printError(const std::string& message);

class PluginModule;
// For a command that takes only --plugin: prints `usage` for -h/--help,
// refuses any other argument, and loads the module (its path into `path`).
// Returns -1 when the command goes on, else the exit status to end with.
int loadModuleOnly(const char* command, const char* usage, const Arguments& arguments, PluginModule& module,
                   std::string& path);
// Prints the scripting terminology of a loaded module.
void printTerminology(const PluginModule& module);
