// The emulated Korvalin card: takes the card driver's place behind the system layer's wave API and the
// "rundll.exe" configuration entry, and lets tests, the harness and scenarios act as another program.
#pragma once

#include "cardcore/Config.h"
#include "cardcore/Levels.h"
#include "cardcore/Notices.h"
#include "cardcore/StateFile.h"
#include "emu/DriverMessages.h"
#include "emu/Scenario.h"
#include "system/sys.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace emu {

// Receives one transcript line per event, in time order. Called with the emulator locked: it must not
// call back into the emulator.
using TranscriptSink = std::function<void(const std::string& line)>;

// A card's driver state; pairs as in the driver records (0 Analog 1-2, 1 Analog 3-4, 2 Digital).
struct CardState {
    bool removed{};
    bool extended{};
    bool busy{};
    LONG state{1};
    DWORD devnode{};
    std::array<DWORD, 2> gain{};         // packed stereo words, analog inputs
    std::array<DWORD, 2> inputMute{};    // packed stereo words, analog inputs
    std::array<DWORD, kPairs> routing{}; // routing record, byte 0 lowest
    std::array<DWORD, 2> volume{};       // packed stereo words, analog outputs
    std::array<DWORD, 2> outputMute{};   // packed stereo words, analog outputs
    std::array<DWORD, kPairs> source{};  // playback source code per output
    DWORD digitalFormat{};               // 0 S/PDIF, 1 AES/EBU
};

struct HandleInfo {
    std::uintptr_t handle{}; // the driver's own handle, as the transcript shows it
    sys::WaveDir dir{};
    UINT device{};
    int card{-1};
    int pair{-1};
    bool control{};
    bool leveling{};
};

using cardcore::NotifyRegistration;

class Emulator final : public sys::WaveDriver, public std::enable_shared_from_this<Emulator> {
public:
    // Registers the wave driver and the "rundll.exe" entry, loads the state file and schedules the
    // scenario's events on the system clock.
    static std::shared_ptr<Emulator> Install(const Scenario& scenario = Scenario::Default());
    // Withdraws the driver, the events and the event window; the "rundll.exe" entry goes quiet. The
    // state file is brought up to date.
    void Uninstall();
    ~Emulator() override;

    const Scenario& ScenarioInUse() const { return m_scenario; }
    int CardCount() const { return static_cast<int>(m_cards.size()); }

    // ---- another program ------------------------------------------------------------------------------
    // Values as the driver messages carry them; card is the card index (0 to 3). Each accepted change
    // notifies every registration of its class; a refused value answers as the driver message would.
    MMRESULT SetVolume(int card, int pair, DWORD packed);
    MMRESULT SetOutputMute(int card, int pair, DWORD packed);
    MMRESULT SetSource(int card, int pair, DWORD code);
    MMRESULT SetRouting(int card, int pair, DWORD record);
    MMRESULT SetDigitalFormat(int card, DWORD format);
    MMRESULT SetGain(int card, int pair, DWORD packed);
    MMRESULT SetInputMute(int card, int pair, DWORD packed);
    void SetBusy(int card, bool busy);
    // The system's device-change broadcast: a query-remove of the card's devnode, then (unless a window
    // denied it) remove-complete. Afterwards the card's devices refuse opens and messages. False when
    // there is no such card, it is gone already, or the removal was denied.
    bool RemoveCard(int card);
    void RunEvent(const ScheduledEvent& event);

    CardState Card(int card) const;
    std::array<BYTE, kConfigRecordSize> ConfigRecord() const;
    // A "setconfig" marked the driver as released (slice 0 began with -1).
    bool Released() const;
    std::vector<HandleInfo> Handles() const;
    std::vector<NotifyRegistration> Registrations() const;
    // The answer DRVM_*_GET_LEVELS would give on this handle now, without starting a new interval.
    std::array<DWORD, 2> PeekLevels(std::uintptr_t handle) const;
    // The state file, resolved once at creation so that reading and writing find the same file.
    const std::string& StateFilePath() const { return m_state.Path(); }
    // How often the state file has been written: a second after the first change of a run of changes
    // (never more than once a second), and at Uninstall when something changed since.
    std::size_t StateFileWrites() const;

