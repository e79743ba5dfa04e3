// The emulated card answers the driver protocol; its names stand unqualified throughout the emulator.
#pragma once

#include "system/krvl_protocol.h"

namespace emu {

using namespace krvl::proto;

// The scenario's name for the channel pairs of a card.
constexpr int kPairs = kPairsPerCard;

} // namespace emu
