// The one interruption behaviour of the commands.
#include "apps/interruption.h"

#include "apps/commands.h"
#include "platform/interrupt_signals.h"

volatile std::sig_atomic_t* installInterruptFlag() { return installInterruptSignals(); }

int stopForInterruption(int signal, const std::vector<std::string>& written) {
    if (written.empty()) {
        printError("interrupted; nothing was written");
    } else {
        std::string list;
        for (const std::string& path : written) list += (list.empty() ? "" : ", ") + path;
        printError("interrupted; written before the interruption: " + list + "; nothing else was written");
    }
    return interruptedExitStatus(signal);
}
