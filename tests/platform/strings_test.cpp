// String tables: the file format and the look-up with its fallbacks.
#include "platform/strings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace ohmkit::platform;

TEST(StringsTable, ParsesQuotedPairsCommentsAndEscapes)
{
    auto table = parseStringsTable("/* header\n comment */\n"
                                   "\"A\" = \"first\";\n"
                                   "// line comment\n"
                                   "  \"B key\"=\"with \\\"quotes\\\" and \\\\ and\\nnew line\" ;\n"
                                   "\"C\" = \"\";");
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->size(), 3u);
    EXPECT_EQ(table->at("A"), "first");
    EXPECT_EQ(table->at("B key"), "with \"quotes\" and \\ and\nnew line");
    EXPECT_EQ(table->at("C"), "");
    EXPECT_TRUE(parseStringsTable("").has_value());
}

TEST(StringsTable, RejectsMalformedText)
{
    EXPECT_FALSE(parseStringsTable("\"A\" = \"x\"").has_value());        // no semicolon
    EXPECT_FALSE(parseStringsTable("\"A\" \"x\";").has_value());         // no equals sign
    EXPECT_FALSE(parseStringsTable("\"A\" = \"x;").has_value());         // open quote
    EXPECT_FALSE(parseStringsTable("/* never closed").has_value());
    EXPECT_FALSE(parseStringsTable("A = \"x\";").has_value());           // unquoted key
}

TEST(LocalizedString, ReadsTheEventSocketTable)
{
    EXPECT_EQ(localizedString("EventSocketReadTimeoutError", "EventSocket", "default"), "Read operation timed out");
}

TEST(LocalizedString, FallsBackToTheDefaultThenToTheKey)
{
    EXPECT_EQ(localizedString("NoSuchKey", "EventSocket", "the default"), "the default");
    EXPECT_EQ(localizedString("NoSuchKey", "EventSocket"), "NoSuchKey");
    EXPECT_EQ(localizedString("NoSuchKey", "NoSuchTable", "fallback"), "fallback");
}

TEST(LocalizedString, TablesComeFromTheResourceFolder)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("ohmkit-strings-" + std::to_string(::getpid()));
    fs::create_directories(dir / "strings");
    std::ofstream(dir / "strings" / "Test.strings") << "\"NETWORK_ERROR\" = \"No network\";\n";
    const char* previous = std::getenv("OHMKIT_RESOURCES");
    std::string saved = previous ? previous : "";
    ::setenv("OHMKIT_RESOURCES", dir.c_str(), 1);
    clearStringTables();
    EXPECT_EQ(localizedString("NETWORK_ERROR", "Test"), "No network");
    if (previous)
        ::setenv("OHMKIT_RESOURCES", saved.c_str(), 1);
    else
        ::unsetenv("OHMKIT_RESOURCES");
    clearStringTables();
    fs::remove_all(dir);
}
