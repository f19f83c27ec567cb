// Writes the plug-in's resource data for the Windows resource script: the
// property list and the terminology (the same bytes the Linux module hands
// out through its resource accessor), the refusal box's icon, and the dialog
// templates, made from the same layouts the other window backends use.
// Built for and run on the build machine while cross-building.
#include "resources/plugin_properties.h"
#include "resources/terminology.h"
#include "ui/dialog_layouts.h"
#include "ui/win32/chooser_template.h"

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// A 32 x 32 icon of 32-bit pixels: a dusk-blue disc with a pale crescent, the
// mark of the refusal box.
std::vector<uint8_t> refusalIcon() {
    constexpr int kSize = 32;
    constexpr uint32_t kPixelBytes = kSize * kSize * 4;
    constexpr uint32_t kMaskBytes = kSize * 4;  // one bit a pixel, rows of 4 bytes
    constexpr uint32_t kImageBytes = 40 + kPixelBytes + kMaskBytes;
    std::vector<uint8_t> out;
    put16(out, 0);  // icon directory: reserved, type 1 (icon), one image
    put16(out, 1);
    put16(out, 1);
    out.push_back(kSize);
    out.push_back(kSize);
    out.push_back(0);  // no palette
    out.push_back(0);
    put16(out, 1);   // planes
    put16(out, 32);  // bits a pixel
    put32(out, kImageBytes);
    put32(out, 6 + 16);  // the image follows the directory
    put32(out, 40);      // BITMAPINFOHEADER; the height counts the mask too
    put32(out, kSize);
    put32(out, kSize * 2);
    put16(out, 1);
    put16(out, 32);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    for (int y = kSize - 1; y >= 0; --y) {  // bottom row first
        for (int x = 0; x < kSize; ++x) {
            const int dx = 2 * x + 1 - kSize, dy = 2 * y + 1 - kSize;
            const bool inDisc = dx * dx + dy * dy <= 30 * 30;
            const int cx = dx - 12, cy = dy + 10;
            const bool inCrescent = inDisc && dx * dx + dy * dy <= 20 * 20 && cx * cx + cy * cy > 18 * 18;
            const uint8_t blue = inCrescent ? 0xC8 : 0x70, green = inCrescent ? 0xE0 : 0x38,
                          red = inCrescent ? 0xF0 : 0x30;
            out.push_back(blue);
            out.push_back(green);
            out.push_back(red);
            out.push_back(inDisc ? 0xFF : 0x00);
        }
    }
    out.insert(out.end(), kMaskBytes, 0);  // the alpha channel decides
    return out;
}
// Client pixels to dialog units of "MS Shell Dlg" at 8 points, whose base
// units are 6 x 13 pixels at 96 dots per inch. The windows move their
// controls to the layouts' exact pixels when they open; the templates give
// the controls, their styles and the tab order.
int unitsX(int32_t pixels) { return int((pixels * 4 + 3) / 6); }
int unitsY(int32_t pixels) { return int((pixels * 8 + 6) / 13); }

std::string quotedText(const char* text) {
    std::string out = "\"";
    for (const char* p = text ? text : ""; *p; ++p) out += *p == '"' ? std::string("\"\"") : std::string(1, *p);
    return out + "\"";
}

std::string placement(const WindowRect& r) {
    std::ostringstream out;
    out << unitsX(r.left) << ", " << unitsY(r.top) << ", " << unitsX(r.width()) << ", " << unitsY(r.height());
    return out.str();
}

