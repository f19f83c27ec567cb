// Dialogs without a screen for the hostile-host fuzz target. Pictures handed
// to the surface are read in full, so that a picture smaller than it claims
// is caught by the address checker.
#include "mute_window_system.h"

#include "ui/main_dialog_controls.h"

#include <cstdio>
#include <cstdlib>

namespace {

class ReadingSurface final : public DrawingSurface {
public:
    void fill(const WindowRect&, Rgb) override {}
    void frame(const WindowRect&, Rgb) override {}
    void line(int32_t, int32_t, int32_t, int32_t, Rgb) override {}
    void focusFrame(const WindowRect&) override {}
    WindowPoint measureText(std::string_view text) override { return WindowPoint{int16_t(6 * text.size()), 13}; }
    void text(int32_t, int32_t, std::string_view, Rgb) override {}
    void artwork(int16_t, int32_t, int32_t, const WindowRect&) override {}
    void picture(int32_t, int32_t, int32_t width, int32_t height, const uint8_t* rgb, int32_t rowBytes) override {
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* row = rgb + ptrdiff_t(y) * rowBytes;
            for (int32_t i = 0; i < width * 3; ++i) checksum += row[i];
        }
    }
    void pushClip(const WindowRect&) override {}
    void popClip() override {}
    void* displayContext() override { return nullptr; }
    volatile uint32_t checksum = 0;
};

class MuteDialog final : public DialogWindow {
public:
    MuteDialog(const DialogLayout& layout, DialogEvents& events, MuteWindowSystem& system)
        : layout_(layout), events_(events), system_(system) {}

    void moveControl(int32_t, const WindowRect&) override {}
    void setText(int32_t id, std::string_view text) override {
        texts_[id] = std::string(text);
        posted_.push_back(Posted{id, kNotifyEditChanged});
    }
    std::string text(int32_t id) const override {
        auto found = texts_.find(id);
        return found == texts_.end() ? std::string() : found->second;
    }
    void setCheck(int32_t id, bool checked) override {
        if (checked) checks_.insert(id); else checks_.erase(id);
    }
    bool checked(int32_t id) const override { return checks_.count(id) != 0; }
    void addListItem(int32_t id, std::string_view) override { ++items_[id]; }
    void selectListItem(int32_t id, int32_t index) override { selections_[id] = index; }
    int32_t selectedListItem(int32_t id) const override {
        auto found = selections_.find(id);
        return found == selections_.end() ? -1 : found->second;
    }
    void enable(int32_t, bool) override {}
    void focus(int32_t) override {}
    void setTimer(int32_t id, int32_t) override { timers_.insert(id); }
    void killTimer(int32_t id) override { timers_.erase(id); }
    void captureMouse() override {}
    void releaseMouse() override {}
    void postCommand(int32_t id, int32_t code) override { posted_.push_back(Posted{id, code}); }
    void postMouseMove(WindowPoint) override {}
    void setPointer(PointerShape) override {}
    void messageBox(const MessageBoxText&) override {}
    bool chooseColour(const char*, Color16&) override { return false; }
    bool chooseFile(const FileChooserRequest& request, std::string& path) override {
        if (system_.nextAnswer >= system_.answers.size()) return false;
        const MuteChooserAnswer& answer = system_.answers[system_.nextAnswer++];
        // TWL_HOSTILE_TRACE=1 shows each answer, to see what a seed reaches.
        static const bool trace = std::getenv("TWL_HOSTILE_TRACE") != nullptr;
        if (trace)
            std::fprintf(stderr, "%s chooser \"%s\": %s\n", request.save ? "save" : "open", request.title,
                         answer.taken ? answer.path.substr(0, 120).c_str() : "cancelled");
        if (!answer.taken) return false;
        // The picture pane shows the file the user is about to take.
        if (request.pane) {
            std::vector<uint8_t> rgb;
            request.pane(answer.path, 40, 30, rgb);
            if (!rgb.empty() && rgb.size() != size_t(40 * 30 * 3)) __builtin_trap();
            ReadingSurface surface;
            if (!rgb.empty()) surface.picture(0, 0, 40, 30, rgb.data(), 40 * 3);
        }
        path = answer.path;
        return true;
    }
    void invalidate(const WindowRect&) override { dirty_ = true; }
    void redrawItem(int32_t) override { dirty_ = true; }
    void endDialog(int32_t code) override { endCode_ = code == 0 ? -1 : code; }
    void bringToTop() override {}

    int32_t runModal() override {
        // A bounded number of events per window: a script cannot keep a
        // dialog open for long.
        for (int turn = 0; turn < 24 && endCode_ == 0 && system_.nextEvent < system_.script.size(); ++turn) {
            const MuteEvent event = system_.script[system_.nextEvent++];
            switch (event.kind) {
                case MuteEvent::click: events_.command(event.id, kNotifyClick); break;
                case MuteEvent::timer:
                    if (!timers_.empty()) events_.timer(*timers_.begin());
                    break;
                case MuteEvent::paint: paint(); break;
                case MuteEvent::close: events_.close(); break;
                case MuteEvent::rightPress:
                case MuteEvent::controlPress: press(event); break;
            }
            deliverPosted();
        }
        // The user gives up: Cancel, then the window's close button.
        if (endCode_ == 0) {
            events_.command(2, kNotifyClick);
            deliverPosted();
        }
        if (endCode_ == 0) events_.close();
        return endCode_;
    }

private:
    struct Posted {
        int32_t id, code;
    };
    void paint() {
        ReadingSurface surface;
        events_.eraseBackground(surface);
        events_.paint(surface, WindowRect{0, 0, layout_.clientWidth, layout_.clientHeight});
        dirty_ = false;
    }
    // The control's place: from the window's layout, or for the parts the
    // main dialog draws itself (the memory dots, the dot picture) from its table.
    bool controlRect(int32_t id, WindowRect& rect) const {
        for (const ControlLayout& control : layout_.controls)
            if (control.id == id) {
                rect = control.rect;
                return true;
            }
        if (layout_.mainWindow)
            for (const DialogControl& control : kDialogControls)
                if (control.id == id) {
                    rect = control.rect;
                    return true;
                }
        return false;
    }
    void press(const MuteEvent& event) {
        WindowRect rect;
        if (!controlRect(event.id, rect)) return;
        const WindowPoint middle{int16_t((rect.left + rect.right) / 2), int16_t((rect.top + rect.bottom) / 2)};
        const MouseButton button = event.kind == MuteEvent::rightPress ? MouseButton::right : MouseButton::left;
        events_.mouseDown(middle, button, button == MouseButton::left);
        events_.mouseUp(middle, button);
    }
    void deliverPosted() {
        for (int i = 0; i < 64 && !posted_.empty() && endCode_ == 0; ++i) {
            const Posted next = posted_.front();
            posted_.erase(posted_.begin());
            events_.command(next.id, next.code);
        }
        posted_.clear();
    }

    DialogLayout layout_;
    DialogEvents& events_;
    MuteWindowSystem& system_;
    std::map<int32_t, std::string> texts_;
    std::set<int32_t> checks_;
    std::map<int32_t, int32_t> items_, selections_;
    std::set<int32_t> timers_;
    std::vector<Posted> posted_;
    bool dirty_ = false;
    int32_t endCode_ = 0;
};

}  // namespace

std::unique_ptr<DialogWindow> MuteWindowSystem::createDialog(const DialogLayout& layout, DialogEvents& events) {
    return std::make_unique<MuteDialog>(layout, events, *this);
}
