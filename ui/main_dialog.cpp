// The main dialog's logic.
#include "ui/main_dialog.h"

#include "model/glue_modes.h"
#include "model/settings_table.h"
#include "ui/custom_controls.h"
#include "ui/decimal_text.h"
#include "ui/dice.h"
#include "ui/export_size_dialog.h"
#include "ui/file_choosers.h"
#include "ui/preview_display.h"
#include "ui/small_dialogs.h"
#include "ui/window_system.h"
#include "settings/preset_file.h"
#include "settings/preset_refresh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using K = DialogControlKind;

// The parameter field a slider, check box or list box edits, found through
// the settings table.
int32_t* integerField(FilterParameters& parameters, int32_t id) {
    for (const ScriptedSetting& setting : kScriptedSettings) {
        if (setting.controlId != id || setting.kind == DescriptorKind::colorChannel ||
            setting.kind == DescriptorKind::real)
            continue;
        return reinterpret_cast<int32_t*>(reinterpret_cast<unsigned char*>(&parameters.settings) + setting.fieldOffset);
    }
    return nullptr;
}

Color16& swatchColour(FilterParameters& parameters, int32_t id) {
    return id == kIdVignetteSwatch ? parameters.settings.vignetteColor : parameters.settings.sepiaColor;
}

std::string formatG(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool isUndoableClick(int32_t id) {
    switch (id) {
        case kIdVignetteSwatch:
        case kIdSepiaSwatch:
        case kIdNextGlue:
        case kIdPsd:
        case kIdReset:
        case kIdDice:
        case kIdInfo:
            return true;
        default:
            return kindOf(id) == K::checkBox || kindOf(id) == K::listBox;
    }
}

bool takesMouse(DialogControlKind kind) {
    return kind == K::slider || kind == K::memoryDot || kind == K::dotThumbnail || kind == K::logo ||
           kind == K::preview;
}

constexpr WindowPoint kNoPoint = {-32768, -32768};

bool samePoint(WindowPoint a, WindowPoint b) { return a.x == b.x && a.y == b.y; }

}  // namespace

MainDialog::MainDialog(DialogServices& services, FilterParameters& parameters)
    : services_(services), parameters_(parameters) {}

// However the dialog ends, the small windows learn that it is gone.
MainDialog::~MainDialog() {
    secondaryWindows().mainDialogOpen = false;
    secondaryWindows().mainDialog = nullptr;
}

void MainDialog::open(DialogWindow& window) {
    window_ = &window;
    secondaryWindows().mainDialogOpen = true;
    secondaryWindows().mainDialog = &window;
    // Cells: all enabled; the render target is the preview; nothing pressed.
    for (ValueCell& c : cells_) c = ValueCell{};
    parameters_.renderTarget = renderPreview;
    pressed_ = -1;
    openingSnapshot_ = captureSnapshot(parameters_);

    for (size_t i = 0; i < kGlueModes.size(); ++i) window.addListItem(kIdGlue, kGlueModes[i].name);
    for (const char* name : kShapeNames) window.addListItem(kIdShape, name);
    for (const DialogControl& c : kDialogControls) {
        if (c.kind != K::slider) continue;
        cells_[size_t(c.id)].minimum = c.minimum;
        cells_[size_t(c.id)].maximum = c.maximum;
    }

    writeIntoDialog();
    readIntoParameters();
    redraw(kIdPresetName);

    dotStates_.fill(DotState::empty);
    clearDotThumbnail();

    image_ = services_.image();
    if (image_.floatingPoint) {
        for (int32_t id : {int32_t(kIdGlue), int32_t(kIdGlueLabel), int32_t(kIdNextGlue)}) {
            cells_[size_t(id)].enabled = false;
            window.enable(id, false);
            redraw(id);
        }
    }

    preview_ = makePreviewView(image_.width, image_.height, parameters_.hostPreviewProcs != 0);
    parameters_.previewScale = 1;
    if (preview_.available) {
        parameters_.previewScale = preview_.fit;
        parameters_.previewOffsetX = parameters_.previewOffsetY = 0;
        render();
    }
    // A large image's source is still being built after the first preview:
    // the rest comes at the build timer's ticks, and the opening look's dot
    // (whose picture needs that source) is stored when it is complete.
    openingDotPending_ = !services_.sourceComplete();
    openMemoryDots();
    window.setTimer(kInterruptTimerId, kInterruptTimerMilliseconds);
    if (openingDotPending_) window.setTimer(kSourceBuildTimerId, kSourceBuildTimerMilliseconds);
}

void MainDialog::openMemoryDots() {
    for (int32_t dot = 0; dot < kMemoryDotCount; ++dot) {
        if (services_.memoryDotKept(dot) == 1) dotStates_[size_t(dot)] = DotState::filled;
        redraw(kIdFirstMemoryDot + dot);
    }
    updateZoomButtons();
    if (!openingDotPending_) storeOpeningDot();
}

