#include "http/http_server.h"

#include "http/request_target.h"
#include "http/store_page.h"
#include "store/atomic_upload.h"
#include "store/path_policy.h"
#include "store/store_entries.h"
#include "store/store_paths.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <microhttpd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ohmkit::http {

using platform::format;

namespace {

// Shown when the page resource is missing: the upload form still works.
const char* const kFallbackPage =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Datasheets</title></head><body>"
    "<form method=\"post\" action=\"upload\" enctype=\"multipart/form-data\">"
    "<input type=\"file\" name=\"file\" multiple> <button>Upload</button></form>"
    "<table><!--FILES--></table><!--EMPTY--></body></html>";

// The page may run its own inline script and talk to its own server; nothing else.
const char* const kPagePolicy =
    "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; connect-src 'self'; "
    "img-src 'self' data:; form-action 'self'; base-uri 'none'; frame-ancestors 'none'";

constexpr std::size_t kFormBufferSize = 64 * 1024;

bool isDiskFull(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

std::string lowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

// The status and sentence for a file that could not be written (errno `error`).
std::pair<unsigned, std::string> writeFailure(int error)
{
    if (isDiskFull(error)) return {MHD_HTTP_INSUFFICIENT_STORAGE, "The disk is full."};
    return {MHD_HTTP_INTERNAL_SERVER_ERROR, "The file could not be saved: " + lowerFirst(std::strerror(error)) + "."};
}

std::optional<std::uint64_t> headerNumber(MHD_Connection* connection, const char* name)
{
    const char* text = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    if (!text) return std::nullopt;
    std::uint64_t value = 0;
    const char* end = text + std::strlen(text);
    auto [stop, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || stop != end) return std::nullopt;
    return value;
}

}  // namespace

// ---- One request

struct HttpServer::Request {
    enum class Part { None, Skipped, Refused, Writing };

    explicit Request(HttpServer& owner) : server(owner) {}
    ~Request()
    {
        closing = true;   // the post processor may flush a last piece while it is destroyed
        if (post) MHD_destroy_post_processor(post);
    }

    HttpServer& server;
    Route route;
    std::unique_ptr<store::AtomicUpload> upload;   // discarded unless committed
    int writeError = 0;
    bool replaces = false;                            // the upload's name exists already
    net::FileTransfer transfer;
    bool transferOpen = false;                        // its end not reported yet
    bool closing = false;
    // A form upload: its parser, the file part it is in, and one line per file.
    MHD_PostProcessor* post = nullptr;
    Part part = Part::None;
    std::string partName;
    std::vector<std::string> formLines;
    unsigned formStatus = 0;                          // the worst refusal so far, 0: none
    std::size_t formSaved = 0;
};

// The library's callbacks, in one place, each handing over to the server.
struct Callbacks {
    static MHD_Result onRequest(void* cls, MHD_Connection* connection, const char* url, const char* method,
                                const char*, const char* data, std::size_t* size, void** context)
    {
        auto& server = *static_cast<HttpServer*>(cls);
        auto* request = static_cast<HttpServer::Request*>(*context);
        if (!request) {
            request = new HttpServer::Request(server);
            *context = request;
            return server.begin(connection, *request, method, url) ? MHD_YES : MHD_NO;
        }
        return server.handle(connection, *request, method, url, data, size) ? MHD_YES : MHD_NO;
    }

    static void onCompleted(void* cls, MHD_Connection*, void** context, MHD_RequestTerminationCode code)
    {
        auto* request = static_cast<HttpServer::Request*>(*context);
        if (!request) return;
        *context = nullptr;
        static_cast<HttpServer*>(cls)->completed(*request, code == MHD_REQUEST_TERMINATED_COMPLETED_OK);
        delete request;
    }

    static void onConnection(void* cls, MHD_Connection*, void**, MHD_ConnectionNotificationCode code)
    {
        static_cast<HttpServer*>(cls)->connectionChanged(code == MHD_CONNECTION_NOTIFY_STARTED);
    }

