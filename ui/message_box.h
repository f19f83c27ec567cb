// The window layer's message box, as the frame uses it for its refusals.
#pragma once

struct MessageBoxText {
    const char* title;
    const char* text;
    const char* button;
};

// Shows a modal message with one button. Until a dialog backend is chosen
// for the session, the console backend prints it to stderr.
void showMessageBox(const MessageBoxText& message);
