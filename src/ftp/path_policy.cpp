#include "ftp/path_policy.h"

#include <algorithm>

#include "ftp/composed_form.h"
#include "ftp/ftp_entries.h"
#include "ftp/ftp_paths.h"

namespace ohmkit::ftp {

std::string PathPolicy::filePath(const std::string& currentDir, const std::string& name) const
{
    if (!confine_ && !name.empty() && name[0] == '/') return name;
    return entryPathForName(base_, currentDir, name);
}

std::string PathPolicy::rootedPath(const std::string& currentDir, const std::string& path) const
{
    if (path.empty()) return currentDir;
    std::string result;
    if (path[0] == '/')
        result = confine_ ? resolveSymlinksInPath(storedSpelling(appendPathComponent(base_, path))) : storedSpelling(path);
    else
        result = resolveSymlinksInPath(storedSpelling(appendPathComponent(currentDir, path)));
    return standardizePath(result);
}

std::optional<std::string> PathPolicy::confinedPath(const std::string& currentDir, const std::string& name,
                                                    bool followLast) const
{
    if (name.find('\0') != std::string::npos) return std::nullopt;   // the file calls would cut it there
    const std::string path =
        standardizePath(resolveSymlinksInPath(storedSpelling(filePath(currentDir, name)), followLast));
    if (confine_ && !isPathInside(base_, path)) return std::nullopt;
    return path;
}

bool PathPolicy::mayEnter(const std::string& path) const { return !confine_ || isPathInside(base_, path); }

std::string PathPolicy::visiblePath(const std::string& currentDir) const
{
    if (!confine_) return currentDir;
    std::string visible = currentDir.substr(std::min(base_.size(), currentDir.size()));
    if (visible.empty() || visible.back() != '/') visible += '/';
    return visible;
}

}  // namespace ohmkit::ftp
