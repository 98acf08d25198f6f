#pragma once
// Every reply line the FTP server sends, in one place. Each is sent followed by CR LF, except
// the greeting, which carries its own. Formats take their values through platform::format.
namespace ohmkit::ftp::reply {

inline constexpr const char* kGreeting = "220 Brisklet server ready.\r\n";
inline constexpr const char* kTooManyConnections = "421 Too many connections, try again later.";
inline constexpr const char* kTimeout = "421 Timeout.";

// Logging in and session
inline constexpr const char* kUserOk = "331 Password required for %s";
inline constexpr const char* kPassOk = "230 User %s logged in.";
inline constexpr const char* kAnonymous = "anonymous";   // PASS before any USER
// The bytes of files sent and received on the session's data connections, and the files
// that went across whole.
inline constexpr const char* kQuit1 = "221- Data traffic for this session was %llu bytes in %llu files";
inline constexpr const char* kQuit2 = "221 Thank you for using the FTP service on localhost.";
inline constexpr const char* kStat1 = "211-localhost FTP server status:";
inline constexpr const char* kStat2 = "211 End of Status";
inline constexpr const char* kFeat1 = "211-Features supported";
inline constexpr const char* kFeatUtf8 = " UTF8";
inline constexpr const char* kFeatures[] = {" SIZE", " MDTM", " REST STREAM", " MLST type*;size*;modify*;perm*;"};
inline constexpr const char* kFeat2 = "211 End";
inline constexpr const char* kSyst = "215 UNIX Type: L8 Version: Brisklet 20080912";
inline constexpr const char* kNoop = "200 NOOP command successful.";
inline constexpr const char* kType = "200 Type set to  %s.";
inline constexpr const char* kOpts = "502 Unknown command '%s'";
inline constexpr const char* kOptsUtf8 = "200 UTF8 mode is always on.";
inline constexpr const char* kUnknown = "500 '%s': command not understood.";
inline constexpr const char* kSyntaxError = "501 Syntax error in parameters or arguments.";

// Directories
inline constexpr const char* kPwd = "257 \"%s\" is the current directory.";
inline constexpr const char* kCwdOk = "250 CWD command successful.";
inline constexpr const char* kCwdFailed = "550 CWD failed.";
inline constexpr const char* kCdupOk = "250 CDUP command successful.";
inline constexpr const char* kCdupFailed = "550 CDUP command failed.";
inline constexpr const char* kMkdOk = "257 \"%s\" created.";   // the new folder as the client sees it
inline constexpr const char* kMkdFailed = "550 MKD command failed.";
inline constexpr const char* kMkdExists = "550 Error %s exists";

// Data-connection modes
inline constexpr const char* kPasv = "227 Entering Passive Mode (%s,%d,%d)";
inline constexpr const char* kEpsv = "229 Entering Extended Passive Mode (|||%d|)";
inline constexpr const char* kPort = "200 PORT command successful.";
inline constexpr const char* kLprt = "228 Entering Long Passive Mode \t(af, hal, h1, h2, h3,..., pal, p1, p2...)";
inline constexpr const char* kEprt = "200 EPRT command successful.";
inline constexpr const char* kPasvIpv6 = "425 Use EPSV for IPv6 connections.";
inline constexpr const char* kNoDataPort = "425 Can't open data connection.";
inline constexpr const char* kIllegalPort = "500 Illegal PORT command.";

// Transfers
inline constexpr const char* kListing = "150 Opening ASCII mode data connection for '/bin/ls'.";
inline constexpr const char* kBinary = "150 Opening BINARY mode data connection for '%s'.";
inline constexpr const char* kTransferComplete = "226 Transfer complete.";
inline constexpr const char* kTransferBroken = "426 Connection closed; transfer aborted.";
// A download whose client closed the data connection before the end of the file: the client
// chose how much it takes (a ranged read of one part of a file does just that), so this is no
// failure of the transfer.
inline constexpr const char* kStoppedByClient = "226 Transfer stopped by the client.";
inline constexpr const char* kAbortOk = "226 Abort successful.";          // after the 426 of the transfer
inline constexpr const char* kNothingToAbort = "225 No transfer to abort.";
inline constexpr const char* kWriteFailed = "451 Transfer aborted: error writing file.";
inline constexpr const char* kReadFailed = "451 Transfer aborted: error reading file.";

// Files
inline constexpr const char* kNoSuchFile = "550 %s No such file or directory.";
inline constexpr const char* kNotPlainFile = "550 %s: Not a plain file.";
inline constexpr const char* kPermissionDenied = "550 %s: Permission denied.";
inline constexpr const char* kStorDenied = "553 %s: Permission denied.";
inline constexpr const char* kDeleOk = "250 DELE command successful.";
inline constexpr const char* kDeleFailed = "550 DELE command unsuccessful.";
inline constexpr const char* kSize = "213 %llu";
inline constexpr const char* kMdtm = "213 %s";   // YYYYMMDDHHMMSS, UTC
inline constexpr const char* kMdtmSetRefused = "502 MDTM does not change modification times.";
inline constexpr const char* kRest = "350 Restarting at %llu. Send STORE or RETRIEVE to initiate transfer.";
inline constexpr const char* kMlst1 = "250-Listing %s";
inline constexpr const char* kMlstFacts = " %s";   // the facts line begins with one blank
inline constexpr const char* kMlst2 = "250 End";
inline constexpr const char* kNotAFolder = "550 %s: Not a directory.";
inline constexpr const char* kSizeTooLarge = "550 %s file too large for SIZE.";
inline constexpr const char* kRnfrOk = "350 RNFR command successful.";
inline constexpr const char* kRnfrFailed = "550 RNFR command failed.";
inline constexpr const char* kRntoOk = "250 RNTO command successful.";
inline constexpr const char* kRntoFailed = "550 RNTO command failed.";

}  // namespace ohmkit::ftp::reply
