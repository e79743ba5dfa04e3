#include "cardcore/StateFile.h"

#include "system/sys.h"

#include <mutex>
#include <utility>

namespace cardcore {
namespace {

constexpr UINT kWriteDelayMs = 1000;

} // namespace

struct StateFile::Shared {
    std::string path;
    std::function<std::string()> snapshot;
    // Held from the snapshot to the rename, so a newer state is never overwritten by an older one.
    std::mutex fileMutex;
    std::mutex mutex; // the rest; never held while the snapshot runs
    bool started{};
    bool dirty{};
    UINT timer{};
    sys::Clock* timerClock{}; // the clock the timer lives on
    std::size_t writes{};
};

StateFile::StateFile(std::string path, std::function<std::string()> snapshot)
    : m_path(std::move(path)), m_shared(std::make_shared<Shared>()) {
    m_shared->path = m_path;
    m_shared->snapshot = std::move(snapshot);
}

StateFile::~StateFile() {
    Stop();
}

void StateFile::Start() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->started = true;
}

void StateFile::Changed() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->dirty = true;
    auto& clock = sys::CurrentClock();
    // A write pending on a clock that has been replaced since went with it.
    if (!m_shared->started || (m_shared->timer && m_shared->timerClock == &clock)) return;
    std::weak_ptr<Shared> weak = m_shared;
    m_shared->timerClock = &clock;
    // Runs on the timer thread (or the thread advancing a virtual clock), never on the caller's.
    m_shared->timer = clock.AddTimer(kWriteDelayMs, false, [weak](UINT id) {
        auto shared = weak.lock();
        if (!shared) return;
        {
            std::lock_guard lock(shared->mutex);
            if (shared->timer != id) return; // withdrawn by Stop
            shared->timer = 0;
        }
        Write(*shared);
    });
}

void StateFile::Stop() {
    UINT timer{};
    sys::Clock* clock{};
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->started = false;
        timer = std::exchange(m_shared->timer, 0);
        clock = m_shared->timerClock;
    }
    // Not under the lock: a write already running on the timer thread needs it. When KillTimer
    // returns, that write is over.
    if (timer && &sys::CurrentClock() == clock) sys::CurrentClock().KillTimer(timer);
    Write(*m_shared);
}

std::size_t StateFile::Writes() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->writes;
}

void StateFile::Write(Shared& s) {
    std::lock_guard writing(s.fileMutex);
    {
        std::lock_guard lock(s.mutex);
        if (!s.dirty) return;
        s.dirty = false;
    }
    // A snapshot: the message path may change the state while the file is written.
    bool ok = sys::ReplaceFile(s.path, s.snapshot());
    std::lock_guard lock(s.mutex);
    if (ok)
        ++s.writes;
    else
        s.dirty = true; // tried again at the next change or at Stop
}

} // namespace cardcore
