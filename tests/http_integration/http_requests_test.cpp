// The browser server over real loopback sockets, driven by curl and by raw sockets.
#include "http_server_fixture_support.h"

#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace ohmkit::http::test {
namespace {

bool hasTemporaryFile(const std::vector<std::string>& names)
{
    for (const auto& name : names)
        if (name.rfind(".ohmkit-upload-", 0) == 0) return true;
    return false;
}

TEST_F(HttpServerTest, ServesThePageWithTheStoreListed)
{
    writeFile("LM317.pdf", "%PDF-1.4");
    const CurlResult page = curl({url("")});
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.header("content-type"), "text/html; charset=utf-8");
    EXPECT_NE(page.header("content-security-policy").find("default-src 'none'"), std::string::npos);
    EXPECT_NE(page.body.find("href=\"/" + server_->key() + "/files/LM317.pdf\""), std::string::npos);
    EXPECT_NE(page.body.find("action=\"upload\""), std::string::npos);   // the form without script
    EXPECT_EQ(page.body.find("<!--FILES-->"), std::string::npos);

    const CurlResult bare = curl({"http://127.0.0.1:" + std::to_string(server_->port()) + "/" + server_->key()});
    EXPECT_EQ(bare.status, 301);
    EXPECT_EQ(bare.header("location"), "/" + server_->key() + "/");

    const CurlResult list = curl({url("list")});
    EXPECT_EQ(list.status, 200);
    EXPECT_EQ(list.body.rfind("[{\"name\":\"LM317.pdf\",\"size\":8,\"modified\":", 0), 0u) << list.body;
}

TEST_F(HttpServerTest, WithoutTheKeyThereIsNothingButNotFound)
{
    writeFile("LM317.pdf", "%PDF-1.4");
    const std::string host = "http://127.0.0.1:" + std::to_string(server_->port());
    std::string wrongKey = server_->key();
    wrongKey[0] = wrongKey[0] == 'a' ? 'b' : 'a';
    for (const std::string& address : {host + "/", host + "/index.html", host + "/files/LM317.pdf",
                                       host + "/" + wrongKey + "/", host + "/" + wrongKey + "/files/LM317.pdf",
                                       host + "/" + server_->key() + "x/", host + "/" + server_->key() + "/nothing"}) {
        const CurlResult result = curl({address});
        EXPECT_EQ(result.status, 404) << address;
        EXPECT_EQ(result.body, "") << address;
        EXPECT_EQ(result.headers.count("content-type"), 0u) << address;
    }
    const CurlResult put = curl({"-T", sourceFile("x.pdf", "x"), host + "/" + wrongKey + "/files/x.pdf"});
    EXPECT_EQ(put.status, 404);
    EXPECT_EQ(storeNames(), std::vector<std::string>{"LM317.pdf"});
}

TEST_F(HttpServerTest, DownloadsAFileByteForByteUnderItsUtf8Name)
{
    std::string content;
    for (int i = 0; i < 300000; ++i) content += static_cast<char>(i * 7);
    const std::string name = "Datenblatt \xC3\x84\xE2\x84\xA6.pdf";
    writeFile(name, content);
    const CurlResult result = curl({url("files/Datenblatt%20%C3%84%E2%84%A6.pdf")});
    EXPECT_EQ(result.status, 200);
    EXPECT_TRUE(result.body == content);
    EXPECT_EQ(result.header("content-type"), "application/pdf");
    EXPECT_EQ(result.header("content-disposition"),
              "attachment; filename=\"Datenblatt AOhm.pdf\"; filename*=UTF-8''Datenblatt%20%C3%84%E2%84%A6.pdf");
    EXPECT_EQ(result.header("content-security-policy"), "sandbox");
    ASSERT_FALSE(observer_->ended.empty());
    EXPECT_TRUE(observer_->ended.back());
    EXPECT_FALSE(observer_->last.upload);
    EXPECT_EQ(observer_->last.bytes, content.size());

    EXPECT_EQ(curl({url("files/none.pdf")}).status, 404);
    std::filesystem::create_directory(path("folder"));
    EXPECT_EQ(curl({url("files/folder")}).status, 404);
}

