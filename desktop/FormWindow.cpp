#include "desktop/FormWindow.h"

#include "desktop/Host.h"
#include "desktop/Input.h"
#include "system/sys.h"
#include "toolkit/CairoCanvas.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"

#include <cairo-xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <memory>

namespace desktop {

namespace {

// Reports of the desktop that differ from a request are taken as stale for this long after it.
constexpr std::int64_t kSettleUs = 500 * 1000;
constexpr int kLargest = 32767;

GtkWindow* Win(void* w) {
    return GTK_WINDOW(w);
}
GtkWidget* Widget(void* w) {
    return GTK_WIDGET(w);
}

bool AnotherFormModal(const tk::TForm& form) {
    for (int i = 0; i < tk::Screen->FormCount(); ++i) {
        tk::TForm* f = tk::Screen->Forms(i);
        if (f != &form && (f->FormState() & tk::fsModal)) return true;
    }
    return false;
}

const char* CursorName(tk::TCursor cursor) {
    switch (cursor) {
    case tk::crHandPoint:
        return "pointer";
    case tk::crIBeam:
        return "text";
    case tk::crCross:
        return "crosshair";
    case tk::crSizeNS:
        return "ns-resize";
    case tk::crSizeWE:
        return "ew-resize";
    case tk::crHourGlass:
        return "wait";
    case tk::crNo:
        return "not-allowed";
    case tk::crNone:
        return "none";
    case tk::crUpArrow:
        return "n-resize";
    default:
        return "";
    }
}

// Opens the window's system menu at a screen point; the chosen entry reaches the form as
// WM_SYSCOMMAND with the entry's id.
void OpenSystemMenu(HWND hwnd, int screenX, int screenY) {
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (!menu) return;
    auto id = static_cast<UINT_PTR>(static_cast<UINT>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, screenX, screenY, 0, hwnd, nullptr)));
    if (id && IsWindow(hwnd)) PostMessageA(hwnd, WM_SYSCOMMAND, id, 0);
}

using Surface = tk::CairoSurface;
using Context = tk::CairoContext;

void AddRects(cairo_t* cr, const std::vector<tk::TRect>& rects) {
    for (const tk::TRect& r : rects)
        cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
}

} // namespace

struct FormWindow::Store {
    Surface image; // the client area's pixels, opaque
    int width{};
    int height{};
    Surface window; // the X window the area is part of, where its visual is not the image's layout
    unsigned long xid{};
    // Where the window's visual lays pixels out as the image does, its rectangles go to the server as
    // they are (XPutImage): no shared memory to track, no reply, one request per rectangle.
    Display* display{};
    GC gc{};

    void ForgetWindow() {
        window.reset();
        if (gc) XFreeGC(display, gc);
        gc = nullptr;
        display = nullptr;
        xid = 0;
    }
    ~Store() { ForgetWindow(); }
};

