#pragma once
// Where a client's names lead: the store's folder (`base`, canonical) and whether names are
// confined to it. A connection asks it with its current directory; it holds no state of its
// own and touches the file system only to resolve links (never to change anything). It is the
// one confinement of the store: both servers and the store screen ask it.
#include <optional>
#include <utility>
#include <string>

namespace ohmkit::store {

class PathPolicy {
public:
    PathPolicy(std::string base, bool confine) : base_(std::move(base)), confine_(confine) {}

    const std::string& base() const { return base_; }
    bool confines() const { return confine_; }

    // The path a name given to a file command stands for, links not yet resolved. Without
    // confinement an absolute name is taken as it is.
    std::string filePath(const std::string& currentDir, const std::string& name) const;
    // The folder a CWD names: an absolute name from the base (when confined), any other from
    // the current directory, links resolved; empty: the current directory.
    std::string rootedPath(const std::string& currentDir, const std::string& path) const;
    // The path a name stands for, exactly as the file call will be given it: every link
    // resolved (with `followLast` false, all but one in the last component), no "." or ".."
    // left. nullopt when it lies outside the base (when confined), holds a NUL, or names an
    // upload in progress (store_names.h).
    std::optional<std::string> confinedPath(const std::string& currentDir, const std::string& name,
                                            bool followLast) const;
    // True when `path` (from confinedPath) is the base itself.
    bool isBase(const std::string& path) const { return path == base_; }
    // True when a client may make `path` its current directory.
    bool mayEnter(const std::string& path) const;
    // The current directory as the client sees it: below the base and ending in "/" when
    // confined, the real path otherwise.
    std::string visiblePath(const std::string& currentDir) const;

private:
    std::string base_;
    bool confine_;
};

}  // namespace ohmkit::store
