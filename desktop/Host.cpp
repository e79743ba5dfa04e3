#include "desktop/Host.h"

#include "desktop/FormWindow.h"
#include "desktop/Tray.h"
#include "toolkit/Forms.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace desktop {

namespace {
// The host window's messages: run the next queued action; a window changed on another thread.
constexpr UINT kRunAction = 0x8000;
constexpr UINT kWindowChanged = 0x8001;

std::unique_ptr<Host>& Installed() {
    static std::unique_ptr<Host> host;
    return host;
}
} // namespace

// Told when a form the host shows is destroyed, so its window goes with it.
class FormWatcher : public tk::TComponent {
public:
    FormWatcher(tk::TComponent* owner, Host* host) : tk::TComponent(owner), m_host(host) {}
    std::string ClassName() const override { return "TDesktopFormWatcher"; }

protected:
    void Notification(tk::TComponent* component, tk::TOperation operation) override {
        tk::TComponent::Notification(component, operation);
        // Called from the component's destructor: only the address is compared.
        if (operation == tk::opRemove) m_host->Forget(component);
    }

private:
    Host* m_host;
};

void FrameLog(const char* what, const std::string& detail) {
    static std::FILE* log = [] {
        const char* path = g_getenv("KRVL_FRAME_LOG");
        return path && *path ? std::fopen(path, "w") : nullptr;
    }();
    if (!log) return;
    std::fprintf(log, "%lld %lu %s %s\n", static_cast<long long>(g_get_monotonic_time()),
                 static_cast<unsigned long>(GetTickCount()), what, detail.c_str());
    // Frames are many: they are written out within 200 ms, a few at a time, so the log costs little of
    // what it measures. Every other line goes out at once. Each line holds the time it happened.
    static unsigned later = 0;
    if (std::strcmp(what, "draw") != 0) {
        std::fflush(log);
    } else if (!later) {
        later = g_timeout_add(
            200,
            [](gpointer) -> gboolean {
                std::fflush(log);
                later = 0;
                return G_SOURCE_REMOVE;
            },
            nullptr);
    }
}

Host::Host() : m_tray(std::make_shared<TrayHost>(*this)), m_watcher(tk::Make<FormWatcher>(this)) {}

Host::~Host() = default;

bool Host::OpenDisplay() {
    // A display that is just starting (or busy with many clients) may refuse once.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (gtk_init_check(nullptr, nullptr)) return true;
        if (!g_getenv("DISPLAY")) return false;
        g_usleep(200 * 1000);
    }
    return false;
}

Host& Host::Install() {
    auto& host = Installed();
    if (!host) {
        host.reset(new Host()); // the constructor is private to Install
        host->HookUp();
    }
    return *host;
}

Host* Host::Current() {
    return Installed().get();
}

void Host::Uninstall() {
    auto& host = Installed();
    if (!host) return;
    host->Unhook();
    host.reset();
}

void Host::HookUp() {
    m_thread = std::this_thread::get_id();
    m_hostWindow = sys::CreateWindowHandle([this](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        return HostProc(hwnd, msg, wParam, lParam);
    });
    GtkSettings* settings = gtk_settings_get_default();
    if (settings) {
        gint time = 400, distance = 5;
        g_object_get(settings, "gtk-double-click-time", &time, "gtk-double-click-distance", &distance,
                     nullptr);
        m_doubleClickTime = static_cast<unsigned>(time);
        m_doubleClickDistance = distance;
    }
    int areaX = 0, areaY = 0, areaWidth = 0, areaHeight = 0;
    if (PrimaryWorkArea(areaX, areaY, areaWidth, areaHeight) && areaWidth > 0 && areaHeight > 0)
        tk::Screen->SetSize(areaWidth, areaHeight);
    sys::SetWaitHook([this] {
        if (m_waitObserver) {
            auto observer = m_waitObserver;
            observer();
        }
        Reconcile();
        // As the classic desktop paints when the queue runs empty: the windows' changes go out before the
        // wait, not in another turn of the loop.
        FlushWindows();
        g_main_context_iteration(nullptr, TRUE);
    });
    sys::SetWakeHook([] { g_main_context_wakeup(nullptr); });
    sys::SetTray(m_tray);
    sys::SetMessageBoxPresenter(
        [this](const sys::MessageBoxRecord& record) { return ShowMessageBox(*this, record); });
    sys::SetBeepPresenter(Beep);
    sys::SetPopupPresenter(
        [this](HMENU menu, INT x, INT y, HWND owner) { return ShowPopupMenu(*this, menu, x, y, owner); });
    sys::SetWindowPosObserver([this](HWND hwnd, HWND, INT x, INT y, INT cx, INT cy, UINT flags) {
        if (std::this_thread::get_id() == m_thread) {
            WindowMoved(hwnd, x, y, cx, cy, flags);
            return;
        }
        // GTK belongs to the loop's thread: the loop takes the change from its queue.
        PostMessageA(m_hostWindow, kWindowChanged, reinterpret_cast<WPARAM>(hwnd),
                     static_cast<LPARAM>(flags));
    });
}

