// One connection to a sound server that speaks the PulseAudio client protocol (PulseAudio itself, or
// PipeWire through its PulseAudio service), through libpulse's threaded main loop. Every call waits at
// most the call time-out and then fails, so a stalled or refusing server never hangs the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pulse {

// Volumes in the server's units: 0 is silence, kVolumeNorm is 0 dB.
using Volume = std::uint32_t;
constexpr Volume kVolumeNorm = 0x10000;
constexpr Volume kVolumeMuted = 0;
Volume VolumeFromDb(double db);
// No value for silence.
std::optional<double> VolumeToDb(Volume v);

// Channel positions by the server's names ("front-left", "rear-right", "aux0", "mono", ...); -1 for a
// name the server does not know.
int PositionFromName(const std::string& name);
std::string PositionName(int position);

// A sink or a source.
struct DeviceInfo {
    std::uint32_t index{};
    std::string name;
    std::string description;
    std::vector<int> positions; // the channel map
    std::vector<Volume> volume; // per channel, in channel map order
    bool mute{};
    std::string monitorSource; // sinks: the name of the sink's monitor source
    bool isMonitor{};          // sources: the monitor of a sink
};

struct ModuleInfo {
    std::uint32_t index{};
    std::string name;
    std::string argument;
};

enum class Facility { Sink, Source, Module, Server, Other };
enum class Change { New, Changed, Removed };

class Server {
public:
    // The server named (empty: the one the environment and the desktop name); null, with the reason in
    // error, when none answers within the time-out. A server is never started for the call.
    static std::unique_ptr<Server> Connect(const std::string& server, const std::string& clientName,
                                           std::string& error);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // The longest any call waits for the server; 500 ms unless changed.
    void SetCallTimeout(int ms);
    // False once the server went away.
    bool Connected() const;

    // Every call below: no value (or false) when the server refused, went away or did not answer in time.
    std::optional<std::vector<DeviceInfo>> Sinks();
    std::optional<std::vector<DeviceInfo>> Sources();
    std::optional<std::vector<ModuleInfo>> Modules();
    bool SetSinkVolume(const std::string& name, const std::vector<Volume>& volume);
    bool SetSourceVolume(const std::string& name, const std::vector<Volume>& volume);
    bool SetSinkMute(const std::string& name, bool mute);
    bool SetSourceMute(const std::string& name, bool mute);
    std::optional<std::uint32_t> LoadModule(const std::string& name, const std::string& arguments);
    bool UnloadModule(std::uint32_t index);

    // Both handlers run on the server connection's own thread and must not call back into the Server:
    // they hand the work to another thread. onLoss runs once, when the server goes away.
    using ChangeHandler = std::function<void(Facility facility, Change change, std::uint32_t index)>;
    using LossHandler = std::function<void()>;
    bool Subscribe(ChangeHandler onChange, LossHandler onLoss);

    // Peak-detecting record stream: about 25 times a second, the peak of each channel (0 to 1) since the
    // last call. Stops when destroyed. The handler runs on the connection's thread.
    class PeakStream {
    public:
        ~PeakStream();
        PeakStream(const PeakStream&) = delete;
        PeakStream& operator=(const PeakStream&) = delete;

    private:
        friend class Server;
        struct Impl;
        explicit PeakStream(std::unique_ptr<Impl> impl);
        std::unique_ptr<Impl> m_impl;
    };
    using PeakHandler = std::function<void(const float* peaks, int channels)>;
    // Null when the stream cannot be made (unknown source, no server).
    std::unique_ptr<PeakStream> RecordPeaks(const std::string& source, const std::vector<int>& positions,
                                            PeakHandler onPeaks);

    struct Impl;

private:
    explicit Server(std::shared_ptr<Impl> impl);
    std::shared_ptr<Impl> m_impl;
};

} // namespace pulse
