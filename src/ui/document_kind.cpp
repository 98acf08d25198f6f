#include "ui/document_kind.h"

#include <sys/stat.h>

#include <array>
#include <fstream>

namespace ohmkit::ui {

namespace {

std::string lowerExtension(const std::string& fileName)
{
    auto slash = fileName.rfind('/');
    std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    auto dot = base.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};   // ".profile" has no extension
    std::string ext = base.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool isOneOf(const std::string& ext, std::initializer_list<const char*> list)
{
    for (const char* item : list)
        if (ext == item) return true;
    return false;
}

// A signature that names the format outright.
bool hasPdfHeader(std::string_view head)
{
    // Readers accept the header anywhere in the first kilobyte (some writers put junk first).
    return head.substr(0, 1024).find("%PDF-") != std::string_view::npos;
}

bool hasImageSignature(std::string_view head)
{
    if (startsWith(head, "\x89PNG\r\n\x1a\n") || startsWith(head, "\xff\xd8\xff") || startsWith(head, "GIF87a") ||
        startsWith(head, "GIF89a") || startsWith(head, std::string_view("\0\0\1\0", 4)))
        return true;
    // A bitmap: "BM", then the file size and four reserved bytes that are zero (so a text that
    // happens to start with "BM" is not taken for one).
    return head.size() >= 14 && startsWith(head, "BM") && head.substr(6, 4) == std::string_view("\0\0\0\0", 4);
}

// Readable text: well-formed UTF-8 without NUL or control characters other than white space.
// A sequence cut at the end of `head` is allowed (the head is a prefix of the file).
bool looksLikeText(std::string_view head)
{
    std::size_t i = 0;
    while (i < head.size()) {
        auto c = static_cast<unsigned char>(head[i]);
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') return false;
            if (c == 0x7f) return false;
            ++i;
            continue;
        }
        std::size_t length = 0;
        if (c >= 0xc2 && c <= 0xdf) length = 2;
        else if (c >= 0xe0 && c <= 0xef) length = 3;
        else if (c >= 0xf0 && c <= 0xf4) length = 4;
        else return false;   // a continuation byte first, an overlong lead, or beyond U+10FFFF
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= head.size()) return true;   // cut at the end of the sample
            auto next = static_cast<unsigned char>(head[i + k]);
            if ((next & 0xc0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

bool looksLikeHtml(std::string_view head)
{
    std::size_t i = 0;
    if (startsWith(head, "\xef\xbb\xbf")) i = 3;   // byte-order mark
    while (i < head.size() && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n')) ++i;
    std::string start;
    for (std::size_t k = i; k < head.size() && start.size() < 14; ++k) {
        char c = head[k];
        start += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return startsWith(start, "<!doctype html") || startsWith(start, "<html");
}

}  // namespace

DocumentKind documentKindFor(const std::string& fileName, std::string_view head)
{
    // Signatures name the format whatever the file is called.
    if (hasPdfHeader(head)) return DocumentKind::Pdf;
    if (hasImageSignature(head)) return DocumentKind::Image;

    // The extension, for the formats without a fixed signature; text formats only when the
    // content really is text.
    const std::string ext = lowerExtension(fileName);
    const bool text = looksLikeText(head);
    if (ext == "pdf") return DocumentKind::Pdf;   // a damaged PDF: the PDF view reports it
    if (ext == "svg" || ext == "svgz") return DocumentKind::Image;
    if (isOneOf(ext, {"png", "jpg", "jpeg", "gif", "bmp", "ico"})) return DocumentKind::Image;
    if (isOneOf(ext, {"html", "htm", "xhtml"})) return text ? DocumentKind::Html : DocumentKind::Unsupported;
    if (isOneOf(ext, {"txt", "text", "md", "csv", "tsv", "log", "ini", "cfg", "conf", "json", "xml", "c", "h",
                      "cpp", "hpp", "cc", "py", "sh", "asm", "s", "ino", "cir", "net", "sp", "lst", "hex"}))
        return text ? DocumentKind::Text : DocumentKind::Unsupported;

    // Unknown or missing extension: by content alone. A known binary extension (zip, doc,
    // ...) never reaches the text renderer because such content is not text.
    if (!text) return DocumentKind::Unsupported;
    if (looksLikeHtml(head)) return DocumentKind::Html;
    if (!ext.empty() && isOneOf(ext, {"doc", "docx", "xls", "xlsx", "ppt", "pptx", "odt", "ods", "zip", "rtf",
                                      "epub", "djvu", "ps", "eps"}))
        return DocumentKind::Unsupported;
    return DocumentKind::Text;
}

DocumentKind documentKindOfFile(const std::string& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return DocumentKind::Unsupported;
    std::ifstream in(path, std::ios::binary);
    if (!in) return DocumentKind::Unsupported;
    std::array<char, kDocumentSniffLength> buffer{};
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    auto count = static_cast<std::size_t>(in.gcount());
    return documentKindFor(path, std::string_view(buffer.data(), count));
}

}  // namespace ohmkit::ui