void Host::Unhook() {
    for (Dialog* d : std::vector<Dialog*>(m_dialogs))
        d->Dismiss();
    sys::SetWaitHook(nullptr);
    sys::SetWakeHook(nullptr);
    sys::SetTray(nullptr);
    sys::SetMessageBoxPresenter(nullptr);
    sys::SetBeepPresenter(nullptr);
    sys::SetPopupPresenter(nullptr);
    sys::SetWindowPosObserver(nullptr);
    for (auto& [hwnd, window] : m_windows)
        if (window->m_form) m_watcher->RemoveFreeNotification(window->m_form);
    m_windows.clear();
    m_tray->Clear();
    if (m_hostWindow) DestroyWindow(m_hostWindow);
    m_hostWindow = nullptr;
    m_actions.clear();
}

FormWindow* Host::WindowOf(HWND hwnd) const {
    auto it = m_windows.find(hwnd);
    return it == m_windows.end() ? nullptr : it->second.get();
}

FormWindow* Host::WindowOf(const tk::TForm& form) const {
    for (auto& [hwnd, window] : m_windows)
        if (window->m_form == &form) return window.get();
    return nullptr;
}

std::vector<FormWindow*> Host::Windows() const {
    std::vector<FormWindow*> out;
    for (auto& [hwnd, window] : m_windows)
        out.push_back(window.get());
    return out;
}

void Host::FlushWindows() {
    std::vector<HWND> waiting;
    for (auto& [hwnd, window] : m_windows)
        if (window->m_flushSource) waiting.push_back(hwnd);
    // A form's painting may close windows: each is looked up again.
    for (HWND hwnd : waiting)
        if (FormWindow* window = WindowOf(hwnd)) window->FlushPending();
}

void Host::Reconcile() {
    if (m_reconciling) return; // a message box opened while syncing waits in a nested loop
    m_reconciling = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_reconciling};
    if (m_formShown) {
        m_formShown = false;
        std::vector<tk::TForm*> forms;
        for (int i = 0; i < tk::Screen->FormCount(); ++i)
            forms.push_back(tk::Screen->Forms(i));
        for (tk::TForm* form : forms) {
            if (!form->HandleAllocated()) continue;
            HWND hwnd = form->Handle();
            if (m_windows.count(hwnd) || !sys::GetWindowModel(hwnd).visible) continue;
            form->FreeNotification(m_watcher.get());
            m_windows[hwnd] = std::make_unique<FormWindow>(*this, *form, hwnd);
            m_changed.insert(hwnd);
        }
    }
    // Windows made after the session ended (the signal came during start-up) hear of it as well.
    if (m_sessionEnding && !m_endPending)
        for (HWND h : sys::TopLevelWindows())
            if (std::find(m_endedWindows.begin(), m_endedWindows.end(), h) == m_endedWindows.end()) {
                m_endPending = true;
                Post([this] { EndSession(); });
                break;
            }
    // What changes while these are brought in line waits for the next round.
    std::set<HWND> changed;
    changed.swap(m_changed);
    for (HWND hwnd : changed)
        if (FormWindow* window = WindowOf(hwnd)) {
            ++m_syncs;
            window->Sync();
        }
}

void Host::Changed(HWND hwnd) {
    bool first = m_changed.empty();
    m_changed.insert(hwnd);
    // A change made while the loop is about to sleep must not wait for the next event.
    if (first) g_main_context_wakeup(nullptr);
}

void Host::Forget(const tk::TComponent* form) {
    for (auto it = m_windows.begin(); it != m_windows.end(); ++it) {
        if (it->second->m_identity != form) continue;
        it->second->Detach();
        m_windows.erase(it);
        return;
    }
}

void Host::WindowMoved(HWND hwnd, INT x, INT y, INT cx, INT cy, UINT flags) {
    FormWindow* window = WindowOf(hwnd);
    if (!window) {
        if (flags & SWP_SHOWWINDOW) {
            m_formShown = true;
            Changed(hwnd);
        }
        return;
    }
    if (window->ProgramMoved(x, y, cx, cy, flags)) Changed(hwnd);
}

