// The gallery page's text.
#include "export/html_page.h"

#include "export/html_text.h"
#include "codec/product_identity.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr const char* kMakerName = "Copper Heron";
constexpr std::string_view kCellStart = "<td align=\"center\" valign=\"top\" width=\"20%\">";

const char* kindWords(GalleryKind kind) {
    switch (kind) {
        case GalleryKind::presets: return " presets";
        case GalleryKind::images: return " images";
        case GalleryKind::outputModes: return " output modes";
        default: return " memory dots";
    }
}

// An image tag; the alt text only for pictures, not for frame images.
void imageTag(std::string& out, const std::string& name, std::string_view extension, bool withAlt, int32_t width,
              int32_t height) {
    out += "<img src=\"";
    out += kWebImagesFolder;
    out += "/";
    out += percentEncoded(name);
    out += extension;
    out += "\"";
    if (withAlt) {
        out += " alt=\"";
        out += htmlEscaped(name);
        out += extension;
        out += "\"";
    }
    out += " width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" border=\"0\">";
}

void spacerRow(HtmlPage& page) {
    std::string& t = page.text;
    t += kCrLf;
    t += "<tr>";
    for (int32_t i = 0; i < page.columns; ++i) {
        t += kCellStart;
        t += "<p>&nbsp;</p></td>";
    }
    t += "</tr>";
}

void rowBookkeeping(HtmlPage& page) {
    page.column += 1;
    if (page.column > page.columns) {
        page.text += "</tr>";
        spacerRow(page);
        page.row += 1;
        page.column = 1;
    }
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The cleaned name, made distinct from the page's other pictures; case is
// ignored, as file systems that ignore it would.
std::string takePictureName(HtmlPage& page, const std::string& cleaned) {
    std::string name = cleaned;
    for (int32_t n = 2;; ++n) {
        bool taken = false;
        for (const std::string& other : page.pictureNames) taken = taken || sameIgnoringCase(other, name);
        if (!taken) break;
        name = cleaned + " " + std::to_string(n);
    }
    page.pictureNames.push_back(name);
    return name;
}

}  // namespace

std::string galleryPictureFileName(const std::string& path) { return cleanPictureName(baseNameOf(path)) + ".jpg"; }

void startHtmlPage(HtmlPage& page, GalleryKind kind, int32_t columns, const char* sourceFolder) {
    page.kind = kind;
    page.columns = std::clamp(columns, 1, kMaxGalleryColumns);
    page.column = 1;
    page.row = 1;
    std::string& t = page.text;
    t.clear();
    t += "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">";
    t += kCrLf;
    t += kCrLf;
    t += "<html>";
    t += kCrLf;
    t += "<head>";
    t += kCrLf;
    t += "<meta http-equiv=\"content-type\" content=\"text/html;charset=ISO-8859-1\">";
    t += kCrLf;
    t += "<meta name=\"generator\" content=\"";
    t += kMakerName;
    t += " ";
    t += kProductName;
    t += "\">";
    t += "<title>";
    t += kProductName;
    t += kindWords(kind);
    t += "</title>";
    t += kCrLf;
    t += "</head>";
    t += kCrLf;
    t += kCrLf;
    t += "<body bgcolor=\"#ffffff\">";
    t += kCrLf;
    t += "<p><br>";
    t += kCrLf;
    t += kCrLf;
    t += "<font size=\"4\" face=\"Gill Sans,Verdana,Helvetica,Arial,Geneva\"><b>";
    t += kProductName;
    if (sourceFolder && sourceFolder[0] != '\0') {
        t += kind == GalleryKind::presets ? " presets from " : " images from ";
        const std::string_view folder(sourceFolder);
        const size_t separator = folder.find_last_of("/\\");
        if (separator != std::string_view::npos)
            t += htmlEscaped(folder.substr(0, separator + 1));
    }
    if (kind == GalleryKind::outputModes) t += " output modes ";
    if (kind == GalleryKind::memoryDots) t += " memory dots ";
    t += "<br>";
    t += kCrLf;
    t += "</b></font></p>";
    t += "<table width=\"100%\" border=\"0\" cellspacing=\"12\" cellpadding=\"0\" align=\"center\">";
}

void openHtmlRow(HtmlPage& page) { page.text += "<tr>"; }

std::string writePictureCell(HtmlPage& page, const std::string& path, int32_t width, int32_t height) {
    std::string& t = page.text;
    const std::string picture = takePictureName(page, cleanPictureName(baseNameOf(path)));
    t += kCellStart;
    t += kCrLf;
    t += "<table id=\"Table_01\" width=\"" + std::to_string(width + 6) +
         "\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" height=\"" + std::to_string(height + 7) + "\">";
    t += kCrLf;
    t += "<tr>";
    t += kCrLf;
    t += "<td colspan=\"3\">";
    imageTag(t, "top", ".gif", false, width + 6, 2);
    t += "</td>";
    t += kCrLf;
    t += "</tr>";
    t += kCrLf;
    t += "<tr>";
    t += kCrLf;
    t += "<td>";
    imageTag(t, "left", ".gif", false, 3, height);
    t += "</td>";
    t += kCrLf;
    t += "<td>";
    imageTag(t, picture, ".jpg", true, width, height);
    t += "</td>";
    t += kCrLf;
    t += "<td>";
    imageTag(t, "right", ".gif", false, 3, height);
    t += "</td>";
    t += kCrLf;
    t += "</tr>";
    t += kCrLf;
    t += "<tr>";
    t += kCrLf;
    t += "<td colspan=\"3\">";
    imageTag(t, "bottom", ".gif", false, width + 6, 5);
    t += "</td>";
    t += kCrLf;
    t += "</tr>";
    t += kCrLf;
    t += "</table>";
    t += kCrLf;
    t += "<div align=\"center\">";
    t += kCrLf;
    t += "<br><font  size=\"3\" face=\"Gill Sans,Verdana,Helvetica,Arial\">";
    t += htmlEscaped(baseNameOf(path));
    t += "</font></div></td>";
    t += kCrLf;
    t += kCrLf;
    rowBookkeeping(page);
    return picture + ".jpg";
}

void writeEmptyCell(HtmlPage& page) {
    std::string& t = page.text;
    t += kCellStart;
    t += "<p></p>";
    t += kCrLf;
    t += "<div align=\"center\">";
    t += kCrLf;
    t += "<p><font face=\"Hoefler Text,Times New Roman,Georgia,Times\"><b></b></font></p>";
    t += kCrLf;
    t += "</div>";
    t += kCrLf;
    t += "</td>";
    t += kCrLf;
    t += kCrLf;
    rowBookkeeping(page);
}

void finishHtmlPage(HtmlPage& page) {
    if (page.column > 1)
        while (page.column != 1) writeEmptyCell(page);
    page.text += "</table><br>";
    page.text += kCrLf;
    page.text += "</body></html>";
}
