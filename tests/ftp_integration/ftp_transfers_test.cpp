// Listings, downloads and uploads over passive and active data connections.
#include "ftp_server_fixture_support.h"

#include "ftp/ftp_connection.h"
#include "store/atomic_upload.h"
#include "platform/run_loop.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <arpa/inet.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace ohmkit::ftp::test {
namespace {

TEST_F(FtpServerTest, PassiveListingDownloadAndUpload)
{
    writeFileBytes(path("sheet.pdf"), "%PDF-1.4 datasheet");
    std::filesystem::create_directory(path("sub"));
    runClient([&] {
        ControlClient c = login();
        Socket data = c.openPassive();
        ASSERT_TRUE(data.valid());
        EXPECT_EQ(c.command("LIST"), "150 Opening ASCII mode data connection for '/bin/ls'.");
        std::string listing = data.readAll();
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        EXPECT_EQ(listing.rfind("total 2\r\n", 0), 0u) << listing;
        EXPECT_NE(listing.find(" sheet.pdf\r\n"), std::string::npos);

        data = c.openPassive();
        EXPECT_EQ(c.command("NLST -la"), "150 Opening ASCII mode data connection for '/bin/ls'.");
        const std::string names = data.readAll();
        EXPECT_TRUE(names == "sheet.pdf\r\nsub\r\n" || names == "sub\r\nsheet.pdf\r\n") << names;
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");

        data = c.openPassive();
        EXPECT_EQ(c.command("RETR sheet.pdf"), "150 Opening BINARY mode data connection for 'sheet.pdf'.");
        EXPECT_EQ(data.readAll(), "%PDF-1.4 datasheet");
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");

        data = c.openPassive(true);
        EXPECT_EQ(c.command("STOR sub/new name.bin"), "150 Opening BINARY mode data connection for 'sub/new name.bin'.");
        std::string bytes;
        for (int i = 0; i < 300000; ++i) bytes += static_cast<char>(i * 7);
        data.sendAll(bytes);
        data.close();
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        EXPECT_EQ(readFileBytes(path("sub/new name.bin")), bytes);
    });
    EXPECT_EQ(observer_->fileListChanged.load(), 1);
}

TEST_F(FtpServerTest, ActiveTransfersConnectBackToTheClient)
{
    writeFileBytes(path("a.txt"), "active bytes");
    runClient([&] {
        ControlClient c = login();
        Socket listener = c.openActive();
        ASSERT_TRUE(listener.valid());
        EXPECT_EQ(c.command("RETR a.txt"), "150 Opening BINARY mode data connection for 'a.txt'.");
        Socket data = ControlClient::acceptData(listener);
        EXPECT_EQ(data.readAll(), "active bytes");
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");

        listener = c.openActive(true);   // EPRT
        ASSERT_TRUE(listener.valid());
        EXPECT_EQ(c.command("STOR b.txt"), "150 Opening BINARY mode data connection for 'b.txt'.");
        data = ControlClient::acceptData(listener);
        data.sendAll("uploaded actively");
        data.close();
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        EXPECT_EQ(readFileBytes(path("b.txt")), "uploaded actively");
    });
}

TEST_F(FtpServerTest, LongPortNamesItsReplyAndConnectsToThePeer)
{
    runClient([&] {
        ControlClient c = login();
        Socket listener(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ASSERT_EQ(::bind(listener.fd(), reinterpret_cast<sockaddr*>(&address), length), 0);
        ::listen(listener.fd(), 1);
        ::getsockname(listener.fd(), reinterpret_cast<sockaddr*>(&address), &length);
        const int port = ntohs(address.sin_port);
        // The IPv6 form: family, length, 16 address bytes (::1 here), port length, port bytes.
        // The address named is not used: the server connects to the control connection's peer.
        std::string command = "LPRT 6,16";
        for (int i = 0; i < 16; ++i) command += i == 15 ? ",1" : ",0";
        command += ",2," + std::to_string(port / 256) + "," + std::to_string(port % 256);
        EXPECT_EQ(c.command(command), "228 Entering Long Passive Mode \t(af, hal, h1, h2, h3,..., pal, p1, p2...)");
        EXPECT_TRUE(ControlClient::acceptData(listener).valid());
    });
}

TEST_F(FtpServerTest, OverIpv6EpsvAndEprtWorkAndPasvIsRefused)
{
    if (!ipv6Available()) GTEST_SKIP() << "no IPv6 loopback";
    writeFileBytes(path("six.txt"), "over ::1");
    runClient([&] {
        ControlClient c = login("::1");
        EXPECT_EQ(c.command("PASV"), "425 Use EPSV for IPv6 connections.");
        Socket data = c.openPassive(true);
        ASSERT_TRUE(data.valid());
        EXPECT_EQ(c.command("RETR six.txt"), "150 Opening BINARY mode data connection for 'six.txt'.");
        EXPECT_EQ(data.readAll(), "over ::1");
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        Socket listener = c.openActive(true);
        ASSERT_TRUE(listener.valid());
        EXPECT_EQ(c.command("LIST"), "150 Opening ASCII mode data connection for '/bin/ls'.");
        data = ControlClient::acceptData(listener);
        EXPECT_EQ(data.readAll().rfind("total 1\r\n", 0), 0u);
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
    });
}

TEST_F(FtpServerTest, DataRequestedBeforeTheClientConnectsIsSentWhenItDoes)
{
    writeFileBytes(path("f"), "queued");
    runClient([&] {
        ControlClient c = login();
        c.send("PASV");
        std::string pasv = c.readLine();
        int h[6] = {};
        ASSERT_EQ(std::sscanf(pasv.c_str(), "227 Entering Passive Mode (%d,%d,%d,%d,%d,%d)", &h[0], &h[1], &h[2], &h[3],
                              &h[4], &h[5]),
                  6);
        EXPECT_EQ(c.command("LIST"), "150 Opening ASCII mode data connection for '/bin/ls'.");
        EXPECT_TRUE(c.quietFor(100));
        Socket data(connectTo("127.0.0.1", static_cast<std::uint16_t>(h[4] * 256 + h[5])));
        EXPECT_EQ(data.readAll().rfind("total 1\r\n", 0), 0u);
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        EXPECT_TRUE(c.quietFor(100));   // exactly one 226
    });
}

TEST_F(FtpServerTest, EmptyFilesTravelBothWays)
{
    writeFileBytes(path("empty"), "");
    writeFileBytes(path("old"), "previous contents");
    runClient([&] {
        ControlClient c = login();
        Socket data = c.openPassive();
        EXPECT_EQ(c.command("RETR empty"), "150 Opening BINARY mode data connection for 'empty'.");
        EXPECT_EQ(data.readAll(), "");
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        EXPECT_TRUE(c.quietFor(100));

        // STOR answered before the client connects; the client then closes at once.
        c.send("PASV");
        std::string pasv = c.readLine();
        int h[6] = {};
        std::sscanf(pasv.c_str(), "227 Entering Passive Mode (%d,%d,%d,%d,%d,%d)", &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]);
        EXPECT_EQ(c.command("STOR old"), "150 Opening BINARY mode data connection for 'old'.");
        data = Socket(connectTo("127.0.0.1", static_cast<std::uint16_t>(h[4] * 256 + h[5])));
        data.close();
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        EXPECT_EQ(readFileBytes(path("old")), "");
    });
}

TEST_F(FtpServerTest, UploadOverwritesFromTheFirstByteAndReportsTheChangeAtTheEnd)
{
    writeFileBytes(path("doc"), std::string(5000, 'x'));
    runClient([&] {
        ControlClient c = login();
        Socket data = c.openPassive();
        EXPECT_EQ(c.command("STOR doc"), "150 Opening BINARY mode data connection for 'doc'.");
        EXPECT_EQ(observer_->fileListChanged.load(), 0);
        data.sendAll("short");
        data.close();
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        EXPECT_EQ(readFileBytes(path("doc")), "short");
    });
    EXPECT_EQ(observer_->fileListChanged.load(), 1);
}

// While a transfer waits for its data connection, another one is refused; a new data command
// drops the one that waits, so that its data never goes out on the next connection.
TEST_F(FtpServerTest, OneTransferAtATimeAndANewDataCommandDropsTheWaitingOne)
{
    writeFileBytes(path("file.bin"), "the file's bytes");
    runClient([&] {
        ControlClient c = login();
        EXPECT_EQ(c.command("RETR file.bin"), "150 Opening BINARY mode data connection for 'file.bin'.");
        for (const char* second : {"RETR file.bin", "STOR other", "LIST", "NLST"})
            EXPECT_EQ(c.command(second), "425 Can't open data connection.") << second;
        // The abandoned download is not replayed into the listing's data connection.
        Socket data = c.openPassive();
        ASSERT_TRUE(data.valid());
        EXPECT_EQ(c.command("LIST"), "150 Opening ASCII mode data connection for '/bin/ls'.");
        const std::string listing = data.readAll();
        EXPECT_EQ(listing.rfind("total 1\r\n", 0), 0u) << listing;
        EXPECT_EQ(listing.find("the file's bytes"), std::string::npos);
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");

        // PASV, RETR without connecting, PASV, LIST: the listing arrives, not the file.
        c.send("PASV");
        EXPECT_EQ(c.readLine().rfind("227 ", 0), 0u);
        EXPECT_EQ(c.command("RETR file.bin"), "150 Opening BINARY mode data connection for 'file.bin'.");
        data = c.openPassive();
        EXPECT_EQ(c.command("LIST"), "150 Opening ASCII mode data connection for '/bin/ls'.");
        EXPECT_EQ(data.readAll(), listing);
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");

        // A waiting upload is dropped the same way, and nothing is created for it.
        EXPECT_EQ(c.command("STOR dropped"), "150 Opening BINARY mode data connection for 'dropped'.");
        data = c.openPassive();
        EXPECT_EQ(c.command("STOR kept"), "150 Opening BINARY mode data connection for 'kept'.");
        data.sendAll("kept bytes");
        data.close();
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        EXPECT_TRUE(c.quietFor(100));
    });
    EXPECT_EQ(readFileBytes(path("kept")), "kept bytes");
    EXPECT_EQ(namesIn(base_), (std::vector<std::string>{"file.bin", "kept"}));
    EXPECT_EQ(observer_->fileListChanged.load(), 1);
}

// After a transfer the passive listener stays: the next one may connect to it again.
TEST_F(FtpServerTest, ATransferAfterAFinishedOneWaitsForANewDataConnection)
{
    writeFileBytes(path("a"), "first");
    runClient([&] {
        ControlClient c = login();
        c.send("EPSV");
        const std::string epsv = c.readLine();
        int port = 0;
        ASSERT_EQ(std::sscanf(epsv.c_str(), "229 Entering Extended Passive Mode (|||%d|)", &port), 1);
        for (int i = 0; i < 2; ++i) {
            Socket data(connectTo("127.0.0.1", static_cast<std::uint16_t>(port)));
            EXPECT_EQ(c.command("RETR a"), "150 Opening BINARY mode data connection for 'a'.");
            EXPECT_EQ(data.readAll(), "first");
            EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        }
    });
}

// A download is read from the file chunk by chunk; whatever the size against the chunk size,
// and whether the client connects before or after RETR, the bytes arrive whole and in order,
// followed by exactly one 226.
TEST_F(FtpServerTest, DownloadsLargerThanOneChunkArriveWholeWithOne226)
{
    const std::size_t chunk = DownloadFile::ChunkSize;
    const std::size_t sizes[] = {2 * chunk, 2 * chunk + 4097, chunk - 1};
    std::vector<std::string> contents;
    for (std::size_t size : sizes) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
        writeFileBytes(path("f" + std::to_string(contents.size())), bytes);
        contents.push_back(std::move(bytes));
    }
    runClient([&] {
        ControlClient c = login();
        for (std::size_t i = 0; i < contents.size(); ++i) {
            for (bool connectFirst : {true, false}) {
                SCOPED_TRACE(testing::Message() << contents[i].size() << " bytes, connect first " << connectFirst);
                const std::string name = "f" + std::to_string(i);
                Socket data;
                if (connectFirst) {
                    data = c.openPassive(true);
                    EXPECT_EQ(c.command("RETR " + name), "150 Opening BINARY mode data connection for '" + name + "'.");
                } else {
                    std::string epsv = c.command("EPSV");
                    int port = 0;
                    ASSERT_EQ(std::sscanf(epsv.c_str(), "229 Entering Extended Passive Mode (|||%d|)", &port), 1);
                    EXPECT_EQ(c.command("RETR " + name), "150 Opening BINARY mode data connection for '" + name + "'.");
                    data = Socket(connectTo("127.0.0.1", static_cast<std::uint16_t>(port)));
                }
                ASSERT_TRUE(data.valid());
                const std::string received = data.readAll();
                EXPECT_EQ(received.size(), contents[i].size());
                EXPECT_TRUE(received == contents[i]);
                EXPECT_EQ(c.readLine(), "226 Transfer complete.");
                EXPECT_TRUE(c.quietFor(100));   // exactly one 226
            }
        }
    });
}