    static MHD_Result onFormField(void* cls, MHD_ValueKind, const char*, const char* fileName, const char*,
                                  const char*, const char* data, std::uint64_t offset, std::size_t size)
    {
        auto& request = *static_cast<HttpServer::Request*>(cls);
        if (!request.closing) request.server.formPart(request, fileName, data, offset, size);
        return MHD_YES;
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
    : loop_(loop), folder_(std::move(folder)), observer_(std::move(observer)), limits_(limits), key_(std::move(key))
{
    // Names are resolved against the store's canonical folder, as FTP's are.
    if (std::string canonical = store::canonicalPath(folder_); !canonical.empty()) folder_ = std::move(canonical);
    if (!observer_) observer_ = std::make_shared<net::ServerObserver>();
}

std::shared_ptr<HttpServer> HttpServer::start(platform::RunLoop& loop, unsigned port, std::string folder,
                                              std::shared_ptr<net::ServerObserver> observer, const HttpLimits& limits,
                                              std::string key)
{
    auto server = std::make_shared<HttpServer>(loop, std::move(folder), std::move(observer), limits, std::move(key));
    if (std::size_t removed = store::removeLeftoverUploads(server->folder_))
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
            flags, static_cast<std::uint16_t>(port), nullptr, nullptr, &Callbacks::onRequest, this,
            MHD_OPTION_EXTERNAL_LOGGER, &Callbacks::onLog, nullptr,   // first, so that it gets every message
            MHD_OPTION_CONNECTION_LIMIT, limits_.maxClients,
            MHD_OPTION_PER_IP_CONNECTION_LIMIT, limits_.maxPerAddress,
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
    MHD_run(daemon_);
    --running_;
    if (stopWanted_) {
        stopWanted_ = false;
        stop();
        return;
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

int HttpServer::send(MHD_Connection* connection, unsigned status, const std::string& body, const char* type)
{
    MHD_Response* response =
        MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    if (type) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
        MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
        MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    }
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    observer_->didDataSend();
    return queued;
}

int HttpServer::begin(MHD_Connection* connection, Request& request, const char* method, const char* path)
{
    observer_->didDataReceived();
    request.route = routeRequest(method, path, key_);
    const Route& route = request.route;
    switch (route.action) {
    case Action::NotFound:
        return send(connection, MHD_HTTP_NOT_FOUND, {}, nullptr);   // nothing else, not even a type
    case Action::Redirect: {
        MHD_Response* response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
        if (!response) return MHD_NO;
        MHD_add_response_header(response, MHD_HTTP_HEADER_LOCATION, ("/" + key_ + "/").c_str());
        const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_MOVED_PERMANENTLY, response);
        MHD_destroy_response(response);
        observer_->didDataSend();
        return queued;
    }
    case Action::NotAllowed: {
        MHD_Response* response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
        if (!response) return MHD_NO;
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, route.allow.c_str());
        const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_METHOD_NOT_ALLOWED, response);
        MHD_destroy_response(response);
        observer_->didDataSend();
        return queued;
    }
    case Action::BadName:
        platform::logFormat("HTTP: name refused: %s", route.problem.c_str());
        return send(connection, MHD_HTTP_BAD_REQUEST, route.problem + "\n", "text/plain; charset=utf-8");
    case Action::Page: return answerPage(connection);
    case Action::List:
        return send(connection, MHD_HTTP_OK, listingJson(storeFiles(folder_)), "application/json; charset=utf-8");
    case Action::Download: return answerDownload(connection, request);
    case Action::Delete: return answerDelete(connection, request);
    case Action::Upload: return beginUpload(connection, request);
    case Action::FormUpload: return beginFormUpload(connection, request);
    }
    return MHD_NO;
}

int HttpServer::handle(MHD_Connection* connection, Request& request, const char*, const char*, const char* data,
                       std::size_t* size)
{
    if (*size == 0) return finish(connection, request);
    const std::string_view chunk(data, *size);
    *size = 0;   // every byte is taken: written, parsed, or (after a failure) let go
    if (request.post) {
        if (MHD_post_process(request.post, chunk.data(), chunk.size()) != MHD_YES) {
            request.formStatus = MHD_HTTP_BAD_REQUEST;
            request.formLines.push_back("The form is not well formed.");
        }
        return MHD_YES;
    }
    if (request.upload) {
        if (request.upload->write(chunk)) {
            request.transfer.bytes += chunk.size();
            observer_->didTransferProgress(request.transfer);
        } else {
            request.writeError = errno;
            platform::logFormat("HTTP: writing %s failed: %s", request.transfer.name.c_str(), std::strerror(errno));
            request.upload.reset();   // the temporary file goes; the rest of the body is let go
        }
    }
    return MHD_YES;
}

int HttpServer::finish(MHD_Connection* connection, Request& request)
{
    if (request.route.action == Action::FormUpload) {
        // The parser hands over what it still holds when it is destroyed, and says whether
        // the form ended properly; a part cut short is not kept.
        MHD_PostProcessor* post = std::exchange(request.post, nullptr);
        const bool whole = !post || MHD_destroy_post_processor(post) == MHD_YES;
        if (!whole && request.part == Request::Part::Writing) {
            request.upload.reset();
            request.formLines.push_back(request.partName + ": the file did not arrive whole.");
            request.formStatus = MHD_HTTP_BAD_REQUEST;
            observer_->didTransferEnd(request.transfer, false);
            request.transferOpen = false;
            request.part = Request::Part::None;
        }
        endFormPart(request);
        if (request.formStatus == 0 && request.formSaved > 0) {
            MHD_Response* response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
            if (!response) return MHD_NO;
            MHD_add_response_header(response, MHD_HTTP_HEADER_LOCATION, "./");
            const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_SEE_OTHER, response);
            MHD_destroy_response(response);
            observer_->didDataSend();
            return queued;
        }
        if (request.formLines.empty()) request.formLines.push_back("No file was chosen.");
        const unsigned status = request.formStatus ? request.formStatus : MHD_HTTP_BAD_REQUEST;
        return send(connection, status, formResultPage(request.formLines), "text/html; charset=utf-8");
    }
    if (request.route.action != Action::Upload) return MHD_YES;
    if (request.upload && !request.upload->commit()) {
        request.writeError = errno;
        request.upload.reset();
    }
    request.transferOpen = false;
    if (!request.upload) {
        observer_->didTransferEnd(request.transfer, false);
        auto [status, text] = writeFailure(request.writeError);
        return send(connection, status, text + "\n", "text/plain; charset=utf-8");
    }
    request.upload.reset();
    observer_->didTransferEnd(request.transfer, true);
    fileListChanged();
    platform::logFormat("HTTP: received %s (%llu bytes)", request.transfer.name.c_str(),
                        static_cast<unsigned long long>(request.transfer.bytes));
    return send(connection, request.replaces ? MHD_HTTP_OK : MHD_HTTP_CREATED,
                (request.replaces ? "Replaced " : "Saved ") + request.route.name + "\n", "text/plain; charset=utf-8");
}

