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
// Cost: posting, running and cancelling a call without delay take constant time whatever else
// is pending; delayed calls and timers are kept ordered by due time (logarithmic).
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ohmkit::platform {

class RunLoop;

// Watches one file descriptor for readability and/or writability while it exists.
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
    void setEvents(unsigned events);     // 0 pauses the watch without removing it

private:
    friend class RunLoop;
    RunLoop& loop_;
    int fd_;
    unsigned events_;
    std::uint64_t id_;
    Callback callback_;
};

// A one-shot or repeating timer. The loop keeps a scheduled timer alive until it is
// invalidated (or, for a one-shot timer, until it has fired); owners keep a shared_ptr to it.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void(Timer&)>;

    // Starts a timer on the loop that fires after `seconds` (negative counts as 0).
    static std::shared_ptr<Timer> schedule(RunLoop& loop, double seconds, bool repeats, Callback callback);

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

    // Runs `call` after `seconds` (0 = on a later iteration). `target` and `operation` name the
    // call so that cancel() can withdraw it; a call posted without a target cannot be withdrawn.
    void post(std::function<void()> call, double seconds = 0.0, const void* target = nullptr,
              std::string operation = {});
    // Withdraws every pending call posted with this target and operation.
    void cancel(const void* target, const std::string& operation);
    // Withdraws every pending call posted with this target, whatever its operation.
    void cancelAll(const void* target);

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

    // A pending deferred call. It lives in exactly one of the two queues (without delay:
    // `ready_`, in posting order; with a delay: `delayed_`, by due time) and, when it has a
    // target, in the list of its (target, operation) in `byTarget_`; it knows its place in
    // each, so taking it out costs no search.
    struct Deferred;
    using DeferredPtr = std::unique_ptr<Deferred>;
    using ReadyQueue = std::list<DeferredPtr>;
    using DelayedQueue = std::multimap<Clock::time_point, DeferredPtr>;
    using SameCalls = std::list<Deferred*>;
    struct Deferred {
        std::uint64_t sequence;
        Clock::time_point due;
        const void* target;
        std::string operation;
        std::function<void()> call;
        bool delayed = false;
        ReadyQueue::iterator inReady;
        DelayedQueue::iterator inDelayed;
        SameCalls::iterator inSame;
    };
    using TimerKey = std::pair<Clock::time_point, std::uint64_t>;   // deadline, start order

    void addWatch(FdWatch& watch);
    void updateWatch(FdWatch& watch);
    void removeWatch(FdWatch& watch);
    int registerWatch(FdWatch& watch, int operation);
    void addTimer(std::shared_ptr<Timer> timer);
    void removeTimer(Timer& timer);
    void wake();
    void wakeUnlessDispatching();
    void drainWake();
    bool fireTimers();
    bool runDeferred(std::uint64_t postedBefore);
    DeferredPtr takeOut(Deferred& call);
    void takeOutAll(SameCalls& calls, std::vector<DeferredPtr>& into);
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
    std::map<TimerKey, std::shared_ptr<Timer>> timers_;
    ReadyQueue ready_;
    DelayedQueue delayed_;
    std::unordered_map<const void*, std::unordered_map<std::string, SameCalls>> byTarget_;
};

}  // namespace ohmkit::platform