struct FormWindow::Callbacks {
    static gboolean Draw(GtkWidget* widget, cairo_t* cr, gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        if (!self->m_form) return FALSE;
        FrameLog("draw", self->m_form->Caption());
        GdkWindow* gw = gtk_widget_get_window(widget);
        Store& store = *self->m_store;
        if (!gw || gdk_window_get_scale_factor(gw) != 1) {
            // A scaled window is painted by GTK's drawing alone, at its scale.
            store.image.reset();
            self->PaintStore(cr);
            return TRUE;
        }
        // GTK asks for what the desktop exposed: the client image is painted for that and shown.
        int width = gtk_widget_get_allocated_width(widget), height = gtk_widget_get_allocated_height(widget);
        Context paint;
        if (!store.image || store.width != width || store.height != height) {
            store.image.reset(
                cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width, 1), std::max(height, 1)));
            store.width = width;
            store.height = height;
            paint.reset(cairo_create(store.image.get())); // a new image is painted whole
        } else {
            paint.reset(cairo_create(store.image.get()));
            cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
            if (clip->status == CAIRO_STATUS_SUCCESS) {
                for (int i = 0; i < clip->num_rectangles; ++i) {
                    const cairo_rectangle_t& r = clip->rectangles[i];
                    cairo_rectangle(paint.get(), r.x, r.y, r.width, r.height);
                }
                cairo_clip(paint.get());
            }
            cairo_rectangle_list_destroy(clip);
        }
        self->PaintStore(paint.get());
        paint.reset();
        cairo_set_source_surface(cr, store.image.get(), 0, 0);
        cairo_paint(cr);
        return TRUE;
    }

    static gboolean FlushIdle(gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        self->m_flushSource = 0;
        self->Flush();
        return G_SOURCE_REMOVE;
    }

    static void Unrealize(GtkWidget*, gpointer data) {
        static_cast<FormWindow*>(data)->m_store->ForgetWindow();
    }

    static gboolean Button(GtkWidget*, GdkEventButton* ev, gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        if (!self->m_form) return FALSE;
        // Double clicks are counted the classic way (ClickCounter), so GDK's own are dropped.
        if (ev->type != GDK_BUTTON_PRESS && ev->type != GDK_BUTTON_RELEASE) return TRUE;
        int x = static_cast<int>(ev->x), y = static_cast<int>(ev->y);
        int rx = static_cast<int>(ev->x_root), ry = static_cast<int>(ev->y_root);
        UINT msg = ev->type == GDK_BUTTON_PRESS ? self->m_clicks.Press(ev->button, ev->time, rx, ry)
                                                : ClickCounter::Release(ev->button);
        if (!msg) return FALSE;
        SetCursorPos(rx, ry);
        tk::TShiftState shift = ShiftOf(ev->state);
        if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) shift |= tk::ssLeft;
        if (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK) shift |= tk::ssRight;
        HWND h = self->m_hwnd;
        Host& host = self->m_host;
        host.Post([&host, h, msg, shift, x, y, rx, ry] {
            FormWindow* fw = host.WindowOf(h);
            if (!fw || !fw->m_form) return;
            tk::TForm& form = *fw->m_form;
            tk::TTracker alive(&form);
            form.DispatchMouse(msg, shift, x, y);
            if (!alive || msg != WM_RBUTTONUP || AnotherFormModal(form) || !form.Enabled()) return;
            tk::TControl* hit = form.HitTest(x, y);
            if (hit && hit->PopupMenu() && hit->PopupMenu()->AutoPopup()) {
                hit->PopupMenu()->Popup(rx, ry);
                return;
            }
            if (IsFreeBackground(form, x, y)) OpenSystemMenu(h, rx, ry);
        });
        // A new motion after a button queues anew, so moves and buttons keep their order.
        self->m_motion.reset();
        return TRUE;
    }

    static gboolean MotionEvent(GtkWidget*, GdkEventMotion* ev, gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        if (!self->m_form) return FALSE;
        int x = static_cast<int>(ev->x), y = static_cast<int>(ev->y);
        SetCursorPos(static_cast<int>(ev->x_root), static_cast<int>(ev->y_root));
        self->SyncCursor(x, y);
        tk::TShiftState shift = ShiftOf(ev->state);
        // Moves are merged while one waits in the queue: only the latest position matters.
        if (self->m_motion) {
            *self->m_motion = PendingMotion{x, y, shift};
            return TRUE;
        }
        auto motion = std::make_shared<PendingMotion>(PendingMotion{x, y, shift});
        self->m_motion = motion;
        HWND h = self->m_hwnd;
        Host& host = self->m_host;
        host.Post([&host, h, motion] {
            FormWindow* fw = host.WindowOf(h);
            if (!fw || !fw->m_form) return;
            if (fw->m_motion == motion) fw->m_motion.reset();
            fw->m_form->DispatchMouse(WM_MOUSEMOVE, motion->shift, motion->x, motion->y);
        });
        return TRUE;
    }

    static gboolean Key(GtkWidget*, GdkEventKey* ev, gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        if (!self->m_form) return FALSE;
        bool press = ev->type == GDK_KEY_PRESS;
        unsigned keyval = ev->keyval;
        WORD vk = VirtualKeyOf(keyval);
        tk::TShiftState shift = ShiftOf(ev->state);
        std::uint32_t unicode = gdk_keyval_to_unicode(keyval);
        HWND h = self->m_hwnd;
        Host& host = self->m_host;
        host.Post([&host, h, press, keyval, vk, shift, unicode] {
            FormWindow* fw = host.WindowOf(h);
            if (!fw || !fw->m_form) return;
            tk::TForm& form = *fw->m_form;
            tk::TTracker alive(&form);
            if (!press) {
                if (vk) form.DispatchKey(WM_KEYUP, vk, shift);
                return;
            }
            bool alt = (shift & tk::ssAlt) && !(shift & tk::ssCtrl);
            if (alt && vk == tk::VK_SPACE && !AnotherFormModal(form)) {
                ClientGeometry g = fw->Geometry();
                OpenSystemMenu(h, g.x, g.y);
                return;
            }
            if (alt && vk == 0x73) { // Alt+F4, where no window manager closes the window
                PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
                return;
            }
            // Alt with a letter is the form's accelerator: DispatchKey runs it.
            if (vk) form.DispatchKey(WM_KEYDOWN, vk, shift);
            for (char c : TypedChars(keyval, unicode, shift)) {
                if (!alive) return;
                form.DispatchKey(WM_CHAR, static_cast<WORD>(static_cast<unsigned char>(c)), shift);
            }
        });
        return TRUE;
    }

    static gboolean Focus(GtkWidget*, GdkEventFocus* ev, gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        if (!self->m_form) return FALSE;
        bool in = ev->in != 0;
        self->m_focused = in;
        HWND h = self->m_hwnd;
        Host& host = self->m_host;
        host.Post([&host, h, in] {
            if (FormWindow* fw = host.WindowOf(h); fw && fw->m_form) fw->m_form->SetActive(in);
        });
        // Focus passing between the program's own windows is no deactivation of the program: decide
        // once the desktop has settled.
        if (in)
            host.Post([&host] { host.UpdateApplicationActive(); });
        else
            g_timeout_add(
                100,
                [](gpointer) -> gboolean {
                    if (Host* current = Host::Current())
                        current->Post([current] { current->UpdateApplicationActive(); });
                    return G_SOURCE_REMOVE;
                },
                nullptr);
        return FALSE;
    }

    static gboolean Delete(GtkWidget*, GdkEvent*, gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        if (self->m_form) PostMessageA(self->m_hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return TRUE; // the form decides whether it goes
    }

    static gboolean Configure(GtkWidget* widget, GdkEventConfigure* ev, gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        if (!self->m_form) return FALSE;
        int x = 0, y = 0;
        gtk_window_get_position(GTK_WINDOW(widget), &x, &y);
        self->SeenGeometry({x, y, ev->width, ev->height});
        return FALSE;
    }

    static gboolean State(GtkWidget*, GdkEventWindowState* ev, gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        if (!self->m_form) return FALSE;
        tk::TWindowState state = (ev->new_window_state & GDK_WINDOW_STATE_ICONIFIED)   ? tk::wsMinimized
                                 : (ev->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) ? tk::wsMaximized
                                                                                       : tk::wsNormal;
        if (state == self->m_windowState) return FALSE;
        self->m_windowState = state;
        HWND h = self->m_hwnd;
        Host& host = self->m_host;
        host.Post([&host, h, state] {
            if (FormWindow* fw = host.WindowOf(h); fw && fw->m_form) fw->m_form->SetWindowState(state);
        });
        return FALSE;
    }

    static gboolean QueryTooltip(GtkWidget*, gint x, gint y, gboolean, GtkTooltip* tooltip, gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        if (!self->m_form) return FALSE;
        std::string tip = self->TooltipAt(x, y);
        if (tip.empty()) return FALSE;
        gtk_tooltip_set_text(tooltip, DisplayText(tip).c_str());
        if (tk::TControl* hit = self->m_form->HitTest(x, y)) {
            tk::TPoint o = hit->ClientToForm({0, 0});
            GdkRectangle area{o.x, o.y, hit->Width(), hit->Height()};
            gtk_tooltip_set_tip_area(tooltip, &area);
        }
        return TRUE;
    }

    static gboolean Settle(gpointer data) {
        auto* self = static_cast<FormWindow*>(data);
        self->m_settleTimer = 0;
        if (!self->m_form) return G_SOURCE_REMOVE;
        self->m_inFlightUntil = 0;
        // The desktop placed or sized the window otherwise than asked (placement, limits): the form
        // follows what is on screen.
        if (self->m_seen && self->m_requested && *self->m_seen != *self->m_requested) {
            self->m_requested = self->m_seen;
            self->FeedBack(*self->m_seen);
        }
        return G_SOURCE_REMOVE;
    }
};

