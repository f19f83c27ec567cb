// The plug-in's side of the dialog's services: preview and internal-image
// renders through the filtering pass, undo snapshots and memory dots through
// the settings store, the host's display procedure and colour picker.
#pragma once

#include "plugin/globals.h"
#include "ui/dialog.h"

class PluginDialogServices final : public DialogServices {
public:
    PluginDialogServices(PluginGlobals& globals, FilterParameters& parameters)
        : globals_(globals), parameters_(parameters) {}

    DialogImage image() override;
    OSErr renderPreview() override;
    bool sourceComplete() override;
    bool continueSourceBuild() override;
    OSErr showUnfilteredPreview() override;
    PreviewImage previewImage() override;
    OSErr displayPixels(const PSPixelMap& map, const VRect& rect, int32_t row, int32_t column,
                        void* platformContext) override;
    bool chooseColourWithHost(const char* prompt, Color16& colour) override;
    void takeUndoSnapshot(bool withFile) override;
    OSErr renderInternalImage(int32_t width, int32_t height) override;
    OSErr storeMemoryDot(int32_t dot) override;
    OSErr loadMemoryDot(int32_t dot) override;
    int32_t memoryDotKept(int32_t dot) override;
    void setMemoryDotKept(int32_t dot, int32_t kept) override;
    OSErr renderDotPicture(int32_t dot, DotPicture& picture, int32_t pixelsPerPoint) override;
    OSErr makePresetThumbnail() override;
    OSErr savePreset(const char* path, std::string& reason) override;
    OSErr loadPreset(const char* path) override;
    bool hostAborted() override;
    OSErr exportLayeredDocument(const char* path, int32_t width, int32_t height, ProgressWindow& progress,
                                char* message, size_t messageBytes) override;
    OSErr writePresetsPage(const char* sourceFolder, const char* htmlPath, char* message,
                           size_t messageBytes) override;
    OSErr writeMemoryDotsPage(const char* htmlPath, const bool* occupied, char* message,
                              size_t messageBytes) override;
    bool undo() override;
    RuntimeRandom& random() override;

private:
    PluginGlobals& globals_;
    FilterParameters& parameters_;
};
