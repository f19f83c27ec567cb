// A main dialog on the headless window layer over a parameter block, with
// stand-in services that render a flat colour and draw through the display
// context as a host does.
#pragma once

#include "interface/display_context.h"
#include "ui/headless/headless_window.h"
#include "ui/main_dialog.h"
#include "ui/small_dialogs.h"
#include "settings/preset_file.h"

#include <array>
#include <cstdio>
#include <optional>
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
    bool sourceComplete() override { return true; }
    bool continueSourceBuild() override { return true; }
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
    bool chooseColourWithHost(const char*, Color16&) override { return false; }
    void takeUndoSnapshot(bool withFile) override {
        ++snapshots;
        snapshotFiles.push_back(withFile);
    }
    OSErr renderInternalImage(int32_t, int32_t) override { return noErr; }
    // Memory dots: the stored settings per dot, the kept flags as the
    // memdot map would hold them.
    std::array<std::optional<UserSettings>, 26> dots;  // 25 dots and the scratch slot
    std::array<int32_t, 25> kept{};
    std::vector<int32_t> stores, loads, pictures;
    std::vector<bool> snapshotFiles;
    int undos = 0;
    bool undoAvailable = false;
    UserSettings undoSettings{};
    RuntimeRandom generator;
    OSErr storeMemoryDot(int32_t dot) override {
        stores.push_back(dot);
        dots[size_t(dot)] = parameters->settings;
        return noErr;
    }
    OSErr loadMemoryDot(int32_t dot) override {
        loads.push_back(dot);
        if (!dots[size_t(dot)]) return -43;
        parameters->settings = *dots[size_t(dot)];
        return noErr;
    }
    int presetThumbnails = 0;
    OSErr makePresetThumbnail() override {
        ++presetThumbnails;
        return noErr;
    }
    int32_t memoryDotKept(int32_t dot) override { return kept[size_t(dot)]; }
    void setMemoryDotKept(int32_t dot, int32_t flag) override { kept[size_t(dot)] = flag; }
    // A 88 x 66 picture (that many client pixels, at the density asked)
    // whose red is the dot's number, in alternate pixel columns.
    OSErr renderDotPicture(int32_t dot, DotPicture& picture, int32_t pixelsPerPoint) override {
        pictures.push_back(dot);
        picture.pixelsPerPoint = pixelsPerPoint;
        picture.width = 88 * pixelsPerPoint;
        picture.height = 66 * pixelsPerPoint;
        picture.rgb.assign(size_t(picture.width) * size_t(picture.height) * 3, 0);
        for (size_t i = 0; i < picture.rgb.size(); i += 3)
            picture.rgb[i] = (i / 3) % 2 == 0 || pixelsPerPoint == 1 ? uint8_t(dot * 10) : uint8_t(dot * 10 + 5);
        return noErr;
    }
    std::vector<std::string> savedPresets, loadedPresets;
    OSErr savePresetResult = noErr;
    std::vector<std::string> unwritable;  // paths whose saves fail
    OSErr savePreset(const char* path, std::string& reason) override {
        savedPresets.emplace_back(path);
        OSErr result = savePresetResult;
        for (const std::string& refused : unwritable)
            if (refused == path) result = -36;
        if (result != noErr) reason = std::string("cannot write ") + path + ": Permission denied";
        return result;
    }
    // Paths whose files are no presets, and the stand-in's answer for them.
    std::vector<std::string> notPresets;
    OSErr loadPreset(const char* path) override {
        loadedPresets.emplace_back(path);
        for (const std::string& refused : notPresets)
            if (refused == path) return kPresetNotAPreset;
        parameters->settings.sepia = 81;  // what the stand-in's presets hold
        return noErr;
    }
    struct Export {
        std::string path;
        int32_t width, height;
    };
    std::vector<Export> exports;
    OSErr exportResult = noErr;
    OSErr exportLayeredDocument(const char* path, int32_t width, int32_t height, ProgressWindow& progress,
                                char* message, size_t messageBytes) override {
        exports.push_back({path, width, height});
        progress.reportPass(150, 300, 1, 2);
        if (exportResult != noErr) std::snprintf(message, messageBytes, "The document could not be written.");
        return exportResult;
    }
    std::vector<std::string> pages;
    std::vector<bool> pageDots;
    OSErr writePresetsPage(const char* sourceFolder, const char*, char*, size_t) override {
        pages.push_back(std::string("presets of ") + sourceFolder);
        return noErr;
    }
    OSErr writeMemoryDotsPage(const char* htmlPath, const bool* occupied, char*, size_t) override {
        pages.push_back(std::string("dots to ") + htmlPath);
        pageDots.assign(occupied, occupied + 25);
        return noErr;
    }
    bool undo() override {
        ++undos;
        if (!undoAvailable) return false;
        std::swap(parameters->settings, undoSettings);
        return true;
    }
    RuntimeRandom& random() override { return generator; }
    bool aborted = false;  // the host's abort test
    bool hostAborted() override { return aborted; }
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
                        void (*adjust)(FilterParameters&) = nullptr,
                        void (*adjustServices)(StandInServices&) = nullptr) {
        initialiseParameters(parameters);
        parameters.hostPreviewProcs = previewProcs ? 1 : 0;
        if (adjust) adjust(parameters);
        services.shape = image;
        services.parameters = &parameters;
        if (adjustServices) adjustServices(services);
        dialog = std::make_unique<MainDialog>(services, parameters);
        owned = system.createDialog(mainDialogLayout(), *dialog);
        window = static_cast<HeadlessDialog*>(owned.get());
        dialog->open(*window);
        window->runModal();
    }
};
