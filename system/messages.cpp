// Window handles, the one posted-message queue, dispatch, the window model and the broadcasts.
#include "system/internal.h"
#include "system/sys.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace {

struct Window {
    std::shared_ptr<sys::WindowProc> proc;
    HWND parent{};
    sys::WindowModel model{};
};

struct State {
    std::mutex mutex;
    std::condition_variable arrived;
    std::map<std::uintptr_t, Window> windows;
    std::uintptr_t nextHandle{0x10};
    std::deque<MSG> queue;
    std::shared_ptr<std::function<void()>> waitHook;
    std::shared_ptr<std::function<void()>> wakeHook;
    std::shared_ptr<sys::WindowPosObserver> posObserver;
};

State& S() {
    static State state;
    return state;
}

std::uintptr_t Key(HWND h) {
    return reinterpret_cast<std::uintptr_t>(h);
}
HWND Handle(std::uintptr_t k) {
    return reinterpret_cast<HWND>(k);
}

bool Matches(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
    if (hwnd && m.hwnd != hwnd) return false;
    if (lo == 0 && hi == 0) return true;
    return m.message >= lo && m.message <= hi;
}

std::shared_ptr<sys::WindowProc> ProcOf(HWND hwnd) {
    std::lock_guard lock(S().mutex);
    auto it = S().windows.find(Key(hwnd));
    return it == S().windows.end() ? nullptr : it->second.proc;
}

} // namespace

namespace sys {

namespace detail {
std::atomic<std::uint64_t> g_driverMessages{0};
std::atomic<std::uint64_t> g_messagesDispatched{0};
} // namespace detail

Activity ReadActivity() {
    return {detail::g_driverMessages.load(std::memory_order_relaxed),
            detail::g_messagesDispatched.load(std::memory_order_relaxed)};
}

HWND CreateWindowHandle(WindowProc proc, HWND parent) {
    auto& s = S();
    std::lock_guard lock(s.mutex);
    // Handles stay within 16 bits (the 16-bit handle is the handle) and are not reused soon.
    for (;;) {
        std::uintptr_t k = s.nextHandle;
        s.nextHandle = s.nextHandle >= 0xFFFE ? 0x10 : s.nextHandle + 2;
        if (!s.windows.count(k)) {
            s.windows[k] = Window{std::make_shared<WindowProc>(std::move(proc)), parent, {}};
            return Handle(k);
        }
    }
}

void SetWindowProc(HWND hwnd, WindowProc proc) {
    std::lock_guard lock(S().mutex);
    auto it = S().windows.find(Key(hwnd));
    if (it != S().windows.end()) it->second.proc = std::make_shared<WindowProc>(std::move(proc));
}

std::vector<HWND> TopLevelWindows() {
    std::lock_guard lock(S().mutex);
    std::vector<HWND> out;
    for (auto& [k, w] : S().windows)
        if (!w.parent) out.push_back(Handle(k));
    return out;
}

void SetWaitHook(std::function<void()> hook) {
    std::lock_guard lock(S().mutex);
    S().waitHook = hook ? std::make_shared<std::function<void()>>(std::move(hook)) : nullptr;
}

void SetWakeHook(std::function<void()> hook) {
    std::lock_guard lock(S().mutex);
    S().wakeHook = hook ? std::make_shared<std::function<void()>>(std::move(hook)) : nullptr;
}

std::size_t PendingMessages() {
    std::lock_guard lock(S().mutex);
    return S().queue.size();
}

WindowModel GetWindowModel(HWND hwnd) {
    std::lock_guard lock(S().mutex);
    auto it = S().windows.find(Key(hwnd));
    return it == S().windows.end() ? WindowModel{} : it->second.model;
}

void SetWindowPosObserver(WindowPosObserver observer) {
    std::lock_guard lock(S().mutex);
    S().posObserver = observer ? std::make_shared<WindowPosObserver>(std::move(observer)) : nullptr;
}

bool BroadcastDeviceChange(WPARAM event, DWORD devnode, DWORD deviceType) {
    DEV_BROADCAST_DEVNODE record{sizeof(DEV_BROADCAST_DEVNODE), deviceType, 0, devnode};
    bool allowed = true;
    for (HWND h : TopLevelWindows())
        if (SendMessageA(h, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&record)) ==
            BROADCAST_QUERY_DENY)
            allowed = false;
    return allowed;
}

bool BroadcastEndSession() {
    bool agreed = true;
    auto windows = TopLevelWindows();
    for (HWND h : windows)
        if (SendMessageA(h, WM_QUERYENDSESSION, 0, 0) == 0) agreed = false;
    for (HWND h : windows)
        SendMessageA(h, WM_ENDSESSION, agreed ? 1 : 0, 0);
    return agreed;
}

namespace detail {
void ResetWindows() {
    auto& s = S();
    std::lock_guard lock(s.mutex);
    s.windows.clear();
    s.queue.clear();
    s.nextHandle = 0x10;
    s.waitHook.reset();
    s.wakeHook.reset();
    s.posObserver.reset();
}
} // namespace detail

} // namespace sys

BOOL IsWindow(HWND hWnd) {
    std::lock_guard lock(S().mutex);
    return S().windows.count(Key(hWnd)) ? TRUE : FALSE;
}

HWND GetParent(HWND hWnd) {
    std::lock_guard lock(S().mutex);
    auto it = S().windows.find(Key(hWnd));
    return it == S().windows.end() ? nullptr : it->second.parent;
}

