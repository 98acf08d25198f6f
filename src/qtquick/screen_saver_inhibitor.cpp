#include "qtquick/screen_saver_inhibitor.h"

#include "ui/application.h"

#if OHMKIT_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace ohmkit::qtquick {

namespace {

#if OHMKIT_HAVE_DBUS
const char* const kService = "org.freedesktop.ScreenSaver";
const char* const kPath = "/org/freedesktop/ScreenSaver";
const char* const kInterface = "org.freedesktop.ScreenSaver";

// The session bus when the screen saver service is on it.
bool serviceAvailable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    return bus.interface()->isServiceRegistered(QString::fromLatin1(kService)).value();
}
#endif

}  // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(QObject* parent) : QObject(parent) {}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    wanted_ = false;
    release();
}

void ScreenSaverInhibitor::install(QObject* parent)
{
    auto* inhibitor = new ScreenSaverInhibitor(parent);
    ui::Application::shared().setIdleTimerObserver([inhibitor](bool disabled) { inhibitor->setInhibited(disabled); });
    QObject::connect(inhibitor, &QObject::destroyed, [] { ui::Application::shared().setIdleTimerObserver(nullptr); });
}

void ScreenSaverInhibitor::setInhibited(bool inhibited)
{
    if (wanted_ == inhibited) return;
    wanted_ = inhibited;
    if (wanted_) request();
    else release();
}

void ScreenSaverInhibitor::request()
{
#if OHMKIT_HAVE_DBUS
    if (pending_ || holding_ || !serviceAvailable()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                       QString::fromLatin1(kInterface), QStringLiteral("Inhibit"));
    call << QStringLiteral("Ohmkit") << QStringLiteral("Receiving datasheets over FTP");
    pending_ = true;
    // Asynchronous, so that a slow service never stalls the window.
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        QDBusPendingReply<unsigned> reply = *done;
        done->deleteLater();
        pending_ = false;
        if (reply.isError()) return;
        cookie_ = reply.value();
        holding_ = true;
        // Switched back on while the request was on its way.
        if (!wanted_) release();
    });
#endif
}

void ScreenSaverInhibitor::release()
{
#if OHMKIT_HAVE_DBUS
    if (!holding_) return;   // a pending request releases itself when its reply comes
    holding_ = false;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                       QString::fromLatin1(kInterface), QStringLiteral("UnInhibit"));
    call << cookie_;
    QDBusConnection::sessionBus().send(call);
#endif
}

}  // namespace ohmkit::qtquick
