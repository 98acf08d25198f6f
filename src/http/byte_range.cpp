#include "http/byte_range.h"

#include "platform/text.h"

#include <charconv>
#include <ctime>

namespace ohmkit::http {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A whole run of decimal digits, nothing else.
bool readNumber(std::string_view text, std::uint64_t& value)
{
    if (text.empty()) return false;
    auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && stop == text.data() + text.size();
}

}  // namespace

RangeRequest byteRange(std::string_view header, std::uint64_t size)
{
    header = trimmed(header);
    constexpr std::string_view kUnit = "bytes=";
    if (header.substr(0, kUnit.size()) != kUnit) return {};
    const std::string_view ranges = trimmed(header.substr(kUnit.size()));
    if (ranges.find(',') != std::string_view::npos) return {};
    const std::size_t dash = ranges.find('-');
    if (dash == std::string_view::npos) return {};
    const std::string_view from = trimmed(ranges.substr(0, dash)), to = trimmed(ranges.substr(dash + 1));
    std::uint64_t first = 0, last = 0;
    if (from.empty()) {   // "-N": the last N bytes
        if (!readNumber(to, last)) return {};
        if (last == 0 || size == 0) return {RangeRequest::Unsatisfiable, 0, 0};
        const std::uint64_t length = last < size ? last : size;
        return {RangeRequest::Part, size - length, length};
    }
    if (!readNumber(from, first)) return {};
    if (to.empty()) {
        last = size == 0 ? 0 : size - 1;
    } else {
        if (!readNumber(to, last) || last < first) return {};
        if (size > 0 && last >= size) last = size - 1;
    }
    if (first >= size) return {RangeRequest::Unsatisfiable, 0, 0};
    return {RangeRequest::Part, first, last - first + 1};
}

std::string contentRange(const RangeRequest& range, std::uint64_t size)
{
    const auto total = static_cast<unsigned long long>(size);
    if (range.kind != RangeRequest::Part) return platform::format("bytes */%llu", total);
    return platform::format("bytes %llu-%llu/%llu", static_cast<unsigned long long>(range.first),
                            static_cast<unsigned long long>(range.first + range.length - 1), total);
}

std::string entityTag(std::uint64_t size, std::int64_t modifiedSeconds, long modifiedNanoseconds)
{
    return platform::format("\"%llx-%llx-%lx\"", static_cast<unsigned long long>(size),
                            static_cast<unsigned long long>(modifiedSeconds), static_cast<unsigned long>(modifiedNanoseconds));
}

std::string httpDate(std::int64_t secondsSinceEpoch)
{
    const std::time_t time = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm utc{};
    if (!::gmtime_r(&time, &utc)) return {};
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return platform::format("%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday], utc.tm_mday, kMonths[utc.tm_mon],
                            utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
}

}  // namespace ohmkit::http
