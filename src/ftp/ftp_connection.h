#pragma once
// FtpConnection: one client's FTP conversation on its control socket.
//
// It greets the client, frames incoming bytes into command lines, splits each line into
// words, dispatches it through the server's command table to a handler (do...), sends reply
// lines, sets up data sockets for PASV, EPSV, PORT, LPRT and EPRT, hands outgoing data to the
// current FtpDataConnection (or queues it until one exists), writes upload data to the open
// file, and ends transfers with their 226 (or 426 / 451) reply.
// Ownership: held by std::shared_ptr; the server's registry is its only owner, except after
// QUIT, when it keeps itself alive until its last reply has been written and its control
// socket has closed. It owns its control socket, its data socket and its data connection.
// Threading: main run loop only.
#include "ftp/command_line_buffer.h"
#include "ftp/ftp_data_connection.h"
#include "ftp/ftp_server_observer.h"
#include "ftp/path_policy.h"
#include "net/event_socket.h"
#include "ftp/upload_target.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ohmkit::platform {
class Timer;
}

namespace ohmkit::ftp {

class FtpServer;

class FtpConnection : public net::EventSocketDelegate, public std::enable_shared_from_this<FtpConnection> {
public:
    using Words = std::vector<std::string>;

    // Lines handled in one turn of the run loop before other clients get theirs.
    static constexpr std::size_t kLinesPerTurn = 64;
    // Reply bytes that may wait to be written before the client's lines are no longer read.
    static constexpr std::size_t kMaxWaitingReplies = 64 * 1024;

    // transferMode: the kind of the latest data-connection command.
    enum class TransferMode { pasv, epsv, port, lprt, eprt };

    // Adopts the accepted control socket and greets the client.
    static std::shared_ptr<FtpConnection> create(std::shared_ptr<net::EventSocket> socket,
                                                 const std::shared_ptr<FtpServer>& server);
    ~FtpConnection() override;
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    std::string connectionAddress() const;         // the client's address, as text
    // Once the control connection is reported: whether it counts against the server's limits
    // (it was greeted), and the client's address as the limits compare it.
    bool isAdmitted() const { return admitted_; }
    const std::string& clientAddress() const { return clientAddress_; }

    // Command lines.
    void processDataRead(std::string_view line);   // one line, its line end removed
    void processCommand();
    void sendMessage(const std::string& message);  // one reply line; CR LF is appended
    // Reply bytes not yet handed to the system.
    std::size_t repliesWaiting() const;

    // Data connections and transfers.
    bool openDataSocket(std::int32_t port);
    static std::uint16_t choosePasvDataPort();
    // What PASV and EPSV call to pick a port: choosePasvDataPort, or a test's stand-in.
    static inline std::uint16_t (*pasvPortChooser)() = &FtpConnection::choosePasvDataPort;
    void sendData(std::shared_ptr<const std::string> data);
    void sendFile(std::shared_ptr<DownloadFile> file);
    void sendDataString(const std::string& text);
    // A transfer has been written (`readFailed`: a file could not be read to its end).
    void didReceiveDataWritten(bool readFailed = false);
    // A listing, download or upload has been accepted (150) and is not over yet: another one
    // is refused until it is.
    bool transferInProgress() const { return transfer_ != Transfer::None; }
    void didReceiveDataRead();
    // `bytes` more of the file being downloaded have been written to the data connection.
    void didSendFileBytes(std::size_t bytes);
    // How a data connection ended: after its transfer, broken by an error, or closed by the
    // client while a file was still being sent to it.
    enum class DataEnd { finished, broken, closedByClient };
    void didFinishReading(DataEnd end);
    // How long an upload whose data connection has ended waits for its control connection
    // before it takes its name: a client killed mid-upload loses both connections at once, and
    // the control connection's end may be seen a moment after the data connection's.
    static constexpr double kControlWaitAfterUpload = 0.25;

    // Paths: the rules come from the server's store (PathPolicy), the current directory from
    // the connection.
    PathPolicy paths() const;
    bool changedCurrentDirectoryTo(const std::string& path);
    bool accessibleFilePath(const std::string& path) const;
    bool validNewFilePath(const std::string& path) const;
    std::string visibleCurrentDir() const;
    // The path a name given to a file command stands for, exactly as the file call will be
    // given it: every link resolved (with `followLast` false, all but one in the last
    // component), no "." or ".." left. nullopt when it lies outside the base directory (with
    // changeRoot) or cannot be resolved. Checking this path and then using it leaves nothing
    // to be re-read in between.
    std::optional<std::string> confinedPath(const std::string& name, bool followLast) const;
    // True when `path` (from confinedPath) is the base directory itself.
    bool isBaseDir(const std::string& path) const;

