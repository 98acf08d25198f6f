#pragma once
// Keeps the desktop's screen saver from starting while the application's idle timer is
// switched off (the upload screen is shown): asks the session's screen saver service
// (org.freedesktop.ScreenSaver over D-Bus) to inhibit, and withdraws the request when the idle
// timer is switched on again. Without D-Bus or without the service it does nothing.
#include <QObject>

namespace ohmkit::qtquick {

class ScreenSaverInhibitor : public QObject {
    Q_OBJECT

public:
    explicit ScreenSaverInhibitor(QObject* parent = nullptr);
    ~ScreenSaverInhibitor() override;

    // Makes an inhibitor owned by `parent` follow the application's idle-timer switch.
    static void install(QObject* parent);

    void setInhibited(bool inhibited);
    bool isInhibited() const { return wanted_; }

private:
    void request();
    void release();

    bool wanted_ = false;      // what the application asked for
    bool pending_ = false;     // an Inhibit call is on its way
    bool holding_ = false;     // the service gave us a cookie
    unsigned cookie_ = 0;
};

}  // namespace ohmkit::qtquick
