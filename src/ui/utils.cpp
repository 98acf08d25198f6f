#include "ui/utils.h"

#include "platform/files.h"
#include "platform/log.h"
#include "platform/run_loop.h"
#include "platform/text.h"
#include "ui/application.h"

namespace ohmkit::ui {

std::int32_t Utils::mebibytes(std::int64_t bytes)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(bytes / 1048576)));
}

std::int32_t Utils::getTotalSpace()
{
    auto size = platform::fileSystemSize(platform::documentsDirectory());
    return size ? mebibytes(*size) : 0;
}

std::int32_t Utils::getFreeSpace()
{
    auto size = platform::fileSystemFreeSize(platform::documentsDirectory());
    return size ? mebibytes(*size) : 0;
}

void Utils::runAfterDelay(float delay, std::function<void()> block)
{
    // Nanoseconds as the single-precision product, truncated (saturating for huge delays).
    float product = delay * 1000000000.0f;
    long long nanoseconds = platform::truncToLongLong(product);
    platform::RunLoop::main().post(std::move(block), static_cast<double>(nanoseconds) / 1e9);
}

bool Utils::addSkipBackupAttributeToItemAtURL(const std::string& fileURL)
{
    std::string path = pathOfFileURL(fileURL);
    if (!platform::fileExists(path)) return false;
    std::string error;
    bool ok = platform::setExcludedFromBackup(path, &error);
    if (!ok) platform::logFormat("Error excluding %s from backup %s", lastPathComponent(path).c_str(), error.c_str());
    return ok;
}

std::string fileURLWithPath(const std::string& path) { return "file://" + path; }

std::string pathOfFileURL(const std::string& url)
{
    const std::string scheme = "file://";
    return url.compare(0, scheme.size(), scheme) == 0 ? url.substr(scheme.size()) : url;
}

std::string lastPathComponent(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool AppDelegate::isIPad() { return ui::Application::shared().userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad; }

}  // namespace ohmkit::ui
