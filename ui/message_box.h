// The window layer's message box, as the frame uses it for its refusals.
#pragma once

struct MessageBoxText {
    const char* title;
    const char* text;
    const char* button;
    // The dialog template of a refusal box (Windows); nullptr: a plain message box.
    const char* templateName = nullptr;
};

// Shows a modal message with one button. interactive: the user asked for
// the dialog, so a window is shown through the toolkit; otherwise (a batch
// or scripted run, or no display) the message goes to stderr.
void showMessageBox(const MessageBoxText& message, bool interactive);
