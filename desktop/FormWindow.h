// One form on the desktop: a top-level window whose client area the toolkit paints, with the form's
// caption, icon, border style, placement, size limits, stay-on-top and modality, and whose input goes
// to the form's one dispatch. GTK stays in FormWindow.cpp.
#pragma once

#include "desktop/Input.h"
#include "system/win32.h"
#include "toolkit/Types.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tk {
class TComponent;
class TForm;
} // namespace tk

namespace desktop {

class Host;

// Client-area geometry in screen pixels.
struct ClientGeometry {
    int x{};
    int y{};
    int width{};
    int height{};
    bool operator==(const ClientGeometry&) const = default;
};

// Client-area size limits from WM_GETMINMAXINFO.
struct SizeLimits {
    int minWidth{};
    int minHeight{};
    int maxWidth{};
    int maxHeight{};
    bool operator==(const SizeLimits&) const = default;
};

class FormWindow {
public:
    FormWindow(Host& host, tk::TForm& form, HWND hwnd);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND Hwnd() const { return m_hwnd; }
    // The form is going away: nothing may reach it any more.
    void Detach();
    bool Focused() const { return m_focused; }
    // The GtkWindow* (opaque here).
    void* NativeWindow() const { return m_window; }
    tk::TForm& Form() const { return *m_form; }

    // Brings the window in line with the form (caption, icon, styles, visibility, and the limits and
    // geometry when the program moved or sized the form since).
    void Sync();
    // The program moved, sized, showed, hid or restacked the form (SetWindowPos). A change of z-order is
    // applied at once; true when the rest needs a Sync. Host-made echoes of a fixed-size form's bounds
    // are ignored.
    bool ProgramMoved(INT x, INT y, INT cx, INT cy, UINT flags);
    void Invalidate(const tk::TRect& clientRect);

    // ---- what the desktop shows (tests, screenshots) ----
    const std::string& Title() const { return m_title; }
    bool Shown() const { return m_shown; }
    bool Resizable() const { return m_resizable; }
    bool ToolWindow() const { return m_toolWindow; }
    bool KeepAbove() const { return m_above; }
    tk::TWindowState WindowState() const { return m_windowState; }
    bool Modal() const { return m_modal; }
    const SizeLimits& Limits() const { return m_limits; }
    // Where the window is as the desktop last reported it.
    ClientGeometry Geometry() const;
    // The X window id, 0 before the window is realised.
    unsigned long XWindow() const;
    // Paints the client area into a PNG file as the window shows it.
    bool SaveClientPng(const std::string& path);
    // The colour (0xRRGGBB) the window shows at a client point, read back from the display.
    std::optional<std::uint32_t> ScreenPixel(int x, int y) const;
    // Passes that put invalidated pixels on the window outside GTK's drawing.
    std::uint64_t DirectPaints() const { return m_directPaints; }

    // ---- input as the desktop delivers it (tests feed the same path) ----
    // type: 0 press, 1 release, 2 motion; button 1 left, 3 right; state in GDK modifier bits.
    void FeedButton(int type, unsigned button, int x, int y, unsigned state, std::uint32_t timeMs);
    void FeedKey(bool press, unsigned keyval, unsigned state);
    void FeedFocus(bool in);
    // The close box.
    void FeedClose();
    // As if the user (or the window manager) moved or sized the window.
    void UserGeometry(const ClientGeometry& geometry);
    // The tooltip text for a point of the client area (what ShowHint shows), empty for none.
    std::string TooltipAt(int x, int y) const;
    // The cursor name shown over a point ("pointer" for the hand), empty for the default arrow.
    std::string CursorAt(int x, int y) const;

    // GTK callbacks (FormWindow.cpp).
    struct Callbacks;

private:
    friend struct Callbacks;
    friend class Host;
    void Create();
    void ApplyGeometry(bool force);
    void SeenGeometry(const ClientGeometry& geometry);
    void FeedBack(const ClientGeometry& geometry);
    void SyncCursor(int x, int y);
    void SyncAbove(bool topmost);
    // Paints the form into the client image for the clip set on cr (a cairo_t*); false when it threw.
    bool PaintStore(void* cr);
    // Paints what the form invalidated since the last pass and puts those pixels on screen.
    void Flush();
    // The same, now, when a pass is waiting.
    void FlushPending();

    Host& m_host;
    tk::TForm* m_form;
    const tk::TComponent* m_identity; // the form as its destruction notice names it
    HWND m_hwnd;
    void* m_window{}; // GtkWidget*
    void* m_area{};   // GtkWidget*
    std::string m_title;
    HICON m_icon{};
    bool m_iconSet{};
    bool m_shown{};
    bool m_resizable{true};
    bool m_toolWindow{};
    bool m_above{};
    bool m_modal{};
    tk::TWindowState m_windowState{};
    bool m_geometryDirty{true};
    SizeLimits m_limits{};
    std::optional<ClientGeometry> m_requested; // what the host last asked the desktop for
    std::optional<ClientGeometry> m_seen;      // what the desktop last reported
    std::int64_t m_inFlightUntil{};            // until then, reports that differ from the request are stale
    unsigned m_settleTimer{};
    std::optional<tk::TRect> m_echo;           // form bounds the host is applying itself
    std::optional<ClientGeometry> m_clampedTo; // the last size the limits held the form to
    std::string m_cursor;
    bool m_focused{};
    bool m_paintFailing{};                // the last paint threw; the failure has been reported
    std::array<double, 4> m_failedArea{}; // the last failed paint's clip: left, top, right, bottom
    // The client area as last painted, and the window it is shown on (FormWindow.cpp). A change of a
    // few lamps is painted into it and copied to the window at once, outside GTK's frame cycle, which
    // costs several times the drawing itself per frame.
    struct Store;
    std::unique_ptr<Store> m_store;
    std::vector<tk::TRect> m_pending; // invalidated since the last pass
    unsigned m_flushSource{};
    std::uint64_t m_directPaints{};
    // A mouse move waiting in the program's queue (moves are merged while one waits).
    struct PendingMotion {
        int x{};
        int y{};
        tk::TShiftState shift{};
    };
    std::shared_ptr<PendingMotion> m_motion;
    ClickCounter m_clicks;
};

} // namespace desktop