// The look the dialog opened with goes into the first free dot, which stays
// free so that the next opening writes over it again. Stored late (the
// source was still being built), it is still the opening look, whatever the
// user has changed since.
void MainDialog::storeOpeningDot() {
    openingDotPending_ = false;
    const SettingsSnapshot now = captureSnapshot(parameters_);
    restoreSnapshot(openingSnapshot_, parameters_);
    for (int32_t dot = 0; dot < kMemoryDotCount; ++dot) {
        if (services_.memoryDotKept(dot) != 0 || dotStates_[size_t(dot)] != DotState::empty) continue;
        storeDot(dot);
        break;
    }
    restoreSnapshot(now, parameters_);
}

void MainDialog::sourceBuildTick() {
    // Not while a window over the dialog (an export, a chooser) may be using the pass.
    const SecondaryWindows& open = secondaryWindows();
    if (open.progress || open.exportSize || fileChooserOpen() || htmlExportRunning_ || presetRefreshRunning_) return;
    if (!services_.continueSourceBuild()) return;
    window_->killTimer(kSourceBuildTimerId);
    if (openingDotPending_) storeOpeningDot();
    // The provisional preview gives way to the exact one.
    if (preview_.available) render();
}

int16_t dotArtwork(DotState state, bool kept, bool pressed) {
    switch (state) {
        case DotState::empty: return pressed ? kArtDotEmptyPressed : kArtDotEmpty;
        case DotState::filled:
            if (kept) return pressed ? kArtDotKeptPressed : kArtDotKept;
            return pressed ? kArtDotFilledPressed : kArtDotFilled;
        case DotState::current:
            if (kept) return pressed ? kArtDotCurrentKeptPressed : kArtDotCurrentKept;
            return pressed ? kArtDotCurrentPressed : kArtDotCurrent;
    }
    return kArtDotEmpty;
}

// The dot becomes the current one; the one that was is filled again.
void MainDialog::makeCurrentDot(int32_t dot) {
    for (int32_t other = 0; other < kMemoryDotCount; ++other) {
        if (dotStates_[size_t(other)] != DotState::current) continue;
        dotStates_[size_t(other)] = DotState::filled;
        redraw(kIdFirstMemoryDot + other);
    }
    dotStates_[size_t(dot)] = DotState::current;
    redraw(kIdFirstMemoryDot + dot);
}

void MainDialog::storeDot(int32_t dot) {
    if (dot < 0 || dot >= kMemoryDotCount) return;
    services_.storeMemoryDot(dot);
    makeCurrentDot(dot);
    showDot(dot);
}

void MainDialog::loadDot(int32_t dot, bool& changed) {
    if (dot < 0 || dot >= kMemoryDotCount) return;
    // A missing file leaves the settings as they are; the dot still becomes current.
    services_.loadMemoryDot(dot);
    makeCurrentDot(dot);
    writeIntoDialog();
    redraw(kIdPresetName);
    changed = true;
}

void MainDialog::showDot(int32_t dot) {
    shownDot_ = dot;
    dotPicture_ = DotPicture{};
    if (services_.renderDotPicture(dot, dotPicture_, window_->pixelsPerPoint()) != noErr) dotPicture_ = DotPicture{};
    redraw(kIdDotThumbnail);
}

void MainDialog::clearDotThumbnail() {
    shownDot_ = -1;
    dotPicture_ = DotPicture{};
    redraw(kIdDotThumbnail);
}

void MainDialog::hoverDots(WindowPoint point) {
    hoveredDot_ = -1;  // until a dot is found under the pointer
    for (int32_t dot = 0; dot < kMemoryDotCount; ++dot) {
        if (!controlAt(kIdFirstMemoryDot + dot)->rect.contains(point)) continue;
        hoveredDot_ = dot;
        if (dotStates_[size_t(dot)] == DotState::empty) {
            if (shownDot_ >= 0 || !dotPicture_.rgb.empty()) clearDotThumbnail();
        } else if (dot != shownDot_) {
            showDot(dot);
        }
        return;
    }
}

void MainDialog::clickDot(int32_t dot, bool& changed) {
    DotState& state = dotStates_[size_t(dot)];
    keepsCurrentDot_ = true;
    if (state == DotState::empty) {
        services_.setMemoryDotKept(dot, controlKey_ ? 0 : 1);
        readIntoParameters();
        storeDot(dot);
        return;
    }
    if (rightButton_) {
        state = DotState::empty;
        services_.setMemoryDotKept(dot, 0);
        redraw(kIdFirstMemoryDot + dot);
        clearDotThumbnail();
    } else if (controlKey_) {
        services_.setMemoryDotKept(dot, 0);
        redraw(kIdFirstMemoryDot + dot);
        return;
    } else {
        loadDot(dot, changed);
    }
    snapshotRequest_ = 2;
}

