#pragma once
// Collects the bytes of one control connection and cuts them into command lines.
//
// A line ends at CR LF or at a bare LF; the line end is removed. A line split over several
// chunks is joined, and several lines in one chunk are returned in order. Bytes after the last
// line end wait for the next chunk; if more than kMaxLineLength of them pile up without a line
// end, the buffer reports an overflow and the connection is closed by its owner.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ohmkit::ftp {

class CommandLineBuffer {
public:
    static constexpr std::size_t kMaxLineLength = 64 * 1024;

    // Appends `chunk` and moves every complete line into `lines`. Returns false on overflow.
    bool append(std::string_view chunk, std::vector<std::string>& lines);
    std::size_t pendingSize() const { return pending_.size(); }

private:
    std::string pending_;
};

}  // namespace ohmkit::ftp
