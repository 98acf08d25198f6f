#include "http/request_target.h"


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

Route notAllowed(const char* allow) { return Route{Action::NotAllowed, {}, {}, allow}; }

Route fileRoute(std::string_view method, std::string_view encodedName)
{
    Action action;
    if (isReading(method))
        action = Action::Download;
    else if (method == "PUT")
        action = Action::Upload;
    else if (method == "DELETE")
        action = Action::Delete;
    else
        return notAllowed("GET, HEAD, PUT, DELETE");
    auto name = percentDecode(encodedName);
    if (!name) return Route{Action::BadName, std::string(encodedName), "The address of the file is not well formed.", {}};
    if (std::string problem = nameProblem(*name); !problem.empty())
        return Route{Action::BadName, std::move(*name), std::move(problem), {}};
    return Route{action, std::move(*name), {}, {}};
}

}  // namespace

Route routeRequest(std::string_view method, std::string_view path, std::string_view key)
{
    if (key.empty() || path.size() < key.size() + 1 || path[0] != '/' || path.substr(1, key.size()) != key)
        return {};
    std::string_view rest = path.substr(1 + key.size());
    if (rest.empty()) return isReading(method) ? routeTo(Action::Redirect) : Route{};
    if (rest[0] != '/') return {};   // "/KEYx..." is another path, not this key
    rest.remove_prefix(1);
    if (rest.empty()) return isReading(method) ? routeTo(Action::Page) : notAllowed("GET, HEAD");
    if (rest == "list") return isReading(method) ? routeTo(Action::List) : notAllowed("GET, HEAD");
    if (rest == "upload") return method == "POST" ? routeTo(Action::FormUpload) : notAllowed("POST");
    constexpr std::string_view kFiles = "files/";
    if (rest.substr(0, kFiles.size()) == kFiles) return fileRoute(method, rest.substr(kFiles.size()));
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