// The right button and Control work whether or not a dot is shown: they are
// the only way to the memory-dots page and the preset refresh. A plain click
// loads the shown dot and does nothing when none is shown.
void MainDialog::clickDotThumbnail(bool& changed) {
    const bool dotShown = shownDot_ >= 0;
    if (rightButton_) {
        writeGalleryPage(false);
    } else if (controlKey_) {
        refreshPresets();
    } else if (dotShown) {
        loadDot(shownDot_, changed);
    }
    if (dotShown) snapshotRequest_ = 2;
}

void MainDialog::demoteCurrentDot() {
    for (int32_t dot = 0; dot < kMemoryDotCount; ++dot) {
        if (dotStates_[size_t(dot)] != DotState::current) continue;
        dotStates_[size_t(dot)] = DotState::filled;
        redraw(kIdFirstMemoryDot + dot);
    }
}

void MainDialog::takeSnapshot(bool withFile) {
    services_.takeUndoSnapshot(withFile);
    demoteCurrentDot();
}

void MainDialog::undo(bool& changed) {
    if (services_.undo()) {
        writeIntoDialog();
        redraw(kIdPresetName);
    }
    changed = true;
    demoteCurrentDot();
}

void MainDialog::dice(bool& changed) {
    readIntoParameters();
    rollDice(parameters_.settings, services_.random());
    std::snprintf(parameters_.settingsFileName, sizeof parameters_.settingsFileName, "%s",
                  kRandomSettingsFileName);
    writeIntoDialog();
    redraw(kIdPresetName);
    changed = true;
}

void MainDialog::reset(bool& changed) {
    resetToDefaults(parameters_.settings);
    std::snprintf(parameters_.settingsFileName, sizeof parameters_.settingsFileName, "%s",
                  kResetSettingsFileName);
    writeIntoDialog();
    redraw(kIdPresetName);
    changed = true;
}

void MainDialog::readIntoParameters() {
    for (int16_t id : kParameterControlOrder) {
        const DialogControl& control = *controlAt(id);
        ValueCell& c = cells_[size_t(id)];
        switch (control.kind) {
            case K::checkBox:
                c.value = window_->checked(id) ? 1 : 0;
                *integerField(parameters_, id) = c.value;
                break;
            case K::colourSwatch:
                swatchColour(parameters_, id) = c.colour;
                break;
            case K::slider: {
                const double typed = readDecimalNumber(window_->text(control.companion));
                const double clamped = std::clamp(typed, double(c.minimum), double(c.maximum));
                if (clamped != typed) {
                    window_->setText(control.companion, formatG(clamped));
                    stopSettleTimer();
                }
                c.value = int32_t(clamped);
                *integerField(parameters_, id) = c.value;
                break;
            }
            case K::listBox:
                c.value = window_->selectedListItem(id) + 1;
                *integerField(parameters_, id) = c.value;
                break;
            default:
                break;
        }
    }
}

void MainDialog::writeIntoDialog() {
    for (int16_t id : kParameterControlOrder) {
        const DialogControl& control = *controlAt(id);
        ValueCell& c = cells_[size_t(id)];
        switch (control.kind) {
            case K::checkBox:
                c.value = *integerField(parameters_, id);
                window_->setCheck(id, c.value != 0);
                break;
            case K::colourSwatch:
                c.colour = swatchColour(parameters_, id);
                window_->redrawItem(id);
                break;
            case K::slider:
                c.value = *integerField(parameters_, id);
                redraw(id);
                writeValueBox(id);
                break;
            case K::listBox:
                c.value = *integerField(parameters_, id);
                window_->selectListItem(id, c.value - 1);
                break;
            default:
                break;
        }
    }
}

void MainDialog::writeValueBox(int32_t slider) {
    window_->setText(controlAt(slider)->companion, formatG(cells_[size_t(slider)].value));
    // The program's own write raised the box's change notification; only
    // typing leads to a delayed refresh.
    stopSettleTimer();
}

void MainDialog::stopSettleTimer() { window_->killTimer(kSettleTimerId); }

void MainDialog::redraw(int32_t id) {
    if (id < 1 || !window_) return;
    const DialogControl* control = controlAt(id);
    if (!control) return;
    if (control->kind == K::colourSwatch) {
        window_->redrawItem(id);
    } else {
        window_->invalidate(control->rect);
    }
}

