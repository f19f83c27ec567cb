// twilightomator preset info | picture | save: reading and writing .z5a presets.
#include "apps/commands.h"

#include "apps/filter_job.h"
#include "apps/interruption.h"
#include "apps/preset_settings.h"
#include "apps/settings_flags.h"
#include "host/image_files.h"
#include "model/glue_modes.h"
#include "model/settings_table.h"
#include "settings/preset_file.h"
#include "apps/path_checks.h"
#include "platform/whole_file.h"
#include "platform/utf8_path.h"

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

std::string gPluginPath;

void printPresetHelp() {
    std::printf(
        "Usage: twilightomator preset info FILE [--json]\n"
        "       twilightomator preset picture FILE -o OUTPUT.png [--force]\n"
        "       twilightomator preset save FILE [SETTINGS] [--from IMAGE] [--force]\n"
        "\n"
        "info     shows the preset's version, every setting and whether it stores a picture\n"
        "picture  writes the stored picture (at most 128 x 128) as an image file\n"
        "save     writes a preset of the settings given (the rest at their defaults);\n"
        "         with --from its picture is the filter's result on IMAGE, made square\n"
        "         at 128 x 128\n"
        "\n"
        "SETTINGS are the flags of twilightomator apply (see apply --help).\n");
}

// Every user setting with its name, for `preset info`.
struct NamedValue {
    std::string name;
    nlohmann::json value;
};

std::vector<NamedValue> describeSettings(const UserSettings& s) {
    std::vector<NamedValue> values;
    auto colour = [](const Color16& c) { return nlohmann::json::array({c.red, c.green, c.blue}); };
    for (const ScriptedSetting& setting : kScriptedSettings) {
        const double value = fieldValue(s, setting);
        if (setting.kind == DescriptorKind::real) values.push_back({setting.name, value});
        else values.push_back({setting.name, int64_t(value)});
    }
    const Color16* colours[] = {&s.auxColorA, &s.auxColorB, &s.auxColorC, &s.auxColorD, &s.auxColorE, &s.auxColorF};
    const char* colourNames[] = {"auxColorA", "auxColorB", "auxColorC", "auxColorD", "auxColorE", "auxColorF"};
    for (int i = 0; i < 6; ++i) values.push_back({colourNames[i], colour(*colours[i])});
    const int32_t ints[] = {s.auxInt1,  s.auxInt2,  s.auxInt3,  s.auxInt4,  s.auxInt5,  s.auxInt6,  s.auxInt7,
                            s.auxInt8,  s.auxInt9,  s.auxInt10, s.auxInt11, s.auxInt12, s.auxInt13, s.auxInt14,
                            s.auxInt15, s.auxInt16, s.auxInt17, s.auxInt18, s.auxInt19};
    for (int i = 0; i < 19; ++i) values.push_back({"auxInt" + std::to_string(i + 1), ints[i]});
    values.push_back({"auxVectorA", nlohmann::json::array({s.auxVectorA[0], s.auxVectorA[1], s.auxVectorA[2]})});
    values.push_back({"auxVectorB", nlohmann::json::array({s.auxVectorB[0], s.auxVectorB[1], s.auxVectorB[2]})});
    return values;
}

// A preset read over the defaults, with its picture; false (and a message
// printed) when the file cannot be read.
struct LoadedPreset {
    UserSettings settings = defaultUserSettings();
    std::unique_ptr<PresetPicture> picture = std::make_unique<PresetPicture>();
    PresetReadInfo info;
};

bool loadPreset(const std::string& path, PresetReadMode mode, LoadedPreset& preset) {
    std::string error;
    if (!checkInputFile(path, "", error)) {
        printError(error);
        return false;
    }
    if (readPreset(path.c_str(), mode, preset.settings, preset.picture.get(), systemMemoryService(), &preset.info) !=
        0) {
        printError("cannot open " + path);
        return false;
    }
    if (!isPresetVersion(preset.info.version)) {
        printError(path + " is not a preset file");
        return false;
    }
    return true;
}

