// How the card's driver names its wave devices, so that the manager's discovery finds the cards: analog
// names end in the channel numbers counted across cards ("... 5-6"), digital names in the Roman card
// number ("... II").
#pragma once

#include "system/sys.h"

#include <string>

namespace cardcore {

// Empty for a card index outside 0 to 3 or a pair outside 0 to 2.
std::string DeviceName(sys::WaveDir dir, int card, int pair);

} // namespace cardcore
