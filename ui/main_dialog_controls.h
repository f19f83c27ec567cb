// The main dialog's controls, declared once: kind, rectangle (client pixels,
// with the push-button, icon-button and list-box adjustments already made),
// companions, range, artwork and the label strings. The dialog logic, the
// drawing and every backend read these tables.
#pragma once

#include "model/settings_table.h"
#include "ui/window_layer.h"

#include <array>
#include <cstdint>
#include <string_view>

inline constexpr int32_t kDialogWidth = 799;
inline constexpr int32_t kDialogHeight = 579;
inline constexpr int32_t kControlIdCount = 200;

enum class DialogControlKind : uint8_t {
    none,
    slider,
    valueBox,
    label,
    checkBox,
    pushButton,
    iconButton,
    colourSwatch,
    listBox,
    logo,
    memoryDot,
    dotThumbnail,
    preview,
};

// Control ids the logic names.
enum DialogControlId : int16_t {
    kIdOk = 3,
    kIdCancel = 2,
    kIdNextGlue = 4,
    kIdVignetteSwatch = 7,
    kIdSepiaSwatch = 9,
    kIdPsd = 15,
    kIdPreview = 18,
    kIdUniformSepia = 21,
    kIdLogo = 25,
    kIdSave = 26,
    kIdReset = 29,
    kIdZoomIn = 32,
    kIdZoomOut = 33,
    kIdZoomPercent = 34,
    kIdLoad = 35,
    kIdFocus = 37,
    kIdHighQuality = 48,
    kIdGlueLabel = 70,
    kIdDice = 72,
    kIdGlue = 73,
    kIdUndo = 74,
    kIdPresetName = 76,
    kIdCenterVignette = 105,
    kIdDotThumbnail = 119,
    kIdFirstMemoryDot = 121,
    kIdLastMemoryDot = 145,
    kIdInfo = 146,
    kIdHtmlPresets = 150,
    kIdShape = 67,
};

// Artwork resources.
enum ArtworkId : int16_t {
    kArtZoomIn = 5,
    kArtTrackBlur = 101,
    kArtTrackTone = 102,
    kArtPanPointer = 107,
    kArtPreviewPointer = 109,
    kArtThumb = 120,
    kArtZoomOut = 169,
    kArtLogo = 183,
    kArtReset = 225,
    kArtNextGlue = 231,
    kArtPsd = 232,
    kArtInfo = 235,
    kArtHtml = 236,
    kArtDice = 237,
    kArtBackground = 239,
    kArtLoad = 240,
    kArtSave = 241,
    kArtUndo = 242,
    kArtDotCurrent = 202,
    kArtDotEmpty = 203,
    kArtDotCurrentKept = 208,
    kArtDotEmptyPressed = 210,
    kArtDotCurrentPressed = 211,
    kArtDotCurrentKeptPressed = 212,
    kArtDotFilled = 213,
    kArtDotFilledPressed = 214,
    kArtDotKept = 215,
    kArtDotKeptPressed = 216,
    kArtThumbnailFrame = 217,
};

// The label string list; an index without an entry gives "-undef string-".
constexpr std::string_view labelString(int32_t index) {
    switch (index) {
        case 3: return "Center vignette";
        case 4: return "Uniform sepia";
        case 5: return "High quality";
        case 6: return "Saturation";
        case 11: return "Focus";
        case 12: return "Vignette";
        case 13: return "Glue";
        case 17: return "Dampen";
        case 18: return "CB width";
        case 23: return "Clear area";
        case 24: return "Shape";
        case 27: return "Sepia";
        case 28: return "Color blur";
        case 35: return "Choose the vignette color.";
        case 37: return "Choose the sepia color.";
        default: return "-undef string-";
    }
}
inline constexpr int32_t kLabelStringCount = 64;

// The index of a text in the label string list, 0 when it has none.
constexpr int16_t labelStringIndex(std::string_view text) {
    for (int16_t index = 1; index < kLabelStringCount; ++index)
        if (labelString(index) == text) return index;
    return 0;
}

