// Arguments as the system hands them: bytes, UTF-8 on a UTF-8 system.
#include "platform/program_arguments.h"

std::vector<std::string> programArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

void useUtf8Console() {}
