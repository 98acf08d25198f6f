#include "ftp/command_line_buffer.h"

#include <gtest/gtest.h>

namespace ohmkit::ftp {
namespace {

using Lines = std::vector<std::string>;
using Next = CommandLineBuffer::Next;

// Every complete line the buffer holds now.
Lines take(CommandLineBuffer& buffer)
{
    Lines lines;
    std::string line;
    while (buffer.next(line) == Next::Line) lines.push_back(line);
    return lines;
}

TEST(CommandLineBuffer, FramesLinesByTheirEnds)
{
    CommandLineBuffer buffer;
    buffer.append("USER an");
    EXPECT_TRUE(take(buffer).empty());
    buffer.append("na\r");
    EXPECT_TRUE(take(buffer).empty());
    buffer.append("\nPASS x\r\nNOOP\nSY");
    EXPECT_EQ(take(buffer), (Lines{"USER anna", "PASS x", "NOOP"}));
    EXPECT_EQ(buffer.pendingSize(), 2u);
    buffer.append("ST\r\n\r\n");
    EXPECT_EQ(take(buffer), (Lines{"SYST", ""}));
    EXPECT_EQ(buffer.pendingSize(), 0u);
}

TEST(CommandLineBuffer, LinesAreTakenOneAtATime)
{
    CommandLineBuffer buffer;
    std::string all;
    for (int i = 0; i < 20000; ++i) all += "NOOP " + std::to_string(i) + "\r\n";
    buffer.append(all);
    std::string line;
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(buffer.next(line), Next::Line);
        ASSERT_EQ(line, "NOOP " + std::to_string(i));
    }
    EXPECT_EQ(buffer.next(line), Next::None);
    EXPECT_EQ(buffer.pendingSize(), 0u);
}

// The limit holds for a line whether it arrived whole or in pieces.
TEST(CommandLineBuffer, LinesLongerThanTheLimitAreTooLong)
{
    const std::size_t max = CommandLineBuffer::kMaxLineLength;
    struct Case {
        const char* what;
        std::vector<std::string> chunks;
        std::vector<Next> expected;
    };
    const std::string full(max, 'a');
    const Case cases[] = {
        {"a line of the limit", {full + "\r\n"}, {Next::Line, Next::None}},
        {"one byte over, whole", {full + "b\r\n"}, {Next::TooLong}},
        {"far over, whole, after a good line", {"NOOP\r\n" + std::string(200000, 'c') + "\r\n"}, {Next::Line, Next::TooLong}},
        {"one byte over, in pieces", {full, "b", "\r\n"}, {Next::None, Next::TooLong}},
        {"unfinished, over the limit", {full + "bc"}, {Next::TooLong}},
        {"unfinished at the limit with its CR", {full + "\r"}, {Next::None}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CommandLineBuffer buffer;
        std::vector<Next> got;
        std::string line;
        for (const std::string& chunk : c.chunks) {
            buffer.append(chunk);
            Next n;
            while ((n = buffer.next(line)) == Next::Line) got.push_back(n);
            got.push_back(n);
            if (n == Next::TooLong) break;
        }
        // Collapse the repeated None of chunks that brought no line.
        std::vector<Next> collapsed;
        for (Next n : got)
            if (collapsed.empty() || !(n == Next::None && collapsed.back() == Next::None)) collapsed.push_back(n);
        EXPECT_EQ(collapsed, c.expected);
    }
}

// Telnet commands are taken out before lines are framed, also across chunk boundaries.
TEST(CommandLineBuffer, TelnetCommandsAreTakenOut)
{
    struct Case {
        const char* what;
        std::vector<std::string> chunks;
        Lines lines;
    };
    const Case cases[] = {
        {"interrupt and data mark before ABOR", {"\xff\xf4\xff\xf2" "ABOR\r\n"}, {"ABOR"}},
        {"split inside the commands", {"\xff", "\xf4\xff", "\xf2" "AB", "OR\r\n"}, {"ABOR"}},
        {"IAC IAC is one 0xFF byte", {"STOR a\xff\xff" "b\r\n"}, {"STOR a\xff" "b"}},
        {"option negotiation", {"\xff\xfb\x01NOOP\r\n\xff\xfd", "\x03SYST\r\n"}, {"NOOP", "SYST"}},
        {"a subnegotiation", {"\xff\xfa\x18\x01\xff\xff\xff\xf0NOOP\r\n"}, {"NOOP"}},
        {"an unended subnegotiation ends with its line", {"\xff\xfa garbage\r\nNOOP\r\n"}, {"", "NOOP"}},
        {"IAC before a line end", {"NOOP\xff\xf1\r\n"}, {"NOOP"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CommandLineBuffer buffer;
        Lines lines;
        for (const std::string& chunk : c.chunks) {
            buffer.append(chunk);
            for (const std::string& line : take(buffer)) lines.push_back(line);
        }
        EXPECT_EQ(lines, c.lines);
    }
}

}  // namespace
}  // namespace ohmkit::ftp
