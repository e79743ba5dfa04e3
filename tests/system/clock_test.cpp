#include "system/sys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class Clock : public ::testing::Test {
protected:
    void TearDown() override { sys::ResetSystem(); }
};

std::vector<std::pair<std::uint64_t, DWORD_PTR>>* g_fired = nullptr;

void Record(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    g_fired->emplace_back(sys::CurrentClock().NowMs(), user);
}

TEST_F(Clock, VirtualPeriodicTimersFireExactlyAndInTimeOrder) {
    auto& clock = sys::UseVirtualClock();
    std::vector<std::pair<std::uint64_t, DWORD_PTR>> fired;
    g_fired = &fired;
    UINT a = timeSetEvent(40, 40, Record, 40, TIME_PERIODIC);
    UINT b = timeSetEvent(100, 100, Record, 100, TIME_PERIODIC);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    clock.Advance(1000);

    int n40 = 0, n100 = 0;
    for (std::size_t i = 0; i < fired.size(); ++i) {
        (fired[i].second == 40 ? n40 : n100)++;
        EXPECT_EQ(fired[i].first % fired[i].second, 0u);
        if (i) {
            EXPECT_LE(fired[i - 1].first, fired[i].first);
        }
    }
    EXPECT_EQ(n40, 25);
    EXPECT_EQ(n100, 10);
    // At 200 ms both fall due; the one set first fires first.
    auto at200 = std::find_if(fired.begin(), fired.end(), [](auto& f) { return f.first == 200; });
    ASSERT_NE(at200, fired.end());
    EXPECT_EQ(at200->second, 40u);
    EXPECT_EQ(clock.NowMs(), 1000u);

    EXPECT_EQ(timeKillEvent(a), TIMERR_NOERROR);
    EXPECT_NE(timeKillEvent(a), TIMERR_NOERROR);
    fired.clear();
    clock.Advance(100);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].second, 100u);
}

TEST_F(Clock, OneShotFiresOnceAndBadRequestsAreRefused) {
    auto& clock = sys::UseVirtualClock();
    std::vector<std::pair<std::uint64_t, DWORD_PTR>> fired;
    g_fired = &fired;
    ASSERT_NE(timeSetEvent(30, 1, Record, 7, TIME_ONESHOT), 0u);
    EXPECT_EQ(timeSetEvent(0, 1, Record, 7, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(10, 1, nullptr, 7, TIME_PERIODIC), 0u);
    EXPECT_EQ(clock.NextDue(), std::optional<std::uint64_t>(30));
    clock.Advance(1000);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].first, 30u);
    EXPECT_EQ(clock.TimerCount(), 0u);
    TIMECAPS caps{};
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
    EXPECT_EQ(caps.wPeriodMin, 1u);
}

TEST_F(Clock, WindowTimersAndSleepUseTheVirtualClock) {
    auto& clock = sys::UseVirtualClock();
    int ticks = 0;
    HWND w = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM id, LPARAM) -> LRESULT {
        if (msg == WM_TIMER && id == 5) ++ticks;
        return 0;
    });
    ASSERT_NE(SetTimer(w, 5, 1000, nullptr), 0u);
    Sleep(20); // virtual time moves only when the test moves it
    EXPECT_EQ(clock.NowMs(), 0u);
    clock.Advance(3500); // time passes, but messages wait for the loop
    EXPECT_EQ(clock.NowMs(), 3500u);
    EXPECT_EQ(GetTickCount(), 3500u);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
    EXPECT_EQ(ticks, 1); // one tick waits, however long the loop was away
    clock.Advance(1000);
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
    EXPECT_EQ(ticks, 2);
    EXPECT_TRUE(KillTimer(w, 5));
    EXPECT_FALSE(KillTimer(w, 5));
    clock.Advance(5000);
    EXPECT_EQ(sys::PendingMessages(), 0u);

    SetTimer(w, 6, 100, nullptr);
    DestroyWindow(w); // takes its timers along
    EXPECT_EQ(clock.TimerCount(), 0u);
}

// Counts the waiting WM_TIMER messages of one timer without taking any other message.
int QueuedTicks(HWND w, UINT_PTR id) {
    std::vector<MSG> taken;
    MSG m;
    int n = 0;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_TIMER && m.hwnd == w && m.wParam == id) ++n;
        taken.push_back(m);
    }
    for (auto& t : taken)
        PostMessageA(t.hwnd, t.message, t.wParam, t.lParam);
    return n;
}

void DispatchAll() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
}

