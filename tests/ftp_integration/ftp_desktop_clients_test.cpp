// What desktop clients rely on beyond the basic commands: listings of one file and of bare
// names, cancelled transfers, resumed transfers, dates and machine-readable listings.
#include "ftp_server_fixture_support.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>

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

// The two lines that end an aborted transfer.
void expectAborted(ControlClient& c)
{
    EXPECT_EQ(c.readLine(), "426 Connection closed; transfer aborted.");
    EXPECT_EQ(c.readLine(), "226 Abort successful.");
}

// Anything of the upload left in the store: its name, or a hidden file beside it.
bool leftovers(const std::string& folder)
{
    return !namesIn(folder).empty();
}

TEST_F(FtpServerTest, AbortEndsADownloadAndTheSessionGoesOn)
{
    writeFileBytes(path("big.bin"), "");
    fs::resize_file(path("big.bin"), 256 << 20);   // more than the sockets can hold
    runClient([&] {
        ControlClient c = login();
        EXPECT_EQ(c.command("ABOR"), "225 No transfer to abort.");
        Socket data = c.openPassive(true);
        EXPECT_EQ(c.command("RETR big.bin"), "150 Opening BINARY mode data connection for 'big.bin'.");
        char some[4096];
        EXPECT_GT(::recv(data.fd(), some, sizeof some, 0), 0);
        // As terminal clients cancel: Telnet interrupt, the data mark as urgent data, ABOR.
        c.sendRaw("\xff\xf4\xff");
        ASSERT_EQ(::send(c.socket().fd(), "\xf2", 1, MSG_OOB), 1);
        c.send("ABOR");
        expectAborted(c);
        EXPECT_TRUE(data.waitForClose());
        EXPECT_EQ(c.command("PWD"), "257 \"/\" is the current directory.");
        EXPECT_EQ(c.command("ABOR"), "225 No transfer to abort.");
        EXPECT_EQ(sortedLines(listing(c, "NLST")), std::vector<std::string>{"big.bin"});
    });
}

TEST_F(FtpServerTest, AbortBeforeTheDataConnectionComesDropsTheTransfer)
{
    writeFileBytes(path("a.txt"), "text");
    runClient([&] {
        ControlClient c = login();
        EXPECT_EQ(c.command("RETR a.txt"), "150 Opening BINARY mode data connection for 'a.txt'.");
        c.send("ABOR");
        expectAborted(c);
        Socket data = c.openPassive(true);   // the dropped file is not sent on the next one
        EXPECT_EQ(c.command("NLST"), "150 Opening ASCII mode data connection for '/bin/ls'.");
        EXPECT_EQ(data.readAll(), "a.txt\r\n");
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
    });
}

// However the client orders the ABOR and the close of its data connection, the upload leaves
// nothing and the replies are 426 then 226.
TEST_F(FtpServerTest, AnAbortedUploadLeavesNoFile)
{
    enum class Order { abortThenClose, abortRacingTheClose, abortOnly, abortBeforeTheData };
    for (Order order : {Order::abortThenClose, Order::abortRacingTheClose, Order::abortOnly, Order::abortBeforeTheData}) {
        runClient([&] {
            ControlClient c = login();
            Socket data = c.openPassive(true);
            EXPECT_EQ(c.command("STOR part.bin"), "150 Opening BINARY mode data connection for 'part.bin'.");
            if (order != Order::abortBeforeTheData) data.sendAll(std::string(100000, 'p'));
            if (order == Order::abortRacingTheClose) {
                c.sendRaw("\xff\xf4\xff\xf2" "ABOR\r\n");   // the close races the ABOR
                data.close();
            } else if (order == Order::abortBeforeTheData) {
                c.send("ABOR");
                expectAborted(c);
                data.sendAll("late bytes");   // the data connection of the aborted upload
                data.close();
                EXPECT_EQ(c.command("NOOP"), "200 NOOP command successful.");
                return;
            } else {
                c.send("ABOR");
                if (order == Order::abortThenClose) data.close();
            }
            expectAborted(c);
            EXPECT_EQ(c.command("NOOP"), "200 NOOP command successful.");
        });
        EXPECT_FALSE(leftovers(base_)) << static_cast<int>(order);
    }
}

