#include "store/path_policy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace ohmkit::store {
namespace {

namespace fs = std::filesystem;

// A store with a folder and a link that leads out of it, beside a sibling whose name starts
// with the store's.
class PathPolicyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::canonical(fs::temp_directory_path()) / ("ohmkit-paths-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "store" / "sub");
        fs::create_directories(root_ / "storeX");
        fs::create_directory_symlink(root_ / "storeX", root_ / "store" / "sub" / "out");
        base_ = (root_ / "store").string();
        sub_ = base_ + "/sub";
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root_;
    std::string base_;
    std::string sub_;
};

TEST_F(PathPolicyTest, NamesResolveFromTheCurrentFolderOrTheBaseAndStayInside)
{
    const PathPolicy policy(base_, true);
    struct Case {
        std::string name;
        bool followLast;
        std::optional<std::string> path;   // from the store's folder; nullopt: refused
    } cases[] = {
        {"a.pdf", true, "/sub/a.pdf"},
        {"/a.pdf", true, "/a.pdf"},
        {"./x/../b.pdf", true, "/sub/b.pdf"},
        {"..", true, ""},
        {"../..", true, std::nullopt},
        {"/../../etc/passwd", true, std::nullopt},
        {"out/x.pdf", true, std::nullopt},              // through a link that leads out
        {"out", true, std::nullopt},
        {"out", false, "/sub/out"},                     // the link itself is inside
        {std::string("a\0b", 3), true, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = policy.confinedPath(sub_, c.name, c.followLast);
        if (!c.path) {
            EXPECT_FALSE(got.has_value()) << c.name << " gave " << got.value_or("");
        } else {
            EXPECT_EQ(got, base_ + *c.path) << c.name;
        }
    }
}

TEST_F(PathPolicyTest, WithoutConfinementAbsoluteNamesAreTakenAsTheyAre)
{
    const PathPolicy policy(base_, false);
    EXPECT_EQ(policy.confinedPath(sub_, "/etc/hostname", true), "/etc/hostname");
    EXPECT_EQ(policy.confinedPath(sub_, "../..", true), root_.string());
    EXPECT_TRUE(policy.mayEnter("/"));
    EXPECT_EQ(policy.visiblePath(sub_), sub_);
}

TEST_F(PathPolicyTest, FoldersAClientMayEnterAndHowItSeesThem)
{
    const PathPolicy policy(base_, true);
    EXPECT_TRUE(policy.mayEnter(base_));
    EXPECT_TRUE(policy.mayEnter(sub_));
    EXPECT_FALSE(policy.mayEnter((root_ / "storeX").string()));   // a sibling, not a folder inside
    EXPECT_FALSE(policy.mayEnter(root_.string()));
    EXPECT_TRUE(policy.isBase(base_));
    EXPECT_FALSE(policy.isBase(sub_));

    EXPECT_EQ(policy.visiblePath(base_), "/");
    EXPECT_EQ(policy.visiblePath(sub_), "/sub/");
    EXPECT_EQ(policy.rootedPath(sub_, ""), sub_);
    EXPECT_EQ(policy.rootedPath(sub_, ".."), base_);
    EXPECT_EQ(policy.rootedPath(base_, "/sub"), sub_);
    EXPECT_EQ(policy.rootedPath(base_, "sub/out"), (root_ / "storeX").string());   // links resolved
}

}  // namespace
}  // namespace ohmkit::store