TEST_F(Clock, AWindowTimerAskedForWithIdZeroGetsAnIdItsKillKnows) {
    auto& clock = sys::UseVirtualClock();
    std::vector<WPARAM> ticks;
    HWND w = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM id, LPARAM) -> LRESULT {
        if (msg == WM_TIMER) ticks.push_back(id);
        return 0;
    });
    UINT_PTR a = SetTimer(w, 0, 100, nullptr);
    UINT_PTR b = SetTimer(w, 0, 100, nullptr);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b); // two timers, not one replacing the other
    EXPECT_EQ(SetTimer(w, 7, 100, nullptr), 7u);
    clock.Advance(100);
    DispatchAll();
    EXPECT_EQ(ticks, (std::vector<WPARAM>{a, b, 7}));

    EXPECT_TRUE(KillTimer(w, a));
    EXPECT_TRUE(KillTimer(w, b));
    EXPECT_TRUE(KillTimer(w, 7));
    EXPECT_EQ(clock.TimerCount(), 0u);
    ticks.clear();
    clock.Advance(1000);
    DispatchAll();
    EXPECT_TRUE(ticks.empty());
}

int g_threadTicks = 0;
UINT_PTR g_threadTickId = 0;
void ThreadTick(HWND hwnd, UINT msg, UINT_PTR id, DWORD) {
    EXPECT_EQ(hwnd, nullptr);
    EXPECT_EQ(msg, WM_TIMER);
    g_threadTickId = id;
    ++g_threadTicks;
}

TEST_F(Clock, AThreadTimerRunsItsCallbackAndCanBeReplacedByItsId) {
    auto& clock = sys::UseVirtualClock();
    g_threadTicks = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 250, ThreadTick);
    ASSERT_NE(id, 0u);
    clock.Advance(500);
    DispatchAll(); // one tick waits: the second found the first still queued
    EXPECT_EQ(g_threadTicks, 1);
    EXPECT_EQ(g_threadTickId, id);

    EXPECT_EQ(SetTimer(nullptr, id, 1000, ThreadTick), id); // names a timer it holds: replaced
    EXPECT_EQ(clock.TimerCount(), 1u);
    UINT_PTR other = SetTimer(nullptr, 12345, 1000, ThreadTick); // names none: a fresh id
    EXPECT_NE(other, 12345u);
    EXPECT_NE(other, id);
    clock.Advance(1000);
    DispatchAll();
    EXPECT_EQ(g_threadTicks, 3);
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_TRUE(KillTimer(nullptr, other));
    EXPECT_FALSE(KillTimer(nullptr, id));
}

TEST_F(Clock, AStalledThreadFindsOneTickPerTimerAndAKilledTimerNone) {
    auto& clock = sys::UseVirtualClock();
    int ticks = 0;
    HWND w = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TIMER) ++ticks;
        return 0;
    });
    SetTimer(w, 1, 1000, nullptr);
    SetTimer(w, 2, 1000, nullptr);
    PostMessageA(w, WM_USER, 0, 0);
    clock.Advance(10000); // a ten-second wait on the thread that takes the messages
    EXPECT_EQ(QueuedTicks(w, 1), 1);
    EXPECT_EQ(QueuedTicks(w, 2), 1);
    DispatchAll();
    EXPECT_EQ(ticks, 2);
    clock.Advance(1000);
    DispatchAll();
    EXPECT_EQ(ticks, 4); // taking the tick lets the next one in

    // A tick that waits when its timer is killed, replaced or its window destroyed is not delivered.
    clock.Advance(1000);
    ASSERT_EQ(QueuedTicks(w, 1), 1);
    KillTimer(w, 1);
    EXPECT_EQ(QueuedTicks(w, 1), 0);
    EXPECT_EQ(QueuedTicks(w, 2), 1);
    SetTimer(w, 2, 500, nullptr);
    EXPECT_EQ(QueuedTicks(w, 2), 0);
    ticks = 0;
    DispatchAll();
    EXPECT_EQ(ticks, 0);
    clock.Advance(500);
    EXPECT_EQ(QueuedTicks(w, 2), 1);
    DestroyWindow(w);
    EXPECT_EQ(sys::PendingMessages(), 0u);
}

