// Request handling of the browser server: what each route answers, and uploads streamed into
// the store. The library's callbacks and the run-loop driving are in http_server.cpp.
#include "http/http_server.h"

#include "http/http_request.h"
#include "http/request_target.h"
#include "http/byte_range.h"
#include "http/store_page.h"
#include "http/store_paths.h"
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
    "<form method=\"post\" action=\"<!--FORM-->\" enctype=\"multipart/form-data\">"
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
    request.head = std::strcmp(method, "HEAD") == 0;
    const Route& route = request.route;
    switch (route.action) {
    case Action::NotFound:
        return send(connection, MHD_HTTP_NOT_FOUND, {}, nullptr);   // nothing else, not even a type
    case Action::Redirect: return redirect(connection, MHD_HTTP_MOVED_PERMANENTLY, "/" + key_ + "/");
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
    case Action::Page: return answerPage(connection, request);
    case Action::List: return answerList(connection, request);
    case Action::Download: return answerDownload(connection, request);
    case Action::Delete:
    case Action::FormDelete: return answerDelete(connection, request);
    case Action::MakeFolder: return answerMakeFolder(connection, request);
    case Action::ConfirmDelete: return answerConfirmDelete(connection, request);
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
        if (request.formStatus == 0 && request.formSaved > 0) return redirect(connection, MHD_HTTP_SEE_OTHER, "./");
        if (request.formLines.empty()) request.formLines.push_back("No file was chosen.");
        const unsigned status = request.formStatus ? request.formStatus : MHD_HTTP_BAD_REQUEST;
        return send(connection, status, formResultPage(request.formLines, folderAddress("/" + key_ + "/", request.route.name)),
                    "text/html; charset=utf-8");
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

int HttpServer::redirect(MHD_Connection* connection, unsigned status, const std::string& location)
{
    MHD_Response* response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
    if (!response) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_LOCATION, location.c_str());
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    observer_->didDataSend();
    return queued;
}

int HttpServer::answerPage(MHD_Connection* connection, Request& request)
{
    const std::string& dir = request.route.name;
    const std::string real = confinedFolder(folder_, dir);
    if (real.empty()) return send(connection, MHD_HTTP_NOT_FOUND, messagePage("No such folder", {"There is no folder " + dir + " in the store."}, "/" + key_ + "/"), "text/html; charset=utf-8");
    std::string page = kFallbackPage;
    if (auto path = platform::resourcePath("BrowserUpload", "html"); !path.empty())
        if (auto text = platform::readFile(path)) page = std::move(*text);
    const std::string body = renderPage(std::move(page), storeFiles(real), {"/" + key_ + "/", dir});
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

int HttpServer::answerList(MHD_Connection* connection, Request& request)
{
    const std::string real = confinedFolder(folder_, request.route.name);
    if (real.empty()) return send(connection, MHD_HTTP_NOT_FOUND, "No such folder.\n", "text/plain; charset=utf-8");
    return send(connection, MHD_HTTP_OK, listingJson(storeFiles(real)), "application/json; charset=utf-8");
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
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const std::string tag = entityTag(size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    const std::string modified = httpDate(st.st_mtim.tv_sec);
    // A range is served only of the version the client holds the rest of ("If-Range").
    RangeRequest range;
    if (const char* asked = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_RANGE)) {
        const char* holds = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_IF_RANGE);
        if (!holds || holds == tag || holds == modified) range = byteRange(asked, size);
    }
    MHD_Response* response = nullptr;
    unsigned status = MHD_HTTP_OK;
    if (range.kind == RangeRequest::Unsatisfiable) {
        ::close(fd);
        response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
        status = MHD_HTTP_RANGE_NOT_SATISFIABLE;
    } else if (range.kind == RangeRequest::Part) {
        // The library reads the file as it sends it (and closes it): memory stays flat.
        response = MHD_create_response_from_fd_at_offset64(range.length, fd, range.first);
        status = MHD_HTTP_PARTIAL_CONTENT;
    } else {
        response = MHD_create_response_from_fd64(size, fd);
    }
    if (!response) {
        if (range.kind != RangeRequest::Unsatisfiable) ::close(fd);
        return MHD_NO;
    }
    if (range.kind != RangeRequest::Whole)
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, contentRange(range, size).c_str());
    MHD_add_response_header(response, MHD_HTTP_HEADER_ACCEPT_RANGES, "bytes");
    MHD_add_response_header(response, MHD_HTTP_HEADER_ETAG, tag.c_str());
    MHD_add_response_header(response, MHD_HTTP_HEADER_LAST_MODIFIED, modified.c_str());
    if (range.kind != RangeRequest::Unsatisfiable) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType(name));
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_DISPOSITION, contentDisposition(leafName(name)).c_str());
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    // A stored page or picture never runs script on the page's own address.
    MHD_add_response_header(response, "Content-Security-Policy", "sandbox");
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    observer_->didDataSend();
    // A HEAD, or a range past the end, sends no file: nothing to show as a transfer.
    if (range.kind == RangeRequest::Unsatisfiable || request.head) return queued;
    request.transfer = {name, false, 0, range.kind == RangeRequest::Part ? range.length : size};
    request.transferOpen = true;
    observer_->didTransferProgress(request.transfer);
    return queued;
}