void MainDialog::render() {
    if (!preview_.available) return;
    window_->setPointer(PointerShape::wait);
    const OSErr rendered = services_.renderPreview();
    window_->setPointer(PointerShape::arrow);
    pointer_ = PointerState::arrow;
    const bool first = !firstRenderDone_;
    firstRenderDone_ = true;
    if (rendered != noErr && first) {
        // A host that cannot render the first preview cannot render any: the
        // preview stays off for the rest of the dialog. A later failure (a
        // setting the host could not take once) leaves it on.
        parameters_.hostPreviewProcs = 0;
        preview_.available = false;
        preview_.zmax = 1;
        parameters_.previewScale = 1;
        updateZoomButtons();
    }
    window_->invalidate(kPreviewRect);
}

void MainDialog::refresh() {
    readIntoParameters();
    render();
}

void MainDialog::updateZoomButtons() {
    const ZoomCells zoom = zoomCells(preview_, parameters_.previewScale);
    cells_[kIdZoomIn].enabled = zoom.zoomIn;
    cells_[kIdZoomOut].enabled = zoom.zoomOut;
    cells_[kIdZoomPercent].enabled = zoom.percent;
    window_->enable(kIdZoomIn, zoom.zoomIn);
    window_->enable(kIdZoomOut, zoom.zoomOut);
    window_->setText(kIdZoomPercent, zoomPercentText(parameters_.previewScale));
}

void MainDialog::setPointer(PointerState state) {
    pointer_ = state;
    switch (state) {
        case PointerState::arrow: window_->setPointer(PointerShape::arrow); break;
        case PointerState::pan: window_->setPointer(PointerShape::pan); break;
        case PointerState::preview: window_->setPointer(PointerShape::preview); break;
        case PointerState::wait: window_->setPointer(PointerShape::wait); break;
    }
}

void MainDialog::setSliderFromText(int32_t slider, int32_t box) {
    ValueCell& c = cells_[size_t(slider)];
    const double typed = readDecimalNumber(window_->text(box));
    c.value = int32_t(std::clamp(typed, double(c.minimum), double(c.maximum)));
    redraw(slider);
}

void MainDialog::command(int32_t id, int32_t code) {
    const DialogControlKind kind = kindOf(id);
    if (kind == K::checkBox) refresh();
    if (kind == K::listBox && code == kNotifySelectionChanged) {
        cells_[size_t(id)].value = window_->selectedListItem(id) + 1;
        readIntoParameters();
        takeSnapshot(false);
        stopSettleTimer();
        refresh();
    }
    if (code == kNotifyEditChanged) {
        const DialogControl* box = controlAt(id);
        if (!box || box->kind != K::valueBox) return;
        setSliderFromText(box->companion, id);
        window_->setTimer(kSettleTimerId, kSettleTimerMilliseconds);
        return;
    }
    if (code != kNotifyClick) return;

    bool changed = false;
    snapshotRequest_ = 0;
    keepsCurrentDot_ = false;
    clickHandlers(id, changed);
    if (exit_ != DialogExit::open) return;
    readIntoParameters();
    if (snapshotRequest_ == 0 && isUndoableClick(id) && kind != K::listBox) snapshotRequest_ = 1;
    if (snapshotRequest_ != 0) {
        services_.takeUndoSnapshot(snapshotRequest_ == 2);
        if (!keepsCurrentDot_) demoteCurrentDot();
    }
    stopSettleTimer();
    if (changed) refresh();
    if (id == kIdCancel) cancel();
    if (id == kIdOk) accept();
}

void MainDialog::clickHandlers(int32_t id, bool& changed) {
    if (id == kIdVignetteSwatch || id == kIdSepiaSwatch) {
        Color16 colour = cells_[size_t(id)].colour;
        const std::string prompt(labelString(id == kIdVignetteSwatch ? 35 : 37));
        // The host's picker when it offers one, else the toolkit's chooser.
        if (services_.chooseColourWithHost(prompt.c_str(), colour) || window_->chooseColour(prompt.c_str(), colour)) {
            cells_[size_t(id)].colour = eightBitColour(colour);
            redraw(id);
        }
        changed = true;
    }
    if (id == kIdZoomOut || id == kIdZoomIn || id == kIdZoomPercent) {
        if (preview_.available) {
            if (id == kIdZoomOut) zoomOut(preview_, parameters_);
            if (id == kIdZoomIn) zoomIn(preview_, parameters_);
            if (id == kIdZoomPercent) actualSize(preview_, parameters_);
            changed = true;
        }
        updateZoomButtons();
    }
    if (id == kIdSave) savePreset();
    if (id == kIdPsd) exportDocument();
    if (id == kIdHtmlPresets) writeGalleryPage(true);
    if (id == kIdLoad) loadPreset(changed);
    if (id >= kIdFirstMemoryDot && id <= kIdLastMemoryDot) clickDot(id - kIdFirstMemoryDot, changed);
    if (id == kIdDotThumbnail) clickDotThumbnail(changed);
    if (id == kIdLogo || id == kIdInfo) {
        if (WindowSystem* system = windowSystem()) {
            if (id == kIdLogo) showAboutBox(*system);
            if (id == kIdInfo) showInfoBox(*system);
        }
    }
    if (id == kIdUndo) undo(changed);
    if (id == kIdNextGlue) {
        ValueCell& glue = cells_[kIdGlue];
        glue.value = glue.value >= kGlueModeCount ? 1 : glue.value + 1;
        parameters_.settings.glue = glue.value;
        window_->selectListItem(kIdGlue, glue.value - 1);
        changed = true;
    }
    if (id == kIdDice) dice(changed);
    if (id == kIdReset) reset(changed);
}

