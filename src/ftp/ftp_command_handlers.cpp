// The FTP command handlers and the path operations they use. Every handler first refuses what
// it cannot do (501 for a missing argument, 550 for a name outside the base directory) and
// only then acts.
#include "ftp/ftp_connection.h"

#include "ftp/ftp_entries.h"
#include "ftp/ftp_listing.h"
#include "ftp/ftp_paths.h"
#include "ftp/path_policy.h"
#include "ftp/ftp_replies.h"
#include "ftp/ftp_server.h"
#include "platform/log.h"
#include "platform/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace ohmkit::ftp {

using platform::format;
using platform::intValue;
using platform::logFormat;
using platform::logLine;

namespace {

constexpr std::uint64_t kLargestFolderSize = 10 * 1024;   // SIZE of a folder answers only below this

bool equalsIgnoringCase(const std::string& text, const char* word)
{
    std::size_t i = 0;
    for (; i < text.size() && word[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(word[i]))) return false;
    return i == text.size() && !word[i];
}

// A path inside a quoted reply: a quote mark in it is doubled, so the reply can be read back.
std::string quotedPath(const std::string& path)
{
    std::string quoted;
    for (char c : path) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted;
}

std::vector<std::string> splitAt(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

std::string joinWords(const std::vector<std::string>& words)
{
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) text += (i ? " " : "") + words[i];
    return text;
}

// A regular file at `path`, open for reading; -1 when it cannot be opened or is not a
// regular file. `size` receives its size.
int openFileForDownload(const std::string& path, std::uint64_t& size)
{
    // Every link of the path is resolved already: one that appeared since is not followed.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) return -1;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

}  // namespace

// ---- Paths

// A connection whose server is gone confines its names to its current directory.
PathPolicy FtpConnection::paths() const
{
    auto server = server_.lock();
    return server ? PathPolicy(server->baseDir(), server->changeRoot()) : PathPolicy(currentDir_, true);
}

std::optional<std::string> FtpConnection::confinedPath(const std::string& name, bool followLast) const
{
    return paths().confinedPath(currentDir_, name, followLast);
}

bool FtpConnection::isBaseDir(const std::string& path) const { return paths().isBase(path); }

bool FtpConnection::changedCurrentDirectoryTo(const std::string& path)
{
    logFormat("currentDirectory: %s", currentDir_.c_str());
    logFormat("newDirectory: %s", path.c_str());
    const PathPolicy policy = paths();
    const std::string expanded = policy.rootedPath(currentDir_, path);
    logFormat("expandedPath: %s", expanded.c_str());
    if (!policy.mayEnter(expanded)) return false;
    // A folder the process could make its working directory: it exists, is a folder, and may
    // be entered. Its canonical name becomes the current directory.
    struct stat st{};
    if (::stat(expanded.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || ::access(expanded.c_str(), X_OK) != 0) return false;
    char canonical[PATH_MAX];
    if (!::realpath(expanded.c_str(), canonical)) return false;
    if (!policy.mayEnter(canonical)) return false;
    currentDir_ = canonical;
    return true;
}

// Something is there, the name itself: a link counts even when what it points to is gone.
bool FtpConnection::accessibleFilePath(const std::string& path) const
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

bool FtpConnection::validNewFilePath(const std::string&) const { return true; }

std::string FtpConnection::visibleCurrentDir() const
{
    auto server = server_.lock();
    // Without its server the connection shows its whole current directory.
    return server ? paths().visiblePath(currentDir_) : PathPolicy("", true).visiblePath(currentDir_);
}

// ---- Refusals

std::optional<std::string> FtpConnection::pathOrRefuse(const std::string& name, bool followLast,
                                                      const char* replyFormat, bool notBaseDir)
{
    auto path = confinedPath(name, followLast);
    if (path && !(notBaseDir && isBaseDir(*path))) return path;
    logFormat("FC:%s lies outside %s or is the base directory, refused", name.c_str(), currentDir_.c_str());
    sendMessage(format(replyFormat, name.c_str()));
    return std::nullopt;
}

// ---- Session

void FtpConnection::doUser(const Words& words)
{
    currentUser_ = words[1];
    sendMessage(format(reply::kUserOk, words[1].c_str()));
}

void FtpConnection::doPass(const Words&)
{
    loggedIn_ = true;
    sendMessage(format(reply::kPassOk, currentUser_.value_or(reply::kAnonymous).c_str()));
}

void FtpConnection::doQuit(const Words& words)
{
    logFormat("Quit : %s", joinWords(words).c_str());
    sendMessage(format(reply::kQuit1, static_cast<unsigned long long>(sessionBytes_),
                       static_cast<unsigned long long>(sessionFiles_)));
    sendMessage(reply::kQuit2);
    // Both lines are written, then the socket closes. The connection stays in the registry
    // until then (leave()), so that stopping the server reaches it even if they never drain.
    closeAfterReplies();
}

void FtpConnection::doStat(const Words&)
{
    sendMessage(reply::kStat1);
    sendMessage(reply::kStat2);
}

void FtpConnection::doFeat(const Words&)
{
    sendMessage(reply::kFeat1);
    auto server = server_.lock();
    if (!server || server->clientEncoding() == TextEncoding::Utf8) sendMessage(reply::kFeatUtf8);
    for (const char* feature : reply::kFeatures) sendMessage(feature);
    sendMessage(reply::kFeat2);
}

void FtpConnection::doSyst(const Words&) { sendMessage(reply::kSyst); }

void FtpConnection::doNoop(const Words&) { sendMessage(reply::kNoop); }

void FtpConnection::doType(const Words& words)
{
    sendMessage(format(reply::kType, words[1].c_str()));
}

void FtpConnection::doOpts(const Words& words)
{
    // Names are always UTF-8: a client that asks for it is told so.
    if (equalsIgnoringCase(words[1], "utf8") && (words.size() == 2 || equalsIgnoringCase(words[2], "on"))) {
        sendMessage(reply::kOptsUtf8);
        return;
    }
    sendMessage(format(reply::kOpts, words[1].c_str()));
}

// ---- Directories

void FtpConnection::doPwd(const Words&)
{
    const std::string visible = visibleCurrentDir();
    logFormat("Will PWD %s ", visible.c_str());
    sendMessage(format(reply::kPwd, visible.c_str()));
}

void FtpConnection::doCwd(const Words& words)
{
    const std::string& name = commandName_;
    logFormat("DoCwd arguments is %s", joinWords(words).c_str());
    logFormat("CWD: %s", name.c_str());
    sendMessage(changedCurrentDirectoryTo(name) ? reply::kCwdOk : reply::kCwdFailed);
    logFormat("currentDir is now %s", currentDir_.c_str());
}

void FtpConnection::doCdUp(const Words&)
{
    const std::string visible = visibleCurrentDir();
    logFormat("CurrentDir is %s", visible.c_str());
    sendMessage(changedCurrentDirectoryTo(deletingLastPathComponent(visible)) ? reply::kCdupOk : reply::kCdupFailed);
}

void FtpConnection::doMkdir(const Words&)
{
    const std::string& name = commandName_;
    logFormat("current dir is %s", currentDir_.c_str());
    const auto& checked = commandPath_;   // resolved and confined by the dispatcher
    if (!validNewFilePath(*checked)) return;
    const std::string& path = *checked;
    if (accessibleFilePath(path)) {
        sendMessage(format(reply::kMkdExists, name.c_str()));
        return;
    }
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) {
        logFormat("FC:MKD %s failed: %s", path.c_str(), error.message().c_str());
        sendMessage(reply::kMkdFailed);
        return;
    }
    std::string visible = paths().visiblePath(path);
    if (visible.size() > 1 && visible.back() == '/') visible.pop_back();
    sendMessage(format(reply::kMkdOk, quotedPath(visible).c_str()));
}

// ---- Data-connection modes

void FtpConnection::doPasv(const Words&)
{
    transferMode_ = TransferMode::pasv;
    openDataSocket(0);
}

void FtpConnection::doEpsv(const Words&)
{
    transferMode_ = TransferMode::epsv;
    openDataSocket(0);
}

void FtpConnection::doPort(const Words& words)
{
    const auto parts = splitAt(words[1], ',');
    if (parts.size() < 6) {
        sendMessage(reply::kSyntaxError);
        return;
    }
    const int port = intValue(parts[4]) * 256 + intValue(parts[5]);
    if (refusePrivilegedPort(port)) return;
    transferMode_ = TransferMode::port;
    openDataSocket(port);
}

void FtpConnection::doLprt(const Words& words)
{
    const auto parts = splitAt(words[1], ',');
    if (parts.size() < 21) {
        sendMessage(reply::kSyntaxError);
        return;
    }
    const int high = intValue(parts[19]);
    const int low = intValue(parts[20]);
    logFormat("%d %d %d", high * 256, high, low);
    if (refusePrivilegedPort(high * 256 + low)) return;
    transferMode_ = TransferMode::lprt;
    openDataSocket(high * 256 + low);
}

void FtpConnection::doEprt(const Words& words)
{
    const auto parts = splitAt(words[1], '|');
    if (parts.size() < 4) {
        sendMessage(reply::kSyntaxError);
        return;
    }
    for (const std::string& part : parts) logLine(part);
    const int port = intValue(parts[3]);
    logFormat("Got Send Port %d", port);
    if (refusePrivilegedPort(port)) return;
    transferMode_ = TransferMode::eprt;
    openDataSocket(port);
}

// ---- Listings and files

void FtpConnection::doList(const Words&)
{
    auto server = server_.lock();
    if (!server || refuseSecondTransfer()) return;
    const std::string dir = commandPath_.value_or(currentDir_);
    logFormat("doList currentDir(%s) changeRoot%d", currentDir_.c_str(), server->changeRoot() ? 1 : 0);
    logFormat("Will list %s ", dir.c_str());
    const std::string listing = server->createList(dir);
    logFormat("doList sending this. %s", listing.c_str());
    sendListing(listing);
}

// Bare names. A last component with a wildcard ("*.pdf", as clients send for mget) picks
// names in the folder before it; each name then comes with that folder as it was written.
void FtpConnection::doNlst(const Words&)
{
    const std::string& name = commandName_;
    if (refuseSecondTransfer()) return;
    const std::size_t slash = name.rfind('/');
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    const bool wildcard = last.find_first_of("*?[") != std::string::npos;
    const std::string folderText = wildcard ? name.substr(0, name.size() - last.size()) : name;
    const auto checked = folderText.empty() ? std::optional<std::string>(currentDir_)
                                            : pathOrRefuse(folderText, true, reply::kPermissionDenied);
    if (!checked) return;
    logFormat("Will list names of %s ", checked->c_str());
    sendListing(createNameList(*checked, wildcard ? last : "", wildcard ? folderText : ""));
}

void FtpConnection::sendListing(const std::string& listing)
{
    sendMessage(reply::kListing);
    beginTransfer();
    sendDataString(listing);
}

void FtpConnection::doRetr(const Words&)
{
    const std::string& name = commandName_;
    if (refuseSecondTransfer()) return;
    const auto& checked = commandPath_;   // resolved and confined by the dispatcher
    const std::string& path = *checked;
    logFormat("FC:doRetr: %s", path.c_str());
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        sendMessage(format(reply::kNoSuchFile, name.c_str()));
        logFormat("FC:doRetr: file %s doesnt' exist ", path.c_str());
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        sendMessage(format(reply::kNotPlainFile, name.c_str()));
        return;
    }
    std::uint64_t size = 0;
    const int fd = openFileForDownload(path, size);
    if (fd < 0) {
        sendMessage(format(reply::kPermissionDenied, name.c_str()));
        return;
    }
    // After REST the file goes out from that byte (from its end, when REST passed it).
    const std::uint64_t from = std::min(commandRestart_, size);
    sendMessage(format(reply::kBinary, name.c_str()));
    beginTransfer();
    reportTransferStart(path, false, size - from);
    // The file goes out range by range as the data connection takes it, as long as it was
    // when it was opened.
    sendFile(std::make_shared<DownloadFile>(fd, from, size));
}

