#include "platform/files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace ohmkit::platform;

namespace {

struct TempDir {
    std::string path;
    TempDir()
    {
        char pattern[] = "/tmp/ohmkit-files-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
};

struct EnvVar {
    std::string name;
    std::string old;
    bool had;
    EnvVar(const char* n, const std::string& value) : name(n)
    {
        const char* v = std::getenv(n);
        had = v != nullptr;
        if (had) old = v;
        ::setenv(n, value.c_str(), 1);
    }
    ~EnvVar()
    {
        if (had) ::setenv(name.c_str(), old.c_str(), 1);
        else ::unsetenv(name.c_str());
    }
};

}  // namespace

TEST(DocumentsDirectory, ComesFromTheEnvironmentAndIsCreated)
{
    TempDir tmp;
    {
        EnvVar docs("OHMKIT_DOCUMENTS", tmp.path + "/docs/");
        EXPECT_EQ(documentsDirectory(), tmp.path + "/docs");
        EXPECT_TRUE(fileExists(tmp.path + "/docs"));
    }
    EnvVar unset("OHMKIT_DOCUMENTS", "");
    EnvVar data("XDG_DATA_HOME", tmp.path + "/data");
    EXPECT_EQ(documentsDirectory(), tmp.path + "/data/ohmkit/Documents");
    EXPECT_TRUE(fileExists(tmp.path + "/data/ohmkit/Documents"));
}

// A relative setting names a folder of the working directory, given back absolute and
// canonical, so that whoever uses it later (a server, a second visit) finds the same folder.
TEST(DocumentsDirectory, ARelativeSettingBecomesAnAbsoluteCanonicalPath)
{
    TempDir tmp;
    char before[PATH_MAX];
    ASSERT_NE(::getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(::chdir(tmp.path.c_str()), 0);
    const std::string canonical = std::filesystem::canonical(tmp.path).string();
    {
        EnvVar docs("OHMKIT_DOCUMENTS", "newrel/./store/");
        EXPECT_EQ(documentsDirectory(), canonical + "/newrel/store");
        EXPECT_TRUE(std::filesystem::is_directory(canonical + "/newrel/store"));
        std::filesystem::create_directory_symlink(canonical + "/newrel", canonical + "/shortcut");
        EnvVar linked("OHMKIT_DOCUMENTS", "shortcut/store");
        EXPECT_EQ(documentsDirectory(), canonical + "/newrel/store");
    }
    ASSERT_EQ(::chdir(before), 0);
}

TEST(DirectoryEntries, ListsEveryEntryButDotAndDotDot)
{
    TempDir tmp;
    std::ofstream(tmp.path + "/a.pdf") << "x";
    std::ofstream(tmp.path + "/.hidden") << "x";
    ::mkdir((tmp.path + "/sub").c_str(), 0700);
    auto names = directoryEntries(tmp.path);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "a.pdf", "sub"}));
    EXPECT_TRUE(directoryEntries(tmp.path + "/missing").empty());
}

TEST(BackupMark, SetsTheAttributeOrCountsAsMarked)
{
    TempDir tmp;
    std::string file = tmp.path + "/sheet.pdf";
    std::ofstream(file) << "x";
    std::string error;
    EXPECT_TRUE(setExcludedFromBackup(file, &error)) << error;
    EXPECT_FALSE(setExcludedFromBackup(tmp.path + "/missing", &error));
    EXPECT_FALSE(error.empty());
}

TEST(FileSystemSpace, ReadsTheFileSystemOrNothing)
{
    auto total = fileSystemSize("/tmp");
    auto free = fileSystemFreeSize("/tmp");
    ASSERT_TRUE(total && free);
    EXPECT_GE(*total, *free);
    EXPECT_FALSE(fileSystemSize("/no/such/folder"));
}
