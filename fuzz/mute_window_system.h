// A window system for the hostile-host fuzz target: dialogs draw nothing and
// their modal loop plays a short script of clicks, timers and paints taken
// from the fuzz input, then closes the window the way a user may.
#pragma once

#include "ui/window_layer.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// One event of the script.
struct MuteEvent {
    enum Kind : uint8_t { click, timer, paint, close } kind;
    int32_t id;
};

class MuteWindowSystem final : public WindowSystem {
public:
    // Events for the next modal loops, in order, shared by every dialog shown.
    std::vector<MuteEvent> script;
    size_t nextEvent = 0;

    std::unique_ptr<DialogWindow> createDialog(const DialogLayout& layout, DialogEvents& events) override;
    void messageBox(const MessageBoxText&) override {}
    bool openWebPage(const char*) override { return true; }
};
