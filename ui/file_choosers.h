// The file choosers as the dialogs ask for them: the file types, one chooser
// at a time, and the buffers the caller keeps its name and folder in.
#pragma once

#include "platform/path_limits.h"
#include "ui/window_layer.h"

#include <cstdint>
#include <vector>

enum class FileType : int32_t { bitmap = 0, presets = 1, psd = 2, html = 3, ldraw = 4, all = 5, wavefront = 6 };

struct FileTypeEntry {
    const char* filterName;
    const char* pattern;
};
inline constexpr FileTypeEntry kFileTypes[] = {
    {"Bitmap files (*.bmp)", "*.bmp"},        {"Twilightomator presets (*.z5a)", "*.z5a"},
    {"Photoshop files (*.psd)", "*.psd"},     {"HTML files (*.html)", "*.html"},
    {"LDraw files (*.ldr)", "*.ldr"},         {"All files (*.*)", "*.*"},
    {"Wavefront files (*.obj)", "*.obj"},
};

// A path buffer of the chooser record's size.
inline constexpr size_t kChooserPathBytes = 260;

// Save: path holds the proposed name. On success path is the chosen file,
// fileTitle (when given) its name, and folder the folder it is in (with the
// separator). Returns 1 when a file was chosen, 0 on cancel, while another
// chooser is open, or for a path of 260 bytes or more, which the records
// cannot hold (a message names it); the buffers are then unchanged.
int32_t saveFile(DialogWindow& owner, char (&path)[kChooserPathBytes], char* fileTitle, size_t fileTitleBytes,
                 char* folder, size_t folderBytes, FileType type, const char* title);
// Open: the same with an empty path to start; the preset type shows the
// stored picture of the selected preset in a pane.
int32_t openFile(DialogWindow& owner, char (&path)[kChooserPathBytes], char* fileTitle, size_t fileTitleBytes,
                 char* folder, size_t folderBytes, FileType type, const char* title);
// An open chooser titled "Choose any file in the source folder"; the chosen
// file's folder is left in folder.
int32_t chooseFolder(DialogWindow& owner, char* folder, size_t folderBytes, FileType type);

// Whether a chooser is open now.
bool fileChooserOpen();

// The preset pane's picture of `path`, width x height RGB: the grey
// placeholder (row r of 128 is 255 - r), or the preset's stored picture when
// the name contains ".z5a" and the file holds one, resampled to the pane.
// Empty (the selection is ignored) for a path of 260 bytes or more.
void presetPanePicture(const std::string& path, int32_t width, int32_t height, std::vector<uint8_t>& rgb);

// A colour as a chooser gives it kept to 8 bits per channel: each 16-bit
// channel becomes its high byte x 256 (white is 65280).
Color16 eightBitColour(Color16 colour);
