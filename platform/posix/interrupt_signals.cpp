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
        for (int number : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction current {};
            if (sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
            sigaction(number, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
    return &gInterrupted;
}

void treatFileSizeLimitAsWriteFailure() {
    // Ignored, SIGXFSZ leaves the failing write to return EFBIG.
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGXFSZ, &action, nullptr);
}