void MainDialog::savePreset() {
    readIntoParameters();
    services_.makePresetThumbnail();
    char* name = parameters_.settingsFileName;
    // The name shown until a file is written: a save that is cancelled or
    // fails leaves the label as it was.
    char shownName[kPathBytes];
    std::memcpy(shownName, name, kPathBytes);
    if (name[0] == '\0') std::snprintf(name, kPathBytes, "%s", kDefaultSettingsFileName);
    std::string base = name;
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos) base.resize(dot);
    std::snprintf(name, kPathBytes, "%s.z5a", base.c_str());

    char path[kChooserPathBytes];
    std::snprintf(path, sizeof path, "%s", base.c_str());
    bool saved = false;
    if (saveFile(*window_, path, name, kPathBytes, parameters_.settingsFolder, kPathBytes, FileType::presets,
                 "Save a settings file") == 1) {
        std::string reason;
        saved = services_.savePreset(path, reason) == noErr;
        if (!saved) {
            const std::string text = "The settings file could not be saved.\n" + reason;
            window_->messageBox({"Twilightomator", text.c_str(), "OK"});
        }
    }
    if (!saved) std::memcpy(name, shownName, kPathBytes);
    redraw(kIdPresetName);
}

void MainDialog::exportDocument() {
    WindowSystem* system = windowSystem();
    if (!system) return;
    // A document being written: its window comes to the front, nothing else starts.
    if (DialogWindow* progress = secondaryWindows().progress) {
        progress->bringToTop();
        return;
    }
    readIntoParameters();
    // The job lets the toolkit run while it works: no refresh may start then.
    stopSettleTimer();
    if (!askExportSize(*system, parameters_, image_.width, image_.height)) return;
    parameters_.exportMode = 6;
    char path[kChooserPathBytes] = "Twilightomator result.psd";
    if (saveFile(*window_, path, nullptr, 0, parameters_.exportFolder, kPathBytes, FileType::psd,
                 "Save a PSD file") != 1)
        return;
    char message[512] = {};
    OSErr result = noErr;
    const int32_t width = parameters_.psdWidth, height = parameters_.psdHeight;
    runJobWithProgress(*system, [&](ProgressWindow& progress) {
        result = services_.exportLayeredDocument(path, width, height, progress, message, sizeof message);
    });
    if (result != noErr && result != userCanceledErr && message[0] != '\0')
        window_->messageBox({"Twilightomator", message, "OK"});
}

void MainDialog::writeGalleryPage(bool presets) {
    if (htmlExportRunning_) return;
    if (presets && chooseFolder(*window_, parameters_.sourceFolder, kPathBytes, FileType::presets) != 1) return;
    char path[kChooserPathBytes];
    std::snprintf(path, sizeof path, "%s",
                  presets ? "Twilightomator presets.html" : "Twilightomator memory dots.html");
    if (saveFile(*window_, path, nullptr, 0, parameters_.exportFolder, kPathBytes, FileType::html,
                 "Save an HTML page") != 1)
        return;
    readIntoParameters();
    htmlExportRunning_ = true;
    setPointer(PointerState::wait);
    char message[512] = {};
    OSErr result;
    if (presets) {
        result = services_.writePresetsPage(parameters_.sourceFolder, path, message, sizeof message);
    } else {
        bool occupied[kMemoryDotCount];
        for (int32_t dot = 0; dot < kMemoryDotCount; ++dot) occupied[dot] = dotStates_[size_t(dot)] != DotState::empty;
        result = services_.writeMemoryDotsPage(path, occupied, message, sizeof message);
    }
    setPointer(PointerState::arrow);
    htmlExportRunning_ = false;
    if (result == noErr) {
        if (WindowSystem* system = windowSystem()) system->openWebPage(path);
    } else if (result != userCanceledErr && message[0] != '\0') {
        window_->messageBox({"Twilightomator", message, "OK"});
    }
}

