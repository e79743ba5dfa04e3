#include "desktop/Input.h"

#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include <gdk/gdk.h>

#include <cstdlib>
#include <functional>

namespace desktop {

WORD VirtualKeyOf(unsigned keyval) {
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return static_cast<WORD>('A' + (keyval - GDK_KEY_a));
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return static_cast<WORD>('A' + (keyval - GDK_KEY_A));
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return static_cast<WORD>('0' + (keyval - GDK_KEY_0));
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9)
        return static_cast<WORD>(0x60 + (keyval - GDK_KEY_KP_0));
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return static_cast<WORD>(0x70 + (keyval - GDK_KEY_F1));
    switch (keyval) {
    case GDK_KEY_BackSpace:
        return tk::VK_BACK;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
    case GDK_KEY_KP_Tab:
        return tk::VK_TAB;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        return tk::VK_RETURN;
    case GDK_KEY_Escape:
        return tk::VK_ESCAPE;
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
        return tk::VK_SPACE;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
        return 0x21;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
        return 0x22;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
        return tk::VK_END;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
        return tk::VK_HOME;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        return tk::VK_LEFT;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        return tk::VK_UP;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        return tk::VK_RIGHT;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        return tk::VK_DOWN;
    case GDK_KEY_Insert:
    case GDK_KEY_KP_Insert:
        return 0x2D;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        return tk::VK_DELETE;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
        return 0x10;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
        return 0x11;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
        return 0x12;
    default:
        return 0;
    }
}

std::vector<char> TypedChars(unsigned keyval, std::uint32_t unicode, tk::TShiftState shift) {
    if (shift & (tk::ssCtrl | tk::ssAlt)) return {};
    switch (VirtualKeyOf(keyval)) {
    case tk::VK_BACK:
        return {'\b'};
    case tk::VK_TAB:
        return {'\t'};
    case tk::VK_RETURN:
        return {'\r'};
    case tk::VK_ESCAPE:
        return {'\x1b'};
    default:
        break;
    }
    if (unicode < 0x20 || unicode == 0x7F || unicode > 0x10FFFF) return {};
    char buffer[8] = {};
    int n = g_unichar_to_utf8(static_cast<gunichar>(unicode), buffer);
    return std::vector<char>(buffer, buffer + n);
}

tk::TShiftState ShiftOf(unsigned gdkState) {
    tk::TShiftState shift{};
    if (gdkState & GDK_SHIFT_MASK) shift |= tk::ssShift;
    if (gdkState & GDK_CONTROL_MASK) shift |= tk::ssCtrl;
    if (gdkState & GDK_MOD1_MASK) shift |= tk::ssAlt;
    if (gdkState & GDK_BUTTON1_MASK) shift |= tk::ssLeft;
    if (gdkState & GDK_BUTTON2_MASK) shift |= tk::ssMiddle;
    if (gdkState & GDK_BUTTON3_MASK) shift |= tk::ssRight;
    return shift;
}

UINT ClickCounter::Press(unsigned button, std::uint32_t timeMs, int x, int y) {
    if (button != 1 && button != 3) return 0;
    bool dbl = m_armed && button == m_lastButton && timeMs - m_lastTime <= m_timeMs &&
               std::abs(x - m_lastX) <= m_distance && std::abs(y - m_lastY) <= m_distance;
    m_armed = !dbl;
    m_lastButton = button;
    m_lastTime = timeMs;
    m_lastX = x;
    m_lastY = y;
    if (button == 1) return dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
    return dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN;
}

UINT ClickCounter::Release(unsigned button) {
    if (button == 1) return WM_LBUTTONUP;
    if (button == 3) return WM_RBUTTONUP;
    return 0;
}

bool IsFreeBackground(tk::TForm& form, int x, int y) {
    tk::TControl* hit = form.HitTest(x, y);
    if (!hit || hit == &form) return true;
    if (!(hit->ControlStyle() & tk::csAcceptsControls)) return false;
    return !hit->PopupMenu() && !hit->OnMouseDown && !hit->OnMouseUp && !hit->OnClick && !hit->OnDblClick;
}

MenuLabel MenuLabelOf(const std::string& text) {
    MenuLabel label;
    std::string body = text;
    if (auto tab = text.find('\t'); tab != std::string::npos) {
        body = text.substr(0, tab);
        label.shortcut = text.substr(tab + 1);
    }
    for (std::size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c == '&') {
            if (i + 1 < body.size() && body[i + 1] == '&') {
                label.mnemonic += '&';
                ++i;
            } else if (i + 1 < body.size()) {
                label.mnemonic += '_';
            }
        } else if (c == '_') {
            label.mnemonic += "__";
        } else {
            label.mnemonic += c;
        }
    }
    return label;
}

std::string DisplayText(const std::string& text) {
    std::string utf8 = text;
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        gsize written = 0;
        gchar* converted = g_convert(text.data(), static_cast<gssize>(text.size()), "UTF-8", "WINDOWS-1252",
                                     nullptr, &written, nullptr);
        if (!converted)
            converted = g_convert(text.data(), static_cast<gssize>(text.size()), "UTF-8", "ISO-8859-1",
                                  nullptr, &written, nullptr);
        if (converted) {
            utf8.assign(converted, written);
            g_free(converted);
        }
    }
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r') {
            out += '\n';
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

std::string ShortHint(const std::string& hint) {
    return hint.substr(0, hint.find('|'));
}

} // namespace desktop
