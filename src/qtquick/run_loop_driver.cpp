#include "qtquick/run_loop_driver.h"

#include <algorithm>
#include <climits>

namespace ohmkit::qtquick {

RunLoopDriver::RunLoopDriver(platform::RunLoop& loop, QObject* parent)
    : QObject(parent), loop_(loop), notifier_(loop.pollableFd(), QSocketNotifier::Read)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&notifier_, &QSocketNotifier::activated, this, &RunLoopDriver::pass);
    connect(&timer_, &QTimer::timeout, this, &RunLoopDriver::pass);
    arm();
}

void RunLoopDriver::pass()
{
    loop_.runOnce();   // never waits: Qt has already seen that something is ready
    arm();
}

void RunLoopDriver::arm()
{
    auto next = loop_.nextTimeout();
    if (!next) {
        timer_.stop();
        return;
    }
    timer_.start(static_cast<int>(std::min<long long>(next->count(), INT_MAX)));
}

}  // namespace ohmkit::qtquick
