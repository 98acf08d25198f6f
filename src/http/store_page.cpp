#include "http/store_page.h"

#include "http/request_target.h"
#include "store/store_names.h"
#include "platform/files.h"
#include "platform/text.h"

#include <sys/stat.h>

#include <algorithm>

namespace ohmkit::http {

using platform::format;

namespace {

std::string lowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::vector<StoreFile> storeFiles(const std::string& folder)
{
    std::vector<StoreFile> files;
    for (const std::string& name : platform::directoryEntries(folder)) {
        if (!store::isListedName(name)) continue;
        struct stat st{};
        if (::stat((folder + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        files.push_back({name, static_cast<std::uint64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtime)});
    }
    std::sort(files.begin(), files.end(), [](const StoreFile& a, const StoreFile& b) {
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
        out += format("{\"name\":%s,\"size\":%llu,\"modified\":%lld}", jsonString(file.name).c_str(),
                      static_cast<unsigned long long>(file.size), static_cast<long long>(file.modified));
    }
    return out + "]";
}

std::string renderPage(std::string page, const std::vector<StoreFile>& files)
{
    std::string rows;
    for (const StoreFile& file : files) {
        const std::string name = htmlEscape(file.name);
        rows += format("<tr data-name=\"%s\"><td class=\"name\"><a href=\"files/%s\" download>%s</a></td>"
                       "<td class=\"size\">%s</td><td class=\"date\" data-modified=\"%lld\">%s</td>"
                       "<td class=\"actions\"><button type=\"button\" class=\"delete\">Delete</button></td></tr>\n",
                       name.c_str(), percentEncode(file.name).c_str(), name.c_str(), platform::humanSize(file.size).c_str(),
                       static_cast<long long>(file.modified), platform::shortDate(file.modified).c_str());
    }
    page = platform::replaceAll(std::move(page), "<!--FILES-->", rows);
    return platform::replaceAll(std::move(page), "<!--EMPTY-->",
                                files.empty() ? "<p class=\"empty\">No datasheets yet.</p>" : "");
}

std::string formResultPage(const std::vector<std::string>& lines)
{
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<meta name=\"color-scheme\" content=\"light dark\"><title>Upload</title></head>"
        "<body style=\"font-family: system-ui, sans-serif; margin: 1.5em\"><h1>Upload</h1><ul>\n";
    for (const std::string& line : lines) page += "<li>" + htmlEscape(line) + "</li>\n";
    return page + "</ul><p><a href=\"./\">Back to the datasheets</a></p></body></html>\n";
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
    std::string ascii;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte < 0xC0) continue;   // one stand-in for each UTF-8 character
        ascii += (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\' || c == '%') ? '_' : c;
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
