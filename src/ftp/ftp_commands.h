#pragma once
// The server's command table: one row per command word. A row names the handler and says
// what the dispatcher checks before calling it: whether the command needs an argument (501
// without one) and whether its argument is a path inside the store, which the dispatcher
// resolves and confines (550, or 553 for uploads, when it leads outside) and hands to the
// handler. Adding a command is one row and one handler.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ohmkit::ftp {

class FtpConnection;

// How a row's argument names something in the store.
enum class PathArgument {
    none,            // not a path the dispatcher resolves
    followed,        // a path whose links are followed (read, list, size)
    itself,          // the entry itself, a link in its last component not followed (create, change)
    itselfNotStore,  // the same, and never the store's own folder (delete, rename)
};

struct CommandRow {
    std::string_view word;   // lower case
    // nullptr: the word is known to the table but has no handler (ACK), and is answered like
    // an unknown word.
    void (FtpConnection::*handler)(const std::vector<std::string>& words);
    bool needsArgument;
    PathArgument path;
    bool upload = false;     // a refused path answers 553 instead of 550
};

std::span<const CommandRow> commandTable();
// The row of a command word in any letter case; nullptr for a word in no row.
const CommandRow* findCommand(std::string_view word);

}  // namespace ohmkit::ftp
