#pragma once
// Collects the bytes of one control connection and cuts them into command lines.
//
// Telnet commands are taken out of the stream as the bytes arrive, also when one is split
// over two chunks: IAC with a command byte (IP, DM, AYT ...), IAC WILL/WONT/DO/DONT with its
// option byte, and a subnegotiation from IAC SB to IAC SE (or to the end of the line); IAC IAC
// stands for one data byte 0xFF.
//
// A line ends at CR LF or at a bare LF; the line end is removed. Lines are taken one at a
// time, so a connection can leave the rest for a later turn. A line longer than
// kMaxLineLength, whether it arrived whole or in pieces, is reported as too long.
#include <cstddef>
#include <string>
#include <string_view>

namespace ohmkit::ftp {

class CommandLineBuffer {
public:
    static constexpr std::size_t kMaxLineLength = 64 * 1024;

    enum class Next { Line, None, TooLong };

    // Appends the bytes of a chunk, Telnet commands taken out.
    void append(std::string_view chunk);
    // Line: the next complete line is in `line`. None: no complete line is waiting. TooLong:
    // the next line, complete or not, is longer than kMaxLineLength.
    Next next(std::string& line);
    // The bytes waiting, complete lines and the unfinished tail.
    std::size_t pendingSize() const { return pending_.size() - start_; }
    // Those bytes themselves.
    std::string_view pending() const { return std::string_view(pending_).substr(start_); }

private:
    enum class Telnet { Data, Command, Option, Subnegotiation, SubnegotiationCommand };

    std::string pending_;
    std::size_t start_ = 0;      // the first byte not taken yet
    std::size_t searched_ = 0;   // bytes after start_ known to hold no LF
    Telnet telnet_ = Telnet::Data;
};

}  // namespace ohmkit::ftp
