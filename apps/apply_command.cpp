// twilightomator apply: filters image files through the plug-in.
#include "apps/commands.h"

#include "apps/apply_steps.h"

#include "apps/filter_job.h"
#include "apps/interruption.h"
#include "apps/settings_flags.h"
#include "host/action_file.h"
#include "apps/preset_settings.h"
#include "host/image_files.h"
#include "apps/path_checks.h"
#include "platform/whole_file.h"

#include <unistd.h>

#include <csignal>
#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace {

void printApplyHelp() {
    std::printf(
        "Usage: twilightomator apply INPUT... (-o OUTPUT | --out-dir DIR) [OPTIONS] [SETTINGS]\n"
        "\n"
        "Filters each INPUT through the plug-in and writes the result.\n"
        "\n"
        "Options:\n"
        "  -o, --output FILE    the output file (one input only); its extension picks the format\n"
        "  --out-dir DIR        write each result into DIR under the input's file name\n"
        "  --depth 8|16|32      bits per channel of the output (default: the input's, where the\n"
        "                       output format allows)\n"
        "  --mask FILE          a grey image: the selection the filter is applied through\n"
        "                       (the filter works on the bounds of its selected pixels)\n"
        "  --action FILE        replay a recorded step (JSON action file)\n"
        "  --record FILE        save the step that was applied as an action file\n"
        "  --preset FILE        use the settings of a .z5a preset\n"
        "  --dialog             open the filter's dialog on the one input; the settings,\n"
        "                       preset or action given are what it opens with; OK writes\n"
        "                       OUTPUT, Cancel writes nothing (exit status 3)\n"
        "  --force              replace existing output files\n"
        "  --without-advance-state\n"
        "                       act as a host that lacks advanceState, to see how the\n"
        "                       plug-in refuses such a host\n"
        "  --quiet              no progress bar\n"
        "  --plugin PATH        the plug-in module to load\n"
        "\n"
        "Without settings, preset or action the last accepted settings (the cached\n"
        "settings) apply, as when an editor repeats a filter.\n"
        "\n"
        "Formats: %s\n"
        "\n"
        "Settings:\n%s",
        supportedFormatsText(), settingsFlagsHelp().c_str());
}

bool takeValue(const Arguments& args, size_t& i, std::string& value, std::string& error) {
    if (i + 1 >= args.size()) {
        error = args[i] + " needs a value";
        return false;
    }
    value = args[++i];
    return true;
}

// Parses everything but the settings flags; false with a message on bad usage.
bool parseApplyOptions(const Arguments& args, ApplyOptions& options, bool& helpShown, std::string& error) {
    SettingsFlags flags;
    if (!parseSettingsFlags(args, flags, error)) return false;
    if (!flags.descriptor.items.empty()) options.settings = flags.descriptor;
    const Arguments& rest = flags.rest;
    bool endOfOptions = false;
    for (size_t i = 0; i < rest.size(); ++i) {
        const std::string& a = rest[i];
        if (endOfOptions || a.empty() || a[0] != '-' || a == "-") {
            options.inputs.push_back(a);
        } else if (a == "--") {
            endOfOptions = true;
        } else if (a == "-h" || a == "--help") {
            helpShown = true;
            return true;
        } else if (a == "-o" || a == "--output") {
            if (!takeValue(rest, i, options.output, error)) return false;
        } else if (a == "--out-dir") {
            if (!takeValue(rest, i, options.outDir, error)) return false;
        } else if (a == "--mask") {
            if (!takeValue(rest, i, options.maskPath, error)) return false;
        } else if (a == "--action") {
            if (!takeValue(rest, i, options.actionPath, error)) return false;
        } else if (a == "--record") {
            if (!takeValue(rest, i, options.recordPath, error)) return false;
        } else if (a == "--preset") {
            if (!takeValue(rest, i, options.presetPath, error)) return false;
        } else if (a == "--depth") {
            std::string value;
            if (!takeValue(rest, i, value, error)) return false;
            if (value != "8" && value != "16" && value != "32") {
                error = "--depth: " + value + " is not 8, 16 or 32";
                return false;
            }
            options.depth = std::stoi(value);
        } else if (a == "--dialog") {
            options.dialog = true;
        } else if (a == "--without-advance-state") {
            options.withoutAdvanceState = true;
        } else if (a == "--force") {
            options.force = true;
        } else if (a == "--quiet" || a == "-q") {
            options.quiet = true;
        } else {
            error = "unknown option '" + a + "' (see twilightomator apply --help)";
            return false;
        }
    }
    if (options.inputs.empty()) {
        error = "apply needs at least one input image";
        return false;
    }
    if (options.output.empty() == options.outDir.empty()) {
        error = "give either -o OUTPUT or --out-dir DIR";
        return false;
    }
    if (!options.output.empty() && options.inputs.size() > 1) {
        error = "-o takes one input; use --out-dir DIR for several";
        return false;
    }
    if (options.dialog && (options.inputs.size() != 1 || options.output.empty())) {
        error = "--dialog takes one input and -o OUTPUT";
        return false;
    }
    const int sources = (options.settings ? 1 : 0) + (options.actionPath.empty() ? 0 : 1) +
                        (options.presetPath.empty() ? 0 : 1);
    if (sources > 1) {
        error = "settings flags, --action and --preset cannot be combined";
        return false;
    }
    return true;
}

}  // namespace

