// How every command outside the dialog stops when asked to (Ctrl-C, SIGTERM,
// SIGHUP): the work in hand stops at its next check, temporary files go, and
// the program says what was written before it ends with 128 + the signal.
#pragma once

#include <csignal>
#include <string>
#include <vector>

// The flag the stop requests set (the signal's number); installs the
// handlers once. Signals the shell set to be ignored stay ignored.
volatile std::sig_atomic_t* installInterruptFlag();

// Prints "interrupted; nothing was written", or "interrupted; written before
// the interruption: A, B; nothing else was written", and returns the exit
// status 128 + signal (130 for Ctrl-C).
int stopForInterruption(int signal, const std::vector<std::string>& written);
