// The About box, the Info box and the progress dialog.
#include "ui/small_dialogs.h"

#include "ui/dialog_layouts.h"

#include <cstdio>

namespace {

constexpr Rgb kWhiteColour = {255, 255, 255};
constexpr Rgb kTextColour = {0, 0, 0};

// Artwork of the small windows.
enum : int16_t { kArtProductName = 127, kArtMakerMark = 136, kArtAboutPicture = 175, kArtInfoPicture = 182 };


class AboutBox final : public DialogEvents {
public:
    AboutBox(WindowSystem& system) : system_(system) {}
    void command(int32_t id, int32_t code) override {
        if (code != kNotifyClick) return;
        if (id == kAboutWebButton) system_.openWebPage(kMakerWebPage);
        window->endDialog(id);
    }
    void mouseDown(WindowPoint, MouseButton, bool) override {}
    void mouseUp(WindowPoint, MouseButton) override {}
    void mouseMove(WindowPoint) override {}
    void timer(int32_t) override {}
    void eraseBackground(DrawingSurface& surface) override { surface.fill({0, 0, 339, 188}, kWhiteColour); }
    void paint(DrawingSurface& surface, const WindowRect&) override {
        const WindowRect all = {0, 0, 339, 188};
        surface.artwork(kArtAboutPicture, 17, 12, all);
        surface.artwork(kArtMakerMark, 17, 98, all);
        surface.artwork(kArtProductName, 46, 101, all);
        surface.text(46, 120, "Version 1.0. Makes images moody.", kTextColour);
    }
    void drawItem(int32_t, DrawingSurface&, ItemState) override {}
    void close() override { window->endDialog(1); }

    DialogWindow* window = nullptr;

private:
    WindowSystem& system_;
};

class InfoBox final : public DialogEvents {
public:
    void command(int32_t id, int32_t code) override {
        if (code == kNotifyClick) finish(id);
    }
    void mouseDown(WindowPoint, MouseButton, bool) override {}
    void mouseUp(WindowPoint, MouseButton) override {}
    void mouseMove(WindowPoint) override {}
    void timer(int32_t id) override {
        if (id != kInfoTimerId) return;
        // The box lives only as long as the main dialog.
        if (secondaryWindows().mainDialogOpen) {
            window->setTimer(kInfoTimerId, 1000);
        } else {
            finish(1);
        }
    }
    void eraseBackground(DrawingSurface& surface) override { surface.fill({0, 0, 726, 469}, kWhiteColour); }
    void paint(DrawingSurface& surface, const WindowRect&) override {
        surface.artwork(kArtInfoPicture, 0, 0, {0, 0, 726, 469});
    }
    void drawItem(int32_t, DrawingSurface&, ItemState) override {}
    void close() override { finish(2); }

    DialogWindow* window = nullptr;

private:
    void finish(int32_t code) {
        window->killTimer(kInfoTimerId);
        window->endDialog(code);
    }
};

class ProgressDialog final : public DialogEvents, public ProgressWindow {
public:
    explicit ProgressDialog(const std::function<void(ProgressWindow&)>& job) : job_(job) {}

    bool report(int64_t done, int64_t total) override {
        reportPass(done, total, 0, 1);
        return !cancelled_;
    }
    bool stopRequested() override { return cancelled_; }
    void reportPass(int64_t done, int64_t total, int32_t pass, int32_t passes) override {
        if (cancelled_) return;  // "Cancelling..." stays until the job returns
        setPercent(progressText(done, total, pass, passes));
        window->bringToTop();
        // The job runs on the window's thread: the new text is drawn, and a
        // close or Escape asks for the cancel, only when the toolkit gets a turn.
        window->processPendingEvents();
    }
    void requestCancel() override {
        setPercent("Cancelling...");
        cancelled_ = true;
    }
    bool cancelRequested() const override { return cancelled_; }

