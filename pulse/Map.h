// Which server objects are a card: the map file (JSON, docs/pulse.md) or, without one, the server's
// own sinks and sources in its order, and the resolution of either against what the server has.
#pragma once

#include "pulse/Server.h"
#include "system/krvl_protocol.h"

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace pulse {

constexpr int kMaxCards = krvl::kMaxCards;
constexpr int kPairs = krvl::kPairsPerCard; // Analog 1-2, Analog 3-4, Digital

class MapError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The pair names as the map file writes them, in channel pair order.
extern const std::array<const char*, kPairs> kPairNames;

struct PairEntry {
    bool given{};
    std::string device;                // sink (outputs) or source (inputs) name
    std::vector<std::string> channels; // two position names, or empty for the device's first two
};

struct CardEntry {
    std::array<PairEntry, kPairs> outputs;
    std::array<PairEntry, kPairs> inputs;
    bool extended{}; // the card has the extended digital connectors
};

struct MapFile {
    std::vector<CardEntry> cards;

    // Throws MapError naming the entry that is wrong.
    static MapFile FromJson(const std::string& text);
    static MapFile FromFile(const std::string& path);
};

// One pair of one direction as it lies on the server; device empty for a pair the server does not have
// (a silent device).
struct PairPlace {
    std::string device;
    std::string monitor;               // outputs: the sink's monitor source, where its levels are read
    std::array<int, 2> positions{};    // left, right
    std::array<int, 2> channelIndex{}; // where they sit in the device's channel map
    std::size_t channelCount{};        // of the device
    bool Present() const { return !device.empty(); }
};

struct CardPlace {
    std::array<PairPlace, kPairs> outputs;
    std::array<PairPlace, kPairs> inputs;
    bool extended{};
};

struct Layout {
    std::vector<CardPlace> cards;
};

// With a map: every named sink and source must exist (MapError names the entry otherwise). Without one:
// each sink in the server's order is an output pair and each source that is no monitor an input pair,
// three pairs a card, at most four cards.
Layout Resolve(const MapFile* map, const std::vector<DeviceInfo>& sinks,
               const std::vector<DeviceInfo>& sources);

} // namespace pulse
