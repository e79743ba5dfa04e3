// What a driver's state file holds, in one format for both drivers: per card the words and records as
// the driver messages carry them, and the configuration record.
#pragma once

#include "cardcore/Config.h"
#include "system/krvl_protocol.h"

#include <array>
#include <string>
#include <vector>

namespace cardcore {

struct StoredCard {
    std::array<DWORD, 2> gain{};      // analog inputs, packed stereo
    std::array<DWORD, 2> inputMute{}; // analog inputs, packed stereo
    std::array<DWORD, krvl::kPairsPerCard> routing{};
    std::array<DWORD, 2> volume{};     // analog outputs, packed stereo
    std::array<DWORD, 2> outputMute{}; // analog outputs, packed stereo
    std::array<DWORD, krvl::kPairsPerCard> source{};
    DWORD digitalFormat{};
    bool extended{}; // not stored: which routing records the card takes
};

std::string StateText(const std::vector<StoredCard>& cards, const ConfigStore& config);
// Reads the file at path into cards (one for each card the driver has) and config. A value the file
// lacks, holds in the wrong kind or the card would refuse leaves what was there; a missing or damaged
// file changes nothing.
void ReadState(const std::string& path, std::vector<StoredCard>& cards, ConfigStore& config);

} // namespace cardcore
