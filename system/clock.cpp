// The clock behind multimedia timers, window timers, Sleep and tick counts: real or virtual.
#include "system/internal.h"
#include "system/sys.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace sys {
namespace {

constexpr UINT kMaxPeriod = 1000000;

struct TimerEntry {
    std::uint64_t due{};
    UINT period{};
    bool periodic{};
    std::uint64_t order{};
    std::shared_ptr<TimerCallback> callback;
    bool aligned{}; // its ticks fall on multiples of the period
};

// The first multiple of period at or after t.
std::uint64_t AlignUp(std::uint64_t t, UINT period) {
    return period ? (t + period - 1) / period * period : t;
}

// Due timers ordered by (time, order set); both clocks keep them so.
using DueKey = std::pair<std::uint64_t, std::uint64_t>;

class RealClock final : public Clock {
public:
    RealClock()
        : m_start(std::chrono::steady_clock::now()), m_changed(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~RealClock() override {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        Changed();
        if (m_thread.joinable()) m_thread.join();
    }

    std::uint64_t NowMs() override {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start)
                .count());
    }

    UINT AddTimer(UINT delayMs, bool periodic, TimerCallback callback) override {
        return Add(delayMs, periodic, false, std::move(callback));
    }

    UINT AddAlignedTimer(UINT periodMs, TimerCallback callback) override {
        return Add(periodMs, true, true, std::move(callback));
    }

    bool KillTimer(UINT id) override {
        std::unique_lock lock(m_mutex);
        auto it = m_timers.find(id);
        if (it == m_timers.end()) return false;
        m_due.erase({{it->second.due, it->second.order}, id});
        m_timers.erase(it);
        // The callback may be running right now; wait for it unless we are it.
        if (std::this_thread::get_id() != m_thread.get_id())
            m_idle.wait(lock, [&] { return m_running != id; });
        return true;
    }

    void Sleep(DWORD ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    UINT Add(UINT delayMs, bool periodic, bool aligned, TimerCallback callback) {
        std::lock_guard lock(m_mutex);
        if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
        UINT id = NextId();
        std::uint64_t due = NowMs() + delayMs;
        if (aligned) due = AlignUp(due, delayMs);
        TimerEntry e{
            due, delayMs, periodic, m_order++, std::make_shared<TimerCallback>(std::move(callback)), aligned};
        m_due.insert({{e.due, e.order}, id});
        m_timers[id] = std::move(e);
        Changed();
        return id;
    }

    // Wakes the timer thread to look at its timers again (a write that stays until it is read).
    void Changed() {
        std::uint64_t one = 1;
        // Only a full counter fails, and that thread has a wake-up waiting anyway.
        [[maybe_unused]] ssize_t written = ::write(m_changed.Get(), &one, sizeof one);
    }

    // Waits without the lock until a change or the timeout (-1: none). The thread does not sleep on a
    // condition variable: its return would take the mutex as contended and cost every tick a wake-up
    // call into the kernel on the next unlock.
    void WaitForChange(std::unique_lock<std::mutex>& lock, int timeoutMs) {
        lock.unlock();
        // Without the descriptor (none was left to the process) the thread looks every 10 ms.
        if (!m_changed) timeoutMs = timeoutMs < 0 ? 10 : std::min(timeoutMs, 10);
        pollfd p{m_changed.Get(), POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) > 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] ssize_t read = ::read(m_changed.Get(), &count, sizeof count);
        }
        lock.lock();
    }

    UINT NextId() {
        for (;;) {
            UINT id = m_nextId++;
            if (m_nextId == 0) m_nextId = 1;
            if (id != 0 && !m_timers.count(id)) return id;
        }
    }

    void Run() {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            if (m_due.empty()) {
                WaitForChange(lock, -1);
                continue;
            }
            auto first = m_due.begin();
            std::uint64_t now = NowMs();
            if (first->first.first > now) {
                WaitForChange(
                    lock, static_cast<int>(std::min<std::uint64_t>(first->first.first - now, kMaxPeriod)));
                continue;
            }
            UINT id = first->second;
            m_due.erase(first);
            auto& e = m_timers[id];
            auto callback = e.callback;
            if (e.periodic) {
                // Keep the period without drifting; skip ticks that were missed entirely.
                e.due += e.period ? e.period : 1;
                if (e.due + e.period < now)
                    e.due = e.aligned ? AlignUp(now + e.period, e.period) : now + e.period;
                m_due.insert({{e.due, e.order}, id});
            } else {
                m_timers.erase(id);
            }
            m_running = id;
            lock.unlock();
            (*callback)(id);
            lock.lock();
            m_running = 0;
            m_idle.notify_all();
        }
    }

    std::chrono::steady_clock::time_point m_start;
    std::mutex m_mutex;
    detail::UniqueFd m_changed;
    std::condition_variable m_idle;
    std::map<UINT, TimerEntry> m_timers;
    std::set<std::pair<DueKey, UINT>> m_due;
    std::uint64_t m_order{};
    UINT m_nextId{1};
    UINT m_running{};
    bool m_stop{};
    std::thread m_thread;
};

