// The selector sequence of an export.
#include "host/export_driver.h"

ExportRunResult runExport(const PluginModule& module, HostSession& session, PluginSessionState& state,
                          TwilightomatorExportRequest& request) {
    ExportRunResult run;
    auto fail = [&](const char* stage, int16_t result) {
        run.result = result;
        run.stage = stage;
        run.message = request.message;
        return run;
    };
    request.size = int32_t(sizeof request);
    request.message[0] = '\0';
    if (!module.exportEntry()) return fail("Export", filterBadParameters);
    int16_t result = callSelector(module, session, state, filterSelectorPrepare);
    if (result != 0) return fail("Prepare", result);
    session.setWritingBack(false);
    result = callSelector(module, session, state, filterSelectorStart);
    if (result != 0) return fail("Start", result);

    FilterRecord& record = session.record();
    record.parameters = state.parameters;
    result = 0;
    module.exportEntry()(&request, &record, &state.data, &result);
    state.parameters = record.parameters;
    if (result != 0) return fail("Export", result);
    return run;
}
