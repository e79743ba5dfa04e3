// The desktop host: puts the program's forms into real windows on an X11 desktop, runs the program's
// message loop on the GTK main loop, and shows the tray icon, menus and message boxes the system layer
// models. GTK stays inside desktop/*.cpp; this header and FormWindow.h are plain C++.
#pragma once

#include "system/sys.h"
#include "toolkit/Component.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tk {
class TForm;
} // namespace tk

namespace desktop {

class FormWindow;
class TrayHost;
class FormWatcher;

// A message box or menu the host is showing, as a test or the end of the session sees it.
struct OpenMessageBox {
    std::string caption;
    std::string text;
    std::string icon; // "error", "warning", "question", "information" or ""
    std::vector<std::string> buttons;
};

// With KRVL_FRAME_LOG naming a file, one line per event there: "MONO_US TICK_MS WHAT" (the monotonic
// clock in microseconds and the system layer's tick count), so a benchmark can time what reached the
// screen. Without it, nothing is written and nothing is formatted.
void FrameLog(const char* what, const std::string& detail = {});

class Host {
public:
    // A message box or popup menu while it is open (Dialogs.cpp).
    struct Dialog {
        virtual ~Dialog() = default;
        // Closes it without a choice.
        virtual void Dismiss() = 0;
    };

    // Connects to the X display ($DISPLAY); false when there is none. Needed before Install.
    static bool OpenDisplay();
    // Installs the hooks of the system layer; the display must be open. One host at a time.
    static Host& Install();
    // The installed host, or null.
    static Host* Current();
    // Takes the hooks back and closes every window (end of the program, or between tests).
    static void Uninstall();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // ---- windows ----
    FormWindow* WindowOf(HWND hwnd) const;
    FormWindow* WindowOf(const tk::TForm& form) const;
    std::vector<FormWindow*> Windows() const;
    // Gives a window to each form shown since the last time and brings the windows whose forms changed
    // in line with them. Runs before each wait of the program's loop, so whatever the program changed
    // is on screen before it sleeps; a wait after which nothing changed costs nothing per form.
    void Reconcile();
    // How many times a window was brought in line with its form (tests count the cost of a wait).
    std::uint64_t Syncs() const { return m_syncs; }
    TrayHost& Tray() { return *m_tray; }
    // The program is active while one of its windows has the desktop's focus.
    void UpdateApplicationActive();

    // ---- the loop ----
    // Runs action as one message of the program's loop; what it throws goes to the application's
    // report, as with any message.
    void Post(std::function<void()> action);
    // The program's loop until done() holds: message boxes and menus wait this way, so timers and
    // notices keep being handled while they are open.
    void RunNestedUntil(const std::function<bool()>& done);
    // Runs the program's loop for ms milliseconds of real time (tests).
    void Pump(unsigned ms);
    // Called each time the loop is about to wait, also in the nested loops of dialogs and modal forms
    // (tests act on an open dialog from here). It must not run the loop itself.
    void SetWaitObserver(std::function<void()> observer) { m_waitObserver = std::move(observer); }

    // ---- session end ----
    // WM_QUERYENDSESSION, then WM_ENDSESSION (wParam 1) to every top-level window; open message boxes
    // and menus are closed first so that their loops let the program end. A signal cannot be refused,
    // so the answers to the query do not matter.
    void EndSession();
    // True once the session ended: message boxes answer at once, and windows the program creates
    // afterwards (a start-up still under way) get the end of the session too.
    bool SessionEnding() const { return m_sessionEnding; }
    // Routes SIGINT, SIGTERM and SIGHUP to EndSession; a signal more than two seconds after the first
    // ends the process at once.
    void CatchSignals();

    // ---- dialogs (message boxes, menus) ----
    std::vector<OpenMessageBox> OpenMessageBoxes() const;
    // Answers the newest open message box with the button of that index; false when none is open.
    bool AnswerMessageBox(std::size_t button);
    // The entries (labels as shown, "-" for separators) of the open popup menu, empty when none.
    std::vector<std::string> OpenMenuItems() const;
    // Chooses the entry of that index in the open menu, or closes it without a choice (index -1).
    bool ChooseMenuItem(int index);

    void AddDialog(Dialog* dialog) { m_dialogs.push_back(dialog); }
    void RemoveDialog(Dialog* dialog);
    const std::vector<Dialog*>& Dialogs() const { return m_dialogs; }

    // The desktop's double-click time in milliseconds and distance in pixels.
    unsigned DoubleClickTime() const { return m_doubleClickTime; }
    int DoubleClickDistance() const { return m_doubleClickDistance; }

private:
    friend class FormWindow;
    friend class FormWatcher;
    Host();
    void HookUp();
    void Unhook();
    void RunOne();
    // Paints every window's waiting changes (before the loop waits).
    void FlushWindows();
    void Forget(const tk::TComponent* form);
    void WindowMoved(HWND hwnd, INT x, INT y, INT cx, INT cy, UINT flags);
    // The form of this window changed: it is brought in line at the next wait.
    void Changed(HWND hwnd);
    LRESULT HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hostWindow{};
    std::vector<std::function<void()>> m_actions;
    std::size_t m_nextAction{};
    std::map<HWND, std::unique_ptr<FormWindow>> m_windows;
    std::shared_ptr<TrayHost> m_tray;
    tk::TOwned<FormWatcher> m_watcher;
    std::vector<Dialog*> m_dialogs;
    unsigned m_doubleClickTime{400};
    int m_doubleClickDistance{5};
    bool m_reconciling{};
    std::set<HWND> m_changed; // windows to bring in line at the next wait
    bool m_formShown{true};   // a form without a window may be showing (at first: forms shown before)
    std::thread::id m_thread; // the loop's, the only one that may touch GTK
    std::uint64_t m_syncs{};
    std::function<void()> m_waitObserver;
    std::int64_t m_firstSignal{}; // monotonic microseconds
    bool m_sessionEnding{};
    bool m_endPending{};
    std::vector<HWND> m_endedWindows;
};

// The message box and menu presenters (Dialogs.cpp).
INT ShowMessageBox(Host& host, const sys::MessageBoxRecord& record);
UINT_PTR ShowPopupMenu(Host& host, HMENU menu, INT x, INT y, HWND owner);
void Beep(UINT type);

// The work area of the primary monitor (or the first one), in screen pixels; false without a display.
bool PrimaryWorkArea(int& x, int& y, int& width, int& height);

// A new pixbuf (GdkPixbuf*, as void* to keep GTK out of this header) of an icon, null for none.
void* NewIconPixbuf(HICON icon, int size = 0);

} // namespace desktop
