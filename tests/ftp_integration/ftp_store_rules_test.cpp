// The store's rules as FTP clients meet them: the names of uploads in progress are nobody's,
// every path command takes the rest of its line as the name, and deletes never take a folder
// with what it holds.
#include "ftp_server_fixture_support.h"

#include "ftp/ftp_commands.h"

#include <unistd.h>

#include <climits>
#include <filesystem>

namespace ohmkit::ftp::test {
namespace {

namespace fs = std::filesystem;

TEST(FtpCommandTable, EveryPathCommandTakesTheRestOfTheLine)
{
    for (const CommandRow& row : commandTable()) {
        if (row.path == PathArgument::none) continue;
        // Only the listings take ls options before their path; any other name that begins
        // with "-" is a name.
        const bool listing = row.word == "list" || row.word == "nlst";
        EXPECT_EQ(row.argument, listing ? ArgumentKind::optionsThenPath : ArgumentKind::restOfLine) << row.word;
    }
}

TEST_F(FtpServerTest, TheNamesOfUploadsInProgressAreRefusedSoNoFileIsLostAtTheNextStart)
{
    writeFileBytes(path("keep.txt"), "keep");
    runClient([&] {
        ControlClient c = login();
        EXPECT_EQ(c.command("STOR .ohmkit-upload-abc123"), "553 .ohmkit-upload-abc123: Permission denied.");
        EXPECT_EQ(c.command("RNFR keep.txt"), "350 RNFR command successful.");
        EXPECT_EQ(c.command("RNTO .ohmkit-upload-zzz999"), "550 .ohmkit-upload-zzz999: Permission denied.");
        EXPECT_EQ(c.command("MKD .ohmkit-upload-dir999"), "550 .ohmkit-upload-dir999: Permission denied.");
        EXPECT_EQ(c.command("MKD sub"), "257 \"/sub\" created.");
        EXPECT_EQ(c.command("STOR sub/.ohmkit-upload-abc123"), "553 sub/.ohmkit-upload-abc123: Permission denied.");
    });
    restartWith({});   // a new start removes what passes for unfinished uploads
    EXPECT_EQ(namesIn(base_), (std::vector<std::string>{"keep.txt", "sub"}));
    EXPECT_EQ(readFileBytes(path("keep.txt")), "keep");
}

TEST_F(FtpServerTest, ANameBeginningWithADashIsANameForEveryPathCommand)
{
    writeFileBytes(path("-draft.pdf"), "draft");
    writeFileBytes(path("other.pdf"), "other");
    runClient([&] {
        ControlClient c = login();
        c.send("MLST -draft.pdf");
        const std::vector<std::string> facts = c.readReply();
        ASSERT_EQ(facts.size(), 3u);
        EXPECT_EQ(facts[0], "250-Listing -draft.pdf");
        EXPECT_NE(facts[1].find("type=file;size=5;"), std::string::npos) << facts[1];
        EXPECT_NE(facts[1].find(" -draft.pdf"), std::string::npos) << facts[1];
        const std::pair<const char*, const char*> steps[] = {
            {"SIZE -draft.pdf", "213 5"},
            {"MKD -old", "257 \"/-old\" created."},
            {"CWD -old", "250 CWD command successful."},
            {"CWD /", "250 CWD command successful."},
            {"RMD -old", "250 RMD command successful."},
            {"RNFR -draft.pdf", "350 RNFR command successful."},
            {"RNTO -final.pdf", "250 RNTO command successful."},
            {"DELE -final.pdf", "250 DELE command successful."},
        };
        for (auto [command, reply] : steps) EXPECT_EQ(c.command(command), reply) << command;
    });
    EXPECT_EQ(namesIn(base_), std::vector<std::string>{"other.pdf"});
}

TEST_F(FtpServerTest, RmdTakesOnlyAnEmptyFolderAndDeleNoFolder)
{
    fs::create_directories(path("ICs/old"));
    writeFileBytes(path("ICs/NE555.pdf"), "555");
    writeFileBytes(path("ICs/old/LM741.pdf"), "741");
    fs::create_directory(path("empty"));
    fs::create_directory_symlink(path("ICs"), path("shortcut"));
    runClient([&] {
        ControlClient c = login();
        const std::pair<const char*, const char*> steps[] = {
            {"RMD ICs", "550 ICs: Directory not empty."},
            {"DELE ICs", "550 ICs: Is a directory."},
            {"RMD shortcut", "250 RMD command successful."},   // the link goes, not what it leads to
            {"RMD empty", "250 RMD command successful."},
            {"RMD empty", "550 empty No such file or directory."},
            {"DELE ICs/old/LM741.pdf", "250 DELE command successful."},
            {"RMD ICs/old", "250 RMD command successful."},
        };
        for (auto [command, reply] : steps) EXPECT_EQ(c.command(command), reply) << command;
    });
    EXPECT_EQ(namesIn(base_), std::vector<std::string>{"ICs"});
    EXPECT_EQ(namesIn(path("ICs")), std::vector<std::string>{"NE555.pdf"});
}

TEST_F(FtpServerTest, StartingLeavesTheWorkingDirectoryAlone)
{
    char before[PATH_MAX];
    ASSERT_NE(::getcwd(before, sizeof before), nullptr);
    restartWith({});
    char after[PATH_MAX];
    ASSERT_NE(::getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(before, after);
    EXPECT_EQ(server_->baseDir(), fs::canonical(base_).string());
}

}  // namespace
}  // namespace ohmkit::ftp::test