void FtpConnection::doStor(const Words&)
{
    // After REST the existing file is written from that byte; otherwise it is replaced.
    receiveFile(commandRestart_ > 0 ? Upload::inPlaceFrom : Upload::replacing);
}

void FtpConnection::doAppe(const Words&) { receiveFile(Upload::appending); }

void FtpConnection::receiveFile(Upload kind)
{
    const std::string& name = commandName_;
    if (refuseSecondTransfer()) return;
    const auto& checked = commandPath_;   // resolved and confined by the dispatcher
    const std::string& path = *checked;
    // A plain upload is written under a hidden name beside its target and takes the name only
    // when it is complete; until then an existing file of that name stays as it is.
    struct stat st{};
    const bool isFolder = ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    std::unique_ptr<UploadTarget> upload;
    if (!isFolder && validNewFilePath(path)) {
        if (kind == Upload::replacing)
            upload = UploadTarget::replacing(path);
        else
            upload = UploadTarget::inPlace(path, kind == Upload::inPlaceFrom ? std::optional(commandRestart_) : std::nullopt);
    }
    logFormat("FC:doStor  %s", path.c_str());
    if (!upload) {
        // Nothing will arrive for a refused upload, so the data connection keeps its state.
        logFormat("FC:doStor cannot create %s: %s", path.c_str(), isFolder ? "a folder" : std::strerror(errno));
        sendMessage(format(reply::kStorDenied, name.c_str()));
        return;
    }
    currentFile_ = path;
    currentFileHandle_ = std::move(upload);
    uploadWriteFailed_ = false;
    sendMessage(format(reply::kBinary, name.c_str()));
    beginTransfer();
    reportTransferStart(path, true, 0);
    if (dataConnection_) {
        dataConnection_->setConnectionState(FtpDataConnection::ConnectionState::clientSending);
        logLine("FC:setting connection state to clientSending");
    } else {
        logLine("FC:Erorr  Cant set connection state to Client Sending : no Connection yet ");
    }
}

