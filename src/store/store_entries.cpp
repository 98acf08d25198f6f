#include "store/store_entries.h"

#include "store/store_paths.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace ohmkit::store {

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

namespace {

Removal failure(int error, std::string& problem)
{
    if (error == ENOENT) return Removal::missing;
    if (error == EISDIR) return Removal::isDirectory;
    if (error == ENOTEMPTY || error == EEXIST) return Removal::notEmpty;
    problem = std::strerror(error);
    return Removal::failed;
}

}  // namespace

Removal removeFile(const std::string& path, std::string& problem)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return failure(errno, problem);
    if (S_ISDIR(st.st_mode)) return Removal::isDirectory;
    return ::unlink(path.c_str()) == 0 ? Removal::removed : failure(errno, problem);
}

Removal removeEmptyFolder(const std::string& path, std::string& problem)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return failure(errno, problem);
    if (S_ISLNK(st.st_mode)) return ::unlink(path.c_str()) == 0 ? Removal::removed : failure(errno, problem);
    if (!S_ISDIR(st.st_mode)) return failure(ENOTDIR, problem);
    return ::rmdir(path.c_str()) == 0 ? Removal::removed : failure(errno, problem);
}

Removal removeTree(const std::string& path, std::string& problem)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return failure(errno, problem);
    std::error_code error;
    std::filesystem::remove_all(path, error);
    if (!error) return Removal::removed;
    problem = error.message();
    return Removal::failed;
}

std::size_t countFiles(const std::string& folder)
{
    std::size_t count = 0;
    std::error_code error;
    std::filesystem::recursive_directory_iterator it(folder, std::filesystem::directory_options::skip_permission_denied, error);
    for (const std::filesystem::recursive_directory_iterator end; !error && it != end; it.increment(error))
        if (!it->is_directory(error) || it->is_symlink(error)) ++count;
    return count;
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

}  // namespace ohmkit::store
