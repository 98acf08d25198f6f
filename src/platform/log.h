#pragma once
// The diagnostic log: one line per event, written to standard error with a time stamp and its
// level. Errors, warnings and information are always written; debugging lines only when the
// environment sets OHMKIT_LOG=debug. Every line is a plain sentence. Tests capture lines with
// a LogCapture.
#include <functional>
#include <string>
#include <vector>

namespace ohmkit::platform {

enum class LogLevel { error, warning, info, debug };

// printf-style, checked by the compiler.
void logError(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void logWarning(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void logInfo(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void logDebug(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Information, as logInfo.
void logFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void logLine(const std::string& line);
// One line at `level`.
void log(LogLevel level, const std::string& line);
// True when lines of `level` are written (debug: OHMKIT_LOG=debug, read once).
bool logs(LogLevel level);

// While it exists, every line that would be written is recorded here (and not written to
// standard error), without its level.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return lines_; }
    bool contains(const std::string& line) const;
    void clear() { lines_.clear(); }

private:
    friend void log(LogLevel, const std::string&);
    std::vector<std::string> lines_;
    LogCapture* previous_;
};

}  // namespace ohmkit::platform