struct ClockState {
    std::mutex mutex;
    std::unique_ptr<Clock> clock;
};

ClockState& CS() {
    static ClockState state;
    return state;
}

struct WindowTimer {
    UINT clockId{};
};

// Ids the system hands out (thread timers, a window's timer asked for with id 0) start high, clear of
// the small ids windows give their own timers.
constexpr UINT_PTR kFirstSystemTimerId = 0x8000;

struct WindowTimers {
    std::mutex mutex;
    std::map<std::pair<HWND, UINT_PTR>, WindowTimer> timers;
    UINT_PTR nextSystemId{kFirstSystemTimerId};
    std::function<bool()> createFault;
};

WindowTimers& WT() {
    static WindowTimers state;
    return state;
}

// Caller holds WT().mutex.
UINT_PTR FreshTimerId(HWND hwnd) {
    auto& wt = WT();
    for (;;) {
        UINT_PTR id = wt.nextSystemId++;
        if (wt.nextSystemId == 0) wt.nextSystemId = kFirstSystemTimerId;
        if (id != 0 && !wt.timers.count({hwnd, id})) return id;
    }
}

// Removes the timer and its tick still waiting in the queue; returns its clock timer to kill, 0 for
// none. The clock timer is killed by the caller without the lock held, since killing waits for a
// running callback, which takes the lock.
UINT ForgetTimer(HWND hwnd, UINT_PTR id) {
    std::lock_guard lock(WT().mutex);
    auto it = WT().timers.find({hwnd, id});
    if (it == WT().timers.end()) return 0;
    UINT clockId = it->second.clockId;
    WT().timers.erase(it);
    detail::DropPosted(hwnd, WM_TIMER, id);
    return clockId;
}

} // namespace

struct VirtualClock::Impl {
    std::mutex mutex;
    std::uint64_t now{};
    std::map<UINT, TimerEntry> timers;
    std::set<std::pair<DueKey, UINT>> due;
    std::uint64_t order{};
    UINT nextId{1};
};

VirtualClock::VirtualClock() : m_impl(std::make_unique<Impl>()) {}
VirtualClock::~VirtualClock() = default;

std::uint64_t VirtualClock::NowMs() {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->now;
}

UINT VirtualClock::AddTimer(UINT delayMs, bool periodic, TimerCallback callback) {
    auto& d = *m_impl;
    std::lock_guard lock(d.mutex);
    UINT id;
    do {
        id = d.nextId++;
        if (d.nextId == 0) d.nextId = 1;
    } while (id == 0 || d.timers.count(id));
    TimerEntry e{d.now + delayMs, delayMs, periodic, d.order++,
                 std::make_shared<TimerCallback>(std::move(callback))};
    d.due.insert({{e.due, e.order}, id});
    d.timers[id] = std::move(e);
    return id;
}

bool VirtualClock::KillTimer(UINT id) {
    auto& d = *m_impl;
    std::lock_guard lock(d.mutex);
    auto it = d.timers.find(id);
    if (it == d.timers.end()) return false;
    d.due.erase({{it->second.due, it->second.order}, id});
    d.timers.erase(it);
    return true;
}

void VirtualClock::Sleep(DWORD ms) {
    std::this_thread::sleep_for(std::chrono::microseconds(ms ? 100 : 0));
}

void VirtualClock::Advance(std::uint64_t ms) {
    AdvanceTo(NowMs() + ms);
}

void VirtualClock::AdvanceTo(std::uint64_t t) {
    auto& d = *m_impl;
    std::unique_lock lock(d.mutex);
    while (!d.due.empty() && d.due.begin()->first.first <= t) {
        auto first = d.due.begin();
        UINT id = first->second;
        d.due.erase(first);
        auto& e = d.timers[id];
        d.now = std::max(d.now, e.due);
        auto callback = e.callback;
        if (e.periodic) {
            e.due += e.period ? e.period : 1;
            d.due.insert({{e.due, e.order}, id});
        } else {
            d.timers.erase(id);
        }
        lock.unlock();
        (*callback)(id);
        lock.lock();
    }
    d.now = std::max(d.now, t);
}

std::optional<std::uint64_t> VirtualClock::NextDue() {
    std::lock_guard lock(m_impl->mutex);
    if (m_impl->due.empty()) return std::nullopt;
    return m_impl->due.begin()->first.first;
}

std::size_t VirtualClock::TimerCount() {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->timers.size();
}

std::unique_ptr<Clock> MakeRealClock() {
    return std::make_unique<RealClock>();
}

Clock& CurrentClock() {
    auto& s = CS();
    std::lock_guard lock(s.mutex);
    if (!s.clock) s.clock = MakeRealClock();
    return *s.clock;
}

