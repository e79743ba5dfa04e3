#include "emu/Scenario.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

namespace emu {
namespace {

using json = nlohmann::json;

[[noreturn]] void Fail(const std::string& where, const std::string& why) {
    throw ScenarioError("scenario: " + where + ": " + why);
}

void CheckKeys(const json& obj, const std::string& where, std::initializer_list<const char*> known,
               std::vector<std::string>& warnings) {
    std::set<std::string> names(known.begin(), known.end());
    for (auto& [key, value] : obj.items()) {
        (void)value;
        if (!names.count(key) && key.rfind('_', 0) != 0 && key != "comment")
            warnings.push_back(where + ": unknown key \"" + key + "\" ignored");
    }
}

const json& Object(const json& j, const std::string& where) {
    if (!j.is_object()) Fail(where, "must be an object");
    return j;
}

long long Integer(const json& j, const std::string& where, long long lo, long long hi) {
    long long v = 0;
    if (j.is_number_integer() || j.is_number_unsigned()) {
        v = j.is_number_unsigned() ? static_cast<long long>(std::min<unsigned long long>(
                                         j.get<unsigned long long>(), 1ull << 62))
                                   : j.get<long long>();
    } else if (j.is_string()) {
        // Driver words read best in hex: "0x8000FE00".
        const std::string s = j.get<std::string>();
        std::size_t used = 0;
        try {
            v = std::stoll(s, &used, 0);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != s.size()) Fail(where, "\"" + s + "\" is not a number");
    } else if (j.is_boolean()) {
        v = j.get<bool>() ? 1 : 0;
    } else {
        Fail(where, "must be an integer");
    }
    if (v < lo || v > hi)
        Fail(where, std::to_string(v) + " is outside " + std::to_string(lo) + " to " + std::to_string(hi));
    return v;
}

double Number(const json& j, const std::string& where, double lo, double hi) {
    if (!j.is_number()) Fail(where, "must be a number");
    double v = j.get<double>();
    if (!(v >= lo && v <= hi)) Fail(where, "outside " + std::to_string(lo) + " to " + std::to_string(hi));
    return v;
}

bool Bool(const json& j, const std::string& where) {
    if (!j.is_boolean()) Fail(where, "must be true or false");
    return j.get<bool>();
}

std::string String(const json& j, const std::string& where) {
    if (!j.is_string()) Fail(where, "must be a string");
    return j.get<std::string>();
}

const json& Array(const json& j, const std::string& where) {
    if (!j.is_array()) Fail(where, "must be an array");
    return j;
}

sys::WaveDir Direction(const json& j, const std::string& where) {
    std::string d = String(j, where);
    if (d == "in") return sys::WaveDir::In;
    if (d == "out") return sys::WaveDir::Out;
    Fail(where, "must be \"in\" or \"out\"");
}

std::string Path(const std::string& baseDir, const std::string& file) {
    if (file.empty() || file[0] == '/' || baseDir.empty()) return file;
    return baseDir + "/" + file;
}

Signal ParseMono(const json& j, const std::string& where, const std::string& baseDir,
                 std::vector<std::string>& warnings, int channel) {
    if (j.is_null()) return Signal::Silence();
    if (j.is_string()) {
        if (j.get<std::string>() == "silence") return Signal::Silence();
        Fail(where, "a signal is \"silence\" or an object");
    }
    Object(j, where);
    if (!j.contains("type")) Fail(where, "\"type\" is missing");
    std::string type = String(j["type"], where + ".type");
    auto level = [&]() -> double {
        if (j.contains("level") && j.contains("level_db"))
            Fail(where, "give \"level\" or \"level_db\", not both");
        if (j.contains("level")) return Number(j["level"], where + ".level", 0, 32767);
        if (j.contains("level_db"))
            return 32767.0 * std::pow(10.0, Number(j["level_db"], where + ".level_db", -200, 0) / 20.0);
        return 16384;
    };
    Signal s;
    if (type == "silence") {
        CheckKeys(j, where, {"type"}, warnings);
    } else if (type == "sine") {
        CheckKeys(j, where, {"type", "level", "level_db", "freq", "phase"}, warnings);
        s = Signal::Sine(level(), j.contains("freq") ? Number(j["freq"], where + ".freq", 0, 96000) : 1000,
                         j.contains("phase") ? Number(j["phase"], where + ".phase", -36000, 36000) : 0);
    } else if (type == "noise") {
        CheckKeys(j, where, {"type", "level", "level_db", "seed"}, warnings);
        s = Signal::Noise(level(), j.contains("seed") ? static_cast<std::uint32_t>(Integer(
                                                            j["seed"], where + ".seed", 0, 0xFFFFFFFFll))
                                                      : 1);
    } else if (type == "wav") {
        CheckKeys(j, where, {"type", "file", "channel"}, warnings);
        if (!j.contains("file")) Fail(where, "\"file\" is missing");
        s.kind = Signal::Kind::Wav;
        try {
            s.wav = WavData::Load(Path(baseDir, String(j["file"], where + ".file")));
        } catch (const std::runtime_error& e) {
            Fail(where, e.what());
        }
        s.wavChannel = j.contains("channel")
                           ? static_cast<int>(Integer(j["channel"], where + ".channel", 0, 7))
                           : channel;
        if (s.wavChannel >= static_cast<int>(s.wav->channels.size()))
            s.wavChannel = static_cast<int>(s.wav->channels.size()) - 1;
    } else {
        Fail(where + ".type", "\"" + type + "\" is not silence, sine, noise or wav");
    }
    return s;
}

StereoSignal ParseStereo(const json& j, const std::string& where, const std::string& baseDir,
                         std::vector<std::string>& warnings) {
    if (j.is_object() && !j.contains("type") && (j.contains("left") || j.contains("right"))) {
        CheckKeys(j, where, {"left", "right"}, warnings);
        StereoSignal st;
        st.left = j.contains("left") ? ParseMono(j["left"], where + ".left", baseDir, warnings, 0) : Signal{};
        st.right =
            j.contains("right") ? ParseMono(j["right"], where + ".right", baseDir, warnings, 1) : Signal{};
        return st;
    }
    return StereoSignal{ParseMono(j, where, baseDir, warnings, 0), ParseMono(j, where, baseDir, warnings, 1)};
}

void ParseSignals(const json& j, const std::string& where, const std::string& baseDir, CardSpec& card,
                  std::vector<std::string>& warnings) {
    Object(j, where);
    CheckKeys(j, where, {"in", "out"}, warnings);
    for (const char* side : {"in", "out"}) {
        if (!j.contains(side)) continue;
        const json& list = Array(j[side], where + "." + side);
        if (list.size() > kPairs)
            Fail(where + "." + side, "at most 3 entries (Analog 1-2, Analog 3-4, Digital)");
        auto& target = std::string(side) == "in" ? card.inputs : card.playback;
        for (std::size_t p = 0; p < list.size(); ++p)
            target[p] =
                ParseStereo(list[p], where + "." + side + "[" + std::to_string(p) + "]", baseDir, warnings);
    }
}

int CardNumber(const json& j, const std::string& where) {
    return static_cast<int>(Integer(j, where, 1, kMaxCards)) - 1;
}

// The pair an analog name stands for under the manager's name rule, or -1.
int AnalogPairOf(const std::string& name) {
    auto dash = name.rfind('-');
    if (dash == std::string::npos) return -1;
    try {
        int n = std::stoi(name.substr(dash + 1));
        int c = n - 2;
        int pair = (c % 4) / 2;
        return pair == 0 || pair == 1 ? pair : -1;
    } catch (const std::exception&) {
        return -1;
    }
}

DeviceSpec ParseDevice(const json& j, const std::string& where, bool allowCard,
                       std::vector<std::string>& warnings) {
    Object(j, where);
    if (allowCard)
        CheckKeys(j, where, {"direction", "mid", "pid", "name", "card", "pair"}, warnings);
    else
        CheckKeys(j, where, {"direction", "mid", "pid", "name"}, warnings);
    for (const char* key : {"direction", "mid", "pid", "name"})
        if (!j.contains(key)) Fail(where, std::string("\"") + key + "\" is missing");
    DeviceSpec d;
    d.dir = Direction(j["direction"], where + ".direction");
    d.mid = static_cast<WORD>(Integer(j["mid"], where + ".mid", 0, 0xFFFF));
    d.pid = static_cast<WORD>(Integer(j["pid"], where + ".pid", 0, 0xFFFF));
    d.name = String(j["name"], where + ".name");
    if (d.name.size() > MAXPNAMELEN - 1) Fail(where + ".name", "longer than 31 characters");
    if (!allowCard && j.contains("card")) Fail(where, "a foreign device has no \"card\"");
    if (j.contains("card")) {
        d.card = CardNumber(j["card"], where + ".card");
        if (j.contains("pair")) {
            d.pair = static_cast<int>(Integer(j["pair"], where + ".pair", 0, kPairs - 1));
        } else if (d.pid == kPidDigitalIn || d.pid == kPidDigitalOut) {
            d.pair = kDigitalPair;
        } else {
            int p = AnalogPairOf(d.name);
            d.pair = p < 0 ? 0 : p;
        }
    }
    return d;
}

const std::set<std::string>& Actions() {
    static const std::set<std::string> actions{"remove",     "set-volume",     "set-mute",
                                               "set-source", "set-routing",    "set-format",
                                               "set-gain",   "set-input-mute", "set-busy"};
    return actions;
}

} // namespace

CardSpec DefaultCard(int c) {
    CardSpec card;
    card.devnode = 0x1000 + static_cast<DWORD>(c);
    // Distinct tones per card and device, so every meter shows something of its own.
    double base = 440.0 * (c + 1);
    card.inputs[0] = {Signal::Sine(16384, base), Signal::Sine(11585, base * 1.5)};
    card.inputs[1] = {Signal::Sine(8192, base * 2), Signal::Sine(8192, base * 2, 90)};
    card.inputs[2] = {Signal::Noise(6000, 11 + c), Signal::Noise(6000, 23 + c)};
    card.playback[0] = {Signal::Sine(20000, base / 2), Signal::Sine(20000, base / 2, 180)};
    card.playback[1] = {Signal::Noise(4000, 31 + c), Signal::Noise(4000, 37 + c)};
    card.playback[2] = {Signal::Sine(23170, 997), Signal::Sine(23170, 997)};
    return card;
}

Scenario Scenario::WithCards(int n) {
    Scenario s;
    for (int c = 0; c < n; ++c)
        s.cards.push_back(DefaultCard(c));
    return s;
}

Scenario Scenario::Default() {
    Scenario s = WithCards(2);
    s.cards[0].extended = true;
    return s;
}

Scenario Scenario::FromFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw ScenarioError("scenario: file \"" + path + "\" cannot be opened");
    std::stringstream text;
    text << in.rdbuf();
    auto slash = path.rfind('/');
    return FromJson(text.str(), slash == std::string::npos ? "" : path.substr(0, slash));
}

