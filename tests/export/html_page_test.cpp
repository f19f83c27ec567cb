// Gallery pages: the head as the page writer must write it byte for byte,
// row bookkeeping, the escaping and the name encoding, and the frame images.
#include "export/gallery_frames.h"
#include "export/html_page.h"
#include "export/html_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

TEST(HtmlPage, PresetsHeadNamesTheFolderUpToItsLastSeparator) {
    HtmlPage page;
    startHtmlPage(page, GalleryKind::presets, 5, "/home/ann/looks & moods/old.z5a");
    const std::string expected =
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n\r\n<html>\r\n"
        "<head>\r\n<meta http-equiv=\"content-type\" content=\"text/html;charset=ISO-8859-1\">\r\n"
        "<meta name=\"generator\" content=\"Copper Heron Twilightomator\">"
        "<title>Twilightomator presets</title>\r\n</head>\r\n\r\n<body bgcolor=\"#ffffff\">\r\n<p><br>\r\n\r\n"
        "<font size=\"4\" face=\"Gill Sans,Verdana,Helvetica,Arial,Geneva\"><b>Twilightomator"
        " presets from /home/ann/looks &amp; moods/<br>\r\n</b></font></p>"
        "<table width=\"100%\" border=\"0\" cellspacing=\"12\" cellpadding=\"0\" align=\"center\">";
    EXPECT_EQ(page.text, expected);

    HtmlPage dots;
    startHtmlPage(dots, GalleryKind::memoryDots, 4, nullptr);
    EXPECT_NE(dots.text.find("<title>Twilightomator memory dots</title>"), std::string::npos);
    EXPECT_NE(dots.text.find("<b>Twilightomator memory dots <br>\r\n</b>"), std::string::npos);
}

TEST(HtmlPage, SevenPresetsFillARowOfFiveThenTwoAndThreeEmptyCells) {
    HtmlPage page;
    startHtmlPage(page, GalleryKind::presets, 5, nullptr);
    for (int i = 0; i < 7; ++i) {
        if (page.column == 1) openHtmlRow(page);
        writePictureCell(page, "/p/look " + std::to_string(i) + ".z5a", 88, 88);
    }
    EXPECT_EQ(page.column, 3);
    EXPECT_EQ(page.row, 2);
    finishHtmlPage(page);
    EXPECT_EQ(page.column, 1);
    EXPECT_EQ(page.row, 3);
    EXPECT_EQ(count(page.text, "id=\"Table_01\" width=\"94\""), 7u);
    EXPECT_EQ(count(page.text, "Hoefler Text"), 3u);
    // Two spacer rows of five cells each, each after a row end.
    EXPECT_EQ(count(page.text, "</tr>\r\n<tr>" + std::string("<td align=\"center\" valign=\"top\" width=\"20%\"><p>&nbsp;</p></td>")),
              2u);
    EXPECT_EQ(count(page.text, "<p>&nbsp;</p></td>"), 10u);
    // The second row opens after the first spacer row.
    EXPECT_NE(page.text.find("<p>&nbsp;</p></td></tr><tr><td align"), std::string::npos);
    const std::string end = "</table><br>\r\n</body></html>";
    EXPECT_EQ(page.text.substr(page.text.size() - end.size()), end);
    // The cell's frame: 94 x 2 above, 3 x 88 beside, 94 x 5 below; the table 95 high.
    EXPECT_NE(page.text.find("height=\"95\">"), std::string::npos);
    EXPECT_NE(page.text.find("<img src=\"web_images/bottom.gif\" width=\"94\" height=\"5\" border=\"0\">"),
              std::string::npos);
}