// A client that takes only part of a file (a ranged read, one stream of a download split
// over several connections) closes the data connection early, cleanly or with a reset: the
// download ends with a 226 that says so, and the session goes on. The file's observer hears
// of a download that stopped, not of a complete one.
TEST_F(FtpServerTest, ADownloadTheClientClosesEarlyEndsWith226)
{
    writeFileBytes(path("big"), std::string(32 << 20, 'b'));
    for (const bool reset : {true, false}) {
        runClient([&] {
            ControlClient c = login();
            EXPECT_EQ(c.command("REST 4096"), "350 Restarting at 4096. Send STORE or RETRIEVE to initiate transfer.");
            Socket data = c.openPassive();
            EXPECT_EQ(c.command("RETR big"), "150 Opening BINARY mode data connection for 'big'.");
            char some[1024];
            EXPECT_GT(::recv(data.fd(), some, sizeof some, 0), 0);
            if (reset)
                data.abortiveClose();
            else
                data.close();
            EXPECT_EQ(c.readLine(), "226 Transfer stopped by the client.") << (reset ? "reset" : "closed");
            EXPECT_EQ(c.command("NOOP"), "200 NOOP command successful.");
            EXPECT_TRUE(c.quietFor(100));   // exactly one reply for the download
        });
        ASSERT_FALSE(observer_->ended.empty());
        EXPECT_FALSE(observer_->ended.back());
    }
}

