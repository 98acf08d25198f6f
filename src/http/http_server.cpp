#include "http/http_server.h"

#include "http/http_connections.h"
#include "http/http_request.h"
#include "platform/atomic_upload.h"
#include "platform/log.h"
#include "platform/text.h"

#include <microhttpd.h>

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ohmkit::http {

using platform::format;

// The library's callbacks, in one place, each handing over to the server.
struct Callbacks {
    static MHD_Result onRequest(void* cls, MHD_Connection* connection, const char* url, const char* method,
                                const char*, const char* data, std::size_t* size, void** context)
    {
        auto& server = *static_cast<HttpServer*>(cls);
        auto* request = static_cast<HttpServer::Request*>(*context);
        if (!request) {
            server.admission_->headersComplete(connection);
            request = new HttpServer::Request(server);
            *context = request;
            return server.begin(connection, *request, method, url) ? MHD_YES : MHD_NO;
        }
        return server.handle(connection, *request, method, url, data, size) ? MHD_YES : MHD_NO;
    }

    static void onCompleted(void* cls, MHD_Connection* connection, void** context, MHD_RequestTerminationCode code)
    {
        static_cast<HttpServer*>(cls)->admission_->requestEnded(connection);
        auto* request = static_cast<HttpServer::Request*>(*context);
        if (!request) return;
        *context = nullptr;
        static_cast<HttpServer*>(cls)->completed(*request, code == MHD_REQUEST_TERMINATED_COMPLETED_OK);
        delete request;
    }

    static void onConnection(void* cls, MHD_Connection* connection, void**, MHD_ConnectionNotificationCode code)
    {
        auto& server = *static_cast<HttpServer*>(cls);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            server.admission_->opened(connection);
        } else {
            server.admission_->closed(connection);
            ++server.closedInPass_;
        }
        server.connectionChanged(code == MHD_CONNECTION_NOTIFY_STARTED);
    }

    static MHD_Result admits(void* cls, const sockaddr* address, socklen_t)
    {
        return static_cast<HttpServer*>(cls)->admission_->admits(address) ? MHD_YES : MHD_NO;
    }

    // Paths reach the router as sent: it decodes them itself, so that "%00" and "%2F" in a
    // name are refused rather than cut or taken as a folder.
    static std::size_t keepEscapes(void*, MHD_Connection*, char* text) { return std::strlen(text); }

    static void onLog(void*, const char* fmt, va_list args)
    {
        char line[512];
        std::vsnprintf(line, sizeof line, fmt, args);
        std::size_t length = std::strlen(line);
        while (length > 0 && line[length - 1] == '\n') line[--length] = '\0';
        platform::logFormat("HTTP: %s", line);
    }
};

// ---- Starting and stopping

unsigned preferredHttpPort()
{
    const char* text = std::getenv("OHMKIT_HTTP_PORT");
    if (!text || !*text) return kDefaultHttpPort;
    unsigned value = 0;
    const char* end = text + std::strlen(text);
    auto [stop, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || stop != end || value < 1 || value > 65535) return kDefaultHttpPort;
    return value;
}

HttpServer::HttpServer(platform::RunLoop& loop, std::string folder, std::shared_ptr<net::ServerObserver> observer,
                       const HttpLimits& limits, std::string key)
    : loop_(loop), folder_(std::move(folder)), observer_(std::move(observer)), limits_(limits), key_(std::move(key)),
      admission_(std::make_unique<HttpConnections>(loop, limits))
{
    if (!observer_) observer_ = std::make_shared<net::ServerObserver>();
}

std::shared_ptr<HttpServer> HttpServer::start(platform::RunLoop& loop, unsigned port, std::string folder,
                                              std::shared_ptr<net::ServerObserver> observer, const HttpLimits& limits,
                                              std::string key)
{
    auto server = std::make_shared<HttpServer>(loop, std::move(folder), std::move(observer), limits, std::move(key));
    if (std::size_t removed = platform::removeLeftoverUploads(server->folder_))
        platform::logFormat("HTTP: removed %zu unfinished uploads", removed);
    const unsigned last = port == 0 ? 0 : std::min(65535u, port + kPortFallbacks);
    for (unsigned candidate = port; candidate <= last; ++candidate) {
        if (server->listen(candidate)) {
            server->watchDaemon();
            platform::logFormat("HTTP: serving %s on port %u", server->folder_.c_str(), server->port_);
            break;
        }
    }
    return server;
}

