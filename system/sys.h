// What the original platform did behind the Windows calls, made pluggable: window handles, the clock,
// wave drivers, the shell's programs and tray, presenters for message boxes and menus, the window model
// and the system's broadcasts. Hosts, the emulated card, the harness and tests use this; the manager
// itself uses only system/win32.h.
#pragma once

#include "system/win32.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

namespace sys {

// ---- windows and the message queue -----------------------------------------------------------------
using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// A new window handle whose messages go to proc. Handles are small numbers, so the 16-bit handle of a
// window is its own value. A window without a parent is top-level and receives the broadcasts.
HWND CreateWindowHandle(WindowProc proc, HWND parent = nullptr);
void SetWindowProc(HWND hwnd, WindowProc proc);
std::vector<HWND> TopLevelWindows();

// Called by WaitMessage when no message is waiting, instead of blocking; the harness and the desktop
// host run their own loop there. It may return without a message having arrived.
void SetWaitHook(std::function<void()> hook);
// Called after every post, from the posting thread; wakes a host's main loop.
void SetWakeHook(std::function<void()> hook);
std::size_t PendingMessages();

// ---- clock ---------------------------------------------------------------------------------------------
// Receives the id of the timer that fired.
using TimerCallback = std::function<void(UINT id)>;

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint64_t NowMs() = 0;
    // Returns a non-zero id. A periodic timer first fires after periodMs, then every periodMs.
    virtual UINT AddTimer(UINT delayMs, bool periodic, TimerCallback callback) = 0;
    // A periodic timer whose ticks may be moved onto the clock's multiples of the period, so timers of
    // one period wake the program together rather than each on its own: the first tick comes after at
    // least periodMs and less than twice that, the next ones every periodMs.
    virtual UINT AddAlignedTimer(UINT periodMs, TimerCallback callback) {
        return AddTimer(periodMs, true, std::move(callback));
    }
    // When this returns, the callback is not running and will not run again (unless called from the
    // callback itself, which cannot wait for itself).
    virtual bool KillTimer(UINT id) = 0;
    virtual void Sleep(DWORD ms) = 0;
};

// Time moves only when a test or the harness advances it; due timers fire on the advancing thread in
// time order (ties in the order they were set).
class VirtualClock final : public Clock {
public:
    VirtualClock();
    ~VirtualClock() override;
    std::uint64_t NowMs() override;
    UINT AddTimer(UINT delayMs, bool periodic, TimerCallback callback) override;
    bool KillTimer(UINT id) override;
    // Yields briefly so other threads get to run, without moving virtual time: only the test or the
    // harness moves it, so a wait that polls (such as a configuration request) stays deterministic.
    void Sleep(DWORD ms) override;

