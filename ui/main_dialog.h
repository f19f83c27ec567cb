// The main dialog's logic: value cells, the opening sequence, commands with
// their shared changed flag, the settle timer, the mouse machinery of the
// self-drawn controls, painting, OK and Cancel. It drives a DialogWindow and
// asks the plug-in for renders through DialogServices.
#pragma once

#include "settings/settings_store.h"
#include "ui/dialog.h"
#include "ui/dialog_layouts.h"
#include "ui/main_dialog_controls.h"
#include "ui/preview_view.h"
#include "ui/window_layer.h"

#include <array>
#include <chrono>
#include <cstdint>

struct ValueCell {
    int32_t value = 0;
    int32_t minimum = 0, maximum = 0;  // sliders
    bool enabled = true;
    uint8_t pressedBits = 0;  // kPressedBit while the mouse is held on a pressed dot
    Color16 colour{};         // colour swatches
};

inline constexpr uint8_t kPressedBit = 2;

// Pointer states of the mouse machinery.
enum class PointerState : uint8_t { arrow = 0, pan = 2, preview = 3, wait = 4 };

// A memory dot as the dialog shows it.
enum class DotState : uint8_t { empty = 0, filled = 1, current = 2 };

// The picture of a dot: its state, kept flag and pressed bit.
int16_t dotArtwork(DotState state, bool kept, bool pressed);

// The dialog's exit: open, OK or Cancel.
enum class DialogExit : uint8_t { open = 0, ok = 1, cancel = 2 };

class MainDialog final : public DialogEvents {
public:
    MainDialog(DialogServices& services, FilterParameters& parameters);
    ~MainDialog() override;

    // The opening sequence over a window made from mainDialogLayout().
    void open(DialogWindow& window);
    OSErr resultCode() const { return result_; }
    DialogExit exit() const { return exit_; }

    // Read dialog into parameters and its way back.
    void readIntoParameters();
    void writeIntoDialog();

    const ValueCell& cell(int32_t id) const { return cells_[size_t(id)]; }
    const PreviewView& preview() const { return preview_; }
    int32_t pressedControl() const { return pressed_; }
    DotState dotState(int32_t dot) const { return dotStates_[size_t(dot)]; }
    int32_t shownDot() const { return shownDot_; }
    int32_t hoveredDot() const { return hoveredDot_; }

    // DialogEvents
    void command(int32_t id, int32_t code) override;
    void mouseDown(WindowPoint point, MouseButton button, bool control) override;
    void mouseUp(WindowPoint point, MouseButton button) override;
    void mouseMove(WindowPoint point) override;
    void timer(int32_t id) override;
    void eraseBackground(DrawingSurface& surface) override;
    void paint(DrawingSurface& surface, const WindowRect& dirty) override;
    void drawItem(int32_t id, DrawingSurface& surface, ItemState state) override;
    void close() override;

private:
    void redraw(int32_t id);
    void refresh();
    void render();
    void setSliderFromText(int32_t slider, int32_t box);
    void writeValueBox(int32_t slider);
    void stopSettleTimer();
    void updateZoomButtons();
    void setPointer(PointerState state);
    void dragSlider(const DialogControl& slider, WindowPoint point);
    void movePressedDot(WindowPoint point);
    void previewPress(WindowPoint point);
    void previewPan(WindowPoint point);
    void previewRelease(WindowPoint point);
    void clickHandlers(int32_t id, bool& changed);
    void openMemoryDots();
    void storeOpeningDot();
    void sourceBuildTick();
    void makeCurrentDot(int32_t dot);
    void storeDot(int32_t dot);
    void loadDot(int32_t dot, bool& changed);
    void showDot(int32_t dot);
    void clearDotThumbnail();
    void hoverDots(WindowPoint point);
    void clickDot(int32_t dot, bool& changed);
    void clickDotThumbnail(bool& changed);
    void demoteCurrentDot();
    void takeSnapshot(bool withFile);
    void undo(bool& changed);
    void dice(bool& changed);
    void reset(bool& changed);
    void savePreset();
    void exportDocument();
    void writeGalleryPage(bool presets);
    void refreshPresets();
    void loadPreset(bool& changed);
    void drawDotThumbnail(DrawingSurface& surface, const WindowRect& rect);
    void cancel();
    void accept();
    void drawPreview(DrawingSurface& surface);
    void drawControl(DrawingSurface& surface, const DialogControl& control);

    DialogServices& services_;
    FilterParameters& parameters_;
    DialogWindow* window_ = nullptr;
    std::array<ValueCell, kControlIdCount> cells_{};
    SettingsSnapshot openingSnapshot_{};
    // The look the dialog opened with still waits for its memory dot: its
    // picture needs the complete source.
    bool openingDotPending_ = false;
    PreviewView preview_{};
    bool firstRenderDone_ = false;  // only a failed first render turns the preview off
    DialogImage image_{};

    int32_t pressed_ = -1;
    std::chrono::steady_clock::time_point pressTime_{};
    WindowPoint lastPoint_{};
    WindowPoint currentPoint_{};
    bool moved_ = false;
    bool rightButton_ = false;
    bool controlKey_ = false;
    PointerState pointer_ = PointerState::arrow;
    DialogExit exit_ = DialogExit::open;
    OSErr result_ = noErr;
    std::array<DotState, kMemoryDotCount> dotStates_{};
    int32_t shownDot_ = -1;    // the dot whose picture the dot thumbnail shows
    int32_t hoveredDot_ = -1;  // the dot last under the pointer
    DotPicture dotPicture_;
    // The undo snapshot a click's handlers ask for: 0 none, 1 without file,
    // 2 with file; and whether the current dot stays current after it.
    int32_t snapshotRequest_ = 0;
    bool keepsCurrentDot_ = false;
    // Long commands during which OK and Cancel are ignored.
    bool htmlExportRunning_ = false;
    bool presetRefreshRunning_ = false;
};

