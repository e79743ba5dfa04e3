#include "desktop/Tray.h"

#include "desktop/Host.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>

// The status icon is the desktop's notification-area protocol on X11; GTK marks it deprecated, but it
// is the one GTK 3 offers.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

namespace desktop {

namespace {
constexpr int kIconSize = 32;
constexpr int kWindowSize = 48;
// How long a present notification area may take to embed the icon before the icon window shows.
constexpr guint kEmbedWaitMs = 2000;
} // namespace

struct TrayHost::Entry {
    TrayHost* owner{};
    sys::TrayIcon icon;
    GtkStatusIcon* status{};
    GtkWidget* window{};
    GtkWidget* image{};
    ClickCounter clicks;
    guint embedTimer{};

    ~Entry() {
        if (embedTimer) g_source_remove(embedTimer);
        if (status) {
            g_signal_handlers_disconnect_by_data(status, this);
            gtk_status_icon_set_visible(status, FALSE);
            g_object_unref(status);
        }
        if (window) gtk_widget_destroy(window);
    }

    void Apply() {
        std::string tip = DisplayText(icon.tip);
        auto* pixbuf = static_cast<GdkPixbuf*>(NewIconPixbuf(icon.icon, kIconSize));
        if (status) {
            if (pixbuf)
                gtk_status_icon_set_from_pixbuf(status, pixbuf);
            else
                gtk_status_icon_set_from_icon_name(status, "audio-card");
            gtk_status_icon_set_tooltip_text(status, tip.c_str());
            gtk_status_icon_set_title(status, tip.c_str());
        }
        if (window) {
            gtk_window_set_title(GTK_WINDOW(window), tip.c_str());
            gtk_widget_set_tooltip_text(window, tip.c_str());
            if (pixbuf) {
                gtk_image_set_from_pixbuf(GTK_IMAGE(image), pixbuf);
                gtk_window_set_icon(GTK_WINDOW(window), pixbuf);
            } else {
                gtk_image_set_from_icon_name(GTK_IMAGE(image), "audio-card", GTK_ICON_SIZE_DND);
            }
        }
        if (pixbuf) g_object_unref(pixbuf);
    }

    void Mouse(int type, unsigned button, int rootX, int rootY, std::uint32_t timeMs) {
        UINT msg = type == 0 ? clicks.Press(button, timeMs, rootX, rootY) : ClickCounter::Release(button);
        if (!msg) return;
        FrameLog(type == 0 ? "tray-press" : "tray-release");
        SetCursorPos(rootX, rootY);
        sys::DeliverTrayMouse(icon.hwnd, icon.id, msg);
    }

    static gboolean OnButton(GtkWidget*, GdkEventButton* ev, gpointer data) {
        // Double clicks are counted the classic way; GDK's own are dropped.
        if (ev->type != GDK_BUTTON_PRESS && ev->type != GDK_BUTTON_RELEASE) return TRUE;
        static_cast<Entry*>(data)->Mouse(ev->type == GDK_BUTTON_PRESS ? 0 : 1, ev->button,
                                         static_cast<int>(ev->x_root), static_cast<int>(ev->y_root),
                                         ev->time);
        return TRUE;
    }

    static gboolean OnStatusButton(GtkStatusIcon*, GdkEventButton* ev, gpointer data) {
        return OnButton(nullptr, ev, data);
    }

    static void OnEmbedded(GObject*, GParamSpec*, gpointer data) {
        auto* self = static_cast<Entry*>(data);
        if (gtk_status_icon_is_embedded(self->status)) FrameLog("tray-embedded");
        self->ShowWindow(!gtk_status_icon_is_embedded(self->status));
    }

    static gboolean OnEmbedTimeout(gpointer data) {
        auto* self = static_cast<Entry*>(data);
        self->embedTimer = 0;
        if (!gtk_status_icon_is_embedded(self->status)) self->ShowWindow(true);
        return G_SOURCE_REMOVE;
    }

