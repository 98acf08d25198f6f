// The ohmkit executable: a headless mode when the arguments name one, else the window.
// This is the one place that knows both the application (screens, routes, entry modes) and
// the Qt front end, which is handed the navigation container it shows.
#include <QGuiApplication>
#include <QtQml/qqmlextensionplugin.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/command_line.h"
#include "app/routes.h"
#include "app/serve_command.h"
#include "qtquick/front_end.h"
#include "qtquick/screen_saver_inhibitor.h"

Q_IMPORT_QML_PLUGIN(OhmkitPlugin)

namespace {

bool hasDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (int status = ohmkit::app::runCommandLine(argc, argv); status >= 0) return status;
    if (!hasDisplay()) {
        std::cout << "ohmkit: there is no display to open the window on; serving the datasheet store over FTP "
                     "instead (ohmkit --help lists the headless modes).\n";
        return ohmkit::app::serveCommand({}, std::cout, std::cerr);
    }
    bool tablet = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--tablet") == 0) tablet = true;

    QGuiApplication app(argc, argv);
    // Qt takes the number format from the environment; the calculators print and read with
    // a decimal point whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    QGuiApplication::setApplicationName(QStringLiteral("Ohmkit"));
    // The desktop matches the window to the installed menu entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("ohmkit"));

    ohmkit::qtquick::ScreenSaverInhibitor::install(&app);
    ohmkit::qtquick::FrontEnd frontEnd(ohmkit::app::makeAppNavigationController(), tablet);
    if (!frontEnd.load()) return 1;
    return QGuiApplication::exec();
}
