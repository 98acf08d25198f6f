#pragma once
// How names become absolute paths on this machine, for everything that reaches into the store.
//
// Everything here is pure text work except resolveSymlinksInPath(), which reads the file
// system (lstat, readlink) and never changes it.
#include <string>
#include <string_view>

namespace ohmkit::store {

// Joins two paths with exactly one "/" between them; a leading "/" of `component` does not
// make it absolute. Joining an empty component gives `path` unchanged.
std::string appendPathComponent(std::string_view path, std::string_view component);

// Lexical clean-up: removes empty and "." components and, in an absolute path, each ".."
// together with the component before it ("/.." stays "/"). Trailing "/" removed except for "/".
std::string standardizePath(std::string_view path);

// For an absolute path: replaces every symbolic link by its target and removes "." and ".."
// in the order the system would follow them. Components that do not exist stay as written.
// With `followLast` false a link in the last component stays itself (for commands that act on
// a name, not on what it points to). A relative path is returned unchanged. More links than
// the system itself follows (40) give the empty text: no such path can be opened as checked.
std::string resolveSymlinksInPath(std::string_view path, bool followLast = true);

// True when `path` is `base` itself or lies under it: equal to `base`, or beginning with
// `base` followed by "/". Both are expected in canonical form (no trailing "/" except "/").
bool isPathInside(std::string_view base, std::string_view path);

// The canonical form of an existing path (realpath: links resolved, no "." or ".."), found
// without changing the process's working directory; empty when it cannot be resolved.
std::string canonicalPath(const std::string& path);

}  // namespace ohmkit::store
