// What desktop clients rely on beyond the basic commands: listings of one file and of bare
// names, cancelled transfers, resumed transfers, dates and machine-readable listings.
#include "ftp_server_fixture_support.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace ohmkit::ftp::test {
namespace {

namespace fs = std::filesystem;

// The lines of a listing, each checked to end in CR LF, sorted.
std::vector<std::string> sortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        EXPECT_EQ(line.back(), '\r') << text;
        line.pop_back();
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Sends a listing command on a new passive data connection and returns what arrived.
std::string listing(ControlClient& c, const std::string& command)
{
    Socket data = c.openPassive(true);
    const std::string first = c.command(command);
    if (first.rfind("150 ", 0) != 0) return "<" + first + ">";
    std::string text = data.readAll();
    EXPECT_EQ(c.readLine(), "226 Transfer complete.") << command;
    return text;
}

TEST_F(FtpServerTest, NameListsAndOneFileListings)
{
    writeFileBytes(path("a.pdf"), "aaaa");
    writeFileBytes(path("b.txt"), "b");
    writeFileBytes(path(".hidden"), "h");
    fs::create_directories(path("sub/deeper"));
    writeFileBytes(path("sub/c.pdf"), "c");
    struct Case {
        const char* command;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"NLST", {"a.pdf", "b.txt", "sub"}},
        {"NLST -1", {"a.pdf", "b.txt", "sub"}},
        {"NLST *", {"a.pdf", "b.txt", "sub"}},
        {"NLST *.pdf", {"a.pdf"}},
        {"NLST sub", {"c.pdf", "deeper"}},
        {"NLST /sub/*.pdf", {"/sub/c.pdf"}},
        {"NLST b.txt", {"b.txt"}},
        {"NLST missing*", {}},
    };
    runClient([&] {
        ControlClient c = login();
        for (const Case& test : cases) EXPECT_EQ(sortedLines(listing(c, test.command)), test.lines) << test.command;

        const std::string one = listing(c, "LIST a.pdf");
        EXPECT_EQ(one.rfind("-rw-", 0), 0u) << one;
        EXPECT_EQ(one.substr(one.size() - 8), " a.pdf\r\n") << one;
        EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 1) << one;
        EXPECT_EQ(listing(c, "LIST sub").rfind("total 2\r\n", 0), 0u);
    });
}

}  // namespace
}  // namespace ohmkit::ftp::test