void HttpServer::completed(Request& request, bool complete)
{
    if (request.upload) {   // the client went away or the server stopped: nothing is kept
        platform::logFormat("HTTP: upload of %s broken off", request.transfer.name.c_str());
        request.upload.reset();
    }
    if (!request.transferOpen) return;
    request.transferOpen = false;
    if (complete && !request.transfer.upload) request.transfer.bytes = request.transfer.total;
    observer_->didTransferEnd(request.transfer, complete && !request.transfer.upload);
}

int HttpServer::answerPage(MHD_Connection* connection)
{
    std::string page = kFallbackPage;
    if (auto path = platform::resourcePath("BrowserUpload", "html"); !path.empty())
        if (auto text = platform::readFile(path)) page = std::move(*text);
    const std::string body = renderPage(std::move(page), storeFiles(folder_));
    MHD_Response* response =
        MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/html; charset=utf-8");
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(response, "Content-Security-Policy", kPagePolicy);
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    observer_->didDataSend();
    return queued;
}

std::optional<std::string> HttpServer::storePath(const std::string& name, bool followLast) const
{
    return store::PathPolicy(folder_, true).confinedPath(folder_, name, followLast);
}

int HttpServer::answerDownload(MHD_Connection* connection, Request& request)
{
    const std::string& name = request.route.name;
    const auto confined = storePath(name, true);
    if (!confined)
        return send(connection, MHD_HTTP_BAD_REQUEST, "This name leads outside the datasheet store.\n",
                    "text/plain; charset=utf-8");
    const std::string& path = *confined;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st{};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        return send(connection, MHD_HTTP_NOT_FOUND, "No such file.\n", "text/plain; charset=utf-8");
    }
    // The library reads the file as it sends it (and closes it): memory stays flat.
    MHD_Response* response = MHD_create_response_from_fd64(static_cast<std::uint64_t>(st.st_size), fd);
    if (!response) {
        ::close(fd);
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType(name));
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_DISPOSITION, contentDisposition(name).c_str());
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    // A stored page or picture never runs script on the page's own address.
    MHD_add_response_header(response, "Content-Security-Policy", "sandbox");
    const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    observer_->didDataSend();
    request.transfer = {name, false, 0, static_cast<std::uint64_t>(st.st_size)};
    request.transferOpen = true;
    observer_->didTransferProgress(request.transfer);
    return queued;
}