FormWindow::FormWindow(Host& host, tk::TForm& form, HWND hwnd)
    : m_host(host), m_form(&form), m_identity(&form), m_hwnd(hwnd),
      m_clicks(host.DoubleClickTime(), host.DoubleClickDistance()) {
    m_store = std::make_unique<Store>();
    Create();
}

FormWindow::~FormWindow() {
    if (m_settleTimer) g_source_remove(m_settleTimer);
    if (m_flushSource) g_source_remove(m_flushSource);
    m_store->ForgetWindow(); // before its X window goes
    if (m_form) {
        m_form->OnInvalidate = nullptr;
        m_form->OnWindowChange = nullptr;
    }
    m_form = nullptr;
    if (m_window) gtk_widget_destroy(Widget(m_window));
}

void FormWindow::Detach() {
    m_form = nullptr;
}

void FormWindow::Create() {
    tk::TForm& f = *m_form;
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    m_window = w;
    // Positions are those of the client area, as the toolkit counts them.
    gtk_window_set_gravity(GTK_WINDOW(w), GDK_GRAVITY_STATIC);
    tk::TFormBorderStyle style = f.BorderStyle();
    m_resizable = style == tk::bsSizeable || style == tk::bsSizeToolWin;
    m_toolWindow = style == tk::bsToolWindow || style == tk::bsSizeToolWin;
    if (m_toolWindow)
        gtk_window_set_type_hint(GTK_WINDOW(w), GDK_WINDOW_TYPE_HINT_UTILITY);
    else if (style == tk::bsDialog)
        gtk_window_set_type_hint(GTK_WINDOW(w), GDK_WINDOW_TYPE_HINT_DIALOG);
    if (style == tk::bsNone) gtk_window_set_decorated(GTK_WINDOW(w), FALSE);
    gtk_window_set_resizable(GTK_WINDOW(w), m_resizable);

    GtkWidget* area = gtk_drawing_area_new();
    m_area = area;
    gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                    GDK_LEAVE_NOTIFY_MASK);
    gtk_widget_set_has_tooltip(area, TRUE);
    gtk_container_add(GTK_CONTAINER(w), area);

    g_signal_connect(area, "draw", G_CALLBACK(Callbacks::Draw), this);
    g_signal_connect(area, "unrealize", G_CALLBACK(Callbacks::Unrealize), this);
    g_signal_connect(area, "button-press-event", G_CALLBACK(Callbacks::Button), this);
    g_signal_connect(area, "button-release-event", G_CALLBACK(Callbacks::Button), this);
    g_signal_connect(area, "motion-notify-event", G_CALLBACK(Callbacks::MotionEvent), this);
    g_signal_connect(area, "query-tooltip", G_CALLBACK(Callbacks::QueryTooltip), this);
    g_signal_connect(w, "key-press-event", G_CALLBACK(Callbacks::Key), this);
    g_signal_connect(w, "key-release-event", G_CALLBACK(Callbacks::Key), this);
    g_signal_connect(w, "focus-in-event", G_CALLBACK(Callbacks::Focus), this);
    g_signal_connect(w, "focus-out-event", G_CALLBACK(Callbacks::Focus), this);
    g_signal_connect(w, "delete-event", G_CALLBACK(Callbacks::Delete), this);
    g_signal_connect(w, "configure-event", G_CALLBACK(Callbacks::Configure), this);
    g_signal_connect(w, "window-state-event", G_CALLBACK(Callbacks::State), this);

    m_form->OnInvalidate = [this](tk::TForm*, const tk::TRect& r) { Invalidate(r); };
    m_form->OnWindowChange = [this](tk::TForm*) { m_host.Changed(m_hwnd); };
    m_windowState = f.WindowState();
}

