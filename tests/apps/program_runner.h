// Runs the built twilightomator program with arguments and collects what it
// printed and its exit status.
#pragma once

#include <string>

struct ProgramRun {
    int status = -1;     // the exit status, -1 when it died of a signal
    std::string output;  // stdout, and stderr unless left out
};

ProgramRun runProgram(const std::string& arguments, bool withStderr = true);
