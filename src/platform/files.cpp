#include "platform/files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

namespace ohmkit::platform {

namespace {

const char* const kBackupAttribute = "user.xdg.robots.backup";

void makeDirectories(const std::string& path)
{
    std::string partial;
    std::stringstream parts(path);
    std::string part;
    if (!path.empty() && path[0] == '/') partial = "";
    while (std::getline(parts, part, '/')) {
        if (part.empty()) continue;
        partial += "/" + part;
        ::mkdir(partial.c_str(), 0700);
    }
}

}  // namespace

std::string documentsDirectory()
{
    std::string dir;
    if (const char* env = std::getenv("OHMKIT_DOCUMENTS"); env && *env) {
        dir = env;
    } else if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
        dir = std::string(data) + "/ohmkit/Documents";
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home && *home ? home : "/tmp") + "/.local/share/ohmkit/Documents";
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (!fileExists(dir)) makeDirectories(dir);
    return dir;
}

std::optional<std::int64_t> fileSystemSize(const std::string& path)
{
    struct statvfs st{};
    if (::statvfs(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::int64_t>(st.f_blocks) * static_cast<std::int64_t>(st.f_frsize);
}

std::optional<std::int64_t> fileSystemFreeSize(const std::string& path)
{
    struct statvfs st{};
    if (::statvfs(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
}

std::vector<std::string> directoryEntries(const std::string& path)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return names;
    while (dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

bool fileExists(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

bool setExcludedFromBackup(const std::string& path, std::string* error)
{
    static const char value[] = "false";
    if (::lsetxattr(path.c_str(), kBackupAttribute, value, sizeof value - 1, 0) == 0) return true;
    int err = errno;
    // File systems (or file kinds, like symbolic links) without user attributes: nothing to mark.
    if (err == ENOTSUP || err == EPERM) return true;
    if (error) *error = std::strerror(err);
    return false;
}

bool isExcludedFromBackup(const std::string& path)
{
    char value[16] = {};
    ssize_t n = ::lgetxattr(path.c_str(), kBackupAttribute, value, sizeof value - 1);
    return n == 5 && std::strncmp(value, "false", 5) == 0;
}

std::string installedResourceDir()
{
    // Read once: the executable does not move while it runs.
    static const std::string dir = [] {
        std::string executable(4096, '\0');
        const ssize_t length = ::readlink("/proc/self/exe", executable.data(), executable.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= executable.size()) return std::string();
        executable.resize(static_cast<std::size_t>(length));
        const auto slash = executable.rfind('/');
        if (slash == std::string::npos) return std::string();
        std::string candidate = executable.substr(0, slash) + "/" + OHMKIT_INSTALLED_RESOURCE_DIR;
        struct stat st{};
        return ::stat(candidate.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? candidate : std::string();
    }();
    return dir;
}

std::string resourcePath(const std::string& name, const std::string& type)
{
    std::string file = type.empty() ? name : name + "." + type;
    std::vector<std::string> roots;
    if (const char* env = std::getenv("OHMKIT_RESOURCES"); env && *env) roots.emplace_back(env);
    // An installed program reads only its installed copy, so a package that lacks a file
    // fails on every machine alike rather than only where no source tree is left behind.
    if (std::string installed = installedResourceDir(); !installed.empty()) roots.push_back(std::move(installed));
    else roots.emplace_back(OHMKIT_RESOURCE_DIR);
    for (const auto& root : roots)
        for (const char* sub : {"pages", "images", "strings", ""}) {
            std::string candidate = root + (*sub ? std::string("/") + sub : std::string()) + "/" + file;
            struct stat st{};
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return candidate;
        }
    return {};
}

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace ohmkit::platform
