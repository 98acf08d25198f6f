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

TEST_F(StoreFolder, ListsFoldersFirstThenFilesByNameWithoutUploadsInProgress)
{
    write("b.pdf", "12345");
    write("A.pdf", "1");
    write(".notes", "");
    write("c.txt", "");
    write(".ohmkit-upload-a1b2c3", "partial");
    std::filesystem::create_directory(dir_ + "/folder");
    std::filesystem::create_directory(dir_ + "/Bags");
    write("folder/inside.pdf", "x");
    ASSERT_EQ(::symlink("b.pdf", (dir_ + "/link.pdf").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (dir_ + "/dangling").c_str()), 0);
    const auto files = storeFiles(dir_);
    std::vector<std::string> names;
    for (const auto& file : files) names.push_back(file.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Bags", "folder", ".notes", "A.pdf", "b.pdf", "c.txt", "link.pdf"}));
    EXPECT_TRUE(files[0].folder && files[1].folder && !files[2].folder);
    EXPECT_EQ(files[0].items, 0u);
    EXPECT_EQ(files[1].items, 1u);
    EXPECT_EQ(files[4].size, 5u);
    EXPECT_EQ(files[6].size, 5u);
    EXPECT_GT(files[4].modified, 0);
}

TEST_F(StoreFolder, AMissingFolderListsNothing) { EXPECT_TRUE(storeFiles(dir_ + "/none").empty()); }

TEST(ListingJson, EscapesNamesAndKeepsUtf8)
{
    EXPECT_EQ(listingJson({}), "[]");
    EXPECT_EQ(listingJson({{"a\"b\\c\x01.pdf", 3, 10}, {"\xC3\xA4.pdf", 0, 0}}),
              "[{\"name\":\"a\\\"b\\\\c\\u0001.pdf\",\"size\":3,\"modified\":10},"
              "{\"name\":\"\xC3\xA4.pdf\",\"size\":0,\"modified\":0}]");
    EXPECT_EQ(listingJson({{"ICs", 0, 7, true, 2}}), "[{\"name\":\"ICs\",\"size\":0,\"modified\":7,\"folder\":true,\"items\":2}]");
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

TEST(RenderPage, AFolderPageLinksItsRowsAndTheWayBackUp)
{
    const PageView view{"/k3x9p2/", "ICs/old & new"};
    const std::string page = renderPage("<!--CRUMBS-->|<!--FORM-->|<!--FOLDER-->|<table><!--FILES--></table><!--EMPTY-->",
                                        {{"Op amps", 0, 0, true, 3}, {"NE555 timer.pdf", 10, 0}}, view);
    // Rows: a folder opens, a file downloads, both under the folder's path, each name encoded.
    EXPECT_NE(page.find("href=\"/k3x9p2/files/ICs/old%20%26%20new/Op%20amps/\">Op amps/</a>"), std::string::npos) << page;
    EXPECT_NE(page.find("3 items"), std::string::npos);
    EXPECT_NE(page.find("href=\"/k3x9p2/files/ICs/old%20%26%20new/NE555%20timer.pdf\" download"), std::string::npos);
    EXPECT_NE(page.find("href=\"/k3x9p2/delete/ICs/old%20%26%20new/NE555%20timer.pdf\""), std::string::npos);
    // Breadcrumbs to each folder above, and a link one step up.
    EXPECT_NE(page.find("<a href=\"/k3x9p2/\">Datasheets</a>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"/k3x9p2/files/ICs/\">ICs</a>"), std::string::npos);
    EXPECT_NE(page.find("<span aria-current=\"page\">old &amp; new</span>"), std::string::npos);
    EXPECT_NE(page.find("id=\"up\" href=\"/k3x9p2/files/ICs/\">&larr; Up to ICs</a>"), std::string::npos);
    // The form uploads into this folder.
    EXPECT_NE(page.find("|/k3x9p2/files/ICs/old%20%26%20new/|ICs/old &amp; new|"), std::string::npos);
    EXPECT_NE(renderPage("<!--EMPTY-->", {}, view).find("This folder is empty."), std::string::npos);
    // The top page has no way up and posts to "upload".
    EXPECT_EQ(renderPage("<!--CRUMBS-->|<!--FORM-->", {}, {"/k3x9p2/", ""}), "|upload");
}

TEST(DeleteQuestionPage, AsksBeforeAFileOrEmptyFolderAndRefusesAFullOne)
{
    const std::string file = deleteQuestionPage("ICs/<a>.pdf", false, 0, "/k/delete/ICs/%3Ca%3E.pdf", "/k/files/ICs/");
    EXPECT_NE(file.find("Delete &ldquo;ICs/&lt;a&gt;.pdf&rdquo; from Ohmkit?"), std::string::npos) << file;
    EXPECT_NE(file.find("<form method=\"post\" action=\"/k/delete/ICs/%3Ca%3E.pdf\""), std::string::npos);
    EXPECT_NE(file.find("prefers-color-scheme:dark"), std::string::npos);
    const std::string empty = deleteQuestionPage("ICs", true, 0, "/k/delete/ICs", "/k/");
    EXPECT_NE(empty.find("the empty folder &ldquo;ICs&rdquo;"), std::string::npos);
    const std::string full = deleteQuestionPage("ICs", true, 2, "/k/delete/ICs", "/k/");
    EXPECT_NE(full.find("holds 2 items"), std::string::npos);
    EXPECT_EQ(full.find("<form"), std::string::npos);
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
         "attachment; filename=\"Datenblatt A.pdf\"; filename*=UTF-8''Datenblatt%20%C3%84.pdf"},
        // Accents off, the units an electronics name holds spelled out, "_" for the rest.
        {"Gr\xC3\xB6\xC3\x9F" "e \xCE\xA9.pdf", "attachment; filename=\"Grosse Ohm.pdf\"; filename*=UTF-8''Gr%C3%B6%C3%9Fe%20%CE%A9.pdf"},
        {"100\xC2\xB5" "F \xE2\x84\xA6 \xC3\xA9t\xC3\xA9.pdf", "attachment; filename=\"100uF Ohm ete.pdf\"; filename*=UTF-8''100%C2%B5F%20%E2%84%A6%20%C3%A9t%C3%A9.pdf"},
        {"\xE6\x95\xB0\xE6\x8D\xAE.pdf", "attachment; filename=\"__.pdf\"; filename*=UTF-8''%E6%95%B0%E6%8D%AE.pdf"},
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
