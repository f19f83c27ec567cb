// The common dialogs and message boxes of the Win32 backend.
#include "ui/win32/win32_choosers.h"

#include "platform/wide_text.h"
#include "ui/dialog_layouts.h"
#include "ui/win32/activation_context.h"
#include "ui/win32/chooser_template.h"
#include "ui/win32/win32_artwork.h"

#include <commdlg.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Centres `window` over `owner` (the screen when there is none), never
// above or left of the screen's origin.
void centreOver(HWND window, HWND owner) {
    RECT frame, over;
    GetWindowRect(window, &frame);
    if (!owner || !GetWindowRect(owner, &over)) over = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
    const LONG left = std::max<LONG>(0, over.left + (over.right - over.left - width) / 2);
    const LONG top = std::max<LONG>(0, over.top + (over.bottom - over.top - height) / 2);
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// What the hook of one chooser knows.
struct ChooserState {
    const FileChooserRequest* request;
    HWND owner;
    std::vector<uint8_t> pane;  // the pane's picture, RGB rows of its width
    int width = 0, height = 0;
};

void drawPane(const ChooserState& state, const DRAWITEMSTRUCT& item) {
    const RECT& r = item.rcItem;
    if (state.pane.size() != size_t(state.width) * size_t(state.height) * 3 || state.width <= 0) {
        FillRect(item.hDC, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return;
    }
    const int stride = (state.width * 3 + 3) & ~3;
    std::vector<uint8_t> bits(size_t(stride) * size_t(state.height));
    for (int y = 0; y < state.height; ++y)
        for (int x = 0; x < state.width; ++x) {
            const uint8_t* in = state.pane.data() + (size_t(y) * state.width + x) * 3;
            uint8_t* out = bits.data() + size_t(y) * stride + size_t(x) * 3;
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), state.width, -state.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBitsToDevice(item.hDC, r.left, r.top, DWORD(state.width), DWORD(state.height), 0, 0, 0, UINT(state.height),
                      bits.data(), &info, DIB_RGB_COLORS);
}

UINT_PTR CALLBACK chooserHook(HWND child, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* record = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        SetWindowLongPtrA(child, GWLP_USERDATA, LONG_PTR(record->lCustData));
        return 0;
    }
    auto* state = reinterpret_cast<ChooserState*>(GetWindowLongPtrA(child, GWLP_USERDATA));
    if (!state) return 0;
    if (message == WM_NOTIFY) {
        const auto* note = reinterpret_cast<const OFNOTIFYW*>(lParam);
        if (note->hdr.code == CDN_INITDONE) {
            centreOver(GetParent(child), state->owner);
        } else if (note->hdr.code == CDN_SELCHANGE && state->request->pane) {
            wchar_t path[MAX_PATH] = {};
            const LRESULT length = SendMessageW(GetParent(child), CDM_GETFILEPATH, MAX_PATH, LPARAM(path));
            // Longer paths than the chooser's buffer are ignored.
            if (length > 0 && length <= LRESULT(MAX_PATH)) {
                HWND pane = GetDlgItem(child, kPresetPaneControl);
                RECT area;
                GetClientRect(pane, &area);
                state->width = area.right;
                state->height = area.bottom;
                state->request->pane(utf8Text(path), state->width, state->height, state->pane);
                InvalidateRect(pane, nullptr, FALSE);
            }
        }
        return 0;
    }
    if (message == WM_DRAWITEM && reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->CtlID == kPresetPaneControl) {
        drawPane(*state, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return 0;
}

// The refusal box: its template's captions filled in from the message.
INT_PTR CALLBACK refusalProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* text = reinterpret_cast<const MessageBoxText*>(lParam);
        SetWindowTextW(box, wideText(text->title).c_str());
        SetDlgItemTextW(box, kRefusalTextId, wideText(text->text).c_str());
        SetDlgItemTextW(box, IDCANCEL, wideText(text->button).c_str());
        centreOver(box, GetWindow(box, GW_OWNER));
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        EndDialog(box, LOWORD(wParam));
        return TRUE;
    }
    if (message == WM_CLOSE) {
        EndDialog(box, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

bool chooseFileOver(HWND owner, const FileChooserRequest& request, std::string& path) {
    ActivationScope activation;
    // "Name\0pattern\0\0", and the default extension after "*." unless it is "*".
    const std::wstring filter =
        wideText(std::string(request.filterName) + '\0' + request.pattern + '\0' + '\0');
    std::string extension = request.pattern;
    extension = extension.rfind("*.", 0) == 0 && extension != "*.*" ? extension.substr(2) : "";
    const std::wstring wideExtension = wideText(extension), folder = wideText(request.folder),
                       title = wideText(request.title ? request.title : "");
    // Room for any path Windows takes: one longer than the filter's records
    // hold comes back whole, and is refused by name, not cut.
    std::vector<wchar_t> file(32768, L'\0');
    if (request.save) {
        const std::wstring proposed = wideText(request.proposedName);
        std::copy_n(proposed.begin(), std::min(proposed.size(), file.size() - 1), file.begin());
    }
    ChooserState state{&request, owner, {}, 0, 0};

    OPENFILENAMEW record = {};
    record.lStructSize = sizeof record;
    record.hwndOwner = owner;
    record.lpstrFilter = filter.c_str();
    record.nFilterIndex = 1;
    record.lpstrFile = file.data();
    record.nMaxFile = DWORD(file.size());
    record.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    record.lpstrTitle = request.title ? title.c_str() : nullptr;
    record.lpstrDefExt = wideExtension.empty() ? nullptr : wideExtension.c_str();
    record.lpfnHook = chooserHook;
    record.lCustData = LPARAM(&state);
    record.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY |
                   (request.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    // The preset chooser's pane comes from the appended template; without
    // it the chooser shows no pane.
    if (request.pane) {
        if (HRSRC found = FindResourceA(pluginModule(), kPresetPaneTemplate, MAKEINTRESOURCEA(5))) {
            if (HGLOBAL loaded = LoadResource(pluginModule(), found)) {
                record.hInstance = static_cast<HINSTANCE>(LockResource(loaded));
                record.Flags |= OFN_ENABLETEMPLATEHANDLE;
            }
        }
    }
    const BOOL chosen = request.save ? GetSaveFileNameW(&record) : GetOpenFileNameW(&record);
    if (!chosen || !file[0]) return false;
    path = utf8Text(file.data());
    return true;
}

bool chooseColourOver(HWND owner, Color16& colour) {
    // The user's custom colours, kept while the host keeps the plug-in.
    static COLORREF custom[16] = {RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                  RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                  RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                  RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)};
    ActivationScope activation;
    CHOOSECOLORA record = {};
    record.lStructSize = sizeof record;
    record.hwndOwner = owner;
    record.rgbResult = RGB(colour.red >> 8, colour.green >> 8, colour.blue >> 8);
    record.lpCustColors = custom;
    record.Flags = CC_RGBINIT;
    if (!ChooseColorA(&record)) return false;
    // Each 8-bit component times 256: white becomes 65280.
    colour = Color16{uint16_t(GetRValue(record.rgbResult) << 8), uint16_t(GetGValue(record.rgbResult) << 8),
                     uint16_t(GetBValue(record.rgbResult) << 8)};
    return true;
}

void messageBoxOver(HWND owner, const MessageBoxText& message) {
    ActivationScope activation;
    if (message.templateName &&
        DialogBoxParamA(pluginModule(), message.templateName, owner, refusalProcedure, LPARAM(&message)) != -1)
        return;
    MessageBoxW(owner, wideText(message.text).c_str(), wideText(message.title).c_str(), MB_OK | MB_ICONERROR);
}
