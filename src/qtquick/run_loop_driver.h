#pragma once
// Drives the program's run loop from Qt's event loop.
//
// A socket notifier on the run loop's pollable descriptor runs a pass whenever fd work or a
// newly posted call is pending; a single-shot timer, re-armed after every pass to the loop's
// next deadline, runs the passes that timers and delayed calls need. Main thread only.
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/run_loop.h"

namespace ohmkit::qtquick {

class RunLoopDriver : public QObject {
    Q_OBJECT

public:
    explicit RunLoopDriver(platform::RunLoop& loop, QObject* parent = nullptr);

private:
    void pass();
    void arm();

    platform::RunLoop& loop_;
    QSocketNotifier notifier_;
    QTimer timer_;
};

}  // namespace ohmkit::qtquick
