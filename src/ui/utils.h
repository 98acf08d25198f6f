#pragma once
// Shared utilities: storage figures, delayed work on the main run loop, the exclude-from-backup
// mark, and the device test.
#include <cstdint>
#include <functional>
#include <string>

namespace ohmkit::ui {

class Utils {
public:
    // Mebibytes of the file system holding the documents directory (0 when unreadable).
    static std::int32_t getTotalSpace();
    static std::int32_t getFreeSpace();
    // Runs `block` on the main run loop `delay` seconds from now, never inside this call.
    static void runAfterDelay(float delay, std::function<void()> block);
    // Marks the file or folder at a file URL as excluded from backups; false when it does not
    // exist (silently) or the mark could not be set (logged).
    static bool addSkipBackupAttributeToItemAtURL(const std::string& fileURL);

    // Byte count to mebibytes as the space queries report it: truncated, low 32 bits.
    static std::int32_t mebibytes(std::int64_t bytes);
};

// "file://" + path (no escaping: the model keeps paths as they are).
std::string fileURLWithPath(const std::string& path);
// The path of a "file://" URL; the text itself when it is no file URL.
std::string pathOfFileURL(const std::string& url);
// The last component of a path or URL.
std::string lastPathComponent(const std::string& path);

class AppDelegate {
public:
    // True when the device idiom is the pad.
    static bool isIPad();
};

}  // namespace ohmkit::ui
