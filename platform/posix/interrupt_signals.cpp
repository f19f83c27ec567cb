// Stop requests by signal: a flag first, a clean forced exit on the second.
#include "platform/interrupt_signals.h"

#include "platform/whole_file.h"

#include <signal.h>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t gInterrupted = 0;

void onInterrupt(int number) {
    if (gInterrupted != 0) {
        removePendingTemporaryFiles();
        _exit(interruptedExitStatus(number));
    }
    gInterrupted = number;
}
}  // namespace

int interruptedExitStatus(int signal) { return 128 + signal; }

volatile std::sig_atomic_t* installInterruptSignals() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
        return true;
    }();
    (void)installed;
    return &gInterrupted;
}
