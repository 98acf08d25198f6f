#include "ftp/ftp_paths.h"

#include <cctype>

namespace ohmkit::ftp {

namespace {

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

std::string fileNameFromArgs(const std::vector<std::string>& words, bool takesOptions)
{
    if (words.empty()) return {};
    std::string name;
    bool started = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (takesOptions && !word.empty() && word[0] == '-') continue;   // an option such as -la
        if (started) name += ' ';
        name += word;
        started = true;
    }
    return name;
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
