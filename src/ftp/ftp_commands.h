#pragma once
// The server's command table: one row per command word. A row names the handler and says
// what the dispatcher does before calling it: how the line's argument is read (none, one word,
// the rest of the line, or ls options then a path), whether the command needs one (501
// without), whether it is a path inside the store, which the dispatcher resolves and confines
// (550, or 553 for uploads, when it leads outside) and hands to the handler, whether it opens
// a transfer (425 while another one is under way), and whether the restart point of a REST
// survives it. Adding a command is one row and one handler.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ohmkit::ftp {

class FtpConnection;

// How a row's argument is read from the line.
enum class ArgumentKind {
    none,             // no argument: whatever follows is not looked at
    word,             // words the handler reads one by one (TYPE I, PORT h1,h2,...)
    restOfLine,       // everything after the command word and its blank, as it is: a name
                      // may begin with "-" and hold blanks
    optionsThenPath,  // ls options ("-la") first, then a path (LIST, NLST)
};

// How a row's argument names something in the store.
enum class PathArgument {
    none,            // not a path
    own,             // a path the handler resolves by its own rule (CWD, a wildcard of NLST)
    followed,        // a path whose links are followed (read, list, size)
    itself,          // the entry itself, a link in its last component not followed (create, change)
    itselfNotStore,  // the same, and never the store's own folder (delete, rename)
};

struct CommandRow {
    std::string_view word;   // lower case
    // nullptr: the word is known to the table but has no handler (ACK), and is answered like
    // an unknown word.
    void (FtpConnection::*handler)(const std::vector<std::string>& words);
    ArgumentKind argument;
    bool needsArgument;
    PathArgument path;
    bool upload = false;           // a refused path answers 553 instead of 550
    bool opensTransfer = false;    // refused with 425 while a transfer is under way
    bool keepsRestPoint = false;   // a REST point stays for the command after this one
};

std::span<const CommandRow> commandTable();
// The row of a command word in any letter case; nullptr for a word in no row.
const CommandRow* findCommand(std::string_view word);

}  // namespace ohmkit::ftp
