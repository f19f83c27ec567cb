// twilightomator apply: filters image files through the plug-in.
#include "apps/commands.h"

#include "apps/filter_job.h"
#include "apps/interruption.h"
#include "apps/settings_flags.h"
#include "host/action_file.h"
#include "apps/preset_settings.h"
#include "host/image_files.h"
#include "apps/path_checks.h"
#include "platform/whole_file.h"
#include "platform/utf8_path.h"

#include <unistd.h>

#include <csignal>
#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace {

struct ApplyOptions {
    std::vector<std::string> inputs;
    std::string output, outDir, maskPath, actionPath, recordPath, presetPath;
    int depth = 0;
    bool force = false, quiet = false, dialog = false, withoutAdvanceState = false;
    std::optional<Descriptor> settings;
};

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

// Reads the selection mask into the document: one byte per pixel, from a
// grey image (an RGB image gives its luma) of the document's size.
bool loadMask(const std::string& path, Document& document, std::string& error) {
    Document mask;
    ImageFileInfo info;
    if (!readImageFile(path, mask, info, error)) {
        error = "--mask: " + error;
        return false;
    }
    if (mask.width != document.width || mask.height != document.height) {
        error = "--mask: " + path + " is " + std::to_string(mask.width) + " x " + std::to_string(mask.height) +
                ", the image is " + std::to_string(document.width) + " x " + std::to_string(document.height);
        return false;
    }
    document.selection.assign(size_t(mask.width) * size_t(mask.height), 0);
    for (int32_t y = 0; y < mask.height; ++y) {
        for (int32_t x = 0; x < mask.width; ++x) {
            const uint8_t* p = mask.pixel(x, y);
            double channel[3];
            for (int c = 0; c < 3; ++c) {
                const int index = mask.colorChannels == 3 ? c : 0;
                if (mask.depth == SampleDepth::eight) {
                    channel[c] = p[index] / 255.0;
                } else if (mask.depth == SampleDepth::sixteen) {
                    uint16_t v;
                    std::memcpy(&v, p + 2 * index, 2);
                    channel[c] = v / 32768.0;
                } else {
                    float v;
                    std::memcpy(&v, p + 4 * index, 4);
                    channel[c] = v;
                }
            }
            const double grey = 0.299 * channel[0] + 0.587 * channel[1] + 0.114 * channel[2];
            document.selection[size_t(y) * mask.width + x] = uint8_t(std::clamp(grey, 0.0, 1.0) * 255 + 0.5);
        }
    }
    return true;
}

std::string outputPathFor(const ApplyOptions& options, const std::string& input) {
    if (!options.output.empty()) return options.output;
    return utf8PathText(filesystemPath(options.outDir) / filesystemPath(input).filename());
}

// Every file the run will write is checked before the filter runs: the image
// outputs and the action file are usable (see checkOutputPath), none of them
// is something the run reads, and no two of them are the same file. Returns
// the exit status for a refusal, or kExitOk.
int checkOutputs(const ApplyOptions& options, std::string& error) {
    if (!options.outDir.empty()) {
        std::string problem;
        switch (examinePath(options.outDir, problem)) {
            case PathKind::folder: break;
            case PathKind::unexaminable: error = "--out-dir: cannot use " + options.outDir + ": " + problem; return kExitFailure;
            default: error = "--out-dir: " + options.outDir + " is not a folder"; return kExitFailure;
        }
    }
    std::vector<std::string> outputs;
    for (const std::string& input : options.inputs) {
        const std::string output = outputPathFor(options, input);
        if (!isSupportedOutputPath(output, error)) return kExitUsage;
        for (size_t i = 0; i < outputs.size(); ++i) {
            if (filesystemPath(outputs[i]).lexically_normal() == filesystemPath(output).lexically_normal()) {
                error = "two inputs would both be written to " + output + " (" + options.inputs[i] + " and " + input +
                        "); give them different names";
                return kExitUsage;
            }
        }
        outputs.push_back(output);
    }
    CommandInputs reads;
    reads.files = options.inputs;
    for (const std::string* other : {&options.maskPath, &options.presetPath, &options.actionPath})
        if (!other->empty()) reads.files.push_back(*other);
    std::vector<std::string> written = outputs;
    if (!options.recordPath.empty()) written.push_back(options.recordPath);
    for (size_t i = 0; i < written.size(); ++i) {
        const std::string& path = written[i];
        const bool isRecord = i == outputs.size();
        const std::string what = isRecord ? "--record" : "";
        if (!outputIsNoInput(path, reads, what, error)) return kExitUsage;
        if (isRecord) {
            if (!outputExtensionFits(path, OutputFormat::action, what, error)) return kExitUsage;
            for (const std::string& output : outputs) {
                if (filesystemPath(output).lexically_normal() == filesystemPath(path).lexically_normal() ||
                    sameExistingFile(output, path)) {
                    error = "--record: " + path + " is also the image output; choose another file";
                    return kExitUsage;
                }
            }
        }
        if (!checkOutputPath(path, options.force, what, error)) return kExitFailure;
    }
    return kExitOk;
}

