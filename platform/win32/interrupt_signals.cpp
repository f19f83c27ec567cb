// Stop requests on Windows: Ctrl-C, Ctrl-Break and closing the console reach
// the console's control handler (which, unlike the C runtime's signal, stays
// installed). The first raises the flag; a second removes the pending
// temporary files of WholeFile and ends the program at once.
#include "platform/interrupt_signals.h"

#include "platform/whole_file.h"

#include <windows.h>

namespace {
volatile std::sig_atomic_t gInterrupted = 0;

BOOL WINAPI onConsoleControl(DWORD event) {
    int number = SIGINT;
    if (event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) number = SIGTERM;
    else if (event != CTRL_C_EVENT) return FALSE;
    if (gInterrupted != 0) {
        removePendingTemporaryFiles();
        ExitProcess(UINT(interruptedExitStatus(number)));
    }
    gInterrupted = number;
    return TRUE;
}
}  // namespace

int interruptedExitStatus(int signal) { return 128 + signal; }

volatile std::sig_atomic_t* installInterruptSignals() {
    static const bool installed = SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
    (void)installed;
    return &gInterrupted;
}

// Windows has no file-size limit signal: such a write fails by itself.
void treatFileSizeLimitAsWriteFailure() {}