struct DialogControl {
    int16_t id;
    DialogControlKind kind;
    WindowRect rect;
    int16_t companion;    // a slider's value box; a value box's slider
    int16_t label;        // the label control beside it, 0 when none
    int32_t minimum, maximum;  // sliders
    int16_t artwork;      // track bitmap (sliders), icon (icon buttons), picture (logo)
    int16_t stringIndex;  // labels: index into the label string list; 0 = no fixed string
    TextAlignment alignment;  // labels
    const char* text;     // push buttons
};

namespace dialog_table {
using K = DialogControlKind;
constexpr TextAlignment R = TextAlignment::right, L = TextAlignment::left, C = TextAlignment::centre;
// A setting's slider: its range is the settings table's for this control.
constexpr DialogControl slider(int16_t id, WindowRect r, int16_t box, int16_t label, int16_t track) {
    const ScriptedSetting* setting = scriptedSettingOfControl(id);
    return {id, K::slider, r, box, label, int32_t(setting->minimum), int32_t(setting->maximum), track, 0, L, nullptr};
}
constexpr DialogControl valueBox(int16_t id, WindowRect r, int16_t slider) {
    return {id, K::valueBox, r, slider, 0, 0, 0, 0, 0, L, nullptr};
}
constexpr DialogControl label(int16_t id, WindowRect r, int16_t string, TextAlignment a) {
    return {id, K::label, r, 0, 0, 0, 0, 0, string, a, nullptr};
}
// The label of the setting that control edits: the settings table's text.
constexpr DialogControl labelOf(int16_t control, int16_t id, WindowRect r, TextAlignment a) {
    return label(id, r, labelStringIndex(scriptedSettingOfControl(control)->label), a);
}
constexpr DialogControl icon(int16_t id, WindowRect r, int16_t art) {
    return {id, K::iconButton, r, 0, 0, 0, 0, art, 0, L, nullptr};
}
constexpr DialogControl of(int16_t id, K kind, WindowRect r, int16_t labelId = 0) {
    return {id, kind, r, 0, labelId, 0, 0, 0, 0, L, nullptr};
}
constexpr DialogControl button(int16_t id, WindowRect r, const char* text) {
    return {id, K::pushButton, r, 0, 0, 0, 0, 0, 0, L, text};
}
constexpr DialogControl dot(int16_t id, int32_t x, int32_t y) {
    return {id, K::memoryDot, {x, y, x + 12, y + 12}, 0, 0, 0, 0, 0, 0, L, nullptr};
}
}  // namespace dialog_table