// "REST n" and its reply, as the last command before a transfer; none when `restart` is empty.
void restartAt(ControlClient& c, const std::string& restart)
{
    if (restart.empty()) return;
    EXPECT_EQ(c.command("REST " + restart),
              "350 Restarting at " + restart + ". Send STORE or RETRIEVE to initiate transfer.");
}

// Sends `command` (after REST `restart`) and returns what arrives on a new passive data
// connection.
std::string download(ControlClient& c, const std::string& command, const std::string& restart = "")
{
    Socket data = c.openPassive(true);
    restartAt(c, restart);
    const std::string first = c.command(command);
    if (first.rfind("150 ", 0) != 0) return "<" + first + ">";
    std::string bytes = data.readAll();
    EXPECT_EQ(c.readLine(), "226 Transfer complete.") << command;
    return bytes;
}

// Sends `command` (after REST `restart`) and `bytes` on a new passive data connection; true on
// 150 and 226.
bool upload(ControlClient& c, const std::string& command, const std::string& bytes, const std::string& restart = "")
{
    Socket data = c.openPassive(true);
    restartAt(c, restart);
    if (c.command(command).rfind("150 ", 0) != 0) return false;
    data.sendAll(bytes);
    data.close();
    return c.readLine() == "226 Transfer complete.";
}

TEST_F(FtpServerTest, RestartedDownloadsAndUploadsAndAppends)
{
    writeFileBytes(path("digits"), "0123456789");
    runClient([&] {
        ControlClient c = login();
        EXPECT_EQ(download(c, "RETR digits", "4"), "456789");
        EXPECT_EQ(download(c, "RETR digits"), "0123456789");   // the restart point holds once
        Socket data = c.openPassive(true);
        restartAt(c, "4");
        EXPECT_EQ(c.command("NOOP"), "200 NOOP command successful.");   // any other command clears it
        EXPECT_EQ(c.command("RETR digits"), "150 Opening BINARY mode data connection for 'digits'.");
        EXPECT_EQ(data.readAll(), "0123456789");
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        EXPECT_EQ(download(c, "RETR digits", "10"), "");
        EXPECT_EQ(download(c, "RETR digits", "99"), "");

        // STOR after REST writes into the file from that byte, and the file ends there.
        EXPECT_TRUE(upload(c, "STOR digits", "ab", "6"));
        EXPECT_EQ(readFileBytes(path("digits")), "012345ab");
        restartAt(c, "9");
        EXPECT_EQ(c.command("STOR digits"), "553 digits: Permission denied.");   // beyond its end
        restartAt(c, "2");
        EXPECT_EQ(c.command("STOR missing"), "553 missing: Permission denied.");

        EXPECT_TRUE(upload(c, "APPE digits", "cd"));
        EXPECT_TRUE(upload(c, "APPE new file", "first"));
        EXPECT_TRUE(upload(c, "APPE new file", " second"));
        EXPECT_EQ(c.command("APPE ."), "553 .: Permission denied.");
    });
    EXPECT_EQ(readFileBytes(path("digits")), "012345abcd");
    EXPECT_EQ(readFileBytes(path("new file")), "first second");
    EXPECT_EQ(namesIn(base_), (std::vector<std::string>{"digits", "new file"}));
}

TEST_F(FtpServerTest, ModificationTimesAndMachineListings)
{
    writeFileBytes(path("sheet.pdf"), "12345");
    fs::create_directory(path("sub"));
    writeFileBytes(path(".hidden"), "h");
    // 2024-01-05 13:07:09 UTC
    const std::time_t when = 1704460029;
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path("sheet.pdf").c_str(), times, 0), 0);
    runClient([&] {
        ControlClient c = login();
        const std::pair<std::string, std::string> steps[] = {
            {"MDTM sheet.pdf", "213 20240105130709"},
            {"MDTM missing", "550 missing No such file or directory."},
            {"MDTM 20240105130709 sheet.pdf", "502 MDTM does not change modification times."},
            {"MDTM ../outside", "550 ../outside: Permission denied."},
        };
        for (const auto& [command, reply] : steps) EXPECT_EQ(c.command(command), reply) << command;

        c.send("MLST sheet.pdf");
        EXPECT_EQ(c.readReply(), (std::vector<std::string>{
                                     "250-Listing sheet.pdf",
                                     " type=file;size=5;modify=20240105130709;perm=adfrw; sheet.pdf", "250 End"}));
        c.send("MLST");
        const std::vector<std::string> current = c.readReply();
        ASSERT_EQ(current.size(), 3u);
        EXPECT_EQ(current[1].rfind(" type=dir;", 0), 0u) << current[1];
        EXPECT_EQ(current[1].substr(current[1].size() - 3), "; /");

        const std::vector<std::string> lines = sortedLines(download(c, "MLSD"));
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0].rfind("type=cdir;", 0), 0u) << lines[0];
        EXPECT_EQ(lines[0].substr(lines[0].size() - 3), "; .");
        EXPECT_EQ(lines[1].rfind("type=dir;", 0), 0u) << lines[1];
        EXPECT_EQ(lines[1].substr(lines[1].size() - 5), "; sub");
        EXPECT_EQ(lines[2], "type=file;size=5;modify=20240105130709;perm=adfrw; sheet.pdf");
        EXPECT_EQ(sortedLines(download(c, "MLSD sub")).size(), 1u);   // its cdir line alone
        EXPECT_EQ(c.command("MLSD sheet.pdf"), "550 sheet.pdf: Not a directory.");
        EXPECT_EQ(c.command("MLSD missing"), "550 missing No such file or directory.");
    });
}

