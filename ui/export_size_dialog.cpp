// The export size dialog's rules.
#include "ui/export_size_dialog.h"

#include "ui/small_dialogs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {


// A box's text as a number, truncated toward zero; 0 when it is none.
int64_t boxNumber(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(value)) return 0;
    return int64_t(std::clamp(value, -1e15, 1e15));
}

class ExportSizeDialog final : public DialogEvents {
public:
    ExportSizeDialog(FilterParameters& parameters, int32_t width, int32_t height)
        : parameters_(parameters), imageWidth_(width), imageHeight_(height) {}

    void open(DialogWindow& window) {
        window_ = &window;
        if (parameters_.psdSizeMode == 3) {
            setBoxes(parameters_.psdWidth, parameters_.psdHeight);
        } else {
            setBoxes(imageWidth_, imageHeight_);
        }
        select(std::clamp(parameters_.psdSizeMode, 1, 3) + 9);
    }

    void command(int32_t id, int32_t code) override {
        if (code == kNotifyEditChanged && (id == kSizeWidthBox || id == kSizeHeightBox)) {
            if (writing_) return;  // the dialog's own writes are not typing
            if (selected_ == kSizeProportional) {
                if (id == kSizeWidthBox) proportionalHeight();
                if (id == kSizeHeightBox && imageHeight_ != 0) {
                    const int64_t height = boxNumber(window_->text(kSizeHeightBox));
                    setBox(kSizeWidthBox, int64_t(imageWidth_) * height / imageHeight_);
                }
            } else if (selected_ == kSizeSame) {
                select(kSizeCustom);
            }
            return;
        }
        if (code != kNotifyClick) return;
        switch (id) {
            case kSizeSame:
                setBoxes(imageWidth_, imageHeight_);
                select(id);
                break;
            case kSizeProportional:
                proportionalHeight();
                select(id);
                break;
            case kSizeCustom:
                select(id);
                break;
            case 1: {
                parameters_.psdWidth = side(kSizeWidthBox);
                parameters_.psdHeight = side(kSizeHeightBox);
                parameters_.psdSizeMode = selected_ - 9;
                window_->endDialog(1);
                break;
            }
            case 2:
                window_->endDialog(2);
                break;
            default:
                break;
        }
    }
    void mouseDown(WindowPoint, MouseButton, bool) override {}
    void mouseUp(WindowPoint, MouseButton) override {}
    void mouseMove(WindowPoint) override {}
    void timer(int32_t) override {}
    void eraseBackground(DrawingSurface& surface) override {
        const DialogLayout layout = dialogLayout(DialogKind::exportSize);
        surface.fill({0, 0, layout.clientWidth, layout.clientHeight}, {240, 240, 240});
    }
    void paint(DrawingSurface& surface, const WindowRect&) override {
        surface.text(118, 85, "x", {0, 0, 0});
    }
    void drawItem(int32_t, DrawingSurface&, ItemState) override {}
    void close() override { command(2, kNotifyClick); }

private:
    int32_t side(int32_t box) const {
        return int32_t(std::clamp<int64_t>(boxNumber(window_->text(box)), kExportSideMinimum, kExportSideMaximum));
    }
    void proportionalHeight() {
        if (imageWidth_ == 0) return;
        const int64_t width = boxNumber(window_->text(kSizeWidthBox));
        setBox(kSizeHeightBox, int64_t(imageHeight_) * width / imageWidth_);
    }
    void setBox(int32_t box, int64_t value) {
        writing_ = true;
        window_->setText(box, std::to_string(value));
        writing_ = false;
    }
    void setBoxes(int64_t width, int64_t height) {
        setBox(kSizeWidthBox, width);
        setBox(kSizeHeightBox, height);
    }
    void select(int32_t radio) {
        selected_ = radio;
        for (int32_t id = kSizeSame; id <= kSizeCustom; ++id) window_->setCheck(id, id == radio);
    }

    FilterParameters& parameters_;
    int32_t imageWidth_, imageHeight_;
    DialogWindow* window_ = nullptr;
    int32_t selected_ = kSizeSame;
    bool writing_ = false;
};

}  // namespace

bool askExportSize(WindowSystem& system, FilterParameters& parameters, int32_t imageWidth, int32_t imageHeight) {
    SecondaryWindows& open = secondaryWindows();
    if (open.exportSize) {
        open.exportSize->bringToTop();
        return false;
    }
    ExportSizeDialog dialog(parameters, imageWidth, imageHeight);
    DialogLayout layout = dialogLayout(DialogKind::exportSize);
    layout.owner = open.mainDialog;
    std::unique_ptr<DialogWindow> window = system.createDialog(layout, dialog);
    if (!window) return false;
    open.exportSize = window.get();
    dialog.open(*window);
    const int32_t code = window->runModal();
    open.exportSize = nullptr;
    return code == 1;
}
