#pragma once
// The listings sent on the data connection, every line ended by CR LF. LIST sends the ls-style
// listing: a "total N" header, then one long-format line per visible entry; NLST sends bare
// names.
//
//   drwxr-xr-x     3         anna        staff       4096 Jan 05 13:07 sub
//
// Names beginning with "." are neither listed nor counted; entries come in the order the
// file system yields them. A symbolic link is described as itself, not as its target.
#include <cstdint>
#include <ctime>
#include <string>

namespace ohmkit::ftp {

struct ListingEntry {
    std::string name;
    bool isDirectory = false;
    unsigned permissions = 0;      // only the 9 low bits are shown
    int linkCount = 1;             // for a folder: entries inside it, at least 1
    std::string owner;
    std::string group;
    std::uint64_t size = 0;
    std::time_t modified = 0;
};

// "rwxr-xr-x" for 0755: the 9 low permission bits.
std::string permissionText(unsigned permissions);
// "MMM dd HH:mm" in English, in the local time zone: "Jan 05 13:07".
std::string listingDate(std::time_t time);
// One listing line without its LF.
std::string listingLine(const ListingEntry& entry);
// The whole listing of the folder at `path` (absolute). A folder that cannot be read gives
// the header alone, with the count 0; a file gives its own line alone, with no header.
std::string createList(const std::string& path);
// The visible names of the folder at `path`, one per line, each after `prefix`; with a
// `pattern`, only the names it matches as a shell would (a leading "." never matches a
// wildcard). A file gives its own name.
std::string createNameList(const std::string& path, const std::string& pattern = "", const std::string& prefix = "");

// "YYYYMMDDHHMMSS" in UTC, as MDTM and the modify fact give a time.
std::string modificationTimeText(std::time_t time);
// The machine-readable facts of the entry at `path` (links followed), then a blank and
// `name`: "type=file;size=5;modify=20240105130700;perm=adfrw; name". `type` overrides the
// type fact (cdir, pdir); empty when the entry cannot be read.
std::string machineFacts(const std::string& path, const std::string& name, const std::string& type = "");
// One facts line (CR LF) for the folder at `path` itself (type cdir, name "."), then one per
// visible entry; empty when the folder cannot be read.
std::string createMachineList(const std::string& path);

}  // namespace ohmkit::ftp
