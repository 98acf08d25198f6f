#include "ftp/command_line_buffer.h"

#include <cstring>

namespace ohmkit::ftp {

namespace {

constexpr unsigned char kIac = 255;
constexpr unsigned char kSubnegotiationEnd = 240;
constexpr unsigned char kSubnegotiationBegin = 250;
constexpr unsigned char kWill = 251;   // WILL, WONT, DO, DONT (251-254) take an option byte

}  // namespace

void CommandLineBuffer::append(std::string_view chunk)
{
    if (telnet_ == Telnet::Data && !std::memchr(chunk.data(), kIac, chunk.size())) {
        pending_.append(chunk);   // the usual case: no Telnet command anywhere
        return;
    }
    for (char c : chunk) {
        const auto byte = static_cast<unsigned char>(c);
        switch (telnet_) {
        case Telnet::Data:
            if (byte == kIac)
                telnet_ = Telnet::Command;
            else
                pending_ += c;
            break;
        case Telnet::Command:
            if (byte == kIac) {
                pending_ += c;   // IAC IAC: the data byte 0xFF
                telnet_ = Telnet::Data;
            } else if (byte == kSubnegotiationBegin) {
                telnet_ = Telnet::Subnegotiation;
            } else if (byte >= kWill) {
                telnet_ = Telnet::Option;
            } else {
                telnet_ = Telnet::Data;
            }
            break;
        case Telnet::Option:
            telnet_ = Telnet::Data;
            break;
        case Telnet::Subnegotiation:
        case Telnet::SubnegotiationCommand:
            // A command line never carries a subnegotiation: a line end closes one that a
            // broken client left open, so its next lines are still read.
            if (byte == '\n') {
                pending_ += c;
                telnet_ = Telnet::Data;
            } else if (telnet_ == Telnet::SubnegotiationCommand && byte == kSubnegotiationEnd) {
                telnet_ = Telnet::Data;
            } else {
                telnet_ = telnet_ == Telnet::Subnegotiation && byte == kIac ? Telnet::SubnegotiationCommand
                                                                             : Telnet::Subnegotiation;
            }
            break;
        }
    }
}

CommandLineBuffer::Next CommandLineBuffer::next(std::string& line)
{
    const std::size_t waiting = pending_.size() - start_;
    const void* found = std::memchr(pending_.data() + start_ + searched_, '\n', waiting - searched_);
    if (!found) {
        searched_ = waiting;
        // An unfinished line may still end in the CR of its CR LF.
        return waiting > kMaxLineLength + 1 ? Next::TooLong : Next::None;
    }
    const std::size_t lf = static_cast<std::size_t>(static_cast<const char*>(found) - pending_.data());
    std::size_t end = lf;
    if (end > start_ && pending_[end - 1] == '\r') --end;
    if (end - start_ > kMaxLineLength) return Next::TooLong;
    line.assign(pending_, start_, end - start_);
    start_ = lf + 1;
    searched_ = 0;
    // Taken bytes are dropped once they are the larger part, so taking a line costs no more
    // than its own length.
    if (start_ == pending_.size()) {
        pending_.clear();
        start_ = 0;
    } else if (start_ > pending_.size() / 2) {
        pending_.erase(0, start_);
        start_ = 0;
    }
    return Next::Line;
}

}  // namespace ohmkit::ftp