    // Command handlers: each gets the whole word list, word 0 being the command as typed.
    void doUser(const Words& words);
    void doPass(const Words& words);
    void doQuit(const Words& words);
    void doStat(const Words& words);
    void doFeat(const Words& words);
    void doSyst(const Words& words);
    void doNoop(const Words& words);
    void doType(const Words& words);
    void doOpts(const Words& words);
    void doPwd(const Words& words);
    void doCwd(const Words& words);
    void doCdUp(const Words& words);
    void doPasv(const Words& words);
    void doEpsv(const Words& words);
    void doPort(const Words& words);
    void doLprt(const Words& words);
    void doEprt(const Words& words);
    void doList(const Words& words);
    void doNlst(const Words& words);
    void doRetr(const Words& words);
    void doStor(const Words& words);
    void doDele(const Words& words);
    void doSize(const Words& words);
    void doMkdir(const Words& words);
    void doRnfr(const Words& words);
    void doRnto(const Words& words);
    void doMlst(const Words& words);
    void doAbor(const Words& words);
    void doAppe(const Words& words);
    void doRest(const Words& words);
    void doMdtm(const Words& words);
    void doMlsd(const Words& words);

    // Accessors.
    TransferMode transferMode() const { return transferMode_; }
    void setTransferMode(TransferMode mode) { transferMode_ = mode; }
    const std::string& currentDir() const { return currentDir_; }
    void setCurrentDir(std::string dir) { currentDir_ = std::move(dir); }
    const std::optional<std::string>& currentFile() const { return currentFile_; }
    void setCurrentFile(std::optional<std::string> file) { currentFile_ = std::move(file); }
    const std::optional<std::string>& rnfrFilename() const { return rnfrFilename_; }
    void setRnfrFilename(std::optional<std::string> name) { rnfrFilename_ = std::move(name); }
    const std::optional<std::string>& currentUser() const { return currentUser_; }
    const Words& msgComponents() const { return msgComponents_; }
    std::uint16_t dataPort() const { return dataPort_; }
    FtpDataConnection* dataConnection() const { return dataConnection_.get(); }
    net::EventSocket* dataSocket() const { return dataSocket_.get(); }
    net::EventSocket* connectionSocket() const { return connectionSocket_.get(); }
    std::shared_ptr<FtpServer> server() const { return server_.lock(); }

    // Socket delegate: the control socket, passive listeners and connecting data sockets.
    void onSocketDidReadData(net::EventSocket& sock, std::string_view data, std::int32_t tag) override;
    void onSocketDidWriteDataWithTag(net::EventSocket& sock, std::int32_t tag) override;
    void onSocketDidAcceptNewSocket(net::EventSocket& sock, const std::shared_ptr<net::EventSocket>& newSocket) override;
    bool onSocketWillConnect(net::EventSocket& sock) override;
    void onSocketDidConnectToHost(net::EventSocket& sock, const std::string& host, std::uint16_t port) override;
    void onSocketDidDisconnect(net::EventSocket& sock) override;
    bool onReadStreamEnded(net::EventSocket& sock) override;

    FtpConnection(std::shared_ptr<net::EventSocket> socket, const std::shared_ptr<FtpServer>& server);   // use create()

private:
    void queueLineRead();
    // Handles the lines that wait, at most kLinesPerTurn of them, and only while the replies
    // that wait stay under kMaxWaitingReplies; the client's socket is not read until the
    // lines run out.
    void processLines();
    void postProcessLines();       // processLines on a later turn
    void queueReply(std::string_view bytes);
    void flushReplies();           // hands the waiting replies to the socket as one write
    // Sends what waits, then closes the control socket once it is written.
    void closeAfterReplies();
    // The client has ended its side: once its lines are answered (and any transfer is over),
    // the connection closes.
    void finishAfterPeerEnd();
    // Sends 425 and returns true while a transfer is in progress.
    bool refuseSecondTransfer();
    void beginTransfer();
    // The transfer is over: its data connection (if any) is let go, and a client that ended
    // its side may now be closed.
    void endTransfer();
    // Drops the transfer that waits or runs, its queued data, open upload and data connection,
    // without a reply.
    void dropTransfer();
    void releaseDataConnection();
    // Sends 500 and returns true for a port below 1024 (the client's privileged ports).
    bool refusePrivilegedPort(std::int32_t port);
    // The control connection is up: the client is greeted, or turned away over the limits.
    void admit(net::EventSocket& sock, const std::string& host);
    // Runs a few times per timeout: closes an idle control connection, ends a transfer whose
    // data connection does not come or does not move, and closes a connection that has not
    // managed to write its last replies.
    void watch();
    bool dataArrived() const;
    // True when the client has closed or lost its control connection.
    bool clientVanished() const;
    // True when an ABOR waits on the control connection, not yet handled: a client that cancels
    // an upload may close its data connection before the server reads the ABOR.
    bool abortWaiting() const;
    void replaceDataConnection(std::shared_ptr<net::EventSocket> socket);
    // The end of a transfer whose data connection has ended, once nothing more is waited for.
    void concludeTransfer(DataEnd end);
    // An upload whose data connection ended well waits (kControlWaitAfterUpload, on the run
    // loop) for a sign from its control connection: its end or an ABOR discards the file,
    // another command or the end of the wait keeps it. No line is handled meanwhile.
    void awaitControlAfterUpload();
    // True once the wait can end on what the client has sent: a whole line, or too much.
    bool controlSpokeAfterUpload();
    void concludeAwaitedUpload();
    void stopAwaitingControl();
    // STOR and APPE: a new file that replaces its target once complete, the existing file
    // written from the restart point, or the file appended to.
    enum class Upload { replacing, inPlaceFrom, appending };
    void receiveFile(Upload kind);
    // Sends 150 and the listing text on the data connection.
    void sendListing(const std::string& listing);
    // confinedPath, or nullopt after sending `reply` (a format taking the name) for a name
    // that leads outside the base directory (or, with `notBaseDir`, to the base directory).
    std::optional<std::string> pathOrRefuse(const std::string& name, bool followLast, const char* reply,
                                            bool notBaseDir = false);
    void leave();   // the control socket is gone: leave the registry on a later turn
    // The file transfer under way, as the server's observer hears of it.
    void reportTransferStart(const std::string& path, bool upload, std::uint64_t total);
    void reportTransferMoved(std::uint64_t bytes);
    void reportTransferEnd(bool complete);

