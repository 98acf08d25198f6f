#pragma once
// The application's single event loop: file-descriptor watches, timers and deferred calls.
//
// What it is for: everything in Ohmkit (screens, calculators, sockets, file transfers) runs on
// one thread, one event at a time, driven by this loop. Headless modes call run(); the Qt front
// end drives the same loop from Qt's event loop through pollableFd() and nextTimeout().
// What it is not for: threads. Every member must be called on the thread that runs the loop.
//
// One iteration: read "now" once, dispatch ready fds, fire due timers (earliest deadline first,
// equal deadlines in start order), then run the deferred calls that were due when the
// iteration began (calls without delay in posting order, then delayed calls by due time).
// Work posted while dispatching runs on a later iteration, never inside the posting call.
//
// Cancelling is by handle: defer() returns a PendingCall, Timer::schedule() a Timer and a
// watch is an FdWatch; each withdraws its work when it is destroyed, so an object that holds
// its handles as members can never be called back after it is gone.
//
// Cost: posting, running and cancelling a call without delay take constant time whatever else
// is pending; delayed calls and timers are kept ordered by due time (logarithmic).
//
// Errors: a descriptor the loop cannot watch (already watched, closed, not pollable) makes the
// FdWatch constructor throw std::system_error; a failing wait makes runOnce() throw it.
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

namespace ohmkit::platform {

class RunLoop;
struct DeferredCall;

// A deferred call that has not run yet. Destroying the handle, assigning another call to it or
// cancel() withdraws the call; once the call has started running, the handle is no longer
// pending and withdraws nothing. Move-only; a default-constructed handle holds no call.
class [[nodiscard]] PendingCall {
public:
    PendingCall() = default;
    ~PendingCall() { cancel(); }
    PendingCall(PendingCall&& other) noexcept = default;
    PendingCall& operator=(PendingCall&& other) noexcept;
    PendingCall(const PendingCall&) = delete;
    PendingCall& operator=(const PendingCall&) = delete;

    void cancel();
    bool pending() const { return !call_.expired(); }

private:
    friend class RunLoop;
    PendingCall(RunLoop& loop, std::weak_ptr<DeferredCall> call) : loop_(&loop), call_(std::move(call)) {}
    RunLoop* loop_ = nullptr;
    std::weak_ptr<DeferredCall> call_;
};

// Several calls one object has deferred, withdrawn together by cancelAll() or destruction.
// Calls that have run are forgotten as new ones are added.
class PendingCalls {
public:
    void defer(RunLoop& loop, std::function<void()> call, double seconds = 0.0);
    void cancelAll() { calls_.clear(); }
    bool empty() const;

private:
    std::vector<PendingCall> calls_;
};

// Watches one file descriptor for readability and/or writability while it exists. A
// descriptor has at most one watch on a loop: a second one throws std::system_error, as does
// one the loop cannot add (a closed descriptor, a regular file).
class FdWatch {
public:
    enum Events : unsigned { Readable = 1, Writable = 2, Error = 4 };
    using Callback = std::function<void(unsigned events)>;

    FdWatch(RunLoop& loop, int fd, unsigned events, Callback callback);
    ~FdWatch();
    FdWatch(const FdWatch&) = delete;
    FdWatch& operator=(const FdWatch&) = delete;

    int fd() const { return fd_; }
    unsigned events() const { return events_; }
    // 0 pauses the watch without removing it. False (and logged) when the loop refused the
    // change, for instance because the descriptor was closed under the watch.
    bool setEvents(unsigned events);

private:
    friend class RunLoop;
    RunLoop& loop_;
    int fd_;
    unsigned events_;
    std::uint64_t id_;
    Callback callback_;
};

// A one-shot or repeating timer. It runs while its owners hold it: dropping the last
// shared_ptr stops it, as invalidate() does. A timer is kept alive while it calls back.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void(Timer&)>;

    // Starts a timer on the loop that fires after `seconds` (negative counts as 0).
    [[nodiscard]] static std::shared_ptr<Timer> schedule(RunLoop& loop, double seconds, bool repeats,
                                                         Callback callback);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void invalidate();                   // never fires again; idempotent
    bool isValid() const { return valid_; }
    double interval() const { return interval_; }
    bool repeats() const { return repeats_; }

