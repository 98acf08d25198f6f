#include "http/request_target.h"

#include "platform/atomic_upload.h"
#include "platform/text.h"

namespace ohmkit::http {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isReading(std::string_view method) { return method == "GET" || method == "HEAD"; }

Route routeTo(Action action)
{
    Route route;
    route.action = action;
    return route;
}

Route notAllowed(const char* allow) { return Route{Action::NotAllowed, {}, {}, allow, false}; }

// Decodes a percent-encoded store path name by name: a "%2F" inside a name stays part of that
// name (and is refused), never a folder step. Sets `route` to BadName and returns false when
// a name is refused.
bool decodePath(std::string_view encoded, std::string& path, Route& route)
{
    path.clear();
    for (;;) {
        const std::size_t slash = encoded.find('/');
        const std::string_view part = encoded.substr(0, slash);
        auto name = percentDecode(part);
        if (!name) {
            route = Route{Action::BadName, std::string(part), "The address of the file is not well formed.", {}, false};
            return false;
        }
        if (std::string problem = nameProblem(*name); !problem.empty()) {
            route = Route{Action::BadName, std::move(*name), std::move(problem), {}, false};
            return false;
        }
        if (!path.empty()) path += '/';
        path += *name;
        if (slash == std::string_view::npos) return true;
        encoded.remove_prefix(slash + 1);
    }
}

// A folder's path ("ICs/old/"): its page, a form upload into it, its deletion or making.
Route folderRoute(std::string_view method, std::string_view encoded)
{
    Action action;
    if (isReading(method))
        action = Action::Page;
    else if (method == "POST")
        action = Action::FormUpload;
    else if (method == "DELETE")
        action = Action::Delete;
    else if (method == "MKCOL")
        action = Action::MakeFolder;
    else
        return notAllowed("GET, HEAD, POST, DELETE, MKCOL");
    Route route;
    std::string path;
    if (!decodePath(encoded.substr(0, encoded.size() - 1), path, route)) return route;
    return Route{action, std::move(path), {}, {}, true};
}

Route fileRoute(std::string_view method, std::string_view encoded)
{
    if (!encoded.empty() && encoded.back() == '/') return folderRoute(method, encoded);
    Action action;
    if (isReading(method))
        action = Action::Download;
    else if (method == "PUT")
        action = Action::Upload;
    else if (method == "DELETE")
        action = Action::Delete;
    else if (method == "MKCOL")
        action = Action::MakeFolder;
    else
        return notAllowed("GET, HEAD, PUT, DELETE");
    Route route;
    std::string path;
    if (!decodePath(encoded, path, route)) return route;
    return Route{action, std::move(path), {}, {}, false};
}

// A path under the key that is none of the page's own: only PUT means something there.
Route putRoute(std::string_view method, std::string_view encoded, const char* allow)
{
    if (method != "PUT") return allow ? notAllowed(allow) : Route{};
    Route route;
    std::string path;
    if (!decodePath(encoded, path, route)) return route;
    return Route{Action::Upload, std::move(path), {}, {}, false};
}

}  // namespace

std::string parentPath(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

std::string leafName(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string encodePath(std::string_view path)
{
    std::string out;
    for (;;) {
        const std::size_t slash = path.find('/');
        out += percentEncode(path.substr(0, slash));
        if (slash == std::string_view::npos) return out;
        out += '/';
        path.remove_prefix(slash + 1);
    }
}

Route routeRequest(std::string_view method, std::string_view path, std::string_view key)
{
    if (key.empty() || path.size() < key.size() + 1 || path[0] != '/' || path.substr(1, key.size()) != key)
        return {};
    std::string_view rest = path.substr(1 + key.size());
    if (rest.empty()) return isReading(method) ? routeTo(Action::Redirect) : Route{};
    if (rest[0] != '/') return {};   // "/KEYx..." is another path, not this key
    rest.remove_prefix(1);
    if (rest.empty()) return isReading(method) ? routeTo(Action::Page) : notAllowed("GET, HEAD");
    if (rest == "list") return isReading(method) ? routeTo(Action::List) : putRoute(method, rest, "GET, HEAD, PUT");
    if (rest == "upload") return method == "POST" ? routeTo(Action::FormUpload) : putRoute(method, rest, "POST, PUT");
    const auto under = [rest](std::string_view prefix) {
        return rest.size() > prefix.size() && rest.substr(0, prefix.size()) == prefix;
    };
    if (rest == "files/") return isReading(method) ? routeTo(Action::Redirect) : fileRoute(method, "");
    if (under("files/")) return fileRoute(method, rest.substr(6));
    if (under("list/") && isReading(method)) {
        Route route = folderRoute(method, std::string(rest.substr(5)) + "/");
        if (route.action == Action::Page) route.action = Action::List;
        return route;
    }
    if (under("delete/") && (isReading(method) || method == "POST")) {
        std::string_view target = rest.substr(7);
        if (target.back() == '/') target.remove_suffix(1);   // a folder's own address
        Route route = putRoute("PUT", target, nullptr);
        if (route.action == Action::Upload) route.action = isReading(method) ? Action::ConfirmDelete : Action::FormDelete;
        return route;
    }
    return putRoute(method, rest, nullptr);
}

std::string nameProblem(std::string_view name)
{
    if (name.empty()) return "The file has no name.";
    if (name == "." || name == "..") return "\".\" and \"..\" are not file names.";
    if (name.find('/') != std::string_view::npos) return "A file name cannot contain \"/\".";
    if (name.find('\0') != std::string_view::npos) return "A file name cannot contain a NUL character.";
    if (!platform::isValidUtf8(name) || platform::hasControlCharacter(name))
        return "A file name must be UTF-8 text without control characters.";
    if (platform::isUploadTemporaryName(name)) return "This name is kept for uploads in progress.";
    return {};
}

std::optional<std::string> percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string percentEncode(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
            c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

}  // namespace ohmkit::http