int chooseSettings(const ApplyOptions& options, FilterJob& job, std::string& error) {
    if (!options.actionPath.empty()) {
        ActionStep step;
        if (!checkInputFile(options.actionPath, "--action", error) ||
            !readActionFile(options.actionPath, step, error))
            return kExitFailure;
        job.descriptor = step.descriptor;
        job.playMode = step.playMode;
    } else if (!options.presetPath.empty()) {
        if (!presetDescriptor(options.presetPath, job.descriptor, error)) return kExitFailure;
    } else {
        job.descriptor = options.settings;
    }
    return kExitOk;
}

namespace {

// Given settings, a preset or an action are what the dialog opens with.
int askForTheDialog(FilterJob& job, std::string& error) {
    job.playMode = plugInDialogDisplay;
    job.withDialog = true;
#ifndef _WIN32
    // Windows always has a desktop; elsewhere the toolkit needs a display.
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!x11 || !*x11) && (!wayland || !*wayland)) {
        error = "--dialog needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set";
        return kExitFailure;
    }
#else
    (void)error;  // Windows always has a desktop: nothing to refuse
#endif
    return kExitOk;
}

// The run after its options were read: every refusal is found before the
// first file is written, then each input in turn.
int runApply(const ApplyOptions& options, const std::string& pluginPath, std::string& error) {
    ApplyRun run;
    run.interrupted = installInterruptFlag();
    FilterJob job;
    if (const int status = chooseSettings(options, job, error)) return status;
    if (const int status = checkOutputs(options, error)) return status;
    if (options.dialog) {
        if (const int status = askForTheDialog(job, error)) return status;
    }
    job.withoutAdvanceState = options.withoutAdvanceState;
    PluginModule module;
    if (!module.load(pluginPath, error)) return kExitFailure;
    job.abortFlag = run.interrupted;
    job.showProgress = !options.quiet && isatty(STDERR_FILENO);
    for (const std::string& input : options.inputs) {
        if (const int status = applyOneInput(options, module, job, input, run, error)) return status;
    }
    return kExitOk;
}

}  // namespace

int applyCommand(const Arguments& given) {
    Arguments arguments = given;
    const std::string pluginPath = takePluginPath(arguments);
    ApplyOptions options;
    bool helpShown = false;
    std::string error;
    if (!parseApplyOptions(arguments, options, helpShown, error)) {
        printError("apply: " + error);
        return kExitUsage;
    }
    if (helpShown) {
        printApplyHelp();
        return kExitOk;
    }
    const int status = runApply(options, pluginPath, error);
    if (status != kExitOk && !error.empty()) printError(error);
    return status;
}