void SetClock(std::unique_ptr<Clock> clock) {
    std::unique_ptr<Clock> old;
    {
        std::lock_guard lock(CS().mutex);
        old = std::move(CS().clock);
        CS().clock = std::move(clock);
    }
    std::lock_guard lock(WT().mutex);
    WT().timers.clear(); // they lived on the old clock
}

void SetTimerCreateFault(std::function<bool()> fault) {
    std::lock_guard lock(WT().mutex);
    WT().createFault = std::move(fault);
}

VirtualClock& UseVirtualClock() {
    auto clock = std::make_unique<VirtualClock>();
    auto& ref = *clock;
    SetClock(std::move(clock));
    return ref;
}

namespace detail {
void ResetClock() {
    SetClock(nullptr);
    std::lock_guard lock(WT().mutex);
    WT().createFault = nullptr;
}

void KillWindowTimers(HWND hwnd) {
    std::vector<UINT> ids;
    {
        std::lock_guard lock(WT().mutex);
        for (auto it = WT().timers.begin(); it != WT().timers.end();) {
            if (it->first.first == hwnd) {
                ids.push_back(it->second.clockId);
                it = WT().timers.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (UINT id : ids)
        CurrentClock().KillTimer(id);
}
} // namespace detail

} // namespace sys

MMRESULT timeSetEvent(UINT uDelay, UINT uResolution, LPTIMECALLBACK lpTimeProc, DWORD_PTR dwUser,
                      UINT fuEvent) {
    (void)uResolution;
    if (!lpTimeProc || uDelay < 1 || uDelay > sys::kMaxPeriod) return 0;
    std::function<bool()> fault;
    {
        std::lock_guard lock(sys::WT().mutex);
        fault = sys::WT().createFault;
    }
    if (fault && fault()) return 0;
    bool periodic = (fuEvent & TIME_PERIODIC) != 0;
    sys::TimerCallback callback = [lpTimeProc, dwUser](UINT id) { lpTimeProc(id, 0, dwUser, 0, 0); };
    // Periodic multimedia timers of one period tick together (the meters of every open window): one
    // wake-up of the program instead of one per timer.
    if (periodic) return sys::CurrentClock().AddAlignedTimer(uDelay, std::move(callback));
    return sys::CurrentClock().AddTimer(uDelay, false, std::move(callback));
}

MMRESULT timeKillEvent(UINT uTimerID) {
    return sys::CurrentClock().KillTimer(uTimerID) ? TIMERR_NOERROR : MMSYSERR_INVALPARAM;
}

MMRESULT timeGetDevCaps(TIMECAPS* ptc, UINT cbtc) {
    if (!ptc || cbtc < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
    ptc->wPeriodMin = 1;
    ptc->wPeriodMax = sys::kMaxPeriod;
    return TIMERR_NOERROR;
}

DWORD timeGetTime() {
    return static_cast<DWORD>(sys::CurrentClock().NowMs());
}
DWORD GetTickCount() {
    return timeGetTime();
}
void Sleep(DWORD dwMilliseconds) {
    sys::CurrentClock().Sleep(dwMilliseconds);
}

// A window's timer is known by the id the window gives it; asked for with id 0, and for a thread timer
// (no window) unless it names one the thread holds, the system picks the id. The returned id is the
// one WM_TIMER carries and KillTimer takes. As on the platform, a timer has at most one WM_TIMER
// waiting: a thread too busy to take it misses ticks instead of finding a row of them.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    using namespace sys;
    if (hWnd && !IsWindow(hWnd)) return 0;
    if (uElapse == 0) uElapse = 1;
    UINT_PTR id = nIDEvent;
    {
        std::lock_guard lock(WT().mutex);
        if (!nIDEvent || (!hWnd && !WT().timers.count({hWnd, nIDEvent}))) id = FreshTimerId(hWnd);
    }
    // A new SetTimer with the same id replaces the old one.
    if (UINT replaced = ForgetTimer(hWnd, id)) CurrentClock().KillTimer(replaced);

    auto proc = reinterpret_cast<LPARAM>(lpTimerFunc);
    // Held from creating the clock timer to recording it, so its first tick finds it recorded.
    std::lock_guard lock(WT().mutex);
    UINT clockId = CurrentClock().AddTimer(uElapse, true, [hWnd, id, proc](UINT firing) {
        std::lock_guard tickLock(WT().mutex);
        auto it = WT().timers.find({hWnd, id});
        if (it == WT().timers.end() || it->second.clockId != firing) return; // killed meanwhile
        detail::PostCoalesced(hWnd, WM_TIMER, id, proc);
    });
    WT().timers[{hWnd, id}] = WindowTimer{clockId};
    return id;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    UINT clockId = sys::ForgetTimer(hWnd, uIDEvent);
    if (!clockId) return FALSE;
    sys::CurrentClock().KillTimer(clockId);
    return TRUE;
}