void FormWindow::Sync() {
    if (!m_form) return;
    tk::TForm& f = *m_form;
    GtkWindow* w = Win(m_window);
    sys::WindowModel model = sys::GetWindowModel(m_hwnd);

    std::string title = DisplayText(f.Caption());
    if (title != m_title) {
        m_title = title;
        gtk_window_set_title(w, m_title.c_str());
    }
    if (!m_iconSet || f.Icon() != m_icon) {
        m_iconSet = true;
        m_icon = f.Icon();
        auto* pixbuf = static_cast<GdkPixbuf*>(NewIconPixbuf(m_icon));
        gtk_window_set_icon(w, pixbuf);
        if (pixbuf) g_object_unref(pixbuf);
    }
    SyncAbove(model.topmost);
    bool modal = (f.FormState() & tk::fsModal) != 0;
    if (modal != m_modal) {
        m_modal = modal;
        GtkWindow* parent = nullptr;
        if (modal)
            for (FormWindow* other : m_host.Windows())
                if (other != this && other->m_shown && other->m_focused) parent = Win(other->m_window);
        gtk_window_set_transient_for(w, parent);
        gtk_window_set_modal(w, modal);
    }
    if (f.WindowState() != m_windowState) {
        m_windowState = f.WindowState();
        if (m_windowState == tk::wsMinimized) {
            gtk_window_iconify(w);
        } else if (m_windowState == tk::wsMaximized) {
            gtk_window_maximize(w);
        } else {
            gtk_window_deiconify(w);
            gtk_window_unmaximize(w);
        }
    }
    if (model.visible && !m_shown) {
        ApplyGeometry(true);
        gtk_widget_show_all(Widget(m_window));
        m_shown = true;
        if (m_modal) gtk_window_present(w);
    } else if (!model.visible && m_shown) {
        gtk_widget_hide(Widget(m_window));
        m_shown = false;
        m_focused = false;
    } else if (m_geometryDirty) {
        ApplyGeometry(false);
    }
}

