// Links between the system layer's own modules; not for its users.
#pragma once

#include "system/win32.h"

namespace sys::detail {

void ResetWindows();
void ResetClock();
void ResetWow16();
void ResetWave();
void ResetShell();
void ResetProfile();
void ResetUi();

// A destroyed window takes its timers and system menu with it.
void KillWindowTimers(HWND hwnd);
void DropSystemMenu(HWND hwnd);

} // namespace sys::detail