// In ascending id order within each group; lookups go through controlAt().
inline constexpr auto kDialogControls = [] {
    using namespace dialog_table;
    return std::array<DialogControl, 79>{{
        // Shape
        of(67, K::listBox, {130, 13, 264, 29}, 66),
        labelOf(67, 66, {91, 17, 121, 33}, R),
        // Sliders with their value boxes and labels
        slider(65, {130, 47, 265, 59}, 81, 64, kArtTrackTone),
        valueBox(81, {272, 43, 302, 59}, 65),
        labelOf(65, 64, {91, 47, 121, 63}, R),
        slider(37, {130, 90, 265, 102}, 86, 36, kArtTrackBlur),
        valueBox(86, {272, 86, 302, 102}, 37),
        labelOf(37, 36, {91, 90, 121, 106}, R),
        slider(57, {130, 117, 265, 129}, 91, 56, kArtTrackBlur),
        valueBox(91, {272, 113, 302, 129}, 57),
        labelOf(57, 56, {91, 117, 121, 133}, R),
        slider(59, {130, 143, 265, 155}, 92, 58, kArtTrackBlur),
        valueBox(92, {272, 139, 302, 155}, 59),
        labelOf(59, 58, {91, 143, 121, 159}, R),
        slider(103, {130, 190, 265, 202}, 104, 102, kArtTrackTone),
        valueBox(104, {272, 186, 302, 202}, 103),
        labelOf(103, 102, {91, 190, 121, 206}, R),
        slider(51, {130, 217, 265, 229}, 83, 50, kArtTrackTone),
        valueBox(83, {272, 213, 302, 229}, 51),
        labelOf(51, 50, {91, 217, 121, 233}, R),
        slider(39, {130, 246, 265, 258}, 85, 38, kArtTrackTone),
        valueBox(85, {272, 242, 302, 258}, 39),
        labelOf(39, 38, {91, 245, 121, 261}, R),
        of(7, K::colourSwatch, {311, 241, 331, 261}),
        of(105, K::checkBox, {130, 271, 144, 285}, 6),
        labelOf(105, 6, {154, 273, 180, 288}, L),
        slider(55, {130, 299, 265, 311}, 90, 54, kArtTrackTone),
        valueBox(90, {272, 295, 302, 311}, 55),
        labelOf(55, 54, {91, 298, 121, 314}, R),
        of(9, K::colourSwatch, {311, 294, 331, 314}),
        of(21, K::checkBox, {130, 324, 144, 338}, 24),
        labelOf(21, 24, {154, 326, 185, 340}, L),
        of(48, K::checkBox, {130, 352, 144, 366}, 49),
        labelOf(48, 49, {154, 354, 219, 368}, L),
        of(73, K::listBox, {130, 383, 264, 399}, 70),
        labelOf(73, 70, {92, 387, 122, 404}, R),
        icon(4, {269, 384, 286, 400}, kArtNextGlue),
        // Preview and zoom
        of(18, K::preview, {351, 3, 781, 423}),
        icon(33, {587, 437, 604, 454}, kArtZoomOut),
        button(34, {609, 436, 644, 455}, "100%"),
        icon(32, {647, 437, 664, 454}, kArtZoomIn),
        icon(146, {481, 436, 505, 460}, kArtInfo),
        icon(150, {757, 436, 781, 460}, kArtHtml),
        label(76, {485, 480, 784, 498}, 0, C),
        // Memory dots around the dot thumbnail
        dot(121, 333, 427), dot(122, 337, 439), dot(123, 337, 451), dot(124, 333, 464), dot(125, 329, 477),
        dot(126, 325, 490), dot(127, 325, 503), dot(128, 329, 515), dot(129, 336, 526), dot(130, 344, 536),
        dot(131, 355, 544), dot(132, 367, 553), dot(133, 380, 559), dot(134, 395, 563), dot(135, 410, 563),
        dot(136, 424, 559), dot(137, 437, 553), dot(138, 449, 544), dot(139, 458, 532), dot(140, 464, 519),
        dot(141, 468, 504), dot(142, 468, 489), dot(143, 464, 475), dot(144, 458, 462), dot(145, 449, 450),
        of(119, K::dotThumbnail, {351, 438, 447, 534}),
        // Commands
        icon(72, {129, 436, 191, 467}, kArtDice),
        icon(74, {203, 436, 265, 467}, kArtUndo),
        icon(35, {129, 483, 191, 514}, kArtLoad),
        icon(26, {203, 484, 265, 515}, kArtSave),
        icon(29, {129, 531, 191, 562}, kArtReset),
        icon(15, {203, 531, 265, 562}, kArtPsd),
        {25, K::logo, {17, 531, 49, 563}, 0, 0, 0, 0, kArtLogo, 0, L, nullptr},
        button(2, {481, 531, 543, 562}, "&Cancel"),
        button(3, {719, 531, 781, 562}, "&OK"),
    }};
}();

static_assert([] {
    for (const DialogControl& control : kDialogControls)
        if (control.id <= 0 || control.id >= kControlIdCount) return false;
    return true;
}(), "every row of the control table names a control");

// The control with this id, nullptr when the id has no kind.
constexpr const DialogControl* controlAt(int32_t id) {
    for (const DialogControl& control : kDialogControls)
        if (control.id == id) return &control;
    return nullptr;
}

constexpr DialogControlKind kindOf(int32_t id) {
    const DialogControl* control = controlAt(id);
    return control ? control->kind : DialogControlKind::none;
}

