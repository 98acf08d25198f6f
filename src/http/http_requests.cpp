// Request handling of the browser server: what each route answers, and uploads streamed into
// the store. The library's callbacks and the run-loop driving are in http_server.cpp.
#include "http/http_server.h"

#include "http/http_request.h"
#include "http/request_target.h"
#include "http/store_page.h"
#include "platform/atomic_upload.h"
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

bool isInside(const std::string& base, const std::string& path)
{
    if (base == "/") return !path.empty() && path[0] == '/';
    return path == base || (path.size() > base.size() && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/');
}

std::string realPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
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

int HttpServer::answerDownload(MHD_Connection* connection, Request& request)
{
    const std::string& name = request.route.name;
    const std::string path = realPath(folder_ + "/" + name);
    if (path.empty()) return send(connection, MHD_HTTP_NOT_FOUND, "No such file.\n", "text/plain; charset=utf-8");
    if (!isInside(realPath(folder_), path))
        return send(connection, MHD_HTTP_BAD_REQUEST, "This name leads outside the datasheet store.\n",
                    "text/plain; charset=utf-8");
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
    const std::string path = folder_ + "/" + name;
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return send(connection, MHD_HTTP_NOT_FOUND, "No such file.\n", "text/plain; charset=utf-8");
    if (S_ISDIR(st.st_mode))
        return send(connection, MHD_HTTP_BAD_REQUEST, "Folders are not deleted from the browser.\n", "text/plain; charset=utf-8");
    if (::unlink(path.c_str()) != 0) {
        const std::string text = "The file could not be deleted: " + lowerFirst(std::strerror(errno)) + ".\n";
        return send(connection, MHD_HTTP_INTERNAL_SERVER_ERROR, text, "text/plain; charset=utf-8");
    }
    platform::logFormat("HTTP: deleted %s", name.c_str());
    fileListChanged();
    return send(connection, MHD_HTTP_OK, "Deleted " + name + "\n", "text/plain; charset=utf-8");
}

int HttpServer::beginUpload(MHD_Connection* connection, Request& request)
{
    const std::string& name = request.route.name;
    const std::string path = folder_ + "/" + name;
    struct stat st{};
    request.replaces = ::lstat(path.c_str(), &st) == 0;
    if (request.replaces && S_ISDIR(st.st_mode))
        return send(connection, MHD_HTTP_BAD_REQUEST, "A folder has this name.\n", "text/plain; charset=utf-8");
    // A body that cannot fit is refused before a byte of it is read.
    const auto length = headerNumber(connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
    const auto free = platform::fileSystemFreeSize(folder_);
    if (length && free && *length > static_cast<std::uint64_t>(*free))
        return send(connection, MHD_HTTP_INSUFFICIENT_STORAGE, "The disk is full.\n", "text/plain; charset=utf-8");
    request.upload = platform::AtomicUpload::begin(path);
    if (!request.upload) {
        auto [status, text] = writeFailure(errno);
        return send(connection, status, text + "\n", "text/plain; charset=utf-8");
    }
    request.transfer = {name, true, 0, 0};
    request.transferOpen = true;
    observer_->didTransferProgress(request.transfer);
    return MHD_YES;
}

MHD_Result HttpServer::Request::onFormField(void* cls, MHD_ValueKind, const char*, const char* fileName, const char*,
                                            const char*, const char* data, std::uint64_t offset, std::size_t size)
{
    auto& request = *static_cast<HttpServer::Request*>(cls);
    if (!request.closing) request.server.formPart(request, fileName, data, offset, size);
    return MHD_YES;
}

int HttpServer::beginFormUpload(MHD_Connection* connection, Request& request)
{
    request.post = MHD_create_post_processor(connection, kFormBufferSize, &Request::onFormField, &request);
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
            const std::string path = folder_ + "/" + name;
            struct stat st{};
            if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                request.part = Request::Part::Refused;
                request.formLines.push_back(name + ": a folder has this name.");
                request.formStatus = std::max<unsigned>(request.formStatus, MHD_HTTP_BAD_REQUEST);
            } else if (!(request.upload = platform::AtomicUpload::begin(path))) {
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