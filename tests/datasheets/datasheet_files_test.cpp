#include "datasheets/datasheet_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "datasheets_test_support.h"
#include "platform/files.h"

using namespace ohmkit::datasheets;
using ohmkit::datasheets::test::ScopedEnv;
using ohmkit::datasheets::test::TempDocuments;

TEST(DatasheetFiles, SizesInDecimalUnitsRoundedIntoTheNextUnit)
{
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 B"},          {999, "999 B"},          {1000, "1.0 kB"},          {1049, "1.0 kB"},
        {1050, "1.1 kB"},    {9949, "9.9 kB"},        {9950, "10 kB"},           {123456, "123 kB"},
        {999499, "999 kB"},  {999500, "1.0 MB"},      {1500000, "1.5 MB"},       {45000000, "45 MB"},
        {2000000000, "2.0 GB"}, {18446744073709551615ull, "18 EB"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(humanSize(bytes), text) << bytes;
}

TEST(DatasheetFiles, DetailLineAndTypeOfEachKindOfEntry)
{
    ScopedEnv tz("TZ", "UTC");
    ::tzset();
    DatasheetFile pdf{"LM317.pdf", false, 1500000, 1714573920, DocumentKind::Pdf};   // 2024-05-01 14:32 UTC
    EXPECT_EQ(fileDetail(pdf), "1.5 MB \u00b7 2024-05-01 14:32");
    EXPECT_EQ(typeDescription(pdf), "PDF document");
    EXPECT_STREQ(iconName(pdf), "doc_pdf");

    DatasheetFile folder{"old", true, 0, 1714573920, DocumentKind::Unsupported};
    EXPECT_EQ(fileDetail(folder), "Folder \u00b7 2024-05-01 14:32");
    EXPECT_EQ(typeDescription(folder), "Folder");
    EXPECT_STREQ(iconName(folder), "doc_folder");

    // An entry that could not be read has no date.
    EXPECT_EQ(fileDetail(DatasheetFile{"gone", false, 0, 0, DocumentKind::Unsupported}), "0 B");

    const std::tuple<const char*, DocumentKind, const char*, const char*> kinds[] = {
        {"pinout.png", DocumentKind::Image, "Image", "doc_image"},
        {"notes.txt", DocumentKind::Text, "Text", "doc_text"},
        {"page.html", DocumentKind::Html, "Web page", "doc_text"},
        {"board.zip", DocumentKind::Unsupported, "ZIP file", "doc_other"},
        {"Board.Kicad_Pcb", DocumentKind::Unsupported, "KICAD_PCB file", "doc_other"},
        {"README", DocumentKind::Unsupported, "File", "doc_other"},
        {".hidden", DocumentKind::Unsupported, "File", "doc_other"},
    };
    for (const auto& [name, kind, type, icon] : kinds) {
        DatasheetFile file{name, false, 1, 1, kind};
        EXPECT_EQ(typeDescription(file), type) << name;
        EXPECT_STREQ(iconName(file), icon) << name;
    }
}

TEST(DatasheetFiles, DescribesWhatIsOnDisk)
{
    TempDocuments docs;
    docs.write("LM358.pdf", test::minimalPdf("LM358"));
    ::mkdir((docs.path() + "/sub").c_str(), 0700);
    const DatasheetFile pdf = describeFile(docs.path(), "LM358.pdf");
    EXPECT_FALSE(pdf.folder);
    EXPECT_EQ(pdf.size, test::minimalPdf("LM358").size());
    EXPECT_EQ(pdf.kind, DocumentKind::Pdf);
    EXPECT_GT(pdf.modified, 0);
    const DatasheetFile sub = describeFile(docs.path(), "sub");
    EXPECT_TRUE(sub.folder);
    EXPECT_EQ(sub.size, 0u);
    const DatasheetFile gone = describeFile(docs.path(), "gone.pdf");
    EXPECT_EQ(gone.name, "gone.pdf");
    EXPECT_EQ(gone.modified, 0);
}

TEST(DatasheetFiles, FilterIgnoresCaseAndSurroundingBlanks)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"LM317.pdf", "", true},
        {"LM317.pdf", "   ", true},
        {"LM317.pdf", "lm3", true},
        {"LM317.pdf", " 317 ", true},
        {"LM317.pdf", ".PDF", true},
        {"LM317.pdf", "lm358", false},
        {"\xc3\x84rger.txt", "\xc3\xa4rg", true},       // Ä and ä
        {"Stra\xc3\x9f" "e.pdf", "STRASSE", true},      // full case folding: ß is ss
        {"Cafe\xcc\x81.pdf", "caf\xc3\xa9", true},      // decomposed é matches the composed one
        {"\xff\xfe odd.bin", "ODD", true},              // not UTF-8: ASCII letters still fold
    };
    for (const auto& [name, filter, expected] : cases) EXPECT_EQ(nameMatches(name, filter), expected) << name << " / " << filter;
}

