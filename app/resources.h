// The program's compiled-in resources (the "MIXERICON" icon) and the mixer icon loaded from it.
#pragma once

#include "system/win32.h"

namespace krvl {

void RegisterResources();
// Tray icon and window icon of the control window and the mixer windows; the start-up loads and
// destroys it.
HICON& MixerIcon();

} // namespace krvl
