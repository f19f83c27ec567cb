// File choosers over the window layer.
#include "ui/file_choosers.h"

#include "platform/memory_service.h"
#include "platform/path_limits.h"
#include "settings/preset_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

bool gChooserOpen = false;

void copyInto(char* buffer, size_t bytes, const std::string& text) {
    if (!buffer || bytes == 0) return;
    std::snprintf(buffer, bytes, "%s", text.c_str());
}

int32_t runChooser(DialogWindow& owner, bool save, char (&path)[kChooserPathBytes], char* fileTitle,
                   size_t fileTitleBytes, char* folder, size_t folderBytes, FileType type, const char* title) {
    if (gChooserOpen) return 0;
    const FileTypeEntry& entry = kFileTypes[size_t(type)];
    FileChooserRequest request;
    request.save = save;
    request.title = title;
    request.filterName = entry.filterName;
    request.pattern = entry.pattern;
    request.folder = folder ? folder : "";
    request.proposedName = path;
    if (!save && type == FileType::presets) request.pane = presetPanePicture;

    gChooserOpen = true;
    std::string chosen;
    const bool taken = owner.chooseFile(request, chosen);
    gChooserOpen = false;
    if (!taken) return 0;

    // Without an extension a saved file gets the type's own.
    const std::string extension = std::string(entry.pattern).substr(1);
    if (save && extension != ".*" && fileNameOf(chosen).find('.') == std::string::npos) chosen += extension;
    // The filter keeps paths in records of 260 bytes (UTF-8): a longer one
    // cannot be handed back whole, and is refused by name, never cut.
    if (chosen.size() >= kChooserPathBytes) {
        const std::string text = chosen + "\nThis path is " + std::to_string(chosen.size()) +
                                 " bytes long; the filter keeps paths of up to " +
                                 std::to_string(kChooserPathBytes - 1) + " bytes. Choose a shorter one.";
        owner.messageBox({"Twilightomator", text.c_str(), "OK"});
        return 0;
    }
    copyInto(path, sizeof path, chosen);
    const std::string name = fileNameOf(chosen);
    if (fileTitle) copyInto(fileTitle, fileTitleBytes, name);
    copyInto(folder, folderBytes, chosen.substr(0, chosen.size() - name.size()));
    return 1;
}

}  // namespace

bool fileChooserOpen() { return gChooserOpen; }

int32_t saveFile(DialogWindow& owner, char (&path)[kChooserPathBytes], char* fileTitle, size_t fileTitleBytes,
                 char* folder, size_t folderBytes, FileType type, const char* title) {
    return runChooser(owner, true, path, fileTitle, fileTitleBytes, folder, folderBytes, type, title);
}

int32_t openFile(DialogWindow& owner, char (&path)[kChooserPathBytes], char* fileTitle, size_t fileTitleBytes,
                 char* folder, size_t folderBytes, FileType type, const char* title) {
    path[0] = '\0';
    return runChooser(owner, false, path, fileTitle, fileTitleBytes, folder, folderBytes, type, title);
}

int32_t chooseFolder(DialogWindow& owner, char* folder, size_t folderBytes, FileType type) {
    char path[kChooserPathBytes] = {};
    return openFile(owner, path, nullptr, 0, folder, folderBytes, type, "Choose any file in the source folder");
}

void presetPanePicture(const std::string& path, int32_t width, int32_t height, std::vector<uint8_t>& rgb) {
    // A selection whose path does not fit the chooser's 260-byte buffer is
    // ignored: no picture, the pane keeps what it showed.
    if (path.size() >= kChooserPathBytes) {
        rgb.clear();
        return;
    }
    rgb.assign(size_t(width) * size_t(height) * 3, 0);
    if (width <= 0 || height <= 0) return;
    // The 128 x 128 pane picture: the placeholder, or the stored picture.
    constexpr int32_t side = kPresetPictureSide;
    std::vector<uint8_t> pane(size_t(side) * side * 3);
    for (int32_t r = 0; r < side; ++r)
        std::fill_n(pane.begin() + ptrdiff_t(r) * side * 3, side * 3, uint8_t(255 - r));
    if (path.find(".z5a") != std::string::npos) {
        auto picture = std::make_unique<PresetPicture>();
        picture->width = picture->height = side;  // the pane picture exists
        UserSettings ignored{};
        PresetReadInfo info;
        readPreset(path.c_str(), PresetReadMode::thumbnailOnly, ignored, picture.get(), systemMemoryService(), &info);
        if (info.pictureFound && picture->width > 0 && picture->height > 0) {
            // A stored picture smaller than the pane picture fills it, scaled.
            for (int32_t y = 0; y < side; ++y) {
                for (int32_t x = 0; x < side; ++x) {
                    const int32_t sx = x * picture->width / side, sy = y * picture->height / side;
                    const uint8_t* from = picture->rgba + (size_t(sy) * size_t(picture->width) + size_t(sx)) * 4;
                    std::memcpy(&pane[(size_t(y) * side + size_t(x)) * 3], from, 3);
                }
            }
        }
    }
    // Resampled to the pane: each pane pixel averages the pane picture's
    // pixels its area covers (at least the nearest one).
    for (int32_t y = 0; y < height; ++y) {
        const int32_t y0 = y * side / height, y1 = std::max(y0 + 1, (y + 1) * side / height);
        for (int32_t x = 0; x < width; ++x) {
            const int32_t x0 = x * side / width, x1 = std::max(x0 + 1, (x + 1) * side / width);
            uint32_t sum[3] = {0, 0, 0};
            for (int32_t sy = y0; sy < y1; ++sy)
                for (int32_t sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c) sum[c] += pane[(size_t(sy) * side + size_t(sx)) * 3 + size_t(c)];
            const uint32_t count = uint32_t((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 3; ++c) rgb[(size_t(y) * size_t(width) + size_t(x)) * 3 + size_t(c)] = uint8_t(sum[c] / count);
        }
    }
}

Color16 eightBitColour(Color16 colour) {
    return {uint16_t((colour.red >> 8) * 256), uint16_t((colour.green >> 8) * 256), uint16_t((colour.blue >> 8) * 256)};
}
