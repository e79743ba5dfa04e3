// Translation of desktop input into the classic shapes the toolkit takes: virtual keys, shift states,
// double clicks, the free background, menu labels and message texts. No GTK objects, so it is testable alone.
#pragma once

#include "system/win32.h"
#include "toolkit/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tk {
class TControl;
class TForm;
} // namespace tk

namespace desktop {

// The virtual key of an X key symbol, 0 for keys the classic keyboard has no code for.
WORD VirtualKeyOf(unsigned keyval);
// The characters (WM_CHAR bytes, UTF-8) a key press types: control characters for Backspace, Tab,
// Enter and Escape as the classic translation gives them, nothing while Ctrl or Alt is held.
std::vector<char> TypedChars(unsigned keyval, std::uint32_t unicode, tk::TShiftState shift);
// GDK modifier bits (shift, control, mod1 = Alt, buttons 1-3) as a shift state.
tk::TShiftState ShiftOf(unsigned gdkState);

// Turns presses into the classic down / double-click messages: a second press of the same button
// within the double-click time and distance is a double click; the press after it starts anew.
class ClickCounter {
public:
    ClickCounter(unsigned timeMs = 500, int distance = 5) : m_timeMs(timeMs), m_distance(distance) {}
    void SetLimits(unsigned timeMs, int distance) {
        m_timeMs = timeMs;
        m_distance = distance;
    }
    // button 1 = left, 3 = right; returns WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN or
    // WM_RBUTTONDBLCLK, 0 for other buttons.
    UINT Press(unsigned button, std::uint32_t timeMs, int x, int y);
    // WM_LBUTTONUP / WM_RBUTTONUP, 0 for other buttons.
    static UINT Release(unsigned button);

private:
    unsigned m_timeMs;
    int m_distance;
    unsigned m_lastButton{};
    std::uint32_t m_lastTime{};
    int m_lastX{};
    int m_lastY{};
    bool m_armed{};
};

// True when a right click at (x, y) of the form's client area falls on its free background: the form
// itself or a plain container without mouse handlers or popup menu of its own.
bool IsFreeBackground(tk::TForm& form, int x, int y);

// A menu text for the desktop: "&x" marks the mnemonic ("_x"), "&&" is one ampersand, and the part
// after a tab (a shortcut such as "Alt+F4") is returned separately.
struct MenuLabel {
    std::string mnemonic;
    std::string shortcut;
};
MenuLabel MenuLabelOf(const std::string& text);

// A message text for a desktop dialog: "\r\n" and lone "\r" become line breaks; text that is not valid
// UTF-8 is read as the classic code page (Latin-1).
std::string DisplayText(const std::string& text);

// A hint as a tooltip shows it: the part before "|" (the classic short hint).
std::string ShortHint(const std::string& hint);

} // namespace desktop
