// Links between the system layer's own modules; not for its users.
#pragma once

#include "system/win32.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <unistd.h>

namespace sys::detail {

void ResetWindows();
void ResetClock();
void ResetWow16();
void ResetWave();
void ResetShell();
void ResetProfile();
void ResetUi();

// Posts the message unless one with the same window, number and wParam is still waiting (a timer
// keeps at most one tick queued).
void PostCoalesced(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Drops the waiting messages with that window, number and wParam.
void DropPosted(HWND hwnd, UINT msg, WPARAM wParam);

// A destroyed window takes its timers and system menu with it.
void KillWindowTimers(HWND hwnd);
void DropSystemMenu(HWND hwnd);

// A file descriptor closed when it goes.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd;
};

// sys::ReplaceFile; failHalfway writes half the content and fails, as a full disk would.
bool ReplaceFile(const std::string& path, const std::string& content, bool failHalfway);

// Behind sys::ReadActivity.
extern std::atomic<std::uint64_t> g_driverMessages;
extern std::atomic<std::uint64_t> g_messagesDispatched;

} // namespace sys::detail