int presetInfo(const Arguments& args) {
    std::string path;
    bool json = false;
    for (const std::string& a : args) {
        if (a == "--json") json = true;
        else if (!a.empty() && a[0] == '-') {
            printError("preset info: unknown option '" + a + "'");
            return kExitUsage;
        } else if (path.empty()) path = a;
        else {
            printError("preset info: one file at a time");
            return kExitUsage;
        }
    }
    if (path.empty()) {
        printError("preset info: which file?");
        return kExitUsage;
    }
    LoadedPreset preset;
    if (!loadPreset(path, PresetReadMode::full, preset)) return kExitFailure;
    const UserSettings& settings = preset.settings;
    const PresetPicture* picture = preset.picture.get();
    const PresetReadInfo& info = preset.info;
    const std::vector<NamedValue> values = describeSettings(settings);
    if (json) {
        nlohmann::ordered_json out;
        out["file"] = path;
        out["version"] = info.version;
        out["picture"] = info.pictureFound;
        if (info.pictureFound) out["pictureSize"] = {picture->width, picture->height};
        out["endedEarly"] = info.endedEarly;
        nlohmann::ordered_json fields;
        for (const NamedValue& v : values) fields[v.name] = v.value;
        out["settings"] = fields;
        std::printf("%s\n", out.dump(2).c_str());
        return kExitOk;
    }
    std::printf("file:     %s\nversion:  %d\n", path.c_str(), int(info.version));
    if (info.pictureFound)
        std::printf("picture:  %d x %d\n", int(picture->width), int(picture->height));
    else
        std::printf("picture:  none\n");
    if (info.endedEarly) std::printf("note:     the file ends early; missing settings keep their defaults\n");
    for (const NamedValue& v : values) {
        std::string shown = v.value.dump();
        if (v.name == "glue") shown += " (" + std::string(glueModeName(settings.glue)) + ")";
        std::printf("  %-16s %s\n", v.name.c_str(), shown.c_str());
    }
    return kExitOk;
}

int presetPicture(const Arguments& args) {
    std::string path, output;
    bool force = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            if (i + 1 >= args.size()) {
                printError("preset picture: -o needs a file");
                return kExitUsage;
            }
            output = args[++i];
        } else if (args[i] == "--force") {
            force = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            printError("preset picture: unknown option '" + args[i] + "'");
            return kExitUsage;
        } else {
            path = args[i];
        }
    }
    if (path.empty() || output.empty()) {
        printError("preset picture: give FILE and -o OUTPUT");
        return kExitUsage;
    }
    std::string error;
    CommandInputs reads;
    reads.files = {path};
    if (!isSupportedOutputPath(output, error) || !outputIsNoInput(output, reads, "", error)) {
        printError(error);
        return kExitUsage;
    }
    if (!checkOutputPath(output, force, "", error)) {
        printError(error);
        return kExitFailure;
    }
    LoadedPreset preset;
    if (!loadPreset(path, PresetReadMode::thumbnailOnly, preset)) return kExitFailure;
    const PresetPicture* picture = preset.picture.get();
    const PresetReadInfo& info = preset.info;
    if (!info.pictureFound || picture->width < 1 || picture->height < 1) {
        printError(path + " stores no picture");
        return kExitFailure;
    }
    Document document;
    makeDocument(document, picture->width, picture->height, 3, false, SampleDepth::eight, error);
    presetPictureToRgb(*picture, document.samples.data());
    ImageWriteReport report;
    if (!writeImageFile(output, document, 8, force, report, error)) {
        printError(error);
        return kExitFailure;
    }
    return kExitOk;
}

// The filter's result on `image` as the preset picture, 128 x 128.
bool pictureFromImage(const std::string& image, const std::optional<Descriptor>& descriptor, PresetPicture& picture,
                      std::string& error) {
    PluginModule module;
    if (!module.load(gPluginPath, error)) return false;
    Document document;
    ImageFileInfo info;
    if (!readImageFile(image, document, info, error)) return false;
    FilterJob job;
    job.descriptor = descriptor ? *descriptor : Descriptor{};
    job.abortFlag = installInterruptFlag();
    job.showProgress = isatty(STDERR_FILENO);
    job.progressLabel = utf8PathText(filesystemPath(image).filename());
    const FilterJobResult result = runFilterJob(module, document, job);
    if (result.result != 0) {
        error = image + ": the filter failed: " + describeResult(result.result);
        return false;
    }
    // The picture is made by the module's own code, as the plug-in makes it at Start.
    using PresetPictureEntry = int16_t (*)(const void*, int64_t, int32_t, int32_t, int32_t, int32_t, uint8_t*);
    const auto makePicture = reinterpret_cast<PresetPictureEntry>(module.entry("TwilightomatorPresetPicture"));
    if (!makePicture) {
        error = module.path() + " cannot make preset pictures";
        return false;
    }
    const int32_t valueClass = document.depth == SampleDepth::eight ? 0 : document.depth == SampleDepth::sixteen ? 1 : 2;
    const int16_t made = makePicture(document.samples.data(), int64_t(document.rowBytes()), document.planes(),
                                     document.width, document.height, valueClass, picture.rgba);
    if (made != 0) {
        error = made == -108 ? "out of memory for the preset picture" : "cannot make the preset picture";
        return false;
    }
    picture.width = picture.height = kPresetPictureSide;
    return true;
}

