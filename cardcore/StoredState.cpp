#include "cardcore/StoredState.h"

#include "cardcore/Records.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <optional>

namespace cardcore {
namespace {

using json = nlohmann::json;

std::optional<DWORD> Value(const json& v) {
    if (!v.is_number_unsigned() || v.get<std::uint64_t>() > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<DWORD>(v.get<std::uint64_t>());
}

template <std::size_t N, class Valid>
void Load(const json& card, const char* key, std::array<DWORD, N>& target, Valid valid) {
    if (!card.contains(key) || !card[key].is_array()) return;
    const json& list = card[key];
    for (std::size_t i = 0; i < N && i < list.size(); ++i)
        if (auto v = Value(list[i]); v && valid(static_cast<int>(i), *v)) target[i] = *v;
}

} // namespace

std::string StateText(const std::vector<StoredCard>& cards, const ConfigStore& config) {
    json root;
    root["cards"] = json::array();
    for (auto& c : cards)
        root["cards"].push_back({{"gain", c.gain},
                                 {"input_mute", c.inputMute},
                                 {"routing", c.routing},
                                 {"volume", c.volume},
                                 {"output_mute", c.outputMute},
                                 {"source", c.source},
                                 {"digital_format", c.digitalFormat}});
    root["config"] = config.ToHex();
    return root.dump(1) + "\n";
}

void ReadState(const std::string& path, std::vector<StoredCard>& cards, ConfigStore& config) {
    std::ifstream in(path);
    if (!in) return;
    json root;
    try {
        root = json::parse(in);
    } catch (const json::exception&) {
        return; // a damaged file is as good as none: the cards start from their defaults
    }
    if (!root.is_object()) return;
    if (root.contains("config") && root["config"].is_string())
        config.FromHex(root["config"].get<std::string>());
    if (!root.contains("cards") || !root["cards"].is_array()) return;
    const json& list = root["cards"];
    auto any = [](int, DWORD) { return true; };
    for (std::size_t c = 0; c < cards.size() && c < list.size(); ++c) {
        const json& j = list[c];
        if (!j.is_object()) continue;
        StoredCard& card = cards[c];
        Load(j, "gain", card.gain, any);
        Load(j, "input_mute", card.inputMute, any);
        Load(j, "routing", card.routing, [&](int p, DWORD v) { return ValidRouting(p, v, card.extended); });
        Load(j, "volume", card.volume, any);
        Load(j, "output_mute", card.outputMute, any);
        Load(j, "source", card.source, [](int, DWORD v) { return ValidSource(v); });
        if (j.contains("digital_format"))
            if (auto v = Value(j["digital_format"]); v && ValidFormat(*v)) card.digitalFormat = *v;
    }
}

} // namespace cardcore