    Timer(RunLoop& loop, double seconds, bool repeats, Callback callback);   // use schedule()

private:
    friend class RunLoop;
    RunLoop& loop_;
    double interval_;
    bool repeats_;
    bool valid_ = true;
    Callback callback_;
    std::chrono::steady_clock::time_point deadline_;
    std::uint64_t sequence_ = 0;         // start order, breaks ties between equal deadlines
};

class RunLoop {
public:
    using Clock = std::chrono::steady_clock;

    RunLoop();
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The loop of the main thread: the one every screen and socket uses.
    static RunLoop& main();

    // Runs `call` after `seconds` (0 = on a later iteration). A posted call cannot be
    // withdrawn: what it captures decides whether it still has work to do (a weak_ptr).
    void post(std::function<void()> call, double seconds = 0.0);
    // The same, withdrawn when the returned handle is destroyed or cancelled.
    [[nodiscard]] PendingCall defer(std::function<void()> call, double seconds = 0.0);

    void run();                          // iterates until stop()
    void stop();                         // makes run() return after the current iteration
    // One iteration, waiting at most `maxWait` (zero: no waiting) for something to do.
    // Returns true when it dispatched anything.
    bool runOnce(std::chrono::milliseconds maxWait = std::chrono::milliseconds(0));
    // Iterates until `done` returns true or `timeout` passes; returns done().
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    // For the Qt integration: a descriptor that is readable whenever the loop has fd work,
    // and how long until the next timer or deferred call is due (nullopt: nothing scheduled).
    int pollableFd() const { return epollFd_; }
    std::optional<std::chrono::milliseconds> nextTimeout() const;

    Clock::time_point now() const { return now_; }
    bool hasPendingWork() const;
    std::size_t pendingCalls() const { return ready_.size() + delayed_.size(); }   // deferred calls

private:
    friend class FdWatch;
    friend class Timer;
    friend class PendingCall;

    // A pending deferred call lives in exactly one of the two queues (without delay: `ready_`,
    // in posting order; with a delay: `delayed_`, by due time) and knows its place there, so
    // taking it out costs no search. Its handle, if any, holds a weak reference to it.
    using DeferredPtr = std::shared_ptr<DeferredCall>;
    using ReadyQueue = std::list<DeferredPtr>;
    using DelayedQueue = std::multimap<Clock::time_point, DeferredPtr>;
    using TimerKey = std::pair<Clock::time_point, std::uint64_t>;   // deadline, start order

    void addWatch(FdWatch& watch);
    bool updateWatch(FdWatch& watch);
    void removeWatch(FdWatch& watch);
    int registerWatch(FdWatch& watch, int operation);
    void addTimer(Timer& timer);
    void removeTimer(Timer& timer);
    DeferredPtr enqueue(std::function<void()> call, double seconds);
    void withdraw(DeferredCall& call);
    void wake();
    void wakeUnlessDispatching();
    void drainWake();
    bool fireTimers();
    bool runDeferred(std::uint64_t postedBefore);
    DeferredPtr takeOut(DeferredCall& call);
    std::optional<Clock::time_point> nextDeadline() const;

    int epollFd_ = -1;
    int wakeFd_ = -1;
    bool stopped_ = false;
    bool wakePending_ = false;   // the eventfd has been written and not yet drained
    int dispatching_ = 0;        // depth of runOnce passes now calling back
    Clock::time_point now_;
    std::uint64_t nextId_ = 1;
    std::uint64_t nextSequence_ = 1;
    std::map<std::uint64_t, FdWatch*> watches_;
    std::unordered_set<int> watchedFds_;
    std::map<TimerKey, Timer*> timers_;   // a timer takes itself out when it is destroyed
    ReadyQueue ready_;
    DelayedQueue delayed_;
};

struct DeferredCall {
    std::uint64_t sequence = 0;
    RunLoop::Clock::time_point due;
    std::function<void()> call;
    bool queued = true;
    bool delayed = false;
    std::list<std::shared_ptr<DeferredCall>>::iterator inReady;
    std::multimap<RunLoop::Clock::time_point, std::shared_ptr<DeferredCall>>::iterator inDelayed;
};

}  // namespace ohmkit::platform
