#include "store/store_names.h"

#include "platform/text.h"
#include "store/atomic_upload.h"
#include "store/store_paths.h"

namespace ohmkit::store {

std::string nameProblem(std::string_view name)
{
    if (name.empty()) return "The file has no name.";
    if (name == "." || name == "..") return "\".\" and \"..\" are not file names.";
    if (name.find('/') != std::string_view::npos) return "A file name cannot contain \"/\".";
    if (name.find('\0') != std::string_view::npos) return "A file name cannot contain a NUL character.";
    if (!platform::isValidUtf8(name) || platform::hasControlCharacter(name))
        return "A file name must be UTF-8 text without control characters.";
    if (isUploadTemporaryName(name)) return "This name is kept for uploads in progress.";
    return {};
}

bool isListedName(std::string_view name) { return !name.empty() && !isUploadTemporaryName(name); }

bool holdsTemporaryName(std::string_view base, std::string_view path)
{
    std::string_view rest = path;
    if (isPathInside(base, path)) rest.remove_prefix(base == "/" ? 0 : base.size());
    while (!rest.empty()) {
        const std::size_t start = rest.find_first_not_of('/');
        if (start == std::string_view::npos) break;
        rest.remove_prefix(start);
        const std::size_t end = rest.find('/');
        if (isUploadTemporaryName(rest.substr(0, end))) return true;
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end);
    }
    return false;
}

}  // namespace ohmkit::store
