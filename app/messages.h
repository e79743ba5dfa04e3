// The program's private window messages, all posted and handled on the user-interface thread. One header
// for every window, so a mixer window needs neither the start-up routine nor the meter controls for them.
#pragma once

#include "system/win32.h"

namespace krvl {

// 40 ms meter timer → mixer window, passed on to each level meter: one step of fall and peak-hold
// countdown; wParam is the id of the timer that fired.
constexpr UINT UM_METERTICK = WM_USER + 1;
// Mixer window or settings dialog → control window; lParam = the closing window.
constexpr UINT UM_MIXERCLOSED = WM_USER + 100;
// → hidden main window; lParam = the mouse message (the same number as UM_MIXERCLOSED, another window).
constexpr UINT UM_TRAYMOUSE = WM_USER + 100;
// 100 ms level timer → mixer window: read the peak levels.
constexpr UINT UM_LEVELPOLL = WM_USER + 101;
// Tray icon → control window; lParam = the mouse message.
constexpr UINT UM_TRAYICON = WM_USER + 102;
// Driver → analog output window: re-read the fader positions.
constexpr UINT UM_VOLUMECHANGED = WM_USER + 104;
// Driver → analog output window; lParam = card << 16 | pair: re-read that pair's mutes.
constexpr UINT UM_MUTECHANGED = WM_USER + 105;
// Driver → output windows; lParam = card << 16 | pair: re-read that pair's playback source.
constexpr UINT UM_ROUTECHANGED = WM_USER + 106;

} // namespace krvl
