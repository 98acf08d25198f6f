#include "ftp/ftp_entries.h"

#include "ftp/ftp_paths.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace ohmkit::ftp {

std::string entryPathForName(std::string_view base, std::string_view currentDir, std::string_view name)
{
    if (!name.empty() && name[0] == '/') return resolveSymlinksInPath(appendPathComponent(base, name));
    return appendPathComponent(currentDir, name);
}

bool isInsideBase(std::string_view base, std::string_view path)
{
    return isPathInside(base, standardizePath(resolveSymlinksInPath(path)));
}

bool isBase(std::string_view base, std::string_view path) { return standardizePath(resolveSymlinksInPath(path)) == base; }

bool isChangeableEntry(std::string_view base, std::string_view path)
{
    return isInsideBase(base, path) && !isBase(base, path);
}

bool removeEntry(const std::string& path, std::string& problem)
{
    std::error_code error;
    std::filesystem::remove_all(path, error);
    if (!error) return true;
    problem = error.message();
    return false;
}

bool moveEntry(const std::string& from, const std::string& to, std::string& problem)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EINVAL || errno == ENOSYS) {   // a file system without the no-replace rename
        struct stat st{};
        if (::lstat(to.c_str(), &st) == 0) {
            problem = std::strerror(EEXIST);
            return false;
        }
        if (::rename(from.c_str(), to.c_str()) == 0) return true;
    }
    problem = std::strerror(errno);
    return false;
}

}  // namespace ohmkit::ftp
