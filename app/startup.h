// Program entry, the start-up routine and the process-wide state of the resident program.
#pragma once

#include "system/win32.h"

namespace krvl {

// UM_METERTICK (WM_USER + 1) belongs to the meters: controls/audioctl32.h.
constexpr UINT UM_MIXERCLOSED = WM_USER + 100;
constexpr UINT UM_TRAYMOUSE = WM_USER + 100;
constexpr UINT UM_LEVELPOLL = WM_USER + 101;
constexpr UINT UM_TRAYICON = WM_USER + 102;
constexpr UINT UM_VOLUMECHANGED = WM_USER + 104;
constexpr UINT UM_MUTECHANGED = WM_USER + 105;
constexpr UINT UM_ROUTECHANGED = WM_USER + 106;

// When set, the message loop ends and the program shuts down.
bool& ExitFlag();
// Tray icon and window icon of the control window and the mixer windows.
HICON& MixerIcon();
NOTIFYICONDATAA& TrayRecord();

// The start-up routine: driver state, the long-lived windows, the tray icon and the message loop.
void StartUp();
// The whole program: application title, start-up, then the forms go with the application object.
int ProgramEntry();

} // namespace krvl
