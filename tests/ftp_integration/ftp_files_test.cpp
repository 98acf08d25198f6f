// Directory changes, file commands, and the confinement of every name to the store.
#include "ftp_server_fixture_support.h"

#include <sys/stat.h>

#include <filesystem>

namespace ohmkit::ftp::test {
namespace {

namespace fs = std::filesystem;

TEST_F(FtpServerTest, DirectoryChangesStayInsideTheStore)
{
    fs::create_directories(path("sub/deeper"));
    writeFileBytes(path("file"), "f");
    fs::create_directory(root_ + "/store2");   // a sibling whose name starts like the store's
    runClient([&] {
        ControlClient c = login();
        const std::pair<const char*, const char*> steps[] = {
            {"CWD sub", "250 CWD command successful."},
            {"PWD", "257 \"/sub/\" is the current directory."},
            {"CWD deeper", "250 CWD command successful."},
            {"PWD", "257 \"/sub/deeper/\" is the current directory."},
            {"CDUP", "250 CDUP command successful."},
            {"PWD", "257 \"/sub/\" is the current directory."},
            {"CWD /", "250 CWD command successful."},
            {"CDUP", "250 CDUP command successful."},
            {"PWD", "257 \"/\" is the current directory."},
            {"CWD ..", "550 CWD failed."},
            {"CWD ../store2", "550 CWD failed."},
            {"CWD file", "550 CWD failed."},
            {"CWD missing", "550 CWD failed."},
            {"CWD /sub/deeper", "250 CWD command successful."},
            {"CWD /sub", "250 CWD command successful."},
            {"PWD", "257 \"/sub/\" is the current directory."},
        };
        for (auto [command, reply] : steps) EXPECT_EQ(c.command(command), reply) << command;
    });
}

TEST_F(FtpServerTest, FileCommandsReplyAsTheyShould)
{
    writeFileBytes(path("small"), std::string(10239, 's'));
    writeFileBytes(path("limit"), std::string(10240, 'l'));
    fs::create_directories(path("full/inner"));
    writeFileBytes(path("huge"), "");
    fs::resize_file(path("huge"), 5ULL << 30);   // sparse: takes no room
    writeFileBytes(path("full/inner/x"), "x");
    writeFileBytes(path("taken"), "taken");
    // A folder answers with its own size, and only below 10240 bytes.
    struct stat folder{};
    ASSERT_EQ(::stat(path("full").c_str(), &folder), 0);
    const std::string folderReply = folder.st_size < 10240 ? "213 " + std::to_string(folder.st_size)
                                                           : "550 full file too large for SIZE.";
    runClient([&] {
        ControlClient c = login();
        const std::pair<std::string, std::string> steps[] = {
            {"SIZE small", "213 10239"},
            {"SIZE limit", "213 10240"},
            {"SIZE huge", "213 5368709120"},
            {"SIZE full", folderReply},
            {"SIZE nothing", "550 nothing No such file or directory."},
            {"RETR full", "550 full: Not a plain file."},
            {"RETR no such.pdf", "550 no such.pdf No such file or directory."},
            {"MKD a/b/c", "257 \"/a/b/c\" created."},
            {"MKD say \"hi\"", "257 \"/say \"\"hi\"\"\" created."},
            {"MKD a", "550 Error a exists"},
            {"RNTO x", "550 RNTO command failed."},
            {"RNFR missing", "550 RNFR command failed."},
            {"RNFR small", "350 RNFR command successful."},
            {"RNTO taken", "550 RNTO command failed."},   // never replaces
            {"RNTO a/moved", "250 RNTO command successful."},
            {"DELE full", "550 full: Is a directory."},     // a folder goes only by RMD,
            {"RMD a", "550 a: Directory not empty."},      // and only when it is empty
            {"DELE gone", "550 gone No such file or directory."},
        };
        for (auto [command, reply] : steps) EXPECT_EQ(c.command(command), reply) << command;
    });
    EXPECT_EQ(readFileBytes(path("taken")), "taken");
    EXPECT_TRUE(fs::exists(path("full/inner/x")));
    EXPECT_TRUE(fs::exists(path("a/moved")));
    EXPECT_TRUE(fs::is_directory(path("say \"hi\"")));
    EXPECT_FALSE(fs::exists(path("small")));
    EXPECT_EQ(observer_->fileListChanged.load(), 1);   // the rename
}

TEST_F(FtpServerTest, NamesLeadingOutsideTheStoreAreRefused)
{
    fs::create_directory(root_ + "/store2");
    writeFileBytes(root_ + "/store2/secret", "secret");
    fs::create_directory_symlink(root_ + "/store2", path("away"));
    writeFileBytes(path("mine"), "mine");
    runClient([&] {
        ControlClient c = login();
        const std::pair<const char*, const char*> steps[] = {
            {"RETR ../store2/secret", "550 ../store2/secret: Permission denied."},
            {"RETR away/secret", "550 away/secret: Permission denied."},
            {"RETR /../store2/secret", "550 /../store2/secret: Permission denied."},
            {"SIZE away/secret", "550 away/secret: Permission denied."},
            {"STOR ../planted", "553 ../planted: Permission denied."},
            {"STOR away/planted", "553 away/planted: Permission denied."},
            {"DELE ../store2/secret", "550 ../store2/secret: Permission denied."},
            {"RMD away/..", "550 away/..: Permission denied."},
            {"MKD ../made", "550 ../made: Permission denied."},
            {"RNFR away/secret", "550 away/secret: Permission denied."},
            {"LIST ../store2", "550 ../store2: Permission denied."},
            {"NLST away", "550 away: Permission denied."},
            {"RNFR mine", "350 RNFR command successful."},
            {"RNTO ../store2/taken", "550 ../store2/taken: Permission denied."},
        };
        for (auto [command, reply] : steps) EXPECT_EQ(c.command(command), reply) << command;
    });
    EXPECT_EQ(readFileBytes(root_ + "/store2/secret"), "secret");
    EXPECT_FALSE(fs::exists(root_ + "/planted"));
    EXPECT_FALSE(fs::exists(root_ + "/store2/planted"));
    EXPECT_FALSE(fs::exists(root_ + "/made"));
    EXPECT_TRUE(fs::exists(path("mine")));
}

// The file calls would read a name only up to a NUL, after the whole name had been checked:
// every such line is refused before anything is touched, the two that would empty the store
// included.
TEST_F(FtpServerTest, ANulInANameIsRefusedForEveryCommand)
{
    fs::create_directories(path("sub/inner"));
    writeFileBytes(path("sheet.pdf"), "datasheet");
    writeFileBytes(root_ + "/outside.txt", "outside");
    const std::string nul(1, '\0');
    const std::string lines[] = {
        "RETR ../outside.txt" + nul + "/../sheet.pdf",
        "SIZE ../outside.txt" + nul + "/x",
        "LIST .." + nul + "/x",
        "NLST .." + nul + "/x",
        "STOR ../planted" + nul + "/x",
        "DELE ../outside.txt" + nul + "/x",
        "RMD sub/.." + nul + "/x",
        "DELE ." + nul + "/x",
        "MKD ../made" + nul + "/x",
        "RNFR ../outside.txt" + nul + "/x",
        "RNFR sheet.pdf",
        "RNTO ../moved" + nul + "/x",
        "CWD .." + nul + "/x",
        "MLST a" + nul + "b",
        "USER a" + nul,
    };
    runClient([&] {
        ControlClient c = login();
        Socket data = c.openPassive();
        for (const std::string& line : lines) {
            c.send(line);
            const std::string expected = line == "RNFR sheet.pdf" ? "350 RNFR command successful."
                                                                  : "501 Syntax error in parameters or arguments.";
            EXPECT_EQ(c.readLine(), expected) << line.substr(0, line.find('\0'));
        }
        EXPECT_EQ(c.command("PWD"), "257 \"/\" is the current directory.");
        EXPECT_TRUE(c.quietFor(100));   // nothing went out on the data connection either
    });
    EXPECT_EQ(readFileBytes(path("sheet.pdf")), "datasheet");
    EXPECT_TRUE(fs::is_directory(path("sub/inner")));
    EXPECT_EQ(readFileBytes(root_ + "/outside.txt"), "outside");
    EXPECT_FALSE(fs::exists(root_ + "/planted"));
    EXPECT_FALSE(fs::exists(root_ + "/made"));
    EXPECT_FALSE(fs::exists(root_ + "/moved"));
}

// A command that acts on a name (delete, rename, replace) acts on a link itself, never on what
// it points to; one that reads (download, size, listing) follows it and must stay inside.
TEST_F(FtpServerTest, LinksAreActedOnAsThemselvesAndReadThroughOnlyInside)
{
    fs::create_directory(root_ + "/outside");
    writeFileBytes(root_ + "/outside/secret", "secret");
    fs::create_directory_symlink(root_ + "/outside", path("away"));
    fs::create_directory(path("sub"));
    writeFileBytes(path("sub/target.pdf"), "target");
    fs::create_symlink("sub/target.pdf", path("alias.pdf"));
    fs::create_symlink("sub", path("subalias"));
    runClient([&] {
        ControlClient c = login();
        const std::pair<const char*, const char*> steps[] = {
            {"SIZE alias.pdf", "213 6"},
            {"SIZE away/secret", "550 away/secret: Permission denied."},
            {"LIST away", "550 away: Permission denied."},
            {"RNFR away", "350 RNFR command successful."},
            {"RNTO sub/moved away", "250 RNTO command successful."},
            {"DELE sub/moved away", "250 DELE command successful."},
            {"DELE subalias", "250 DELE command successful."},
            {"RMD alias.pdf", "250 RMD command successful."},
        };
        for (auto [command, reply] : steps) EXPECT_EQ(c.command(command), reply) << command;
    });
    EXPECT_EQ(readFileBytes(root_ + "/outside/secret"), "secret");
    EXPECT_EQ(readFileBytes(path("sub/target.pdf")), "target");
    EXPECT_FALSE(fs::exists(fs::symlink_status(path("away"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(path("subalias"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(path("alias.pdf"))));
}

TEST_F(FtpServerTest, TheStoreItselfIsNeverRemovedOrRenamed)
{
    fs::create_directory(path("sub"));
    writeFileBytes(path("keep"), "keep");
    runClient([&] {
        ControlClient c = login();
        const std::pair<const char*, const char*> steps[] = {
            {"DELE /", "550 /: Permission denied."},
            {"DELE .", "550 .: Permission denied."},
            {"RMD sub/..", "550 sub/..: Permission denied."},
            {"RNFR .", "550 .: Permission denied."},
            {"RNFR keep", "350 RNFR command successful."},
            {"RNTO /", "550 /: Permission denied."},
        };
        for (auto [command, reply] : steps) EXPECT_EQ(c.command(command), reply) << command;
    });
    EXPECT_EQ(readFileBytes(path("keep")), "keep");
    EXPECT_TRUE(fs::is_directory(path("sub")));
}

}  // namespace
}  // namespace ohmkit::ftp::test