void FtpConnection::doDele(const Words&)
{
    const std::string& name = commandName_;
    logFormat("filename is %s", name.c_str());
    const auto& checked = commandPath_;   // resolved and confined by the dispatcher
    const std::string& path = *checked;
    if (!accessibleFilePath(path)) {
        sendMessage(format(reply::kNoSuchFile, name.c_str()));
        return;
    }
    std::string problem;
    if (!removeEntry(path, problem)) {
        logFormat("FC:removing %s failed: %s", path.c_str(), problem.c_str());
        sendMessage(reply::kDeleFailed);
        return;
    }
    sendMessage(reply::kDeleOk);
    if (auto server = server_.lock()) server->didReceiveFileListChanged();
}

void FtpConnection::doSize(const Words&)
{
    const std::string& name = commandName_;
    const auto& checked = commandPath_;   // resolved and confined by the dispatcher
    struct stat st{};
    if (::stat(checked->c_str(), &st) != 0) {
        sendMessage(format(reply::kNoSuchFile, name.c_str()));
        return;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    logFormat("File size is %llu ", static_cast<unsigned long long>(size));
    // A file's size is what clients download by, whatever it is; a folder keeps the limit.
    if (!S_ISREG(st.st_mode) && size >= kLargestFolderSize)
        sendMessage(format(reply::kSizeTooLarge, name.c_str()));
    else
        sendMessage(format(reply::kSize, static_cast<unsigned long long>(size)));
}

void FtpConnection::doRnfr(const Words&)
{
    const auto& checked = commandPath_;   // resolved and confined by the dispatcher
    rnfrFilename_ = *checked;
    sendMessage(accessibleFilePath(*checked) ? reply::kRnfrOk : reply::kRnfrFailed);
}

void FtpConnection::doRnto(const Words&)
{
    if (!rnfrFilename_) {
        sendMessage(reply::kRntoFailed);
        return;
    }
    const auto& checked = commandPath_;   // resolved and confined by the dispatcher
    const std::string& path = *checked;
    logFormat("RNFR %s", rnfrFilename_->c_str());
    logFormat("RNTO %s", path.c_str());
    std::string problem;
    if (validNewFilePath(path) && moveEntry(*rnfrFilename_, path, problem)) {
        if (auto server = server_.lock()) server->didReceiveFileListChanged();
        sendMessage(reply::kRntoOk);
        return;
    }
    logFormat("RNTO failed %s", problem.c_str());
    sendMessage(reply::kRntoFailed);
}

// Cancels the transfer under way: its data connection closes and an upload leaves nothing.
void FtpConnection::doAbor(const Words&)
{
    if (transfer_ == Transfer::None) {
        sendMessage(uploadAborted_ ? reply::kAbortOk : reply::kNothingToAbort);
        uploadAborted_ = false;
        return;
    }
    logLine("FC:ABOR, the transfer in progress is aborted");
    dropTransfer();
    // A data connection of the aborted transfer that has not been taken yet goes with it.
    for (const auto& socket : unverifiedDataSockets_) {
        socket->setDelegate(nullptr);
        socket->disconnect();
    }
    unverifiedDataSockets_.clear();
    sendMessage(reply::kTransferBroken);
    sendMessage(reply::kAbortOk);
    lastCommand_ = Clock::now();
    finishAfterPeerEnd();
}

// The facts of one entry (the current folder when no name is given) on the control connection.
void FtpConnection::doMlst(const Words&)
{
    const std::string& name = commandName_;
    const std::string shown = name.empty() ? visibleCurrentDir() : name;
    const std::string facts = machineFacts(commandPath_.value_or(currentDir_), shown);
    if (facts.empty()) {
        sendMessage(format(reply::kNoSuchFile, shown.c_str()));
        return;
    }
    sendMessage(format(reply::kMlst1, shown.c_str()));
    sendMessage(format(reply::kMlstFacts, facts.c_str()));
    sendMessage(reply::kMlst2);
}

// The facts of every visible entry of a folder, on the data connection.
void FtpConnection::doMlsd(const Words&)
{
    const std::string& name = commandName_;
    if (refuseSecondTransfer()) return;
    const std::string folder = commandPath_.value_or(currentDir_);
    const std::string list = createMachineList(folder);
    if (list.empty()) {
        sendMessage(format(accessibleFilePath(folder) ? reply::kNotAFolder : reply::kNoSuchFile, name.c_str()));
        return;
    }
    sendListing(list);
}

void FtpConnection::doRest(const Words& words)
{
    const std::string& text = words[1];
    const bool digits = !text.empty() && text.size() <= 19 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
        sendMessage(reply::kSyntaxError);
        return;
    }
    restartAt_ = std::strtoull(text.c_str(), nullptr, 10);
    sendMessage(format(reply::kRest, static_cast<unsigned long long>(restartAt_)));
}

void FtpConnection::doMdtm(const Words& words)
{
    const std::string& name = commandName_;
    const auto& checked = commandPath_;   // resolved and confined by the dispatcher
    struct stat st{};
    if (::stat(checked->c_str(), &st) != 0) {
        // "MDTM YYYYMMDDHHMMSS name", as some clients send after an upload to set the time, is
        // refused: the server keeps the time the file arrived.
        const bool setForm = words.size() > 2 && words[1].size() == 14 &&
                             std::all_of(words[1].begin(), words[1].end(), [](char c) { return c >= '0' && c <= '9'; });
        sendMessage(setForm ? std::string(reply::kMdtmSetRefused) : format(reply::kNoSuchFile, name.c_str()));
        return;
    }
    sendMessage(format(reply::kMdtm, modificationTimeText(st.st_mtime).c_str()));
}

}  // namespace ohmkit::ftp
