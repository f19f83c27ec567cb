// Ctrl-C through sigaction: the handler stays installed after it has run.
#include "platform/interrupt_signal.h"

#include <csignal>

void installInterruptHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}
