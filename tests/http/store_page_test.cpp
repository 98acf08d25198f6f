#include "http/store_page.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace ohmkit::http {
namespace {

class StoreFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ohmkit-store-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void write(const std::string& name, const std::string& content)
    {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << content;
    }
    std::string dir_;
};

TEST_F(StoreFolder, ListsFilesByNameWithoutFoldersOrUploadsInProgress)
{
    write("b.pdf", "12345");
    write("A.pdf", "1");
    write(".notes", "");
    write("c.txt", "");
    write(".ohmkit-upload-a1b2c3", "partial");
    std::filesystem::create_directory(dir_ + "/folder");
    ASSERT_EQ(::symlink("b.pdf", (dir_ + "/link.pdf").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (dir_ + "/dangling").c_str()), 0);
    const auto files = storeFiles(dir_);
    std::vector<std::string> names;
    for (const auto& file : files) names.push_back(file.name);
    EXPECT_EQ(names, (std::vector<std::string>{".notes", "A.pdf", "b.pdf", "c.txt", "link.pdf"}));
    EXPECT_EQ(files[2].size, 5u);
    EXPECT_EQ(files[4].size, 5u);
    EXPECT_GT(files[2].modified, 0);
}

TEST_F(StoreFolder, AMissingFolderListsNothing) { EXPECT_TRUE(storeFiles(dir_ + "/none").empty()); }

TEST(ListingJson, EscapesNamesAndKeepsUtf8)
{
    EXPECT_EQ(listingJson({}), "[]");
    EXPECT_EQ(listingJson({{"a\"b\\c\x01.pdf", 3, 10}, {"\xC3\xA4.pdf", 0, 0}}),
              "[{\"name\":\"a\\\"b\\\\c\\u0001.pdf\",\"size\":3,\"modified\":10},"
              "{\"name\":\"\xC3\xA4.pdf\",\"size\":0,\"modified\":0}]");
}

TEST(RenderPage, PutsOneEscapedRowPerFile)
{
    const std::string page = renderPage("<table><!--FILES--></table><!--EMPTY-->", {{"<b>&\"'.pdf", 1500, 0}});
    EXPECT_NE(page.find("href=\"files/%3Cb%3E%26%22%27.pdf\""), std::string::npos) << page;
    EXPECT_NE(page.find(">&lt;b&gt;&amp;&quot;&#39;.pdf</a>"), std::string::npos) << page;
    EXPECT_NE(page.find("1.5 kB"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(page.find("No datasheets yet"), std::string::npos);
    EXPECT_NE(renderPage("<!--EMPTY-->", {}).find("No datasheets yet"), std::string::npos);
}

TEST(FormResultPage, EscapesEveryLine)
{
    const std::string page = formResultPage({"<script>: saved."});
    EXPECT_NE(page.find("&lt;script&gt;: saved."), std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
}

TEST(ContentDisposition, KeepsTheUtf8NameAndGivesOldClientsAnAsciiOne)
{
    const struct {
        const char* name;
        const char* header;
    } cases[] = {
        {"LM317.pdf", "attachment; filename=\"LM317.pdf\"; filename*=UTF-8''LM317.pdf"},
        {"Datenblatt \xC3\x84.pdf",
         "attachment; filename=\"Datenblatt _.pdf\"; filename*=UTF-8''Datenblatt%20%C3%84.pdf"},
        {"a\"b\\c%d;e.pdf", "attachment; filename=\"a_b_c_d;e.pdf\"; filename*=UTF-8''a%22b%5Cc%25d%3Be.pdf"},
    };
    for (const auto& c : cases) EXPECT_EQ(contentDisposition(c.name), c.header);
}

TEST(ContentType, FollowsTheExtension)
{
    EXPECT_STREQ(contentType("a.PDF"), "application/pdf");
    EXPECT_STREQ(contentType("a.jpeg"), "image/jpeg");
    EXPECT_STREQ(contentType("notes.txt"), "text/plain; charset=utf-8");
    EXPECT_STREQ(contentType("README"), "application/octet-stream");
    EXPECT_STREQ(contentType("archive.tar.gz"), "application/octet-stream");
}

}  // namespace
}  // namespace ohmkit::http
