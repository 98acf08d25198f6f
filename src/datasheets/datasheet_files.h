#pragma once
// What the datasheet list shows about each file of the store, and how it narrows and orders
// them: sizes in human units, dates, a type per file, a case-insensitive filter and a natural
// name order.
//
// Case is folded with Unicode case folding on the composed form of a name, so "lm317" finds
// "LM317.pdf" and "Ä" matches "ä" however the name was encoded. Names that are not UTF-8 are
// compared with ASCII letters folded.
#include "platform/text.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/document_kind.h"

namespace ohmkit::datasheets {

// A document's kind is the web view's notion of what it can show.
using ui::DocumentKind;
using ui::documentKindOfFile;

// One entry of the store as the list shows it.
struct DatasheetFile {
    std::string name;
    bool folder = false;
    std::uint64_t size = 0;        // bytes; 0 for a folder
    std::int64_t modified = 0;     // seconds since the epoch; 0 when unknown
    DocumentKind kind = DocumentKind::Unsupported;
};

// Reads the entry `name` of the folder `dir` (links followed; an entry that cannot be read
// keeps its name and the defaults).
DatasheetFile describeFile(const std::string& dir, const std::string& name);

using platform::humanSize;   // shared with the browser server's page
using platform::shortDate;
// The second line of a row: "1.5 MB · 2024-05-01 14:32", "Folder · 2024-05-01 14:32".
std::string fileDetail(const DatasheetFile& file);
// What kind of file it is, in words: "PDF document", "Image", "Text", "Web page", "Folder",
// "ZIP file" (the extension of a file the viewer cannot show) or "File".
std::string typeDescription(const DatasheetFile& file);
// The name of the row's icon: "doc_pdf", "doc_image", "doc_text", "doc_folder" or "doc_other".
const char* iconName(const DatasheetFile& file);

// The text with its case folded (for comparisons only).
std::string foldCase(std::string_view text);
// True when `name` contains `filter`, case folded; blanks around the filter are ignored and
// an empty filter matches every name.
bool nameMatches(std::string_view name, std::string_view filter);
// Natural, case-insensitive order: runs of digits compare by their value ("LM358" before
// "LM1117"); names equal in that order fall back to their bytes. Negative, 0 or positive.
int naturalCompare(std::string_view a, std::string_view b);

// Deleting and renaming an entry of the store `dir` from the list. Names are refused exactly
// as the FTP server refuses them for DELE, RNFR and RNTO (an empty name, a name that leads out
// of the store or to the store itself, links and dots resolved); a folder is deleted with
// everything in it. The result is empty on success, else what went wrong, in words.
std::string deleteStoreEntry(const std::string& dir, const std::string& name);
std::string renameStoreEntry(const std::string& dir, const std::string& from, const std::string& to);

}  // namespace ohmkit::datasheets
