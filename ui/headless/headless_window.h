// The headless backend of the window layer, for tests: the dialog draws into
// an RGBA image with the same cairo code as the GTK backend, a test clicks,
// drags, types, selects and fires timers one event at a time, and every text,
// enabled state, pointer and message box shown is kept for inspection.
// Posted messages are delivered after each event, then the invalid part of
// the window is drawn, as a message loop would.
#pragma once

#include "ui/window_layer.h"

#include <cairo.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class HeadlessDialog final : public DialogWindow {
public:
    HeadlessDialog(const DialogLayout& layout, DialogEvents& events, double scale);
    ~HeadlessDialog() override;

    // DialogWindow
    void moveControl(int32_t id, const WindowRect& rect) override;
    void setText(int32_t id, std::string_view text) override;
    std::string text(int32_t id) const override;
    void setCheck(int32_t id, bool checked) override;
    bool checked(int32_t id) const override;
    void addListItem(int32_t id, std::string_view item) override;
    void selectListItem(int32_t id, int32_t index) override;
    int32_t selectedListItem(int32_t id) const override;
    void enable(int32_t id, bool enabled) override;
    void focus(int32_t id) override { focused_ = id; }
    void setTimer(int32_t id, int32_t milliseconds) override { timers_[id] = milliseconds; }
    void killTimer(int32_t id) override { timers_.erase(id); }
    void captureMouse() override { capturing_ = true; }
    void releaseMouse() override { capturing_ = false; }
    void postCommand(int32_t id, int32_t code) override;
    void postMouseMove(WindowPoint point) override;
    void setPointer(PointerShape shape) override { pointer_ = shape; }
    void messageBox(const MessageBoxText& message) override;
    bool chooseColour(const char* prompt, Color16& colour) override;
    bool chooseFile(const FileChooserRequest& request, std::string& path) override;
    void invalidate(const WindowRect& rect) override;
    void redrawItem(int32_t id) override;
    int32_t runModal() override;
    void endDialog(int32_t code) override { endCode_ = code; }
    void bringToTop() override { ++raised_; }
    // The toolkit's turn during a job: the test acts here (closes the window).
    void processPendingEvents() override {
        ++pumps_;
        if (onPendingEvents) onPendingEvents(*this);
    }
    std::function<void(HeadlessDialog&)> onPendingEvents;
    int32_t pixelsPerPoint() const override { return std::max(1, int32_t(scale_ + 0.5)); }
    // A device pixel of the drawn window (client point x scale).
    Rgb devicePixel(int32_t x, int32_t y);
    int32_t pendingEventTurns() const { return pumps_; }

    // What a test does; each call is one event, then posted messages and
    // drawing follow.
    void press(int32_t x, int32_t y, MouseButton button = MouseButton::left, bool control = false);
    void move(int32_t x, int32_t y);
    void release(int32_t x, int32_t y, MouseButton button = MouseButton::left);
    // A click on a standard control (check boxes toggle); disabled controls ignore it.
    void click(int32_t id);
    // Types text into a value box, one keystroke at a time after clearing it.
    void type(int32_t id, std::string_view text);
    void select(int32_t id, int32_t index);
    void fireTimer(int32_t id);
    void pressReturn() { click(3); }
    void pressEscape() { deliver([&] { events_.command(2, kNotifyClick); }); }
    void closeWindow() { deliver([&] { events_.close(); }); }

    bool timerRunning(int32_t id) const { return timers_.count(id) != 0; }
    bool enabled(int32_t id) const;
    bool capturing() const { return capturing_; }
    PointerShape pointer() const { return pointer_; }
    int32_t endCode() const { return endCode_; }
    bool ended() const { return endCode_ != 0; }
    int32_t timesRaised() const { return raised_; }
    const std::string& title() const { return title_; }
    const std::vector<std::string>& listItems(int32_t id) const;
    const std::vector<MessageBoxText>& messageBoxes() const { return messages_; }
    const std::vector<std::string>& colourPrompts() const { return colourPrompts_; }
    // The answer of the next file chooser; none: the user cancels it. The
    // chooser's pane (if any) is asked for a picture of the answer first.
    // Answers queue up, one per chooser.
    void answerFileChooser(std::optional<std::string> path) { fileAnswers_.push_back(path); }
    const std::vector<FileChooserRequest>& fileRequests() const { return fileRequests_; }
    // The pane's last picture (paneWidth x paneHeight RGB).
    const std::vector<uint8_t>& panePicture() const { return pane_; }
    static constexpr int32_t paneWidth = 130, paneHeight = 130;
    // Runs while a file chooser is open (a test's second request).
    std::function<void()> whileChoosing;
    // The answer of the next colour chooser; none: the user cancels it.
    void answerColourChooser(std::optional<Color16> colour) { colourAnswer_ = colour; }

    // The drawn window: draws what is invalid, then reads a client pixel.
    Rgb pixel(int32_t x, int32_t y);
    bool writePng(const std::string& path);
    // Draws the whole window now.
    void repaintAll();
    int32_t paints() const { return paints_; }

    // Plays the user while the modal loop runs.
    std::function<void(HeadlessDialog&)> onModal;

private:
    struct Control {
        ControlLayout layout;
        std::string text;
        bool checked = false;
        bool enabled = true;
        std::vector<std::string> items;
        int32_t selection = -1;
    };
    struct Posted {
        bool isCommand;
        int32_t id, code;
        WindowPoint point;
    };
    void deliver(const std::function<void()>& event);
    void drainAndDraw();
    void drawInvalid();
    void drawStandardControl(class CairoSurface& surface, const Control& control);
    Control* find(int32_t id);
    const Control* find(int32_t id) const;

    DialogEvents& events_;
    double scale_;
    cairo_surface_t* image_ = nullptr;
    std::map<int32_t, Control> controls_;
    std::map<int32_t, int32_t> timers_;
    std::deque<Posted> posted_;
    std::optional<WindowRect> invalid_;
    std::set<int32_t> invalidItems_;
    std::vector<MessageBoxText> messages_;
    int32_t pumps_ = 0;
    // The messages' texts, kept here: the dialog's own buffers are gone by
    // the time a test reads them.
    std::deque<std::string> messageTexts_;
    std::vector<std::string> colourPrompts_;
    std::optional<Color16> colourAnswer_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::vector<FileChooserRequest> fileRequests_;
    std::vector<uint8_t> pane_;
    PointerShape pointer_ = PointerShape::arrow;
    int32_t focused_ = -1;
    int32_t pressedItem_ = -1;
    bool capturing_ = false;
    int32_t endCode_ = 0;
    int32_t raised_ = 0;
    std::string title_;
    int32_t depth_ = 0;
    int32_t paints_ = 0;
};

// Makes headless dialogs; `onModal` plays the user while the modal loop runs.
class HeadlessWindowSystem final : public WindowSystem {
public:
    explicit HeadlessWindowSystem(double scale = 1.0) : scale_(scale) {}
    std::unique_ptr<DialogWindow> createDialog(const DialogLayout& layout, DialogEvents& events) override;
    void messageBox(const MessageBoxText& message) override { messages.push_back(message); }
    bool openWebPage(const char* url) override {
        webPages.emplace_back(url);
        return true;
    }
    std::vector<std::string> webPages;

    std::function<void(HeadlessDialog&)> onModal;
    std::vector<MessageBoxText> messages;
    HeadlessDialog* lastDialog = nullptr;

private:
    double scale_;
};
