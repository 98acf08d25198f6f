#include "platform/run_loop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <stdexcept>

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

// ---- FdWatch --------------------------------------------------------------------------------

FdWatch::FdWatch(RunLoop& loop, int fd, unsigned events, Callback callback)
    : loop_(loop), fd_(fd), events_(events), id_(0), callback_(std::move(callback))
{
    loop_.addWatch(*this);
}

FdWatch::~FdWatch() { loop_.removeWatch(*this); }

void FdWatch::setEvents(unsigned events)
{
    if (events == events_) return;
    events_ = events;
    loop_.updateWatch(*this);
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
    loop.addTimer(timer);
    return timer;
}

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
    ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, wakeFd_, &ev);
}

RunLoop::~RunLoop()
{
    for (auto& [key, timer] : timers_) timer->valid_ = false;
    // Pending calls are destroyed while the loop is still whole: what they captured may cancel
    // calls on its way out.
    byTarget_.clear();
    {
        ReadyQueue ready = std::move(ready_);
        DelayedQueue delayed = std::move(delayed_);
    }
    ::close(wakeFd_);
    ::close(epollFd_);
}

RunLoop& RunLoop::main()
{
    static RunLoop loop;
    return loop;
}

void RunLoop::addWatch(FdWatch& watch)
{
    watch.id_ = nextId_++;
    watches_[watch.id_] = &watch;
    if (watch.events_ != 0) registerWatch(watch, EPOLL_CTL_ADD);
}

// A paused watch (no events) is taken out of epoll altogether: epoll reports a hang-up or an
// error even for an empty event mask, and the loop would wake for it over and over.
void RunLoop::updateWatch(FdWatch& watch)
{
    if (watch.events_ == 0) {
        ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, watch.fd_, nullptr);
        return;
    }
    if (registerWatch(watch, EPOLL_CTL_MOD) != 0 && errno == ENOENT) registerWatch(watch, EPOLL_CTL_ADD);
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
    // The descriptor may already be closed or paused; then it is not registered any more.
    ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, watch.fd_, nullptr);
}

void RunLoop::addTimer(std::shared_ptr<Timer> timer)
{
    timer->deadline_ = Clock::now() + toDuration(timer->interval_);
    timer->sequence_ = nextSequence_++;
    TimerKey key{timer->deadline_, timer->sequence_};
    timers_.emplace(key, std::move(timer));
    wakeUnlessDispatching();
}

void RunLoop::removeTimer(Timer& timer)
{
    // Erasing while fireTimers() walks its list of due timers is safe: that list holds its own
    // references.
    timers_.erase(TimerKey{timer.deadline_, timer.sequence_});
}

void RunLoop::post(std::function<void()> call, double seconds, const void* target, std::string operation)
{
    auto node = std::make_unique<Deferred>();
    Deferred& d = *node;
    d.sequence = nextSequence_++;
    const auto delay = toDuration(seconds);
    d.due = Clock::now() + delay;
    d.target = target;
    d.operation = std::move(operation);
    d.call = std::move(call);
    if (target) {
        SameCalls& same = byTarget_[target][d.operation];
        d.inSame = same.insert(same.end(), &d);
    }
    if (delay == Clock::duration::zero()) {
        d.inReady = ready_.insert(ready_.end(), std::move(node));
    } else {
        d.delayed = true;
        d.inDelayed = delayed_.emplace(d.due, std::move(node));   // equal times keep posting order
    }
    wakeUnlessDispatching();
}

// Removes a pending call from its queue and from the index of its target, and hands it over.
RunLoop::DeferredPtr RunLoop::takeOut(Deferred& d)
{
    if (d.target) {
        auto byOperation = byTarget_.find(d.target);
        auto same = byOperation->second.find(d.operation);
        same->second.erase(d.inSame);
        if (same->second.empty()) byOperation->second.erase(same);
        if (byOperation->second.empty()) byTarget_.erase(byOperation);
    }
    DeferredPtr node;
    if (d.delayed) {
        node = std::move(d.inDelayed->second);
        delayed_.erase(d.inDelayed);
    } else {
        node = std::move(*d.inReady);
        ready_.erase(d.inReady);
    }
    return node;
}

void RunLoop::takeOutAll(SameCalls& calls, std::vector<DeferredPtr>& into)
{
    // takeOut() erases from `calls` (and may erase `calls` itself with its last element).
    while (!calls.empty()) {
        const bool last = calls.size() == 1;
        into.push_back(takeOut(*calls.front()));
        if (last) break;
    }
}

// Withdrawn calls are destroyed only once the queues are consistent again: what a call
// captured may, while being destroyed, post or cancel calls itself.
void RunLoop::cancel(const void* target, const std::string& operation)
{
    std::vector<DeferredPtr> withdrawn;
    if (auto byOperation = byTarget_.find(target); byOperation != byTarget_.end())
        if (auto same = byOperation->second.find(operation); same != byOperation->second.end())
            takeOutAll(same->second, withdrawn);
}

void RunLoop::cancelAll(const void* target)
{
    std::vector<DeferredPtr> withdrawn;
    for (;;) {
        auto byOperation = byTarget_.find(target);
        if (byOperation == byTarget_.end()) break;
        takeOutAll(byOperation->second.begin()->second, withdrawn);
    }
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
    std::vector<std::shared_ptr<Timer>> due;   // in deadline order, equal deadlines in start order
    for (auto it = timers_.begin(); it != timers_.end() && it->first.first <= now_; ++it) due.push_back(it->second);
    for (auto& timer : due) {
        if (!timer->valid_) continue;   // invalidated by an earlier callback of this pass
        removeTimer(*timer);
        if (timer->repeats_) {
            // An overdue repeating timer fires once and then keeps its rhythm.
            auto step = std::max(toDuration(timer->interval_), Clock::duration(std::chrono::milliseconds(1)));
            auto next = timer->deadline_ + step;
            if (next <= now_) next = now_ + step;
            timer->deadline_ = next;
            timers_.emplace(TimerKey{timer->deadline_, timer->sequence_}, timer);
        } else {
            timer->valid_ = false;      // marked stopped before it calls back
        }
        auto callback = timer->callback_;   // the callback may drop the timer's last owner
        if (callback) callback(*timer);
    }
    return !due.empty();
}

// Runs the calls without delay that were posted before this iteration, in posting order, then
// the delayed calls that have come due, by due time. Each call is taken out before it runs, so
// it may post, cancel or destroy whatever it likes.
bool RunLoop::runDeferred(std::uint64_t postedBefore)
{
    bool ran = false;
    while (!ready_.empty() && ready_.front()->sequence < postedBefore) {
        DeferredPtr node = takeOut(*ready_.front());
        ran = true;
        if (node->call) node->call();
    }
    while (!delayed_.empty() && delayed_.begin()->first <= now_ && delayed_.begin()->second->sequence < postedBefore) {
        DeferredPtr node = takeOut(*delayed_.begin()->second);
        ran = true;
        if (node->call) node->call();
    }
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
    if (n < 0 && errno != EINTR) n = 0;
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