// The kind of control that edits a setting of this kind.
constexpr DialogControlKind controlKindFor(DescriptorKind kind) {
    switch (kind) {
        case DescriptorKind::colorChannel: return DialogControlKind::colourSwatch;
        case DescriptorKind::integer: return DialogControlKind::slider;
        case DescriptorKind::boolean: return DialogControlKind::checkBox;
        case DescriptorKind::glueMode:
        case DescriptorKind::clearAreaShape: return DialogControlKind::listBox;
        case DescriptorKind::real: return DialogControlKind::preview;
    }
    return DialogControlKind::none;
}

// The controls and the settings table agree, control id by control id:
// every setting's control exists and is of the kind that edits it; a slider
// has the setting's range and a value box that names it back; the label
// beside the control shows the setting's label; and every slider, value
// box, check box and list box edits a setting.
constexpr bool controlsAgreeWithSettings() {
    using K = DialogControlKind;
    // By index, not by pointer: the sanitizer build cannot compare pointers
    // to the table's rows at compile time.
    constexpr auto indexOf = [](int32_t id) {
        for (size_t i = 0; i < kDialogControls.size(); ++i)
            if (kDialogControls[i].id == id) return int(i);
        return -1;
    };
    for (const ScriptedSetting& setting : kScriptedSettings) {
        const int at = indexOf(setting.controlId);
        if (at < 0) return false;
        const DialogControl& control = kDialogControls[size_t(at)];
        if (control.kind != controlKindFor(setting.kind)) return false;
        if (control.kind == K::slider) {
            if (control.minimum != int32_t(setting.minimum) || control.maximum != int32_t(setting.maximum))
                return false;
            const int box = indexOf(control.companion);
            if (box < 0 || kDialogControls[size_t(box)].kind != K::valueBox ||
                kDialogControls[size_t(box)].companion != control.id)
                return false;
        }
        if (setting.label == nullptr) {
            if (control.label != 0) return false;
            continue;
        }
        const int label = indexOf(control.label);
        if (label < 0 || kDialogControls[size_t(label)].kind != K::label ||
            labelString(kDialogControls[size_t(label)].stringIndex) != std::string_view(setting.label))
            return false;
    }
    int settingsEdited = 0;
    for (const DialogControl& control : kDialogControls) {
        const bool edits = control.kind == K::slider || control.kind == K::checkBox || control.kind == K::listBox;
        if (edits) {
            bool found = false;
            for (const ScriptedSetting& setting : kScriptedSettings) found = found || setting.controlId == control.id;
            if (!found) return false;
            ++settingsEdited;
        }
        if (control.kind == K::valueBox) {
            const int slider = indexOf(control.companion);
            if (slider < 0 || kDialogControls[size_t(slider)].kind != K::slider) return false;
        }
    }
    return settingsEdited > 0;
}
static_assert(controlsAgreeWithSettings(), "the dialog's controls and the settings table disagree");

// The parameter-block fields the dialog reads and writes, in the order it
// reads and writes them.
inline constexpr std::array<int16_t, 15> kParameterControlOrder = {48, 105, 21, 7, 9, 65, 37, 57, 59, 103, 51, 39, 55, 67, 73};

inline constexpr std::array<const char*, 3> kShapeNames = {"round", "wide", "tall"};


inline constexpr int32_t kSettleTimerId = 8064;
inline constexpr int32_t kSettleTimerMilliseconds = 1000;
// While the dialog is open the host's abort test is asked this often, so
// that an interruption of the host (Ctrl-C, a stop request) closes the
// dialog at once instead of waiting for the user's OK.
inline constexpr int32_t kInterruptTimerId = 8065;
inline constexpr int32_t kInterruptTimerMilliseconds = 100;
// While a large image's source is being built the dialog does a step of it
// at every tick of this timer; the pause between ticks leaves the toolkit
// time to draw and to take the user's events.
inline constexpr int32_t kSourceBuildTimerId = 8066;
inline constexpr int32_t kSourceBuildTimerMilliseconds = 10;
