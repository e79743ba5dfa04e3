#include "system/internal.h"
#include "system/sys.h"

namespace sys {

void ResetSystem() {
    detail::ResetShell(); // joins running programs first: they may still use the rest
    detail::ResetClock();
    detail::ResetWindows();
    detail::ResetWave();
    detail::ResetWow16();
    detail::ResetProfile();
    detail::ResetUi();
}

} // namespace sys
