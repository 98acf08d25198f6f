#include "store/composed_form.h"

#include <dirent.h>
#include <sys/stat.h>
#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace ohmkit::store {

namespace {

// The length of the valid UTF-8 sequence at the start of `text`; 0 when there is none.
std::size_t validSequenceAt(std::string_view text)
{
    utf8proc_int32_t c = 0;
    const utf8proc_ssize_t n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                                static_cast<utf8proc_ssize_t>(text.size()), &c);
    return n > 0 && utf8proc_codepoint_valid(c) ? static_cast<std::size_t>(n) : 0;
}

// Form C of valid UTF-8 `text`.
std::string composeValid(std::string_view text)
{
    utf8proc_uint8_t* composed = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()), static_cast<utf8proc_ssize_t>(text.size()),
                     &composed, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    std::string result = length >= 0 && composed
                             ? std::string(reinterpret_cast<const char*>(composed), static_cast<std::size_t>(length))
                             : std::string(text);
    std::free(composed);
    return result;
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The name of the entry of `folder` whose composed form is `composed`; empty when none.
std::string entryComposedAs(const std::string& folder, const std::string& composed)
{
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "/" : folder.c_str()));
    while (dir) {
        const dirent* entry = ::readdir(dir.get());
        if (!entry) break;
        const std::string_view name = entry->d_name;
        if (name != "." && name != ".." && composedForm(name) == composed) return std::string(name);
    }
    return {};
}

}  // namespace

std::string composedForm(std::string_view text)
{
    if (isAscii(text)) return std::string(text);   // nothing to compose, the usual case
    // Each run of valid UTF-8 is composed on its own; a byte that is not UTF-8 passes through.
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        for (std::size_t n; end < text.size() && (n = validSequenceAt(text.substr(end))) > 0;) end += n;
        if (end > pos) out += composeValid(text.substr(pos, end - pos));
        if (end < text.size()) out += text[end++];
        pos = end;
    }
    return out;
}

std::string storedSpelling(std::string_view path)
{
    if (path.empty() || path[0] != '/') return std::string(path);
    std::string result;
    bool looking = true;   // every folder so far exists: its entries are worth a look
    for (std::size_t start = 1; start <= path.size();) {
        std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view component = path.substr(start, end - start);
        start = end + 1;
        if (component.empty()) continue;
        std::string name = composedForm(component);
        struct stat st{};
        // An ASCII name has no other spelling: only a missing non-ASCII one is looked for.
        if (looking && ::lstat((result + "/" + name).c_str(), &st) != 0) {
            std::string stored = isAscii(name) ? std::string() : entryComposedAs(result, name);
            if (stored.empty())
                looking = false;   // a new name: nothing below it exists
            else
                name = std::move(stored);
        }
        result += "/" + name;
    }
    if (!path.empty() && path.back() == '/' && !result.empty()) result += '/';
    return result.empty() ? "/" : result;
}

}  // namespace ohmkit::store