int presetSave(const Arguments& args) {
    SettingsFlags flags;
    std::string error;
    if (!parseSettingsFlags(args, flags, error)) {
        printError("preset save: " + error);
        return kExitUsage;
    }
    std::string path, from;
    bool force = false;
    for (size_t i = 0; i < flags.rest.size(); ++i) {
        const std::string& a = flags.rest[i];
        if (a == "--from") {
            if (i + 1 >= flags.rest.size()) {
                printError("preset save: --from needs an image");
                return kExitUsage;
            }
            from = flags.rest[++i];
        } else if (a == "--force") {
            force = true;
        } else if (!a.empty() && a[0] == '-') {
            printError("preset save: unknown option '" + a + "'");
            return kExitUsage;
        } else if (path.empty()) {
            path = a;
        } else {
            printError("preset save: one file at a time");
            return kExitUsage;
        }
    }
    if (path.empty()) {
        printError("preset save: which file?");
        return kExitUsage;
    }
    CommandInputs reads;
    if (!from.empty()) reads.files = {from};
    if (!outputExtensionFits(path, OutputFormat::preset, "", error) || !outputIsNoInput(path, reads, "", error)) {
        printError(error);
        return kExitUsage;
    }
    if (!checkOutputPath(path, force, "", error)) {
        printError(error);
        return kExitFailure;
    }
    volatile std::sig_atomic_t* interrupted = installInterruptFlag();
    UserSettings settings = defaultUserSettings();
    applyDescriptorToSettings(flags.descriptor, settings);
    auto picture = std::make_unique<PresetPicture>();
    const bool withPicture = !from.empty();
    if (withPicture) {
        std::optional<Descriptor> descriptor = descriptorOfSettings(settings);
        if (!pictureFromImage(from, descriptor, *picture, error)) {
            if (*interrupted) return stopForInterruption(*interrupted, {});
            printError(error);
            return kExitFailure;
        }
    }
    // The user's file is replaced whole or not at all: a shorter new preset
    // written over an old one would keep the old tail.
    WholeFile output;
    if (!output.begin(path, force, error)) {
        printError(error);
        return kExitFailure;
    }
    PlatformFile file;
    int16_t result = kPresetCannotOpen;
    if (file.openDescriptor(output.descriptor())) {
        result = writePresetTo(file, settings, withPicture ? picture.get() : nullptr, systemMemoryService());
        const int32_t closed = file.close();
        if (result == 0) result = int16_t(closed);
    }
    if (result != 0) {
        printError("cannot write " + path + (result == kPresetCannotOpen ? " (cannot open it)" : " (write failed)"));
        return kExitFailure;
    }
    if (*interrupted) {
        output.abandon();
        return stopForInterruption(*interrupted, {});
    }
    if (!output.commit(error)) {
        printError(error);
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

int presetCommand(const Arguments& given) {
    Arguments arguments = given;
    gPluginPath = takePluginPath(arguments);
    if (arguments.empty() || arguments[0] == "-h" || arguments[0] == "--help") {
        printPresetHelp();
        return arguments.empty() ? kExitUsage : kExitOk;
    }
    const std::string action = arguments[0];
    const Arguments rest(arguments.begin() + 1, arguments.end());
    if (action == "info") return presetInfo(rest);
    if (action == "picture") return presetPicture(rest);
    if (action == "save") return presetSave(rest);
    printError("preset: unknown action '" + action + "' (info, picture or save)");
    return kExitUsage;
}