    void Advance(std::uint64_t ms);
    void AdvanceTo(std::uint64_t t);
    // The time the next timer falls due, if any.
    std::optional<std::uint64_t> NextDue();
    std::size_t TimerCount();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

std::unique_ptr<Clock> MakeRealClock();
// The clock every call goes through; the real clock unless replaced.
Clock& CurrentClock();
void SetClock(std::unique_ptr<Clock> clock);
// Installs a fresh virtual clock and returns it.
VirtualClock& UseVirtualClock();

// ---- 16-bit blocks --------------------------------------------------------------------------------------
// For the driver side: the flat pointer of [vp, vp + length), or null for an unknown or freed selector
// or a range past the block's end. Only for callers on the thread that owns the block.
void* ResolveVdm16(DWORD vp, DWORD length);
// For another thread: runs access on [vp, vp + length) while the block cannot be freed; false (and
// access not run) for a bad address.
bool AccessVdm16(DWORD vp, DWORD length, const std::function<void(BYTE* data)>& access);
// How many accesses AccessVdm16 has made so far; and a wait (real time, at most ms) until that count
// differs from seen: a caller polling a word another thread writes wakes at the write, not a period later.
std::uint64_t Vdm16Accesses();
void WaitVdm16Access(std::uint64_t seen, DWORD ms);
std::size_t LiveBlocks16();

// ---- wave drivers -----------------------------------------------------------------------------------
enum class WaveDir { In, Out };

struct WaveCaps {
    WORD mid{};
    WORD pid{};
    DWORD driverVersion{0x0100};
    std::string name;
    DWORD formats{};
    WORD channels{2};
    DWORD support{};
};

// A driver offers devices per direction; its local ids count from 0. Handles are the driver's own
// non-zero values; the system maps them to HWAVEIN / HWAVEOUT.
class WaveDriver {
public:
    virtual ~WaveDriver() = default;
    virtual UINT DeviceCount(WaveDir dir) = 0;
    virtual bool Caps(WaveDir dir, UINT localId, WaveCaps& caps) = 0;
    // fmt points to the format record followed by its cbSize extra bytes.
    virtual MMRESULT Open(WaveDir dir, UINT localId, const WAVEFORMATEX* fmt, DWORD_PTR callback,
                          DWORD_PTR instance, DWORD flags, std::uintptr_t& handle) = 0;
    virtual MMRESULT Close(WaveDir dir, std::uintptr_t handle) = 0;
    virtual DWORD Message(WaveDir dir, std::uintptr_t handle, UINT msg, DWORD_PTR p1, DWORD_PTR p2) = 0;
};

// Device ids run across drivers in the order they were registered.
void RegisterWaveDriver(std::shared_ptr<WaveDriver> driver);
void UnregisterWaveDriver(const std::shared_ptr<WaveDriver>& driver);
std::size_t OpenWaveHandles();

// ---- shell ---------------------------------------------------------------------------------------
// A program ShellExecuteA can start (matched case-insensitively by file name); it runs on a thread of
// its own with the parameter string, as a separate process would.
using ShellProgram = std::function<void(const std::string& parameters)>;
void RegisterShellProgram(const std::string& file, ShellProgram program);
// Waits for every started program to return.
void JoinShellPrograms();

struct TrayIcon {
    HWND hwnd{};
    UINT id{};
    UINT callbackMessage{};
    HICON icon{};
    std::string tip;
};

class Tray {
public:
    virtual ~Tray() = default;
    virtual bool Add(const TrayIcon& icon) = 0;
    virtual bool Modify(const TrayIcon& icon) = 0;
    virtual bool Remove(HWND hwnd, UINT id) = 0;
};
// Headless default: keeps the icons. A host installs its own.
void SetTray(std::shared_ptr<Tray> tray);
std::vector<TrayIcon> TrayIcons();
// The tray icon of (hwnd, id) reports a mouse action (WM_LBUTTONDBLCLK, ...) to its window, as the shell
// does; false when there is no such icon. Icons of two windows may share an id.
bool DeliverTrayMouse(HWND hwnd, UINT id, UINT mouseMessage);
// The same for the first icon added with this id, for callers that name no window (a script's "tray").
bool DeliverTrayMouse(UINT mouseMessage, UINT id = 0);

// ---- icons ------------------------------------------------------------------------------------------
struct IconImage {
    int width{};
    int height{};
    std::vector<std::uint32_t> argb; // row by row, premultiplied alpha not assumed
};
void RegisterIconResource(const std::string& name, IconImage image);
const IconImage* IconImageOf(HICON icon);
std::size_t LiveIcons();

// ---- files ------------------------------------------------------------------------------------------
// Replaces the file's content as one step (temporary file, flushed, renamed; the folder is created if
// need be): whenever the process dies, the file holds the complete old or the complete new content.
// False, and the old file untouched, when the write fails.
bool ReplaceFile(const std::string& path, const std::string& content);

// ---- profile files ---------------------------------------------------------------------------------
// Where bare profile file names live; default $XDG_CONFIG_HOME/korvalin or ~/.config/korvalin.
void SetWindowsDirectory(const std::string& dir);
std::string WindowsDirectory();
std::string ResolveProfilePath(const std::string& file);
// Sets many keys of one section as one replacement of the file: all of them are stored or, when the
// folder is read-only or full, or the file exists but cannot be read, none is and the file stays as it
// was. False also for a name or value the file cannot hold (a line break or NUL; "]" in a section, "="
// in a key).
bool WriteProfileEntries(const std::string& file, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries);
// For tests: a write to a path for which this returns true fails as a full disk would.
void SetProfileWriteFault(std::function<bool(const std::string& path)> fault);
// For tests: reading an existing file at a path for which this returns true fails as an I/O error would.
void SetProfileReadFault(std::function<bool(const std::string& path)> fault);

// ---- faults for tests ------------------------------------------------------------------------------
// Failures the platform can produce but a test cannot otherwise bring about. Each hook is asked once
// per call it governs, on the calling thread; true makes that call fail. ResetSystem clears them.
// timeSetEvent returns 0 (no multimedia timer) when this returns true; window timers are not affected.
void SetTimerCreateFault(std::function<bool()> fault);
// A WOWGlobalAllocLock16 of size bytes for which this returns true still gives a block and its 16:16
// address, but the block has no flat address: WOWGetVDMPointer and WOWGetVDMPointerFix return null
// for it. The driver side (ResolveVdm16, AccessVdm16) still reaches it, and it is freed as usual.
void SetFlatAddressFault(std::function<bool(DWORD size)> fault);

// ---- message boxes and beeps -------------------------------------------------------------------------
struct MessageBoxRecord {
    HWND owner{};
    std::string text;
    std::string caption;
    UINT style{};
};
using MessageBoxPresenter = std::function<INT(const MessageBoxRecord&)>;
// Headless default: records the box and answers IDOK.
void SetMessageBoxPresenter(MessageBoxPresenter presenter);
std::vector<MessageBoxRecord> RecordedMessageBoxes();
void SetMessageBoxObserver(std::function<void(const MessageBoxRecord&)> observer);
void SetBeepPresenter(std::function<void(UINT)> presenter);
std::vector<UINT> RecordedBeeps();

// ---- menus -----------------------------------------------------------------------------------------
struct MenuItem {
    UINT flags{};
    UINT_PTR id{};
    std::string text;
    HMENU popup{};
};
std::vector<MenuItem> MenuItems(HMENU menu);
bool IsMenu(HMENU menu);
// Shows a popup menu and returns the chosen command id, 0 for none. Headless default: records the
// menu and chooses nothing.
using PopupPresenter = std::function<UINT_PTR(HMENU menu, INT x, INT y, HWND owner)>;
void SetPopupPresenter(PopupPresenter presenter);
HMENU LastShownPopup();
// The system menu of a window if it has one already.
HMENU ExistingSystemMenu(HWND hwnd);

// ---- window model ----------------------------------------------------------------------------------
struct WindowModel {
    bool topmost{};
    bool visible{};
    RECT rect{};
};
WindowModel GetWindowModel(HWND hwnd);
// A host follows position, size, z-order and visibility changes here.
using WindowPosObserver =
    std::function<void(HWND hwnd, HWND insertAfter, INT x, INT y, INT cx, INT cy, UINT flags)>;
void SetWindowPosObserver(WindowPosObserver observer);

// ---- broadcasts --------------------------------------------------------------------------------------
// WM_DEVICECHANGE with a DEV_BROADCAST_DEVNODE to every top-level window; false when one denied.
bool BroadcastDeviceChange(WPARAM event, DWORD devnode, DWORD deviceType = DBT_DEVTYP_DEVNODE);
// WM_QUERYENDSESSION to every top-level window, then WM_ENDSESSION with whether all agreed.
bool BroadcastEndSession();

// ---- activity counts -------------------------------------------------------------------------------
// Counted always (a relaxed increment each), never reset, so benchmarks and diagnostics take differences.
struct Activity {
    std::uint64_t driverMessages{};     // waveInMessage / waveOutMessage calls that reached a driver
    std::uint64_t messagesDispatched{}; // messages DispatchMessageA handed on
};
Activity ReadActivity();

// Drops every window, message, timer, driver, block, icon, menu, hook and record; the clock becomes a
// real clock again. Only with no program running.
void ResetSystem();

} // namespace sys
