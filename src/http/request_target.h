#pragma once
// What a request to the browser server asks for, worked out from its method and path alone,
// with the store's rules for the names it carries.
//
// Every path starts with the access key; the server answers
//   /KEY              redirect to /KEY/
//   /KEY/             GET   the page (file list, upload form)
//   /KEY/list         GET   the file list as JSON
//   /KEY/upload       POST  multipart form upload (the page without JavaScript)
//   /KEY/files/NAME   GET   download, PUT upload (replaces), DELETE delete
// and nothing else: a path without the key, or an unknown one, is "not found".
// Pure text work: nothing here touches the file system.
#include "store/store_names.h"

#include <optional>
#include <string>
#include <string_view>

namespace ohmkit::http {

enum class Action {
    NotFound,     // 404, nothing else
    Redirect,     // to the page, "/KEY/"
    NotAllowed,   // 405: a known path, a method it does not take
    BadName,      // 400: the name is refused (`problem` says why)
    Page,
    List,
    FormUpload,
    Download,
    Upload,
    Delete,
};

struct Route {
    Action action = Action::NotFound;
    std::string name;      // the file's name (decoded) for Download, Upload, Delete, BadName
    std::string problem;   // why the name is refused (BadName)
    std::string allow;     // the methods the path takes (NotAllowed)
};

// The route for `method` on the request path `path` (percent-encoded as sent, without the
// query) under the access key `key`. HEAD is taken wherever GET is.
Route routeRequest(std::string_view method, std::string_view path, std::string_view key);

// The store's name rules (store/store_names.h) decide which names a request may use.
using store::nameProblem;

// "%XX" sequences decoded ("+" stays "+"); nullopt for a "%" not followed by two hex digits.
std::optional<std::string> percentDecode(std::string_view text);
// Every byte but A-Z a-z 0-9 - . _ ~ as "%XX": a name made safe for a URL path or a header.
std::string percentEncode(std::string_view text);

}  // namespace ohmkit::http
