#include "ftp/composed_form.h"

#include <gtest/gtest.h>

namespace ohmkit::ftp {
namespace {

TEST(ComposedForm, ComposesLatinLettersWithOneMark)
{
    EXPECT_EQ(composedForm("Re\xCC\x81sume\xCC\x81.pdf"), "R\xC3\xA9sum\xC3\xA9.pdf");   // é
    EXPECT_EQ(composedForm("A\xCC\x8A"), "\xC3\x85");                                  // Å
    EXPECT_EQ(composedForm("c\xCC\xA7"), "\xC3\xA7");                                  // ç
    EXPECT_EQ(composedForm("a\xCC\xA8"), "\xC4\x85");                                  // ą
    EXPECT_EQ(composedForm("z\xCC\x8C"), "\xC5\xBE");                                  // ž
    EXPECT_EQ(composedForm("u\xCC\x88" "ber"), "\xC3\xBC" "ber");                         // ü
}

TEST(ComposedForm, LeavesOtherTextAlone)
{
    EXPECT_EQ(composedForm("plain name.txt"), "plain name.txt");
    EXPECT_EQ(composedForm("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");                  // already composed
    EXPECT_EQ(composedForm("q\xCC\x81"), "q\xCC\x81");                                 // no such letter
    EXPECT_EQ(composedForm("\xCC\x81start"), "\xCC\x81start");                         // mark without letter
    EXPECT_EQ(composedForm("e\xCC\xA7\xCC\x81"), "e\xCC\xA7\xCC\x81");                 // two marks: unchanged
    EXPECT_EQ(composedForm("\xFF" "e\xCC\x81"), "\xFF\xC3\xA9");                       // bad byte passes
}

TEST(Utf8, RejectsMalformedSequences)
{
    EXPECT_TRUE(isValidUtf8("USER anna"));
    EXPECT_TRUE(isValidUtf8("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x94\x8C"));
    EXPECT_FALSE(isValidUtf8("\xFF"));
    EXPECT_FALSE(isValidUtf8("\xC3"));                  // cut short
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));              // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));          // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));      // above U+10FFFF
}

TEST(Utf8, ControlCharactersOtherThanTab)
{
    const std::pair<const char*, bool> cases[] = {
        {"USER anna", false}, {"STOR a\tb", false}, {"caf\xC3\xA9 \xE2\x80\xA8", false}, {"\xC2\xA0", false},
        {"a\rb", true},       {"a\nb", true},        {"\x01", true},                        {"del\x7F", true},
        {"nel \xC2\x85", true}, {"\xC2\x9F", true},
    };
    for (auto [text, control] : cases) EXPECT_EQ(hasControlCharacter(text), control) << text;
    EXPECT_TRUE(hasControlCharacter(std::string_view("a\0b", 3)));
}

}  // namespace
}  // namespace ohmkit::ftp
