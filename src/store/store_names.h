#pragma once
// The names the store takes, whoever brings them (an FTP client, the browser page, the store
// screen), and the names its listings show.
//
// The names of uploads in progress (".ohmkit-upload-" and six letters or digits) belong to the
// store alone: a client may not create, rename to, open or delete them, because the store
// removes every such file it finds when a server starts.
#include <string>
#include <string_view>

namespace ohmkit::store {

// Why `name` cannot be the name of one entry of the store, in a sentence; empty when it can.
// Refused: the empty name, "." and "..", a name with "/" or NUL, text that is not UTF-8 or
// holds control characters, and the names of uploads in progress.
std::string nameProblem(std::string_view name);

// True for the names every listing may show: not the empty name and not an upload in progress,
// which is the store's own. (FTP listings leave out every hidden name besides.)
bool isListedName(std::string_view name);

// True when a component of `path` below `base` is the name of an upload in progress. Both
// are absolute; a path outside `base` is looked at from its root.
bool holdsTemporaryName(std::string_view base, std::string_view path);

}  // namespace ohmkit::store
