// Folders on the browser server: pages and lists of sub-folders, downloads and uploads inside
// them, making a folder, deleting only an empty one, and the no-script delete question.
#include "http_server_fixture_support.h"

#include <unistd.h>

#include <filesystem>

namespace ohmkit::http::test {
namespace {

class HttpFoldersTest : public HttpServerTest {
protected:
    void SetUp() override
    {
        HttpServerTest::SetUp();
        std::filesystem::create_directories(path("ICs/old"));
        writeFile("ICs/NE555 timer.pdf", "%PDF NE555");
        writeFile("ICs/old/LM741.pdf", "%PDF LM741");
        writeFile("LM317.pdf", "%PDF LM317");
    }
};

TEST_F(HttpFoldersTest, AFolderPageListsItsEntriesWithTheWayBackUp)
{
    const CurlResult top = curl({url("")});
    const std::string base = "/" + server_->key() + "/";
    EXPECT_NE(top.body.find("href=\"" + base + "files/ICs/\">ICs/</a>"), std::string::npos);
    EXPECT_NE(top.body.find("2 items"), std::string::npos);

    const CurlResult page = curl({url("files/ICs/")});
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("href=\"" + base + "files/ICs/NE555%20timer.pdf\""), std::string::npos);
    EXPECT_NE(page.body.find("href=\"" + base + "files/ICs/old/\""), std::string::npos);
    EXPECT_NE(page.body.find("id=\"up\" href=\"" + base + "\""), std::string::npos);
    EXPECT_NE(page.body.find("action=\"" + base + "files/ICs/\""), std::string::npos);
    EXPECT_EQ(page.body.find("LM317"), std::string::npos);

    const CurlResult list = curl({url("list/ICs")});
    EXPECT_EQ(list.status, 200);
    EXPECT_EQ(list.body.rfind("[{\"name\":\"old\",\"size\":0,\"modified\":", 0), 0u) << list.body;
    EXPECT_NE(list.body.find("\"folder\":true,\"items\":1}"), std::string::npos);
    EXPECT_NE(list.body.find("{\"name\":\"NE555 timer.pdf\",\"size\":10,"), std::string::npos);

    EXPECT_EQ(curl({url("files/none/")}).status, 404);
    EXPECT_EQ(curl({url("list/none")}).status, 404);
    EXPECT_EQ(curl({url("files/LM317.pdf/")}).status, 404);   // a file is no folder
    EXPECT_EQ(curl({url("files/")}).status, 301);
}

TEST_F(HttpFoldersTest, DownloadsAndUploadsWorkInsideFolders)
{
    const CurlResult download = curl({url("files/ICs/NE555%20timer.pdf")});
    EXPECT_EQ(download.status, 200);
    EXPECT_EQ(download.body, "%PDF NE555");
    EXPECT_EQ(download.header("content-disposition"),
              "attachment; filename=\"NE555 timer.pdf\"; filename*=UTF-8''NE555%20timer.pdf");
    EXPECT_EQ(curl({url("files/ICs/old/LM741.pdf")}).body, "%PDF LM741");

    EXPECT_EQ(curl({"-T", sourceFile("a", "new"), url("files/ICs/old/TL072.pdf")}).status, 201);
    EXPECT_EQ(readFile("ICs/old/TL072.pdf"), "new");
    const CurlResult missing = curl({"-T", sourceFile("b", "x"), url("files/none/x.pdf")});
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.body, "No such folder.\n");

    // The form on a folder's page uploads into that folder and returns to it.
    const CurlResult form = curl({"-F", "file=@" + sourceFile("c.pdf", "form"), url("files/ICs/")});
    EXPECT_EQ(form.status, 303);
    EXPECT_EQ(form.header("location"), "./");
    EXPECT_EQ(readFile("ICs/c.pdf"), "form");
    EXPECT_FALSE(std::filesystem::exists(path("c.pdf")));
    EXPECT_EQ(observer_->fileListChanged, 2);
}

TEST_F(HttpFoldersTest, PutStraightUnderTheKeyStoresAsUnderFiles)
{
    // What "curl -T file http://ADDRESS/KEY/" and ".../KEY/ICs/" send.
    const std::string source = sourceFile("TL431.pdf", "%PDF TL431");
    EXPECT_EQ(curl({"-T", source, url("")}).status, 201);
    EXPECT_EQ(readFile("TL431.pdf"), "%PDF TL431");
    EXPECT_EQ(curl({"-T", source, url("ICs/")}).status, 201);
    EXPECT_EQ(readFile("ICs/TL431.pdf"), "%PDF TL431");
    EXPECT_EQ(curl({"-T", sourceFile("list", "a list"), url("")}).status, 201);
    EXPECT_EQ(readFile("list"), "a list");
    EXPECT_EQ(curl({url("list")}).header("content-type"), "application/json; charset=utf-8");
}

