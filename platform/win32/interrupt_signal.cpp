// Ctrl-C through the console's control handler, which (unlike the C
// runtime's signal) stays installed after it has run.
#include "platform/interrupt_signal.h"

#include <csignal>
#include <windows.h>

namespace {
void (*gHandler)(int) = nullptr;

BOOL WINAPI onConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (gHandler) gHandler(SIGINT);
    return TRUE;
}
}  // namespace

void installInterruptHandler(void (*handler)(int)) {
    gHandler = handler;
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}
