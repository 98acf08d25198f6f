#include "platform/run_loop.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

TEST(RunLoop, CancelByTargetAndOperation)
{
    RunLoop loop;
    int target = 0;
    int a = 0, b = 0;
    loop.post([&] { ++a; }, 0, &target, "maybeDequeueRead");
    loop.post([&] { ++b; }, 0, &target, "maybeDequeueWrite");
    loop.cancel(&target, "maybeDequeueRead");
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
    int targets[4] = {};
    for (int i = 0; i < kCalls; ++i) loop.post([&order, i] { order.push_back(i); }, 0, &targets[i % 4], "step");
    EXPECT_TRUE(loop.runOnce());
    ASSERT_EQ(order.size(), static_cast<std::size_t>(kCalls));
    for (int i = 0; i < kCalls; ++i) ASSERT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_FALSE(loop.nextTimeout().has_value());
}

TEST(RunLoop, CancellingOneCallAmongAHundredThousand)
{
    RunLoop loop;
    constexpr int kCalls = 100000;
    std::vector<int> keys(kCalls);
    int ran = 0;
    bool cancelledRan = false;
    for (int i = 0; i < kCalls; ++i) loop.post([&] { ++ran; }, 0, &keys[static_cast<std::size_t>(i)], "dequeue");
    int chosen = 0;
    loop.post([&] { cancelledRan = true; }, 0, &chosen, "dequeue");
    for (int i = 0; i < kCalls; ++i) loop.post([&] { ++ran; }, 0, &chosen, "other");
    // Withdrawn one at a time from the middle of the queue, every other call stays.
    for (int i = 0; i < kCalls; i += 2) loop.cancel(&keys[static_cast<std::size_t>(i)], "dequeue");
    loop.cancel(&chosen, "dequeue");
    loop.cancel(&chosen, "nothing posted under this name");
    loop.runOnce();
    EXPECT_FALSE(cancelledRan);
    EXPECT_EQ(ran, kCalls / 2 + kCalls);
}

TEST(RunLoop, CancelAllWithdrawsOnlyThatTargetsCalls)
{
    RunLoop loop;
    int a = 0, b = 0;
    std::vector<std::string> ran;
    loop.post([&] { ran.push_back("a1"); }, 0, &a, "one");
    loop.post([&] { ran.push_back("b1"); }, 0, &b, "one");
    loop.post([&] { ran.push_back("a2"); }, 0, &a, "two");
    loop.post([&] { ran.push_back("a3"); }, 0.01, &a, "three");
    loop.post([&] { ran.push_back("b2"); }, 0.01, &b, "two");
    loop.cancelAll(&a);
    loop.runUntil([&] { return ran.size() == 2; }, 2s);
    loop.runOnce(20ms);
    EXPECT_EQ(ran, (std::vector<std::string>{"b1", "b2"}));
    EXPECT_FALSE(loop.hasPendingWork());
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
    int target = 0;
    int ran = 0;
    struct OnDestroy {
        std::function<void()> action;
        ~OnDestroy()
        {
            if (action) action();
        }
    };
    auto guard = std::make_shared<OnDestroy>();
    guard->action = [&] {
        loop.cancelAll(&target);
        loop.post([&] { ++ran; }, 0, &target, "posted while destroyed");
    };
    loop.post([guard] {}, 0, &target, "holder");
    loop.post([&] { ran += 10; }, 0, &target, "other");
    guard.reset();
    loop.cancel(&target, "holder");   // destroys the guard, which cancels "other" and posts anew
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

TEST(RunLoop, StopEndsRun)
{
    RunLoop loop;
    loop.post([&] { loop.stop(); }, 0.01);
    loop.run();
    SUCCEED();
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