// Rewrites every old-style preset of a folder ("r9u" or "r5o" in its name)
// as a current preset with a picture of its look on the image; "r9u" files
// are then renamed to ".r5o" so that a second run knows them. Only files
// that read as presets are touched, each written whole or not at all; the
// user learns which presets could not be refreshed.
void MainDialog::refreshPresets() {
    if (htmlExportRunning_ || presetRefreshRunning_) return;
    if (chooseFolder(*window_, parameters_.sourceFolder, kPathBytes, FileType::bitmap) != 1) return;
    presetRefreshRunning_ = true;
    readIntoParameters();
    services_.storeMemoryDot(kScratchMemoryDot);
    setPointer(PointerState::wait);
    const std::string folder = parameters_.sourceFolder;
    std::vector<std::string> failures;
    for (const PresetToRefresh& preset : presetsToRefresh(folder)) {
        // The name shown is kept in a 260-byte record: a longer one is refused, not cut.
        if (preset.name.size() >= kPathBytes) {
            failures.push_back(preset.name + ": the name is longer than the " + std::to_string(kPathBytes - 1) +
                               " bytes the filter keeps");
            continue;
        }
        resetToDefaults(parameters_.settings);
        if (services_.loadPreset(preset.path.c_str()) != noErr) continue;  // no preset: left alone
        std::snprintf(parameters_.settingsFileName, kPathBytes, "%s", preset.name.c_str());
        writeIntoDialog();
        redraw(kIdPresetName);
        render();
        services_.makePresetThumbnail();
        std::string reason;
        if (services_.savePreset(preset.path.c_str(), reason) != noErr) {
            failures.push_back(reason);
            continue;
        }
        const std::string renameFailure = renameRefreshedPreset(folder, preset);
        if (!renameFailure.empty()) failures.push_back(renameFailure);
    }
    services_.loadMemoryDot(kScratchMemoryDot);
    writeIntoDialog();
    redraw(kIdPresetName);
    render();
    setPointer(PointerState::arrow);
    presetRefreshRunning_ = false;
    if (!failures.empty()) {
        std::string text = "These presets could not be refreshed:";
        for (const std::string& failure : failures) text += "\n" + failure;
        window_->messageBox({"Twilightomator", text.c_str(), "OK"});
    }
}

// A file that cannot be read, or is no preset, leaves the settings and the
// name shown as they were, and the user is told.
void MainDialog::loadPreset(bool& changed) {
    char path[kChooserPathBytes];
    char shownName[kPathBytes];
    std::memcpy(shownName, parameters_.settingsFileName, kPathBytes);
    if (openFile(*window_, path, parameters_.settingsFileName, kPathBytes, parameters_.settingsFolder, kPathBytes,
                 FileType::presets, "Open a settings file") != 1)
        return;
    const UserSettings before = parameters_.settings;
    resetToDefaults(parameters_.settings);
    const OSErr loaded = services_.loadPreset(path);
    if (loaded != noErr) {
        parameters_.settings = before;
        const std::string chosen = parameters_.settingsFileName;
        std::memcpy(parameters_.settingsFileName, shownName, kPathBytes);
        const std::string text =
            loaded == kPresetNotAPreset
                ? chosen + " is not a Twilightomator preset file; the settings stay as they were."
                : chosen + " could not be read; the settings stay as they were.";
        window_->messageBox({"Twilightomator", text.c_str(), "OK"});
        return;
    }
    writeIntoDialog();
    redraw(kIdPresetName);
    changed = true;
    snapshotRequest_ = 2;
}

void MainDialog::cancel() {
    if (htmlExportRunning_ || presetRefreshRunning_) return;
    window_->killTimer(kInterruptTimerId);
    // A source still being built is dropped with the working buffers.
    window_->killTimer(kSourceBuildTimerId);
    stopSettleTimer();
    restoreSnapshot(openingSnapshot_, parameters_);
    result_ = userCanceledErr;
    closeSecondaryWindows();
    secondaryWindows().mainDialogOpen = false;
    exit_ = DialogExit::cancel;
    window_->endDialog(kIdCancel);
}

void MainDialog::accept() {
    if (htmlExportRunning_ || presetRefreshRunning_) return;
    window_->killTimer(kInterruptTimerId);
    window_->killTimer(kSourceBuildTimerId);
    stopSettleTimer();
    readIntoParameters();
    // The final pass needs the whole source anyway: the opening look gets its dot.
    if (openingDotPending_) storeOpeningDot();
    closeSecondaryWindows();
    secondaryWindows().mainDialogOpen = false;
    result_ = noErr;
    exit_ = DialogExit::ok;
    window_->endDialog(kIdOk);
}

void MainDialog::close() { command(kIdCancel, kNotifyClick); }

