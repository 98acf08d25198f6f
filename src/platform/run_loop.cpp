#include "platform/run_loop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/log.h"

namespace ohmkit::platform {

namespace {

RunLoop::Clock::duration toDuration(double seconds)
{
    if (!(seconds > 0.0)) return RunLoop::Clock::duration::zero();   // negative and NaN count as 0
    // Clamp to about 100 years so the conversion never overflows.
    seconds = std::min(seconds, 3.0e9);
    return std::chrono::duration_cast<RunLoop::Clock::duration>(std::chrono::duration<double>(seconds));
}

std::uint32_t epollEvents(unsigned events)
{
    std::uint32_t e = 0;
    if (events & FdWatch::Readable) e |= EPOLLIN;
    if (events & FdWatch::Writable) e |= EPOLLOUT;
    return e;
}

}  // namespace

// ---- PendingCall ----------------------------------------------------------------------------

PendingCall& PendingCall::operator=(PendingCall&& other) noexcept
{
    if (this != &other) {
        cancel();
        loop_ = other.loop_;
        call_ = std::move(other.call_);
    }
    return *this;
}

void PendingCall::cancel()
{
    if (auto call = call_.lock()) loop_->withdraw(*call);
    call_.reset();
}

void PendingCalls::defer(RunLoop& loop, std::function<void()> call, double seconds)
{
    std::erase_if(calls_, [](const PendingCall& c) { return !c.pending(); });
    calls_.push_back(loop.defer(std::move(call), seconds));
}

bool PendingCalls::empty() const
{
    return std::none_of(calls_.begin(), calls_.end(), [](const PendingCall& c) { return c.pending(); });
}

// ---- FdWatch --------------------------------------------------------------------------------

FdWatch::FdWatch(RunLoop& loop, int fd, unsigned events, Callback callback)
    : loop_(loop), fd_(fd), events_(events), id_(0), callback_(std::move(callback))
{
    loop_.addWatch(*this);
}

FdWatch::~FdWatch() { loop_.removeWatch(*this); }

bool FdWatch::setEvents(unsigned events)
{
    if (events == events_) return true;
    events_ = events;
    return loop_.updateWatch(*this);
}

// ---- Timer ----------------------------------------------------------------------------------

Timer::Timer(RunLoop& loop, double seconds, bool repeats, Callback callback)
    : loop_(loop), interval_(seconds < 0 || std::isnan(seconds) ? 0.0 : seconds), repeats_(repeats),
      callback_(std::move(callback))
{
}

std::shared_ptr<Timer> Timer::schedule(RunLoop& loop, double seconds, bool repeats, Callback callback)
{
    auto timer = std::make_shared<Timer>(loop, seconds, repeats, std::move(callback));
    loop.addTimer(*timer);
    return timer;
}

Timer::~Timer() { invalidate(); }

void Timer::invalidate()
{
    if (!valid_) return;
    valid_ = false;
    loop_.removeTimer(*this);
}

// ---- RunLoop --------------------------------------------------------------------------------

RunLoop::RunLoop() : now_(Clock::now())
{
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (epollFd_ < 0 || wakeFd_ < 0) throw std::runtime_error("RunLoop: cannot create epoll or eventfd");
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = 0;   // id 0 is the wake-up descriptor
    if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, wakeFd_, &ev) != 0) {
        const int error = errno;
        ::close(wakeFd_);
        ::close(epollFd_);
        throw std::system_error(error, std::generic_category(), "RunLoop: cannot watch its wake-up descriptor");
    }
}

RunLoop::~RunLoop()
{
    // Timers that outlive the loop must not reach back into it.
    for (auto& [key, timer] : timers_) timer->valid_ = false;
    timers_.clear();
    // Pending calls are destroyed while the loop is still whole: what they captured may post,
    // or cancel calls through their handles, on its way out.
    std::vector<DeferredPtr> pending;
    for (auto& call : ready_) pending.push_back(std::move(call));
    for (auto& [due, call] : delayed_) pending.push_back(std::move(call));
    ready_.clear();
    delayed_.clear();
    for (auto& call : pending) call->queued = false;
    pending.clear();
    ready_.clear();
    delayed_.clear();
    ::close(wakeFd_);
    ::close(epollFd_);
}

RunLoop& RunLoop::main()
{
    static RunLoop loop;
    return loop;
}

// A descriptor has one watch per loop: a second one would replace the first one's
// registration, and one of them would never be called.
void RunLoop::addWatch(FdWatch& watch)
{
    watch.id_ = nextId_++;
    int error = 0;
    if (watchedFds_.count(watch.fd_) != 0)
        error = EEXIST;
    else if (watch.events_ != 0 && registerWatch(watch, EPOLL_CTL_ADD) != 0)
        error = errno;
    if (error != 0)
        throw std::system_error(error, std::generic_category(),
                                "RunLoop: cannot watch descriptor " + std::to_string(watch.fd_));
    watches_[watch.id_] = &watch;
    watchedFds_.insert(watch.fd_);
}