TEST(HtmlPage, AFullRowNeedsNoFilling) {
    HtmlPage page;
    startHtmlPage(page, GalleryKind::memoryDots, 4, nullptr);
    for (int i = 1; i <= 4; ++i) writePictureCell(page, "dot " + std::to_string(i), 300, 200);
    const size_t before = page.text.size();
    finishHtmlPage(page);
    EXPECT_EQ(page.text.substr(before), "</table><br>\r\n</body></html>");
    EXPECT_EQ(count(page.text, "<tr><td"), 1u);  // the spacer row only: dot rows are not opened
}

TEST(HtmlPage, PresetNameIsCaptionedEncodedAndCleaned) {
    const std::string path = "/p/a&b \xE9.z5a";
    EXPECT_EQ(galleryPictureFileName(path), "a&b _.jpg");  // 0x69 + 32 = 137 names no UTF-8 character
    HtmlPage page;
    startHtmlPage(page, GalleryKind::presets, 5, nullptr);
    writePictureCell(page, path, 88, 88);
    EXPECT_NE(page.text.find("<img src=\"web_images/a%26b%20%5f.jpg\" alt=\"a&amp;b _.jpg\" width=\"88\" "
                             "height=\"88\" border=\"0\">"),
              std::string::npos);
    EXPECT_NE(page.text.find("Arial\">a&amp;b &eacute;</font></div></td>\r\n\r\n"), std::string::npos);
}

TEST(HtmlText, EscapingCoversTheMarkupTheHighRangeAndTheNamedEntities) {
    EXPECT_EQ(htmlEscaped("\"<x>&z"), "&quot;&lt;x&gt;&amp;z");
    EXPECT_EQ(htmlEscaped("{~"), "&#123;&#126;");
    EXPECT_EQ(htmlEscaped("\x9F"), "&#159;");
    EXPECT_EQ(htmlEscaped("\xA0\xAD\xD7\xF7\xFF\xC6\xDE"), "&nbsp;&shy;&times;&divide;&yuml;&AElig;&THORN;");
    EXPECT_EQ(htmlEscaped("az09 '"), "az09 '");
    EXPECT_EQ(percentEncoded("Ab9 _\xFF"), "Ab9%20%5f%ff");
}

TEST(HtmlText, NamesInUtf8AreShownAsTheirCharacters) {
    // U+65E5 U+672C and U+1F600 (four bytes) as character references; a
    // Latin-1 character written in UTF-8 (C3 A9) as its entity.
    EXPECT_EQ(htmlEscaped("\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"), "&#26085;&#26412; &#128512;");
    EXPECT_EQ(htmlEscaped("caf\xC3\xA9"), "caf&eacute;");
    // Bytes that are no UTF-8 stay ISO-8859-1: a sequence cut short, an
    // overlong '/', a lone continuation byte, a surrogate.
    EXPECT_EQ(htmlEscaped("\xE8\xAA"), "&egrave;&ordf;");
    EXPECT_EQ(htmlEscaped("\xC0\xAF"), "&Agrave;&macr;");
    EXPECT_EQ(htmlEscaped("\x8F" "b"), "&#143;b");
    EXPECT_EQ(htmlEscaped("\xED\xA0\x80"), "&iacute;&nbsp;&#128;");
    // Picture names stay within ASCII: 0xE0, 0xFF and 0xDF give 128, 159 and
    // DEL by the high-bit rule, which no UTF-8 file name can hold.
    EXPECT_EQ(cleanPictureName("\xE0\xFF\xDF"), "___");
    EXPECT_EQ(cleanPictureName("\xE6\x97\xA5"), "_7E");  // 0x66 + 32 = 134, 0x17 + 32, 0x25 + 32
}

TEST(HtmlText, PictureNamesLoseControlBytesSeparatorsAndTheHighBit) {
    EXPECT_EQ(cleanPictureName("a\tb"), "a b");
    EXPECT_EQ(cleanPictureName("x/y:z\\w"), "x_y_z_w");
    EXPECT_EQ(cleanPictureName("\x8E"), "_");          // low bits 14
    EXPECT_EQ(cleanPictureName("\xC1"), "a");          // 65 + 32
    EXPECT_EQ(cleanPictureName("\x8F"), "_");          // 15 + 32 is '/', then a separator
    EXPECT_EQ(baseNameOf("/a/b.c/name.v2.z5a"), "name.v2");
    EXPECT_EQ(galleryPictureFileName("/a/plain"), "plain.jpg");
}

