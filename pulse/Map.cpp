#include "pulse/Map.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace pulse {

const std::array<const char*, kPairs> kPairNames{"Analog 1-2", "Analog 3-4", "Digital"};

namespace {

using json = nlohmann::json;

[[noreturn]] void Fail(const std::string& where, const std::string& why) {
    throw MapError("map: " + where + ": " + why);
}

PairEntry ReadPair(const json& j, const std::string& where, const char* deviceKey) {
    if (!j.is_object()) Fail(where, "is not an object");
    PairEntry e;
    e.given = true;
    for (auto& [key, value] : j.items()) {
        if (key == deviceKey) {
            if (!value.is_string() || value.get<std::string>().empty())
                Fail(where + "." + key, "is not a name");
            e.device = value.get<std::string>();
        } else if (key == "channels") {
            if (!value.is_array() || value.size() != 2)
                Fail(where + ".channels", "needs two channel positions");
            for (auto& p : value) {
                if (!p.is_string() || PositionFromName(p.get<std::string>()) < 0)
                    Fail(where + ".channels", "unknown channel position " + p.dump());
                e.channels.push_back(p.get<std::string>());
            }
        } else {
            Fail(where + "." + key, "unknown key");
        }
    }
    if (e.device.empty()) Fail(where, std::string("names no ") + deviceKey);
    return e;
}

void ReadPairs(const json& j, const std::string& where, const char* deviceKey,
               std::array<PairEntry, kPairs>& pairs) {
    if (!j.is_object()) Fail(where, "is not an object");
    for (auto& [key, value] : j.items()) {
        auto it = std::find(kPairNames.begin(), kPairNames.end(), key);
        if (it == kPairNames.end())
            Fail(where + ".\"" + key + "\"", "unknown pair (\"Analog 1-2\", \"Analog 3-4\" or \"Digital\")");
        pairs[it - kPairNames.begin()] = ReadPair(value, where + ".\"" + key + "\"", deviceKey);
    }
}

const DeviceInfo* Find(const std::vector<DeviceInfo>& list, const std::string& name) {
    for (auto& d : list)
        if (d.name == name) return &d;
    return nullptr;
}

// The pair's two channels on device: the named positions, or the device's first two.
PairPlace Place(const DeviceInfo& d, const std::vector<std::string>& channels, const std::string& where) {
    PairPlace p;
    p.device = d.name;
    p.monitor = d.monitorSource;
    p.channelCount = d.positions.size();
    if (d.positions.empty()) Fail(where, "\"" + d.name + "\" has no channels");
    for (int ch = 0; ch < 2; ++ch) {
        if (channels.empty()) {
            std::size_t i = std::min<std::size_t>(ch, d.positions.size() - 1);
            p.channelIndex[ch] = static_cast<int>(i);
            p.positions[ch] = d.positions[i];
            continue;
        }
        int position = PositionFromName(channels[ch]);
        auto it = std::find(d.positions.begin(), d.positions.end(), position);
        if (it == d.positions.end()) Fail(where, "\"" + d.name + "\" has no channel " + channels[ch]);
        p.channelIndex[ch] = static_cast<int>(it - d.positions.begin());
        p.positions[ch] = position;
    }
    return p;
}

} // namespace

MapFile MapFile::FromJson(const std::string& text) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::exception& e) {
        throw MapError(std::string("map: not JSON: ") + e.what());
    }
    if (!root.is_object()) Fail("the file", "is not an object");
    MapFile map;
    for (auto& [key, value] : root.items()) {
        if (key != "cards") Fail(key, "unknown key");
        if (!value.is_array() || value.empty() || value.size() > kMaxCards)
            Fail("cards", "needs a list of 1 to 4 cards");
        for (std::size_t c = 0; c < value.size(); ++c) {
            const json& card = value[c];
            std::string where = "cards[" + std::to_string(c) + "]";
            if (!card.is_object()) Fail(where, "is not an object");
            CardEntry entry;
            for (auto& [k, v] : card.items()) {
                if (k == "outputs")
                    ReadPairs(v, where + ".outputs", "sink", entry.outputs);
                else if (k == "inputs")
                    ReadPairs(v, where + ".inputs", "source", entry.inputs);
                else if (k == "extended" && v.is_boolean())
                    entry.extended = v.get<bool>();
                else
                    Fail(where + "." + k, k == "extended" ? "is not true or false" : "unknown key");
            }
            map.cards.push_back(std::move(entry));
        }
    }
    if (map.cards.empty()) Fail("the file", "names no cards");
    return map;
}

MapFile MapFile::FromFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw MapError("map: cannot read " + path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        return FromJson(text);
    } catch (const MapError& e) {
        throw MapError(path + ": " + e.what());
    }
}

Layout Resolve(const MapFile* map, const std::vector<DeviceInfo>& sinks,
               const std::vector<DeviceInfo>& sources) {
    Layout layout;
    if (map) {
        for (std::size_t c = 0; c < map->cards.size(); ++c) {
            const CardEntry& entry = map->cards[c];
            CardPlace card;
            card.extended = entry.extended;
            for (int p = 0; p < kPairs; ++p) {
                std::string where = "cards[" + std::to_string(c) + "].";
                if (const PairEntry& e = entry.outputs[p]; e.given) {
                    std::string w = where + "outputs.\"" + kPairNames[p] + "\"";
                    const DeviceInfo* d = Find(sinks, e.device);
                    if (!d) Fail(w, "no sink \"" + e.device + "\" on the server");
                    card.outputs[p] = Place(*d, e.channels, w);
                }
                if (const PairEntry& e = entry.inputs[p]; e.given) {
                    std::string w = where + "inputs.\"" + kPairNames[p] + "\"";
                    const DeviceInfo* d = Find(sources, e.device);
                    if (!d) Fail(w, "no source \"" + e.device + "\" on the server");
                    card.inputs[p] = Place(*d, e.channels, w);
                }
            }
            layout.cards.push_back(std::move(card));
        }
        return layout;
    }
    std::vector<const DeviceInfo*> inputs;
    for (auto& s : sources)
        if (!s.isMonitor) inputs.push_back(&s);
    std::size_t pairs = std::max(sinks.size(), inputs.size());
    std::size_t cards = std::min<std::size_t>(kMaxCards, (pairs + kPairs - 1) / kPairs);
    layout.cards.resize(cards);
    for (std::size_t i = 0; i < cards * kPairs; ++i) {
        CardPlace& card = layout.cards[i / kPairs];
        std::string where = "server";
        if (i < sinks.size() && !sinks[i].positions.empty())
            card.outputs[i % kPairs] = Place(sinks[i], {}, where);
        if (i < inputs.size() && !inputs[i]->positions.empty())
            card.inputs[i % kPairs] = Place(*inputs[i], {}, where);
    }
    return layout;
}

} // namespace pulse
