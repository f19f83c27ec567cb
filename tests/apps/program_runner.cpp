// Running the built program from the tests.
#include "program_runner.h"

#include "support/test_support.h"

#include <sys/wait.h>

#include <cstdio>

const char* hostName(ProgramHost host) { return host == ProgramHost::real ? "real" : "ours"; }

ProgramRun runProgram(const std::string& arguments, bool withStderr, ProgramHost host) {
    const std::string command = "TWL_HOST_BEHAVIOUR=" + std::string(hostName(host)) + " '" + builtAppPath() + "' " +
                                arguments + (withStderr ? " 2>&1" : " 2>/dev/null");
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t read;
    while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, read);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
