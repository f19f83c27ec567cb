// The Win32 dialog window: made from the layout's dialog template, its
// controls moved to the layout's rectangles at the window's scale, its
// client area painted through a memory bitmap, and run modally with the
// dialog manager's keys.
#include "ui/win32/win32_window.h"

#include "platform/wide_text.h"
#include "ui/dialog_placement.h"
#include "ui/win32/activation_context.h"
#include "ui/win32/gdi_surface.h"
#include "ui/win32/win32_artwork.h"
#include "ui/win32/win32_choosers.h"
#include "ui/window_system.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windows.h>
#include <windowsx.h>

#include <map>
#include <memory>
#include <string>

namespace {

// A posted pointer move, as the dialog asks for one after a press.
constexpr UINT kPostedMouseMove = WM_APP + 1;

// Per-monitor DPI awareness for the windows this thread makes, where the
// system offers it (Windows 10 1607 and later; older systems scale for us).
class DpiAwareScope {
public:
    DpiAwareScope() {
        using SetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
        static const auto set = reinterpret_cast<SetContext>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
        set_ = set;
        if (set_) previous_ = set_(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
    ~DpiAwareScope() {
        if (set_ && previous_) set_(previous_);
    }

private:
    DPI_AWARENESS_CONTEXT(WINAPI* set_)(DPI_AWARENESS_CONTEXT) = nullptr;
    DPI_AWARENESS_CONTEXT previous_ = nullptr;
};

// The window's scale: 2 from 144 dots per inch up (the doubled artwork), else 1.
int32_t scaleOf(HWND window) {
    using GetDpi = UINT(WINAPI*)(HWND);
    static const auto forWindow = reinterpret_cast<GetDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    UINT dpi = forWindow ? forWindow(window) : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = UINT(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return dpi >= 144 ? 2 : 1;
}

// Client pixels from device pixels, rounding toward minus infinity.
int16_t clientCoordinate(int value, int32_t scale) {
    return int16_t(value >= 0 ? value / scale : -((-value + scale - 1) / scale));
}

WindowRect workAreaNear(HWND window) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    if (!GetMonitorInfoA(monitor, &info)) return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

class DialogOnWin32 final : public DialogWindow {
public:
    DialogOnWin32(const DialogLayout& layout, DialogEvents& events);
    ~DialogOnWin32() override;
    bool made() const { return window_ != nullptr; }
    HWND handle() const { return window_; }

    void moveControl(int32_t id, const WindowRect& rect) override;
    void setText(int32_t id, std::string_view text) override;
    std::string text(int32_t id) const override;
    void setCheck(int32_t id, bool checked) override { CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED); }
    bool checked(int32_t id) const override { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
    void addListItem(int32_t id, std::string_view item) override;
    void selectListItem(int32_t id, int32_t index) override { SendDlgItemMessageA(window_, id, CB_SETCURSEL, WPARAM(index), 0); }
    int32_t selectedListItem(int32_t id) const override;
    void enable(int32_t id, bool enabled) override;
    void focus(int32_t id) override;
    void setTimer(int32_t id, int32_t milliseconds) override { SetTimer(window_, UINT_PTR(id), UINT(milliseconds), nullptr); }
    void killTimer(int32_t id) override { KillTimer(window_, UINT_PTR(id)); }
    void captureMouse() override { SetCapture(window_); }
    void releaseMouse() override { ReleaseCapture(); }
    void postCommand(int32_t id, int32_t code) override {
        PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, code), 0);
    }
    void postMouseMove(WindowPoint point) override {
        PostMessageA(window_, kPostedMouseMove, 0, MAKELPARAM(point.x, point.y));
    }
    void setPointer(PointerShape shape) override;
    void messageBox(const MessageBoxText& message) override { messageBoxOver(window_, message); }
    bool chooseColour(const char*, Color16& colour) override { return chooseColourOver(window_, colour); }
    bool chooseFile(const FileChooserRequest& request, std::string& path) override {
        return chooseFileOver(window_, request, path);
    }
    void invalidate(const WindowRect& rect) override;
    void redrawItem(int32_t id) override { InvalidateRect(GetDlgItem(window_, id), nullptr, FALSE); }
    int32_t runModal() override;
    void endDialog(int32_t code) override;
    void bringToTop() override;

private:
    static INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void applyLayout();
    void paint();
    // The background under a standard control that draws itself transparent.
    void eraseUnder(HWND control, HDC dc);
    WindowPoint pointOf(LPARAM lParam) const {
        return {clientCoordinate(GET_X_LPARAM(lParam), scale_), clientCoordinate(GET_Y_LPARAM(lParam), scale_)};
    }
    const ControlLayout* controlOf(HWND control) const;
    void place();

    DialogLayout layout_;
    DialogEvents& events_;
    HWND owner_ = nullptr;
    HWND window_ = nullptr;
    int32_t scale_ = 1;
    std::unique_ptr<ArtworkSet> artwork_;
    // The standard controls' text: the self-drawn labels' face and size.
    HFONT controlFont_ = nullptr;
    std::map<int32_t, ControlLayout> controls_;
    HCURSOR pointer_ = nullptr;
    HWND focusBeforeClick_ = nullptr;
    bool ended_ = false;
    int32_t endCode_ = 0;
};

DialogOnWin32::DialogOnWin32(const DialogLayout& layout, DialogEvents& events) : layout_(layout), events_(events) {
    for (const ControlLayout& control : layout.controls) controls_[control.id] = control;
    if (const auto* over = dynamic_cast<const DialogOnWin32*>(layout.owner)) {
        owner_ = over->window_;
    } else {
        // The main dialog opens over the host's active window.
        owner_ = GetActiveWindow();
    }
    pointer_ = LoadCursor(nullptr, IDC_ARROW);
    ActivationScope activation;
    DpiAwareScope awareness;
    CreateDialogParamA(pluginModule(), layout.templateName, owner_, dialogProcedure, reinterpret_cast<LPARAM>(this));
}

DialogOnWin32::~DialogOnWin32() {
    if (!window_) return;
    // Nothing is delivered to the logic once the window starts to go.
    SetWindowLongPtrA(window_, DWLP_USER, 0);
    DestroyWindow(window_);
    if (controlFont_) DeleteObject(controlFont_);
}

void DialogOnWin32::applyLayout() {
    scale_ = scaleOf(window_);
    artwork_ = std::make_unique<ArtworkSet>(scale_);
    HFONT previousFont = controlFont_;
    controlFont_ = dialogFont(scale_);
    const DWORD style = DWORD(GetWindowLongPtrA(window_, GWL_STYLE));
    const DWORD extended = DWORD(GetWindowLongPtrA(window_, GWL_EXSTYLE));
    RECT frame = {0, 0, layout_.clientWidth * scale_, layout_.clientHeight * scale_};
    AdjustWindowRectEx(&frame, style, FALSE, extended);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (auto& [id, control] : controls_) {
        moveControl(id, control.rect);
        HWND child = GetDlgItem(window_, id);
        SendMessageA(child, WM_SETFONT, WPARAM(controlFont_), TRUE);
        if (control.kind == ControlKind::iconButton) {
            SetWindowTextA(child, "");
            SendMessageA(child, BM_SETIMAGE, IMAGE_ICON,
                         reinterpret_cast<LPARAM>(artwork_->icon(control.iconId, !IsWindowEnabled(child))));
        }
    }
    if (previousFont) DeleteObject(previousFont);
}

void DialogOnWin32::moveControl(int32_t id, const WindowRect& rect) {
    auto found = controls_.find(id);
    if (found == controls_.end()) return;
    found->second.rect = rect;
    // A list's window reaches the dialog's bottom, so that its drop-down can.
    const int32_t bottom = found->second.kind == ControlKind::listBox ? layout_.clientHeight : rect.bottom;
    MoveWindow(GetDlgItem(window_, id), rect.left * scale_, rect.top * scale_, rect.width() * scale_,
               (bottom - rect.top) * scale_, TRUE);
}

void DialogOnWin32::setText(int32_t id, std::string_view text) {
    SetDlgItemTextA(window_, id, std::string(text).c_str());
}

std::string DialogOnWin32::text(int32_t id) const {
    HWND control = GetDlgItem(window_, id);
    std::string value(size_t(GetWindowTextLengthA(control)) + 1, '\0');
    value.resize(size_t(GetWindowTextA(control, value.data(), int(value.size()))));
    return value;
}

void DialogOnWin32::addListItem(int32_t id, std::string_view item) {
    SendDlgItemMessageA(window_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(item).c_str()));
}

int32_t DialogOnWin32::selectedListItem(int32_t id) const {
    const LRESULT index = SendDlgItemMessageA(window_, id, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : int32_t(index);
}

void DialogOnWin32::enable(int32_t id, bool enabled) {
    HWND control = GetDlgItem(window_, id);
    EnableWindow(control, enabled);
    auto found = controls_.find(id);
    if (found != controls_.end() && found->second.kind == ControlKind::iconButton)
        SendMessageA(control, BM_SETIMAGE, IMAGE_ICON,
                     reinterpret_cast<LPARAM>(artwork_->icon(found->second.iconId, !enabled)));
}

void DialogOnWin32::focus(int32_t id) {
    if (HWND control = GetDlgItem(window_, id)) SendMessageA(window_, WM_NEXTDLGCTL, WPARAM(control), TRUE);
}

void DialogOnWin32::setPointer(PointerShape shape) {
    switch (shape) {
        case PointerShape::arrow: pointer_ = LoadCursor(nullptr, IDC_ARROW); break;
        case PointerShape::wait: pointer_ = LoadCursor(nullptr, IDC_WAIT); break;
        case PointerShape::pan: pointer_ = artwork_->cursor(107); break;
        case PointerShape::preview: pointer_ = artwork_->cursor(109); break;
    }
    if (!pointer_) pointer_ = LoadCursor(nullptr, IDC_ARROW);
    SetCursor(pointer_);
}

void DialogOnWin32::invalidate(const WindowRect& rect) {
    const RECT area = {rect.left * scale_, rect.top * scale_, rect.right * scale_, rect.bottom * scale_};
    InvalidateRect(window_, &area, FALSE);
}

void DialogOnWin32::bringToTop() {
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window_);
    UpdateWindow(window_);
}

const ControlLayout* DialogOnWin32::controlOf(HWND control) const {
    if (!control || GetParent(control) != window_) return nullptr;
    auto found = controls_.find(GetDlgCtrlID(control));
    return found == controls_.end() ? nullptr : &found->second;
}

// Over the owner's client area (the desktop's work area for a window
// without one), as the placement rule says.
void DialogOnWin32::place() {
    const WindowRect screen = workAreaNear(owner_ ? owner_ : window_);
    WindowRect parent = screen;
    if (owner_ && IsWindowVisible(owner_)) {
        RECT client;
        GetClientRect(owner_, &client);
        POINT origin = {0, 0};
        ClientToScreen(owner_, &origin);
        parent = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    }
    RECT frame;
    GetWindowRect(window_, &frame);
    const DWORD style = DWORD(GetWindowLongPtrA(window_, GWL_STYLE));
    const int32_t titleButton = layout_.mainWindow ? 0 : GetSystemMetrics(SM_CXSIZE);
    const WindowRect at = placeDialog({parent, screen, frame.right - frame.left, frame.bottom - frame.top, titleButton,
                                       (style & WS_SYSMENU) != 0});
    SetWindowPos(window_, nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int32_t DialogOnWin32::runModal() {
    ActivationScope activation;
    place();
    // Modal as DialogBox makes it: the owner takes no input meanwhile.
    const bool disableOwner = owner_ && IsWindowEnabled(owner_);
    if (disableOwner) EnableWindow(owner_, FALSE);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    // The default button starts with the focus, so that Return means OK (and
    // not the first button of the tab order, such as the About box's link).
    if (HWND button = GetDlgItem(window_, layout_.defaultButton))
        SendMessageA(window_, WM_NEXTDLGCTL, WPARAM(button), TRUE);
    UpdateWindow(window_);
    MSG message;
    while (!ended_) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The host is quitting: leave the message for its own loop.
            if (got == 0) PostQuitMessage(int(message.wParam));
            break;
        }
        // A click on an icon button leaves the focus where it was, so that
        // Return still means OK after Dice, Reset or Undo.
        if (message.message == WM_LBUTTONDOWN) {
            const ControlLayout* control = controlOf(message.hwnd);
            focusBeforeClick_ = control && control->kind == ControlKind::iconButton ? GetFocus() : nullptr;
        }
        if (!IsDialogMessageA(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (disableOwner) EnableWindow(owner_, TRUE);
    ShowWindow(window_, SW_HIDE);
    if (owner_) SetActiveWindow(owner_);
    return endCode_;
}

void DialogOnWin32::endDialog(int32_t code) {
    endCode_ = code;
    ended_ = true;
    PostMessageA(window_, WM_NULL, 0, 0);
}

void DialogOnWin32::paint() {
    PAINTSTRUCT ps;
    HDC screen = BeginPaint(window_, &ps);
    const RECT& area = ps.rcPaint;
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width > 0 && height > 0) {
        // Drawn whole into a memory bitmap, then copied: no flicker while
        // the background, the preview and the controls are drawn in turn.
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP buffer = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ old = SelectObject(memory, buffer);
        SetViewportOrgEx(memory, -area.left, -area.top, nullptr);
        {
            GdiSurface surface(memory, *artwork_);
            const WindowRect dirty = {clientCoordinate(area.left, scale_), clientCoordinate(area.top, scale_),
                                      (area.right + scale_ - 1) / scale_, (area.bottom + scale_ - 1) / scale_};
            surface.pushClip(dirty);
            events_.eraseBackground(surface);
            events_.paint(surface, dirty);
            surface.popClip();
        }
        SetViewportOrgEx(memory, 0, 0, nullptr);
        BitBlt(screen, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(buffer);
        DeleteDC(memory);
    }
    EndPaint(window_, &ps);
}

void DialogOnWin32::eraseUnder(HWND control, HDC dc) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
    GdiSurface surface(dc, *artwork_, {clientCoordinate(rect.left, scale_), clientCoordinate(rect.top, scale_)});
    events_.eraseBackground(surface);
}

INT_PTR CALLBACK DialogOnWin32::dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<DialogOnWin32*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->window_ = window;
        SetWindowTextA(window, self->layout_.title);
        SendMessageA(window, DM_SETDEFID, WPARAM(self->layout_.defaultButton), 0);
        self->applyLayout();
        return FALSE;  // no control takes the focus before the window is shown
    }
    auto* self = reinterpret_cast<DialogOnWin32*>(GetWindowLongPtrA(window, DWLP_USER));
    return self ? self->handle(message, wParam, lParam) : FALSE;
}

INT_PTR DialogOnWin32::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    // An ended dialog hears nothing more of timers, posts or the pointer.
    if (ended_ && message != WM_PAINT && message != WM_ERASEBKGND && message != WM_CTLCOLORSTATIC &&
        message != WM_CTLCOLORBTN && message != WM_DRAWITEM && message != WM_PRINTCLIENT)
        return FALSE;
    switch (message) {
        case WM_COMMAND: {
            const int32_t id = LOWORD(wParam), code = HIWORD(wParam);
            events_.command(id, code);
            if (code == BN_CLICKED && focusBeforeClick_ && !ended_) {
                SendMessageA(window_, WM_NEXTDLGCTL, WPARAM(focusBeforeClick_), TRUE);
                focusBeforeClick_ = nullptr;
            }
            return TRUE;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            events_.mouseDown(pointOf(lParam), MouseButton::left, (wParam & MK_CONTROL) != 0);
            return TRUE;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            events_.mouseDown(pointOf(lParam), MouseButton::right, (wParam & MK_CONTROL) != 0);
            return TRUE;
        case WM_LBUTTONUP:
            events_.mouseUp(pointOf(lParam), MouseButton::left);
            return TRUE;
        case WM_RBUTTONUP:
            events_.mouseUp(pointOf(lParam), MouseButton::right);
            return TRUE;
        case WM_MOUSEMOVE:
            events_.mouseMove(pointOf(lParam));
            return TRUE;
        case kPostedMouseMove:
            events_.mouseMove({int16_t(GET_X_LPARAM(lParam)), int16_t(GET_Y_LPARAM(lParam))});
            return TRUE;
        case WM_SETCURSOR:
            // The dialog's own pointer over its client area.
            if (reinterpret_cast<HWND>(wParam) == window_ && LOWORD(lParam) == HTCLIENT) {
                SetCursor(pointer_);
                SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_TIMER:
            events_.timer(int32_t(wParam));
            return TRUE;
        case WM_ERASEBKGND:
            // Painted whole in WM_PAINT.
            SetWindowLongPtrA(window_, DWLP_MSGRESULT, 1);
            return TRUE;
        case WM_PAINT:
            paint();
            return TRUE;
        case WM_PRINTCLIENT: {
            // A themed control asks for what lies behind it.
            GdiSurface surface(reinterpret_cast<HDC>(wParam), *artwork_);
            events_.eraseBackground(surface);
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            // Check boxes and radio buttons stand over the background picture.
            const ControlLayout* control = controlOf(reinterpret_cast<HWND>(lParam));
            if (!control || (control->kind != ControlKind::checkBox && control->kind != ControlKind::radioButton))
                return FALSE;
            HDC dc = reinterpret_cast<HDC>(wParam);
            eraseUnder(reinterpret_cast<HWND>(lParam), dc);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            auto found = controls_.find(int32_t(item->CtlID));
            if (found == controls_.end()) return FALSE;
            GdiSurface surface(item->hDC, *artwork_,
                               {int16_t(found->second.rect.left), int16_t(found->second.rect.top)});
            const ItemState state = {(item->itemState & ODS_SELECTED) != 0, (item->itemState & ODS_FOCUS) != 0,
                                     (item->itemState & ODS_DISABLED) != 0};
            events_.drawItem(found->first, surface, state);
            return TRUE;
        }
        case WM_DPICHANGED: {
            // Moved to a monitor of another resolution: the suggested frame,
            // then the layout at the new scale.
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            applyLayout();
            InvalidateRect(window_, nullptr, FALSE);
            return TRUE;
        }
        case WM_CLOSE:
            events_.close();
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

std::unique_ptr<DialogWindow> Win32WindowSystem::createDialog(const DialogLayout& layout, DialogEvents& events) {
    if (!layout.templateName) return nullptr;
    auto dialog = std::make_unique<DialogOnWin32>(layout, events);
    if (!dialog->made()) return nullptr;
    return dialog;
}

void Win32WindowSystem::messageBox(const MessageBoxText& message) { messageBoxOver(GetActiveWindow(), message); }

bool Win32WindowSystem::openWebPage(const char* url) {
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wideText(url).c_str(), nullptr, nullptr,
                                                   SW_SHOWNORMAL)) > 32;
}

WindowSystem* platformWindowSystem() {
    static Win32WindowSystem system;
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_STANDARD_CLASSES};
    ActivationScope activation;
    InitCommonControlsEx(&classes);
    return &system;
}