// A file is sent as long as it was when RETR opened it: one cut short meanwhile ends with 451,
// one that grew is sent without what it gained.
TEST_F(FtpServerTest, ADownloadCutShortSaysSo)
{
    const std::size_t size = 32 << 20;
    writeFileBytes(path("shrinks"), std::string(size, 's'));
    writeFileBytes(path("grows"), std::string(size, 'g'));
    runClient([&] {
        ControlClient c = login();
        Socket data = c.openPassive();
        EXPECT_EQ(c.command("RETR shrinks"), "150 Opening BINARY mode data connection for 'shrinks'.");
        char some[1024];
        EXPECT_GT(::recv(data.fd(), some, sizeof some, 0), 0);
        std::filesystem::resize_file(path("shrinks"), 1 << 20);
        EXPECT_LT(data.readAll().size() + sizeof some, size);
        EXPECT_EQ(c.readLine(), "451 Transfer aborted: error reading file.");

        data = c.openPassive();
        EXPECT_EQ(c.command("RETR grows"), "150 Opening BINARY mode data connection for 'grows'.");
        EXPECT_GT(::recv(data.fd(), some, sizeof some, MSG_WAITALL), 0);
        std::ofstream(path("grows"), std::ios::binary | std::ios::app) << std::string(1 << 20, 'x');
        const std::string rest = data.readAll();
        EXPECT_EQ(rest.size() + sizeof some, size);
        EXPECT_EQ(rest.find('x'), std::string::npos);
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
    });
}

