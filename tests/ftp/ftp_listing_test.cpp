#include "ftp/ftp_commands.h"
#include "ftp/ftp_listing.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace ohmkit::ftp {
namespace {

std::time_t localTime(int year, int month, int day, int hour, int minute)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

TEST(Listing, PermissionTexts)
{
    const std::pair<unsigned, const char*> cases[] = {
        {0644, "rw-r--r--"}, {0755, "rwxr-xr-x"}, {0666, "rw-rw-rw-"},
        {0777, "rwxrwxrwx"}, {04751, "rwxr-x--x"}, {0, "---------"},
    };
    for (auto [bits, text] : cases) EXPECT_EQ(permissionText(bits), text) << std::oct << bits;
}

TEST(Listing, DateIsEnglishMonthDayAndTimeWithoutYear)
{
    EXPECT_EQ(listingDate(localTime(2023, 1, 5, 13, 7)), "Jan 05 13:07");
    EXPECT_EQ(listingDate(localTime(1999, 12, 31, 0, 0)), "Dec 31 00:00");
}

TEST(Listing, LineColumns)
{
    ListingEntry file;
    file.name = "my datasheet.pdf";
    file.permissions = 0644;
    file.owner = "anna";
    file.group = "staff";
    file.size = 12345;
    file.modified = localTime(2024, 1, 5, 13, 7);
    EXPECT_EQ(listingLine(file),
              "-rw-r--r--     1         anna        staff      12345 Jan 05 13:07 my datasheet.pdf");

    ListingEntry folder = file;
    folder.name = "sub";
    folder.isDirectory = true;
    folder.permissions = 0755;
    folder.linkCount = 123456;
    folder.size = 4096;
    folder.owner = "a-rather-long-owner";
    EXPECT_EQ(listingLine(folder),
              "drwxr-xr-x 123456 a-rather-long-owner        staff       4096 Jan 05 13:07 sub");
}

class ListingDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ohmkit-listing-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void write(const std::string& name, std::size_t size)
    {
        std::ofstream(dir_ + "/" + name) << std::string(size, 'x');
    }
    std::vector<std::string> bodyLines(const std::string& listing)
    {
        std::vector<std::string> lines;
        std::istringstream in(listing.substr(listing.find("\r\n") + 2));
        for (std::string line; std::getline(in, line);) {
            EXPECT_EQ(line.back(), '\r') << line;   // every line ends in CR LF
            line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    std::string dir_;
};

TEST_F(ListingDir, EmptyOrHiddenOnlyGivesTheHeaderAlone)
{
    EXPECT_EQ(createList(dir_), "total 0\r\n");
    write(".hidden", 3);
    std::filesystem::create_directory(dir_ + "/.git");
    EXPECT_EQ(createList(dir_), "total 0\r\n");
    EXPECT_EQ(createList(dir_ + "/missing"), "total 0\r\n");
}

TEST_F(ListingDir, CountsLinksSizesAndEndsEachLineWithCrLf)
{
    write("n\xC3\xA4me with blanks.pdf", 12345);
    ::chmod((dir_ + "/n\xC3\xA4me with blanks.pdf").c_str(), 0640);
    std::filesystem::create_directory(dir_ + "/three");
    write("three/a", 1);
    write("three/b", 1);
    write("three/.c", 1);
    std::filesystem::create_directory(dir_ + "/empty");
    std::filesystem::create_directory_symlink(dir_ + "/three", dir_ + "/link");

    std::string listing = createList(dir_);
    ASSERT_EQ(listing.rfind("total 4\r\n", 0), 0u) << listing;
    ASSERT_EQ(listing.substr(listing.size() - 2), "\r\n");

    std::map<std::string, std::string> byName;
    for (const std::string& line : bodyLines(listing)) byName[line.substr(line.rfind(' ') + 1)] = line;
    ASSERT_EQ(byName.size(), 4u);   // "name with blanks" is keyed by its last word
    EXPECT_EQ(byName["blanks.pdf"].substr(0, 16), "-rw-r-----     1");
    EXPECT_NE(byName["blanks.pdf"].find("      12345 "), std::string::npos);
    EXPECT_NE(byName["blanks.pdf"].find(" n\xC3\xA4me with blanks.pdf"), std::string::npos);
    EXPECT_EQ(byName["three"].substr(0, 1), "d");
    EXPECT_EQ(byName["three"].substr(10, 6), "     3");
    EXPECT_EQ(byName["empty"].substr(10, 6), "     1");
    EXPECT_EQ(byName["link"].substr(0, 1), "-");          // a link is described as itself
    EXPECT_EQ(byName["link"].substr(10, 6), "     1");
}

TEST_F(ListingDir, AFileIsListedAsItsOneLine)
{
    write("sheet.pdf", 12345);
    const std::string line = createList(dir_ + "/sheet.pdf");
    EXPECT_EQ(line.rfind("-rw-", 0), 0u) << line;
    EXPECT_NE(line.find("      12345 "), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 12), " sheet.pdf\r\n");
    EXPECT_EQ(line.find('\n'), line.size() - 1);   // one line, no header
    EXPECT_EQ(createNameList(dir_ + "/sheet.pdf"), "sheet.pdf\r\n");
}

TEST_F(ListingDir, NameListsAreBareNamesPickedByShellPatterns)
{
    for (const char* name : {"a.pdf", "b.pdf", "notes.txt", ".hidden.pdf", "[x].pdf"}) write(name, 1);
    std::filesystem::create_directory(dir_ + "/sub");
    struct Case {
        const char* pattern;
        const char* prefix;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", "", {"[x].pdf", "a.pdf", "b.pdf", "notes.txt", "sub"}},   // hidden names skipped
        {"*", "", {"[x].pdf", "a.pdf", "b.pdf", "notes.txt", "sub"}},   // "*" never matches ".x"
        {"*.pdf", "", {"[x].pdf", "a.pdf", "b.pdf"}},
        {"?.pdf", "", {"a.pdf", "b.pdf"}},
        {"[ab].pdf", "", {"a.pdf", "b.pdf"}},
        {".*", "", {}},                                                 // hidden stays hidden
        {"*.txt", "docs/", {"docs/notes.txt"}},
        {"none*", "", {}},
    };
    for (const Case& test : cases) {
        std::vector<std::string> lines;
        std::istringstream in(createNameList(dir_, test.pattern, test.prefix));
        for (std::string line; std::getline(in, line);) {
            ASSERT_EQ(line.back(), '\r') << test.pattern;
            line.pop_back();
            lines.push_back(line);
        }
        std::sort(lines.begin(), lines.end());
        EXPECT_EQ(lines, test.lines) << test.pattern;
    }
}

TEST(CommandTable, OneRowPerLowerCaseWordFoundInAnyCase)
{
    std::set<std::string_view> words;
    for (const CommandRow& row : commandTable()) {
        EXPECT_TRUE(words.insert(row.word).second) << row.word;   // a second row would never be reached
        EXPECT_TRUE(std::none_of(row.word.begin(), row.word.end(), [](char c) { return std::isupper(static_cast<unsigned char>(c)); }))
            << row.word;
        EXPECT_EQ(findCommand(std::string(row.word)), &row);
        // Only uploads answer a refused path with 553.
        EXPECT_EQ(row.upload, row.word == "stor" || row.word == "appe") << row.word;
    }
    EXPECT_EQ(findCommand("StOr"), findCommand("stor"));
    EXPECT_NE(findCommand("rmd")->handler, findCommand("dele")->handler);   // RMD takes only an empty folder
    EXPECT_EQ(findCommand("ack")->handler, nullptr);   // known, answered as unknown
    EXPECT_EQ(findCommand("xmkd"), nullptr);
    EXPECT_EQ(findCommand(""), nullptr);
}

}  // namespace
}  // namespace ohmkit::ftp
