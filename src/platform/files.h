#pragma once
// File-system helpers: the documents directory (the datasheet store and FTP root), storage
// figures, the exclude-from-backup mark, and the program's own resources.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ohmkit::platform {

// $OHMKIT_DOCUMENTS if set, else $XDG_DATA_HOME/ohmkit/Documents (default
// ~/.local/share/ohmkit/Documents); created on first use. Never the whole home folder.
std::string documentsDirectory();

// Byte counts of the file system holding `path`; nullopt when it cannot be read.
std::optional<std::int64_t> fileSystemSize(const std::string& path);
std::optional<std::int64_t> fileSystemFreeSize(const std::string& path);

// Entry names of a directory, one level, in the order the system lists them ("." and ".."
// left out); empty when it cannot be read.
std::vector<std::string> directoryEntries(const std::string& path);

bool fileExists(const std::string& path);   // a file or a folder

// Marks a file or folder as excluded from backups: the extended attribute
// user.xdg.robots.backup = "false". A file system without user attributes counts as marked.
// Returns false with an error text on other failures.
bool setExcludedFromBackup(const std::string& path, std::string* error);
bool isExcludedFromBackup(const std::string& path);

// The path of a resource shipped with the program ("Wires", "htm" -> .../pages/Wires.htm);
// empty when there is none. Looks in $OHMKIT_RESOURCES, then in the installed resources
// (share/ohmkit beside the executable's bin folder) when the program is installed, else in
// the source tree's resources.
std::string resourcePath(const std::string& name, const std::string& type);
// The installed resource folder beside the running executable; empty when it runs from a
// build folder.
std::string installedResourceDir();
// The whole content of a file; nullopt when it cannot be read.
std::optional<std::string> readFile(const std::string& path);

}  // namespace ohmkit::platform
