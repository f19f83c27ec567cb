// twilightomator modes: the glue modes with their numbers and scripting codes.
#include "apps/commands.h"

#include "model/glue_modes.h"

#include <cstdio>

int modesCommand(const Arguments& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "-h" || argument == "--help") {
            std::printf("Usage: twilightomator modes\n\nLists the glue modes: number, name and scripting code.\n"
                        "--glue takes the number or the name.\n");
            return kExitOk;
        }
        printError("modes: unexpected argument '" + argument + "'");
        return kExitUsage;
    }
    std::printf("%-4s %-14s %s\n", "no.", "name", "code");
    for (int32_t mode = 1; mode <= kGlueModeCount; ++mode) {
        const std::string name(glueModeName(mode));
        std::printf("%-4d %-14s GL%02d\n", int(mode), name.c_str(), int(mode));
    }
    return kExitOk;
}