TEST_F(HttpServerTest, ALinkOutOfTheStoreIsRefused)
{
    const std::string outside = sourceFile("secret.txt", "secret");
    ASSERT_EQ(::symlink(outside.c_str(), path("secret.txt").c_str()), 0);
    ASSERT_EQ(::symlink("/", path("root").c_str()), 0);
    writeFile("inside.txt", "inside");
    ASSERT_EQ(::symlink("inside.txt", path("alias.txt").c_str()), 0);
    const CurlResult out = curl({url("files/secret.txt")});
    EXPECT_EQ(out.status, 400);
    EXPECT_EQ(out.body.find("secret"), std::string::npos);
    EXPECT_EQ(curl({url("files/root")}).status, 400);
    EXPECT_EQ(curl({url("files/alias.txt")}).body, "inside");
}

TEST_F(HttpServerTest, PutStoresANewFileAndReplacesAnExistingOne)
{
    const CurlResult first = curl({"-T", sourceFile("a", "first version"), url("files/LM317.pdf")});
    EXPECT_EQ(first.status, 201);
    EXPECT_EQ(readFile("LM317.pdf"), "first version");
    const CurlResult second = curl({"-T", sourceFile("b", "second"), url("files/LM317.pdf")});
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(readFile("LM317.pdf"), "second");
    const CurlResult empty = curl({"-T", sourceFile("c", ""), url("files/empty.txt")});
    EXPECT_EQ(empty.status, 201);
    EXPECT_EQ(storeNames(), (std::vector<std::string>{"LM317.pdf", "empty.txt"}));
    EXPECT_EQ(observer_->fileListChanged, 3);
    EXPECT_TRUE(observer_->last.upload);
    EXPECT_EQ(observer_->ended, (std::vector<bool>{true, true, true}));
}

