#include "http/store_page.h"

#include "http/request_target.h"
#include "platform/atomic_upload.h"
#include "platform/files.h"
#include "platform/text.h"

#include <sys/stat.h>

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>

namespace ohmkit::http {

using platform::format;

namespace {

std::string lowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The look of the small pages (questions and results), the same as the main page's, light
// or dark as the browser is.
const char* const kMessageStyle =
    "<style>:root{color-scheme:light dark;--bg:#f6f6f8;--card:#fff;--text:#1c1c1e;--muted:#6e6e73;"
    "--accent:#0a64c8;--accent-text:#fff;--border:#d1d1d6;--danger:#d92b2b}"
    "@media (prefers-color-scheme:dark){:root{--bg:#000;--card:#1c1c1e;--text:#f2f2f7;--muted:#98989f;"
    "--accent:#4c9bff;--accent-text:#000;--border:#38383a;--danger:#ff6961}}"
    "*{box-sizing:border-box}body{margin:0;background:var(--bg);color:var(--text);"
    "font:16px/1.45 system-ui,-apple-system,\"Segoe UI\",Roboto,Arial,sans-serif}"
    "main{max-width:640px;margin:0 auto;padding:16px}h1{font-size:1.4em;margin:8px 0 16px}"
    ".card{background:var(--card);border:1px solid var(--border);border-radius:12px;padding:16px}"
    ".card p{margin:0 0 10px;overflow-wrap:anywhere}.actions{display:flex;gap:12px;flex-wrap:wrap;margin-top:16px}"
    "a{color:var(--accent)}.button,button{font:inherit;border-radius:10px;border:1px solid var(--border);"
    "padding:10px 18px;min-height:44px;display:inline-flex;align-items:center;text-decoration:none;"
    "cursor:pointer;background:transparent;color:var(--text)}"
    "button.danger{background:var(--danger);border-color:var(--danger);color:#fff;font-weight:600}</style>";

std::string pageHead(std::string_view title)
{
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<meta name=\"color-scheme\" content=\"light dark\"><title>" +
           htmlEscape(title) + "</title>" + kMessageStyle + "</head><body><main><h1>" + htmlEscape(title) +
           "</h1><div class=\"card\">\n";
}

// The ASCII form of one character after its accents are taken off, or "" when it has none.
std::string asciiFor(char32_t c)
{
    static constexpr std::pair<char32_t, const char*> kSpelled[] = {
        {U'\u00DF', "ss"}, {U'\u00E6', "ae"}, {U'\u00C6', "AE"}, {U'\u00F8', "o"}, {U'\u00D8', "O"},
        {U'\u0153', "oe"}, {U'\u0152', "OE"}, {U'\u0142', "l"}, {U'\u0141', "L"}, {U'\u0111', "d"},
        {U'\u0110', "D"}, {U'\u00FE', "th"}, {U'\u00DE', "Th"}, {U'\u03A9', "Ohm"}, {U'\u03BC', "u"},
        {U'\u00B1', "+-"}, {U'\u00B0', "deg"}, {U'\u2013', "-"}, {U'\u2014', "-"},
    };
    for (const auto& [from, to] : kSpelled)
        if (c == from) return to;
    return {};
}

}  // namespace

std::vector<StoreFile> storeFiles(const std::string& folder)
{
    std::vector<StoreFile> files;
    for (const std::string& name : platform::directoryEntries(folder)) {
        if (platform::isUploadTemporaryName(name)) continue;
        struct stat st{};
        const std::string path = folder + "/" + name;
        if (::stat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            files.push_back({name, 0, static_cast<std::int64_t>(st.st_mtime), true, platform::directoryEntries(path).size()});
        else if (S_ISREG(st.st_mode))
            files.push_back({name, static_cast<std::uint64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtime)});
    }
    std::sort(files.begin(), files.end(), [](const StoreFile& a, const StoreFile& b) {
        if (a.folder != b.folder) return a.folder;
        const std::string la = lowerAscii(a.name), lb = lowerAscii(b.name);
        return la != lb ? la < lb : a.name < b.name;
    });
    return files;
}

std::string listingJson(const std::vector<StoreFile>& files)
{
    std::string out = "[";
    for (const StoreFile& file : files) {
        if (out.size() > 1) out += ',';
        out += format("{\"name\":%s,\"size\":%llu,\"modified\":%lld", jsonString(file.name).c_str(),
                      static_cast<unsigned long long>(file.size), static_cast<long long>(file.modified));
        out += file.folder ? format(",\"folder\":true,\"items\":%zu}", file.items) : std::string("}");
    }
    return out + "]";
}

std::string folderAddress(std::string_view base, std::string_view dir)
{
    return dir.empty() ? std::string(base) : std::string(base) + "files/" + encodePath(dir) + "/";
}

std::string renderPage(std::string page, const std::vector<StoreFile>& files, const PageView& view)
{
    const std::string inside = view.folder.empty() ? std::string() : view.folder + "/";
    std::string rows;
    for (const StoreFile& file : files) {
        const std::string name = htmlEscape(file.name);
        const std::string path = encodePath(inside) + percentEncode(file.name);
        const std::string deleteLink = "<a class=\"button delete\" href=\"" + view.base + "delete/" + path + "\">Delete</a>";
        if (file.folder) {
            const std::string count = file.items == 1 ? "1 item" : format("%zu items", file.items);
            rows += format("<tr class=\"folder\" data-name=\"%s\" data-folder=\"1\" data-items=\"%zu\"><td class=\"name\">"
                           "<a href=\"%sfiles/%s/\">%s/</a></td><td class=\"size\">%s</td>"
                           "<td class=\"date\" data-modified=\"%lld\">%s</td><td class=\"actions\">%s</td></tr>\n",
                           name.c_str(), file.items, view.base.c_str(), path.c_str(), name.c_str(), count.c_str(),
                           static_cast<long long>(file.modified), platform::shortDate(file.modified).c_str(),
                           deleteLink.c_str());
            continue;
        }
        rows += format("<tr data-name=\"%s\"><td class=\"name\"><a href=\"%sfiles/%s\" download>%s</a></td>"
                       "<td class=\"size\">%s</td><td class=\"date\" data-modified=\"%lld\">%s</td>"
                       "<td class=\"actions\">%s</td></tr>\n",
                       name.c_str(), view.base.c_str(), path.c_str(), name.c_str(), platform::humanSize(file.size).c_str(),
                       static_cast<long long>(file.modified), platform::shortDate(file.modified).c_str(), deleteLink.c_str());
    }
    // The way back up: the top, then each folder above this one.
    std::string crumbs;
    if (!view.folder.empty()) {
        crumbs = "<a href=\"" + htmlEscape(view.base) + "\">Datasheets</a>";
        std::string walked;
        std::string_view rest = view.folder;
        for (;;) {
            const std::size_t slash = rest.find('/');
            const std::string_view part = rest.substr(0, slash);
            walked += walked.empty() ? std::string(part) : "/" + std::string(part);
            crumbs += " <span aria-hidden=\"true\">/</span> ";
            if (slash == std::string_view::npos) {
                crumbs += "<span aria-current=\"page\">" + htmlEscape(part) + "</span>";
                break;
            }
            crumbs += "<a href=\"" + folderAddress(view.base, walked) + "\">" + htmlEscape(part) + "</a>";
            rest.remove_prefix(slash + 1);
        }
        crumbs = "<nav class=\"crumbs\" id=\"crumbs\">" + crumbs + "</nav><p class=\"up\"><a id=\"up\" href=\"" +
                 folderAddress(view.base, parentPath(view.folder)) + "\">&larr; Up to " +
                 htmlEscape(parentPath(view.folder).empty() ? "Datasheets" : leafName(parentPath(view.folder))) + "</a></p>";
    }
    page = platform::replaceAll(std::move(page), "<!--FILES-->", rows);
    page = platform::replaceAll(std::move(page), "<!--CRUMBS-->", crumbs);
    page = platform::replaceAll(std::move(page), "<!--FOLDER-->", htmlEscape(view.folder));
    page = platform::replaceAll(std::move(page), "<!--BASE-->", htmlEscape(view.base));
    page = platform::replaceAll(std::move(page), "<!--FORM-->",
                                view.folder.empty() ? std::string("upload") : folderAddress(view.base, view.folder));
    const char* empty = view.folder.empty() ? "No datasheets yet." : "This folder is empty.";
    return platform::replaceAll(std::move(page), "<!--EMPTY-->",
                                files.empty() ? format("<p class=\"empty\">%s</p>", empty) : std::string());
}

std::string messagePage(std::string_view title, const std::vector<std::string>& lines, std::string_view back)
{
    std::string page = pageHead(title);
    for (const std::string& line : lines) page += "<p>" + htmlEscape(line) + "</p>\n";
    return page + "<div class=\"actions\"><a class=\"button\" href=\"" + htmlEscape(back) +
           "\">Back to the datasheets</a></div></div></main></body></html>\n";
}

std::string formResultPage(const std::vector<std::string>& lines, std::string_view back)
{
    return messagePage("Upload", lines, back);
}

std::string deleteQuestionPage(std::string_view path, bool folder, std::size_t items, std::string_view action,
                               std::string_view back)
{
    if (folder && items > 0) {
        const std::string count = items == 1 ? "1 item" : format("%zu items", items);
        return messagePage("Delete a folder", {"The folder " + std::string(path) + " holds " + count + ".",
                                               "Only an empty folder can be deleted: delete what it holds first."},
                           back);
    }
    std::string page = pageHead(folder ? "Delete a folder" : "Delete a file");
    page += "<p>Delete " + std::string(folder ? "the empty folder " : "") + "&ldquo;" + htmlEscape(path) +
            "&rdquo; from Ohmkit?</p>\n<form method=\"post\" action=\"" + htmlEscape(action) +
            "\" class=\"actions\"><button type=\"submit\" class=\"danger\">Delete</button>"
            "<a class=\"button\" href=\"" + htmlEscape(back) + "\">Cancel</a></form>";
    return page + "</div></main></body></html>\n";
}

std::string htmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += format("\\u%04x", byte);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string contentDisposition(std::string_view name)
{
    // Decomposed, so that an accented letter is its base letter and its marks, marks dropped.
    utf8proc_uint8_t* decomposed = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(name.data()), static_cast<utf8proc_ssize_t>(name.size()),
                     &decomposed, static_cast<utf8proc_option_t>(UTF8PROC_DECOMPOSE | UTF8PROC_COMPAT | UTF8PROC_STRIPMARK));
    const std::string plain = length >= 0 ? std::string(reinterpret_cast<const char*>(decomposed), static_cast<std::size_t>(length))
                                          : std::string(name);
    std::free(decomposed);
    std::string ascii;
    for (std::size_t pos = 0; pos < plain.size();) {
        char32_t c = 0;
        const std::size_t step = platform::decodeUtf8At(plain, pos, c);
        pos += step > 0 ? step : 1;
        if (step == 0 || c >= 0x80) {
            const std::string spelled = asciiFor(step == 0 ? 0 : c);
            ascii += spelled.empty() ? "_" : spelled;
        } else {
            ascii += (c < 0x20 || c == 0x7F || c == '"' || c == '\\' || c == '%') ? '_' : static_cast<char>(c);
        }
    }
    return "attachment; filename=\"" + ascii + "\"; filename*=UTF-8''" + percentEncode(name);
}

const char* contentType(std::string_view name)
{
    static constexpr std::pair<std::string_view, const char*> kTypes[] = {
        {".pdf", "application/pdf"}, {".png", "image/png"},       {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},     {".gif", "image/gif"},       {".svg", "image/svg+xml"},
        {".txt", "text/plain; charset=utf-8"}, {".htm", "text/html; charset=utf-8"},
        {".html", "text/html; charset=utf-8"}, {".zip", "application/zip"},
    };
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos) {
        const std::string extension = lowerAscii(std::string(name.substr(dot)));
        for (const auto& [suffix, type] : kTypes)
            if (extension == suffix) return type;
    }
    return "application/octet-stream";
}

}  // namespace ohmkit::http