// One control of a layout as a template row.
std::string controlRow(const DialogLayout& layout, const ControlLayout& c) {
    std::ostringstream out;
    const std::string text = quotedText(c.text);
    switch (c.kind) {
        case ControlKind::pushButton:
            out << (c.id == layout.defaultButton ? "DEFPUSHBUTTON " : "PUSHBUTTON ") << text << ", " << c.id << ", "
                << placement(c.rect);
            break;
        case ControlKind::iconButton:
            out << "CONTROL \"\", " << c.id << ", \"Button\", BS_PUSHBUTTON | BS_ICON | WS_TABSTOP, " << placement(c.rect);
            break;
        case ControlKind::checkBox:
            out << "CONTROL \"\", " << c.id << ", \"Button\", BS_AUTOCHECKBOX | WS_TABSTOP, " << placement(c.rect);
            break;
        case ControlKind::radioButton:
            // The dialog keeps one of its radio buttons checked itself.
            out << "CONTROL " << text << ", " << c.id << ", \"Button\", BS_RADIOBUTTON | WS_TABSTOP, "
                << placement(c.rect);
            break;
        case ControlKind::listBox: {
            // The list's window reaches the dialog's bottom, for its drop-down.
            const WindowRect reach = {c.rect.left, c.rect.top, c.rect.right, layout.clientHeight};
            out << "COMBOBOX " << c.id << ", " << placement(reach) << ", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP";
            break;
        }
        case ControlKind::valueBox:
            out << "EDITTEXT " << c.id << ", " << placement(c.rect) << ", ES_AUTOHSCROLL";
            break;
        case ControlKind::ownerDrawnButton:
            out << "CONTROL \"\", " << c.id << ", \"Button\", BS_OWNERDRAW | WS_TABSTOP, " << placement(c.rect);
            break;
    }
    return out.str();
}

std::string dialogTemplates() {
    std::ostringstream out;
    out << "// Generated by write_resource_files from the dialogs' layouts.\n#include <windows.h>\n\n";
    for (const DialogKind kind : kEveryDialogKind) {
        const DialogLayout layout = dialogLayout(kind);
        out << layout.templateName << " DIALOGEX 0, 0, " << unitsX(layout.clientWidth) << ", "
            << unitsY(layout.clientHeight) << "\n";
        // The self-drawn windows paint round their controls, never under them.
        out << "STYLE DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS | WS_POPUP | WS_CAPTION | WS_SYSMENU"
            << (kind == DialogKind::refusal ? "" : " | WS_CLIPCHILDREN") << "\n";
        out << "CAPTION " << quotedText(layout.title) << "\nFONT 8, \"MS Shell Dlg\"\nBEGIN\n";
        if (kind == DialogKind::refusal) {
            out << "    ICON " << kRefusalIconId << ", -1, " << unitsX(kRefusalIconRect.left) << ", "
                << unitsY(kRefusalIconRect.top) << ", 0, 0\n";
            out << "    LTEXT \"\", " << kRefusalTextId << ", " << placement(kRefusalTextRect) << "\n";
        }
        for (const ControlLayout& control : layout.controls) out << "    " << controlRow(layout, control) << "\n";
        out << "END\n\n";
    }
    // The preset chooser's appended template: the chooser's own controls
    // where stc32 stands, the picture pane to their right.
    out << kPresetPaneTemplate << " DIALOGEX 0, 0, " << kPresetPaneLeft + kPresetPaneWidth + 6 << ", "
        << kPresetPaneTop + kPresetPaneHeight + 10 << "\n";
    out << "STYLE DS_CONTROL | DS_3DLOOK | DS_SETFONT | WS_CHILD | WS_CLIPSIBLINGS\nFONT 8, \"MS Shell Dlg\"\nBEGIN\n";
    out << "    LTEXT \"\", 1119, 0, 0, " << kPresetPaneLeft - 4 << ", " << kPresetPaneTop + kPresetPaneHeight << "\n";
    out << "    CONTROL \"\", " << kPresetPaneControl << ", \"Static\", SS_OWNERDRAW, " << kPresetPaneLeft << ", "
        << kPresetPaneTop << ", " << kPresetPaneWidth << ", " << kPresetPaneHeight << "\nEND\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    if (!writeFile(folder + "property_list.bin", propertyListResourceBytes()) ||
        !writeFile(folder + "terminology.bin", terminologyResourceBytes()) ||
        !writeFile(folder + "refusal.ico", refusalIcon())) {
        std::fprintf(stderr, "cannot write the resource files in %s\n", argv[1]);
        return 1;
    }
    const std::string templates = dialogTemplates();
    if (!writeFile(folder + "dialogs.rc", std::vector<uint8_t>(templates.begin(), templates.end()))) {
        std::fprintf(stderr, "cannot write the resource files in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
