// twilightomator export-psd and twilightomator gallery: layered documents and
// gallery pages, made by the plug-in module's own export entry.
#include "apps/path_checks.h"
#include "apps/commands.h"

#include "apps/filter_job.h"
#include "apps/interruption.h"
#include "apps/progress_bar.h"
#include "apps/settings_flags.h"
#include "host/descriptor_suite.h"
#include "host/export_driver.h"
#include "host/image_files.h"
#include "model/export_size.h"
#include "platform/utf8_path.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

const std::string kSideRange =
    std::to_string(kExportSideMinimum) + ".." + std::to_string(kExportSideMaximum) + " pixels";

struct ExportOptions {
    std::string input, output, folder;
    std::string sizeMode = "same";  // same, size, proportional
    int32_t width = 0, height = 0;
    bool force = false, quiet = false;
    std::optional<Descriptor> settings;
};

void printExportPsdHelp() {
    std::printf(
        "Usage: twilightomator export-psd INPUT -o OUTPUT.psd [OPTIONS] [SETTINGS]\n"
        "\n"
        "Saves the filter's result on INPUT as a layered PSD document: one layer\n"
        "\"layer 1\" with transparency and a flattened composite, at the input's depth\n"
        "(8, 16 or 32 bits per channel).\n"
        "\n"
        "Options:\n"
        "  --same-size           the input's size (the default)\n"
        "  --size WxH            this size in pixels (each side 2..30000)\n"
        "  --proportional WIDTH  this width (2..30000), the height in the input's\n"
        "                        proportions (truncated, held within 2..30000)\n"
        "  --force               replace an existing OUTPUT\n"
        "  --quiet               no progress bar\n"
        "  --plugin PATH         the plug-in module to load\n"
        "\n"
        "Without settings the last accepted settings (the cached settings) apply.\n"
        "\n"
        "Settings:\n%s",
        settingsFlagsHelp().c_str());
}

void printGalleryHelp() {
    std::printf(
        "Usage: twilightomator gallery presets FOLDER -o PAGE.html [--force]\n"
        "       twilightomator gallery dots INPUT -o PAGE.html [--force]\n"
        "\n"
        "presets  a web page of the stored pictures of every .z5a preset in FOLDER\n"
        "dots     a web page of INPUT rendered with each kept memory dot's settings\n"
        "\n"
        "The pictures and frame images go into the folder web_images beside PAGE.\n");
}

// One side given on the command line: decimal digits only, 2..30000 (the
// size dialog's range). Long numbers are refused, never wrapped around.
bool parseSide(const std::string& text, int32_t& side) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const int64_t value = std::stoll(text);
    if (!exportSideInRange(value)) return false;
    side = int32_t(value);
    return true;
}

bool parseSize(const std::string& text, int32_t& width, int32_t& height) {
    const size_t x = text.find_first_of("xX");
    return x != std::string::npos && parseSide(text.substr(0, x), width) && parseSide(text.substr(x + 1), height);
}

// Parses the options common to both commands; false with a message.
bool parseOptions(const Arguments& args, ExportOptions& options, bool withSize, std::string& error) {
    SettingsFlags flags;
    if (!parseSettingsFlags(args, flags, error)) return false;
    if (!flags.descriptor.items.empty()) options.settings = flags.descriptor;
    const Arguments& rest = flags.rest;
    for (size_t i = 0; i < rest.size(); ++i) {
        const std::string& a = rest[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= rest.size()) {
                error = a + " needs a value";
                return false;
            }
            out = rest[++i];
            return true;
        };
        std::string text;
        if (a == "-o" || a == "--output") {
            if (!value(options.output)) return false;
        } else if (a == "--force") {
            options.force = true;
        } else if (a == "--quiet") {
            options.quiet = true;
        } else if (withSize && a == "--same-size") {
            options.sizeMode = "same";
        } else if (withSize && a == "--size") {
            if (!value(text)) return false;
            if (!parseSize(text, options.width, options.height)) {
                error = "--size: " + text + " is not WIDTHxHEIGHT with each side " + kSideRange;
                return false;
            }
            options.sizeMode = "size";
        } else if (withSize && a == "--proportional") {
            if (!value(text)) return false;
            if (!parseSide(text, options.width)) {
                error = "--proportional: " + text + " is not a width of " + kSideRange;
                return false;
            }
            options.sizeMode = "proportional";
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option '" + a + "'";
            return false;
        } else if (options.input.empty()) {
            options.input = a;
        } else {
            error = "one input at a time";
            return false;
        }
    }
    if (options.input.empty() || options.output.empty()) {
        error = "give the input and -o OUTPUT";
        return false;
    }
    return true;
}

// The output is checked before the input is read or anything rendered: its
// extension names the format written, it is nothing the command reads, and
// it may be written (see checkOutputPath). The exit status of a refusal, or
// kExitOk.
int checkExportOutput(const ExportOptions& options, OutputFormat format, const CommandInputs& reads) {
    std::string error;
    if (!outputExtensionFits(options.output, format, "", error) || !outputIsNoInput(options.output, reads, "", error)) {
        printError(error);
        return kExitUsage;
    }
    if (!checkOutputPath(options.output, options.force, "", error)) {
        printError(error);
        return kExitFailure;
    }
    return kExitOk;
}


