// The plug-in's side of the dialog's services: preview and internal-image
// renders through the filtering pass, memory dots through the settings store.
#pragma once

#include "plugin/globals.h"
#include "ui/dialog.h"

class PluginDialogServices final : public DialogServices {
public:
    PluginDialogServices(PluginGlobals& globals, FilterParameters& parameters)
        : globals_(globals), parameters_(parameters) {}

    OSErr renderPreview() override;
    OSErr renderInternalImage(int32_t width, int32_t height) override;
    OSErr storeMemoryDot(int32_t dot) override;
    OSErr loadMemoryDot(int32_t dot) override;

private:
    PluginGlobals& globals_;
    FilterParameters& parameters_;
};
