// The gallery page writer: head, heading, a table of framed pictures with
// captions, row bookkeeping and page end, as ISO-8859-1 text with CR LF line
// ends. The page is built in memory and saved whole by the caller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class GalleryKind : int32_t { presets = 0, images = 1, outputModes = 2, memoryDots = 3 };

inline constexpr int32_t kMaxGalleryColumns = 10;
inline constexpr const char* kWebImagesFolder = "web_images";

struct HtmlPage {
    GalleryKind kind = GalleryKind::presets;
    int32_t columns = 5;
    int32_t column = 1;  // 1-based
    int32_t row = 1;
    std::string text;
    // The picture names (cleaned, without ".jpg") the page links to so far.
    std::vector<std::string> pictureNames;
};

// The head, the heading (with the source folder up to its last separator
// when one is given) and the opening of the table.
void startHtmlPage(HtmlPage& page, GalleryKind kind, int32_t columns, const char* sourceFolder);
// "<tr>": presets pages open each row.
void openHtmlRow(HtmlPage& page);
// The cell of picture `path` shown at width x height: the frame table, the
// picture from web_images under its file name, the caption. Then the row
// bookkeeping. Returns the picture's file name in web_images: its cleaned
// name with ".jpg", and when another picture of the page already has that
// name (names that differ only in cleaned bytes or in case), " 2", " 3", ...
// before ".jpg", so that every cell shows its own picture.
std::string writePictureCell(HtmlPage& page, const std::string& path, int32_t width, int32_t height);
// An empty cell, then the row bookkeeping.
void writeEmptyCell(HtmlPage& page);
// Fills the last row, closes the table and the page.
void finishHtmlPage(HtmlPage& page);

// The picture's file name in web_images before names are made distinct: its
// name with the last extension replaced by ".jpg", cleaned.
std::string galleryPictureFileName(const std::string& path);
