#include "store/store_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <deque>
#include <vector>

namespace ohmkit::store {

namespace {

std::vector<std::string> pathComponents(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::string appendPathComponent(std::string_view path, std::string_view component)
{
    while (!component.empty() && component.front() == '/') component.remove_prefix(1);
    if (component.empty()) return std::string(path);
    std::string result(path);
    while (result.size() > 1 && result.back() == '/') result.pop_back();
    if (result.empty()) return std::string(component);
    if (result != "/") result += '/';
    result += component;
    return result;
}

std::string standardizePath(std::string_view path)
{
    if (path.empty()) return {};
    const bool absolute = path.front() == '/';
    std::vector<std::string> kept;
    for (std::string& part : pathComponents(path)) {
        if (part == ".") continue;
        if (part == ".." && absolute) {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(std::move(part));
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) result += '/';
        result += kept[i];
    }
    return result;
}

std::string resolveSymlinksInPath(std::string_view path, bool followLast)
{
    if (path.empty() || path.front() != '/') return std::string(path);
    std::deque<std::string> remaining;
    for (std::string& part : pathComponents(path)) remaining.push_back(std::move(part));

    std::string resolved;   // "" stands for "/"
    int linksFollowed = 0;
    while (!remaining.empty()) {
        std::string part = std::move(remaining.front());
        remaining.pop_front();
        if (part == ".") continue;
        if (part == "..") {
            std::size_t slash = resolved.rfind('/');
            resolved.erase(slash == std::string::npos ? 0 : slash);
            continue;
        }
        std::string candidate = resolved + "/" + part;
        struct stat st{};
        const bool follow = followLast || !remaining.empty();
        if (follow && ::lstat(candidate.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
            ssize_t n = ::readlink(candidate.c_str(), target.data(), target.size());
            if (n > 0 && static_cast<std::size_t>(n) < target.size()) {
                if (++linksFollowed > 40) return {};
                target.resize(static_cast<std::size_t>(n));
                std::vector<std::string> targetParts = pathComponents(target);
                remaining.insert(remaining.begin(), targetParts.begin(), targetParts.end());
                if (target.front() == '/') resolved.clear();
                continue;
            }
        }
        resolved = std::move(candidate);
    }
    return resolved.empty() ? "/" : resolved;
}

bool isPathInside(std::string_view base, std::string_view path)
{
    if (base == "/") return !path.empty() && path.front() == '/';
    if (path == base) return true;
    return path.size() > base.size() && path.substr(0, base.size()) == base && path[base.size()] == '/';
}

std::string canonicalPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return !path.empty() && ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

}  // namespace ohmkit::store