TEST_F(Clock, RealWindowTimerKeepsOneTickWaiting) {
    HWND w = sys::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    ASSERT_EQ(SetTimer(w, 3, 2, nullptr), 3u);
    std::this_thread::sleep_for(std::chrono::milliseconds(60)); // some thirty periods
    EXPECT_EQ(QueuedTicks(w, 3), 1);
    EXPECT_TRUE(KillTimer(w, 3));
    EXPECT_EQ(QueuedTicks(w, 3), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(QueuedTicks(w, 3), 0);
}

void Nothing(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

TEST_F(Clock, ATimerCreateFaultRefusesMultimediaTimersUntilReset) {
    sys::UseVirtualClock();
    int asked = 0;
    sys::SetTimerCreateFault([&] { return ++asked == 2; }); // only the second fails
    UINT first = timeSetEvent(40, 1, Nothing, 0, TIME_PERIODIC);
    UINT second = timeSetEvent(40, 1, Nothing, 0, TIME_PERIODIC);
    UINT third = timeSetEvent(40, 1, Nothing, 0, TIME_PERIODIC);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(second, 0u);
    EXPECT_NE(third, 0u);
    HWND w = sys::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    EXPECT_NE(SetTimer(w, 1, 100, nullptr), 0u); // window timers are not governed by it
    EXPECT_EQ(asked, 3);

    sys::SetTimerCreateFault([] { return true; });
    EXPECT_EQ(timeSetEvent(40, 1, Nothing, 0, TIME_PERIODIC), 0u);
    sys::ResetSystem();
    EXPECT_NE(timeSetEvent(40, 1, Nothing, 0, TIME_PERIODIC), 0u);
}

std::atomic<int> g_inCallback{0};
std::atomic<int> g_lateCalls{0};
std::atomic<bool> g_killed{false};

void Slow(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (g_killed) ++g_lateCalls;
    g_inCallback = 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    g_inCallback = 0;
}

TEST_F(Clock, RealKillWaitsForARunningCallbackAndNoneRunsAfter) {
    UINT id = timeSetEvent(1, 1, Slow, 0, TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    while (!g_inCallback)
        std::this_thread::yield();
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    EXPECT_EQ(g_inCallback.load(), 0); // kill returned only after the callback had
    g_killed = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(g_lateCalls.load(), 0);
}

void PostTick(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(user), WM_USER + 1, id, 0);
}

TEST_F(Clock, RealPeriodicTimerPostsToTheLoop) {
    HWND w = sys::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    UINT id = timeSetEvent(5, 5, PostTick, reinterpret_cast<DWORD_PTR>(w), TIME_PERIODIC);
    MSG m;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
        EXPECT_EQ(m.message, WM_USER + 1u);
        EXPECT_EQ(m.wParam, id);
    }
    timeKillEvent(id);
}

std::mutex g_ticksMutex;
std::vector<std::pair<std::uint64_t, DWORD_PTR>> g_ticks;

void RecordTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    std::lock_guard lock(g_ticksMutex);
    g_ticks.emplace_back(sys::CurrentClock().NowMs(), user);
}

TEST_F(Clock, RealPeriodicTimersOfOnePeriodTickTogetherAndNeverBeforeTheirPeriod) {
    // Set half a period apart, as two mixer windows opened one after the other.
    std::uint64_t setA = sys::CurrentClock().NowMs();
    UINT a = timeSetEvent(40, 40, RecordTick, 1, TIME_PERIODIC);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::uint64_t setB = sys::CurrentClock().NowMs();
    UINT b = timeSetEvent(40, 40, RecordTick, 2, TIME_PERIODIC);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    auto count = [](DWORD_PTR user) {
        std::lock_guard lock(g_ticksMutex);
        return std::count_if(g_ticks.begin(), g_ticks.end(), [&](auto& t) { return t.second == user; });
    };
    for (int i = 0; i < 400 && (count(1) < 6 || count(2) < 6); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    timeKillEvent(a);
    timeKillEvent(b);
    std::vector<std::uint64_t> ta, tb;
    {
        std::lock_guard lock(g_ticksMutex);
        for (auto& [t, user] : g_ticks)
            (user == 1 ? ta : tb).push_back(t);
    }
    ASSERT_GE(ta.size(), 6u);
    ASSERT_GE(tb.size(), 6u);
    EXPECT_GE(ta[0], setA + 40);
    EXPECT_GE(tb[0], setB + 40);
    // The n-th tick of the later timer comes with the n-th or the next of the earlier one, not half a
    // period after it; the median leaves room for a late timer thread.
    std::vector<std::int64_t> gaps;
    std::size_t shift = tb[0] >= ta[0] + 20 ? 1 : 0;
    for (std::size_t i = 0; i + shift < ta.size() && i < tb.size(); ++i)
        gaps.push_back(std::abs(static_cast<std::int64_t>(tb[i]) - static_cast<std::int64_t>(ta[i + shift])));
    std::sort(gaps.begin(), gaps.end());
    EXPECT_LE(gaps[gaps.size() / 2], 8) << "median gap between the two timers' ticks";
}

} // namespace
