#include "platform/log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <sys/time.h>

namespace ohmkit::platform {

namespace {
LogCapture* activeCapture = nullptr;
}

LogCapture::LogCapture() : previous_(activeCapture) { activeCapture = this; }
LogCapture::~LogCapture() { activeCapture = previous_; }

bool LogCapture::contains(const std::string& line) const
{
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

void logLine(const std::string& line)
{
    if (activeCapture) {
        activeCapture->lines_.push_back(line);
        return;
    }
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm local{};
    localtime_r(&tv.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(stderr, "%s.%03d ohmkit: %s\n", stamp, static_cast<int>(tv.tv_usec / 1000), line.c_str());
}

void logFormat(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    char stack[512];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(stack, sizeof stack, fmt, copy);
    va_end(copy);
    std::string line;
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof stack) {
        line.assign(stack, static_cast<std::size_t>(n));
    } else if (n > 0) {
        line.resize(static_cast<std::size_t>(n));
        std::vsnprintf(line.data(), line.size() + 1, fmt, args);
    }
    va_end(args);
    logLine(line);
}

}  // namespace ohmkit::platform
