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
    bool folder = false;
    std::size_t items = 0;       // a folder's entries
};

// The files and folders directly in `folder` (links followed; the temporary files of
// uploads in progress left out): folders first, each group by name ignoring ASCII case.
std::vector<StoreFile> storeFiles(const std::string& folder);

// [{"name":"...","size":N,"modified":N},...] with names as UTF-8 JSON strings; a folder
// adds "folder":true and "items":N.
std::string listingJson(const std::vector<StoreFile>& files);

// Which folder a page shows, and the address of the store's top page ("/KEY/").
struct PageView {
    std::string base;
    std::string folder;   // the store path, "" for the top
};

// The address of the page of the store folder `dir` ("" the top one).
std::string folderAddress(std::string_view base, std::string_view dir);

// `page` with its markers replaced: "<!--FILES-->" by one table row per entry (a folder's
// name opens it, a file's downloads it; size or item count, date, Delete), "<!--EMPTY-->" by a
// line saying the folder is empty when it is, "<!--CRUMBS-->" by the way back up (links to
// each folder above), "<!--FOLDER-->" and "<!--BASE-->" by the folder's path and the top
// page's address (escaped), "<!--FORM-->" by the address the form uploads to.
std::string renderPage(std::string page, const std::vector<StoreFile>& files, const PageView& view = {});

// A small page in the page's own look (light or dark as the browser is): a title, one
// paragraph per line and a link back to `back`.
std::string messagePage(std::string_view title, const std::vector<std::string>& lines, std::string_view back);
// The page shown after a form upload that did not go well: one line per file.
std::string formResultPage(const std::vector<std::string>& lines, std::string_view back = "./");
// The question asked before a delete without script: a form that posts to `action`. A
// folder that holds anything cannot be deleted and the page says so instead.
std::string deleteQuestionPage(std::string_view path, bool folder, std::size_t items, std::string_view action,
                               std::string_view back);

std::string htmlEscape(std::string_view text);
std::string jsonString(std::string_view text);   // with its quotes

// The Content-Disposition of a download of `name`: the exact UTF-8 name in `filename*`, and
// for clients that read only `filename` the name in ASCII, accents taken off ("Größe" reads
// "Grosse", "Ω" "Ohm", "µ" "u") and "_" for what has no ASCII form.
std::string contentDisposition(std::string_view name);
// The Content-Type of a download, from the name's extension.
const char* contentType(std::string_view name);

}  // namespace ohmkit::http
