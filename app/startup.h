// Program entry, the start-up routine and the process-wide state of the resident program.
#pragma once

#include "app/messages.h"
#include "system/win32.h"

namespace krvl {

// When set, the message loop ends and the program shuts down.
bool& ExitFlag();
// Sets the exit flag and ends the modal loops that run, so the program's loop can see it.
void EndProgram();
NOTIFYICONDATAA& TrayRecord();

// Tells the control window how each mixer window and the settings dialog are made. Explicit rather than
// by self-registering objects, which a static-library link would silently drop.
void RegisterWindows();
// The start-up routine: driver state, the long-lived windows, the tray icon and the message loop.
void StartUp();
// The whole program: the windows registered, application title, start-up, then the forms go with the
// application object.
int ProgramEntry();

} // namespace krvl
