// The narrow window layer the dialog logic is written against: controls by
// id, their texts, checks, list items and enabled states, timers, capture,
// posted commands, pointers, message boxes and a drawing surface. Each
// backend (GTK, headless, Win32) is a thin mapping of these calls; events
// come back through DialogEvents in the shapes the dialog manager delivers.
#pragma once

#include "interface/display_context.h"
#include "model/parameters.h"
#include "ui/message_box.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct WindowPoint {
    int16_t x, y;
};

// Client pixels; right and bottom are outside the rectangle.
struct WindowRect {
    int32_t left, top, right, bottom;
    constexpr int32_t width() const { return right - left; }
    constexpr int32_t height() const { return bottom - top; }
    constexpr bool contains(WindowPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    constexpr bool intersects(const WindowRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    constexpr WindowRect inset(int32_t d) const { return {left + d, top + d, right - d, bottom - d}; }
};

struct Rgb {
    uint8_t red, green, blue;
};

// A file chooser as the dialog asks for it.
struct FileChooserRequest {
    bool save = false;           // save (asks before replacing) or open (the file must exist)
    const char* title = "";
    const char* filterName = "";  // "Twilightomator presets (*.z5a)"
    const char* pattern = "*.*";  // the one pattern of the filter list
    std::string folder;           // where the chooser starts; empty: its own choice
    std::string proposedName;     // save: the name offered
    // Open with a picture pane: fills a width x height RGB picture (rows of
    // width x 3 bytes) for the selected path; empty when there is no pane.
    std::function<void(const std::string& path, int32_t width, int32_t height, std::vector<uint8_t>& rgb)> pane;
};

enum class ControlKind : uint8_t {
    pushButton,        // a standard button with a text
    iconButton,        // a standard button showing an artwork icon
    checkBox,          // a standard two-state button without text
    listBox,           // a drop-down list
    valueBox,          // a one-line edit box
    ownerDrawnButton,  // a button the dialog draws itself (DialogEvents::drawItem)
    radioButton,       // a standard radio button with a text; the dialog keeps one of a group checked
};

// Notification codes of a command, as the dialog manager sends them.
enum NotifyCode : int32_t {
    kNotifyClick = 0,
    kNotifySelectionChanged = 1,  // CBN_SELCHANGE
    kNotifyEditChanged = 0x300,   // EN_CHANGE
};

enum class MouseButton : uint8_t { left, right };

// Pointer shapes; pan and preview are the artwork pointers 107 and 109.
enum class PointerShape : uint8_t { arrow, wait, pan, preview };

enum class TextAlignment : uint8_t { left, centre, right };

// One standard control of a dialog: the backend makes a real widget of it.
struct ControlLayout {
    int16_t id;
    ControlKind kind;
    WindowRect rect;
    const char* text;  // push buttons
    int16_t iconId;    // icon buttons
};

// The state an owner-drawn button is drawn in.
struct ItemState {
    bool pressed, focused, disabled;
};

// A place to draw: the dialog's client area (or an owner-drawn button's
// part of it), in client coordinates. Text is "Arial" at height -11.
class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;
    virtual void fill(const WindowRect& rect, Rgb colour) = 0;
    // A one-pixel frame just inside rect.
    virtual void frame(const WindowRect& rect, Rgb colour) = 0;
    // From (x0, y0) to (x1, y1), the last pixel excluded.
    virtual void line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Rgb colour) = 0;
    // The dotted focus rectangle inside rect.
    virtual void focusFrame(const WindowRect& rect) = 0;
    // Width and height of a line of text.
    virtual WindowPoint measureText(std::string_view text) = 0;
    // Draws text with its top-left at (x, y), transparent background.
    virtual void text(int32_t x, int32_t y, std::string_view text, Rgb colour) = 0;
    // Draws artwork resource `id` with its top-left at (x, y), clipped to clip.
    virtual void artwork(int16_t id, int32_t x, int32_t y, const WindowRect& clip) = 0;
    // Draws width x height pixels, three bytes each (red, green, blue), rows
    // rowBytes apart, with the top-left at (x, y); one pixel per client pixel.
    virtual void picture(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb,
                         int32_t rowBytes) = 0;
    // Drawing is limited to rect until popClip.
    virtual void pushClip(const WindowRect& rect) = 0;
    virtual void popClip() = 0;
    // The platform context the host's display procedure draws into.
    virtual void* displayContext() = 0;
    // Draws a picture of (width x pixelsPerPoint) x (height x pixelsPerPoint)
    // RGB pixels (rows rowBytes apart) into width x height client pixels at (x, y):
    // one picture pixel per device pixel on a doubled desktop. A surface
    // without a denser device draws only pictures of one pixel per point, as
    // plain pictures (its display context may be a system handle, such as a
    // Windows device context, not ours to read).
    virtual void picture(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb,
                         int32_t rowBytes, int32_t pixelsPerPoint) {
        if (pixelsPerPoint == 1) picture(x, y, width, height, rgb, rowBytes);
    }
};