void MainDialog::timer(int32_t id) {
    if (id == kSourceBuildTimerId) {
        sourceBuildTick();
        return;
    }
    if (id == kInterruptTimerId) {
        // A window opened over the dialog (a chooser, the size dialog, an
        // export's progress window, which stops through the same abort test)
        // ends first; the dialog closes at the next tick after it, before
        // anything is written.
        const SecondaryWindows& open = secondaryWindows();
        if (open.progress || open.exportSize || fileChooserOpen()) return;
        if (services_.hostAborted()) cancel();
        return;
    }
    if (id != kSettleTimerId) return;
    readIntoParameters();
    takeSnapshot(false);
    stopSettleTimer();
    refresh();
}

void MainDialog::mouseDown(WindowPoint point, MouseButton button, bool control) {
    rightButton_ = button == MouseButton::right;
    controlKey_ = button == MouseButton::left && control;
    for (int32_t id = 0; id < kControlIdCount; ++id) {
        const DialogControl* c = controlAt(id);
        if (!c || !takesMouse(c->kind) || !cells_[size_t(id)].enabled || !c->rect.contains(point)) continue;
        if (c->kind == K::preview) {
            if (preview_.available) previewPress(point);
            return;
        }
        window_->captureMouse();
        pressed_ = id;
        pressTime_ = std::chrono::steady_clock::now();
        moved_ = false;
        window_->postMouseMove(point);
        lastPoint_ = kNoPoint;
        return;
    }
}

void MainDialog::mouseMove(WindowPoint point) {
    currentPoint_ = point;
    if (pressed_ < 0) {
        hoverDots(point);
        if (kPreviewRect.contains(point)) {
            setPointer(PointerState::preview);
        } else if (pointer_ != PointerState::arrow) {
            setPointer(PointerState::arrow);
        }
        return;
    }
    const DialogControl& control = *controlAt(pressed_);
    switch (control.kind) {
        case K::slider: dragSlider(control, point); break;
        case K::preview: previewPan(point); break;
        case K::memoryDot: movePressedDot(point); break;
        default: break;
    }
}

void MainDialog::dragSlider(const DialogControl& slider, WindowPoint point) {
    const WindowPoint current = {int16_t(point.x - 4), point.y};
    if (!samePoint(current, lastPoint_)) {
        ValueCell& c = cells_[size_t(slider.id)];
        c.value = sliderValueAt(slider.rect, point.x, c.minimum, c.maximum);
        redraw(slider.id);
        writeValueBox(slider.id);
    }
    lastPoint_ = current;
}

void MainDialog::movePressedDot(WindowPoint point) {
    ValueCell& c = cells_[size_t(pressed_)];
    c.pressedBits &= uint8_t(~kPressedBit);
    if (controlAt(pressed_)->rect.contains(point)) c.pressedBits |= kPressedBit;
    if (!samePoint(point, lastPoint_)) redraw(pressed_);
    lastPoint_ = point;
}

void MainDialog::mouseUp(WindowPoint point, MouseButton) {
    window_->releaseMouse();
    if (pressed_ == kIdPreview) {
        previewRelease(point);
        return;
    }
    if (pressed_ < 0) return;
    const DialogControlKind kind = kindOf(pressed_);
    ValueCell& c = cells_[size_t(pressed_)];
    if (kind == K::memoryDot && (c.pressedBits & kPressedBit)) {
        c.pressedBits &= uint8_t(~kPressedBit);
        redraw(pressed_);
    }
    if (kind == K::logo || kind == K::memoryDot || kind == K::dotThumbnail) {
        window_->postCommand(pressed_, kNotifyClick);
        pressed_ = -1;
        return;
    }
    readIntoParameters();
    takeSnapshot(false);
    stopSettleTimer();
    refresh();
    pressed_ = -1;
}

void MainDialog::previewPress(WindowPoint point) {
    const PreviewImage shown = services_.previewImage();
    if (parameters_.previewScale == preview_.fit) {
        setCentreAt(preview_, parameters_, point, shown.width, shown.height);
        stopSettleTimer();
        readIntoParameters();
        render();
        return;
    }
    pressed_ = kIdPreview;
    window_->captureMouse();
    lastPoint_ = point;
    setPointer(PointerState::preview);
    moved_ = false;
}

void MainDialog::previewPan(WindowPoint point) {
    const int32_t z = parameters_.previewScale;
    const int16_t dx = int16_t(z * (point.x - lastPoint_.x));
    const int16_t dy = int16_t(z * (point.y - lastPoint_.y));
    if (dx != 0 || dy != 0) {
        moved_ = true;
        parameters_.previewOffsetX -= dx;
        parameters_.previewOffsetY -= dy;
        clampPan(preview_, parameters_);
        const OSErr fetched = services_.showUnfilteredPreview();
        if (fetched != noErr) result_ = fetched;
        setPointer(PointerState::pan);
        window_->invalidate(kPreviewRect);
    }
    lastPoint_ = point;
}

