#pragma once
// The part of a download a request asks for: a single "Range: bytes=..." range, and the
// validators ("If-Range") that keep a resumed download from mixing two versions of a file.
// Pure text work.
#include <cstdint>
#include <string>
#include <string_view>

namespace ohmkit::http {

struct RangeRequest {
    enum Kind { Whole, Part, Unsatisfiable };
    Kind kind = Whole;
    std::uint64_t first = 0;    // Part: the first byte sent
    std::uint64_t length = 0;   // Part: how many bytes from it
};

// What `header` (the Range header's value, empty when there is none) asks of a file of `size`
// bytes. Only one range in bytes is served; anything else (other units, several ranges, text
// that is not a range) is answered with the whole file, as the protocol allows. A range that
// starts at or past the end is Unsatisfiable (416); one that runs past it is cut at the end.
RangeRequest byteRange(std::string_view header, std::uint64_t size);

// The "Content-Range" of a part ("bytes 0-99/1000") and of a 416 ("bytes */1000").
std::string contentRange(const RangeRequest& range, std::uint64_t size);

// A strong validator of one version of a file, from its size and modification time.
std::string entityTag(std::uint64_t size, std::int64_t modifiedSeconds, long modifiedNanoseconds);
// The modification time as an HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT").
std::string httpDate(std::int64_t secondsSinceEpoch);

}  // namespace ohmkit::http