// A paused watch (no events) is taken out of epoll altogether: epoll reports a hang-up or an
// error even for an empty event mask, and the loop would wake for it over and over.
bool RunLoop::updateWatch(FdWatch& watch)
{
    int rc;
    if (watch.events_ == 0) {
        rc = ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, watch.fd_, nullptr);
        if (rc != 0 && errno == ENOENT) rc = 0;   // already out
    } else {
        rc = registerWatch(watch, EPOLL_CTL_MOD);
        if (rc != 0 && errno == ENOENT) rc = registerWatch(watch, EPOLL_CTL_ADD);
    }
    if (rc == 0) return true;
    logError("RunLoop: cannot change the watch of descriptor %d: %s", watch.fd_, std::strerror(errno));
    return false;
}

int RunLoop::registerWatch(FdWatch& watch, int operation)
{
    epoll_event ev{};
    ev.events = epollEvents(watch.events_);
    ev.data.u64 = watch.id_;
    return ::epoll_ctl(epollFd_, operation, watch.fd_, &ev);
}

void RunLoop::removeWatch(FdWatch& watch)
{
    watches_.erase(watch.id_);
    watchedFds_.erase(watch.fd_);
    // The descriptor may already be closed or paused; then it is not registered any more.
    ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, watch.fd_, nullptr);
}

void RunLoop::addTimer(Timer& timer)
{
    timer.deadline_ = Clock::now() + toDuration(timer.interval_);
    timer.sequence_ = nextSequence_++;
    timers_.emplace(TimerKey{timer.deadline_, timer.sequence_}, &timer);
    wakeUnlessDispatching();
}

void RunLoop::removeTimer(Timer& timer)
{
    // Erasing while fireTimers() walks its list of due timers is safe: that list holds its own
    // references.
    timers_.erase(TimerKey{timer.deadline_, timer.sequence_});
}

RunLoop::DeferredPtr RunLoop::enqueue(std::function<void()> call, double seconds)
{
    auto node = std::make_shared<DeferredCall>();
    DeferredCall& d = *node;
    d.sequence = nextSequence_++;
    const auto delay = toDuration(seconds);
    d.due = Clock::now() + delay;
    d.call = std::move(call);
    if (delay == Clock::duration::zero()) {
        d.inReady = ready_.insert(ready_.end(), node);
    } else {
        d.delayed = true;
        d.inDelayed = delayed_.emplace(d.due, node);   // equal times keep posting order
    }
    wakeUnlessDispatching();
    return node;
}

void RunLoop::post(std::function<void()> call, double seconds) { enqueue(std::move(call), seconds); }

PendingCall RunLoop::defer(std::function<void()> call, double seconds)
{
    return PendingCall(*this, enqueue(std::move(call), seconds));
}

// Removes a pending call from its queue and hands it over.
RunLoop::DeferredPtr RunLoop::takeOut(DeferredCall& d)
{
    DeferredPtr node;
    if (d.delayed) {
        node = std::move(d.inDelayed->second);
        delayed_.erase(d.inDelayed);
    } else {
        node = std::move(*d.inReady);
        ready_.erase(d.inReady);
    }
    d.queued = false;
    return node;
}

// A withdrawn call is destroyed only once the queues are consistent again: what it captured
// may, while being destroyed, post or cancel calls itself.
void RunLoop::withdraw(DeferredCall& d)
{
    if (!d.queued) return;
    DeferredPtr withdrawn = takeOut(d);
    withdrawn->call = nullptr;
}

