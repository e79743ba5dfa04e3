// The card driver on a sound server: lists the cards' wave devices by the card's naming rules and
// answers the driver messages and the configuration entry against the server's sinks and sources.
#pragma once

#include "cardcore/Config.h"
#include "cardcore/Levels.h"
#include "cardcore/Notices.h"
#include "cardcore/StateFile.h"
#include "cardcore/StoredState.h"
#include "pulse/Map.h"
#include "pulse/Server.h"
#include "system/sys.h"

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pulse {

struct Options {
    std::string server;  // empty: the one the environment and the desktop name
    std::string mapFile; // empty: every sink and source in the server's order
    std::string stateFile{"KRVLpulse.json"};
    int callTimeoutMs{500};
};

// One direction of one analog pair: the words the driver messages carry and the channels' mutes.
struct PairLevels {
    std::array<WORD, 2> word{};      // gain (inputs) or volume (outputs) per channel
    std::array<bool, 2> muted{};     // muted by a driver message: the channel's volume is silence
    std::array<Volume, 2> applied{}; // what this driver last put on the server, to know its own changes
    bool serverMute{};               // the sink or source is muted on the server as a whole
};

struct CardStatus {
    bool removed{};
    DWORD devnode{};
    CardPlace place;
    std::array<PairLevels, 2> outputs;
    std::array<PairLevels, 2> inputs;
    std::array<DWORD, kPairs> routing{}; // routing record per input pair
    std::array<DWORD, kPairs> source{};  // playback source code per output pair
    DWORD digitalFormat{};
};

// A route on the server: the loopback (and, where the channel positions differ, the remapping sink in
// front of the target) that plays a source on an output.
struct Route {
    std::string fromSource;
    std::array<int, 2> fromPositions{};
    std::string toSink;
    std::array<int, 2> toPositions{};
    bool operator==(const Route&) const = default;
};

class Driver final : public sys::WaveDriver, public std::enable_shared_from_this<Driver> {
public:
    // Connects to the server, resolves the map against it (MapError when the map is malformed or names
    // what the server lacks), registers the wave driver and the "rundll.exe" entry. Without a server
    // the driver lists no devices, so the manager reports that the driver cannot be opened.
    static std::shared_ptr<Driver> Install(const Options& options);
    // Removes the routes it made, stops its streams, saves its state and withdraws from the system.
    void Uninstall();
    ~Driver() override;

    bool Connected() const;
    const std::string& ConnectError() const { return m_connectError; }
    int CardCount() const;
    CardStatus Card(int card) const;
    std::vector<Route> Routes() const;
    // Record streams running for the meters.
    std::size_t MeterStreams() const;
    cardcore::ConfigRecord ConfigRecord() const;
    bool Released() const;
    const std::string& StateFilePath() const;
    // The window that runs the server's change reports on the program's thread.
    HWND EventWindow() const { return m_window; }

    // "KRVL.DRV,DriverConfig <request> $XXXXXXXX #XXXXXXXX", as the rundll host hands it over.
    void DriverConfig(const std::string& commandLine);

    // ---- sys::WaveDriver -----------------------------------------------------------------------------
    UINT DeviceCount(sys::WaveDir dir) override;
    bool Caps(sys::WaveDir dir, UINT localId, sys::WaveCaps& caps) override;
    MMRESULT Open(sys::WaveDir dir, UINT localId, const WAVEFORMATEX* fmt, DWORD_PTR callback,
                  DWORD_PTR instance, DWORD flags, std::uintptr_t& handle) override;
    MMRESULT Close(sys::WaveDir dir, std::uintptr_t handle) override;
    DWORD Message(sys::WaveDir dir, std::uintptr_t handle, UINT msg, DWORD_PTR p1, DWORD_PTR p2) override;

    explicit Driver(const Options& options); // use Install

private:
    struct Device {
        sys::WaveDir dir{};
        int card{};
        int pair{};
    };
    struct OpenHandle {
        sys::WaveDir dir{};
        int card{};
        int pair{};
        bool leveling{};
    };
    // A record stream shared by the handles that meter one place.
    struct Meter {
        std::unique_ptr<Server::PeakStream> stream;
        std::vector<std::uintptr_t> handles;
    };

    void Connect(const Options& options);
    void LoadStateLocked();
    std::string StateTextLocked() const;
    std::vector<cardcore::StoredCard> StoredLocked() const;
    void StartEvents();
    LRESULT EventProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    // Reads the server's sinks and sources into the cache; false when the server did not answer.
    bool FetchLocked();
    const DeviceInfo* CachedLocked(sys::WaveDir dir, const std::string& name) const;
    // Takes what another program changed on the server into the pairs' words; the classes of notice
    // that each card's output pairs owe their windows.
    void ReconcileLocked(std::vector<std::pair<std::array<int, 2>, WORD>>& notices);
    void Refresh();
    void ServerLost();
    void RemoveCard(int card);

    DWORD MessageLocked(OpenHandle& h, std::uintptr_t id, UINT msg, DWORD_PTR p1, WORD& notifyClass);
    MMRESULT SetWordsLocked(int card, sys::WaveDir dir, int pair, DWORD packed);
    MMRESULT SetMuteLocked(int card, sys::WaveDir dir, int pair, DWORD packed);
    // Puts the pair's two channels on the server as its words and mutes say.
    MMRESULT ApplyLocked(int card, sys::WaveDir dir, int pair, PairLevels& levels);
    DWORD PackedMute(const PairLevels& levels) const;
    // Sets a playback source or routing record and the loopbacks it asks for; undone when they fail.
    MMRESULT SetRoutedLocked(DWORD& field, DWORD value);

    std::vector<Route> WantedRoutesLocked() const;
    // Loads and unloads loopbacks until the server carries exactly the wanted routes.
    MMRESULT SyncRoutesLocked();

    // Leveling: streams start with the first handle that meters a place and stop with the last.
    MMRESULT StartLeveling(std::uintptr_t id, const OpenHandle& h);
    void StopLeveling(std::uintptr_t id);
    const PairPlace* MeterPlaceLocked(const OpenHandle& h) const;

    mutable std::mutex m_mutex;
    std::optional<MapFile> m_map;
    std::unique_ptr<Server> m_server;
    std::string m_connectError;
    std::vector<CardStatus> m_cards;
    std::vector<Device> m_in, m_out;
    std::map<std::string, DeviceInfo> m_sinks, m_sources;
    std::map<std::uintptr_t, OpenHandle> m_handles;
    std::uintptr_t m_nextHandle{1};
    cardcore::NoticeBoard m_notices;
    cardcore::ConfigStore m_config{0};
    struct ActiveRoute {
        Route route;
        std::uint32_t loopback{};
        std::optional<std::uint32_t> remap;
    };
    std::vector<ActiveRoute> m_routes;
    int m_routeSerial{};
    bool m_installed{};
    HWND m_window{};
    std::atomic<bool> m_refreshPosted{};

    // Peaks arrive on the server connection's thread; only this lock is shared with it. Never held
    // while a stream is made or stopped (those take the connection's own lock).
    mutable std::mutex m_levelMutex;
    std::map<std::uintptr_t, cardcore::PeakSinceRead> m_peaks;
    std::map<std::string, Meter> m_meters; // guarded by m_mutex

    // Reads the state above under m_mutex when it writes.
    cardcore::StateFile m_state;
};

} // namespace pulse
