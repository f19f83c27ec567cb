// Every window the dialogs show, declared once: caption, client size, the
// standard controls at their rectangles, the default button and the name of
// the Windows dialog template. The toolkit backends make their windows from
// these records and the Windows build writes its templates from them.
#pragma once

#include "ui/window_layer.h"

#include <cstdint>

enum class DialogKind : uint8_t { main, about, info, progress, exportSize, refusal };
inline constexpr DialogKind kEveryDialogKind[] = {DialogKind::main,     DialogKind::about,      DialogKind::info,
                                                  DialogKind::progress, DialogKind::exportSize, DialogKind::refusal};

// The layout of one window; its owner is left to the caller.
DialogLayout dialogLayout(DialogKind kind);

// The window the main dialog is shown in: caption, client size, and every
// standard control at its layout rectangle.
inline DialogLayout mainDialogLayout() { return dialogLayout(DialogKind::main); }

// The About box's web button.
inline constexpr int32_t kAboutWebButton = 5;

// The export size dialog's controls.
inline constexpr int32_t kSizeSame = 10, kSizeProportional = 11, kSizeCustom = 12;
inline constexpr int32_t kSizeWidthBox = 3, kSizeHeightBox = 4;

// The progress dialog's size and its two lines of text.
inline constexpr int32_t kProgressWidth = 153, kProgressHeight = 81;
inline constexpr WindowRect kRenderingText = {0, 18, kProgressWidth, 32};
inline constexpr WindowRect kPercentText = {0, 42, kProgressWidth, 56};

// The refusal box: its icon (resource 148) and its text beside the button
// the layout gives; the text and the captions are filled in when it is shown.
inline constexpr int16_t kRefusalIconId = 148;
inline constexpr int32_t kRefusalTextId = 100;
inline constexpr WindowRect kRefusalIconRect = {15, 16, 47, 48};
inline constexpr WindowRect kRefusalTextRect = {60, 16, 375, 71};
