#pragma once
// Word helpers of the FTP server: how a command line becomes words and the words a name.
// The path helpers are the store's (store/store_paths.h). Pure text work.
#include "store/store_paths.h"

#include <string>
#include <string_view>
#include <vector>

namespace ohmkit::ftp {

using store::appendPathComponent;
using store::isPathInside;
using store::resolveSymlinksInPath;
using store::standardizePath;

// Splits a command line at every single blank. Two blanks in a row give an empty word between
// them; a TAB is not a separator. An empty line gives one empty word.
std::vector<std::string> splitCommandWords(std::string_view line);

// Removes newline characters (LF, VT, FF, CR, NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR) from
// both ends of a UTF-8 text. Blanks stay.
std::string trimNewlines(std::string_view text);

// The argument of a command line: the words after word 0 joined again with single blanks (so
// a run of blanks in a name survives, and the argument is the rest of the line). With
// `takesOptions` (LIST, NLST) words beginning with "-" are ls options and skipped; an empty
// word is never an option. Empty when there are no arguments.
std::string fileNameFromArgs(const std::vector<std::string>& words, bool takesOptions);

// Removes the last component of a path as the client sees it: "/sub/deeper/" gives "/sub",
// "/sub" gives "/", "/" stays "/".
std::string deletingLastPathComponent(std::string_view path);

}  // namespace ohmkit::ftp