TEST_F(HttpFoldersTest, NamesStayConfinedInEveryStep)
{
    ASSERT_EQ(::symlink(root_.c_str(), path("ICs/out").c_str()), 0);
    const std::string source = sourceFile("x", "x");
    const struct {
        const char* path;
        int status;
    } cases[] = {
        {"files/ICs/../LM317.pdf", 400},  {"files/ICs/%2E%2E/LM317.pdf", 400}, {"files/ICs%2F..%2FLM317.pdf", 400},
        {"files/ICs/.ohmkit-upload-abc123", 400}, {"files/ICs//x.pdf", 400},  {"files/ICs/out/x.pdf", 404},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(curl({"--path-as-is", "-T", source, url(c.path)}).status, c.status) << c.path;
        EXPECT_EQ(curl({"--path-as-is", url(c.path)}).status, c.status == 404 ? 404 : 400) << c.path;
    }
    EXPECT_EQ(curl({url("files/ICs/out/")}).status, 404);
    EXPECT_EQ(curl({"-X", "MKCOL", url("files/ICs/out/made/")}).status, 404);
    EXPECT_FALSE(std::filesystem::exists(root_ + "/x"));
    EXPECT_FALSE(std::filesystem::exists(root_ + "/made"));
}

TEST_F(HttpFoldersTest, MakesAFolderAndDeletesOnlyAnEmptyOne)
{
    const CurlResult made = curl({"-X", "MKCOL", url("files/ICs/Op%20amps/")});
    EXPECT_EQ(made.status, 201);
    EXPECT_TRUE(std::filesystem::is_directory(path("ICs/Op amps")));
    EXPECT_EQ(curl({"-X", "MKCOL", url("files/ICs/Op%20amps/")}).status, 409);
    EXPECT_EQ(curl({"-X", "MKCOL", url("files/none/x/")}).status, 404);
    EXPECT_EQ(curl({"-X", "MKCOL", url("files/.ohmkit-upload-abc123/")}).status, 400);

    const CurlResult full = curl({"-X", "DELETE", url("files/ICs/")});
    EXPECT_EQ(full.status, 409);
    EXPECT_EQ(full.body, "The folder ICs is not empty: delete what it holds first.\n");
    EXPECT_EQ(readFile("ICs/old/LM741.pdf"), "%PDF LM741");
    EXPECT_EQ(curl({"-X", "DELETE", url("files/ICs/Op%20amps/")}).status, 200);
    EXPECT_FALSE(std::filesystem::exists(path("ICs/Op amps")));
    EXPECT_EQ(curl({"-X", "DELETE", url("files/ICs/old/LM741.pdf")}).status, 200);
    EXPECT_EQ(curl({"-X", "DELETE", url("files/ICs/old")}).status, 200);
    EXPECT_FALSE(std::filesystem::exists(path("ICs/old")));
    EXPECT_EQ(observer_->fileListChanged, 4);
}

TEST_F(HttpFoldersTest, WithoutScriptADeleteAsksFirstThenReturnsToTheFolder)
{
    const std::string base = "/" + server_->key() + "/";
    const CurlResult question = curl({url("delete/ICs/NE555%20timer.pdf")});
    EXPECT_EQ(question.status, 200);
    EXPECT_NE(question.body.find("action=\"" + base + "delete/ICs/NE555%20timer.pdf\""), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(path("ICs/NE555 timer.pdf")));   // asking deletes nothing

    const CurlResult done = curl({"-X", "POST", url("delete/ICs/NE555%20timer.pdf")});
    EXPECT_EQ(done.status, 303);
    EXPECT_EQ(done.header("location"), base + "files/ICs/");
    EXPECT_FALSE(std::filesystem::exists(path("ICs/NE555 timer.pdf")));

    EXPECT_NE(curl({url("delete/ICs/")}).body.find("holds 1 item."), std::string::npos);
    const CurlResult refused = curl({"-X", "POST", url("delete/ICs/")});
    EXPECT_EQ(refused.status, 409);
    EXPECT_NE(refused.body.find("is not empty"), std::string::npos);
    EXPECT_EQ(curl({url("delete/none.pdf")}).status, 404);
}

}  // namespace
}  // namespace ohmkit::http::test
