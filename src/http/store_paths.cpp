#include "http/store_paths.h"

#include "http/request_target.h"
#include "platform/files.h"
#include "platform/text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace ohmkit::http {

namespace {

std::string realPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool isInside(const std::string& base, const std::string& path)
{
    if (base == "/") return !path.empty() && path[0] == '/';
    return path == base || (path.size() > base.size() && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/');
}

std::string lowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

}  // namespace

std::string confinedFolder(const std::string& root, std::string_view dir)
{
    const std::string base = realPath(root);
    if (base.empty()) return {};
    const std::string real = dir.empty() ? base : realPath(root + "/" + std::string(dir));
    struct stat st{};
    if (real.empty() || !isInside(base, real) || ::stat(real.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    return real;
}

char entryKind(const std::string& root, std::string_view path, std::size_t* items)
{
    const std::string parent = confinedFolder(root, parentPath(path));
    if (parent.empty()) return 0;
    const std::string full = parent + "/" + leafName(path);
    struct stat st{};
    if (::lstat(full.c_str(), &st) != 0) return 0;
    if (!S_ISDIR(st.st_mode)) return 'f';
    if (items) *items = platform::directoryEntries(full).size();
    return 'd';
}

StoreAnswer deleteEntry(const std::string& root, std::string_view path)
{
    const std::string name = leafName(path);
    const std::string parent = confinedFolder(root, parentPath(path));
    if (parent.empty()) return {404, "No such folder.", false};
    const std::string full = parent + "/" + name;
    struct stat st{};
    if (::lstat(full.c_str(), &st) != 0) return {404, "No such file.", false};
    const bool folder = S_ISDIR(st.st_mode);
    if ((folder ? ::rmdir(full.c_str()) : ::unlink(full.c_str())) == 0)
        return {200, "Deleted " + std::string(path), true};
    if (folder && (errno == ENOTEMPTY || errno == EEXIST))
        return {409, "The folder " + name + " is not empty: delete what it holds first.", false};
    return {500, std::string(folder ? "The folder" : "The file") + " could not be deleted: " +
                     lowerFirst(std::strerror(errno)) + ".",
            false};
}

StoreAnswer makeFolder(const std::string& root, std::string_view path)
{
    const std::string parent = confinedFolder(root, parentPath(path));
    if (parent.empty()) return {404, "No such folder.", false};
    const std::string name = leafName(path);
    if (::mkdir((parent + "/" + name).c_str(), 0755) == 0) return {201, "Made the folder " + std::string(path), true};
    if (errno == EEXIST) return {409, "There is already a file or folder named " + name + ".", false};
    if (errno == ENOSPC || errno == EDQUOT) return {507, "The disk is full.", false};
    return {500, "The folder could not be made: " + lowerFirst(std::strerror(errno)) + ".", false};
}

}  // namespace ohmkit::http
