#include "datasheets/datasheet_files.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <ctime>

#include <utf8proc.h>

#include "store/store_entries.h"
#include "store/store_names.h"
#include "platform/text.h"

namespace ohmkit::datasheets {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string lowerExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

// The store's folder in the canonical form the confinement rules compare with.
std::string canonicalStore(const std::string& dir)
{
    char resolved[PATH_MAX];
    return ::realpath(dir.c_str(), resolved) ? std::string(resolved) : dir;
}

bool exists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

const char* const kOutside = "is not inside the datasheet store";

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

DatasheetFile describeFile(const std::string& dir, const std::string& name)
{
    DatasheetFile file;
    file.name = name;
    const std::string path = dir + "/" + name;
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return file;
    file.folder = S_ISDIR(st.st_mode);
    file.size = file.folder ? 0 : static_cast<std::uint64_t>(st.st_size);
    file.modified = static_cast<std::int64_t>(st.st_mtime);
    file.kind = file.folder ? DocumentKind::Unsupported : documentKindOfFile(path);
    return file;
}

std::string fileDetail(const DatasheetFile& file)
{
    const std::string first = file.folder ? std::string("Folder") : humanSize(file.size);
    const std::string date = shortDate(file.modified);
    return date.empty() ? first : first + " \u00b7 " + date;
}

std::string typeDescription(const DatasheetFile& file)
{
    if (file.folder) return "Folder";
    switch (file.kind) {
    case DocumentKind::Pdf: return "PDF document";
    case DocumentKind::Image: return "Image";
    case DocumentKind::Text: return "Text";
    case DocumentKind::Html: return "Web page";
    case DocumentKind::Unsupported: break;
    }
    const std::string ext = lowerExtension(file.name);
    return ext.empty() ? std::string("File") : platform::toUpper(ext) + " file";
}

const char* iconName(const DatasheetFile& file)
{
    if (file.folder) return "doc_folder";
    switch (file.kind) {
    case DocumentKind::Pdf: return "doc_pdf";
    case DocumentKind::Image: return "doc_image";
    case DocumentKind::Text:
    case DocumentKind::Html: return "doc_text";
    case DocumentKind::Unsupported: break;
    }
    return "doc_other";
}

std::string foldCase(std::string_view text)
{
    utf8proc_uint8_t* folded = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()), static_cast<utf8proc_ssize_t>(text.size()),
                     &folded, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_CASEFOLD));
    if (length >= 0 && folded) {
        std::string result(reinterpret_cast<const char*>(folded), static_cast<std::size_t>(length));
        std::free(folded);
        return result;
    }
    std::free(folded);
    // Not UTF-8: ASCII letters only.
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

bool nameMatches(std::string_view name, std::string_view filter)
{
    filter = trimBlanks(filter);
    if (filter.empty()) return true;
    return foldCase(name).find(foldCase(filter)) != std::string::npos;
}

int naturalCompare(std::string_view a, std::string_view b)
{
    const std::string fa = foldCase(a);
    const std::string fb = foldCase(b);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < fa.size() && j < fb.size()) {
        if (isDigit(fa[i]) && isDigit(fb[j])) {
            // Two numbers: leading zeros aside, the longer is larger, else the digits decide.
            while (i < fa.size() && fa[i] == '0') ++i;
            while (j < fb.size() && fb[j] == '0') ++j;
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < fa.size() && isDigit(fa[ei])) ++ei;
            while (ej < fb.size() && isDigit(fb[ej])) ++ej;
            if (ei - i != ej - j) return ei - i < ej - j ? -1 : 1;
            if (int c = fa.compare(i, ei - i, fb, j, ej - j); c != 0) return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const auto ca = static_cast<unsigned char>(fa[i]);
        const auto cb = static_cast<unsigned char>(fb[j]);
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < fa.size() || j < fb.size()) return i < fa.size() ? 1 : -1;
    // Equal in the natural order ("a1" and "A01"): the bytes decide, so the order is total.
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::string deleteStoreEntry(const std::string& dir, const std::string& name)
{
    using platform::format;
    if (name.empty()) return "No file was chosen.";
    const std::string base = canonicalStore(dir);
    const std::string path = store::entryPathForName(base, base, name);
    if (!store::isChangeableEntry(base, path)) return format("\u201c%s\u201d cannot be deleted: it %s.", name.c_str(), kOutside);
    if (!exists(path)) return format("\u201c%s\u201d no longer exists.", name.c_str());
    std::string problem;
    if (store::removeTree(path, problem) != store::Removal::removed) return format("Could not delete \u201c%s\u201d: %s.", name.c_str(), problem.c_str());
    return {};
}

std::string renameStoreEntry(const std::string& dir, const std::string& from, const std::string& to)
{
    using platform::format;
    if (from.empty()) return "No file was chosen.";
    if (to.empty()) return "Type a new name.";
    const std::string base = canonicalStore(dir);
    const std::string source = store::entryPathForName(base, base, from);
    if (!store::isChangeableEntry(base, source)) return format("\u201c%s\u201d cannot be renamed: it %s.", from.c_str(), kOutside);
    if (!exists(source)) return format("\u201c%s\u201d no longer exists.", from.c_str());
    if (to == from) return {};
    const std::string target = store::entryPathForName(base, base, to);
    if (!store::isChangeableEntry(base, target)) return format("\u201c%s\u201d %s.", to.c_str(), kOutside);
    if (store::holdsTemporaryName(base, target)) return format("\u201c%s\u201d is kept for uploads in progress.", to.c_str());
    struct stat st{};
    if (::lstat(target.c_str(), &st) == 0) return format("\u201c%s\u201d already exists.", to.c_str());
    std::string problem;
    if (!store::moveEntry(source, target, problem))
        return format("Could not rename \u201c%s\u201d: %s.", from.c_str(), problem.c_str());
    return {};
}

}  // namespace ohmkit::datasheets