void MainDialog::previewRelease(WindowPoint point) {
    if (!moved_) {
        const PreviewImage shown = services_.previewImage();
        setCentreAt(preview_, parameters_, point, shown.width, shown.height);
        readIntoParameters();
        takeSnapshot(false);
        stopSettleTimer();
    }
    pressed_ = -1;
    setPointer(PointerState::preview);
    refresh();
}

void MainDialog::eraseBackground(DrawingSurface& surface) {
    const WindowRect all = {0, 0, kDialogWidth, kDialogHeight};
    surface.fill(all, kWhite);
    surface.artwork(kArtBackground, 0, 0, all);
}

void MainDialog::paint(DrawingSurface& surface, const WindowRect& dirty) {
    if (preview_.available && dirty.intersects(kPreviewRect)) drawPreview(surface);
    for (int32_t id = 1; id < kControlIdCount; ++id) {
        const DialogControl* c = controlAt(id);
        if (c && c->rect.intersects(dirty)) drawControl(surface, *c);
    }
}

void MainDialog::drawControl(DrawingSurface& surface, const DialogControl& control) {
    const ValueCell& c = cells_[size_t(control.id)];
    switch (control.kind) {
        case K::slider:
            drawSlider(surface, control, c.value, c.minimum, c.maximum, c.enabled);
            break;
        case K::label:
            if (control.id == kIdPresetName) {
                surface.pushClip(control.rect);
                WindowRect r = control.rect;
                r.left += 1;
                drawLabel(surface, r, parameters_.settingsFileName, TextAlignment::centre, true);
                surface.popClip();
            } else {
                drawLabel(surface, control.rect, labelString(control.stringIndex), control.alignment, c.enabled);
            }
            break;
        case K::logo:
            surface.artwork(control.artwork, control.rect.left, control.rect.top, control.rect);
            break;
        case K::memoryDot: {
            const int32_t dot = control.id - kIdFirstMemoryDot;
            const int16_t art = dotArtwork(dotStates_[size_t(dot)], services_.memoryDotKept(dot) == 1,
                                           (c.pressedBits & kPressedBit) != 0);
            surface.artwork(art, control.rect.left, control.rect.top, control.rect);
            break;
        }
        case K::dotThumbnail:
            drawDotThumbnail(surface, control.rect);
            break;
        default:
            break;
    }
}

void MainDialog::drawDotThumbnail(DrawingSurface& surface, const WindowRect& rect) {
    surface.artwork(kArtThumbnailFrame, rect.left, rect.top, rect);
    const DotPicture& p = dotPicture_;
    const int32_t density = std::max(p.pixelsPerPoint, 1);
    // The picture in client pixels; a picture from a denser device keeps its
    // own pixels (drawn one per device pixel).
    const int32_t width = p.width / density, height = p.height / density;
    if (shownDot_ < 0 || width <= 0 || height <= 0 || width > kDotThumbnailSide || height > kDotThumbnailSide ||
        p.rgb.size() < size_t(p.width) * size_t(p.height) * 3)
        return;
    // A picture narrower or lower than 88 is centred in the 88 x 88 square.
    const int32_t x = rect.left + 4 + (kDotThumbnailSide - width) / 2;
    const int32_t y = rect.top + 4 + (kDotThumbnailSide - height) / 2;
    surface.picture(x, y, width, height, p.rgb.data(), p.width * 3, density);
}

void MainDialog::drawItem(int32_t id, DrawingSurface& surface, ItemState state) {
    const DialogControl* control = controlAt(id);
    if (!control || control->kind != K::colourSwatch) return;
    state.disabled = state.disabled || !cells_[size_t(id)].enabled;
    drawColourSwatch(surface, control->rect, cells_[size_t(id)].colour, state);
}

void MainDialog::drawPreview(DrawingSurface& surface) {
    const WindowRect r = kPreviewRect.inset(2);
    surface.frame({r.left - 1, r.top - 1, r.right + 1, r.bottom + 1}, kBlack);
    const PreviewImage shown = services_.previewImage();
    if (!shown.pixels || shown.width <= 0 || shown.height <= 0) {
        surface.fill(r, kWhite);
        return;
    }
    const WindowPoint origin = previewImageOrigin(shown.width, shown.height);
    const int32_t x0 = origin.x, y0 = origin.y;
    // The white surround: R without the image.
    const WindowRect image = {x0, y0, x0 + shown.width, y0 + shown.height};
    surface.fill({r.left, r.top, r.right, std::max(r.top, image.top)}, kWhite);
    surface.fill({r.left, std::min(r.bottom, image.bottom), r.right, r.bottom}, kWhite);
    surface.fill({r.left, image.top, std::max(r.left, image.left), image.bottom}, kWhite);
    surface.fill({std::min(r.right, image.right), image.top, r.right, image.bottom}, kWhite);
    displayPreviewImage(services_, shown, x0, y0, surface.displayContext());
}
