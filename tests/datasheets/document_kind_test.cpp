#include "ui/document_kind.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "datasheets_test_support.h"

using namespace ohmkit::datasheets;
using namespace ohmkit::ui;
using ohmkit::datasheets::test::TempDocuments;

namespace {

const std::string kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
const std::string kJpeg("\xff\xd8\xff\xe0\0\x10JFIF", 10);
const std::string kBinary("PK\x03\x04\x14\0\0\0", 8);

}  // namespace

TEST(DocumentKind, ChoosesTheRendererByContentThenName)
{
    struct Case {
        const char* name;
        std::string head;
        DocumentKind expected;
    } cases[] = {
        {"LM317.pdf", test::minimalPdf("LM317"), DocumentKind::Pdf},
        {"LM317.PDF", "%PDF-1.7\n", DocumentKind::Pdf},
        {"scan", "%PDF-1.3\n", DocumentKind::Pdf},                   // no extension: the header decides
        {"mislabelled.txt", "%PDF-1.5\n%\xe2\xe3\xcf\xd3", DocumentKind::Pdf},
        {"junk-first.pdf", "garbage\r\n%PDF-1.4\n", DocumentKind::Pdf},
        {"damaged.pdf", "", DocumentKind::Pdf},                       // the PDF view reports the damage
        {"pinout.png", kPng, DocumentKind::Image},
        {"pinout", kJpeg, DocumentKind::Image},
        {"photo.JPG", kJpeg, DocumentKind::Image},
        {"anim.gif", "GIF89a\x01\0", DocumentKind::Image},
        {"logo.svg", "<?xml version=\"1.0\"?><svg/>", DocumentKind::Image},
        {"BMS notes", "BMS balancing notes\n", DocumentKind::Text},   // "BM" alone is no bitmap
        {"page.html", "<p>hi</p>", DocumentKind::Html},
        {"page.HTM", "<html></html>", DocumentKind::Html},
        {"saved", "\xef\xbb\xbf\n  <!DOCTYPE HTML><html>", DocumentKind::Html},
        {"notes.txt", "Vout = 1.25 (1 + R2/R1)\n", DocumentKind::Text},
        {"README", "plain words\twith tabs\r\n", DocumentKind::Text},
        {"Widerst\xc3\xa4nde.md", "\xc3\x84nderungen \xe2\x80\x94 \xce\xa9\n", DocumentKind::Text},
        {"cut.txt", "ends in the middle of \xe2\x82", DocumentKind::Text},   // a prefix of a longer file
        {"empty.txt", "", DocumentKind::Text},
        {"binary.txt", std::string("ab\0cd", 5), DocumentKind::Unsupported},
        {"latin1.txt", "caf\xe9 au lait", DocumentKind::Unsupported},
        {"page.html", kBinary, DocumentKind::Unsupported},
        {"board.zip", kBinary, DocumentKind::Unsupported},
        {"schematic.sch", kBinary, DocumentKind::Unsupported},
        {"report.docx", kBinary, DocumentKind::Unsupported},
        {"letter.rtf", "{\\rtf1\\ansi hello}", DocumentKind::Unsupported},
        {".hidden", "text\n", DocumentKind::Text},
    };
    for (const auto& c : cases) EXPECT_EQ(documentKindFor(c.name, c.head), c.expected) << c.name;
}

TEST(DocumentKind, ReadsTheFileItself)
{
    TempDocuments docs;
    docs.write("a.pdf", test::minimalPdf("A"));
    docs.write("noext", kPng);
    ::mkdir((docs.path() + "/folder.pdf").c_str(), 0700);
    EXPECT_EQ(documentKindOfFile(docs.path() + "/a.pdf"), DocumentKind::Pdf);
    EXPECT_EQ(documentKindOfFile(docs.path() + "/noext"), DocumentKind::Image);
    EXPECT_EQ(documentKindOfFile(docs.path() + "/folder.pdf"), DocumentKind::Unsupported);
    EXPECT_EQ(documentKindOfFile(docs.path() + "/vanished.pdf"), DocumentKind::Unsupported);
}
