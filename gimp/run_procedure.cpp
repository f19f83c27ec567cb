// Running the filter on a drawable in each of GIMP's run modes.
#include "gimp/run_procedure.h"

#include "gimp/drawable_document.h"
#include "gimp/last_values.h"
#include "gimp/procedure_arguments.h"
#include "host/descriptor_suite.h"
#include "host/filter_driver.h"
#include "host/plugin_module.h"

#include <optional>

namespace {
ProcedureOutcome failure(GimpPDBStatusType status, const std::string& message) {
    return ProcedureOutcome{status, message};
}

// Where the settings come from. Non-interactive: the arguments. With last
// values: GIMP's record of the last run in this session, else the plug-in's
// cached settings. Interactive: the dialog opens with the same settings.
struct SettingsSource {
    std::optional<Descriptor> descriptor;
    bool withDialog = false;
};

bool chooseSettings(GimpRunMode mode, const GimpParam* arguments, int count, SettingsSource& source,
                    std::string& error) {
    switch (mode) {
        case GIMP_RUN_NONINTERACTIVE:
            source.descriptor.emplace();
            return descriptorFromArguments(arguments, count, *source.descriptor, error);
        case GIMP_RUN_WITH_LAST_VALS: source.descriptor = lastValues(); return true;
        case GIMP_RUN_INTERACTIVE:
            source.descriptor = lastValues();
            source.withDialog = true;
            return true;
    }
    error = "unknown run mode " + std::to_string(int(mode));
    return false;
}

std::string failureText(const FilterRunResult& run) {
    return std::string("the filter failed at ") + selectorName(run.failedSelector) + ": " + describeResult(run.result);
}
}  // namespace

ProcedureOutcome runProcedure(const GimpParam* arguments, int count) {
    if (count < 3) return failure(GIMP_PDB_CALLING_ERROR, "the procedure needs a run mode, an image and a drawable");
    const auto mode = GimpRunMode(arguments[0].data.d_int32);
    const gint32 image = arguments[1].data.d_image;
    const gint32 drawable = arguments[2].data.d_drawable;
    SettingsSource source;
    std::string error;
    if (!chooseSettings(mode, arguments, count, source, error)) return failure(GIMP_PDB_CALLING_ERROR, error);

    gint x = 0, y = 0, width = 0, height = 0;
    if (!gimp_drawable_mask_intersect(drawable, &x, &y, &width, &height)) return {};  // nothing selected here

    PluginModule module;
    if (!module.load(defaultPluginPath(), error)) return failure(GIMP_PDB_EXECUTION_ERROR, error);
    gegl_init(nullptr, nullptr);
    DrawableDocument read;
    if (!readDrawable(image, drawable, read, error)) return failure(GIMP_PDB_EXECUTION_ERROR, error);
    // Floating-point images are filtered whatever the property list says,
    // as the command line does: the plug-in handles them wherever they arrive.
    if (read.document.depth != SampleDepth::floating && !module.accepts(read.document.imageMode(), error))
        return failure(GIMP_PDB_EXECUTION_ERROR, error);

    DescriptorSuiteConfig suiteConfig;
    suiteConfig.playInfo = source.withDialog ? plugInDialogDisplay : plugInDialogDontDisplay;
    DescriptorSuiteHost suite(suiteConfig, source.descriptor ? &*source.descriptor : nullptr);
    HostConfig config;
    config.buffers.markContents = false;  // the plug-in's buffers as a real host gives them
    config.descriptorParameters = suite.parameters();
    // GIMP's progress bar starts with the first report, so that it does not
    // run beside an open dialog. (Cancelling it in GIMP 2.10 ends this
    // process outright; the image is left as it was.)
    bool progressShown = false;
    std::string progressLabel = module.properties().name;  // "Twilightomator...", shown without the dots
    if (progressLabel.ends_with("...")) progressLabel.resize(progressLabel.size() - 3);
    config.onProgress = [&progressShown, &progressLabel](int32_t done, int32_t total) {
        if (!progressShown) gimp_progress_init(progressLabel.c_str());
        progressShown = true;
        if (total > 0) gimp_progress_update(double(done) / double(total));
    };

    PluginSessionState state;
    FilterRunResult run;
    {
        HostSession session(read.document, config);
        run = runFilter(module, session, state, source.withDialog);
    }
    if (run.result == userCanceledErr) return failure(GIMP_PDB_CANCEL, "cancelled");
    if (run.result != 0) return failure(GIMP_PDB_EXECUTION_ERROR, failureText(run));

    gimp_image_undo_group_start(image);
    writeDrawable(image, drawable, read, filterBounds(read.document));
    gimp_image_undo_group_end(image);
    gimp_progress_update(1.0);
    Descriptor recorded;
    if (suite.takeDescriptor(recorded)) keepLastValues(recorded);
    if (mode != GIMP_RUN_NONINTERACTIVE) gimp_displays_flush();
    return {};
}
