#pragma once
// The entries of the store that deletes and renames act on: which path a name stands for,
// which paths may be changed, and the changes (delete a file, delete an empty folder, delete
// a folder with what it holds, move). Both servers and the datasheet list delete and rename
// through these, so a name is refused the same way whoever sends it.
#include <cstddef>
#include <string>
#include <string_view>

namespace ohmkit::store {

// The path a client's name stands for: a name beginning with "/" is taken from `base` (links
// resolved), any other from `currentDir`. `base` is in canonical form.
std::string entryPathForName(std::string_view base, std::string_view currentDir, std::string_view name);

// True when `path`, links and dots resolved, is `base` or lies under it.
bool isInsideBase(std::string_view base, std::string_view path);
// True when `path`, links and dots resolved, is `base` itself.
bool isBase(std::string_view base, std::string_view path);
// What may be deleted, renamed, or be a new name: inside `base` and not `base` itself.
bool isChangeableEntry(std::string_view base, std::string_view path);

// How a delete ended.
enum class Removal {
    removed,
    missing,        // nothing has that name
    isDirectory,    // a file was to be deleted, and the name is a folder's
    notEmpty,       // an empty folder was to be deleted, and it holds something
    failed,         // the system refused (`problem` says why)
};

// Deletes a file or a link (the link itself); a folder is refused and stays.
Removal removeFile(const std::string& path, std::string& problem);
// Deletes an empty folder, or a link (the link itself, whatever it points to); a folder that
// holds anything is refused and keeps all of it.
Removal removeEmptyFolder(const std::string& path, std::string& problem);
// Deletes a file, a link or a folder with everything in it: only for a delete the user has
// confirmed knowing what the folder holds (countFiles).
Removal removeTree(const std::string& path, std::string& problem);
// How many files (not folders) lie in `folder` and every folder below it; links not followed.
std::size_t countFiles(const std::string& folder);

// Moves an entry without ever replacing one that exists at the destination; false with the
// reason in `problem` (the text of EEXIST when the destination exists).
bool moveEntry(const std::string& from, const std::string& to, std::string& problem);

}  // namespace ohmkit::store