    // ---- transcript ----------------------------------------------------------------------------------
    void SetTranscriptSink(TranscriptSink sink);
    // Keep lines in memory for Transcript(); off unless asked for.
    void KeepTranscript(bool keep);
    std::vector<std::string> Transcript() const;
    void ClearTranscript();

    // ---- the configuration entry ---------------------------------------------------------------------
    // "KRVL.DRV,DriverConfig <request> $XXXXXXXX #XXXXXXXX", as the rundll host hands it over.
    void DriverConfig(const std::string& commandLine);

    // ---- sys::WaveDriver -----------------------------------------------------------------------------
    UINT DeviceCount(sys::WaveDir dir) override;
    bool Caps(sys::WaveDir dir, UINT localId, sys::WaveCaps& caps) override;
    MMRESULT Open(sys::WaveDir dir, UINT localId, const WAVEFORMATEX* fmt, DWORD_PTR callback,
                  DWORD_PTR instance, DWORD flags, std::uintptr_t& handle) override;
    MMRESULT Close(sys::WaveDir dir, std::uintptr_t handle) override;
    DWORD Message(sys::WaveDir dir, std::uintptr_t handle, UINT msg, DWORD_PTR p1, DWORD_PTR p2) override;

    explicit Emulator(const Scenario& scenario); // use Install

private:
    enum class Setting { Volume, OutputMute, Source, Routing, Format, Gain, InputMute };

    struct CardData {
        CardSpec spec;
        CardState st;
    };

    struct OpenHandle {
        sys::WaveDir dir{};
        UINT device{};
        int card{-1};
        int pair{-1};
        bool control{};
        bool leveling{};
        std::uint64_t levelSince{};
        cardcore::PeakSinceRead pending; // peaks folded in before a change of the card's settings
    };

    static bool Accepts(Setting setting, const CardState& st, int pair, DWORD value);
    // Caller holds m_mutex for every *Locked member.
    MMRESULT ApplyLocked(Setting setting, int card, int pair, DWORD value, WORD& notifyClass);
    std::vector<DWORD> NoticesLocked(int card, int pair, WORD eventClass, std::uintptr_t except) const;
    MMRESULT ExternalSet(Setting setting, int card, int pair, DWORD value);
    bool Refused(const OpenHandle& h, UINT msg) const;

    double InputPeakLocked(const CardData& card, int pair, int ch, std::uint64_t t0, std::uint64_t t1) const;
    double OutputPeakLocked(const CardData& card, int pair, int ch, std::uint64_t t0, std::uint64_t t1) const;
    double HandlePeakLocked(const OpenHandle& h, int ch, std::uint64_t t0, std::uint64_t t1) const;
    std::array<DWORD, 2> LevelsLocked(const OpenHandle& h, std::uint64_t now) const;
    void FoldLevelsLocked(int card);

    DWORD MessageLocked(OpenHandle& h, std::uintptr_t id, UINT msg, DWORD_PTR p1, WORD& notifyClass);
    bool BusyLocked() const;

    void DefaultsLocked();
    void InitialStateLocked();
    void LoadStateLocked();
    // The state changed: a write falls due a second from the first change since the last write.
    void StateChangedLocked();
    std::string StateTextLocked() const;
    void EmitLocked(const std::string& line);
    void ScheduleEvents();

    const std::vector<DeviceSpec>& Devices(sys::WaveDir dir) const {
        return dir == sys::WaveDir::In ? m_in : m_out;
    }

    mutable std::mutex m_mutex;
    Scenario m_scenario;
    std::vector<DeviceSpec> m_in;
    std::vector<DeviceSpec> m_out;
    std::vector<CardData> m_cards;
    std::map<std::uintptr_t, OpenHandle> m_handles;
    std::uintptr_t m_nextHandle{1};
    cardcore::NoticeBoard m_notices;
    cardcore::ConfigStore m_config{0};
    bool m_installed{};
    std::vector<UINT> m_timers;
    sys::Clock* m_timerClock{}; // the clock m_timers live on
    HWND m_eventWindow{};

    // Reads the state above under m_mutex when it writes.
    cardcore::StateFile m_state;

    mutable std::mutex m_transcriptMutex;
    TranscriptSink m_sink;
    bool m_keep{};
    std::vector<std::string> m_lines;
};

} // namespace emu
