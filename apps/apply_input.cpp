// twilightomator apply: one input read, filtered and written.
#include "apps/apply_steps.h"

#include "apps/commands.h"
#include "apps/interruption.h"
#include "host/action_file.h"
#include "host/image_files.h"
#include "platform/utf8_path.h"
#include "platform/whole_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

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

// The readers keep only what means damaged pixels or dropped content.
void printReadWarnings(const std::string& input, const ImageFileInfo& info) {
    for (const std::string& warning : info.warnings) printError("warning: " + input + ": " + warning);
}

// An interruption names what was written and leaves no other message.
int stopAfterInterruption(const ApplyRun& run, std::string& error) {
    error.clear();
    return stopForInterruption(*run.interrupted, run.written);
}

}  // namespace

int applyOneInput(const ApplyOptions& options, PluginModule& module, FilterJob& job, const std::string& input,
                  ApplyRun& run, std::string& error) {
    Document document;
    ImageFileInfo info;
    if (!readImageFile(input, document, info, error)) return kExitFailure;
    printReadWarnings(input, info);
    if (!options.maskPath.empty() && !loadMask(options.maskPath, document, error)) return kExitFailure;
    if (!module.filters(document.imageMode(), error)) {
        error = input + ": " + error;
        return kExitFailure;
    }
    if (*run.interrupted) return stopAfterInterruption(run, error);
    job.progressLabel = utf8PathText(filesystemPath(input).filename());
    const FilterJobResult result = runFilterJob(module, document, job);
    if (*run.interrupted) return stopAfterInterruption(run, error);
    if (options.dialog && result.result == userCanceledErr) {
        if (!options.quiet) std::fprintf(stderr, "cancelled; nothing was written\n");
        error.clear();
        return kExitCancelled;
    }
    if (result.result != 0) {
        // 1: the plug-in told the user itself.
        error = result.result == 1 ? std::string() :
                input + ": the filter failed at " + selectorName(result.failedSelector) + ": " +
                    describeResult(result.result);
        return kExitFailure;
    }
    // The image and, with the first image, the action file are written
    // into temporary files and only then both moved into place.
    const std::string output = outputPathFor(options, input);
    WholeFile image, record;
    ImageWriteReport report;
    if (!prepareImageFile(output, document, options.depth, options.force, image, report, error)) return kExitFailure;
    if (!options.recordPath.empty() && !run.recorded) {
        std::string text;
        ActionStep step;
        if (result.recorded) step.descriptor = *result.recorded;
        step.playMode = plugInDialogDontDisplay;
        if (!result.recorded) {
            error = "--record: the plug-in recorded no settings; nothing was written for " + input;
            return kExitFailure;
        }
        if (!actionText(step, text, error)) {
            error = "--record: " + error + "; nothing was written for " + input;
            return kExitFailure;
        }
        if (!record.begin(options.recordPath, options.force, error) || !record.write(text.data(), text.size(), error)) {
            error = "--record: " + error + "; nothing was written for " + input;
            return kExitFailure;
        }
    }
    if (*run.interrupted) return stopAfterInterruption(run, error);
    if (!image.commit(error)) return kExitFailure;
    run.written.push_back(output);
    if (!options.recordPath.empty() && !run.recorded) {
        if (!record.commit(error)) {
            error = "--record: " + error;
            return kExitFailure;
        }
        run.recorded = true;
        run.written.push_back(options.recordPath);
    }
    for (const std::string& warning : report.warnings) printError("warning: " + warning);
    if (!options.quiet) std::fprintf(stderr, "%s -> %s\n", input.c_str(), output.c_str());
    return kExitOk;
}
