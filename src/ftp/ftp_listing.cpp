#include "ftp/ftp_listing.h"

#include "platform/log.h"
#include "store/store_names.h"
#include "platform/text.h"

#include <dirent.h>
#include <fnmatch.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <vector>

namespace ohmkit::ftp {

using platform::format;

namespace {

// Month names are fixed English abbreviations, whatever the process locale says.
constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

int entriesInside(const std::string& path)
{
    DirHandle dir(::opendir(path.c_str()));
    if (!dir) return 0;
    int count = 0;
    while (dirent* entry = ::readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") ++count;
    }
    return count;
}

// User and group names, looked up once per listing.
class AccountNames {
public:
    const std::string& owner(uid_t uid)
    {
        auto it = owners_.find(uid);
        if (it != owners_.end()) return it->second;
        std::vector<char> buffer(4096);
        passwd pw{};
        passwd* found = nullptr;
        std::string name = ::getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) == 0 && found
                               ? std::string(found->pw_name)
                               : std::to_string(uid);
        return owners_.emplace(uid, std::move(name)).first->second;
    }

    const std::string& group(gid_t gid)
    {
        auto it = groups_.find(gid);
        if (it != groups_.end()) return it->second;
        std::vector<char> buffer(4096);
        group_t gr{};
        group_t* found = nullptr;
        std::string name = ::getgrgid_r(gid, &gr, buffer.data(), buffer.size(), &found) == 0 && found
                               ? std::string(found->gr_name)
                               : std::to_string(gid);
        return groups_.emplace(gid, std::move(name)).first->second;
    }

private:
    using group_t = struct ::group;
    std::map<uid_t, std::string> owners_;
    std::map<gid_t, std::string> groups_;
};

}  // namespace

std::string permissionText(unsigned permissions)
{
    static constexpr char kLetters[3] = {'r', 'w', 'x'};
    std::string text(9, '-');
    for (int bit = 8; bit >= 0; --bit)
        if (permissions & (1u << bit)) text[static_cast<std::size_t>(8 - bit)] = kLetters[(8 - bit) % 3];
    return text;
}

std::string listingDate(std::time_t time)
{
    std::tm local{};
    if (!::localtime_r(&time, &local)) return "Jan 01 00:00";
    return format("%s %02d %02d:%02d", kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min);
}

std::string listingLine(const ListingEntry& entry)
{
    return format("%s%s %5i %12s %12s %10llu %s %s", entry.isDirectory ? "d" : "-",
                  permissionText(entry.permissions).c_str(), entry.linkCount, entry.owner.c_str(),
                  entry.group.c_str(), static_cast<unsigned long long>(entry.size),
                  listingDate(entry.modified).c_str(), entry.name.c_str());
}

namespace {

std::string joinPath(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The entry's line, read from the entry itself (a link is described as a link).
ListingEntry describe(const std::string& entryPath, std::string name, AccountNames& accounts)
{
    ListingEntry entry;
    entry.name = std::move(name);
    struct stat st{};
    if (::lstat(entryPath.c_str(), &st) != 0) {
        // Vanished while listing, or not readable: still listed and counted.
        entry.owner = "?";
        entry.group = "?";
        return entry;
    }
    entry.isDirectory = S_ISDIR(st.st_mode);
    entry.permissions = st.st_mode & 0777;
    entry.owner = accounts.owner(st.st_uid);
    entry.group = accounts.group(st.st_gid);
    entry.size = static_cast<std::uint64_t>(st.st_size);
    entry.modified = st.st_mtime;
    if (entry.isDirectory) {
        int inside = entriesInside(entryPath);
        entry.linkCount = inside > 1 ? inside : 1;
    }
    return entry;
}

// Calls `visit` with each name of the folder that does not begin with ".", in the order the
// file system yields them.
template <typename Visit>
void forEachVisibleName(const std::string& folder, Visit visit)
{
    DirHandle dir(::opendir(folder.c_str()));
    while (dir) {
        dirent* item = ::readdir(dir.get());
        if (!item) break;
        if (item->d_name[0] != '.' && store::isListedName(item->d_name)) visit(std::string(item->d_name));
    }
}

bool isFolder(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isSomething(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string lastComponent(const std::string& path) { return path.substr(path.rfind('/') + 1); }

}  // namespace

std::string createList(const std::string& path)
{
    platform::logDebug("FTP: listing %s.", path.c_str());
    AccountNames accounts;
    // A file (or anything but a folder) is described by its one line.
    if (isSomething(path) && !isFolder(path)) return listingLine(describe(path, lastComponent(path), accounts)) + "\r\n";
    std::string lines;
    int count = 0;
    forEachVisibleName(path, [&](const std::string& name) {
        lines += listingLine(describe(joinPath(path, name), name, accounts));
        lines += "\r\n";
        ++count;
    });
    return format("total %d\r\n", count) + lines;
}

std::string createNameList(const std::string& path, const std::string& pattern, const std::string& prefix)
{
    if (isSomething(path) && !isFolder(path)) return prefix + lastComponent(path) + "\r\n";
    std::string lines;
    forEachVisibleName(path, [&](const std::string& name) {
        if (pattern.empty() || ::fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) == 0) lines += prefix + name + "\r\n";
    });
    return lines;
}

std::string modificationTimeText(std::time_t time)
{
    std::tm utc{};
    if (!::gmtime_r(&time, &utc)) return "19700101000000";
    return format("%04d%02d%02d%02d%02d%02d", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                  utc.tm_min, utc.tm_sec);
}

std::string machineFacts(const std::string& path, const std::string& name, const std::string& type)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return {};   // gone, or a link that leads nowhere
    const bool folder = S_ISDIR(st.st_mode);
    // What this server lets a client do with the entry: a file can be appended to, deleted,
    // renamed, read and written; a folder can take files, be deleted, entered, renamed,
    // listed, take folders and be emptied.
    return format("type=%s;size=%llu;modify=%s;perm=%s; %s", type.empty() ? (folder ? "dir" : "file") : type.c_str(),
                  static_cast<unsigned long long>(st.st_size), modificationTimeText(st.st_mtime).c_str(),
                  folder ? "cdeflmp" : "adfrw", name.c_str());
}

std::string createMachineList(const std::string& path)
{
    std::string lines = machineFacts(path, ".", "cdir");
    if (lines.empty() || !isFolder(path)) return {};
    lines += "\r\n";
    forEachVisibleName(path, [&](const std::string& name) {
        const std::string line = machineFacts(joinPath(path, name), name);
        if (!line.empty()) lines += line + "\r\n";
    });
    return lines;
}

}  // namespace ohmkit::ftp