    void command(int32_t id, int32_t code) override {
        if (code == kNotifyClick && id == 2) requestCancel();
    }
    void mouseDown(WindowPoint, MouseButton, bool) override {}
    void mouseUp(WindowPoint, MouseButton) override {}
    void mouseMove(WindowPoint) override {}
    void timer(int32_t id) override {
        if (id != kProgressTimerId) return;
        window->killTimer(kProgressTimerId);
        running_ = true;
        job_(*this);
        running_ = false;
        finish();
    }
    void eraseBackground(DrawingSurface& surface) override {
        surface.fill({0, 0, kProgressWidth, kProgressHeight}, {240, 240, 240});
    }
    void paint(DrawingSurface& surface, const WindowRect&) override {
        centred(surface, kRenderingText, "Rendering...");
        centred(surface, kPercentText, percent_);
    }
    void drawItem(int32_t, DrawingSurface&, ItemState) override {}
    // Closing the window asks the job to stop; the dialog ends when it returns.
    void close() override {
        if (running_) {
            requestCancel();
        } else {
            finish();
        }
    }

    void start() {
        window->bringToTop();
        window->setPointer(PointerShape::wait);
        window->setTimer(kProgressTimerId, 1000);
        cancelled_ = false;
    }
    const std::string& percent() const { return percent_; }

    DialogWindow* window = nullptr;

private:
    void setPercent(const std::string& text) {
        percent_ = text;
        window->invalidate(kPercentText);
    }
    void finish() {
        window->killTimer(kProgressTimerId);
        window->setPointer(PointerShape::arrow);
        window->endDialog(1);
    }
    static void centred(DrawingSurface& surface, const WindowRect& rect, const std::string& text) {
        const WindowPoint size = surface.measureText(text);
        surface.text(rect.left + (rect.width() - size.x) / 2, rect.top, text, kTextColour);
    }

    std::function<void(ProgressWindow&)> job_;
    std::string percent_ = "0%";
    bool cancelled_ = false;
    bool running_ = false;
};

}  // namespace

SecondaryWindows& secondaryWindows() {
    static SecondaryWindows windows;
    return windows;
}

void closeSecondaryWindows() {
    SecondaryWindows& open = secondaryWindows();
    // Each window's own close handling ends it and clears its record.
    for (DialogWindow* window : {open.about, open.info, open.exportSize}) {
        if (window) window->postCommand(2, kNotifyClick);
    }
}

void showAboutBox(WindowSystem& system) {
    SecondaryWindows& open = secondaryWindows();
    if (open.about) {
        open.about->bringToTop();
        return;
    }
    AboutBox box(system);
    DialogLayout layout = dialogLayout(DialogKind::about);
    layout.owner = open.mainDialog;
    std::unique_ptr<DialogWindow> window = system.createDialog(layout, box);
    if (!window) return;
    box.window = window.get();
    open.about = window.get();
    window->runModal();
    open.about = nullptr;
}

void showInfoBox(WindowSystem& system) {
    SecondaryWindows& open = secondaryWindows();
    if (open.info) {
        open.info->bringToTop();
        return;
    }
    InfoBox box;
    DialogLayout layout = dialogLayout(DialogKind::info);
    layout.owner = open.mainDialog;
    std::unique_ptr<DialogWindow> window = system.createDialog(layout, box);
    if (!window) return;
    box.window = window.get();
    open.info = window.get();
    window->setTimer(kInfoTimerId, 1000);
    window->runModal();
    open.info = nullptr;
}

std::string progressText(int64_t done, int64_t total, int32_t pass, int32_t passes) {
    if (total <= 0 || passes <= 0) return "0%";
    const int64_t percent = (done + total * pass) * 100 / (total * passes);
    char text[24];
    std::snprintf(text, sizeof text, "%d%%", int(percent));
    return text;
}

bool runJobWithProgress(WindowSystem& system, const std::function<void(ProgressWindow&)>& job) {
    SecondaryWindows& open = secondaryWindows();
    if (open.progress) {
        open.progress->bringToTop();
        return false;
    }
    ProgressDialog dialog(job);
    DialogLayout layout = dialogLayout(DialogKind::progress);
    layout.owner = open.mainDialog;
    std::unique_ptr<DialogWindow> window = system.createDialog(layout, dialog);
    if (!window) return false;
    dialog.window = window.get();
    open.progress = window.get();
    dialog.start();
    window->runModal();
    open.progress = nullptr;
    return dialog.cancelRequested();
}
