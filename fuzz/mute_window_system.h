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

// One event of the script. A press is a mouse button going down and up on
// the middle of a control: the right button, or the left with Control held.
struct MuteEvent {
    enum Kind : uint8_t { click, timer, paint, close, rightPress, controlPress } kind;
    int32_t id;
};

// What the user answers a file chooser: cancel, or take this path.
struct MuteChooserAnswer {
    bool taken = false;
    std::string path;
};

class MuteWindowSystem final : public WindowSystem {
public:
    // Events for the next modal loops, in order, shared by every dialog shown.
    std::vector<MuteEvent> script;
    size_t nextEvent = 0;
    // Answers to the next file choosers, in order; past the last the user cancels.
    std::vector<MuteChooserAnswer> answers;
    size_t nextAnswer = 0;

    std::unique_ptr<DialogWindow> createDialog(const DialogLayout& layout, DialogEvents& events) override;
    void messageBox(const MessageBoxText&) override {}
    bool openWebPage(const char*) override { return true; }
};
