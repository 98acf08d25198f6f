#pragma once
// Localized string tables: the stand-in for the platform's bundle string tables.
//
// A table named NAME is the resource file NAME.strings (found with resourcePath(NAME,
// "strings"), normally resources/strings/NAME.strings). Its format is the platform's:
//     /* comment */  // comment
//     "KEY" = "value";
// with the escapes \" \\ \n \t inside quotes. Tables are read once and kept.
#include <map>
#include <optional>
#include <string>

namespace ohmkit::platform {

// The value of `key` in `table`; when the table or the key is missing, `defaultValue`, or the
// key itself when no default is given (or it is empty).
std::string localizedString(const std::string& key, const std::string& table, const std::string& defaultValue = {});

// Parses the text of a table file; nullopt when it is malformed.
std::optional<std::map<std::string, std::string>> parseStringsTable(const std::string& text);

// Forgets the tables read so far (for tests that point OHMKIT_RESOURCES elsewhere).
void clearStringTables();

}  // namespace ohmkit::platform