int HttpServer::answerDelete(MHD_Connection* connection, Request& request)
{
    const std::string& name = request.route.name;
    const auto path = storePath(name, false);
    if (!path)
        return send(connection, MHD_HTTP_BAD_REQUEST, "This name leads outside the datasheet store.\n",
                    "text/plain; charset=utf-8");
    // A folder goes only when it is empty, as with FTP's RMD: its files are deleted first.
    struct stat st{};
    const bool folder = ::lstat(path->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    std::string problem;
    switch (folder ? store::removeEmptyFolder(*path, problem) : store::removeFile(*path, problem)) {
    case store::Removal::removed: break;
    case store::Removal::missing: return send(connection, MHD_HTTP_NOT_FOUND, "No such file.\n", "text/plain; charset=utf-8");
    case store::Removal::notEmpty:
        return send(connection, MHD_HTTP_CONFLICT, "The folder is not empty.\n", "text/plain; charset=utf-8");
    case store::Removal::isDirectory:
    case store::Removal::failed:
        return send(connection, MHD_HTTP_INTERNAL_SERVER_ERROR,
                    "The file could not be deleted: " + lowerFirst(problem) + ".\n", "text/plain; charset=utf-8");
    }
    platform::logInfo("HTTP: deleted %s", name.c_str());
    fileListChanged();
    return send(connection, MHD_HTTP_OK, "Deleted " + name + "\n", "text/plain; charset=utf-8");
}

int HttpServer::beginUpload(MHD_Connection* connection, Request& request)
{
    const std::string& name = request.route.name;
    const auto confined = storePath(name, false);
    if (!confined)
        return send(connection, MHD_HTTP_BAD_REQUEST, "This name leads outside the datasheet store.\n",
                    "text/plain; charset=utf-8");
    const std::string& path = *confined;
    struct stat st{};
    request.replaces = ::lstat(path.c_str(), &st) == 0;
    if (request.replaces && S_ISDIR(st.st_mode))
        return send(connection, MHD_HTTP_BAD_REQUEST, "A folder has this name.\n", "text/plain; charset=utf-8");
    // A body that cannot fit is refused before a byte of it is read.
    const auto length = headerNumber(connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
    const auto free = platform::fileSystemFreeSize(folder_);
    if (length && free && *length > static_cast<std::uint64_t>(*free))
        return send(connection, MHD_HTTP_INSUFFICIENT_STORAGE, "The disk is full.\n", "text/plain; charset=utf-8");
    request.upload = store::AtomicUpload::begin(path);
    if (!request.upload) {
        auto [status, text] = writeFailure(errno);
        return send(connection, status, text + "\n", "text/plain; charset=utf-8");
    }
    request.transfer = {name, true, 0, 0};
    request.transferOpen = true;
    observer_->didTransferProgress(request.transfer);
    return MHD_YES;
}

int HttpServer::beginFormUpload(MHD_Connection* connection, Request& request)
{
    request.post = MHD_create_post_processor(connection, kFormBufferSize, &Callbacks::onFormField, &request);
    if (!request.post)
        return send(connection, MHD_HTTP_BAD_REQUEST, formResultPage({"Send the files as a multipart form."}),
                    "text/html; charset=utf-8");
    return MHD_YES;
}

void HttpServer::formPart(Request& request, const char* fileName, const char* data, std::uint64_t offset,
                          std::size_t size)
{
    if (!fileName) return;   // a plain field: the form has none that matters
    const std::string name = fileName;
    const bool sameFile = request.part != Request::Part::None && name == request.partName &&
                          !(offset == 0 && request.transfer.bytes > 0);
    if (!sameFile) {
        endFormPart(request);
        request.partName = name;
        request.writeError = 0;
        request.transfer = {name, true, 0, 0};
        if (name.empty()) {
            request.part = Request::Part::Skipped;   // a file field left empty
        } else if (std::string problem = nameProblem(name); !problem.empty()) {
            request.part = Request::Part::Refused;
            request.formLines.push_back(name + ": " + problem);
            request.formStatus = std::max<unsigned>(request.formStatus, MHD_HTTP_BAD_REQUEST);
        } else {
            const std::string path = storePath(name, false).value_or(folder_);
            struct stat st{};
            if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                request.part = Request::Part::Refused;
                request.formLines.push_back(name + ": a folder has this name.");
                request.formStatus = std::max<unsigned>(request.formStatus, MHD_HTTP_BAD_REQUEST);
            } else if (!(request.upload = store::AtomicUpload::begin(path))) {
                request.part = Request::Part::Refused;
                auto [status, text] = writeFailure(errno);
                request.formLines.push_back(name + ": " + text);
                request.formStatus = std::max(request.formStatus, status);
            } else {
                request.part = Request::Part::Writing;
                request.transferOpen = true;
                observer_->didTransferProgress(request.transfer);
            }
        }
    }
    if (request.part != Request::Part::Writing || size == 0) return;
    if (!request.upload) return;   // a write failed: the rest of this file is let go
    if (request.upload->write(std::string_view(data, size))) {
        request.transfer.bytes += size;
        observer_->didTransferProgress(request.transfer);
    } else {
        request.writeError = errno;
        request.upload.reset();
    }
}

void HttpServer::endFormPart(Request& request)
{
    const Request::Part part = std::exchange(request.part, Request::Part::None);
    if (part != Request::Part::Writing) return;
    request.transferOpen = false;
    if (request.upload && !request.upload->commit()) {
        request.writeError = errno;
        request.upload.reset();
    }
    if (!request.upload) {
        auto [status, text] = writeFailure(request.writeError);
        request.formLines.push_back(request.partName + ": " + text);
        request.formStatus = std::max(request.formStatus, status);
        observer_->didTransferEnd(request.transfer, false);
        return;
    }
    request.upload.reset();
    ++request.formSaved;
    request.formLines.push_back(request.partName + ": saved.");
    observer_->didTransferEnd(request.transfer, true);
    fileListChanged();
}

}  // namespace ohmkit::http