void Host::UpdateApplicationActive() {
    bool any = false;
    for (auto& [hwnd, window] : m_windows)
        any = any || (window->Shown() && window->Focused());
    // Windows of message boxes and menus belong to the program as well.
    any = any || !m_dialogs.empty();
    tk::Application->SetActive(any);
}

void Host::Post(std::function<void()> action) {
    m_actions.push_back(std::move(action));
    PostMessageA(m_hostWindow, kRunAction, 0, 0);
}

LRESULT Host::HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kWindowChanged) {
        // Where it went is the window model's now; no bounds to compare with the host's own echo.
        WindowMoved(reinterpret_cast<HWND>(wParam), 0, 0, 0, 0, static_cast<UINT>(lParam));
        return 0;
    }
    if (msg != kRunAction) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (m_nextAction >= m_actions.size()) return 0;
    std::function<void()> action = std::move(m_actions[m_nextAction]);
    ++m_nextAction;
    if (m_nextAction == m_actions.size()) {
        m_actions.clear();
        m_nextAction = 0;
    }
    action();
    return 0;
}

void Host::RunNestedUntil(const std::function<bool()>& done) {
    while (!done())
        tk::Application->HandleMessage();
}

void Host::Pump(unsigned ms) {
    gint64 end = g_get_monotonic_time() + static_cast<gint64>(ms) * 1000;
    // A ticker, so a wait never sleeps past the end.
    guint ticker = g_timeout_add(
        10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    while (g_get_monotonic_time() < end)
        tk::Application->HandleMessage();
    g_source_remove(ticker);
}

void Host::EndSession() {
    m_sessionEnding = true;
    m_endPending = false;
    for (Dialog* d : std::vector<Dialog*>(m_dialogs))
        d->Dismiss();
    tk::Screen->CancelModalForms();
    std::vector<HWND> windows;
    for (HWND h : sys::TopLevelWindows())
        if (std::find(m_endedWindows.begin(), m_endedWindows.end(), h) == m_endedWindows.end())
            windows.push_back(h);
    m_endedWindows.insert(m_endedWindows.end(), windows.begin(), windows.end());
    for (HWND h : windows)
        if (IsWindow(h)) SendMessageA(h, WM_QUERYENDSESSION, 0, 0);
    for (HWND h : windows)
        if (IsWindow(h)) SendMessageA(h, WM_ENDSESSION, 1, 0);
}

void Host::CatchSignals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        g_unix_signal_add(
            sig,
            [](gpointer data) -> gboolean {
                Host* host = Host::Current();
                if (!host) return G_SOURCE_CONTINUE;
                gint64 now = g_get_monotonic_time();
                if (host->m_firstSignal) {
                    // The same Ctrl+C often arrives twice (the terminal's group and a script's
                    // trap); only a later signal insists.
                    if (now - host->m_firstSignal > 2 * G_USEC_PER_SEC)
                        std::_Exit(128 + GPOINTER_TO_INT(data));
                    return G_SOURCE_CONTINUE;
                }
                host->m_firstSignal = now;
                host->Post([host] { host->EndSession(); });
                return G_SOURCE_CONTINUE;
            },
            GINT_TO_POINTER(sig));
    }
}

void Host::RemoveDialog(Dialog* dialog) {
    std::erase(m_dialogs, dialog);
}

void* NewIconPixbuf(HICON icon, int size) {
    const sys::IconImage* image = icon ? sys::IconImageOf(icon) : nullptr;
    if (!image || image->width <= 0 || image->height <= 0 ||
        image->argb.size() !=
            static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height))
        return nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image->width, image->height);
    if (!pixbuf) return nullptr;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            std::uint32_t argb = image->argb[static_cast<std::size_t>(y * image->width + x)];
            guchar* p = pixels + y * stride + x * 4;
            p[0] = static_cast<guchar>(argb >> 16);
            p[1] = static_cast<guchar>(argb >> 8);
            p[2] = static_cast<guchar>(argb);
            p[3] = static_cast<guchar>(argb >> 24);
        }
    if (size > 0 && (size != image->width || size != image->height)) {
        GdkPixbuf* scaled = gdk_pixbuf_scale_simple(pixbuf, size, size, GDK_INTERP_NEAREST);
        g_object_unref(pixbuf);
        pixbuf = scaled;
    }
    return pixbuf;
}

bool PrimaryWorkArea(int& x, int& y, int& width, int& height) {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return false;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return false;
    GdkRectangle area{};
    gdk_monitor_get_workarea(monitor, &area);
    x = area.x;
    y = area.y;
    width = area.width;
    height = area.height;
    return true;
}

} // namespace desktop