    // The loop the control socket runs on: every deferred call and timer of the connection.
    platform::RunLoop& loop() const { return connectionSocket_->runLoop(); }
    std::shared_ptr<net::EventSocket> connectionSocket_;
    std::weak_ptr<FtpServer> server_;
    std::shared_ptr<net::EventSocket> dataSocket_;
    std::shared_ptr<FtpDataConnection> dataConnection_;
    Words msgComponents_;
    std::uint16_t dataPort_ = 2001;
    TransferMode transferMode_ = TransferMode::pasv;
    DataQueue queuedData_;
    std::optional<std::string> currentUser_;
    bool loggedIn_ = false;                       // PASS has been accepted
    std::string currentDir_;
    std::optional<std::string> currentFile_;
    std::unique_ptr<UploadTarget> currentFileHandle_;   // the upload under way
    bool uploadWriteFailed_ = false;
    bool awaitingControl_ = false;                 // awaitControlAfterUpload is under way
    platform::PendingCall awaitControlLater_;      // its end, if nothing comes first
    std::optional<std::string> rnfrFilename_;
    std::optional<FileTransfer> reported_;        // the transfer as the observer last heard of it
    std::uint64_t sessionBytes_ = 0;              // file bytes moved on data connections, for QUIT
    std::uint64_t sessionFiles_ = 0;              // file transfers that ended complete

    CommandLineBuffer lineBuffer_;
    std::string replies_;                          // reply lines not yet handed to the socket
    bool replyWriteInFlight_ = false;              // a write of replies has not completed yet
    bool waitingForReplies_ = false;               // lines wait until the replies drain
    platform::PendingCall processLinesLater_;      // processLines on a later turn
    platform::PendingCall leaveLater_;             // leaves the registry on a later turn
    bool peerEnded_ = false;                       // the client has ended its side
    bool closing_ = false;                         // closes once its last replies are written
    enum class Transfer { None, Waiting, Running };
    Transfer transfer_ = Transfer::None;           // Waiting: for its data connection

    using Clock = std::chrono::steady_clock;
    bool admitted_ = false;
    std::string clientAddress_;
    std::shared_ptr<platform::Timer> watchdog_;
    Clock::time_point lastCommand_;                // the last complete line, or a transfer's end
    Clock::time_point transferSince_;              // when the transfer began waiting
    Clock::time_point lastProgressAt_;             // when its data connection last moved bytes
    std::uint64_t lastProgress_ = 0;
    Clock::time_point closingSince_;
    std::vector<std::shared_ptr<net::EventSocket>> unverifiedDataSockets_;   // accepted, peer not yet known
    bool leaving_ = false;
    bool uploadAborted_ = false;        // an upload ended as aborted (426): the next ABOR gets its 226
    std::uint64_t restartAt_ = 0;       // the offset of the last REST, until the next command
    std::uint64_t commandRestart_ = 0;  // that offset, for the command that follows REST
    // What the dispatcher found for the command being handled: its name argument, and for a
    // row whose argument is a store path, that path resolved and confined (none without a name).
    std::string commandName_;
    std::optional<std::string> commandPath_;
};

}  // namespace ohmkit::ftp
