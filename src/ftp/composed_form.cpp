#include "ftp/composed_form.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace ohmkit::ftp {

namespace {

struct Composition {
    char base;
    char32_t mark;
    char32_t composed;
};

// Sorted by base letter, then mark.
constexpr Composition kCompositions[] = {
    {'A', 0x0300, 0x00C0}, {'A', 0x0301, 0x00C1}, {'A', 0x0302, 0x00C2}, {'A', 0x0303, 0x00C3},
    {'A', 0x0304, 0x0100}, {'A', 0x0306, 0x0102}, {'A', 0x0308, 0x00C4}, {'A', 0x030A, 0x00C5},
    {'A', 0x0328, 0x0104}, {'C', 0x0301, 0x0106}, {'C', 0x0302, 0x0108}, {'C', 0x0307, 0x010A},
    {'C', 0x030C, 0x010C}, {'C', 0x0327, 0x00C7}, {'D', 0x030C, 0x010E}, {'E', 0x0300, 0x00C8},
    {'E', 0x0301, 0x00C9}, {'E', 0x0302, 0x00CA}, {'E', 0x0304, 0x0112}, {'E', 0x0306, 0x0114},
    {'E', 0x0307, 0x0116}, {'E', 0x0308, 0x00CB}, {'E', 0x030C, 0x011A}, {'E', 0x0328, 0x0118},
    {'G', 0x0302, 0x011C}, {'G', 0x0306, 0x011E}, {'G', 0x0307, 0x0120}, {'G', 0x0327, 0x0122},
    {'H', 0x0302, 0x0124}, {'I', 0x0300, 0x00CC}, {'I', 0x0301, 0x00CD}, {'I', 0x0302, 0x00CE},
    {'I', 0x0303, 0x0128}, {'I', 0x0304, 0x012A}, {'I', 0x0306, 0x012C}, {'I', 0x0307, 0x0130},
    {'I', 0x0308, 0x00CF}, {'I', 0x0328, 0x012E}, {'J', 0x0302, 0x0134}, {'K', 0x0327, 0x0136},
    {'L', 0x0301, 0x0139}, {'L', 0x030C, 0x013D}, {'L', 0x0327, 0x013B}, {'N', 0x0301, 0x0143},
    {'N', 0x0303, 0x00D1}, {'N', 0x030C, 0x0147}, {'N', 0x0327, 0x0145}, {'O', 0x0300, 0x00D2},
    {'O', 0x0301, 0x00D3}, {'O', 0x0302, 0x00D4}, {'O', 0x0303, 0x00D5}, {'O', 0x0304, 0x014C},
    {'O', 0x0306, 0x014E}, {'O', 0x0308, 0x00D6}, {'O', 0x030B, 0x0150}, {'R', 0x0301, 0x0154},
    {'R', 0x030C, 0x0158}, {'R', 0x0327, 0x0156}, {'S', 0x0301, 0x015A}, {'S', 0x0302, 0x015C},
    {'S', 0x030C, 0x0160}, {'S', 0x0327, 0x015E}, {'T', 0x030C, 0x0164}, {'T', 0x0327, 0x0162},
    {'U', 0x0300, 0x00D9}, {'U', 0x0301, 0x00DA}, {'U', 0x0302, 0x00DB}, {'U', 0x0303, 0x0168},
    {'U', 0x0304, 0x016A}, {'U', 0x0306, 0x016C}, {'U', 0x0308, 0x00DC}, {'U', 0x030A, 0x016E},
    {'U', 0x030B, 0x0170}, {'U', 0x0328, 0x0172}, {'W', 0x0302, 0x0174}, {'Y', 0x0301, 0x00DD},
    {'Y', 0x0302, 0x0176}, {'Y', 0x0308, 0x0178}, {'Z', 0x0301, 0x0179}, {'Z', 0x0307, 0x017B},
    {'Z', 0x030C, 0x017D}, {'a', 0x0300, 0x00E0}, {'a', 0x0301, 0x00E1}, {'a', 0x0302, 0x00E2},
    {'a', 0x0303, 0x00E3}, {'a', 0x0304, 0x0101}, {'a', 0x0306, 0x0103}, {'a', 0x0308, 0x00E4},
    {'a', 0x030A, 0x00E5}, {'a', 0x0328, 0x0105}, {'c', 0x0301, 0x0107}, {'c', 0x0302, 0x0109},
    {'c', 0x0307, 0x010B}, {'c', 0x030C, 0x010D}, {'c', 0x0327, 0x00E7}, {'d', 0x030C, 0x010F},
    {'e', 0x0300, 0x00E8}, {'e', 0x0301, 0x00E9}, {'e', 0x0302, 0x00EA}, {'e', 0x0304, 0x0113},
    {'e', 0x0306, 0x0115}, {'e', 0x0307, 0x0117}, {'e', 0x0308, 0x00EB}, {'e', 0x030C, 0x011B},
    {'e', 0x0328, 0x0119}, {'g', 0x0302, 0x011D}, {'g', 0x0306, 0x011F}, {'g', 0x0307, 0x0121},
    {'g', 0x0327, 0x0123}, {'h', 0x0302, 0x0125}, {'i', 0x0300, 0x00EC}, {'i', 0x0301, 0x00ED},
    {'i', 0x0302, 0x00EE}, {'i', 0x0303, 0x0129}, {'i', 0x0304, 0x012B}, {'i', 0x0306, 0x012D},
    {'i', 0x0308, 0x00EF}, {'i', 0x0328, 0x012F}, {'j', 0x0302, 0x0135}, {'k', 0x0327, 0x0137},
    {'l', 0x0301, 0x013A}, {'l', 0x030C, 0x013E}, {'l', 0x0327, 0x013C}, {'n', 0x0301, 0x0144},
    {'n', 0x0303, 0x00F1}, {'n', 0x030C, 0x0148}, {'n', 0x0327, 0x0146}, {'o', 0x0300, 0x00F2},
    {'o', 0x0301, 0x00F3}, {'o', 0x0302, 0x00F4}, {'o', 0x0303, 0x00F5}, {'o', 0x0304, 0x014D},
    {'o', 0x0306, 0x014F}, {'o', 0x0308, 0x00F6}, {'o', 0x030B, 0x0151}, {'r', 0x0301, 0x0155},
    {'r', 0x030C, 0x0159}, {'r', 0x0327, 0x0157}, {'s', 0x0301, 0x015B}, {'s', 0x0302, 0x015D},
    {'s', 0x030C, 0x0161}, {'s', 0x0327, 0x015F}, {'t', 0x030C, 0x0165}, {'t', 0x0327, 0x0163},
    {'u', 0x0300, 0x00F9}, {'u', 0x0301, 0x00FA}, {'u', 0x0302, 0x00FB}, {'u', 0x0303, 0x0169},
    {'u', 0x0304, 0x016B}, {'u', 0x0306, 0x016D}, {'u', 0x0308, 0x00FC}, {'u', 0x030A, 0x016F},
    {'u', 0x030B, 0x0171}, {'u', 0x0328, 0x0173}, {'w', 0x0302, 0x0175}, {'y', 0x0301, 0x00FD},
    {'y', 0x0302, 0x0177}, {'y', 0x0308, 0x00FF}, {'z', 0x0301, 0x017A}, {'z', 0x0307, 0x017C},
    {'z', 0x030C, 0x017E},
};

// Decodes one UTF-8 sequence at `pos`; returns its length, 0 when it is not valid there.
std::size_t decodeAt(std::string_view text, std::size_t pos, char32_t& out)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const std::size_t left = text.size() - pos;
    unsigned char b0 = byte(0);
    if (b0 < 0x80) {
        out = b0;
        return 1;
    }
    std::size_t length;
    char32_t value;
    char32_t minimum;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, value = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, value = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, value = b0 & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (left < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    out = value;
    return length;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isCombiningMark(char32_t c) { return c >= 0x0300 && c <= 0x036F; }

const Composition* findComposition(char base, char32_t mark)
{
    const auto* end = std::end(kCompositions);
    const auto* it = std::lower_bound(std::begin(kCompositions), end, Composition{base, mark, 0},
                                      [](const Composition& a, const Composition& b) {
                                          return a.base != b.base ? a.base < b.base : a.mark < b.mark;
                                      });
    return it != end && it->base == base && it->mark == mark ? it : nullptr;
}

}  // namespace

bool isValidUtf8(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c;
        std::size_t n = decodeAt(text, pos, c);
        if (n == 0) return false;
        pos += n;
    }
    return true;
}

