#include "ftp/http_request_lines.h"

#include <cctype>
#include <string_view>

namespace ohmkit::ftp {

namespace {

// The characters of a method or a field name.
bool isTokenCharacter(char c)
{
    if (std::isalnum(static_cast<unsigned char>(c))) return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isToken(std::string_view text)
{
    if (text.empty()) return false;
    for (char c : text)
        if (!isTokenCharacter(c)) return false;
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "HTTP/1.1", "HTTP/1.0", "HTTP/2", any letter case.
bool isHttpVersion(std::string_view text)
{
    if (text.size() < 6) return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != "HTTP"[i]) return false;
    if (text[4] != '/' || !isDigit(text[5])) return false;
    const std::string_view rest = text.substr(6);
    return rest.empty() || (rest.size() == 2 && rest[0] == '.' && isDigit(rest[1]));
}

}  // namespace

bool isHttpRequestLine(std::string_view line)
{
    const std::size_t first = line.find(' ');
    if (first == std::string_view::npos) return false;
    const std::size_t second = line.find(' ', first + 1);
    if (second == std::string_view::npos || second == first + 1) return false;
    return isToken(line.substr(0, first)) && isHttpVersion(line.substr(second + 1));
}

bool isHttpHeaderLine(std::string_view line)
{
    const std::size_t colon = line.find(':');
    return colon != std::string_view::npos && isToken(line.substr(0, colon));
}

}  // namespace ohmkit::ftp
