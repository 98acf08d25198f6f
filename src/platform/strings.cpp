#include "platform/strings.h"

#include <mutex>

#include "platform/files.h"
#include "platform/log.h"

namespace ohmkit::platform {

namespace {

struct Parser {
    const std::string& text;
    std::size_t pos = 0;

    // Skips white space and comments; false on an unterminated comment.
    bool skip()
    {
        for (;;) {
            while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' ||
                                         text[pos] == '\n'))
                ++pos;
            if (text.compare(pos, 2, "//") == 0) {
                pos = text.find('\n', pos);
                if (pos == std::string::npos) pos = text.size();
            } else if (text.compare(pos, 2, "/*") == 0) {
                auto end = text.find("*/", pos + 2);
                if (end == std::string::npos) return false;
                pos = end + 2;
            } else {
                return true;
            }
        }
    }

    std::optional<std::string> quoted()
    {
        if (pos >= text.size() || text[pos] != '"') return std::nullopt;
        std::string out;
        for (++pos; pos < text.size(); ++pos) {
            char c = text[pos];
            if (c == '"') {
                ++pos;
                return out;
            }
            if (c == '\\') {
                if (++pos >= text.size()) return std::nullopt;
                switch (text[pos]) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                default: out += text[pos]; break;   // \" \\ and anything else literally
                }
                continue;
            }
            out += c;
        }
        return std::nullopt;
    }

    bool expect(char c)
    {
        if (!skip() || pos >= text.size() || text[pos] != c) return false;
        ++pos;
        return true;
    }
};

std::mutex tablesLock;
std::map<std::string, std::map<std::string, std::string>> tables;

}  // namespace

std::optional<std::map<std::string, std::string>> parseStringsTable(const std::string& text)
{
    std::map<std::string, std::string> out;
    Parser p{text};
    for (;;) {
        if (!p.skip()) return std::nullopt;
        if (p.pos >= text.size()) return out;
        auto key = p.quoted();
        if (!key || !p.expect('=') || !p.skip()) return std::nullopt;
        auto value = p.quoted();
        if (!value || !p.expect(';')) return std::nullopt;
        out[*key] = *value;
    }
}

std::string localizedString(const std::string& key, const std::string& table, const std::string& defaultValue)
{
    std::lock_guard<std::mutex> lock(tablesLock);
    auto it = tables.find(table);
    if (it == tables.end()) {
        std::map<std::string, std::string> entries;
        if (auto path = resourcePath(table, "strings"); !path.empty()) {
            if (auto text = readFile(path)) {
                if (auto parsed = parseStringsTable(*text))
                    entries = std::move(*parsed);
                else
                    logLine("Malformed string table " + path);
            }
        }
        it = tables.emplace(table, std::move(entries)).first;
    }
    if (auto entry = it->second.find(key); entry != it->second.end()) return entry->second;
    return defaultValue.empty() ? key : defaultValue;
}

void clearStringTables()
{
    std::lock_guard<std::mutex> lock(tablesLock);
    tables.clear();
}

}  // namespace ohmkit::platform
