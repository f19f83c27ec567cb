// Command dispatch, --help and --version.
#include "apps/commands.h"

#include "host/image_files.h"
#include "host/plugin_module.h"
#include "platform/interrupt_signals.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {
const char* kUsage =
    "Usage: twilightomator COMMAND [OPTIONS]\n"
    "\n"
    "Makes images moody: keeps a clear area sharp and, with distance from it,\n"
    "blurs, desaturates, darkens and tones the picture.\n"
    "\n"
    "Commands:\n"
    "  apply INPUT... -o OUTPUT | --out-dir DIR [SETTINGS]\n"
    "                       filter image files (see twilightomator apply --help)\n"
    "  export-psd INPUT -o OUTPUT.psd [--size WxH | --same-size | --proportional WIDTH] [SETTINGS]\n"
    "                       save the result as a layered PSD document\n"
    "  gallery presets FOLDER -o PAGE.html | gallery dots INPUT -o PAGE.html\n"
    "                       web pages of a folder of presets or of the memory dots\n"
    "  about                show the plug-in's About box\n"
    "  demo                 filter the built-in sample scene at the default settings\n"
    "  info                 show the plug-in's properties and scripting terms\n"
    "  modes                list the glue modes\n"
    "  preset info|picture|save ...\n"
    "                       read and write .z5a presets (see twilightomator preset --help)\n"
    "\n"
    "Options for every command:\n"
#ifdef _WIN32
    "  --plugin PATH        the plug-in module to load (default: Twilightomator.8bf\n"
#else
    "  --plugin PATH        the plug-in module to load (default: twilightomator.so\n"
#endif
    "                       beside this program, else the installed one)\n"
    "  --threads N          filter and write image files with N threads (default: one\n"
    "                       per core; 1: one thread); results are the same\n"
    "  --simd LEVEL         the vector instructions to use at most: scalar, sse2, avx2\n"
    "                       or avx512 (default: the best the CPU has); results are the same\n"
    "  -h, --help           show this help\n"
    "  --version            show the version\n";
}  // namespace

void printError(const std::string& message) { std::fprintf(stderr, "twilightomator: %s\n", message.c_str()); }

int loadModuleOnly(const char* command, const char* usage, const Arguments& given, PluginModule& module,
                   std::string& path) {
    Arguments arguments = given;
    path = takePluginPath(arguments);
    for (const std::string& argument : arguments) {
        if (argument == "-h" || argument == "--help") {
            std::fputs(usage, stdout);
            return kExitOk;
        }
        printError(std::string(command) + ": unexpected argument '" + argument + "'");
        return kExitUsage;
    }
    std::string error;
    if (!module.load(path, error)) {
        printError(error);
        return kExitFailure;
    }
    return -1;
}

std::string takePluginPath(Arguments& arguments) {
    std::string path = defaultPluginPath();
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--plugin" && i + 1 < arguments.size()) {
            path = arguments[i + 1];
            arguments.erase(arguments.begin() + long(i), arguments.begin() + long(i) + 2);
            break;
        }
        if (arguments[i].rfind("--plugin=", 0) == 0) {
            path = arguments[i].substr(9);
            arguments.erase(arguments.begin() + long(i));
            break;
        }
    }
    return path;
}

namespace {
// Takes --threads N and --simd LEVEL out of the arguments and hands them to
// the plug-in modules loaded later and to the image writers; false with a
// message on a bad value.
bool takeSpeedOptions(Arguments& arguments, std::string& error) {
    int32_t jobs = 0, simd = 3;
    for (size_t i = 0; i < arguments.size();) {
        const std::string& a = arguments[i];
        if (a != "--threads" && a != "--simd") {
            ++i;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            error = a + " needs a value";
            return false;
        }
        const std::string value = arguments[i + 1];
        if (a == "--threads") {
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || n < 1 || n > 64) {
                error = "--threads: " + value + " is not a number from 1 to 64";
                return false;
            }
            jobs = int32_t(n);
        } else {
            const char* names[] = {"scalar", "sse2", "avx2", "avx512"};
            simd = -1;
            for (int32_t k = 0; k < 4; ++k)
                if (value == names[k]) simd = k;
            if (simd < 0) {
                error = "--simd: " + value + " is not scalar, sse2, avx2 or avx512";
                return false;
            }
        }
        arguments.erase(arguments.begin() + long(i), arguments.begin() + long(i) + 2);
    }
    setPluginSpeed(jobs, simd);
    setImageFileThreads(jobs);
    return true;
}
}  // namespace

int runCommandLine(const Arguments& given) {
    treatFileSizeLimitAsWriteFailure();
    Arguments all = given;
    std::string speedError;
    if (!takeSpeedOptions(all, speedError)) {
        printError(speedError);
        return kExitUsage;
    }
    if (all.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string& command = all[0];
    Arguments rest(all.begin() + 1, all.end());
    if (command == "-h" || command == "--help" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "--version" || command == "version") {
        std::printf("twilightomator 1.0.0\n");
        return kExitOk;
    }
    if (command == "info") return infoCommand(rest);
    if (command == "about") return aboutCommand(rest);
    if (command == "apply") return applyCommand(rest);
    if (command == "demo") return demoCommand(rest);
    if (command == "modes") return modesCommand(rest);
    if (command == "preset") return presetCommand(rest);
    if (command == "export-psd") return exportPsdCommand(rest);
    if (command == "gallery") return galleryCommand(rest);
    printError("unknown command '" + command + "' (see twilightomator --help)");
    return kExitUsage;
}
