// A main dialog on the headless window layer over a parameter block, with
// stand-in services that render a flat colour and draw through the display
// context as a host does.
#pragma once

#include "interface/display_context.h"
#include "ui/headless/headless_window.h"
#include "ui/main_dialog.h"

#include <vector>

inline constexpr Rgb kRenderedColour = {30, 160, 90};
inline constexpr Rgb kUnfilteredColour = {200, 40, 40};

struct StandInServices final : DialogServices {
    DialogImage shape{200, 150, false};
    FilterParameters* parameters = nullptr;
    int renders = 0, unfilteredFills = 0, snapshots = 0, displays = 0;
    OSErr renderResult = noErr;
    std::vector<uint8_t> buffer;
    PreviewImage shown;

    DialogImage image() override { return shape; }
    void fillBuffer(Rgb colour) {
        // The visible region at the current factor, as the pass would fetch it.
        const int32_t z = parameters->previewScale;
        shown.width = std::min(shape.width / z, 426);
        shown.height = std::min(shape.height / z, 416);
        shown.planes = 3;
        shown.rowBytes = shown.width * 3;
        buffer.assign(size_t(shown.rowBytes) * size_t(shown.height), 0);
        for (size_t i = 0; i < buffer.size(); i += 3) {
            buffer[i] = colour.red;
            buffer[i + 1] = colour.green;
            buffer[i + 2] = colour.blue;
        }
        shown.pixels = buffer.data();
    }
    OSErr renderPreview() override {
        ++renders;
        fillBuffer(kRenderedColour);
        return renderResult;
    }
    OSErr showUnfilteredPreview() override {
        ++unfilteredFills;
        fillBuffer(kUnfilteredColour);
        return noErr;
    }
    PreviewImage previewImage() override { return shown; }
    OSErr displayPixels(const PSPixelMap& map, const VRect& rect, int32_t row, int32_t column,
                        void* platformContext) override {
        ++displays;
        auto* context = static_cast<DisplayContext*>(platformContext);
        const auto* base = static_cast<const uint8_t*>(map.baseAddr);
        context->drawRgb(context->surface, column, row, rect.right - rect.left, rect.bottom - rect.top, base,
                         map.rowBytes);
        return noErr;
    }
    void takeUndoSnapshot(bool) override { ++snapshots; }
    OSErr renderInternalImage(int32_t, int32_t) override { return noErr; }
    OSErr storeMemoryDot(int32_t) override { return noErr; }
    OSErr loadMemoryDot(int32_t) override { return noErr; }
};

// Opens the dialog as the plug-in does, without running the modal loop: the
// test plays the user on `window` directly.
struct OpenDialog {
    FilterParameters parameters{};
    StandInServices services;
    HeadlessWindowSystem system;
    std::unique_ptr<MainDialog> dialog;
    std::unique_ptr<DialogWindow> owned;
    HeadlessDialog* window = nullptr;

    explicit OpenDialog(DialogImage image = {200, 150, false}, bool previewProcs = true,
                        void (*adjust)(FilterParameters&) = nullptr) {
        initialiseParameters(parameters);
        parameters.hostPreviewProcs = previewProcs ? 1 : 0;
        if (adjust) adjust(parameters);
        services.shape = image;
        services.parameters = &parameters;
        dialog = std::make_unique<MainDialog>(services, parameters);
        owned = system.createDialog(mainDialogSpec(), *dialog);
        window = static_cast<HeadlessDialog*>(owned.get());
        dialog->open(*window);
        window->runModal();
    }
};
