// twilightomator apply: where each result goes, and the checks of every
// output before the filter runs.
#include "apps/apply_steps.h"

#include "apps/commands.h"
#include "apps/path_checks.h"
#include "host/image_files.h"
#include "platform/utf8_path.h"

#include <filesystem>

std::string outputPathFor(const ApplyOptions& options, const std::string& input) {
    if (!options.output.empty()) return options.output;
    return utf8PathText(filesystemPath(options.outDir) / filesystemPath(input).filename());
}

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
