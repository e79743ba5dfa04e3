#include "system/sys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(KillTimer(w, 5));
    EXPECT_FALSE(KillTimer(w, 5));
    clock.Advance(5000);
    EXPECT_EQ(sys::PendingMessages(), 0u);

    SetTimer(w, 6, 100, nullptr);
    DestroyWindow(w); // takes its timers along
    EXPECT_EQ(clock.TimerCount(), 0u);
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

} // namespace
