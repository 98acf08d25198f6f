#pragma once
// HttpServer: the browser upload server. Any web browser on the network opens its page at
// http://ADDRESS:PORT/KEY/, sees the datasheet store, downloads, uploads (drag and drop, a file
// picker, or a plain form without JavaScript) and deletes files.
//
// The HTTP protocol itself is the embedded library's (libmicrohttpd); this class drives it from
// the given run loop (the library's epoll descriptor as an fd watch, its next timeout as a
// timer), with no threads of its own, and answers requests: every path needs the access key
// (else a bare 404), names are checked before any file is touched, an upload is streamed into
// a hidden temporary file and renamed over its name only when it is complete.
// Threading: everything runs on the loop's thread; nothing is locked.
// Ownership: held by std::shared_ptr (use start()). It keeps its observer alive until it is
// destroyed; its owner calls stop() and drops it.
#include "http/access_key.h"
#include "net/server_observer.h"
#include "platform/run_loop.h"

#include <cstdint>
#include <memory>
#include <string>

struct MHD_Daemon;
struct MHD_Connection;

namespace ohmkit::http {

class HttpConnections;

// What one server allows its clients; the library enforces each. The defaults are the upload
// screen's.
struct HttpLimits {
    unsigned maxClients = 64;          // connections in all
    unsigned maxPerAddress = 16;       // connections from one client address
    // Besides, the last quarter of the places is kept for addresses that hold none
    // (HttpConnections).
    unsigned idleTimeout = 60;         // seconds a connection may go without moving a byte
    // Seconds a request's line and headers may take to arrive in all, from the connection's
    // start or the end of its previous request (0: no limit but the idle one).
    unsigned headerTimeout = 10;
    // Memory of one connection, which bounds its request line and headers together (a
    // request whose headers do not fit is answered 431 or 413 by the library).
    std::size_t connectionMemory = 64 * 1024;
};

// The port the browser server prefers: $OHMKIT_HTTP_PORT when it holds a port number from 1
// to 65535, else 8080.
unsigned preferredHttpPort();
inline constexpr unsigned kDefaultHttpPort = 8080;
// When the port asked for is taken, the server tries this many ports after it
// (8080: 8081 to 8089). Port 0 lets the system pick and needs no others.
inline constexpr unsigned kPortFallbacks = 9;

class HttpServer : public std::enable_shared_from_this<HttpServer> {
public:
    // Starts serving `folder` on `port` (or, when that is taken, the first free one of the
    // kPortFallbacks after it; 0: a free port the system picks), on every address, IPv6 and
    // IPv4 where the system has both. Never null; isListening() tells whether it listens.
    // Temporary files of uploads that never ended are removed from `folder` first.
    static std::shared_ptr<HttpServer> start(platform::RunLoop& loop, unsigned port, std::string folder,
                                             std::shared_ptr<net::ServerObserver> observer,
                                             const HttpLimits& limits = {}, std::string key = makeAccessKey());
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Stops listening and closes every connection; an upload under way leaves nothing.
    void stop();

    bool isListening() const { return daemon_ != nullptr; }
    unsigned port() const { return port_; }               // the port it listens on
    const std::string& key() const { return key_; }
    const std::string& folder() const { return folder_; }
    std::size_t connectionCount() const { return connections_; }
    // The page's address on `host` ("http://192.168.1.5:8080/k3x9p2/"); an IPv6 host is
    // put in brackets.
    std::string pageAddress(const std::string& host) const;

    struct Request;   // one request's state, from its first byte to its completion

    HttpServer(platform::RunLoop& loop, std::string folder, std::shared_ptr<net::ServerObserver> observer,
               const HttpLimits& limits, std::string key);   // use start()

private:
    bool listen(unsigned port);
    // The run-loop side of the library: watch its descriptor, honour its timeout.
    void watchDaemon();
    void runDaemon();
    void scheduleDaemonTimeout();

    // Request handling (http_server.cpp keeps the library's callbacks).
    friend struct Callbacks;
    int handle(MHD_Connection* connection, Request& request, const char* method, const char* path,
               const char* data, std::size_t* size);
    int begin(MHD_Connection* connection, Request& request, const char* method, const char* path);
    int finish(MHD_Connection* connection, Request& request);
    int answerPage(MHD_Connection* connection, Request& request);
    int answerList(MHD_Connection* connection, Request& request);
    int answerDownload(MHD_Connection* connection, Request& request);
    int answerDelete(MHD_Connection* connection, Request& request);
    int answerMakeFolder(MHD_Connection* connection, Request& request);
    int answerConfirmDelete(MHD_Connection* connection, Request& request);
    int redirect(MHD_Connection* connection, unsigned status, const std::string& location);
    int beginUpload(MHD_Connection* connection, Request& request);
    int beginFormUpload(MHD_Connection* connection, Request& request);
    int send(MHD_Connection* connection, unsigned status, const std::string& body, const char* type);
    void formPart(Request& request, const char* fileName, const char* data, std::uint64_t offset, std::size_t size);
    void endFormPart(Request& request);
    void completed(Request& request, bool complete);
    void connectionChanged(bool opened);
    void fileListChanged();

    platform::RunLoop& loop_;
    std::string folder_;
    std::shared_ptr<net::ServerObserver> observer_;
    HttpLimits limits_;
    std::string key_;
    unsigned port_ = 0;
    MHD_Daemon* daemon_ = nullptr;
    std::unique_ptr<platform::FdWatch> watch_;
    std::shared_ptr<platform::Timer> timer_;
    std::unique_ptr<HttpConnections> admission_;   // who gets a place, and the header deadlines
    platform::PendingCall rerun_;   // another pass of the library after one that freed places
    std::size_t closedInPass_ = 0;  // connections that ended since the pass began
    int running_ = 0;               // depth of library calls under way
    bool stopWanted_ = false;       // stop() came from inside a library call
    std::size_t connections_ = 0;
};

}  // namespace ohmkit::http
