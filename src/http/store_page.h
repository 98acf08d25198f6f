#pragma once
// What the browser server sends about the store: its files as a list, as JSON and as rows of
// the page, and the headers of a download.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ohmkit::http {

struct StoreFile {
    std::string name;
    std::uint64_t size = 0;
    std::int64_t modified = 0;   // seconds since 1970 (UTC)
};

// The files directly in `folder` (links followed; folders and the temporary
// files of uploads in progress left out), by name ignoring ASCII case.
std::vector<StoreFile> storeFiles(const std::string& folder);

// [{"name":"...","size":N,"modified":N},...] with names as UTF-8 JSON strings.
std::string listingJson(const std::vector<StoreFile>& files);

// `page` with the marker "<!--FILES-->" replaced by one table row per file (name as a
// download link, size, date and a delete button) and "<!--EMPTY-->" by a line saying that
// the store is empty when it is.
std::string renderPage(std::string page, const std::vector<StoreFile>& files);

// The page shown after a form upload that did not go well: one line per file.
std::string formResultPage(const std::vector<std::string>& lines);

std::string htmlEscape(std::string_view text);
std::string jsonString(std::string_view text);   // with its quotes

// The Content-Disposition of a download of `name`: an ASCII stand-in in `filename` for old
// clients, the exact UTF-8 name in `filename*`.
std::string contentDisposition(std::string_view name);
// The Content-Type of a download, from the name's extension.
const char* contentType(std::string_view name);

}  // namespace ohmkit::http
