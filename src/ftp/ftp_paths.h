#pragma once
// Path and word helpers of the FTP server: how a command line becomes words, how the words
// become a name, and how names become absolute paths on this machine.
//
// Everything here is pure text work except resolveSymlinksInPath(), which reads the file
// system (lstat, readlink) and never changes it.
#include <string>
#include <string_view>
#include <vector>

namespace ohmkit::ftp {

// Splits a command line at every single blank. Two blanks in a row give an empty word between
// them; a TAB is not a separator. An empty line gives one empty word.
std::vector<std::string> splitCommandWords(std::string_view line);

// Removes newline characters (LF, VT, FF, CR, NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR) from
// both ends of a UTF-8 text. Blanks stay.
std::string trimNewlines(std::string_view text);

// True for the commands whose argument names a file or folder ("cwd", "mkd", "rmd", "stor",
// "appe", "dele", "size", "mdtm", "retr", "rnfr", "rnto"), in any letter case. Only these keep an argument
// that begins with "-"; the others treat such a word as an option and skip it.
bool isFileCommand(std::string_view word);

// The name argument of a command line: the words after word 0, options skipped for the
// commands that take options, joined again with single blanks (so a run of blanks in a name
// survives). An empty word is never an option. Empty when there are no arguments.
std::string fileNameFromArgs(const std::vector<std::string>& words);

// Joins two paths with exactly one "/" between them; a leading "/" of `component` does not
// make it absolute. Joining an empty component gives `path` unchanged.
std::string appendPathComponent(std::string_view path, std::string_view component);

// Lexical clean-up: removes empty and "." components and, in an absolute path, each ".."
// together with the component before it ("/.." stays "/"). Trailing "/" removed except for "/".
std::string standardizePath(std::string_view path);

// For an absolute path: replaces every symbolic link by its target and removes "." and ".."
// in the order the system would follow them. Components that do not exist stay as written.
// With `followLast` false a link in the last component stays itself (for commands that act on
// a name, not on what it points to). A relative path is returned unchanged. More links than
// the system itself follows (40) give the empty text: no such path can be opened as checked.
std::string resolveSymlinksInPath(std::string_view path, bool followLast = true);

// True when `path` is `base` itself or lies under it: equal to `base`, or beginning with
// `base` followed by "/". Both are expected in canonical form (no trailing "/" except "/").
bool isPathInside(std::string_view base, std::string_view path);

// Removes the last component of a path as the client sees it: "/sub/deeper/" gives "/sub",
// "/sub" gives "/", "/" stays "/".
std::string deletingLastPathComponent(std::string_view path);

}  // namespace ohmkit::ftp
