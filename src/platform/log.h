#pragma once
// The diagnostic log: plain lines, no levels, written to standard error with a time stamp.
// Tests capture lines with a LogCapture.
#include <functional>
#include <string>
#include <vector>

namespace ohmkit::platform {

void logLine(const std::string& line);
// printf-style, checked by the compiler.
void logFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// While it exists, every logged line is recorded here (and not written to standard error).
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
    friend void logLine(const std::string&);
    std::vector<std::string> lines_;
    LogCapture* previous_;
};

}  // namespace ohmkit::platform