TEST_F(HttpServerTest, AFormUploadsSeveralFilesAndReturnsToThePage)
{
    writeFile("b.pdf", "old b");
    const CurlResult result = curl({"-F", "file=@" + sourceFile("a.pdf", "content a"), "-F",
                                    "file=@" + sourceFile("b.pdf", "content b"), "-F", "other=value", url("upload")});
    EXPECT_EQ(result.status, 303);
    EXPECT_EQ(result.header("location"), "./");
    EXPECT_EQ(readFile("a.pdf"), "content a");
    EXPECT_EQ(readFile("b.pdf"), "content b");
    EXPECT_EQ(storeNames(), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    EXPECT_EQ(observer_->fileListChanged, 2);
}

TEST_F(HttpServerTest, AFormWithoutAFileSaysSo)
{
    const CurlResult result = curl({"-F", "file=@" + sourceFile("empty", "") + ";filename=", url("upload")});
    EXPECT_EQ(result.status, 400);
    EXPECT_NE(result.body.find("No file was chosen."), std::string::npos);
    const CurlResult notForm = curl({"--data-binary", "x", "-H", "Content-Type: application/octet-stream", url("upload")});
    EXPECT_EQ(notForm.status, 400);
    EXPECT_TRUE(storeNames().empty());
}

TEST_F(HttpServerTest, RefusedNamesAreAnsweredWithTheReasonAndNothingIsWritten)
{
    writeFile("keep.pdf", "keep");
    const std::string source = sourceFile("x", "payload");
    const struct {
        const char* path;
        const char* reason;
    } cases[] = {
        {"files/..", "\".\" and \"..\" are not file names."},
        {"files/%2E%2E", "\".\" and \"..\" are not file names."},
        {"files/.", "\".\" and \"..\" are not file names."},
        {"files/..%2Fescape.pdf", "A file name cannot contain \"/\"."},
        {"files/a%00b.pdf", "A file name cannot contain a NUL character."},
        {"files/%FF.pdf", "A file name must be UTF-8 text without control characters."},
        {"files/.ohmkit-upload-abc123", "This name is kept for uploads in progress."},
    };
    for (const auto& c : cases) {
        const CurlResult result = curl({"--path-as-is", "-X", "PUT", "--data-binary", "@" + source, url(c.path)});
        EXPECT_EQ(result.status, 400) << c.path;
        EXPECT_EQ(result.body, std::string(c.reason) + "\n") << c.path;
    }
    const CurlResult form = curl({"-F", "file=@" + source + ";filename=../escape.pdf", url("upload")});
    EXPECT_EQ(form.status, 400);
    EXPECT_NE(form.body.find("../escape.pdf: A file name cannot contain &quot;/&quot;."), std::string::npos) << form.body;
    EXPECT_EQ(storeNames(), std::vector<std::string>{"keep.pdf"});
    EXPECT_FALSE(std::filesystem::exists(root_ + "/escape.pdf"));
    EXPECT_EQ(observer_->fileListChanged, 0);
}

TEST_F(HttpServerTest, AFolderNameIsNotReplaced)
{
    std::filesystem::create_directory(path("folder"));
    writeFile("folder/kept.pdf", "kept");
    EXPECT_EQ(curl({"-T", sourceFile("x", "x"), url("files/folder")}).status, 400);
    EXPECT_EQ(curl({"-X", "DELETE", url("files/folder")}).status, 409);
    EXPECT_EQ(readFile("folder/kept.pdf"), "kept");
}

TEST_F(HttpServerTest, DeleteRemovesTheFile)
{
    writeFile("a.pdf", "a");
    writeFile("b.pdf", "b");
    const CurlResult result = curl({"-X", "DELETE", url("files/a.pdf")});
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(storeNames(), std::vector<std::string>{"b.pdf"});
    EXPECT_EQ(observer_->fileListChanged, 1);
    EXPECT_EQ(curl({"-X", "DELETE", url("files/a.pdf")}).status, 404);
    EXPECT_EQ(curl({"-X", "POST", url("files/b.pdf")}).header("allow"), "GET, HEAD, PUT, DELETE");
}

TEST_F(HttpServerTest, ACancelledUploadLeavesNothingAndTheOldFileUntouched)
{
    writeFile("keep.pdf", "the old content");
    RawClient client(server_->port());
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(client.send("PUT /" + server_->key() +
                            "/files/keep.pdf HTTP/1.1\r\nHost: x\r\nContent-Length: 1000000\r\n\r\n" +
                            std::string(20000, 'x')));
    ASSERT_TRUE(runUntil([&] { return observer_->last.bytes == 20000; }));
    EXPECT_TRUE(hasTemporaryFile(storeNames()));
    client.close();
    ASSERT_TRUE(runUntil([&] { return !observer_->ended.empty(); }));
    EXPECT_FALSE(observer_->ended.back());
    EXPECT_EQ(storeNames(), std::vector<std::string>{"keep.pdf"});
    EXPECT_EQ(readFile("keep.pdf"), "the old content");
    EXPECT_EQ(observer_->fileListChanged, 0);
}

TEST_F(HttpServerTest, StoppingTheServerDuringAnUploadLeavesNothing)
{
    RawClient client(server_->port());
    ASSERT_TRUE(client.send("PUT /" + server_->key() + "/files/new.pdf HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\nabc"));
    ASSERT_TRUE(runUntil([&] { return observer_->last.bytes == 3; }));
    server_->stop();
    EXPECT_TRUE(storeNames().empty());
}

TEST_F(HttpServerTest, AFullDiskAnswers507AndKeepsTheOldFile)
{
    writeFile("keep.pdf", "old");
    const std::string big = sourceFile("big", std::string(300000, 'b'));
    // The file-size limit stands in for a full disk: writes past it fail with EFBIG.
    struct sigaction ignore{}, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const CurlResult put = curl({"-T", big, url("files/keep.pdf")});
    const CurlResult form = curl({"-F", "file=@" + big + ";filename=new.pdf", url("upload")});
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_EQ(put.status, 507);
    EXPECT_EQ(put.body, "The disk is full.\n");
    EXPECT_EQ(form.status, 507);
    EXPECT_NE(form.body.find("new.pdf: The disk is full."), std::string::npos);
    EXPECT_EQ(storeNames(), std::vector<std::string>{"keep.pdf"});
    EXPECT_EQ(readFile("keep.pdf"), "old");
}

TEST_F(HttpServerTest, ABodyLargerThanTheFreeSpaceIsRefusedBeforeItIsRead)
{
    RawClient client(server_->port());
    ASSERT_TRUE(client.send("PUT /" + server_->key() +
                            "/files/huge.pdf HTTP/1.1\r\nHost: x\r\nContent-Length: 9000000000000000000\r\n\r\n"));
    std::string answer;
    bool closed = false;
    ASSERT_TRUE(runUntil([&] {
        answer += client.receiveAvailable(closed);
        return answer.find("\r\n\r\n") != std::string::npos;
    }));
    EXPECT_EQ(answer.rfind("HTTP/1.1 507", 0), 0u) << answer;
    EXPECT_TRUE(storeNames().empty());
}

TEST_F(HttpServerTest, TellsTheObserverAboutRequestsResponsesAndConnections)
{
    curl({url("")});
    curl({url("list")});
    EXPECT_EQ(observer_->received, 2);
    EXPECT_EQ(observer_->sent, 2);
    EXPECT_TRUE(runUntil([&] { return observer_->connections == 0; }));
    RawClient client(server_->port());
    EXPECT_TRUE(runUntil([&] { return observer_->connections == 1; }));
}

}  // namespace
}  // namespace ohmkit::http::test
