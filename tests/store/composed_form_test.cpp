#include "store/composed_form.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace ohmkit::store {
namespace {

TEST(ComposedForm, ComposesWhatFormCComposes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Re\xCC\x81sume\xCC\x81.pdf", "R\xC3\xA9sum\xC3\xA9.pdf"},   // é
        {"A\xCC\x8A", "\xC3\x85"},                                      // Å
        {"c\xCC\xA7", "\xC3\xA7"},                                      // ç
        {"z\xCC\x8C", "\xC5\xBE"},                                      // ž
        {"e\xCC\xA3\xCC\x82", "\xE1\xBB\x87"},                          // ệ: two marks
        {"e\xCC\x82\xCC\xA3", "\xE1\xBB\x87"},                          // the marks out of order
        {"e\xCC\xA7\xCC\x81", "\xC8\xA9\xCC\x81"},                      // ȩ and a mark left over
        {"\xE1\x84\x80\xE1\x85\xA1", "\xEA\xB0\x80"},                  // Hangul jamo: 가
        {"\xCE\xB1\xCC\x81", "\xCE\xAC"},                               // Greek ά
        {"plain name.txt", "plain name.txt"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},                      // already composed
        {"q\xCC\x81", "q\xCC\x81"},                                     // no composed q́
        {"\xCC\x81start", "\xCC\x81start"},                             // a mark without a letter
        {"\xEF\xAC\x81", "\xEF\xAC\x81"},                               // ligature ﬁ: only form KC splits it
        {"\xFF" "e\xCC\x81", "\xFF\xC3\xA9"},                           // a bad byte passes
    };
    for (auto [text, composed] : cases) EXPECT_EQ(composedForm(text), composed) << text;
}

class StoredSpelling : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ohmkit-spelling-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string dir_;
};

TEST_F(StoredSpelling, FindsEntriesByTheirComposedForm)
{
    const std::string nfdFolder = "Widersta\xCC\x88" "nde";   // stored decomposed
    const std::string nfcFolder = "Widerst\xC3\xA4" "nde";
    std::filesystem::create_directory(dir_ + "/" + nfdFolder);
    std::ofstream(dir_ + "/" + nfdFolder + "/caf\xC3\xA9.pdf") << "x";   // stored composed
    const std::pair<std::string, std::string> cases[] = {
        {nfcFolder, nfdFolder},                                     // the disk's spelling wins
        {nfdFolder, nfdFolder},
        {nfcFolder + "/cafe\xCC\x81.pdf", nfdFolder + "/caf\xC3\xA9.pdf"},
        {nfcFolder + "/ne\xCC\x81w", nfdFolder + "/n\xC3\xA9w"},   // a new name comes out composed
        {"missing/e\xCC\x81", "missing/\xC3\xA9"},
        {"plain", "plain"},
        {nfcFolder + "/../x", nfdFolder + "/../x"},
    };
    for (const auto& [name, stored] : cases) EXPECT_EQ(storedSpelling(dir_ + "/" + name), dir_ + "/" + stored) << name;
    EXPECT_EQ(storedSpelling("relative/e\xCC\x81"), "relative/e\xCC\x81");
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
}  // namespace ohmkit::store
