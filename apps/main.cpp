// The twilightomator command-line program.
#include "apps/commands.h"

int main(int argc, char** argv) {
    Arguments arguments(argv + 1, argv + argc);
    return runCommandLine(arguments);
}