TEST(DatasheetFiles, NaturalOrderComparesNumbersByValueAndIgnoresCase)
{
    std::vector<std::string> names = {"LM1117.pdf", "lm358.pdf", "LM317.pdf", "a10", "A2", "a02", "a2", "b", "B", "",
                                      "x007y", "x7z", "99999999999999999999999 big", "100000000000000000000000 bigger"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return naturalCompare(a, b) < 0; });
    const std::vector<std::string> expected = {"",
                                               "99999999999999999999999 big",
                                               "100000000000000000000000 bigger",
                                               "A2",
                                               "a02",
                                               "a2",
                                               "a10",
                                               "B",
                                               "b",
                                               "LM317.pdf",
                                               "lm358.pdf",
                                               "LM1117.pdf",
                                               "x007y",
                                               "x7z"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(naturalCompare("same", "same"), 0);
    EXPECT_EQ(naturalCompare("a", "b"), -naturalCompare("b", "a"));
}

// Deleting and renaming refuse what the FTP server refuses, whatever the name.
class StoreEntryChanges : public ::testing::Test {
protected:
    void SetUp() override
    {
        docs.write("LM317.pdf", "%PDF-1.4\n");
        docs.write("notes.txt", "x");
        ::mkdir((docs.path() + "/sub").c_str(), 0700);
        docs.write("sub/inner.pdf", "x");
        outside = docs.path() + "-outside";
        ::mkdir(outside.c_str(), 0700);
        ASSERT_EQ(::symlink(outside.c_str(), (docs.path() + "/escape").c_str()), 0);
    }
    void TearDown() override
    {
        ::unlink((outside + "/kept").c_str());
        ::rmdir(outside.c_str());
    }
    bool exists(const std::string& name) const { return ohmkit::platform::fileExists(docs.path() + "/" + name); }

    TempDocuments docs;
    std::string outside;
};

TEST_F(StoreEntryChanges, DeleteRemovesFilesAndFoldersWithTheirContents)
{
    EXPECT_EQ(deleteStoreEntry(docs.path(), "LM317.pdf"), "");
    EXPECT_FALSE(exists("LM317.pdf"));
    EXPECT_EQ(deleteStoreEntry(docs.path(), "sub"), "");
    EXPECT_FALSE(exists("sub"));
    EXPECT_EQ(deleteStoreEntry(docs.path(), "LM317.pdf"), "\u201cLM317.pdf\u201d no longer exists.");
}

TEST_F(StoreEntryChanges, DeleteRefusesNamesOutsideTheStore)
{
    std::ofstream(outside + "/kept") << "keep me";
    for (const std::string name : {"", "/", ".", "..", "../notes.txt", "sub/..", "escape", "escape/kept", "/../kept"}) {
        const std::string error = deleteStoreEntry(docs.path(), name);
        EXPECT_FALSE(error.empty()) << name;
    }
    EXPECT_EQ(deleteStoreEntry(docs.path(), "escape/kept"),
              "\u201c" "escape/kept\u201d cannot be deleted: it is not inside the datasheet store.");
    EXPECT_TRUE(ohmkit::platform::fileExists(outside + "/kept"));
    EXPECT_TRUE(exists("notes.txt"));
    // A name with a leading "/" is taken from the store, as FTP clients mean it.
    EXPECT_EQ(deleteStoreEntry(docs.path(), "/notes.txt"), "");
    EXPECT_FALSE(exists("notes.txt"));
}

TEST_F(StoreEntryChanges, RenameMovesWithinTheStoreAndRefusesTheRest)
{
    EXPECT_EQ(renameStoreEntry(docs.path(), "LM317.pdf", "LM317 regulator.pdf"), "");
    EXPECT_TRUE(exists("LM317 regulator.pdf"));
    EXPECT_FALSE(exists("LM317.pdf"));
    EXPECT_EQ(renameStoreEntry(docs.path(), "notes.txt", "sub/notes.txt"), "");   // into a folder, as RNTO allows
    EXPECT_TRUE(exists("sub/notes.txt"));
    EXPECT_EQ(renameStoreEntry(docs.path(), "sub", "sub"), "");                   // unchanged: nothing to do

    const std::tuple<std::string, std::string, std::string> refused[] = {
        {"LM317 regulator.pdf", "", "Type a new name."},
        {"LM317 regulator.pdf", "../stolen.pdf", "\u201c../stolen.pdf\u201d is not inside the datasheet store."},
        {"LM317 regulator.pdf", "escape/stolen.pdf", "\u201c" "escape/stolen.pdf\u201d is not inside the datasheet store."},
        {"LM317 regulator.pdf", "/", "\u201c/\u201d is not inside the datasheet store."},
        {"LM317 regulator.pdf", "sub", "\u201csub\u201d already exists."},
        {"missing.pdf", "new.pdf", "\u201cmissing.pdf\u201d no longer exists."},
        {"..", "up", "\u201c..\u201d cannot be renamed: it is not inside the datasheet store."},
        {"", "x", "No file was chosen."},
    };
    for (const auto& [from, to, error] : refused) EXPECT_EQ(renameStoreEntry(docs.path(), from, to), error) << from << " -> " << to;
    EXPECT_TRUE(exists("LM317 regulator.pdf"));
    EXPECT_FALSE(ohmkit::platform::fileExists(outside + "/stolen.pdf"));
}
