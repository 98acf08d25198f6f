#include "qtquick/images.h"

#include <QHash>
#include <QString>

#include "platform/files.h"

namespace ohmkit::qtquick {

QUrl imageUrl(const std::string& name)
{
    if (name.empty()) return {};
    // Tables and pickers ask again on every change: remember what the file system said.
    static QHash<QString, QUrl> found;
    const QString key = QString::fromStdString(name);
    if (auto it = found.constFind(key); it != found.constEnd()) return *it;

    std::string base = name;
    if (auto dot = base.rfind('.'); dot != std::string::npos && dot > 0) base.erase(dot);
    QUrl url;
    for (const char* type : {"svg", "png", "jpg"}) {
        std::string path = platform::resourcePath(base, type);
        if (!path.empty()) {
            url = QUrl::fromLocalFile(QString::fromStdString(path));
            break;
        }
    }
    found.insert(key, url);
    return url;
}

}  // namespace ohmkit::qtquick
