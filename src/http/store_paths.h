#pragma once
// Where a store path ("ICs/old/LM741.pdf", names already checked one by one) lies on disk,
// kept inside the store even through links, and the folder operations of the browser page:
// deleting a file or an empty folder, making a folder. Answers carry the HTTP status and the
// sentence the page shows.
#include <string>
#include <string_view>

namespace ohmkit::http {

// The real path of the store folder `dir` ("" for the top) under `root`; empty when it does
// not exist, is not a folder, or lies outside the store once links are followed.
std::string confinedFolder(const std::string& root, std::string_view dir);

struct StoreAnswer {
    unsigned status = 200;
    std::string text;      // one sentence, without a line end
    bool changed = false;  // the store's list changed
};

// Deletes the file or the empty folder `path`. A folder that holds anything is kept (409):
// its files are deleted first, one by one, as over FTP.
StoreAnswer deleteEntry(const std::string& root, std::string_view path);
// Makes the folder `path` in its existing parent folder.
StoreAnswer makeFolder(const std::string& root, std::string_view path);

// What `path` is: 0 missing, 'f' a file, 'd' a folder; `items` gets a folder's entry count.
char entryKind(const std::string& root, std::string_view path, std::size_t* items = nullptr);

}  // namespace ohmkit::http
