// The small windows around the main dialog: the About box, the Info box and
// the progress dialog of a long export. Each exists only while shown; a
// process-wide record of the open ones refuses a second copy.
#pragma once

#include "model/job_progress.h"
#include "ui/window_layer.h"

#include <cstdint>
#include <functional>
#include <string>

inline constexpr const char* kMakerWebPage = "https://copperheron.example/twilightomator/";
inline constexpr int32_t kInfoTimerId = 997;
inline constexpr int32_t kProgressTimerId = 993;

// The open secondary windows, and whether the main dialog still exists.
struct SecondaryWindows {
    DialogWindow* about = nullptr;
    DialogWindow* info = nullptr;
    DialogWindow* exportSize = nullptr;
    DialogWindow* progress = nullptr;
    bool mainDialogOpen = false;
    // The main dialog's window while it is open: the others open over it.
    const DialogWindow* mainDialog = nullptr;
};
SecondaryWindows& secondaryWindows();

// The main dialog ends: the About box, the Info box and the size dialog are
// told to close, as the window manager's close button would.
void closeSecondaryWindows();

// Shows the About box unless it is open already (then it is raised).
void showAboutBox(WindowSystem& system);
// Shows the Info picture unless it is open already (then it is raised).
void showInfoBox(WindowSystem& system);

// The progress dialog as the job it runs sees it: a job progress (one pass;
// false and a stop once cancelled) with the dialog's own passes and cancel.
class ProgressWindow : public JobProgress {
public:
    // pass is 0-based; the text becomes (done + total x pass) x 100 /
    // (total x passes) percent.
    virtual void reportPass(int64_t done, int64_t total, int32_t pass, int32_t passes) = 0;
    // "Cancelling..." and the cancel flag; the job stops at its next check.
    virtual void requestCancel() = 0;
    virtual bool cancelRequested() const = 0;
};

// Runs job (the layered document's render and save, which knows its path)
// inside the progress dialog's first timer tick, so that the window is shown
// while it works. Returns true when the user cancelled. When a progress
// dialog is open already it is raised and nothing runs (false).
bool runJobWithProgress(WindowSystem& system, const std::function<void(ProgressWindow&)>& job);

// The percentage text of a report.
std::string progressText(int64_t done, int64_t total, int32_t pass, int32_t passes);
