#include "http/request_target.h"

#include <gtest/gtest.h>

namespace ohmkit::http {
namespace {

constexpr const char* kKey = "k3x9p2";

TEST(RouteRequest, AnswersOnlyUnderTheKey)
{
    const struct {
        const char* method;
        const char* path;
        Action action;
        const char* name;
    } cases[] = {
        {"GET", "/k3x9p2/", Action::Page, ""},
        {"HEAD", "/k3x9p2/", Action::Page, ""},
        {"GET", "/k3x9p2", Action::Redirect, ""},
        {"GET", "/k3x9p2/list", Action::List, ""},
        {"POST", "/k3x9p2/upload", Action::FormUpload, ""},
        {"GET", "/k3x9p2/files/LM317.pdf", Action::Download, "LM317.pdf"},
        {"HEAD", "/k3x9p2/files/LM317.pdf", Action::Download, "LM317.pdf"},
        {"PUT", "/k3x9p2/files/LM317.pdf", Action::Upload, "LM317.pdf"},
        {"DELETE", "/k3x9p2/files/LM317.pdf", Action::Delete, "LM317.pdf"},
        {"GET", "/k3x9p2/files/Datenblatt%20%C3%84%2B.pdf", Action::Download, "Datenblatt \xC3\x84+.pdf"},
        {"GET", "/k3x9p2/files/a+b.pdf", Action::Download, "a+b.pdf"},
        // Folders: a path ending in "/" is a folder's page, form upload, deletion or making.
        {"GET", "/k3x9p2/files/ICs/NE555%20timer.pdf", Action::Download, "ICs/NE555 timer.pdf"},
        {"PUT", "/k3x9p2/files/ICs/old/LM741.pdf", Action::Upload, "ICs/old/LM741.pdf"},
        {"DELETE", "/k3x9p2/files/ICs/old/LM741.pdf", Action::Delete, "ICs/old/LM741.pdf"},
        {"GET", "/k3x9p2/files/ICs/", Action::Page, "ICs"},
        {"GET", "/k3x9p2/files/ICs/old/", Action::Page, "ICs/old"},
        {"POST", "/k3x9p2/files/ICs/", Action::FormUpload, "ICs"},
        {"DELETE", "/k3x9p2/files/ICs/", Action::Delete, "ICs"},
        {"DELETE", "/k3x9p2/files/ICs", Action::Delete, "ICs"},
        {"MKCOL", "/k3x9p2/files/ICs/new/", Action::MakeFolder, "ICs/new"},
        {"GET", "/k3x9p2/files/", Action::Redirect, ""},
        {"GET", "/k3x9p2/list/ICs", Action::List, "ICs"},
        {"GET", "/k3x9p2/list/ICs/old", Action::List, "ICs/old"},
        {"GET", "/k3x9p2/delete/ICs/a.pdf", Action::ConfirmDelete, "ICs/a.pdf"},
        {"POST", "/k3x9p2/delete/ICs/", Action::FormDelete, "ICs"},
        // PUT straight under the key stores as under files/ (what "curl -T file URL/" sends).
        {"PUT", "/k3x9p2/LM317.pdf", Action::Upload, "LM317.pdf"},
        {"PUT", "/k3x9p2/ICs/NE555.pdf", Action::Upload, "ICs/NE555.pdf"},
        {"PUT", "/k3x9p2/list", Action::Upload, "list"},
        {"PUT", "/k3x9p2/upload", Action::Upload, "upload"},
        {"GET", "/k3x9p2/LM317.pdf", Action::NotFound, ""},
        {"DELETE", "/k3x9p2/delete/a.pdf", Action::NotFound, ""},
        // Without the right key there is nothing at all.
        {"GET", "/", Action::NotFound, ""},
        {"GET", "/index.html", Action::NotFound, ""},
        {"GET", "/K3X9P2/", Action::NotFound, ""},
        {"GET", "/k3x9p3/", Action::NotFound, ""},
        {"GET", "/k3x9p2x/", Action::NotFound, ""},
        {"GET", "/k3x9p/", Action::NotFound, ""},
        {"GET", "//k3x9p2/", Action::NotFound, ""},
        {"GET", "k3x9p2/", Action::NotFound, ""},
        {"GET", "", Action::NotFound, ""},
        {"PUT", "/wrong1/files/a.pdf", Action::NotFound, ""},
        {"POST", "/k3x9p2", Action::NotFound, ""},
        // Under the key, only the known paths.
        {"GET", "/k3x9p2/files", Action::NotFound, ""},
        {"GET", "/k3x9p2/other", Action::NotFound, ""},
        {"GET", "/k3x9p2/list/", Action::NotFound, ""},
        {"POST", "/k3x9p2/", Action::NotAllowed, ""},
        {"GET", "/k3x9p2/upload", Action::NotAllowed, ""},
        {"POST", "/k3x9p2/files/a.pdf", Action::NotAllowed, ""},
        {"PATCH", "/k3x9p2/files/a.pdf", Action::NotAllowed, ""},
    };
    for (const auto& c : cases) {
        const Route route = routeRequest(c.method, c.path, kKey);
        EXPECT_EQ(route.action, c.action) << c.method << " " << c.path;
        EXPECT_EQ(route.name, c.name) << c.method << " " << c.path;
    }
}

TEST(RouteRequest, AnEmptyKeyOpensNothing)
{
    EXPECT_EQ(routeRequest("GET", "//", "").action, Action::NotFound);
    EXPECT_EQ(routeRequest("GET", "/", "").action, Action::NotFound);
}

TEST(RouteRequest, SaysWhichMethodsAPathTakes)
{
    EXPECT_EQ(routeRequest("POST", "/k3x9p2/files/a.pdf", kKey).allow, "GET, HEAD, PUT, DELETE");
    EXPECT_EQ(routeRequest("GET", "/k3x9p2/upload", kKey).allow, "POST, PUT");
    EXPECT_EQ(routeRequest("POST", "/k3x9p2/list", kKey).allow, "GET, HEAD, PUT");
    EXPECT_EQ(routeRequest("PUT", "/k3x9p2/files/ICs/", kKey).allow, "GET, HEAD, POST, DELETE, MKCOL");
    EXPECT_EQ(routeRequest("DELETE", "/k3x9p2/", kKey).allow, "GET, HEAD");
}

TEST(RouteRequest, RefusesNamesBeforeAnyAction)
{
    // Decoded names that FTP refuses too, whichever method asks.
    const char* paths[] = {
        "/k3x9p2/files/.",          "/k3x9p2/files/..",         "/k3x9p2/files/a/../b.pdf",
        "/k3x9p2/files/%2E%2E",    "/k3x9p2/files/a//b.pdf",   "/k3x9p2/files/a%2Fb.pdf",
        "/k3x9p2/files/ICs/.ohmkit-upload-a1b2c3",            "/k3x9p2/files/%2E%2E/x.pdf",
        "/k3x9p2/files/..%2Fx",    "/k3x9p2/files/a%00b.pdf",  "/k3x9p2/files/%FF.pdf",
        "/k3x9p2/files/a%0Ab.pdf", "/k3x9p2/files/bad%2",      "/k3x9p2/files/bad%zz",
        "/k3x9p2/files/.ohmkit-upload-a1b2c3",
    };
    for (const char* method : {"GET", "DELETE", "MKCOL"})
        EXPECT_EQ(routeRequest(method, "/k3x9p2/files/..%2F/", kKey).action, Action::BadName) << method;
    for (const char* method : {"GET", "PUT", "DELETE"}) {
        EXPECT_EQ(routeRequest(method, "/k3x9p2/../x.pdf", kKey).action,
                  method == std::string_view("PUT") ? Action::BadName : Action::NotFound);
        for (const char* path : paths) {
            const Route route = routeRequest(method, path, kKey);
            EXPECT_EQ(route.action, Action::BadName) << method << " " << path;
            EXPECT_FALSE(route.problem.empty()) << path;
        }
    }
}

TEST(NameProblem, AcceptsOrdinaryNames)
{
    for (const char* name : {"LM317.pdf", "a", "...", ".hidden", "x..y", "Datenblatt \xC3\x84.pdf",
                             "name with  two blanks", "tab\there", "-leading-dash", "\xE2\x82\xAC.txt",
                             ".ohmkit-upload-a1b2c", ".ohmkit-upload-a1b2c3d"}) {
        EXPECT_EQ(nameProblem(name), "") << name;
    }
}

TEST(NameProblem, SaysWhyANameIsRefused)
{
    EXPECT_EQ(nameProblem(""), "The file has no name.");
    EXPECT_EQ(nameProblem(".."), "\".\" and \"..\" are not file names.");
    EXPECT_EQ(nameProblem("a/b"), "A file name cannot contain \"/\".");
    EXPECT_EQ(nameProblem(std::string_view("a\0b", 3)), "A file name cannot contain a NUL character.");
    EXPECT_EQ(nameProblem("\xC3"), "A file name must be UTF-8 text without control characters.");
    EXPECT_EQ(nameProblem("a\x7F"), "A file name must be UTF-8 text without control characters.");
    EXPECT_EQ(nameProblem(".ohmkit-upload-zz99aa"), "This name is kept for uploads in progress.");
}

TEST(StorePath, SplitsAndEncodesNameByName)
{
    EXPECT_EQ(parentPath("ICs/old/LM741.pdf"), "ICs/old");
    EXPECT_EQ(parentPath("LM741.pdf"), "");
    EXPECT_EQ(leafName("ICs/old/LM741.pdf"), "LM741.pdf");
    EXPECT_EQ(leafName("LM741.pdf"), "LM741.pdf");
    EXPECT_EQ(encodePath("ICs/NE555 timer.pdf"), "ICs/NE555%20timer.pdf");
    EXPECT_EQ(encodePath(""), "");
}

TEST(PercentCoding, RoundTripsEveryByte)
{
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    const std::string encoded = percentEncode(all);
    EXPECT_EQ(encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%"),
              std::string::npos);
    EXPECT_EQ(percentDecode(encoded), all);
    EXPECT_EQ(percentEncode("a b/\xC3\xA4"), "a%20b%2F%C3%A4");
    EXPECT_EQ(percentDecode("%c3%a4"), "\xC3\xA4");
    EXPECT_EQ(percentDecode("%"), std::nullopt);
    EXPECT_EQ(percentDecode("%4"), std::nullopt);
    EXPECT_EQ(percentDecode("%G0"), std::nullopt);
}

}  // namespace
}  // namespace ohmkit::http
