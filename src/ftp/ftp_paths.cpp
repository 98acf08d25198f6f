#include "ftp/ftp_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <deque>

namespace ohmkit::ftp {

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

// Length of a newline character at the start (forward) or end (backward) of `text`, or 0.
std::size_t newlineAtFront(std::string_view text)
{
    if (text.empty()) return 0;
    unsigned char c = static_cast<unsigned char>(text[0]);
    if (c >= 0x0A && c <= 0x0D) return 1;
    if (text.substr(0, 2) == "\xC2\x85") return 2;
    if (text.substr(0, 3) == "\xE2\x80\xA8" || text.substr(0, 3) == "\xE2\x80\xA9") return 3;
    return 0;
}

std::size_t newlineAtBack(std::string_view text)
{
    if (text.empty()) return 0;
    unsigned char c = static_cast<unsigned char>(text.back());
    if (c >= 0x0A && c <= 0x0D) return 1;
    if (text.size() >= 2 && text.substr(text.size() - 2) == "\xC2\x85") return 2;
    if (text.size() >= 3) {
        std::string_view tail = text.substr(text.size() - 3);
        if (tail == "\xE2\x80\xA8" || tail == "\xE2\x80\xA9") return 3;
    }
    return 0;
}

}  // namespace

std::vector<std::string> splitCommandWords(std::string_view line)
{
    std::vector<std::string> words;
    std::size_t start = 0;
    for (;;) {
        std::size_t blank = line.find(' ', start);
        if (blank == std::string_view::npos) {
            words.emplace_back(line.substr(start));
            return words;
        }
        words.emplace_back(line.substr(start, blank - start));
        start = blank + 1;
    }
}

std::string trimNewlines(std::string_view text)
{
    while (std::size_t n = newlineAtFront(text)) text.remove_prefix(n);
    while (std::size_t n = newlineAtBack(text)) text.remove_suffix(n);
    return std::string(text);
}

bool isFileCommand(std::string_view word)
{
    static constexpr std::array<std::string_view, 11> kFileCommands = {
        "cwd", "mkd", "rmd", "stor", "appe", "dele", "size", "mdtm", "retr", "rnfr", "rnto"};
    std::string lower;
    for (char c : word) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::string_view command : kFileCommands)
        if (lower == command) return true;
    return false;
}

std::string fileNameFromArgs(const std::vector<std::string>& words)
{
    if (words.empty()) return {};
    const bool fileCommand = isFileCommand(words[0]);
    std::string name;
    bool started = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!fileCommand && !word.empty() && word[0] == '-') continue;   // an option such as -la
        if (started) name += ' ';
        name += word;
        started = true;
    }
    return name;
}

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

std::string deletingLastPathComponent(std::string_view path)
{
    std::string_view trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.remove_suffix(1);
    std::size_t slash = trimmed.rfind('/');
    if (slash == std::string_view::npos) return {};
    if (slash == 0) return "/";
    return std::string(trimmed.substr(0, slash));
}

}  // namespace ohmkit::ftp
