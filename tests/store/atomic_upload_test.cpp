#include "store/atomic_upload.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace ohmkit::store;
namespace fs = std::filesystem;

namespace {

struct Folder {
    fs::path path;
    Folder()
    {
        char pattern[] = "/tmp/ohmkit-upload-test-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~Folder() { fs::remove_all(path); }
    std::string at(const std::string& name) const { return (path / name).native(); }
    void write(const std::string& name, const std::string& bytes) const { std::ofstream(at(name), std::ios::binary) << bytes; }
    std::string read(const std::string& name) const
    {
        std::ifstream in(at(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> all;
        for (const auto& entry : fs::recursive_directory_iterator(path)) all.push_back(entry.path().lexically_relative(path));
        std::sort(all.begin(), all.end());
        return all;
    }
};

TEST(AtomicUpload, TemporaryNamesFollowOnePatternOnly)
{
    const std::pair<const char*, bool> cases[] = {
        {".ohmkit-upload-Ab3dE9", true},  {".ohmkit-upload-000000", true},   {".ohmkit-upload-Ab3dE", false},
        {".ohmkit-upload-Ab3dE90", false}, {"ohmkit-upload-Ab3dE9", false},   {".ohmkit-upload-Ab3d-9", false},
        {".ohmkit-upload-Ab3dE9.pdf", false}, {".ohmkit-upload-", false},     {".hidden", false},
        {"", false},                       {"LM317.pdf", false},             {".ohmkit-upload-Ab3d\xc3\xa9", false},
    };
    for (auto [name, temporary] : cases) EXPECT_EQ(isUploadTemporaryName(name), temporary) << name;
}

TEST(AtomicUpload, TheTargetChangesOnlyAtCommit)
{
    Folder folder;
    folder.write("sheet.pdf", "old contents");
    auto upload = AtomicUpload::begin(folder.at("sheet.pdf"));
    ASSERT_NE(upload, nullptr);
    const std::string temporary = fs::path(upload->temporaryPath()).filename();
    EXPECT_TRUE(isUploadTemporaryName(temporary)) << temporary;
    EXPECT_EQ(fs::path(upload->temporaryPath()).parent_path(), folder.path);
    ASSERT_TRUE(upload->write("new "));
    ASSERT_TRUE(upload->write("contents"));
    EXPECT_EQ(folder.read("sheet.pdf"), "old contents");
    ASSERT_TRUE(upload->commit());
    EXPECT_EQ(folder.read("sheet.pdf"), "new contents");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"sheet.pdf"});
    upload.reset();   // a committed upload leaves its file when destroyed
    EXPECT_EQ(folder.read("sheet.pdf"), "new contents");
}

TEST(AtomicUpload, AnAbandonedUploadLeavesNothingAndTheOldFileIntact)
{
    Folder folder;
    folder.write("keep.pdf", "old contents");
    {
        auto dropped = AtomicUpload::begin(folder.at("keep.pdf"));
        ASSERT_NE(dropped, nullptr);
        ASSERT_TRUE(dropped->write("half of the new"));
    }
    auto discarded = AtomicUpload::begin(folder.at("new.pdf"));
    ASSERT_NE(discarded, nullptr);
    discarded->discard();
    discarded->discard();
    EXPECT_FALSE(discarded->commit());
    EXPECT_EQ(folder.names(), std::vector<std::string>{"keep.pdf"});
    EXPECT_EQ(folder.read("keep.pdf"), "old contents");
}

TEST(AtomicUpload, AFailedCommitLeavesNothing)
{
    Folder folder;
    fs::create_directory(folder.at("a folder"));
    auto upload = AtomicUpload::begin(folder.at("a folder"));   // a file cannot replace a folder
    ASSERT_NE(upload, nullptr);
    EXPECT_FALSE(upload->commit());
    EXPECT_EQ(folder.names(), std::vector<std::string>{"a folder"});
    EXPECT_EQ(AtomicUpload::begin(folder.at("missing folder/x.pdf")), nullptr);
}

TEST(AtomicUpload, LeftoversAreRemovedEverywhereButHeldOnesAndOthersStay)
{
    Folder folder;
    Folder outside;
    fs::create_directories(folder.at("sub/deeper"));
    folder.write(".ohmkit-upload-Crash1", "x");
    folder.write("sub/deeper/.ohmkit-upload-Crash2", "x");
    folder.write(".ohmkit-upload-Crash3.pdf", "not ours");
    folder.write(".hidden", "not ours");
    folder.write("sheet.pdf", "not ours");
    outside.write(".ohmkit-upload-Away11", "behind a link");
    fs::create_directory_symlink(outside.path, folder.at("link"));
    auto running = AtomicUpload::begin(folder.at("sub/running.pdf"));
    ASSERT_NE(running, nullptr);
    const std::string held = fs::path(running->temporaryPath()).lexically_relative(folder.path);

    EXPECT_EQ(removeLeftoverUploads(folder.path), 2u);
    std::vector<std::string> expected = {".hidden", ".ohmkit-upload-Crash3.pdf", "link", "sheet.pdf", "sub",
                                         "sub/deeper", held};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folder.names(), expected);
    EXPECT_TRUE(fs::exists(outside.at(".ohmkit-upload-Away11")));
    EXPECT_EQ(removeLeftoverUploads(folder.at("no such folder")), 0u);
}

}  // namespace
