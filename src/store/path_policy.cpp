#include "store/path_policy.h"

#include <algorithm>

#include "store/composed_form.h"
#include "store/store_entries.h"
#include "store/store_names.h"
#include "store/store_paths.h"

namespace ohmkit::store {

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
    // The files of uploads in progress are the store's own: no client name reaches them, so
    // nothing a client makes can pass for one and be removed at the next start.
    if (holdsTemporaryName(base_, path)) return std::nullopt;
    return path;
}

bool PathPolicy::mayEnter(const std::string& path) const
{
    return (!confine_ || isPathInside(base_, path)) && !holdsTemporaryName(base_, path);
}

std::string PathPolicy::visiblePath(const std::string& currentDir) const
{
    if (!confine_) return currentDir;
    std::string visible = currentDir.substr(std::min(base_.size(), currentDir.size()));
    if (visible.empty() || visible.back() != '/') visible += '/';
    return visible;
}

}  // namespace ohmkit::store