bool HttpServer::listen(unsigned port)
{
    const unsigned common = MHD_USE_EPOLL | MHD_USE_ERROR_LOG;
    // Both address families on one socket where the system has IPv6, else IPv4 alone.
    for (unsigned flags : {common | MHD_USE_DUAL_STACK, common}) {
        daemon_ = MHD_start_daemon(
            flags, static_cast<std::uint16_t>(port), &Callbacks::admits, this, &Callbacks::onRequest, this,
            MHD_OPTION_EXTERNAL_LOGGER, &Callbacks::onLog, nullptr,   // first, so that it gets every message
            MHD_OPTION_CONNECTION_LIMIT, limits_.maxClients,   // the places per address: admits()
            MHD_OPTION_CONNECTION_TIMEOUT, limits_.idleTimeout,
            MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits_.connectionMemory,
            MHD_OPTION_NOTIFY_COMPLETED, &Callbacks::onCompleted, this,
            MHD_OPTION_NOTIFY_CONNECTION, &Callbacks::onConnection, this,
            MHD_OPTION_UNESCAPE_CALLBACK, &Callbacks::keepEscapes, nullptr,
            MHD_OPTION_END);
        if (daemon_) break;
    }
    if (!daemon_) return false;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT);
    port_ = info ? info->port : port;
    return true;
}

HttpServer::~HttpServer() { stop(); }

void HttpServer::stop()
{
    if (running_ > 0) {   // inside one of the library's calls: finish when it returns
        stopWanted_ = true;
        return;
    }
    watch_.reset();
    if (timer_) timer_->invalidate();
    timer_.reset();
    if (!daemon_) return;
    MHD_Daemon* daemon = daemon_;
    daemon_ = nullptr;
    // The library ends every request (an unfinished upload leaves nothing) and connection.
    observer_ = std::make_shared<net::ServerObserver>();   // the owner is leaving: tell it nothing more
    MHD_stop_daemon(daemon);
    rerun_ = {};
    connections_ = 0;
}

std::string HttpServer::pageAddress(const std::string& host) const
{
    const bool v6 = host.find(':') != std::string::npos;
    return format(v6 ? "http://[%s]:%u/%s/" : "http://%s:%u/%s/", host.c_str(), port_, key_.c_str());
}

// ---- The run loop drives the library: its epoll descriptor is watched, its timeout is a timer.

void HttpServer::watchDaemon()
{
    const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_EPOLL_FD);
    std::weak_ptr<HttpServer> weak = weak_from_this();
    const auto run = [weak] {
        if (auto self = weak.lock()) self->runDaemon();   // alive until the call has returned
    };
    watch_ = std::make_unique<platform::FdWatch>(loop_, info->epoll_fd, platform::FdWatch::Readable,
                                                 [run](unsigned) { run(); });
    scheduleDaemonTimeout();
}

void HttpServer::runDaemon()
{
    if (!daemon_) return;
    ++running_;
    closedInPass_ = 0;
    MHD_run(daemon_);
    --running_;
    if (stopWanted_) {
        stopWanted_ = false;
        stop();
        return;
    }
    // At its cap the library takes its listening socket out of its epoll set, and puts it back
    // only at the start of a later pass once a place is free. A pass that freed places is
    // therefore followed by another at once: without it the set stays without the listening
    // socket, nothing makes the descriptor readable, and the clients that wait are never
    // accepted.
    if (closedInPass_ > 0 && !rerun_.pending()) {
        std::weak_ptr<HttpServer> weak = weak_from_this();
        rerun_ = loop_.defer([weak] {
            if (auto self = weak.lock()) self->runDaemon();
        });
    }
    scheduleDaemonTimeout();
}

void HttpServer::scheduleDaemonTimeout()
{
    if (timer_) timer_->invalidate();
    timer_.reset();
    MHD_UNSIGNED_LONG_LONG milliseconds = 0;
    if (MHD_get_timeout(daemon_, &milliseconds) != MHD_YES) return;
    std::weak_ptr<HttpServer> weak = weak_from_this();
    timer_ = platform::Timer::schedule(loop_, static_cast<double>(milliseconds) / 1000.0, false, [weak](platform::Timer&) {
        if (auto self = weak.lock()) self->runDaemon();
    });
}

// ---- Requests

void HttpServer::connectionChanged(bool opened)
{
    if (opened)
        ++connections_;
    else if (connections_ > 0)
        --connections_;
    observer_->didChangeConnectionCount(connections_);
}

void HttpServer::fileListChanged() { observer_->didReceiveFileListChanged(); }

}  // namespace ohmkit::http
