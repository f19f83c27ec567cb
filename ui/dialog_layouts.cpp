// The windows' layouts: the main dialog's standard controls come from its
// control table; the small windows' few controls are listed here.
#include "ui/dialog_layouts.h"

#include "ui/main_dialog_controls.h"

#include <array>
#include <utility>

namespace {

using K = DialogControlKind;

constexpr ControlLayout kAboutControls[] = {
    {kAboutWebButton, ControlKind::pushButton, {17, 150, 221, 173}, "Visit Copper Heron's website...", 0},
    {1, ControlKind::pushButton, {247, 150, 322, 173}, "OK", 0},
};

constexpr ControlLayout kExportSizeControls[] = {
    {kSizeSame, ControlKind::radioButton, {14, 12, 232, 30}, "Same size as input", 0},
    {kSizeProportional, ControlKind::radioButton, {14, 34, 232, 52}, "Same proportions as input", 0},
    {kSizeCustom, ControlKind::radioButton, {14, 56, 232, 74}, "Custom size in pixels:", 0},
    {kSizeWidthBox, ControlKind::valueBox, {32, 82, 112, 102}, nullptr, 0},
    {kSizeHeightBox, ControlKind::valueBox, {142, 82, 222, 102}, nullptr, 0},
    {1, ControlKind::pushButton, {52, 116, 132, 140}, "&OK", 0},
    {2, ControlKind::pushButton, {142, 116, 222, 140}, "&Cancel", 0},
};

constexpr ControlLayout kRefusalControls[] = {
    {2, ControlKind::pushButton, {300, 78, 375, 101}, "Cancel", 0},
};

// The main dialog's standard controls, in the control table's order; the
// others are drawn by the dialog itself.
const std::pair<std::array<ControlLayout, kDialogControls.size()>, size_t>& mainControls() {
    static const auto controls = [] {
        std::array<ControlLayout, kDialogControls.size()> layouts{};
        size_t count = 0;
        for (const DialogControl& c : kDialogControls) {
            ControlKind kind;
            switch (c.kind) {
                case K::pushButton: kind = ControlKind::pushButton; break;
                case K::iconButton: kind = ControlKind::iconButton; break;
                case K::checkBox: kind = ControlKind::checkBox; break;
                case K::listBox: kind = ControlKind::listBox; break;
                case K::valueBox: kind = ControlKind::valueBox; break;
                case K::colourSwatch: kind = ControlKind::ownerDrawnButton; break;
                default: continue;
            }
            layouts[count++] = ControlLayout{c.id, kind, c.rect, c.text, c.artwork};
        }
        return std::make_pair(layouts, count);
    }();
    return controls;
}

}  // namespace

DialogLayout dialogLayout(DialogKind kind) {
    switch (kind) {
        case DialogKind::main: {
            const auto& controls = mainControls();
            return {"Twilightomator", kDialogWidth, kDialogHeight,
                    std::span<const ControlLayout>(controls.first.data(), controls.second), nullptr, true,
                    "DISSOLVESANSPARAM", kIdOk};
        }
        case DialogKind::about: return {"About", 339, 188, kAboutControls, nullptr, false, "ABOUTBOX", 1};
        case DialogKind::info: return {"Info", 726, 469, {}, nullptr, false, "RAVEZ_INFO_BOX", 1};
        case DialogKind::progress:
            return {"PSD file progress", kProgressWidth, kProgressHeight, {}, nullptr, false, "DIDAZ_PROGRESS", 1};
        case DialogKind::exportSize:
            return {"Export PSD image", 244, 150, kExportSizeControls, nullptr, false, "CHOOSEPSDWITHSIZE", 1};
        case DialogKind::refusal: return {"Plug-in error", 390, 111, kRefusalControls, nullptr, false, "REFUSAL2", 2};
    }
    return {};
}
