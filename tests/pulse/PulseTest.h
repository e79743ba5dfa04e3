// A sound server of the test's own: a PulseAudio daemon in user space with its own runtime folder and
// socket, null sinks as the cards' outputs and remapped sources as their inputs, driven with pactl and
// fed with pacat. The daemon is a child process that goes with the test, pass or fail.
#pragma once

#include "pulse/Driver.h"
#include "system/krvl_protocol.h"
#include "system/sys.h"
#include "tests/support/Block16.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <optional>
#include <regex>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pulse_test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline bool Installed(const char* program) {
    std::string cmd = std::string("command -v ") + program + " > /dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// A child process, stopped (SIGTERM, then SIGKILL) when it goes.
class Child {
public:
    Child() = default;
    // input: a descriptor that becomes the child's standard input, or -1.
    explicit Child(const std::vector<std::string>& argv, const std::string& output = "/dev/null",
                   int input = -1) {
        m_pid = ::fork();
        if (m_pid == 0) {
            // A test process that dies (a crash, a time-out) takes its daemon and players with it.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (input >= 0) ::dup2(input, 0);
            std::FILE* out = std::fopen(output.c_str(), "w");
            if (out) {
                ::dup2(::fileno(out), 1);
                ::dup2(::fileno(out), 2);
            }
            std::vector<char*> args;
            for (auto& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
    }
    ~Child() { Stop(); }
    Child(Child&& o) noexcept : m_pid(std::exchange(o.m_pid, -1)) {}
    Child& operator=(Child&& o) noexcept {
        if (this != &o) {
            Stop();
            m_pid = std::exchange(o.m_pid, -1);
        }
        return *this;
    }
    bool Running() const { return m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; }
    void Signal(int sig) const {
        if (m_pid > 0) ::kill(m_pid, sig);
    }
    void Stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGCONT);
        ::kill(m_pid, SIGTERM);
        auto deadline = Clock::now() + std::chrono::seconds(3);
        while (::waitpid(m_pid, nullptr, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_pid = -1;
    }

private:
    pid_t m_pid{-1};
};

// What the daemon loads: two stereo outputs and two stereo inputs for card 1, and a four-channel sink.
inline const char* kDefaultConfig = R"(
load-module module-null-sink sink_name=out12 channels=2 rate=44100
load-module module-null-sink sink_name=out34 channels=2 rate=44100
load-module module-null-sink sink_name=feed12 channels=2 rate=44100
load-module module-null-sink sink_name=feed34 channels=2 rate=44100
load-module module-remap-source source_name=in12 master=feed12.monitor channels=2
load-module module-remap-source source_name=in34 master=feed34.monitor channels=2
load-module module-null-sink sink_name=quad channels=4 channel_map=front-left,front-right,rear-left,rear-right
)";

// The decibel values in what `pactl get-sink-volume` (or -source-volume) printed, in channel map order.
inline std::vector<double> VolumeDbs(const std::string& pactlOutput) {
    std::vector<double> db;
    std::regex value(R"(/\s*(-?[0-9.]+|-inf) dB)");
    for (auto it = std::sregex_iterator(pactlOutput.begin(), pactlOutput.end(), value);
         it != std::sregex_iterator(); ++it) {
        std::string v = (*it)[1];
        db.push_back(v == "-inf" ? -INFINITY : std::stod(v));
    }
    return db;
}

class TestServer {
public:
    // Starts the daemon and waits (bounded) until it answers; Ok() tells whether it did.
    explicit TestServer(const std::string& config = kDefaultConfig) {
        // Short: the socket's path must fit a socket address.
        static int serial = 0;
        m_dir = fs::temp_directory_path() /
                ("krvl-pa-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "rt");
        fs::create_directories(m_dir / "home");
        m_socket = (m_dir / "native").string();
        std::ofstream(m_dir / "server.pa")
            << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << m_socket << "\n"
            << config;
        // The daemon's own folders, away from any desktop's.
        ::setenv("XDG_RUNTIME_DIR", (m_dir / "rt").c_str(), 1);
        ::setenv("HOME", (m_dir / "home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_dir / "home").c_str(), 1);
        m_started = Clock::now();
        m_daemon = Child({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                          "--use-pid-file=no", "--log-target=stderr", "-F", (m_dir / "server.pa").string()},
                         (m_dir / "daemon.log").string());
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline && m_daemon.Running()) {
            if (fs::exists(m_socket) && Pactl("info").find("Server Name") != std::string::npos) {
                m_ok = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~TestServer() {
        Stop();
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    void Stop() { m_daemon.Stop(); }
    // A stalled server: it holds its connections but answers nothing.
    void Pause(bool paused) { m_daemon.Signal(paused ? SIGSTOP : SIGCONT); }

    bool Ok() const { return m_ok; }
    // A null sink renders its first two seconds ahead at once, so a monitor hears a tone that starts
    // before then only after them; from then on it renders at the latency its streams ask for.
    void SettleSinks() const { std::this_thread::sleep_until(m_started + std::chrono::milliseconds(2100)); }
    std::string Log() const {
        std::ifstream in(m_dir / "daemon.log");
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::string Address() const { return "unix:" + m_socket; }
    fs::path Dir() const { return m_dir; }

    // pactl's output (its errors included).
    std::string Pactl(const std::string& args) const {
        std::string cmd = "pactl --server=" + Address() + " " + args + " 2>&1";
        std::string out;
        if (std::FILE* p = ::popen(cmd.c_str(), "r")) {
            char buf[4096];
            std::size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
                out.append(buf, n);
            ::pclose(p);
        }
        return out;
    }

    // The decibel values pactl reports for a sink's or source's channels, in channel map order.
    std::vector<double> Db(const std::string& kind, const std::string& name) const {
        return VolumeDbs(Pactl("get-" + kind + "-volume " + name));
    }
    bool Muted(const std::string& kind, const std::string& name) const {
        return Pactl("get-" + kind + "-mute " + name).find("yes") != std::string::npos;
    }
    // Lines of `pactl list short WHAT`.
    int Count(const std::string& what, const std::string& needle = "") const {
        std::string out = Pactl("list short " + what);
        int n = 0;
        std::size_t at = 0;
        while (at < out.size()) {
            std::size_t end = out.find('\n', at);
            if (end == std::string::npos) end = out.size();
            std::string line = out.substr(at, end - at);
            if (!line.empty() && line.find(needle) != std::string::npos) ++n;
            at = end + 1;
        }
        return n;
    }

    // Plays a stereo sine at the given peak (dBFS) into a sink until the player goes.
    Child Play(const std::string& sink, double dbfs, double seconds = 3) const {
        fs::path file = m_dir / ("tone-" + sink + ".raw");
        if (!fs::exists(file)) {
            std::ofstream out(file, std::ios::binary);
            double amplitude = 32767.0 * std::pow(10.0, dbfs / 20.0);
            auto frames = static_cast<int>(44100 * seconds);
            for (int i = 0; i < frames; ++i) {
                auto v = static_cast<std::int16_t>(
                    std::lround(amplitude * std::sin(2 * std::numbers::pi * 1000.0 * i / 44100.0)));
                out.write(reinterpret_cast<const char*>(&v), 2);
                out.write(reinterpret_cast<const char*>(&v), 2);
            }
        }
        return Child({"pacat", "--server=" + Address(), "--device=" + sink, "--raw", "--format=s16le",
                      "--rate=44100", "--channels=2", "--latency-msec=20", file.string()});
    }

    // A player fed through a pipe: silence until StartTone, then a 1 kHz sine at dbfs, paced by the
    // server, so the moment the tone starts is known to within a few milliseconds.
    class Player {
    public:
        Player(const TestServer& server, const std::string& sink, double dbfs) {
            std::signal(SIGPIPE, SIG_IGN); // a player that ends fails the writes, not the test
            int fds[2];
            if (::pipe(fds) != 0) return;
            ::fcntl(fds[1], F_SETPIPE_SZ, 4096); // little sound waits in the pipe
            m_child = Child({"pacat", "--server=" + server.Address(), "--device=" + sink, "--raw",
                             "--format=s16le", "--rate=44100", "--channels=2", "--latency-msec=20"},
                            "/dev/null", fds[0]);
            ::close(fds[0]);
            m_fd = fds[1];
            double amplitude = 32767.0 * std::pow(10.0, dbfs / 20.0);
            m_thread = std::thread([this, amplitude] {
                std::vector<std::int16_t> chunk(2 * 441);
                for (long n = 0; !m_stop;) {
                    for (std::size_t i = 0; i < chunk.size(); i += 2, ++n) {
                        double v =
                            m_tone ? amplitude * std::sin(2 * std::numbers::pi * 1000.0 * n / 44100.0) : 0;
                        chunk[i] = chunk[i + 1] = static_cast<std::int16_t>(std::lround(v));
                    }
                    if (::write(m_fd, chunk.data(), chunk.size() * 2) < 0) break;
                }
            });
        }
        ~Player() {
            m_stop = true;
            m_child.Stop(); // a write waiting on the pipe then fails
            if (m_thread.joinable()) m_thread.join();
            if (m_fd >= 0) ::close(m_fd);
        }
        Clock::time_point StartTone() {
            m_tone = true;
            return Clock::now();
        }

    private:
        Child m_child;
        int m_fd{-1};
        std::atomic<bool> m_tone{}, m_stop{};
        std::thread m_thread;
    };

private:
    fs::path m_dir;
    std::string m_socket;
    Child m_daemon;
    Clock::time_point m_started;
    bool m_ok{};
};

using ControlFormat = krvl::CtrlOpenFormat;
using test_support::Block;

class PulseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Installed("pulseaudio") || !Installed("pactl") || !Installed("pacat"))
            GTEST_SKIP()
                << "pulseaudio, pactl or pacat is not installed (scripts/install-deps.sh installs them)";
        sys::ResetSystem();
        m_server.emplace(Config());
        if (!m_server->Ok()) GTEST_SKIP() << "the test's sound server does not start:\n" << m_server->Log();
        sys::SetWindowsDirectory((m_server->Dir() / "windir").string());
    }
    void TearDown() override {
        if (m_driver) m_driver->Uninstall();
        m_driver.reset();
        sys::ResetSystem();
        m_server.reset();
    }
    virtual std::string Config() const { return kDefaultConfig; }

    // Installs the driver on the test's server, with a map given as JSON text (empty: no map).
    void Install(const std::string& map = "") {
        pulse::Options options;
        options.server = m_server->Address();
        if (!map.empty()) {
            options.mapFile = (m_server->Dir() / "map.json").string();
            std::ofstream(options.mapFile) << map;
        }
        m_driver = pulse::Driver::Install(options);
        ASSERT_TRUE(m_driver->Connected()) << m_driver->ConnectError();
    }

    // Runs posted messages (the driver's change reports among them) until done() or the deadline.
    static bool PumpUntil(const std::function<bool()>& done, int ms = 3000) {
        auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            if (done()) return true;
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // The system's device id of a card's pair, found by name as discovery would.
    static UINT DeviceId(sys::WaveDir dir, const std::string& name) {
        UINT n = dir == sys::WaveDir::In ? waveInGetNumDevs() : waveOutGetNumDevs();
        for (UINT i = 0; i < n; ++i) {
            if (dir == sys::WaveDir::In) {
                WAVEINCAPSA caps{};
                if (waveInGetDevCapsA(i, &caps, sizeof caps) == 0 && name == caps.szPname) return i;
            } else {
                WAVEOUTCAPSA caps{};
                if (waveOutGetDevCapsA(i, &caps, sizeof caps) == 0 && name == caps.szPname) return i;
            }
        }
        ADD_FAILURE() << "no device " << name;
        return 0;
    }
    HWAVEOUT OpenOut(const std::string& name) {
        ControlFormat f;
        HWAVEOUT h{};
        EXPECT_EQ(waveOutOpen(&h, DeviceId(sys::WaveDir::Out, name), &f.wfx, 0, 0, 0), 0u);
        return h;
    }
    HWAVEIN OpenIn(const std::string& name) {
        ControlFormat f;
        HWAVEIN h{};
        EXPECT_EQ(waveInOpen(&h, DeviceId(sys::WaveDir::In, name), &f.wfx, 0, 0, 0), 0u);
        return h;
    }

    std::optional<TestServer> m_server;
    std::shared_ptr<pulse::Driver> m_driver;
};

} // namespace pulse_test
