// Runs the built twilightomator program with arguments and collects what it
// printed and its exit status.
#pragma once

#include <string>

struct ProgramRun {
    int status = -1;     // the exit status, -1 when it died of a signal
    std::string output;  // stdout, and stderr unless left out
};

// How the program's host behaves: its own way, or like the real hosts
// (the 556-byte record before a guard page, keys marked as they are read,
// opaque pictures as layers, the host's own advanceState, packed rectangles).
enum class ProgramHost { ours, real };
constexpr ProgramHost kBothHosts[] = {ProgramHost::ours, ProgramHost::real};
const char* hostName(ProgramHost host);

ProgramRun runProgram(const std::string& arguments, bool withStderr = true, ProgramHost host = ProgramHost::ours);