    void ShowWindow(bool show) {
        if (!show) {
            if (window) gtk_widget_hide(window);
            return;
        }
        if (!window) {
            window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
            gtk_window_set_wmclass(GTK_WINDOW(window), "korvalin-trayicon", "Korvalin");
            gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
            gtk_window_set_default_size(GTK_WINDOW(window), kWindowSize, kWindowSize);
            GtkWidget* box = gtk_event_box_new();
            image = gtk_image_new();
            gtk_widget_set_size_request(image, kWindowSize, kWindowSize);
            gtk_container_add(GTK_CONTAINER(box), image);
            gtk_container_add(GTK_CONTAINER(window), box);
            g_signal_connect(box, "button-press-event", G_CALLBACK(OnButton), this);
            g_signal_connect(box, "button-release-event", G_CALLBACK(OnButton), this);
            // Closing it would leave the program unreachable: the icon window stays.
            g_signal_connect(window, "delete-event", G_CALLBACK(gtk_true), nullptr);
            int x = 0, y = 0, width = 0, height = 0;
            if (PrimaryWorkArea(x, y, width, height))
                gtk_window_move(GTK_WINDOW(window), x + width - kWindowSize - 8,
                                y + height - kWindowSize - 8);
            Apply();
        }
        gtk_widget_show_all(window);
        FrameLog("tray-window");
    }
};

TrayHost::TrayHost(Host& host) : m_host(host) {}

TrayHost::~TrayHost() = default;

bool TrayHost::DesktopHasNotificationArea() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return false;
    Display* x = GDK_DISPLAY_XDISPLAY(display);
    std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(x));
    Atom selection = XInternAtom(x, name.c_str(), False);
    return XGetSelectionOwner(x, selection) != None;
}

TrayHost::Entry* TrayHost::Find(HWND hwnd, UINT id) const {
    for (auto& e : m_entries)
        if (e->icon.hwnd == hwnd && e->icon.id == id) return e.get();
    return nullptr;
}

bool TrayHost::Add(const sys::TrayIcon& icon) {
    if (Find(icon.hwnd, icon.id)) return false;
    auto entry = std::make_unique<Entry>();
    Entry* e = entry.get();
    e->owner = this;
    e->icon = icon;
    e->clicks.SetLimits(m_host.DoubleClickTime(), m_host.DoubleClickDistance());
    e->status = gtk_status_icon_new();
    gtk_status_icon_set_name(e->status, "korvalin-tray");
    g_signal_connect(e->status, "button-press-event", G_CALLBACK(Entry::OnStatusButton), e);
    g_signal_connect(e->status, "button-release-event", G_CALLBACK(Entry::OnStatusButton), e);
    g_signal_connect(e->status, "notify::embedded", G_CALLBACK(Entry::OnEmbedded), e);
    e->Apply();
    if (DesktopHasNotificationArea())
        e->embedTimer = g_timeout_add(kEmbedWaitMs, Entry::OnEmbedTimeout, e);
    else
        e->ShowWindow(true);
    m_entries.push_back(std::move(entry));
    return true;
}

bool TrayHost::Modify(const sys::TrayIcon& icon) {
    Entry* e = Find(icon.hwnd, icon.id);
    if (!e) return false;
    e->icon = icon;
    e->Apply();
    return true;
}

bool TrayHost::Remove(HWND hwnd, UINT id) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [&](auto& e) { return e->icon.hwnd == hwnd && e->icon.id == id; });
    if (it == m_entries.end()) return false;
    m_entries.erase(it);
    return true;
}

void TrayHost::Clear() {
    m_entries.clear();
}

bool TrayHost::Embedded(std::size_t index) const {
    return index < m_entries.size() && gtk_status_icon_is_embedded(m_entries[index]->status);
}

bool TrayHost::IconWindowShown(std::size_t index) const {
    return index < m_entries.size() && m_entries[index]->window &&
           gtk_widget_get_visible(m_entries[index]->window);
}

std::string TrayHost::Tip(std::size_t index) const {
    return index < m_entries.size() ? m_entries[index]->icon.tip : std::string();
}

void TrayHost::FeedButton(std::size_t index, int type, unsigned button, int rootX, int rootY,
                          std::uint32_t timeMs) {
    if (index < m_entries.size()) m_entries[index]->Mouse(type, button, rootX, rootY, timeMs);
}

} // namespace desktop

G_GNUC_END_IGNORE_DEPRECATIONS