int HttpServer::answerDelete(MHD_Connection* connection, Request& request)
{
    const bool form = request.route.action == Action::FormDelete;
    const StoreAnswer answer = deleteEntry(folder_, request.route.name);
    if (answer.changed) {
        platform::logFormat("HTTP: deleted %s", request.route.name.c_str());
        fileListChanged();
    }
    const std::string back = folderAddress("/" + key_ + "/", parentPath(request.route.name));
    if (form && answer.changed) return redirect(connection, MHD_HTTP_SEE_OTHER, back);
    if (form) return send(connection, answer.status, messagePage("Not deleted", {answer.text}, back), "text/html; charset=utf-8");
    return send(connection, answer.status, answer.text + "\n", "text/plain; charset=utf-8");
}

int HttpServer::answerMakeFolder(MHD_Connection* connection, Request& request)
{
    const StoreAnswer answer = makeFolder(folder_, request.route.name);
    if (answer.changed) {
        platform::logFormat("HTTP: made the folder %s", request.route.name.c_str());
        fileListChanged();
    }
    return send(connection, answer.status, answer.text + "\n", "text/plain; charset=utf-8");
}

int HttpServer::answerConfirmDelete(MHD_Connection* connection, Request& request)
{
    const std::string& path = request.route.name;
    const std::string base = "/" + key_ + "/";
    const std::string back = folderAddress(base, parentPath(path));
    std::size_t items = 0;
    const char kind = entryKind(folder_, path, &items);
    if (kind == 0) return send(connection, MHD_HTTP_NOT_FOUND, messagePage("Not found", {"No such file."}, back), "text/html; charset=utf-8");
    return send(connection, MHD_HTTP_OK, deleteQuestionPage(path, kind == 'd', items, base + "delete/" + encodePath(path), back),
                "text/html; charset=utf-8");
}

int HttpServer::beginUpload(MHD_Connection* connection, Request& request)
{
    const std::string& name = request.route.name;
    const std::string parent = confinedFolder(folder_, parentPath(name));
    if (parent.empty()) return send(connection, MHD_HTTP_NOT_FOUND, "No such folder.\n", "text/plain; charset=utf-8");
    const std::string path = parent + "/" + leafName(name);
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
    request.folderPath = confinedFolder(folder_, request.route.name);
    if (request.folderPath.empty())
        return send(connection, MHD_HTTP_NOT_FOUND, messagePage("No such folder", {"There is no folder " + request.route.name + " in the store."}, "/" + key_ + "/"),
                    "text/html; charset=utf-8");
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
            const std::string path = request.folderPath + "/" + name;
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