bool hasControlCharacter(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) return true;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F) return true;
    }
    return false;
}

std::string composedForm(std::string_view text)
{
    // Fast path: only a combining mark (U+0300..U+036F, lead byte 0xCC or 0xCD) can change.
    if (text.find('\xCC') == std::string_view::npos && text.find('\xCD') == std::string_view::npos)
        return std::string(text);

    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t c;
        std::size_t n = decodeAt(text, pos, c);
        if (n == 0) {   // not UTF-8 here: pass the byte through
            out += text[pos++];
            continue;
        }
        if (c < 0x80 && pos + n < text.size()) {
            char32_t mark;
            std::size_t markLength = decodeAt(text, pos + n, mark);
            if (markLength > 0 && isCombiningMark(mark)) {
                char32_t after = 0;
                std::size_t next = pos + n + markLength;
                bool moreMarks = next < text.size() && decodeAt(text, next, after) > 0 && isCombiningMark(after);
                const Composition* comp = moreMarks ? nullptr : findComposition(static_cast<char>(c), mark);
                if (comp) {
                    appendUtf8(out, comp->composed);
                    pos = next;
                    continue;
                }
            }
        }
        out.append(text.substr(pos, n));
        pos += n;
    }
    return out;
}

}  // namespace ohmkit::ftp
