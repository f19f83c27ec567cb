// The signals that ask a program to stop (Ctrl-C, SIGTERM, SIGHUP): the first
// one only raises a flag, so that the work in hand stops at its next check
// and cleans up; a second one removes the pending temporary files of
// WholeFile and ends the program at once.
#pragma once

#include <csignal>

// Installs the handlers (once) and returns the flag: 0, or the number of the
// first signal that arrived. A signal that was set to be ignored when the
// program started (a shell's background job) stays ignored.
volatile std::sig_atomic_t* installInterruptSignals();

// A write past the process's file-size limit fails as an ordinary write
// (reported, the temporary file removed) instead of ending the program.
void treatFileSizeLimitAsWriteFailure();

// The exit status of a program stopped by that signal: 128 + its number.
int interruptedExitStatus(int signal);