// A command waiting on the control connection with "ABOR" inside a name is no abort: the
// upload that ends meanwhile is kept.
TEST_F(FtpServerTest, ANameHoldingAborIsNoAbort)
{
    runClient([&] {
        ControlClient c = login();
        Socket data = c.openPassive(true);
        EXPECT_EQ(c.command("STOR kept.bin"), "150 Opening BINARY mode data connection for 'kept.bin'.");
        data.sendAll("kept");
        c.send("MKD ABOR");   // may be read before or after the data connection ends
        data.close();
        std::vector<std::string> replies{c.readLine(), c.readLine()};
        std::sort(replies.begin(), replies.end());
        EXPECT_EQ(replies, (std::vector<std::string>{"226 Transfer complete.", "257 \"/ABOR\" created."}));
    });
    EXPECT_EQ(readFileBytes(path("kept.bin")), "kept");
}

// Names are taken composed (form C), and every name a listing shows reaches its entry, however
// the entry is spelled on disk.
TEST_F(FtpServerTest, DecomposedAndComposedNamesReachTheSameEntry)
{
    const std::string nfd = "Re\xCC\x81sume\xCC\x81", nfc = "R\xC3\xA9sum\xC3\xA9";
    const std::string nfdFolder = "Bo\xCC\x88" "cke", nfcFolder = "B\xC3\xB6" "cke";
    writeFileBytes(path(nfd + ".pdf"), "12345");   // stored decomposed by some other program
    fs::create_directory(path(nfdFolder));
    runClient([&] {
        ControlClient c = login();
        const std::pair<std::string, std::string> steps[] = {
            {"SIZE " + nfc + ".pdf", "213 5"},
            {"SIZE " + nfd + ".pdf", "213 5"},
            {"CWD " + nfcFolder, "250 CWD command successful."},
            {"PWD", "257 \"/" + nfdFolder + "/\" is the current directory."},
            {"CWD /", "250 CWD command successful."},
            {"MKD " + nfdFolder + "/ne\xCC\x81", "257 \"/" + nfdFolder + "/n\xC3\xA9\" created."},
            {"RNFR " + nfc + ".pdf", "350 RNFR command successful."},
            {"RNTO " + nfdFolder + "/" + nfd + ".pdf", "250 RNTO command successful."},
            {"DELE " + nfcFolder + "/" + nfc + ".pdf", "250 DELE command successful."},
        };
        for (const auto& [command, reply] : steps) EXPECT_EQ(c.command(command), reply) << command;

        Socket data = c.openPassive(true);
        EXPECT_EQ(c.command("STOR up" + nfd + ".txt").substr(0, 4), "150 ");
        data.sendAll("up");
        data.close();
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        data = c.openPassive(true);
        EXPECT_EQ(c.command("RETR up" + nfc + ".txt").substr(0, 4), "150 ");
        EXPECT_EQ(data.readAll(), "up");
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
    });
    EXPECT_EQ(namesIn(base_), (std::vector<std::string>{nfdFolder, "up" + nfc + ".txt"}));
    EXPECT_EQ(namesIn(path(nfdFolder)), std::vector<std::string>{"n\xC3\xA9"});
}

}  // namespace
}  // namespace ohmkit::ftp::test
