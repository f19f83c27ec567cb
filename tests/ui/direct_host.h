// The plug-in linked into a dialog test and called as a host calls its
// module: PluginMain over the substitute host's session, the handles it
// created given back at the end. Free of the test framework, so that the
// dialog's benchmark drives the plug-in the same way.
#pragma once

#include "host/document.h"
#include "host/filter_driver.h"
#include "host/handle_suite.h"
#include "host/host_session.h"
#include "model/parameters.h"
#include "plugin/entry.h"

#include <utility>

inline bool empty(const Rect& r) { return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0; }

struct DirectHost {
    Document document;
    HostSession session;
    PluginSessionState state;

    explicit DirectHost(Document doc, HostConfig config = {}) : document(std::move(doc)), session(document, config) {}
    ~DirectHost() {
        if (state.parameters) hostDisposeHandle(state.parameters);
        if (state.data) hostDisposeHandle(reinterpret_cast<Handle>(state.data));
    }
    int16_t call(int16_t selector) {
        FilterRecord& record = session.record();
        record.parameters = state.parameters;
        int16_t result = 0;
        pluginMain(selector, &record, &state.data, &result);
        state.parameters = record.parameters;
        return result;
    }
    FilterParameters& parameters() { return *reinterpret_cast<FilterParameters*>(*state.parameters); }
    // Continue until the plug-in asks for no more pixels, as a host does;
    // the first result other than 0 stops the pass and is returned.
    [[nodiscard]] int16_t runPass() {
        session.setWritingBack(true);
        int16_t result = 0;
        for (int32_t calls = 0; result == 0 && !empty(session.record().outRect) && calls < 5000; ++calls) {
            result = call(filterSelectorContinue);
            session.flushOutput();
        }
        session.setWritingBack(false);
        return result;
    }
};
