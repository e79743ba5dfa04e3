// Card discovery: which of the system's wave devices belong to which card and channel pair.
#pragma once

#include "system/krvl_protocol.h"
#include "system/win32.h"

#include <array>
#include <cstdint>
#include <string>

namespace krvl {

constexpr int kTableSize = kMaxCards * kPairsPerCard;

// Where a pair's device sits within a card: the device counts of the pairs before it (one each way).
constexpr int PairOffset(int pair) {
    return pair;
}

struct TCardTable {
    std::array<std::int32_t, kTableSize> waveInIds{}; // index card × 3 + pair; -1 = not found
    std::array<std::int32_t, kTableSize> waveOutIds{};
    std::array<std::int32_t, kMaxCards> devnodes{}; // -1 = not read
    std::array<bool, kMaxCards> devnodeRead{};      // the driver answered; -1 may be a devnode too
    std::int32_t waveInFound{};
    std::int32_t waveOutFound{};
    // Cards with all six devices, numbered without a gap; 0 when the counted ones are not all there.
    std::int32_t cardCount{};
    bool cardsFound{};

    TCardTable() { Clear(); }
    void Clear();
    // Whether a device-change notice for devnode concerns this found card; a devnode never read
    // matches nothing.
    bool IsDevnodeOf(int card, DWORD devnode) const;
};

// The one card table, filled by DiscoverCards and read everywhere else.
TCardTable& CardTable();

// Rebuilds the card table from the system's wave devices and reads each card's devnode. A malformed
// analog name ends discovery with its error; a failed control open ends it silently. Devices of a
// fifth card are passed over; counted cards that lack devices leave no card found.
void DiscoverCards();

// "... 5-6" → card 1, pair 0 (channels counted across cards, four per card).
int AnalogDevNameToCard(const std::string& name, int& pair, int channelsPerCard = kAnalogChannelsPerCard);
// "... III" → card 2; no numeral gives card 0.
int DigitalDevNameToCard(const std::string& name);

} // namespace krvl