// Runs one export job through the module over the document. On an
// interruption the program stops as every command does; `writtenBefore`
// names what the job may already have completed (the gallery's pictures).
int runExportJob(const std::string& pluginPath, Document& document, const ExportOptions& options,
                 TwilightomatorExportRequest& request, const std::string& label,
                 const std::vector<std::string>& writtenBefore) {
    std::string error;
    PluginModule module;
    if (!module.load(pluginPath, error)) {
        printError(error);
        return kExitFailure;
    }
    if (!module.exportEntry()) {
        printError(pluginPath + " cannot export (it has no export entry)");
        return kExitFailure;
    }
    if (!module.filters(document.imageMode(), error)) {
        printError(error);
        return kExitFailure;
    }
    HostConfig config;
    DescriptorSuiteConfig suiteConfig;
    useTestHostBehaviour(config, suiteConfig);
    suiteConfig.playInfo = plugInDialogDontDisplay;
    const std::optional<Descriptor> settings = options.settings;
    DescriptorSuiteHost suite(suiteConfig, settings ? &*settings : nullptr);

    ProgressBar bar(label);
    config.descriptorParameters = suite.parameters();
    volatile std::sig_atomic_t* interrupted = installInterruptFlag();
    config.abortFlag = interrupted;
    const bool showProgress = !options.quiet && isatty(STDERR_FILENO);
    if (showProgress) config.onProgress = [&bar](int32_t done, int32_t total) { bar.update(done, total); };
    HostSession session(document, config);
    const ExportRunResult run = runExport(module, session, programPluginState(), request);
    if (run.result != 0 && *interrupted) return stopForInterruption(*interrupted, writtenBefore);
    if (run.result != 0) {
        const std::string why = !run.message.empty() ? run.message : describeResult(run.result);
        printError(options.output + ": " + why);
        return kExitFailure;
    }
    return kExitOk;
}

std::string gPluginPath;

int exportPsd(const Arguments& args) {
    for (const std::string& a : args)
        if (a == "-h" || a == "--help") {
            printExportPsdHelp();
            return kExitOk;
        }
    ExportOptions options;
    std::string error;
    if (!parseOptions(args, options, true, error)) {
        printError("export-psd: " + error);
        return kExitUsage;
    }
    CommandInputs reads;
    reads.files = {options.input};
    if (const int refusal = checkExportOutput(options, OutputFormat::layeredDocument, reads); refusal != kExitOk)
        return refusal;
    installInterruptFlag();
    Document document;
    ImageFileInfo info;
    if (!readImageFile(options.input, document, info, error)) {
        printError(error);
        return kExitFailure;
    }
    TwilightomatorExportRequest request{};
    request.job = kExportLayeredDocument;
    if (options.sizeMode == "size") {
        request.width = options.width;
        request.height = options.height;
    } else if (options.sizeMode == "proportional") {
        request.width = options.width;
        // As the size dialog does: the proportional height, truncated, then
        // held within the sides' range.
        request.height = clampedExportSide(
            double(proportionalSide(options.width, int32_t(document.width), int32_t(document.height))));
    }
    request.path = options.output.c_str();
    return runExportJob(gPluginPath, document, options, request,
                        utf8PathText(filesystemPath(options.output).filename()), {});
}

int gallery(const Arguments& args) {
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        printGalleryHelp();
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::string kind = args[0];
    if (kind != "presets" && kind != "dots") {
        printError("gallery: presets or dots");
        return kExitUsage;
    }
    ExportOptions options;
    std::string error;
    if (!parseOptions(Arguments(args.begin() + 1, args.end()), options, false, error)) {
        printError("gallery " + kind + ": " + error);
        return kExitUsage;
    }
    CommandInputs reads;
    if (kind == "presets") reads.presetFolders = {options.input};
    else reads.files = {options.input};
    if (const int refusal = checkExportOutput(options, OutputFormat::galleryPage, reads); refusal != kExitOk)
        return refusal;
    installInterruptFlag();
    TwilightomatorExportRequest request{};
    request.path = options.output.c_str();
    Document document;
    std::string folder;
    if (kind == "presets") {
        std::string problem;
        const PathKind inputKind = examinePath(options.input, problem);
        if (inputKind != PathKind::folder) {
            printError(inputKind == PathKind::unexaminable ? "cannot use " + options.input + ": " + problem
                                                      : options.input + " is not a folder");
            return kExitFailure;
        }
        std::error_code ignored;
        folder = utf8PathText(std::filesystem::absolute(filesystemPath(options.input), ignored));
        if (folder.empty()) folder = options.input;
        if (folder.back() != '/') folder += '/';
        request.job = kExportPresetsPage;
        request.sourceFolder = folder.c_str();
        // The page needs no image; the plug-in runs on a small blank one.
        if (!makeDocument(document, 16, 16, 3, false, SampleDepth::eight, error)) {
            printError(error);
            return kExitFailure;
        }
        std::memset(document.samples.data(), 255, document.samples.size());
    } else {
        ImageFileInfo info;
        if (!readImageFile(options.input, document, info, error)) {
            printError(error);
            return kExitFailure;
        }
        request.job = kExportMemoryDotsPage;
    }
    // Pictures already written stay beside the page when it is stopped.
    const std::filesystem::path pageFolder = filesystemPath(options.output).parent_path();
    return runExportJob(gPluginPath, document, options, request,
                        utf8PathText(filesystemPath(options.output).filename()),
                        {"the pictures in " + utf8PathText((pageFolder.empty() ? std::filesystem::path(".") : pageFolder) /
                                                            "web_images")});
}

}  // namespace

int exportPsdCommand(const Arguments& given) {
    Arguments arguments = given;
    gPluginPath = takePluginPath(arguments);
    return exportPsd(arguments);
}

int galleryCommand(const Arguments& given) {
    Arguments arguments = given;
    gPluginPath = takePluginPath(arguments);
    return gallery(arguments);
}
