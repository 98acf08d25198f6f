// Control-connection replies over loopback: the greeting, the command table, the parser.
#include "ftp_server_fixture_support.h"

#include "platform/run_loop.h"

#include <sys/socket.h>

#include <filesystem>
#include <thread>

namespace ohmkit::ftp::test {
namespace {

using Lines = std::vector<std::string>;

TEST_F(FtpServerTest, RepliesToEveryCommandWithoutLogin)
{
    struct Case {
        std::string line;
        Lines reply;
    };
    const Case cases[] = {
        {"SYST", {"215 UNIX Type: L8 Version: Brisklet 20080912"}},
        {"NOOP", {"200 NOOP command successful."}},
        {"noop", {"200 NOOP command successful."}},
        {"NoOp", {"200 NOOP command successful."}},
        {"PASS secret", {"230 User anonymous logged in."}},
        {"USER anna", {"331 Password required for anna"}},
        {"PASS whatever", {"230 User anna logged in."}},
        {"TYPE I", {"200 Type set to  I."}},
        {"TYPE A", {"200 Type set to  A."}},
        {"OPTS UTF8 ON", {"200 UTF8 mode is always on."}},
        {"opts utf8 on", {"200 UTF8 mode is always on."}},
        {"OPTS UTF8", {"200 UTF8 mode is always on."}},
        {"OPTS UTF8 OFF", {"502 Unknown command 'UTF8'"}},
        {"OPTS MLST type;", {"502 Unknown command 'MLST'"}},
        {"STAT", {"211-localhost FTP server status:", "211 End of Status"}},
        {"FEAT",
         {"211-Features supported", " UTF8", " SIZE", " MDTM", " REST STREAM", " MLST type*;size*;modify*;perm*;",
          "211 End"}},
        {"PWD", {"257 \"/\" is the current directory."}},
        {"FOO bar", {"500 'FOO': command not understood."}},
        {"ack", {"500 'ack': command not understood."}},
        {"MLST name", {"550 name No such file or directory."}},
        {"REST", {"501 Syntax error in parameters or arguments."}},
        {"REST -5", {"501 Syntax error in parameters or arguments."}},
        {"REST 12x", {"501 Syntax error in parameters or arguments."}},
        {"REST 99999999999999999999", {"501 Syntax error in parameters or arguments."}},
        {"REST 0", {"350 Restarting at 0. Send STORE or RETRIEVE to initiate transfer."}},
        {"MDTM", {"501 Syntax error in parameters or arguments."}},
        {"APPE", {"501 Syntax error in parameters or arguments."}},
        {"USER", {"501 Syntax error in parameters or arguments."}},
        {"TYPE", {"501 Syntax error in parameters or arguments."}},
        {"OPTS", {"501 Syntax error in parameters or arguments."}},
        {"PORT", {"501 Syntax error in parameters or arguments."}},
        {"PORT 127,0,0,1,4", {"501 Syntax error in parameters or arguments."}},
        {"LPRT 4,4,127,0,0,1,2,4,1", {"501 Syntax error in parameters or arguments."}},
        {"EPRT |1|127.0.0.1", {"501 Syntax error in parameters or arguments."}},
        {"RETR", {"501 Syntax error in parameters or arguments."}},
        {"STOR", {"501 Syntax error in parameters or arguments."}},
        {"CWD", {"501 Syntax error in parameters or arguments."}},
        {"DELE", {"501 Syntax error in parameters or arguments."}},
        {"SIZE", {"501 Syntax error in parameters or arguments."}},
    };
    runClient([&] {
        ControlClient c = login();
        for (const Case& test : cases) {
            c.send(test.line);
            EXPECT_EQ(c.readReply(), test.reply) << test.line;
        }
    });
}

TEST_F(FtpServerTest, LinesWithoutACommandGetNoReply)
{
    runClient([&] {
        ControlClient c = login();
        c.send("");
        c.send(" NOOP");
        c.sendRaw(std::string(" \0\xE9\r\n", 5));
        c.send("SYST");
        EXPECT_EQ(c.readLine(), "215 UNIX Type: L8 Version: Brisklet 20080912");
        EXPECT_TRUE(c.quietFor(100));
    });
}

// A line that is not UTF-8 or holds a control character other than TAB is refused, never
// dropped and never echoed: a CR inside a name must not end the reply line early.
TEST_F(FtpServerTest, LinesThatAreNotCleanTextGet501)
{
    const std::string refused = "501 Syntax error in parameters or arguments.";
    const std::string lines[] = {
        "STOR caf\xE9.txt", "USER x\r226 Transfer complete.", std::string("RETR a\0b", 9), "USER a\x01",
        "NOOP\x7F",         "USER nel\xC2\x85x",            "FOO \xC0\xAF",
    };
    runClient([&] {
        ControlClient c = login();
        for (const std::string& line : lines) {
            c.send(line);
            EXPECT_EQ(c.readLine(), refused) << line;
        }
        c.send("USER tab\there");
        EXPECT_EQ(c.readLine(), "331 Password required for tab\there");
        c.send("USER trailing line ends\x0b\x0c\r");   // trimmed, as ever
        EXPECT_EQ(c.readLine(), "331 Password required for trailing");
        EXPECT_TRUE(c.quietFor(100));
    });
    EXPECT_TRUE(std::filesystem::is_empty(base_));
}

TEST_F(FtpServerTest, FramesCommandLinesByTheirLineEnds)
{
    runClient([&] {
        ControlClient c = login();
        c.sendRaw("USER an");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        c.sendRaw("na\r");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        c.sendRaw("\n");
        EXPECT_EQ(c.readLine(), "331 Password required for anna");
        c.sendRaw("USER bob\n");   // a bare LF loses no character
        EXPECT_EQ(c.readLine(), "331 Password required for bob");
        c.sendRaw("NOOP\r\nUSER carl\r\nPASS x\r\n");   // several lines in one chunk
        EXPECT_EQ(c.readLine(), "200 NOOP command successful.");
        EXPECT_EQ(c.readLine(), "331 Password required for carl");
        EXPECT_EQ(c.readLine(), "230 User carl logged in.");
        c.send("USER  two  blanks ");   // empty words are kept
        EXPECT_EQ(c.readLine(), "331 Password required for ");
    });
    EXPECT_GE(observer_->received.load(), 4);   // chunks may merge while a reply is awaited
}

// Whether it arrives whole or in pieces, ended or not, a line over 64 KiB closes the
// connection; one of exactly 64 KiB is still a line.
TEST_F(FtpServerTest, AnOverlongLineClosesTheConnection)
{
    const std::string limit(64 * 1024, 'A');
    runClient([&] {
        for (const std::string& bytes : {limit + "AB", limit + "A\r\n", "NOOP\r\n" + limit + limit + "\r\n"}) {
            ControlClient c = login();
            c.sendRaw(bytes);
            EXPECT_TRUE(c.waitForClose()) << bytes.size();
        }
        ControlClient c = login();
        c.sendRaw("USER " + limit.substr(5) + "\r\n");
        EXPECT_EQ(c.readLine(), "331 Password required for " + limit.substr(5));
    });
}

// Telnet commands (as terminal clients send them before ABOR on an interrupt, the data mark
// as urgent data) are taken out of the stream before lines are read.
TEST_F(FtpServerTest, TelnetCommandsAndUrgentDataAreTakenOutOfTheLines)
{
    runClient([&] {
        ControlClient c = login();
        c.sendRaw("\xff\xf4\xff");
        ASSERT_EQ(::send(c.socket().fd(), "\xf2", 1, MSG_OOB), 1);   // the data mark, urgent
        c.send("ABOR");
        EXPECT_EQ(c.readLine(), "225 No transfer to abort.");
        c.sendRaw("\xff\xfb\x01NO");
        c.sendRaw("OP\xff\xf1\r\n");
        EXPECT_EQ(c.readLine(), "200 NOOP command successful.");
        c.sendRaw("\xff\xfa\x18\x01\xff\xf0USER \xff\xfd\x03\xc3\xa9\r\n");
        EXPECT_EQ(c.readLine(), "331 Password required for \xc3\xa9");
    });
}

TEST_F(FtpServerTest, QuitSendsBothLinesThenCloses)
{
    runClient([&] {
        ControlClient c = login();
        c.send("QUIT");
        EXPECT_EQ(c.readLine(), "221- Data traffic for this session was 0 bytes in 0 files");
        EXPECT_EQ(c.readLine(), "221 Thank you for using the FTP service on localhost.");
        EXPECT_EQ(c.readLine(), "<closed>");
    });
    EXPECT_TRUE(server_->connections().empty());
}

// A connection that said goodbye stays in the registry until its socket is gone, so stopping
// the server reaches it even when its last replies cannot be written.
TEST_F(FtpServerTest, AQuittingConnectionStaysInTheRegistryUntilItsSocketIsGone)
{
    ControlClient c;   // connected by the kernel's backlog; the loop runs on this thread
    ASSERT_TRUE(c.connect("127.0.0.1", port_));
    c.sendRaw("QUIT\r\n");
    auto& loop = platform::RunLoop::main();
    // The greeting and the goodbye have been written; the socket closes on a later turn.
    ASSERT_TRUE(loop.runUntil([&] { return observer_->sent >= 2; }, std::chrono::milliseconds(5000)));
    EXPECT_EQ(server_->connections().size(), 1u);
    server_->stopFtpServer();
    EXPECT_TRUE(server_->connections().empty());
    EXPECT_EQ(c.readLine(), "220 Brisklet server ready.");
    EXPECT_EQ(c.readLine(), "221- Data traffic for this session was 0 bytes in 0 files");
    EXPECT_EQ(c.readLine(), "221 Thank you for using the FTP service on localhost.");
    EXPECT_EQ(c.readLine(), "<closed>");
}

TEST_F(FtpServerTest, TwoClientsHaveTheirOwnConnectionAndDirectory)
{
    std::filesystem::create_directory(path("sub"));
    std::atomic<bool> sawTwo{false};
    runClient(
        [&] {
            ControlClient a = login();
            ControlClient b = login();
            EXPECT_EQ(a.command("CWD sub"), "250 CWD command successful.");
            EXPECT_EQ(a.command("PWD"), "257 \"/sub/\" is the current directory.");
            EXPECT_EQ(b.command("PWD"), "257 \"/\" is the current directory.");
            for (int i = 0; i < 200 && !sawTwo; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        },
        [&] {
            if (server_->connections().size() == 2) sawTwo = true;
        });
    EXPECT_TRUE(sawTwo);
    // Clients that went away without QUIT leave the registry too.
    platform::RunLoop::main().runUntil([&] { return server_->connections().empty(); }, std::chrono::milliseconds(5000));
    EXPECT_TRUE(server_->connections().empty());
}

TEST_F(FtpServerTest, StoppingClosesClientsAndRefusesNewOnes)
{
    std::atomic<bool> greeted{false};
    std::atomic<bool> stopped{false};
    runClient(
        [&] {
            ControlClient c = login();
            greeted = true;
            EXPECT_TRUE(c.waitForClose());
            while (!stopped) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_LT(connectTo("127.0.0.1", port()), 0);
        },
        [&] {
            if (greeted && !stopped) {
                server_->stopFtpServer();
                stopped = true;
            }
        });
}

TEST_F(FtpServerTest, NotifiesRepliesWrittenAndLinesReceived)
{
    runClient([&] {
        ControlClient c = login();
        EXPECT_EQ(c.command("NOOP"), "200 NOOP command successful.");
        EXPECT_EQ(c.command("SYST"), "215 UNIX Type: L8 Version: Brisklet 20080912");
    });
    EXPECT_EQ(observer_->received.load(), 2);
    EXPECT_EQ(observer_->sent.load(), 3);   // the greeting and two replies
    EXPECT_EQ(observer_->fileListChanged.load(), 0);
}

}  // namespace
}  // namespace ohmkit::ftp::test

namespace ohmkit::ftp::test {
namespace {

TEST(FtpServerStart, KeepsAFolderThatCannotBeEnteredAsGiven)
{
    platform::LogCapture quiet;
    auto server = FtpServer::create(0, "/tmp/ohmkit-no-such-folder//x/../y", nullptr);
    EXPECT_EQ(server->baseDir(), "/tmp/ohmkit-no-such-folder//x/../y");
    EXPECT_TRUE(server->changeRoot());
    EXPECT_FALSE(server->commands().empty());
    server->stopFtpServer();
    EXPECT_FALSE(server->isListening());
}

}  // namespace
}  // namespace ohmkit::ftp::test
