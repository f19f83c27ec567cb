// The selector sequence of a filter run.
#include "interface/plugin_result_codes.h"
#include "host/filter_driver.h"

int16_t callSelector(const PluginModule& module, HostSession& session, PluginSessionState& state,
                     int16_t selector) {
    FilterRecord& record = session.record();
    record.parameters = state.parameters;
    int16_t result = 0;
    module.call(selector, &record, &state.data, &result);
    state.parameters = record.parameters;
    return result;
}

namespace {
bool rectanglesEmpty(const FilterRecord& r) {
    auto empty = [](const Rect& rect) { return rect.bottom <= rect.top || rect.right <= rect.left; };
    return empty(r.inRect) && empty(r.outRect) && empty(r.maskRect);
}
}  // namespace

FilterRunResult runFilter(const PluginModule& module, HostSession& session, PluginSessionState& state,
                          bool withParameters) {
    FilterRunResult run;
    auto fail = [&](int16_t selector, int16_t result) {
        run.result = result;
        run.failedSelector = selector;
        return run;
    };
    if (withParameters) {
        const int16_t result = callSelector(module, session, state, filterSelectorParameters);
        if (result != 0) return fail(filterSelectorParameters, result);
    }
    int16_t result = callSelector(module, session, state, filterSelectorPrepare);
    if (result != 0) return fail(filterSelectorPrepare, result);

    session.setWritingBack(false);
    result = callSelector(module, session, state, filterSelectorStart);
    if (result != 0) return fail(filterSelectorStart, result);

    // Continue while the plug-in asks for pixels; each call's output is
    // written back into the document. Real hosts serve the rectangles asked
    // for themselves before every Continue, and once more before Finish to
    // take the last output.
    const bool hostAdvances = session.likeRealHosts();
    session.setWritingBack(true);
    while (!rectanglesEmpty(session.record())) {
        if (hostAdvances && (result = session.advanceState()) != 0) return fail(filterSelectorContinue, result);
        result = callSelector(module, session, state, filterSelectorContinue);
        ++run.continueCalls;
        if (!hostAdvances) session.flushOutput();
        if (result != 0) return fail(filterSelectorContinue, result);
    }
    if (hostAdvances && (result = session.advanceState()) != 0) return fail(filterSelectorFinish, result);
    session.setWritingBack(false);

    result = callSelector(module, session, state, filterSelectorFinish);
    if (result != 0) return fail(filterSelectorFinish, result);
    return run;
}

const char* selectorName(int16_t selector) {
    switch (selector) {
        case filterSelectorAbout: return "About";
        case filterSelectorParameters: return "Parameters";
        case filterSelectorPrepare: return "Prepare";
        case filterSelectorStart: return "Start";
        case filterSelectorContinue: return "Continue";
        case filterSelectorFinish: return "Finish";
        default: return "unknown selector";
    }
}

std::string describeResult(int16_t result) {
    switch (result) {
        case 0: return "success";
        case kResultAlreadyReported: return "the filter stopped and has already told the user why";
        case memFullErr: return "out of memory";
        case userCanceledErr: return "cancelled";
        case filterBadParameters: return "bad parameters";
        case kResultPyramidFailed: return "the filter could not make its image pyramid (out of memory?)";
        default: return "error " + std::to_string(result);
    }
}