void FormWindow::SyncAbove(bool topmost) {
    if (!m_form) return;
    bool above = topmost || m_form->FormStyle() == tk::fsStayOnTop;
    if (above == m_above) return;
    m_above = above;
    gtk_window_set_keep_above(Win(m_window), above);
}

bool FormWindow::ProgramMoved(INT x, INT y, INT cx, INT cy, UINT flags) {
    // The z-order needs nothing else of the form: applied at once, not at the next wait.
    if (!(flags & SWP_NOZORDER)) SyncAbove(sys::GetWindowModel(m_hwnd).topmost);
    bool visibility = (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) != 0;
    bool geometry = !(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE) || (flags & SWP_SHOWWINDOW);
    if (!geometry) return visibility;
    if (m_echo && !(flags & SWP_NOMOVE) && !(flags & SWP_NOSIZE) && tk::Bounds(x, y, cx, cy) == *m_echo) {
        // The host's own echo of what the desktop did; a sizeable form's limits may follow its new size
        // (a scroll bar that comes or goes), so those are asked again.
        if (!m_resizable) return visibility;
    }
    m_geometryDirty = true;
    return true;
}

void FormWindow::ApplyGeometry(bool force) {
    tk::TForm& f = *m_form;
    m_geometryDirty = false;
    tk::TRect client = f.ClientRect();
    tk::TPoint off = f.ClientOffset();
    int frameW = f.Width() - client.Width();
    int frameH = f.Height() - client.Height();

    MINMAXINFO mmi{};
    mmi.ptMaxSize = {tk::Screen->Width(), tk::Screen->Height()};
    mmi.ptMaxPosition = {0, 0};
    mmi.ptMinTrackSize = {frameW + 1, frameH + 1};
    mmi.ptMaxTrackSize = {kLargest, kLargest};
    try {
        SendMessageA(m_hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    } catch (...) {
        tk::Application->HandleException(std::current_exception());
    }
    if (!m_form) return;
    SizeLimits limits;
    limits.minWidth = std::max(1, static_cast<int>(mmi.ptMinTrackSize.x) - frameW);
    limits.minHeight = std::max(1, static_cast<int>(mmi.ptMinTrackSize.y) - frameH);
    limits.maxWidth = std::max(limits.minWidth, static_cast<int>(mmi.ptMaxTrackSize.x) - frameW);
    limits.maxHeight = std::max(limits.minHeight, static_cast<int>(mmi.ptMaxTrackSize.y) - frameH);

    int width = f.Width(), height = f.Height();
    if (m_resizable) {
        // As the classic desktop does, the limits hold for the program's own sizes too.
        width = std::clamp(width, limits.minWidth + frameW, limits.maxWidth + frameW);
        height = std::clamp(height, limits.minHeight + frameH, limits.maxHeight + frameH);
        if (limits != m_limits) {
            GdkGeometry hints{};
            hints.min_width = limits.minWidth;
            hints.min_height = limits.minHeight;
            hints.max_width = limits.maxWidth;
            hints.max_height = limits.maxHeight;
            gtk_window_set_geometry_hints(Win(m_window), nullptr, &hints,
                                          static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
        }
    }
    m_limits = limits;

    ClientGeometry want{f.Left() + off.x, f.Top() + off.y, std::max(1, width - frameW),
                        std::max(1, height - frameH)};
    // Told once per limit: a form that insists on another size is not fought in a loop.
    if ((width != f.Width() || height != f.Height()) && m_clampedTo != want) {
        m_clampedTo = want;
        FeedBack(want);
    }
    if (!force && m_requested && want == *m_requested) return;
    if (m_resizable)
        gtk_window_resize(Win(m_window), want.width, want.height);
    else
        gtk_widget_set_size_request(Widget(m_area), want.width, want.height);
    if (force || !m_requested || want.x != m_requested->x || want.y != m_requested->y)
        gtk_window_move(Win(m_window), want.x, want.y);
    m_requested = want;
    if (m_seen && *m_seen == want) return;
    m_inFlightUntil = g_get_monotonic_time() + kSettleUs;
    if (m_settleTimer) g_source_remove(m_settleTimer);
    m_settleTimer = g_timeout_add(static_cast<guint>(kSettleUs / 1000), Callbacks::Settle, this);
}

void FormWindow::SeenGeometry(const ClientGeometry& geometry) {
    m_seen = geometry;
    if (m_requested && geometry == *m_requested) {
        m_inFlightUntil = 0;
        return;
    }
    if (g_get_monotonic_time() < m_inFlightUntil) return; // an older report; the settle check decides
    m_requested = geometry;
    FeedBack(geometry);
}

void FormWindow::FeedBack(const ClientGeometry& g) {
    if (!m_form) return;
    tk::TForm& f = *m_form;
    tk::TRect client = f.ClientRect();
    tk::TPoint off = f.ClientOffset();
    tk::TRect bounds = tk::Bounds(g.x - off.x, g.y - off.y, g.width + f.Width() - client.Width(),
                                  g.height + f.Height() - client.Height());
    if (bounds == f.BoundsRect()) return;
    HWND h = m_hwnd;
    Host& host = m_host;
    host.Post([&host, h, bounds] {
        FormWindow* fw = host.WindowOf(h);
        if (!fw || !fw->m_form) return;
        fw->m_echo = bounds;
        tk::TTracker alive(fw->m_form);
        fw->m_form->SetBounds(bounds.left, bounds.top, bounds.Width(), bounds.Height());
        if (!alive) return;
        if (FormWindow* again = host.WindowOf(h)) again->m_echo.reset();
    });
}

void FormWindow::Invalidate(const tk::TRect& r) {
    if (!m_area) return;
    m_pending.push_back(r);
    // One pass for everything a turn of the loop invalidates, after the events waiting (as GTK draws).
    if (!m_flushSource)
        m_flushSource = g_idle_add_full(GDK_PRIORITY_REDRAW, Callbacks::FlushIdle, this, nullptr);
}

bool FormWindow::PaintStore(void* context) {
    auto* cr = static_cast<cairo_t*>(context);
    m_form->TakeDirtyRects();
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
    cairo_user_to_device(cr, &x1, &y1);
    cairo_user_to_device(cr, &x2, &y2);
    try {
        tk::TCairoCanvas canvas(cr);
        m_form->PaintClient(canvas);
        // Good again only where the last failure was: a paint elsewhere does not show it is over.
        if (m_paintFailing && x1 <= m_failedArea[0] && y1 <= m_failedArea[1] && x2 >= m_failedArea[2] &&
            y2 >= m_failedArea[3])
            m_paintFailing = false;
        return true;
    } catch (...) {
        // The application's report, as a message of the loop rather than inside the drawing. Once per
        // run of failed paints: a paint that fails on every frame would stack a report per frame; after
        // a good paint of what failed the next failure is reported again.
        // Where it failed: the part of the control that threw this paint covered, else all it
        // covered. Other damage painted in the same pass does not belong to it.
        if (std::optional<tk::TRect> area = m_form->FailedPaintArea()) {
            double ax1 = area->left, ay1 = area->top, ax2 = area->right, ay2 = area->bottom;
            cairo_user_to_device(cr, &ax1, &ay1);
            cairo_user_to_device(cr, &ax2, &ay2);
            x1 = std::max(x1, ax1);
            y1 = std::max(y1, ay1);
            x2 = std::min(x2, ax2);
            y2 = std::min(y2, ay2);
        }
        m_failedArea = {x1, y1, x2, y2};
        if (!m_paintFailing) {
            m_paintFailing = true;
            m_host.Post([error = std::current_exception()] { std::rethrow_exception(error); });
        }
        return false;
    }
}

void FormWindow::FlushPending() {
    if (!m_flushSource) return;
    g_source_remove(m_flushSource);
    m_flushSource = 0;
    Flush();
}

void FormWindow::Flush() {
    std::vector<tk::TRect> rects;
    rects.swap(m_pending);
    if (!m_form || !m_area || rects.empty()) return;
    GtkWidget* area = Widget(m_area);
    // Hidden or minimised: nothing is painted; the desktop exposes the window when it shows again.
    if (!gtk_widget_get_mapped(area) || m_windowState == tk::wsMinimized) return;
    GdkWindow* gw = gtk_widget_get_window(area);
    Store& store = *m_store;
    int width = gtk_widget_get_allocated_width(area), height = gtk_widget_get_allocated_height(area);
    if (!gw || !GDK_IS_X11_WINDOW(gw) || !store.image || store.width != width || store.height != height ||
        gdk_window_get_scale_factor(gw) != 1) {
        // Not yet painted at this size, or scaled: GTK's own drawing paints.
        for (const tk::TRect& r : rects)
            gtk_widget_queue_draw_area(area, r.left, r.top, r.Width(), r.Height());
        return;
    }
    FrameLog("draw", m_form->Caption());
    Context paint(cairo_create(store.image.get()));
    AddRects(paint.get(), rects);
    cairo_clip(paint.get());
    bool painted = PaintStore(paint.get());
    paint.reset();
    if (!painted) return;

    // The area is a part of its top-level X window (GDK's own child window): its pixels go there, at the
    // area's place.
    int x = 0, y = 0;
    GdkWindow* native = gw;
    while (native && !gdk_window_has_native(native)) {
        int dx = 0, dy = 0;
        gdk_window_get_position(native, &dx, &dy);
        x += dx;
        y += dy;
        native = gdk_window_get_parent(native);
    }
    if (!native) return;
    unsigned long xid = GDK_WINDOW_XID(native);
    if (store.xid != xid) {
        store.ForgetWindow();
        store.xid = xid;
        Visual* visual = GDK_VISUAL_XVISUAL(gdk_window_get_visual(native));
        if (gdk_visual_get_depth(gdk_window_get_visual(native)) == 24 && visual->red_mask == 0xff0000 &&
            visual->green_mask == 0xff00 && visual->blue_mask == 0xff) {
            store.display = GDK_WINDOW_XDISPLAY(native);
            XGCValues values{};
            values.graphics_exposures = False;
            store.gc = XCreateGC(store.display, xid, GCGraphicsExposures, &values);
        } else {
            store.window.reset(cairo_xlib_surface_create(GDK_WINDOW_XDISPLAY(native), xid, visual,
                                                         gdk_window_get_width(native),
                                                         gdk_window_get_height(native)));
        }
    }
    cairo_surface_flush(store.image.get());
    if (store.gc) {
        XImage image{};
        image.width = store.width;
        image.height = store.height;
        image.format = ZPixmap;
        image.data = reinterpret_cast<char*>(cairo_image_surface_get_data(store.image.get()));
        image.byte_order = G_BYTE_ORDER == G_LITTLE_ENDIAN ? LSBFirst : MSBFirst;
        image.bitmap_unit = 32;
        image.bitmap_bit_order = image.byte_order;
        image.bitmap_pad = 32;
        image.depth = 24;
        image.bytes_per_line = cairo_image_surface_get_stride(store.image.get());
        image.bits_per_pixel = 32;
        image.red_mask = 0xff0000;
        image.green_mask = 0xff00;
        image.blue_mask = 0xff;
        if (!XInitImage(&image)) return;
        for (const tk::TRect& r : rects) {
            tk::TRect c = r.Intersect({0, 0, store.width, store.height});
            if (c.Empty()) continue;
            XPutImage(store.display, xid, store.gc, &image, c.left, c.top, x + c.left, y + c.top,
                      static_cast<unsigned>(c.Width()), static_cast<unsigned>(c.Height()));
        }
    } else {
        cairo_xlib_surface_set_size(store.window.get(), gdk_window_get_width(native),
                                    gdk_window_get_height(native));
        Context show(cairo_create(store.window.get()));
        cairo_translate(show.get(), x, y);
        cairo_set_operator(show.get(), CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(show.get(), store.image.get(), 0, 0);
        AddRects(show.get(), rects);
        cairo_fill(show.get());
        show.reset();
        cairo_surface_flush(store.window.get());
    }
    ++m_directPaints;
    // The requests go out when the loop next looks for X events (GDK flushes before it waits).
}

ClientGeometry FormWindow::Geometry() const {
    if (m_seen) return *m_seen;
    if (m_requested) return *m_requested;
    return {};
}

unsigned long FormWindow::XWindow() const {
    GdkWindow* gw = m_window ? gtk_widget_get_window(Widget(m_window)) : nullptr;
    return gw && GDK_IS_X11_WINDOW(gw) ? GDK_WINDOW_XID(gw) : 0;
}

bool FormWindow::SaveClientPng(const std::string& path) {
    GdkWindow* gw = m_area ? gtk_widget_get_window(Widget(m_area)) : nullptr;
    if (!gw || !m_shown) return false;
    GdkPixbuf* pixbuf =
        gdk_pixbuf_get_from_window(gw, 0, 0, gdk_window_get_width(gw), gdk_window_get_height(gw));
    if (!pixbuf) return false;
    bool ok = gdk_pixbuf_save(pixbuf, path.c_str(), "png", nullptr, nullptr) != FALSE;
    g_object_unref(pixbuf);
    return ok;
}

std::optional<std::uint32_t> FormWindow::ScreenPixel(int x, int y) const {
    GdkWindow* gw = m_area ? gtk_widget_get_window(Widget(m_area)) : nullptr;
    if (!gw || !m_shown) return std::nullopt;
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gw, x, y, 1, 1);
    if (!pixbuf) return std::nullopt;
    const guchar* p = gdk_pixbuf_read_pixels(pixbuf);
    std::uint32_t rgb = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    g_object_unref(pixbuf);
    return rgb;
}

std::string FormWindow::TooltipAt(int x, int y) const {
    if (!m_form) return {};
    tk::TControl* c = m_form->HitTest(x, y);
    if (!c) c = m_form;
    // The classic rule: the nearest control (or parent) that shows hints gives its short hint.
    while (c && !c->ShowHint())
        c = c->Parent();
    return c ? ShortHint(c->Hint()) : std::string();
}

std::string FormWindow::CursorAt(int x, int y) const {
    if (!m_form) return {};
    if (tk::Screen->Cursor() != tk::crDefault) return CursorName(tk::Screen->Cursor());
    tk::TControl* c = m_form->HitTest(x, y);
    if (!c) c = m_form;
    while (c && c->Cursor() == tk::crDefault)
        c = c->Parent();
    return c ? CursorName(c->Cursor()) : std::string();
}

void FormWindow::SyncCursor(int x, int y) {
    std::string name = CursorAt(x, y);
    if (name == m_cursor) return;
    m_cursor = name;
    GdkWindow* gw = gtk_widget_get_window(Widget(m_area));
    if (!gw) return;
    GdkCursor* cursor =
        name.empty() ? nullptr : gdk_cursor_new_from_name(gdk_window_get_display(gw), name.c_str());
    gdk_window_set_cursor(gw, cursor);
    if (cursor) g_object_unref(cursor);
}

void FormWindow::FeedButton(int type, unsigned button, int x, int y, unsigned state, std::uint32_t timeMs) {
    ClientGeometry g = Geometry();
    if (type == 2) {
        GdkEventMotion ev{};
        ev.type = GDK_MOTION_NOTIFY;
        ev.x = x;
        ev.y = y;
        ev.x_root = g.x + x;
        ev.y_root = g.y + y;
        ev.state = state;
        ev.time = timeMs;
        Callbacks::MotionEvent(Widget(m_area), &ev, this);
        return;
    }
    GdkEventButton ev{};
    ev.type = type == 0 ? GDK_BUTTON_PRESS : GDK_BUTTON_RELEASE;
    ev.button = button;
    ev.x = x;
    ev.y = y;
    ev.x_root = g.x + x;
    ev.y_root = g.y + y;
    ev.state = state;
    ev.time = timeMs;
    Callbacks::Button(Widget(m_area), &ev, this);
}

void FormWindow::FeedKey(bool press, unsigned keyval, unsigned state) {
    GdkEventKey ev{};
    ev.type = press ? GDK_KEY_PRESS : GDK_KEY_RELEASE;
    ev.keyval = keyval;
    ev.state = state;
    Callbacks::Key(Widget(m_window), &ev, this);
}

void FormWindow::FeedFocus(bool in) {
    GdkEventFocus ev{};
    ev.type = GDK_FOCUS_CHANGE;
    ev.in = in ? 1 : 0;
    Callbacks::Focus(Widget(m_window), &ev, this);
}

void FormWindow::FeedClose() {
    Callbacks::Delete(Widget(m_window), nullptr, this);
}

void FormWindow::UserGeometry(const ClientGeometry& g) {
    gtk_window_move(Win(m_window), g.x, g.y);
    if (m_resizable)
        gtk_window_resize(Win(m_window), g.width, g.height);
    else
        gtk_widget_set_size_request(Widget(m_area), g.width, g.height);
}

} // namespace desktop