// The readers keep only what means damaged pixels or dropped content.
void printReadWarnings(const std::string& input, const ImageFileInfo& info) {
    for (const std::string& warning : info.warnings) printError("warning: " + input + ": " + warning);
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
    volatile std::sig_atomic_t* interrupted = installInterruptFlag();

    FilterJob job;
    if (!options.actionPath.empty()) {
        ActionStep step;
        if (!checkInputFile(options.actionPath, "--action", error) ||
            !readActionFile(options.actionPath, step, error)) {
            printError(error);
            return kExitFailure;
        }
        job.descriptor = step.descriptor;
        job.playMode = step.playMode;
    } else if (!options.presetPath.empty()) {
        if (!presetDescriptor(options.presetPath, job.descriptor, error)) {
            printError(error);
            return kExitFailure;
        }
    } else {
        job.descriptor = options.settings;
    }

    const int refusal = checkOutputs(options, error);
    if (refusal != kExitOk) {
        printError(error);
        return refusal;
    }

    if (options.dialog) {
        // Given settings, a preset or an action are what the dialog opens with.
        job.playMode = plugInDialogDisplay;
        job.withDialog = true;
#ifndef _WIN32
        // Windows always has a desktop; elsewhere the toolkit needs a display.
        const char* x11 = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        if ((!x11 || !*x11) && (!wayland || !*wayland)) {
            printError("--dialog needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set");
            return kExitFailure;
        }
#endif
    }
    job.withoutAdvanceState = options.withoutAdvanceState;

    PluginModule module;
    if (!module.load(pluginPath, error)) {
        printError(error);
        return kExitFailure;
    }
    job.abortFlag = interrupted;
    job.showProgress = !options.quiet && isatty(STDERR_FILENO);

    std::vector<std::string> written;
    bool recorded = false;
    for (const std::string& input : options.inputs) {
        Document document;
        ImageFileInfo info;
        if (!readImageFile(input, document, info, error)) {
            printError(error);
            return kExitFailure;
        }
        printReadWarnings(input, info);
        if (!options.maskPath.empty() && !loadMask(options.maskPath, document, error)) {
            printError(error);
            return kExitFailure;
        }
        if (!module.filters(document.imageMode(), error)) {
            printError(input + ": " + error);
            return kExitFailure;
        }
        if (*interrupted) return stopForInterruption(*interrupted, written);
        job.progressLabel = utf8PathText(filesystemPath(input).filename());
        const FilterJobResult result = runFilterJob(module, document, job);
        if (*interrupted) return stopForInterruption(*interrupted, written);
        if (options.dialog && result.result == userCanceledErr) {
            if (!options.quiet) std::fprintf(stderr, "cancelled; nothing was written\n");
            return kExitCancelled;
        }
        if (result.result != 0) {
            if (result.result != 1)
                printError(input + ": the filter failed at " + selectorName(result.failedSelector) + ": " +
                           describeResult(result.result));
            return kExitFailure;
        }
        // The image and, with the first image, the action file are written
        // into temporary files and only then both moved into place.
        const std::string output = outputPathFor(options, input);
        WholeFile image, record;
        ImageWriteReport report;
        if (!prepareImageFile(output, document, options.depth, options.force, image, report, error)) {
            printError(error);
            return kExitFailure;
        }
        if (!options.recordPath.empty() && !recorded) {
            std::string text;
            ActionStep step;
            if (result.recorded) step.descriptor = *result.recorded;
            step.playMode = plugInDialogDontDisplay;
            if (!result.recorded) {
                printError("--record: the plug-in recorded no settings; nothing was written for " + input);
                return kExitFailure;
            }
            if (!actionText(step, text, error)) {
                printError("--record: " + error + "; nothing was written for " + input);
                return kExitFailure;
            }
            if (!record.begin(options.recordPath, options.force, error) || !record.write(text.data(), text.size(), error)) {
                printError("--record: " + error + "; nothing was written for " + input);
                return kExitFailure;
            }
        }
        if (*interrupted) return stopForInterruption(*interrupted, written);
        if (!image.commit(error)) {
            printError(error);
            return kExitFailure;
        }
        written.push_back(output);
        if (!options.recordPath.empty() && !recorded) {
            if (!record.commit(error)) {
                printError("--record: " + error);
                return kExitFailure;
            }
            recorded = true;
            written.push_back(options.recordPath);
        }
        for (const std::string& warning : report.warnings) printError("warning: " + warning);
        if (!options.quiet) std::fprintf(stderr, "%s -> %s\n", input.c_str(), output.c_str());
    }
    return kExitOk;
}
