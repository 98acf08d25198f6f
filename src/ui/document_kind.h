#pragma once
// Which renderer the viewer uses for a file: a PDF document shown page by page, an image,
// plain text, HTML, or nothing the app can show (then the viewer offers the desktop's default
// application instead).
//
// The file's first bytes decide when they carry a known signature (a PDF header, a PNG, JPEG,
// GIF, BMP or ICO image); otherwise its extension decides; a file without a known extension is
// HTML when it starts like an HTML page and text when its first bytes are readable UTF-8 text.
// Binary content never counts as text or HTML.
#include <string>
#include <string_view>

namespace ohmkit::ui {

enum class DocumentKind { Pdf, Image, Text, Html, Unsupported };

// The kind of a regular file; a folder, a missing or an unreadable file is Unsupported.
DocumentKind documentKindOfFile(const std::string& path);
// The same choice from a file name and the first bytes of its content.
DocumentKind documentKindFor(const std::string& fileName, std::string_view head);

// How many leading bytes documentKindOfFile reads.
inline constexpr std::size_t kDocumentSniffLength = 4096;

}  // namespace ohmkit::ui
