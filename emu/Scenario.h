// What an emulated run looks like: cards, devices, signals, faults and timed events. Read from JSON
// (docs/scenario.md describes the format) or built in code.
#pragma once

#include "cardcore/Naming.h"
#include "emu/DriverMessages.h"
#include "emu/Signal.h"
#include "system/sys.h"

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace emu {

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DeviceSpec {
    sys::WaveDir dir{sys::WaveDir::In};
    WORD mid{kManufacturerId};
    WORD pid{};
    std::string name;
    int card{-1}; // card index that answers on the device; -1 for a device nobody answers
    int pair{-1}; // channel pair the card answers with
};

// Driver state a run starts from, per pair; an empty entry keeps the default (or the state file's).
struct InitialState {
    std::array<std::optional<DWORD>, 2> gain;
    std::array<std::optional<DWORD>, 2> inputMute;
    std::array<std::optional<DWORD>, kPairs> routing;
    std::array<std::optional<DWORD>, 2> volume;
    std::array<std::optional<DWORD>, 2> outputMute;
    std::array<std::optional<DWORD>, kPairs> source;
    std::optional<DWORD> format;
};

struct CardSpec {
    LONG state{1};
    bool extended{};
    DWORD devnode{};
    bool busy{}; // plain opens refused, "reconfigurable" answers 0
    std::array<StereoSignal, kPairs> inputs;
    std::array<StereoSignal, kPairs> playback;
    InitialState initial;
};

struct RefuseFault {
    int card{-1}; // -1: every card
    UINT msg{};
    int pair{-1};                    // -1: every pair
    std::optional<sys::WaveDir> dir; // empty: both directions
};

struct OpenFault {
    int card{};
    int pair{};
    sys::WaveDir dir{};
};

struct Faults {
    bool configNeverCompletes{};
    // With configNeverCompletes: only these requests hang (empty: every request).
    std::vector<std::string> neverCompleting;
    std::optional<LONG> reconfigurable; // fixed answer of "reconfigurable"
    bool rundllFails{};
    std::vector<RefuseFault> refuse;
    std::vector<OpenFault> failOpen;
};

enum class DeviceOrder { Interleaved, ByCard };

struct ScheduledEvent {
    std::uint64_t atMs{};
    std::string action; // remove, set-volume, set-mute, set-source, set-routing, set-format, set-gain, ...
    int card{};         // card index
    int pair{};
    DWORD value{};
};

struct Scenario {
    std::vector<CardSpec> cards;
    LONG overallState{1};
    std::optional<std::array<LONG, 5>> stateRecord;
    DeviceOrder order{DeviceOrder::Interleaved};
    std::optional<std::vector<DeviceSpec>> devices; // replaces the generated list
    std::vector<DeviceSpec> foreignDevices;
    Faults faults;
    std::vector<ScheduledEvent> events;
    bool notifyControlChanges{true};
    bool persist{true};
    bool fresh{};
    std::string stateFile{"KRVLemu.json"};
    std::vector<std::string> warnings; // keys that were not understood

    // Two cards, the first with extended connectors, signals on every input and playback device.
    static Scenario Default();
    // n cards with the default signals.
    static Scenario WithCards(int n);
    // Throws ScenarioError with a message that names the offending key. Relative WAV paths are taken
    // from baseDir.
    static Scenario FromJson(const std::string& text, const std::string& baseDir = "");
    static Scenario FromFile(const std::string& path);

    // The device list in system order: the scenario's own or the generated one, then the foreign devices.
    std::vector<DeviceSpec> DeviceList() const;
};

// The default signals of card index c.
CardSpec DefaultCard(int c);
// Generated device names follow the card's naming rules.
using cardcore::DeviceName;

} // namespace emu
