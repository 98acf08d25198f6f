#pragma once
// The entries of the served folder that DELE, RNFR and RNTO act on: which path a name stands
// for, which paths may be changed, and the two changes (delete, move). The datasheet list
// deletes and renames through these too, so a name is refused the same way whether it comes
// from an FTP client or from the app.
#include <string>
#include <string_view>

namespace ohmkit::ftp {

// The path a client's name stands for: a name beginning with "/" is taken from `base` (links
// resolved), any other from `currentDir`. `base` is in canonical form.
std::string entryPathForName(std::string_view base, std::string_view currentDir, std::string_view name);

// True when `path`, links and dots resolved, is `base` or lies under it.
bool isInsideBase(std::string_view base, std::string_view path);
// True when `path`, links and dots resolved, is `base` itself.
bool isBase(std::string_view base, std::string_view path);
// What may be deleted, renamed, or be a new name: inside `base` and not `base` itself.
bool isChangeableEntry(std::string_view base, std::string_view path);

// Deletes a file, a link or a folder with everything in it; false with the reason in
// `problem` when that fails.
bool removeEntry(const std::string& path, std::string& problem);
// Moves an entry without ever replacing one that exists at the destination; false with the
// reason in `problem` (the text of EEXIST when the destination exists).
bool moveEntry(const std::string& from, const std::string& to, std::string& problem);

}  // namespace ohmkit::ftp