TEST(HtmlPage, EveryCellGetsAPictureOfItsOwn) {
    HtmlPage page;
    startHtmlPage(page, GalleryKind::presets, 5, nullptr);
    // Three names that clean to one, and one that differs from it in case only.
    EXPECT_EQ(writePictureCell(page, "/p/a:b.z5a", 88, 88), "a_b.jpg");
    EXPECT_EQ(writePictureCell(page, "/p/a_b.z5a", 88, 88), "a_b 2.jpg");
    EXPECT_EQ(writePictureCell(page, "/p/a\x8F" "b.z5a", 88, 88), "a_b 3.jpg");
    EXPECT_EQ(writePictureCell(page, "/p/A_B.z5a", 88, 88), "A_B 4.jpg");
    EXPECT_EQ(writePictureCell(page, "/p/c.z5a", 88, 88), "c.jpg");
    EXPECT_NE(page.text.find("<img src=\"web_images/a%5fb%202.jpg\" alt=\"a_b 2.jpg\""), std::string::npos);
    EXPECT_NE(page.text.find("Arial\">a_b</font>"), std::string::npos);  // captions keep the names
    EXPECT_NE(page.text.find("Arial\">a:b</font>"), std::string::npos);
}

TEST(HtmlText, PictureNamesAreFileNamesOnEverySystem) {
    EXPECT_EQ(cleanPictureName("<s>|?*\""), "_s_____");
    EXPECT_EQ(cleanPictureName("\x9C\xDC"), "__");  // 28 + 32 is '<', 92 + 32 is '|'
    EXPECT_EQ(cleanPictureName("nul"), "nul_");
    EXPECT_EQ(cleanPictureName("COM1"), "COM1_");
    EXPECT_EQ(cleanPictureName("console"), "console");
    // Windows names its devices by what comes before the first dot: the
    // preset "con.a.z5a" would otherwise be pictured as the console.
    EXPECT_EQ(cleanPictureName("con.a"), "con_.a");
    EXPECT_EQ(galleryPictureFileName("/p/Lpt9.old.z5a"), "Lpt9_.old.jpg");
    EXPECT_EQ(cleanPictureName("conduit.a"), "conduit.a");
#ifdef _WIN32
    EXPECT_EQ(baseNameOf("C:\\p\\back\\slash.z5a"), "slash");
#else
    // A backslash is part of a Linux file name, not a separator.
    EXPECT_EQ(baseNameOf("/p/\\back\\slash\\.z5a"), "\\back\\slash\\");
    EXPECT_EQ(galleryPictureFileName("/p/\\back\\slash\\.z5a"), "_back_slash_.jpg");
#endif
}

TEST(GalleryFrames, AreGif89aPicturesOfTheLayoutSizes) {
    const struct {
        const char* name;
        int w, h;
    } expected[4] = {{"top.gif", 94, 2}, {"left.gif", 3, 88}, {"right.gif", 3, 88}, {"bottom.gif", 94, 5}};
    for (int i = 0; i < 4; ++i) {
        const GalleryFrame& f = kGalleryFrames[i];
        EXPECT_STREQ(f.fileName, expected[i].name);
        ASSERT_GT(f.size, 13u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(f.bytes), 6), "GIF89a");
        EXPECT_EQ(f.bytes[6] | (f.bytes[7] << 8), expected[i].w);
        EXPECT_EQ(f.bytes[8] | (f.bytes[9] << 8), expected[i].h);
        EXPECT_EQ(f.bytes[f.size - 1], 0x3B);  // trailer
    }
}

}  // namespace
