// Which values of the driver records a card accepts.
#pragma once

#include "system/win32.h"

namespace cardcore {

// A routing record of input pair (0 Analog 1-2, 1 Analog 3-4, 2 Digital): the pair's own input
// sources, a monitor pair 0 to 3 and a monitor mode 0 to 2; XLR and coaxial only with the extended
// connectors.
bool ValidRouting(int pair, DWORD record, bool extended);
// Playback source codes 0 to 5.
bool ValidSource(DWORD code);
// 0 S/PDIF, 1 AES/EBU.
bool ValidFormat(DWORD format);

} // namespace cardcore
