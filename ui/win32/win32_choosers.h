// The system's choosers and message boxes over a window: GetOpenFileName and
// GetSaveFileName with a hook and the picture pane, ChooseColor with the
// custom colours, refusal boxes from their templates, MessageBox otherwise.
#pragma once

#include "model/parameters.h"
#include "ui/message_box.h"
#include "ui/window_layer.h"

#include <windows.h>

#include <string>

bool chooseFileOver(HWND owner, const FileChooserRequest& request, std::string& path);
bool chooseColourOver(HWND owner, Color16& colour);
void messageBoxOver(HWND owner, const MessageBoxText& message);
