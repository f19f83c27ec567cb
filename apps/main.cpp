// The twilightomator command-line program.
#include "apps/commands.h"
#include "platform/program_arguments.h"

int main(int argc, char** argv) {
    useUtf8Console();
    Arguments arguments = programArguments(argc, argv);
    return runCommandLine(arguments);
}
