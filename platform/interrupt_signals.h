// The signals that ask a program to stop (Ctrl-C, SIGTERM, SIGHUP): the first
// one only raises a flag, so that the work in hand stops at its next check
// and cleans up; a second one removes the pending temporary files of
// WholeFile and ends the program at once.
#pragma once

#include <csignal>

// Installs the handlers (once) and returns the flag: 0, or the number of the
// first signal that arrived.
volatile std::sig_atomic_t* installInterruptSignals();

// The exit status of a program stopped by that signal: 128 + its number.
int interruptedExitStatus(int signal);
