#include "system/sys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

namespace {

class Messages : public ::testing::Test {
protected:
    void TearDown() override { sys::ResetSystem(); }
};

TEST_F(Messages, CrossThreadPostsArriveCompleteAndInOrderPerPoster) {
    std::vector<std::pair<WPARAM, LPARAM>> seen;
    HWND w = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == WM_USER) seen.emplace_back(wp, lp);
        return 0;
    });
    constexpr int kPosters = 4;
    constexpr int kEach = 5000;
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p)
        posters.emplace_back([=] {
            for (int i = 0; i < kEach; ++i)
                ASSERT_TRUE(PostMessageA(w, WM_USER, p, i));
        });
    // The loop waits on the queue itself while the posters run.
    MSG m;
    int received = 0;
    while (received < kPosters * kEach && GetMessageA(&m, nullptr, 0, 0)) {
        DispatchMessageA(&m);
        ++received;
    }
    for (auto& t : posters)
        t.join();

    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kPosters * kEach));
    std::map<WPARAM, LPARAM> next;
    for (auto [poster, i] : seen) {
        EXPECT_EQ(i, next[poster]) << "poster " << poster;
        next[poster] = i + 1;
    }
}

TEST_F(Messages, PostWakesAWaitingLoopAndWakeHookRuns) {
    std::atomic<int> wakes{0};
    sys::SetWakeHook([&] { ++wakes; });
    HWND w = sys::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostMessageA(w, WM_USER + 7, 1, 2);
    });
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    poster.join();
    EXPECT_EQ(m.hwnd, w);
    EXPECT_EQ(m.message, WM_USER + 7u);
    EXPECT_EQ(wakes.load(), 1);
}

TEST_F(Messages, DestroyedWindowsGetNothing) {
    int calls = 0;
    HWND w = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg != WM_DESTROY) ++calls;
        return 0;
    });
    ASSERT_TRUE(PostMessageA(w, WM_USER, 0, 0));
    ASSERT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
    MSG m{};
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)); // the queued one went with the window
    m.hwnd = w;
    m.message = WM_USER;
    EXPECT_EQ(DispatchMessageA(&m), 0);
    EXPECT_EQ(calls, 0);
}

TEST_F(Messages, AWindowMayDestroyItselfInItsOwnHandler) {
    HWND self = nullptr;
    int after = 0;
    self = sys::CreateWindowHandle([&](HWND h, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_CLOSE) {
            DestroyWindow(h);
            ++after; // still running: the procedure outlives its handle
        }
        return 0;
    });
    SendMessageA(self, WM_CLOSE, 0, 0);
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(IsWindow(self));
}

TEST_F(Messages, PeekFiltersByWindowAndRangeAndQuitEndsGetMessage) {
    auto proc = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; };
    HWND a = sys::CreateWindowHandle(proc);
    HWND b = sys::CreateWindowHandle(proc);
    PostMessageA(a, WM_USER + 1, 0, 0);
    PostMessageA(b, WM_USER + 2, 0, 0);
    PostMessageA(a, WM_USER + 3, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 2u);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 3, WM_USER + 3, PM_NOREMOVE));
    EXPECT_EQ(m.hwnd, a);
    EXPECT_EQ(sys::PendingMessages(), 2u);
    PostQuitMessage(3);
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
}

TEST_F(Messages, WaitHookRunsInsteadOfBlocking) {
    HWND w = sys::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    int waits = 0;
    sys::SetWaitHook([&] {
        if (++waits == 3) PostMessageA(w, WM_USER, 0, 0);
    });
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(waits, 3);
}

TEST_F(Messages, BroadcastsReachTopLevelWindowsOnly) {
    std::vector<std::pair<UINT, DWORD>> top;
    int childCalls = 0;
    HWND t = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == WM_DEVICECHANGE) {
            auto* hdr = reinterpret_cast<const DEV_BROADCAST_HDR*>(lp);
            auto* node = reinterpret_cast<const DEV_BROADCAST_DEVNODE*>(lp);
            top.emplace_back(static_cast<UINT>(wp),
                             hdr->dbch_devicetype == DBT_DEVTYP_DEVNODE ? node->dbcd_devnode : 0);
            return TRUE;
        }
        if (msg == WM_QUERYENDSESSION) return TRUE;
        if (msg == WM_ENDSESSION) top.emplace_back(WM_ENDSESSION, static_cast<DWORD>(wp));
        return 0;
    });
    sys::CreateWindowHandle([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return ++childCalls, 0; }, t);

    EXPECT_TRUE(sys::BroadcastDeviceChange(DBT_DEVICEQUERYREMOVE, 0x1234));
    EXPECT_TRUE(sys::BroadcastEndSession());
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0], (std::pair<UINT, DWORD>{DBT_DEVICEQUERYREMOVE, 0x1234}));
    EXPECT_EQ(top[1], (std::pair<UINT, DWORD>{WM_ENDSESSION, 1}));
    EXPECT_EQ(childCalls, 0);
}

TEST_F(Messages, EndSessionReportsARefusal) {
    WPARAM ended = 99;
    sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM wp, LPARAM) -> LRESULT {
        if (msg == WM_ENDSESSION) ended = wp;
        return msg == WM_QUERYENDSESSION ? FALSE : 0;
    });
    EXPECT_FALSE(sys::BroadcastEndSession());
    EXPECT_EQ(ended, 0u);
}

TEST_F(Messages, SetWindowPosKeepsTopmostPlacementAndVisibility) {
    HWND w = sys::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    int observed = 0;
    sys::SetWindowPosObserver([&](HWND h, HWND, INT, INT, INT, INT, UINT) { observed += h == w; });
    ASSERT_TRUE(SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_TRUE(sys::GetWindowModel(w).topmost);
    SetWindowPos(w, nullptr, 10, 20, 167, 159, SWP_NOZORDER | SWP_SHOWWINDOW);
    auto m = sys::GetWindowModel(w);
    EXPECT_TRUE(m.topmost);
    EXPECT_TRUE(m.visible);
    EXPECT_EQ(m.rect.left, 10);
    EXPECT_EQ(m.rect.bottom, 179);
    SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_FALSE(sys::GetWindowModel(w).topmost);
    EXPECT_EQ(sys::GetWindowModel(w).rect.right, 177);
    EXPECT_EQ(observed, 3);
    EXPECT_FALSE(SetWindowPos(reinterpret_cast<HWND>(0xFFF0), HWND_TOPMOST, 0, 0, 0, 0, 0));
}

} // namespace