// The client's privileged ports are refused, and nothing is opened or dropped for them.
TEST_F(FtpServerTest, PrivilegedPortsAreRefused)
{
    writeFileBytes(path("f"), "bytes");
    runClient([&] {
        ControlClient c = login();
        c.send("EPSV");
        int port = 0;
        ASSERT_EQ(std::sscanf(c.readLine().c_str(), "229 Entering Extended Passive Mode (|||%d|)", &port), 1);
        std::string lprt21 = "LPRT 6,16";
        for (int i = 0; i < 16; ++i) lprt21 += i == 15 ? ",1" : ",0";
        lprt21 += ",2,0,21";
        for (const std::string& command : {std::string("PORT 127,0,0,1,0,21"), std::string("PORT 127,0,0,1,3,255"),
                                           std::string("PORT 127,0,0,1,256,21"), std::string("PORT 127,0,0,1,0,0"),
                                           std::string("EPRT |1|127.0.0.1|1023|"), std::string("EPRT |2|::1|22|"), lprt21})
            EXPECT_EQ(c.command(command), "500 Illegal PORT command.") << command;
        EXPECT_TRUE(c.quietFor(100));   // no connection was tried
        Socket data(connectTo("127.0.0.1", static_cast<std::uint16_t>(port)));
        EXPECT_EQ(c.command("RETR f"), "150 Opening BINARY mode data connection for 'f'.");
        EXPECT_EQ(data.readAll(), "bytes");
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
    });
}

