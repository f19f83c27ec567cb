// Arguments through GetCommandLineW and CommandLineToArgvW, the console's
// output code page through SetConsoleOutputCP.
#include "platform/program_arguments.h"

#include "platform/wide_text.h"

#include <cstdlib>
#include <windows.h>
#include <shellapi.h>

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(utf8Text(wide[i]));
    LocalFree(wide);
    return arguments;
}

namespace {
UINT gConsoleCodePage = 0;
void restoreConsoleCodePage() { SetConsoleOutputCP(gConsoleCodePage); }
}  // namespace

// The console's own code page comes back when the program ends: the console
// outlives it, and the programs run after it expect their code page.
void useUtf8Console() {
    gConsoleCodePage = GetConsoleOutputCP();
    if (gConsoleCodePage == 0 || gConsoleCodePage == CP_UTF8) return;  // no console, or UTF-8 already
    if (SetConsoleOutputCP(CP_UTF8)) std::atexit(restoreConsoleCodePage);
}
