#include "platform/log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/time.h>

namespace ohmkit::platform {

namespace {

LogCapture* activeCapture = nullptr;

std::string formatted(const char* fmt, va_list args)
{
    char stack[512];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(stack, sizeof stack, fmt, copy);
    va_end(copy);
    std::string line;
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof stack) {
        line.assign(stack, static_cast<std::size_t>(n));
    } else if (n > 0) {
        line.resize(static_cast<std::size_t>(n));
        std::vsnprintf(line.data(), line.size() + 1, fmt, args);
    }
    return line;
}

const char* levelName(LogLevel level)
{
    switch (level) {
    case LogLevel::error: return "error";
    case LogLevel::warning: return "warning";
    case LogLevel::info: return "info";
    case LogLevel::debug: return "debug";
    }
    return "info";
}

}  // namespace

LogCapture::LogCapture() : previous_(activeCapture) { activeCapture = this; }
LogCapture::~LogCapture() { activeCapture = previous_; }

bool LogCapture::contains(const std::string& line) const
{
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

bool logs(LogLevel level)
{
    static const bool debug = [] {
        const char* setting = std::getenv("OHMKIT_LOG");
        return setting && std::strcmp(setting, "debug") == 0;
    }();
    return level != LogLevel::debug || debug;
}

void log(LogLevel level, const std::string& line)
{
    if (!logs(level)) return;
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
    std::fprintf(stderr, "%s.%03d ohmkit %s: %s\n", stamp, static_cast<int>(tv.tv_usec / 1000), levelName(level),
                 line.c_str());
}

void logLine(const std::string& line) { log(LogLevel::info, line); }

void logError(const char* fmt, ...)
{
    if (!logs(LogLevel::error)) return;
    va_list args;
    va_start(args, fmt);
    const std::string line = formatted(fmt, args);
    va_end(args);
    log(LogLevel::error, line);
}

void logWarning(const char* fmt, ...)
{
    if (!logs(LogLevel::warning)) return;
    va_list args;
    va_start(args, fmt);
    const std::string line = formatted(fmt, args);
    va_end(args);
    log(LogLevel::warning, line);
}

void logInfo(const char* fmt, ...)
{
    if (!logs(LogLevel::info)) return;
    va_list args;
    va_start(args, fmt);
    const std::string line = formatted(fmt, args);
    va_end(args);
    log(LogLevel::info, line);
}

void logDebug(const char* fmt, ...)
{
    if (!logs(LogLevel::debug)) return;
    va_list args;
    va_start(args, fmt);
    const std::string line = formatted(fmt, args);
    va_end(args);
    log(LogLevel::debug, line);
}

void logFormat(const char* fmt, ...)
{
    if (!logs(LogLevel::info)) return;
    va_list args;
    va_start(args, fmt);
    const std::string line = formatted(fmt, args);
    va_end(args);
    log(LogLevel::info, line);
}

}  // namespace ohmkit::platform