// What a dialog window reports to its logic.
class DialogEvents {
public:
    virtual ~DialogEvents() = default;
    virtual void command(int32_t id, int32_t code) = 0;
    virtual void mouseDown(WindowPoint point, MouseButton button, bool control) = 0;
    virtual void mouseUp(WindowPoint point, MouseButton button) = 0;
    virtual void mouseMove(WindowPoint point) = 0;
    virtual void timer(int32_t id) = 0;
    // The client area needs drawing: erase (background) then paint.
    virtual void eraseBackground(DrawingSurface& surface) = 0;
    virtual void paint(DrawingSurface& surface, const WindowRect& dirty) = 0;
    virtual void drawItem(int32_t id, DrawingSurface& surface, ItemState state) = 0;
    // The window manager's close button.
    virtual void close() = 0;
};

class DialogWindow {
public:
    virtual ~DialogWindow() = default;
    virtual void moveControl(int32_t id, const WindowRect& rect) = 0;
    // Setting a value box's text delivers kNotifyEditChanged, as typing does.
    virtual void setText(int32_t id, std::string_view text) = 0;
    virtual std::string text(int32_t id) const = 0;
    virtual void setCheck(int32_t id, bool checked) = 0;
    virtual bool checked(int32_t id) const = 0;
    virtual void addListItem(int32_t id, std::string_view item) = 0;
    virtual void selectListItem(int32_t id, int32_t index) = 0;
    virtual int32_t selectedListItem(int32_t id) const = 0;  // -1 when none
    virtual void enable(int32_t id, bool enabled) = 0;
    virtual void focus(int32_t id) = 0;
    virtual void setTimer(int32_t id, int32_t milliseconds) = 0;
    virtual void killTimer(int32_t id) = 0;
    virtual void captureMouse() = 0;
    virtual void releaseMouse() = 0;
    // Delivered after the current event has been handled.
    virtual void postCommand(int32_t id, int32_t code) = 0;
    virtual void postMouseMove(WindowPoint point) = 0;
    virtual void setPointer(PointerShape shape) = 0;
    virtual void messageBox(const MessageBoxText& message) = 0;
    // The toolkit's colour chooser; false (colour unchanged) when cancelled.
    virtual bool chooseColour(const char* prompt, Color16& colour) = 0;
    // The toolkit's file chooser over this window; false when cancelled.
    virtual bool chooseFile(const FileChooserRequest& request, std::string& path) = 0;
    // The part of the client area is drawn again (erase, then paint).
    virtual void invalidate(const WindowRect& rect) = 0;
    // An owner-drawn button is drawn again.
    virtual void redrawItem(int32_t id) = 0;
    // Runs the modal loop until endDialog; returns its code.
    virtual int32_t runModal() = 0;
    virtual void endDialog(int32_t code) = 0;
    // Raises the window above the others (a second request for a window
    // that is already open).
    virtual void bringToTop() = 0;
    // Lets the toolkit handle what waits for this thread (drawing, a close
    // request, a key) and returns at once: a long job that runs on the
    // window's thread calls it with its progress, so that the percentage is
    // seen and the window can be closed meanwhile.
    virtual void processPendingEvents() {}
    // Device pixels per client pixel on each axis (2 on a doubled desktop),
    // so that pictures can be made at the device's own resolution.
    virtual int32_t pixelsPerPoint() const { return 1; }
};

struct DialogLayout {
    const char* title;
    int32_t clientWidth, clientHeight;
    std::span<const ControlLayout> controls;
    // The window this one opens over (the main dialog for the small
    // windows); nullptr: the desktop.
    const DialogWindow* owner = nullptr;
    // The main dialog is centred without the small windows' title-button shift.
    bool mainWindow = false;
    // The name of the dialog template the Windows resources hold for it.
    const char* templateName = nullptr;
    // The push button that Return presses when no other button has the focus.
    int16_t defaultButton = 1;
};

// A toolkit: makes dialog windows and shows message boxes.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual std::unique_ptr<DialogWindow> createDialog(const DialogLayout& layout, DialogEvents& events) = 0;
    virtual void messageBox(const MessageBoxText& message) = 0;
    // Opens a web page with the system's browser; false when none could be started.
    virtual bool openWebPage(const char* url) = 0;
};
