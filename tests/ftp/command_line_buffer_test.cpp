#include "ftp/command_line_buffer.h"

#include <gtest/gtest.h>

namespace ohmkit::ftp {
namespace {

using Lines = std::vector<std::string>;

TEST(CommandLineBuffer, FramesLinesByTheirEnds)
{
    CommandLineBuffer buffer;
    Lines lines;
    EXPECT_TRUE(buffer.append("USER an", lines));
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(buffer.append("na\r", lines));
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(buffer.append("\nPASS x\r\nNOOP\nSY", lines));
    EXPECT_EQ(lines, (Lines{"USER anna", "PASS x", "NOOP"}));
    EXPECT_EQ(buffer.pendingSize(), 2u);
    lines.clear();
    EXPECT_TRUE(buffer.append("ST\r\n\r\n", lines));
    EXPECT_EQ(lines, (Lines{"SYST", ""}));
    EXPECT_EQ(buffer.pendingSize(), 0u);
}

TEST(CommandLineBuffer, OverflowsOnlyWithoutALineEnd)
{
    CommandLineBuffer buffer;
    Lines lines;
    const std::string big(CommandLineBuffer::kMaxLineLength, 'a');
    EXPECT_TRUE(buffer.append(big, lines));
    EXPECT_FALSE(buffer.append("b", lines));

    CommandLineBuffer other;
    EXPECT_TRUE(other.append(big + "\r\n" + "NOOP\r\n", lines));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "NOOP");
}

}  // namespace
}  // namespace ohmkit::ftp
