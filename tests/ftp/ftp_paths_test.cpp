#include "ftp/ftp_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace ohmkit::ftp {
namespace {

using Words = std::vector<std::string>;

TEST(CommandWords, SplitAtEverySingleBlankKeepingEmptyWords)
{
    EXPECT_EQ(splitCommandWords("NOOP"), (Words{"NOOP"}));
    EXPECT_EQ(splitCommandWords(""), (Words{""}));
    EXPECT_EQ(splitCommandWords(" NOOP"), (Words{"", "NOOP"}));
    EXPECT_EQ(splitCommandWords("STOR a  b "), (Words{"STOR", "a", "", "b", ""}));
    EXPECT_EQ(splitCommandWords("STOR a\tb"), (Words{"STOR", "a\tb"}));
}

TEST(CommandWords, TrimNewlinesOnlyAtBothEnds)
{
    EXPECT_EQ(trimNewlines("\r\nUSER anna\r\n"), "USER anna");
    EXPECT_EQ(trimNewlines(" USER \x0b\x0c"), " USER ");
    EXPECT_EQ(trimNewlines("\xC2\x85name\xE2\x80\xA8\xE2\x80\xA9"), "name");
    EXPECT_EQ(trimNewlines("a\nb"), "a\nb");
    EXPECT_EQ(trimNewlines("\r\n"), "");
}

TEST(FileNameFromArgs, NamesOptionsAndBlanks)
{
    struct Case {
        Words words;
        bool takesOptions;
        std::string name;
    };
    const Case cases[] = {
        {{"STOR", "my", "report.pdf"}, false, "my report.pdf"},
        {{"STOR", "-draft.pdf"}, false, "-draft.pdf"},
        {{"dele", "-x"}, false, "-x"},
        {{"LIST", "-la"}, true, ""},
        {{"LIST", "-la", "sub"}, true, "sub"},
        {{"NLST", "-a", "-l"}, true, ""},
        {{"LIST"}, true, ""},
        {{"STOR", "a", "", "b"}, false, "a  b"},             // a run of blanks survives
        {{"STOR", "a", ""}, false, "a "},                    // so does a trailing blank
        {{"LIST", "", "-la"}, true, ""},                     // an empty word is no option
        {{"RETR", "\"quoted name\""}, false, "\"quoted name\""},
        {{"MLST", "-x", "file"}, false, "-x file"},          // a name, whatever it begins with
    };
    for (const Case& c : cases) EXPECT_EQ(fileNameFromArgs(c.words, c.takesOptions), c.name) << c.words[0];
}

TEST(PathText, AppendStandardizeAndDeleteLastComponent)
{
    EXPECT_EQ(appendPathComponent("/base", "file"), "/base/file");
    EXPECT_EQ(appendPathComponent("/base/", "/sub"), "/base/sub");
    EXPECT_EQ(appendPathComponent("/", "sub"), "/sub");
    EXPECT_EQ(appendPathComponent("/base", "/"), "/base");
    EXPECT_EQ(appendPathComponent("/base", "a/../b"), "/base/a/../b");

    EXPECT_EQ(standardizePath("/a//b/./c/"), "/a/b/c");
    EXPECT_EQ(standardizePath("/a/b/../c"), "/a/c");
    EXPECT_EQ(standardizePath("/../.."), "/");
    EXPECT_EQ(standardizePath("a/../b"), "a/../b");

    EXPECT_EQ(deletingLastPathComponent("/sub/deeper/"), "/sub");
    EXPECT_EQ(deletingLastPathComponent("/sub/"), "/");
    EXPECT_EQ(deletingLastPathComponent("/"), "/");
}

TEST(PathText, InsideMeansEqualOrUnderneathNotASiblingWithTheSamePrefix)
{
    EXPECT_TRUE(isPathInside("/srv/docs", "/srv/docs"));
    EXPECT_TRUE(isPathInside("/srv/docs", "/srv/docs/a"));
    EXPECT_FALSE(isPathInside("/srv/docs", "/srv/docs2"));
    EXPECT_FALSE(isPathInside("/srv/docs", "/srv/docs2/a"));
    EXPECT_FALSE(isPathInside("/srv/docs", "/srv"));
    EXPECT_TRUE(isPathInside("/", "/anything"));
}

class ResolveLinks : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ohmkit-paths-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        std::filesystem::create_directories(root_ + "/base/sub");
        std::filesystem::create_directories(root_ + "/outside");
        std::filesystem::create_directory_symlink(root_ + "/outside", root_ + "/base/away");
        std::filesystem::create_directory_symlink("sub", root_ + "/base/rel");
        std::filesystem::create_symlink("loop", root_ + "/base/loop");
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    std::string root_;
};

TEST_F(ResolveLinks, FollowsLinksAndDotsInOrder)
{
    const std::string base = root_ + "/base";
    EXPECT_EQ(resolveSymlinksInPath(base + "/away/x"), root_ + "/outside/x");
    EXPECT_EQ(resolveSymlinksInPath(base + "/rel/f"), base + "/sub/f");
    // ".." after a link goes up from the link's target, as the system does.
    EXPECT_EQ(resolveSymlinksInPath(base + "/away/../base/sub"), base + "/sub");
    EXPECT_EQ(resolveSymlinksInPath(base + "/sub/.."), base);
    EXPECT_EQ(resolveSymlinksInPath(base + "/missing/../sub/./new"), base + "/sub/new");
    EXPECT_EQ(resolveSymlinksInPath("/.."), "/");
    EXPECT_EQ(resolveSymlinksInPath("relative/x"), "relative/x");
    // A link that points at itself ends after as many steps as the system takes, with no path.
    EXPECT_EQ(resolveSymlinksInPath(base + "/loop"), "");
}

// Commands that act on a name itself (delete, rename, replace) keep a link in the last
// component; every link before it is still followed.
TEST_F(ResolveLinks, TheLastLinkCanBeKept)
{
    const std::string base = root_ + "/base";
    EXPECT_EQ(resolveSymlinksInPath(base + "/away", false), base + "/away");
    EXPECT_EQ(resolveSymlinksInPath(base + "/loop", false), base + "/loop");
    EXPECT_EQ(resolveSymlinksInPath(base + "/away/x", false), root_ + "/outside/x");
    EXPECT_EQ(resolveSymlinksInPath(base + "/rel/../away", false), base + "/away");
    // ".." or "." at the end is no name: it is resolved like any other.
    EXPECT_EQ(resolveSymlinksInPath(base + "/away/..", false), root_);
    EXPECT_EQ(resolveSymlinksInPath(base + "/rel/.", false), base + "/sub");
}

}  // namespace
}  // namespace ohmkit::ftp
