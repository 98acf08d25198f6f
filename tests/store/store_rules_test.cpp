// The rules every way into the store shares: the names it takes, what listings show, the
// confinement of names (uploads in progress among what no name reaches) and deletes.
#include "store/path_policy.h"
#include "store/store_entries.h"
#include "store/store_names.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace ohmkit::store {
namespace {

namespace fs = std::filesystem;

class StoreRulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        base_ = (fs::canonical(fs::temp_directory_path()) / ("ohmkit-store-" + std::to_string(::getpid()))).string();
        fs::remove_all(base_);
        fs::create_directories(base_ + "/ICs/old");
        fs::create_directory(base_ + "/empty");
        write("ICs/NE555.pdf");
        write("ICs/old/LM741.pdf");
        write("sheet.pdf");
        fs::create_directory_symlink(base_ + "/ICs", base_ + "/link");
    }
    void TearDown() override { fs::remove_all(base_); }
    void write(const std::string& name) const { std::ofstream(base_ + "/" + name) << name; }
    std::string at(const std::string& name) const { return base_ + "/" + name; }

    std::string base_;
};

TEST(StoreNames, TheNamesOfUploadsInProgressAreRefusedLikeOtherBadNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"LM317.pdf", ""},
        {"-draft.pdf", ""},
        {".ohmkit-upload-abc123", "This name is kept for uploads in progress."},
        {".ohmkit-upload-abc1234", ""},   // not the pattern: an ordinary (hidden) name
        {"..", "\".\" and \"..\" are not file names."},
        {"a/b", "A file name cannot contain \"/\"."},
        {"", "The file has no name."},
    };
    for (auto [name, problem] : cases) EXPECT_EQ(nameProblem(name), problem) << name;
}

TEST(StoreNames, ListingsLeaveOutUploadsInProgress)
{
    EXPECT_TRUE(isListedName("LM317.pdf"));
    EXPECT_TRUE(isListedName("-draft.pdf"));
    EXPECT_FALSE(isListedName(".ohmkit-upload-abc123"));
    EXPECT_TRUE(isListedName(".notes"));
    EXPECT_FALSE(isListedName(""));
}

TEST(StoreNames, ATemporaryNameAnywhereBelowTheBaseIsFound)
{
    EXPECT_TRUE(holdsTemporaryName("/s", "/s/.ohmkit-upload-abc123"));
    EXPECT_TRUE(holdsTemporaryName("/s", "/s/.ohmkit-upload-abc123/inner.pdf"));
    EXPECT_TRUE(holdsTemporaryName("/s", "/s/sub/.ohmkit-upload-abc123"));
    EXPECT_FALSE(holdsTemporaryName("/s", "/s/sub/keep.pdf"));
    EXPECT_FALSE(holdsTemporaryName("/.ohmkit-upload-abc123", "/.ohmkit-upload-abc123/x"));   // the base itself
    EXPECT_TRUE(holdsTemporaryName("/", "/.ohmkit-upload-abc123"));
}

TEST_F(StoreRulesTest, NoNameReachesAnUploadInProgress)
{
    const PathPolicy policy(base_, true);
    for (const char* name : {".ohmkit-upload-abc123", "/ICs/.ohmkit-upload-zzz999", ".ohmkit-upload-abc123/x.pdf",
                             "ICs/../.ohmkit-upload-abc123"}) {
        EXPECT_EQ(policy.confinedPath(base_, name, false), std::nullopt) << name;
        EXPECT_EQ(policy.confinedPath(base_, name, true), std::nullopt) << name;
    }
    EXPECT_EQ(policy.confinedPath(base_, "-draft.pdf", false), at("-draft.pdf"));
    EXPECT_FALSE(policy.mayEnter(at(".ohmkit-upload-abc123")));
    EXPECT_TRUE(policy.mayEnter(at("ICs")));
}

TEST_F(StoreRulesTest, AFileDeleteNeverTakesAFolder)
{
    std::string problem;
    EXPECT_EQ(removeFile(at("ICs"), problem), Removal::isDirectory);
    EXPECT_TRUE(fs::exists(at("ICs/NE555.pdf")));
    EXPECT_EQ(removeFile(at("missing.pdf"), problem), Removal::missing);
    EXPECT_EQ(removeFile(at("link"), problem), Removal::removed);   // the link, not what it leads to
    EXPECT_TRUE(fs::exists(at("ICs/NE555.pdf")));
    EXPECT_EQ(removeFile(at("sheet.pdf"), problem), Removal::removed);
    EXPECT_FALSE(fs::exists(at("sheet.pdf")));
}

TEST_F(StoreRulesTest, AFolderDeleteTakesOnlyAnEmptyFolderOrALink)
{
    std::string problem;
    EXPECT_EQ(removeEmptyFolder(at("ICs"), problem), Removal::notEmpty);
    EXPECT_TRUE(fs::exists(at("ICs/old/LM741.pdf")));
    EXPECT_EQ(removeEmptyFolder(at("link"), problem), Removal::removed);
    EXPECT_FALSE(fs::is_symlink(at("link")));
    EXPECT_TRUE(fs::exists(at("ICs/NE555.pdf")));
    EXPECT_EQ(removeEmptyFolder(at("empty"), problem), Removal::removed);
    EXPECT_FALSE(fs::exists(at("empty")));
    EXPECT_EQ(removeEmptyFolder(at("sheet.pdf"), problem), Removal::failed);
    EXPECT_FALSE(problem.empty());
    EXPECT_EQ(removeEmptyFolder(at("missing"), problem), Removal::missing);
}

TEST_F(StoreRulesTest, AConfirmedDeleteTakesAFolderWithWhatItHoldsAndKnowsHowMuch)
{
    EXPECT_EQ(countFiles(at("ICs")), 2u);
    EXPECT_EQ(countFiles(at("empty")), 0u);
    EXPECT_EQ(countFiles(base_), 4u);   // the link counts as one entry, not followed
    std::string problem;
    EXPECT_EQ(removeTree(at("ICs"), problem), Removal::removed);
    EXPECT_FALSE(fs::exists(at("ICs")));
    EXPECT_EQ(removeTree(at("ICs"), problem), Removal::missing);
}

}  // namespace
}  // namespace ohmkit::store