namespace {

// Per-pair driver words: an array of at most `pairs` values, null for a pair left at its default.
template <std::size_t N>
void PairValues(const json& c, const char* key, const std::string& where,
                std::array<std::optional<DWORD>, N>& out) {
    if (!c.contains(key)) return;
    std::string at = where + "." + key;
    const json& a = Array(c[key], at);
    if (a.size() > N) Fail(at, "at most " + std::to_string(N) + " values, one per pair");
    for (std::size_t p = 0; p < a.size(); ++p)
        if (!a[p].is_null())
            out[p] = static_cast<DWORD>(Integer(a[p], at + "[" + std::to_string(p) + "]", 0, 0xFFFFFFFFll));
}

void ParseInitial(const json& c, const std::string& where, InitialState& initial) {
    PairValues(c, "gain", where, initial.gain);
    PairValues(c, "input_mute", where, initial.inputMute);
    PairValues(c, "routing", where, initial.routing);
    PairValues(c, "volume", where, initial.volume);
    PairValues(c, "mute", where, initial.outputMute);
    PairValues(c, "source", where, initial.source);
    if (c.contains("format"))
        initial.format = static_cast<DWORD>(Integer(c["format"], where + ".format", 0, 0xFFFFFFFFll));
}

} // namespace

Scenario Scenario::FromJson(const std::string& text, const std::string& baseDir) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        throw ScenarioError(std::string("scenario: not valid JSON: ") + e.what());
    }
    Scenario s;
    auto& w = s.warnings;
    Object(root, "scenario");
    CheckKeys(root, "scenario",
              {"cards", "state_record", "overall_state", "devices", "foreign_devices", "faults", "events",
               "device_order", "notify_control_changes", "persist", "fresh", "state_file"},
              w);

    if (root.contains("cards")) {
        const json& cards = Array(root["cards"], "cards");
        if (cards.empty() || cards.size() > kMaxCards) Fail("cards", "1 to 4 cards");
        for (std::size_t i = 0; i < cards.size(); ++i) {
            std::string where = "cards[" + std::to_string(i) + "]";
            const json& c = Object(cards[i], where);
            CheckKeys(c, where,
                      {"state", "extended", "devnode", "signals", "busy", "gain", "input_mute", "routing",
                       "volume", "mute", "source", "format"},
                      w);
            CardSpec card = DefaultCard(static_cast<int>(i));
            if (c.contains("state"))
                card.state = static_cast<LONG>(Integer(c["state"], where + ".state", INT32_MIN, INT32_MAX));
            if (c.contains("extended")) card.extended = Bool(c["extended"], where + ".extended");
            if (c.contains("busy")) card.busy = Bool(c["busy"], where + ".busy");
            if (c.contains("devnode"))
                card.devnode = static_cast<DWORD>(Integer(c["devnode"], where + ".devnode", 0, 0xFFFFFFFFll));
            if (c.contains("signals")) {
                // Given signals replace the defaults; a device left out is silent.
                for (auto& p : card.inputs)
                    p = {};
                for (auto& p : card.playback)
                    p = {};
                ParseSignals(c["signals"], where + ".signals", baseDir, card, w);
            }
            ParseInitial(c, where, card.initial);
            s.cards.push_back(std::move(card));
        }
    } else {
        auto kept = std::move(s.warnings);
        s = Default();
        s.warnings = std::move(kept);
    }
    auto& warnings = s.warnings;

    if (root.contains("overall_state"))
        s.overallState =
            static_cast<LONG>(Integer(root["overall_state"], "overall_state", INT32_MIN, INT32_MAX));
    if (root.contains("state_record")) {
        const json& r = Array(root["state_record"], "state_record");
        if (r.size() != 5) Fail("state_record", "exactly 5 integers (overall state, then cards 1 to 4)");
        std::array<LONG, 5> rec{};
        for (std::size_t i = 0; i < 5; ++i)
            rec[i] = static_cast<LONG>(
                Integer(r[i], "state_record[" + std::to_string(i) + "]", INT32_MIN, INT32_MAX));
        s.stateRecord = rec;
    }
    if (root.contains("device_order")) {
        std::string o = String(root["device_order"], "device_order");
        if (o == "interleaved")
            s.order = DeviceOrder::Interleaved;
        else if (o == "by_card")
            s.order = DeviceOrder::ByCard;
        else
            Fail("device_order", "must be \"interleaved\" or \"by_card\"");
    }
    if (root.contains("devices")) {
        const json& list = Array(root["devices"], "devices");
        std::vector<DeviceSpec> devices;
        for (std::size_t i = 0; i < list.size(); ++i) {
            DeviceSpec d = ParseDevice(list[i], "devices[" + std::to_string(i) + "]", true, warnings);
            if (d.card >= static_cast<int>(s.cards.size()))
                Fail("devices[" + std::to_string(i) + "].card",
                     "there is no card " + std::to_string(d.card + 1));
            devices.push_back(std::move(d));
        }
        s.devices = std::move(devices);
    }
    if (root.contains("foreign_devices")) {
        const json& list = Array(root["foreign_devices"], "foreign_devices");
        for (std::size_t i = 0; i < list.size(); ++i)
            s.foreignDevices.push_back(
                ParseDevice(list[i], "foreign_devices[" + std::to_string(i) + "]", false, warnings));
    }
    if (root.contains("faults")) {
        const json& f = Object(root["faults"], "faults");
        CheckKeys(f, "faults",
                  {"config_never_completes", "reconfigurable", "rundll_fails", "refuse", "fail_open"},
                  warnings);
        if (f.contains("config_never_completes")) {
            const json& v = f["config_never_completes"];
            if (v.is_array()) {
                // Only the requests named hang, so a run can get past start-up first.
                for (std::size_t i = 0; i < v.size(); ++i) {
                    if (!v[i].is_string())
                        Fail("faults.config_never_completes[" + std::to_string(i) + "]", "must be a string");
                    s.faults.neverCompleting.push_back(v[i].get<std::string>());
                }
                s.faults.configNeverCompletes = !v.empty();
            } else {
                s.faults.configNeverCompletes = Bool(v, "faults.config_never_completes");
            }
        }
        if (f.contains("reconfigurable"))
            s.faults.reconfigurable = static_cast<LONG>(
                Integer(f["reconfigurable"], "faults.reconfigurable", INT32_MIN, 0xFFFFFFFFll));
        if (f.contains("rundll_fails")) s.faults.rundllFails = Bool(f["rundll_fails"], "faults.rundll_fails");
        if (f.contains("refuse")) {
            const json& list = Array(f["refuse"], "faults.refuse");
            for (std::size_t i = 0; i < list.size(); ++i) {
                std::string where = "faults.refuse[" + std::to_string(i) + "]";
                const json& r = Object(list[i], where);
                CheckKeys(r, where, {"card", "msg", "pair", "direction"}, warnings);
                if (!r.contains("msg")) Fail(where, "\"msg\" is missing");
                RefuseFault rf;
                rf.card = r.contains("card") ? CardNumber(r["card"], where + ".card") : -1;
                if (r.contains("pair")) rf.pair = static_cast<int>(Integer(r["pair"], where + ".pair", 0, 2));
                if (r.contains("direction")) rf.dir = Direction(r["direction"], where + ".direction");
                rf.msg = static_cast<UINT>(Integer(r["msg"], where + ".msg", 0, 0xFFFFFFFFll));
                s.faults.refuse.push_back(rf);
            }
        }
        if (f.contains("fail_open")) {
            const json& list = Array(f["fail_open"], "faults.fail_open");
            for (std::size_t i = 0; i < list.size(); ++i) {
                std::string where = "faults.fail_open[" + std::to_string(i) + "]";
                const json& r = Object(list[i], where);
                CheckKeys(r, where, {"card", "pair", "direction"}, warnings);
                for (const char* key : {"card", "pair", "direction"})
                    if (!r.contains(key)) Fail(where, std::string("\"") + key + "\" is missing");
                s.faults.failOpen.push_back(
                    OpenFault{CardNumber(r["card"], where + ".card"),
                              static_cast<int>(Integer(r["pair"], where + ".pair", 0, 2)),
                              Direction(r["direction"], where + ".direction")});
            }
        }
    }
    if (root.contains("events")) {
        const json& list = Array(root["events"], "events");
        for (std::size_t i = 0; i < list.size(); ++i) {
            std::string where = "events[" + std::to_string(i) + "]";
            const json& e = Object(list[i], where);
            CheckKeys(e, where, {"at_ms", "action", "card", "pair", "value"}, warnings);
            for (const char* key : {"at_ms", "action", "card"})
                if (!e.contains(key)) Fail(where, std::string("\"") + key + "\" is missing");
            ScheduledEvent ev;
            ev.atMs = static_cast<std::uint64_t>(Integer(e["at_ms"], where + ".at_ms", 0, 1ll << 40));
            ev.action = String(e["action"], where + ".action");
            if (!Actions().count(ev.action))
                Fail(where + ".action", "\"" + ev.action + "\" is not a known action");
            ev.card = CardNumber(e["card"], where + ".card");
            if (ev.card >= static_cast<int>(s.cards.size()))
                Fail(where + ".card", "there is no card " + std::to_string(ev.card + 1));
            ev.pair = e.contains("pair") ? static_cast<int>(Integer(e["pair"], where + ".pair", 0, 2)) : 0;
            if (ev.action != "remove" && ev.action != "set-format" && ev.action != "set-busy" &&
                !e.contains("value"))
                Fail(where, "\"value\" is missing");
            if (e.contains("value"))
                ev.value = static_cast<DWORD>(Integer(e["value"], where + ".value", INT32_MIN, 0xFFFFFFFFll));
            s.events.push_back(std::move(ev));
        }
    }
    if (root.contains("notify_control_changes"))
        s.notifyControlChanges = Bool(root["notify_control_changes"], "notify_control_changes");
    if (root.contains("persist")) s.persist = Bool(root["persist"], "persist");
    if (root.contains("fresh")) s.fresh = Bool(root["fresh"], "fresh");
    if (root.contains("state_file")) {
        s.stateFile = String(root["state_file"], "state_file");
        if (s.stateFile.empty()) Fail("state_file", "must not be empty");
    }
    return s;
}

std::vector<DeviceSpec> Scenario::DeviceList() const {
    std::vector<DeviceSpec> list;
    if (devices) {
        list = *devices;
    } else {
        int n = std::min(static_cast<int>(cards.size()), kMaxCards);
        for (auto dir : {sys::WaveDir::In, sys::WaveDir::Out}) {
            auto add = [&](int c, int p) {
                WORD pid = dir == sys::WaveDir::In ? (p == kDigitalPair ? kPidDigitalIn : kPidAnalogIn)
                                                   : (p == kDigitalPair ? kPidDigitalOut : kPidAnalogOut);
                list.push_back(DeviceSpec{dir, kManufacturerId, pid, DeviceName(dir, c, p), c, p});
            };
            // A real system lists each pair of every card before the next pair.
            if (order == DeviceOrder::Interleaved) {
                for (int p = 0; p < kPairs; ++p)
                    for (int c = 0; c < n; ++c)
                        add(c, p);
            } else {
                for (int c = 0; c < n; ++c)
                    for (int p = 0; p < kPairs; ++p)
                        add(c, p);
            }
        }
    }
    list.insert(list.end(), foreignDevices.begin(), foreignDevices.end());
    return list;
}

} // namespace emu