BOOL DestroyWindow(HWND hWnd) {
    if (!IsWindow(hWnd)) return FALSE;
    SendMessageA(hWnd, WM_DESTROY, 0, 0);
    sys::detail::KillWindowTimers(hWnd);
    sys::detail::DropSystemMenu(hWnd);
    auto& s = S();
    std::lock_guard lock(s.mutex);
    s.windows.erase(Key(hWnd));
    std::erase_if(s.queue, [&](const MSG& m) { return m.hwnd == hWnd; });
    return TRUE;
}

namespace {

bool SameSlot(const MSG& m, HWND hwnd, UINT msg, WPARAM wParam) {
    return m.hwnd == hwnd && m.message == msg && m.wParam == wParam;
}

BOOL Post(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, bool coalesce) {
    auto& s = S();
    std::shared_ptr<std::function<void()>> wake;
    {
        std::lock_guard lock(s.mutex);
        if (hWnd && !s.windows.count(Key(hWnd))) return FALSE;
        if (coalesce && std::any_of(s.queue.begin(), s.queue.end(),
                                    [&](const MSG& m) { return SameSlot(m, hWnd, Msg, wParam); }))
            return TRUE;
        // A queue that already holds messages has had its loop woken: it looks again before it waits.
        if (s.queue.empty()) wake = s.wakeHook;
        s.queue.push_back(MSG{hWnd, Msg, wParam, lParam, 0, {}});
    }
    s.arrived.notify_all();
    if (wake) (*wake)();
    return TRUE;
}

} // namespace

namespace sys::detail {

void PostCoalesced(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Post(hwnd, msg, wParam, lParam, true);
}

void DropPosted(HWND hwnd, UINT msg, WPARAM wParam) {
    std::lock_guard lock(S().mutex);
    std::erase_if(S().queue, [&](const MSG& m) { return SameSlot(m, hwnd, msg, wParam); });
}

} // namespace sys::detail

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return Post(hWnd, Msg, wParam, lParam, false);
}

void PostQuitMessage(INT nExitCode) {
    PostMessageA(nullptr, WM_QUIT, static_cast<WPARAM>(nExitCode), 0);
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    // Held while the procedure runs, so a window may destroy itself in its own handler.
    auto proc = ProcOf(hWnd);
    if (!proc || !*proc) return 0;
    return (*proc)(hWnd, Msg, wParam, lParam);
}

BOOL PeekMessageA(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (!lpMsg) return FALSE;
    auto& s = S();
    std::lock_guard lock(s.mutex);
    for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
        if (!Matches(*it, hWnd, wMsgFilterMin, wMsgFilterMax)) continue;
        *lpMsg = *it;
        lpMsg->time = 0;
        if (wRemoveMsg & PM_REMOVE) s.queue.erase(it);
        return TRUE;
    }
    return FALSE;
}

BOOL WaitMessage() {
    auto& s = S();
    std::unique_lock lock(s.mutex);
    if (!s.queue.empty()) return TRUE;
    if (auto hook = s.waitHook) {
        lock.unlock();
        (*hook)();
        return TRUE;
    }
    s.arrived.wait(lock, [&] { return !s.queue.empty() || s.waitHook; });
    return TRUE;
}

BOOL GetMessageA(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (!lpMsg) return -1;
    while (!PeekMessageA(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, PM_REMOVE))
        WaitMessage();
    return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* lpMsg) {
    if (!lpMsg) return 0;
    sys::detail::g_messagesDispatched.fetch_add(1, std::memory_order_relaxed);
    // A timer with a callback runs it, also a thread timer, whose message has no window.
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        if (!lpMsg->hwnd || IsWindow(lpMsg->hwnd)) proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
        return 0;
    }
    if (!lpMsg->hwnd) return 0;
    return SendMessageA(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT DefWindowProcA(HWND, UINT Msg, WPARAM, LPARAM) {
    switch (Msg) {
    case WM_QUERYENDSESSION:
    case WM_DEVICECHANGE:
        return TRUE;
    default:
        return 0;
    }
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, INT X, INT Y, INT cx, INT cy, UINT uFlags) {
    auto& s = S();
    std::shared_ptr<sys::WindowPosObserver> observer;
    {
        std::lock_guard lock(s.mutex);
        auto it = s.windows.find(Key(hWnd));
        if (it == s.windows.end()) return FALSE;
        auto& m = it->second.model;
        if (!(uFlags & SWP_NOZORDER)) {
            if (hWndInsertAfter == HWND_TOPMOST)
                m.topmost = true;
            else if (hWndInsertAfter == HWND_NOTOPMOST)
                m.topmost = false;
        }
        if (!(uFlags & SWP_NOMOVE)) {
            m.rect.right += X - m.rect.left;
            m.rect.bottom += Y - m.rect.top;
            m.rect.left = X;
            m.rect.top = Y;
        }
        if (!(uFlags & SWP_NOSIZE)) {
            m.rect.right = m.rect.left + cx;
            m.rect.bottom = m.rect.top + cy;
        }
        if (uFlags & SWP_SHOWWINDOW) m.visible = true;
        if (uFlags & SWP_HIDEWINDOW) m.visible = false;
        observer = s.posObserver;
    }
    if (observer) (*observer)(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags);
    return TRUE;
}
