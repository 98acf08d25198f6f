#include "ftp/command_line_buffer.h"

namespace ohmkit::ftp {

bool CommandLineBuffer::append(std::string_view chunk, std::vector<std::string>& lines)
{
    pending_.append(chunk);
    std::size_t start = 0;
    for (;;) {
        std::size_t lf = pending_.find('\n', start);
        if (lf == std::string::npos) break;
        std::size_t end = lf;
        if (end > start && pending_[end - 1] == '\r') --end;
        lines.emplace_back(pending_, start, end - start);
        start = lf + 1;
    }
    pending_.erase(0, start);
    return pending_.size() <= kMaxLineLength;
}

}  // namespace ohmkit::ftp