TEST_F(FtpServerTest, ARefusedActiveConnectionIsNotReportedAsComplete)
{
    runClient([&] {
        ControlClient c = login();
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        const int port = ntohs(address.sin_port);
        ::close(fd);   // nobody listens there now
        EXPECT_EQ(c.command("PORT 127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256)),
                  "200 PORT command successful.");
        EXPECT_EQ(c.readLine(), "426 Connection closed; transfer aborted.");
        EXPECT_EQ(c.command("NOOP"), "200 NOOP command successful.");
        EXPECT_TRUE(c.quietFor(100));
    });
}

// An upload is written beside its target under a hidden name that no listing shows, and takes
// the target's name only when it is complete.
TEST_F(FtpServerTest, AnUploadAppearsOnlyWhenComplete)
{
    writeFileBytes(path("sheet.pdf"), "old contents");
    runClient([&] {
        ControlClient c = login();
        Socket data = c.openPassive();
        EXPECT_EQ(c.command("STOR sheet.pdf"), "150 Opening BINARY mode data connection for 'sheet.pdf'.");
        data.sendAll(std::string(100000, 'n'));
        // Half-way, the old file is there and the new one hides beside it.
        for (int i = 0; i < 200 && namesIn(base_).size() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto names = namesIn(base_);
        ASSERT_EQ(names.size(), 2u);
        EXPECT_TRUE(store::isUploadTemporaryName(names[0])) << names[0];
        EXPECT_EQ(readFileBytes(path("sheet.pdf")), "old contents");
        EXPECT_EQ(c.command("NLST"), "425 Can't open data connection.");   // one transfer at a time
        ControlClient other = login();
        Socket listing = other.openPassive();
        EXPECT_EQ(other.command("LIST"), "150 Opening ASCII mode data connection for '/bin/ls'.");
        const std::string lines = listing.readAll();
        EXPECT_EQ(lines.rfind("total 1\r\n", 0), 0u) << lines;
        EXPECT_EQ(lines.find("ohmkit-upload"), std::string::npos) << lines;
        EXPECT_EQ(other.readLine(), "226 Transfer complete.");
        data.sendAll(std::string(100000, 'n'));
        data.close();
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
    });
    EXPECT_TRUE(readFileBytes(path("sheet.pdf")) == std::string(200000, 'n'));
    EXPECT_EQ(namesIn(base_), std::vector<std::string>{"sheet.pdf"});
    EXPECT_EQ(observer_->fileListChanged.load(), 1);
}

// However an upload fails, the old file of that name is untouched and nothing is left: a
// broken data connection (426), a client killed half-way (its control connection closes, then
// its data connection ends as if finished), a disk that is full (451, a file-size limit
// standing in for it), and a server stopped mid-upload.
TEST_F(FtpServerTest, AFailedUploadLeavesTheOldFileAndNothingElse)
{
    writeFileBytes(path("keep.pdf"), "old contents");
    const std::string half(300000, 'h');
    std::atomic<bool> dataConnected{false};
    runClient([&] {
        {
            ControlClient c = login();
            Socket data = c.openPassive();
            EXPECT_EQ(c.command("STOR keep.pdf"), "150 Opening BINARY mode data connection for 'keep.pdf'.");
            data.sendAll(half);
            // Reset only once the server has taken the connection (a socket reset before that
            // has no peer address left to check, and is turned away as a stranger's).
            for (int i = 0; i < 1000 && !dataConnected; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            data.abortiveClose();
            EXPECT_EQ(c.readLine(), "426 Connection closed; transfer aborted.");
        }
        {
            ControlClient c = login();
            Socket data = c.openPassive();
            EXPECT_EQ(c.command("STOR keep.pdf"), "150 Opening BINARY mode data connection for 'keep.pdf'.");
            data.sendAll(half);
            c.socket().close();   // killed: the lower descriptor, the control connection, closes first
            data.close();
        }
        {
            ControlClient c = login();
            Socket data = c.openPassive();
            EXPECT_EQ(c.command("STOR new.pdf"), "150 Opening BINARY mode data connection for 'new.pdf'.");
            data.sendAll(half);
            c.socket().close();
            data.close();
        }
    }, [&] {
        if (!server_->connections().empty() && server_->connections().front()->dataConnection()) dataConnected = true;
    });
    platform::RunLoop::main().runUntil([&] { return server_->connections().empty(); }, std::chrono::milliseconds(5000));
    EXPECT_EQ(namesIn(base_), std::vector<std::string>{"keep.pdf"});
    EXPECT_EQ(readFileBytes(path("keep.pdf")), "old contents");
    EXPECT_EQ(observer_->fileListChanged.load(), 0);
}

TEST_F(FtpServerTest, AnUploadThatCannotBeWrittenEndsWith451)
{
    writeFileBytes(path("keep.pdf"), "old contents");
    // Writes past the file-size limit fail with EFBIG, as on a full disk.
    struct sigaction ignore{}, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    runClient([&] {
        ControlClient c = login();
        for (const char* name : {"keep.pdf", "full.pdf"}) {
            Socket data = c.openPassive();
            EXPECT_EQ(c.command(std::string("STOR ") + name),
                      std::string("150 Opening BINARY mode data connection for '") + name + "'.");
            data.sendAll(std::string(256 * 1024, 'f'));
            data.close();
            EXPECT_EQ(c.readLine(), "451 Transfer aborted: error writing file.");
        }
    });
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_EQ(namesIn(base_), std::vector<std::string>{"keep.pdf"});
    EXPECT_EQ(readFileBytes(path("keep.pdf")), "old contents");
    EXPECT_EQ(observer_->fileListChanged.load(), 0);
}

TEST_F(FtpServerTest, AServerStoppedMidUploadLeavesNothing)
{
    writeFileBytes(path("keep.pdf"), "old contents");
    std::atomic<bool> sending{false};
    std::atomic<bool> stopped{false};
    runClient(
        [&] {
            ControlClient c = login();
            Socket data = c.openPassive();
            EXPECT_EQ(c.command("STOR keep.pdf"), "150 Opening BINARY mode data connection for 'keep.pdf'.");
            data.sendAll(std::string(300000, 'h'));
            sending = true;
            EXPECT_TRUE(c.waitForClose());
            while (!stopped) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        },
        [&] {
            if (sending && !stopped && namesIn(base_).size() == 2) {
                server_->stopFtpServer();
                stopped = true;
            }
        });
    EXPECT_EQ(namesIn(base_), std::vector<std::string>{"keep.pdf"});
    EXPECT_EQ(readFileBytes(path("keep.pdf")), "old contents");
}

// Temporary files that a crash left behind are removed when a server starts; nothing else is.
TEST(FtpServerStart, RemovesUnfinishedUploadsLeftByACrash)
{
    platform::LogCapture quiet;
    char pattern[] = "/tmp/ohmkit-ftp-crash-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string store = pattern;
    std::filesystem::create_directories(store + "/sub");
    for (const char* name : {".ohmkit-upload-Left01", "sub/.ohmkit-upload-Left02", ".hidden", "sheet.pdf",
                             ".ohmkit-upload-notours.pdf"})
        writeFileBytes(store + "/" + name, "x");
    auto server = FtpServer::create(0, store, nullptr);
    server->stopFtpServer();
    EXPECT_EQ(namesIn(store), (std::vector<std::string>{".hidden", ".ohmkit-upload-notours.pdf", "sheet.pdf", "sub"}));
    EXPECT_TRUE(std::filesystem::is_empty(store + "/sub"));
    std::filesystem::remove_all(store);
}

TEST_F(FtpServerTest, PassiveListenerAcceptsOnlyTheClientsAddress)
{
    writeFileBytes(path("mine"), "for the client only");
    runClient([&] {
        ControlClient c = login();
        c.send("PASV");
        std::string pasv = c.readLine();
        int h[6] = {};
        std::sscanf(pasv.c_str(), "227 Entering Passive Mode (%d,%d,%d,%d,%d,%d)", &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]);
        const std::uint16_t dataPort = static_cast<std::uint16_t>(h[4] * 256 + h[5]);
        EXPECT_EQ(c.command("RETR mine"), "150 Opening BINARY mode data connection for 'mine'.");

        // A stranger from another loopback address is closed without data.
        Socket stranger(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in from{};
        from.sin_family = AF_INET;
        ::inet_pton(AF_INET, "127.0.0.2", &from.sin_addr);
        ASSERT_EQ(::bind(stranger.fd(), reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(dataPort);
        ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
        ASSERT_EQ(::connect(stranger.fd(), reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
        EXPECT_EQ(stranger.readAll(), "");

        Socket data(connectTo("127.0.0.1", dataPort));
        EXPECT_EQ(data.readAll(), "for the client only");
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
    });
}

TEST_F(FtpServerTest, ListingNamesReachTheClientComposed)
{
    writeFileBytes(path("Re\xCC\x81sume\xCC\x81 2024.pdf"), "x");
    runClient([&] {
        ControlClient c = login();
        Socket data = c.openPassive();
        EXPECT_EQ(c.command("LIST"), "150 Opening ASCII mode data connection for '/bin/ls'.");
        std::string listing = data.readAll();
        EXPECT_NE(listing.find(" R\xC3\xA9sum\xC3\xA9 2024.pdf\r\n"), std::string::npos) << listing;
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
    });
}

}  // namespace
}  // namespace ohmkit::ftp::test

namespace ohmkit::ftp::test {
namespace {

// A port held by someone else, offered to PASV a given number of times before a free one.
struct BusyPorts {
    static inline std::uint16_t busy = 0;
    static inline std::atomic<int> busyOffers{0};
    static std::uint16_t choose()
    {
        if (busyOffers > 0) {
            --busyOffers;
            return busy;
        }
        return FtpConnection::choosePasvDataPort();
    }
};

TEST_F(FtpServerTest, PassiveModeTriesOtherPortsAndOtherwiseRefuses)
{
    Socket holder(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in any{};
    any.sin_family = AF_INET;
    socklen_t length = sizeof any;
    ASSERT_EQ(::bind(holder.fd(), reinterpret_cast<sockaddr*>(&any), length), 0);
    ASSERT_EQ(::listen(holder.fd(), 1), 0);
    ::getsockname(holder.fd(), reinterpret_cast<sockaddr*>(&any), &length);
    BusyPorts::busy = ntohs(any.sin_port);
    FtpConnection::pasvPortChooser = &BusyPorts::choose;
    runClient([&] {
        ControlClient c = login();
        BusyPorts::busyOffers = 10;
        EXPECT_EQ(c.command("PASV"), "425 Can't open data connection.");
        BusyPorts::busyOffers = 9;
        Socket data = c.openPassive(true);
        EXPECT_TRUE(data.valid());
        EXPECT_EQ(c.command("LIST"), "150 Opening ASCII mode data connection for '/bin/ls'.");
        EXPECT_EQ(data.readAll(), "total 0\r\n");
        EXPECT_EQ(c.readLine(), "226 Transfer complete.");
    });
    FtpConnection::pasvPortChooser = &FtpConnection::choosePasvDataPort;
}

}  // namespace
}  // namespace ohmkit::ftp::test