// Makes the epoll descriptor readable, so that whoever waits on it (epoll_wait, or Qt's
// notifier on pollableFd) looks at the loop again. One write is enough until it is drained.
void RunLoop::wake()
{
    if (wakePending_) return;
    wakePending_ = true;
    std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

// Work added by a callback of a pass needs no wake: the wait after the pass is computed from
// the timers and deferred calls then pending (runOnce, and the Qt driver's re-arming). Only
// work added from outside a pass (a Qt event handler) must wake the loop's waiter.
void RunLoop::wakeUnlessDispatching()
{
    if (dispatching_ == 0) wake();
}

void RunLoop::drainWake()
{
    std::uint64_t value;
    [[maybe_unused]] auto n = ::read(wakeFd_, &value, sizeof value);
    wakePending_ = false;
}

std::optional<RunLoop::Clock::time_point> RunLoop::nextDeadline() const
{
    std::optional<Clock::time_point> next;
    auto consider = [&](Clock::time_point t) {
        if (!next || t < *next) next = t;
    };
    if (!timers_.empty()) consider(timers_.begin()->first.first);
    if (!ready_.empty()) consider(ready_.front()->due);
    if (!delayed_.empty()) consider(delayed_.begin()->first);
    return next;
}

std::optional<std::chrono::milliseconds> RunLoop::nextTimeout() const
{
    auto next = nextDeadline();
    if (!next) return std::nullopt;
    auto left = *next - Clock::now();
    if (left <= Clock::duration::zero()) return std::chrono::milliseconds(0);
    // Round up so that a wait never ends just before the deadline.
    return std::chrono::ceil<std::chrono::milliseconds>(left);
}

bool RunLoop::hasPendingWork() const
{
    return !timers_.empty() || !ready_.empty() || !delayed_.empty() || !watches_.empty();
}

bool RunLoop::fireTimers()
{
    // In deadline order, equal deadlines in start order; each held alive until the pass is over.
    std::vector<std::shared_ptr<Timer>> due;
    for (auto it = timers_.begin(); it != timers_.end() && it->first.first <= now_; ++it)
        due.push_back(it->second->shared_from_this());
    for (auto& timer : due) {
        if (!timer->valid_) continue;   // invalidated by an earlier callback of this pass
        removeTimer(*timer);
        if (timer->repeats_) {
            // An overdue repeating timer fires once and then keeps its rhythm.
            auto step = std::max(toDuration(timer->interval_), Clock::duration(std::chrono::milliseconds(1)));
            auto next = timer->deadline_ + step;
            if (next <= now_) next = now_ + step;
            timer->deadline_ = next;
            timers_.emplace(TimerKey{timer->deadline_, timer->sequence_}, timer.get());
        } else {
            timer->valid_ = false;      // marked stopped before it calls back
        }
        auto callback = timer->callback_;   // the callback may drop the timer's last owner
        if (callback) callback(*timer);
    }
    return !due.empty();
}

// Runs the calls without delay that were posted before this iteration, in posting order, then
// the delayed calls that have come due, by due time. Each call is taken out (and its handle
// no longer pending) before it runs, so it may post, cancel or destroy whatever it likes.
bool RunLoop::runDeferred(std::uint64_t postedBefore)
{
    bool ran = false;
    auto run = [&](DeferredCall& d) {
        std::function<void()> call = std::move(takeOut(d)->call);
        ran = true;
        if (call) call();
    };
    while (!ready_.empty() && ready_.front()->sequence < postedBefore) run(*ready_.front());
    while (!delayed_.empty() && delayed_.begin()->first <= now_ && delayed_.begin()->second->sequence < postedBefore)
        run(*delayed_.begin()->second);
    return ran;
}

bool RunLoop::runOnce(std::chrono::milliseconds maxWait)
{
    const std::uint64_t postedBefore = nextSequence_;
    int timeout = static_cast<int>(std::min<long long>(maxWait.count(), 1 << 30));
    if (timeout > 0) {
        if (auto next = nextTimeout()) timeout = static_cast<int>(std::min<long long>(timeout, next->count()));
    }

    epoll_event events[64];
    int n = ::epoll_wait(epollFd_, events, 64, std::max(timeout, 0));
    if (n < 0) {
        if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "RunLoop: waiting for events failed");
        n = 0;
    }
    now_ = Clock::now();
    bool dispatched = false;
    struct Dispatching {
        int& depth;
        explicit Dispatching(int& d) : depth(d) { ++depth; }
        ~Dispatching() { --depth; }
    } dispatching(dispatching_);

    // Collect first: a callback may add or remove watches.
    std::vector<std::pair<std::uint64_t, unsigned>> ready;
    for (int i = 0; i < std::max(n, 0); ++i) {
        if (std::uint64_t id = events[i].data.u64; id == 0) {
            drainWake();
            continue;
        }
        unsigned e = 0;
        if (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLRDHUP)) e |= FdWatch::Readable;
        if (events[i].events & EPOLLOUT) e |= FdWatch::Writable;
        if (events[i].events & EPOLLERR) e |= FdWatch::Error;
        std::uint64_t id = events[i].data.u64;
        ready.emplace_back(id, e);
    }
    for (auto [id, e] : ready) {
        auto it = watches_.find(id);
        if (it == watches_.end()) continue;   // removed by an earlier callback
        FdWatch* watch = it->second;
        unsigned wanted = e & (watch->events_ | FdWatch::Error);
        if (e & FdWatch::Error) wanted |= watch->events_;   // errors wake whoever is waiting
        if (!wanted) continue;
        dispatched = true;
        auto callback = watch->callback_;   // the callback may destroy the watch
        callback(wanted);
    }

    dispatched |= fireTimers();
    dispatched |= runDeferred(postedBefore);
    return dispatched;
}

void RunLoop::run()
{
    stopped_ = false;
    while (!stopped_) runOnce(std::chrono::milliseconds(1 << 30));
    stopped_ = false;
}

void RunLoop::stop()
{
    stopped_ = true;
    wake();
}

bool RunLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto end = Clock::now() + timeout;
    while (!done()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return done();
        runOnce(std::min(left, std::chrono::milliseconds(50)));
    }
    return true;
}

}  // namespace ohmkit::platform
