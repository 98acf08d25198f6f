#include "platform/run_loop.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sys/eventfd.h>

#include <fcntl.h>
#include <system_error>
#include <thread>

using namespace ohmkit::platform;
using namespace std::chrono_literals;

TEST(RunLoop, DeferredCallNeverRunsInsidePost)
{
    RunLoop loop;
    bool ran = false;
    loop.post([&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_TRUE(loop.runUntil([&] { return ran; }, 2s));
}

TEST(RunLoop, CallPostedWhileDispatchingRunsOnALaterIteration)
{
    RunLoop loop;
    std::vector<int> order;
    loop.post([&] {
        order.push_back(1);
        loop.post([&] { order.push_back(3); });
    });
    loop.post([&] { order.push_back(2); });
    loop.runOnce(100ms);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    loop.runOnce(100ms);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(RunLoop, DestroyingAHandleWithdrawsOnlyItsCall)
{
    RunLoop loop;
    int a = 0, b = 0;
    auto dequeueRead = std::make_unique<PendingCall>(loop.defer([&] { ++a; }));
    PendingCall dequeueWrite = loop.defer([&] { ++b; });
    dequeueRead.reset();
    loop.runUntil([&] { return b == 1; }, 2s);
    loop.runOnce(10ms);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
}

// A queue that erased from the front of a vector, or searched it to cancel, would take hours
// here: the test timeout catches any cost that grows with what is pending.
TEST(RunLoop, AHundredThousandCallsRunInPostingOrder)
{
    RunLoop loop;
    constexpr int kCalls = 100000;
    std::vector<int> order;
    order.reserve(kCalls);
    std::vector<PendingCall> handles;
    for (int i = 0; i < kCalls; ++i) {
        if (i % 2 == 0)
            loop.post([&order, i] { order.push_back(i); });
        else
            handles.push_back(loop.defer([&order, i] { order.push_back(i); }));
    }
    EXPECT_TRUE(loop.runOnce());
    ASSERT_EQ(order.size(), static_cast<std::size_t>(kCalls));
    for (int i = 0; i < kCalls; ++i) ASSERT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_FALSE(loop.nextTimeout().has_value());
}

TEST(RunLoop, CancellingOneCallAmongAHundredThousand)
{
    RunLoop loop;
    constexpr int kCalls = 100000;
    std::vector<PendingCall> handles;
    int ran = 0;
    bool cancelledRan = false;
    for (int i = 0; i < kCalls; ++i) handles.push_back(loop.defer([&] { ++ran; }));
    PendingCall chosen = loop.defer([&] { cancelledRan = true; });
    for (int i = 0; i < kCalls; ++i) loop.post([&] { ++ran; });
    // Withdrawn one at a time from the middle of the queue, every other call stays.
    for (int i = 0; i < kCalls; i += 2) handles[static_cast<std::size_t>(i)].cancel();
    chosen.cancel();
    chosen.cancel();   // a second cancel withdraws nothing more
    loop.runOnce();
    EXPECT_FALSE(cancelledRan);
    EXPECT_EQ(ran, kCalls / 2 + kCalls);
}

TEST(RunLoop, CancelAllWithdrawsOnlyThatGroupsCalls)
{
    RunLoop loop;
    PendingCalls a, b;
    std::vector<std::string> ran;
    a.defer(loop, [&] { ran.push_back("a1"); });
    b.defer(loop, [&] { ran.push_back("b1"); });
    a.defer(loop, [&] { ran.push_back("a2"); });
    a.defer(loop, [&] { ran.push_back("a3"); }, 0.01);
    b.defer(loop, [&] { ran.push_back("b2"); }, 0.01);
    a.cancelAll();
    EXPECT_TRUE(a.empty());
    EXPECT_FALSE(b.empty());
    loop.runUntil([&] { return ran.size() == 2; }, 2s);
    loop.runOnce(20ms);
    EXPECT_EQ(ran, (std::vector<std::string>{"b1", "b2"}));
    EXPECT_FALSE(loop.hasPendingWork());
    EXPECT_TRUE(b.empty());
}

// Every pending call withdrawn at once (an object with many handles going away) leaves the
// loop with nothing to do and nothing due.
TEST(RunLoop, WithdrawingEveryCallLeavesTheLoopIdle)
{
    RunLoop loop;
    int ran = 0;
    {
        PendingCalls calls;
        for (int i = 0; i < 100; ++i) calls.defer(loop, [&] { ++ran; }, i % 2 == 0 ? 0.0 : 0.01);
    }
    EXPECT_FALSE(loop.hasPendingWork());
    EXPECT_FALSE(loop.nextTimeout().has_value());
    EXPECT_FALSE(loop.runOnce(20ms));
    EXPECT_EQ(ran, 0);
}

TEST(PendingCall, IsPendingUntilItsCallStartsAndMovesWithItsHandle)
{
    RunLoop loop;
    PendingCall empty;
    EXPECT_FALSE(empty.pending());
    bool pendingInside = true;
    PendingCall call;
    call = loop.defer([&] { pendingInside = call.pending(); });
    EXPECT_TRUE(call.pending());
    PendingCall moved = std::move(call);
    EXPECT_TRUE(moved.pending());
    call = std::move(moved);   // back again: still the one call
    EXPECT_TRUE(call.pending());
    EXPECT_TRUE(loop.runOnce());
    EXPECT_FALSE(pendingInside);
    EXPECT_FALSE(call.pending());
    call.cancel();   // after the run: nothing to withdraw, nothing breaks
}

TEST(PendingCall, AssigningANewCallWithdrawsTheOldOne)
{
    RunLoop loop;
    std::vector<int> ran;
    PendingCall call = loop.defer([&] { ran.push_back(1); });
    call = loop.defer([&] { ran.push_back(2); });
    loop.runOnce();
    EXPECT_EQ(ran, (std::vector<int>{2}));
}

// A handle may outlive its loop: the loop's end withdraws the call, the handle is then empty.
TEST(PendingCall, OutlivesItsLoop)
{
    PendingCall call;
    bool ran = false;
    {
        RunLoop loop;
        call = loop.defer([&] { ran = true; });
    }
    EXPECT_FALSE(call.pending());
    EXPECT_FALSE(ran);
}

// Calls without delay run before delayed calls that have come due, and delayed calls run by
// due time, not by posting order.
TEST(RunLoop, DelayedCallsRunByDueTimeAfterTheCallsWithoutDelay)
{
    RunLoop loop;
    std::vector<int> order;
    loop.post([&] { order.push_back(3); }, 0.03);
    loop.post([&] { order.push_back(2); }, 0.01);
    std::this_thread::sleep_for(40ms);
    loop.post([&] { order.push_back(1); });
    loop.runOnce();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

// What a withdrawn call captured is destroyed after the queues are consistent again, so its
// destructor may cancel or post calls itself.
TEST(RunLoop, AWithdrawnCallsCapturesMayUseTheLoopWhileDestroyed)
{
    RunLoop loop;
    int ran = 0;
    struct OnDestroy {
        std::function<void()> action;
        ~OnDestroy()
        {
            if (action) action();
        }
    };
    PendingCall other;
    PendingCall postedWhileDestroyed;
    auto guard = std::make_shared<OnDestroy>();
    guard->action = [&] {
        other.cancel();
        postedWhileDestroyed = loop.defer([&] { ++ran; });
    };
    PendingCall holder = loop.defer([guard] {});
    other = loop.defer([&] { ran += 10; });
    guard.reset();
    holder.cancel();   // destroys the guard, which cancels "other" and posts anew
    loop.runOnce();
    EXPECT_EQ(ran, 1);
}

TEST(RunLoop, DelayedCallWaitsForItsDelay)
{
    RunLoop loop;
    auto start = RunLoop::Clock::now();
    RunLoop::Clock::time_point ranAt;
    loop.post([&] { ranAt = RunLoop::Clock::now(); }, 0.05);
    ASSERT_TRUE(loop.runUntil([&] { return ranAt != RunLoop::Clock::time_point{}; }, 5s));
    EXPECT_GE(ranAt - start, 50ms);
}

TEST(Timer, EqualDeadlinesFireInStartOrder)
{
    RunLoop loop;
    std::vector<int> order;
    auto t1 = Timer::schedule(loop, 0.01, false, [&](Timer&) { order.push_back(1); });
    auto t2 = Timer::schedule(loop, 0.01, false, [&](Timer&) { order.push_back(2); });
    auto t3 = Timer::schedule(loop, 0.0, false, [&](Timer&) { order.push_back(0); });
    loop.runUntil([&] { return order.size() == 3; }, 2s);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0], 0);
    EXPECT_LT(std::find(order.begin(), order.end(), 1), std::find(order.begin(), order.end(), 2));
}

TEST(Timer, InvalidatedTimerNeverFiresAndOneShotIsStoppedBeforeCallback)
{
    RunLoop loop;
    bool fired = false;
    auto dead = Timer::schedule(loop, 0.0, false, [&](Timer&) { fired = true; });
    dead->invalidate();
    bool validInside = true;
    auto live = Timer::schedule(loop, 0.0, false, [&](Timer& t) { validInside = t.isValid(); });
    loop.runUntil([&] { return !live->isValid(); }, 2s);
    loop.runOnce(10ms);
    EXPECT_FALSE(fired);
    EXPECT_FALSE(validInside);
}

TEST(Timer, RepeatingTimerRepeatsUntilInvalidated)
{
    RunLoop loop;
    int count = 0;
    auto timer = Timer::schedule(loop, 0.005, true, [&](Timer& t) {
        if (++count == 3) t.invalidate();
    });
    loop.runUntil([&] { return !timer->isValid(); }, 5s);
    loop.runOnce(20ms);
    EXPECT_EQ(count, 3);
}

TEST(Timer, CallbackMayDropTheLastOwner)
{
    RunLoop loop;
    auto timer = std::make_shared<std::shared_ptr<Timer>>();
    bool done = false;
    *timer = Timer::schedule(loop, 0.0, true, [&](Timer& t) {
        t.invalidate();
        timer->reset();
        done = true;
    });
    EXPECT_TRUE(loop.runUntil([&] { return done; }, 2s));
}

TEST(FdWatch, ReportsReadableAndStopsWhenDestroyed)
{
    RunLoop loop;
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    int calls = 0;
    std::unique_ptr<FdWatch> watch;
    watch = std::make_unique<FdWatch>(loop, fds[0], FdWatch::Readable, [&](unsigned ev) {
        EXPECT_TRUE(ev & FdWatch::Readable);
        ++calls;
        watch.reset();   // a callback that destroys its own watch
    });
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    loop.runUntil([&] { return calls > 0; }, 2s);
    loop.runOnce(10ms);
    EXPECT_EQ(calls, 1);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(RunLoop, StopEndsRunAfterTheCurrentIteration)
{
    RunLoop loop;
    bool stopped = false, later = false;
    loop.post([&] {
        loop.stop();
        stopped = true;   // the iteration that asked to stop still finishes its call
    }, 0.01);
    loop.post([&] { later = true; }, 60.0);
    loop.run();
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(later);
    EXPECT_TRUE(loop.hasPendingWork());
}

TEST(FdWatch, PausedWatchOnAHungUpSocketLeavesTheLoopQuiet)
{
    RunLoop loop;
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    int calls = 0;
    FdWatch watch(loop, fds[0], FdWatch::Readable, [&](unsigned) { ++calls; });
    watch.setEvents(0);
    ::close(fds[1]);
    // The loop's pollable descriptor (what the window's event loop waits on) stays quiet.
    pollfd p{loop.pollableFd(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0);
    EXPECT_FALSE(loop.runOnce());
    watch.setEvents(FdWatch::Readable);   // resumed: the hang-up is reported
    EXPECT_TRUE(loop.runUntil([&] { return calls > 0; }, std::chrono::seconds(2)));
    ::close(fds[0]);
}

// The window's event loop waits on pollableFd and re-reads nextTimeout after every pass: work
// added from outside a pass must make the descriptor readable, work added by a callback of a
// pass is found through nextTimeout, and a quiet loop leaves the descriptor quiet.
TEST(RunLoop, WorkAddedOutsideAPassWakesThePollableDescriptor)
{
    RunLoop loop;
    auto readable = [&] {
        pollfd p{loop.pollableFd(), POLLIN, 0};
        return ::poll(&p, 1, 0) == 1;
    };
    EXPECT_FALSE(readable());
    int ran = 0;
    loop.post([&] { ++ran; });
    EXPECT_TRUE(readable());
    loop.post([&] { ++ran; });   // a second post before the pass changes nothing
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(ran, 2);
    EXPECT_FALSE(readable());

    loop.post([&] { loop.post([&] { ++ran; }); });
    EXPECT_TRUE(loop.runOnce());
    ASSERT_TRUE(loop.nextTimeout().has_value());
    EXPECT_EQ(loop.nextTimeout()->count(), 0);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(ran, 3);

    auto timer = Timer::schedule(loop, 0.0, false, [&](Timer&) { ++ran; });
    EXPECT_TRUE(readable());
    EXPECT_TRUE(loop.runUntil([&] { return ran == 4; }, std::chrono::seconds(2)));
}

// A repeating timer that missed several periods (the loop was busy) fires once, not once per
// missed period, and its next deadline is a period from now.
TEST(Timer, OverdueRepeatingTimerFiresOnceAndKeepsItsRhythm)
{
    RunLoop loop;
    int count = 0;
    auto timer = Timer::schedule(loop, 0.01, true, [&](Timer&) { ++count; });
    std::this_thread::sleep_for(60ms);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(count, 1);
    ASSERT_TRUE(loop.nextTimeout().has_value());
    EXPECT_LE(*loop.nextTimeout(), 10ms);
}

TEST(Timer, DroppingTheLastOwnerStopsIt)
{
    RunLoop loop;
    bool fired = false;
    auto timer = Timer::schedule(loop, 0.0, true, [&](Timer&) { fired = true; });
    timer.reset();
    EXPECT_FALSE(loop.hasPendingWork());
    loop.runOnce(20ms);
    EXPECT_FALSE(fired);
}

// The wait the loop asks for is rounded up: waiting exactly that long always finds the call
// due, never a moment early (which would spin the window's event loop).
TEST(RunLoop, WaitingTheNextTimeoutFindsTheCallDue)
{
    RunLoop loop;
    for (double delay : {0.0004, 0.0015, 0.0105}) {
        bool ran = false;
        loop.post([&] { ran = true; }, delay);
        auto wait = loop.nextTimeout();
        ASSERT_TRUE(wait.has_value());
        EXPECT_GE(wait->count(), delay > 0.001 ? 1 : 0);
        std::this_thread::sleep_for(*wait);
        EXPECT_TRUE(loop.runOnce()) << delay;
        EXPECT_TRUE(ran) << delay;
    }
}

// Descriptors the loop cannot watch are refused at once, never a watch that silently never
// fires: a second watch of a watched descriptor, a closed descriptor, a regular file.
TEST(FdWatch, UnwatchableDescriptorsAreRefused)
{
    RunLoop loop;
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    int calls = 0;
    FdWatch first(loop, fds[0], FdWatch::Readable, [&](unsigned) { ++calls; });
    int file = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    int closed = ::dup(fds[1]);
    ::close(closed);
    struct Case {
        const char* name;
        int fd;
        int error;
    } cases[] = {{"second watch", fds[0], EEXIST}, {"closed", closed, EBADF}, {"regular file", file, EPERM}};
    for (const Case& c : cases) {
        try {
            FdWatch second(loop, c.fd, FdWatch::Readable, [](unsigned) {});
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code().value(), c.error) << c.name;
        }
    }
    ASSERT_EQ(::write(fds[1], "x", 1), 1);   // the first watch still works
    EXPECT_TRUE(loop.runUntil([&] { return calls > 0; }, 2s));
    ::close(file);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(FdWatch, AChangeTheLoopRefusesIsReported)
{
    RunLoop loop;
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    FdWatch watch(loop, fds[0], FdWatch::Readable, [](unsigned) {});
    EXPECT_TRUE(watch.setEvents(FdWatch::Readable | FdWatch::Writable));
    ::close(fds[0]);   // closed under the watch
    EXPECT_FALSE(watch.setEvents(FdWatch::Readable));
    ::close(fds[1]);
}

// A wait that fails is an error, not "nothing happened" (which would spin or hang).
TEST(RunLoop, AFailingWaitIsReported)
{
    RunLoop loop;
    int notEpoll = ::eventfd(0, EFD_CLOEXEC);
    ASSERT_GE(notEpoll, 0);
    ASSERT_EQ(::dup2(notEpoll, loop.pollableFd()), loop.pollableFd());   // the loop now waits on no epoll set
    ::close(notEpoll);
    EXPECT_THROW(loop.runOnce(), std::system_error);
}
