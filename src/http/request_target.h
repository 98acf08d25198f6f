#pragma once
// What a request to the browser server asks for, worked out from its method and path alone,
// and the rules a file name in the store must follow.
//
// Every path starts with the access key; the server answers
//   /KEY                 redirect to /KEY/ (so does /KEY/files/)
//   /KEY/                GET   the page of the store's top folder (file list, upload form)
//   /KEY/files/DIR/      GET   the page of a folder; POST multipart form upload into it;
//                        DELETE the folder when it is empty; MKCOL make it
//   /KEY/list[/DIR]      GET   a folder's list as JSON
//   /KEY/upload          POST  multipart form upload into the top folder
//   /KEY/files/PATH      GET   download (single byte ranges), PUT upload (replaces), DELETE
//   /KEY/delete/PATH     GET   a page that asks before deleting; POST delete (no script needed)
//   /KEY/PATH            PUT   upload, the same as /KEY/files/PATH ("curl -T file URL/")
// and nothing else: a path without the key, or an unknown one, is "not found". A PATH is
// one or more names joined by "/", each percent-decoded and checked on its own.
// Pure text work: nothing here touches the file system.
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
    MakeFolder,
    ConfirmDelete,   // the no-script question before a delete
    FormDelete,      // a delete sent by that question's form: answered with a page
};

struct Route {
    Action action = Action::NotFound;
    // The store path (decoded names joined by "/"): the file or folder acted on, the folder
    // shown or uploaded into ("" for the top folder), or the refused name for BadName.
    std::string name;
    std::string problem;   // why the name is refused (BadName)
    std::string allow;     // the methods the path takes (NotAllowed)
    bool folder = false;   // the path ended in "/": it names a folder
};

// `path`'s folder ("" at the top) and its last name.
std::string parentPath(std::string_view path);
std::string leafName(std::string_view path);
// Every name of `path` percent-encoded, joined by "/": the path as a URL.
std::string encodePath(std::string_view path);

// The route for `method` on the request path `path` (percent-encoded as sent, without the
// query) under the access key `key`. HEAD is taken wherever GET is.
Route routeRequest(std::string_view method, std::string_view path, std::string_view key);

// Why `name` cannot be a file name in the store, in a sentence for the page; empty when it
// can. Refused: the empty name, "." and "..", a name with "/" or NUL, text that is not UTF-8
// or holds control characters, and the names of uploads in progress.
std::string nameProblem(std::string_view name);

// "%XX" sequences decoded ("+" stays "+"); nullopt for a "%" not followed by two hex digits.
std::optional<std::string> percentDecode(std::string_view text);
// Every byte but A-Z a-z 0-9 - . _ ~ as "%XX": a name made safe for a URL path or a header.
std::string percentEncode(std::string_view text);

}  // namespace ohmkit::http
