// The windows' layouts, from which the GTK windows and the Windows dialog
// templates are both made: what each toolkit needs of them to work.
#include "ui/dialog_layouts.h"
#include "ui/main_dialog_controls.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(DialogLayouts, EveryWindowHasItsOwnTemplateAndAWorkingDefaultButton) {
    std::set<std::string> names;
    for (const DialogKind kind : kEveryDialogKind) {
        const DialogLayout layout = dialogLayout(kind);
        ASSERT_NE(layout.templateName, nullptr);
        EXPECT_TRUE(names.insert(layout.templateName).second) << layout.templateName;
        std::set<int16_t> ids;
        bool defaultFound = layout.controls.empty();
        for (const ControlLayout& control : layout.controls) {
            // One window per id: the dialog manager finds controls by id.
            EXPECT_TRUE(ids.insert(control.id).second) << layout.templateName << " id " << control.id;
            // Inside the client area, where the window moves it.
            EXPECT_GE(control.rect.left, 0);
            EXPECT_GE(control.rect.top, 0);
            EXPECT_LE(control.rect.right, layout.clientWidth) << layout.templateName << " id " << control.id;
            EXPECT_LE(control.rect.bottom, layout.clientHeight) << layout.templateName << " id " << control.id;
            if (control.id == layout.defaultButton) {
                EXPECT_EQ(control.kind, ControlKind::pushButton);
                defaultFound = true;
            }
        }
        // Return presses a button that exists.
        EXPECT_TRUE(defaultFound) << layout.templateName;
    }
    EXPECT_EQ(names.size(), 6u);
}

TEST(DialogLayouts, TheMainWindowHoldsEveryStandardControlOfTheControlTableAndNoOther) {
    const DialogLayout layout = mainDialogLayout();
    EXPECT_STREQ(layout.templateName, "DISSOLVESANSPARAM");
    EXPECT_EQ(layout.clientWidth, 799);
    EXPECT_EQ(layout.clientHeight, 579);
    EXPECT_EQ(layout.defaultButton, kIdOk);
    size_t standard = 0;
    for (const DialogControl& control : kDialogControls) {
        const bool isStandard = control.kind == DialogControlKind::pushButton ||
                                control.kind == DialogControlKind::iconButton ||
                                control.kind == DialogControlKind::checkBox ||
                                control.kind == DialogControlKind::listBox ||
                                control.kind == DialogControlKind::valueBox ||
                                control.kind == DialogControlKind::colourSwatch;
        if (!isStandard) continue;
        ++standard;
        const ControlLayout* found = nullptr;
        for (const ControlLayout& c : layout.controls)
            if (c.id == control.id) found = &c;
        ASSERT_NE(found, nullptr) << control.id;
        EXPECT_EQ(found->rect.left, control.rect.left);
        EXPECT_EQ(found->rect.bottom, control.rect.bottom);
        if (control.kind == DialogControlKind::iconButton) {
            EXPECT_EQ(found->iconId, control.artwork);
        }
    }
    // OK, Cancel, the percentage; 11 icon buttons; 3 check boxes; 2 lists;
    // 8 value boxes; 2 swatches.
    EXPECT_EQ(standard, 29u);
    EXPECT_EQ(layout.controls.size(), standard);
}

}  // namespace
