// The whole program on the sound-server driver, through krvl-script's harness.
#include "PulseTest.h"

#include "harness/Harness.h"

#include "cardcore/Law.h"

#include <sstream>
#include <streambuf>

using namespace pulse_test;

namespace {

using LineSink = std::function<void(const std::string&)>;

// The harness's output, each line handed on the moment it is printed.
class LineTap : public std::streambuf {
public:
    explicit LineTap(LineSink onLine) : m_onLine(std::move(onLine)) {}
    const std::string& Text() const { return m_text; }

protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return 0;
        m_text += static_cast<char>(c);
        if (c == '\n') {
            if (m_onLine) m_onLine(m_line);
            m_line.clear();
        } else {
            m_line += static_cast<char>(c);
        }
        return c;
    }

private:
    LineSink m_onLine;
    std::string m_text, m_line;
};

class OnServer : public PulseTest {
protected:
    // Runs a script on the test's server (or, with address, on that one); the printed lines. onLine
    // sees each line as it is printed, while the script runs.
    std::string Run(const std::string& script, const std::string& address = "", LineSink onLine = {}) {
        ::setenv("PULSE_SERVER", (address.empty() ? m_server->Address() : address).c_str(), 1);
        harness::Options options;
        options.backend = "pulse";
        options.windowsDir = (m_server->Dir() / "windir").string();
        std::vector<std::string> lines;
        std::istringstream in(script);
        for (std::string l; std::getline(in, l);)
            lines.push_back(l);
        LineTap tap(std::move(onLine));
        std::ostream out(&tap);
        {
            harness::Harness h(options, out);
            m_status = h.Run(lines);
        }
        ::unsetenv("PULSE_SERVER");
        return tap.Text();
    }
    int m_status{};
};

const std::string kOutputs = "start\ntray dblclick\ncheck Korvalin chkAnalogOutputs 1\n";
const std::string kInputs = "start\ntray dblclick\ncheck Korvalin chkAnalogInputs 1\n";
const std::string kOut = "\"KRV Ana. Output\"";
const std::string kIn = "\"KRV Ana. Input\"";

std::vector<std::string> Lines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

// The `show` line of a control (its nth, counted from 0).
std::string ShowLine(const std::string& out, const std::string& control, int nth = 0) {
    for (const auto& l : Lines(out))
        if (l.find(control + " ") != std::string::npos && l.find(" visible=") != std::string::npos &&
            l.find_first_not_of(' ') == l.find(control + " ") && nth-- == 0)
            return l;
    return "";
}

// The number after "NAME=" in a line; -1 when absent.
int Field(const std::string& line, const std::string& name) {
    auto at = line.find(" " + name + "=");
    return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + name.size() + 2);
}

// What the first pactl command after the nth line (from 0; -1 the last) holding marker printed.
std::string PactlAfter(const std::string& out, const std::string& marker, int nth) {
    auto lines = Lines(out);
    std::vector<std::size_t> marks;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(marker) != std::string::npos) marks.push_back(i);
    if (marks.empty() || (nth >= 0 && static_cast<std::size_t>(nth) >= marks.size()))
        return "<no " + marker + ">";
    std::size_t i = nth < 0 ? marks.back() : marks[static_cast<std::size_t>(nth)];
    std::string block;
    while (++i < lines.size() && !lines[i].starts_with("pactl"))
        ;
    for (; i < lines.size() && lines[i].starts_with("pactl"); ++i)
        block += lines[i] + "\n";
    return block;
}

// A record stream a client made, in `pactl list short source-outputs`.
const std::string kClientStream = "protocol-native.c";

int Count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++n;
    return n;
}

// The lamp a meter of `lamps` lamps lights for a peak level (0 to 32767): the level law puts the peak on
// a logarithmic scale of 0 to 511 (full scale / 25 is one unit above silence), the bar spreads that scale
// over its lamps.
int LampOf(double level, int lamps) {
    double scaled = std::nearbyint(std::log10(level / (32767.0 / 25.0) + 1.0) * 511.0 / std::log10(26.0));
    return static_cast<int>(std::nearbyint(scaled / 511.0 * (lamps - 1)));
}

} // namespace

TEST_F(OnServer, WithoutAServerTheProgramSaysTheDriverCannotBeOpened) {
    std::string out = Run("start\nwindows\n", "unix:" + (m_server->Dir() / "none").string());
    EXPECT_EQ(m_status, 0) << out;
    EXPECT_NE(
        out.find(
            "msgbox caption=\"Fehler\" style=0x10 text=\"Korvalin Treiber konnte nicht geöffnet werden.\""),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("program ended"), std::string::npos) << out;
}

TEST_F(OnServer, TheProgramStartsInTheTrayOnTheServersCards) {
    std::string out = Run("start\ntray dblclick\nwindows\nexit\n");
    EXPECT_EQ(m_status, 0) << out;
    EXPECT_EQ(out.find("msgbox"), std::string::npos) << out;
    EXPECT_NE(out.find("window caption=\"Korvalin\" class=TMixControlWnd visible=1"), std::string::npos)
        << out;
}

TEST_F(OnServer, UnloadingAMappedSinkEndsTheProgramAsACardRemovalWithTheSettingsSaved) {
    std::thread unplug([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        std::string modules = m_server->Pactl("list short modules");
        std::istringstream lines(modules);
        for (std::string line; std::getline(lines, line);)
            if (line.find("sink_name=out34") != std::string::npos)
                m_server->Pactl("unload-module " + line.substr(0, line.find('\t')));
    });
    std::string out = Run("start\ntray dblclick\ncheck Korvalin chkStayOnTop 1\nwait 5000\nwindows\nini\n");
    unplug.join();
    EXPECT_EQ(m_status, 0) << out;
    EXPECT_NE(out.find("program ended"), std::string::npos) << out;
    EXPECT_NE(out.find("chkStayOnTop=1"), std::string::npos) << out;
}

TEST_F(OnServer, AFaderMoveInTheOutputWindowSetsTheSinksChannelsByTheLaw) {
    std::string out = Run(kOutputs + "wait 200\ndrag " + kOut + " Slider0 51\nwait 100\nshow " + kOut +
                          " pnSlider12\npactl get-sink-volume out12\npactl get-sink-volume out34\n");
    ASSERT_EQ(m_status, 0) << out;
    int left = Field(ShowLine(out, "Slider0"), "position"),
        right = Field(ShowLine(out, "Slider1"), "position");
    ASSERT_GT(left, 0) << out;
    EXPECT_LT(left, 127) << out;   // moved off the top
    EXPECT_EQ(right, left) << out; // the pair's faders are linked
    // out12's two channels, then out34's.
    auto db = VolumeDbs(PactlAfter(out, "Slider1 ", 0));
    ASSERT_EQ(db.size(), 4u) << out;
    EXPECT_NEAR(db[0], *cardcore::VolumeDb(static_cast<WORD>(left * 512)), 0.5) << out;
    EXPECT_NEAR(db[1], *cardcore::VolumeDb(static_cast<WORD>(right * 512)), 0.5) << out;
    // The other pair's sink is left alone.
    EXPECT_EQ(db[2], 0.0) << out;
    EXPECT_EQ(db[3], 0.0) << out;
}

TEST_F(OnServer, AnotherProgramsVolumeAndMuteMoveTheWindowWhichSendsNothingBack) {
    std::string out =
        Run(kOutputs + "wait 300\npactl set-sink-volume out12 30000 21000\nwait 300\nshow " + kOut +
            " pnSlider12\npactl get-sink-volume out12\npactl set-sink-mute out12 1\nwait 300\nshow " + kOut +
            " pnSlider12\nwait 600\npactl get-sink-volume out12\npactl get-sink-mute out12\n");
    ASSERT_EQ(m_status, 0) << out;
    std::string set = PactlAfter(out, "Slider1 ", 0);
    auto db = VolumeDbs(set);
    ASSERT_EQ(db.size(), 2u) << out;
    EXPECT_EQ(Field(ShowLine(out, "Slider0"), "position"), cardcore::VolumeWord(db[0]) / 512) << out;
    EXPECT_EQ(Field(ShowLine(out, "Slider1"), "position"), cardcore::VolumeWord(db[1]) / 512) << out;
    EXPECT_NE(Field(ShowLine(out, "Slider0"), "position"), Field(ShowLine(out, "Slider1"), "position"));

    EXPECT_EQ(Field(ShowLine(out, "SpeedButton31", 0), "down"), 0) << out;
    EXPECT_EQ(Field(ShowLine(out, "btnMuteOut2", 0), "down"), 0) << out;
    EXPECT_EQ(Field(ShowLine(out, "SpeedButton31", 1), "down"), 1) << out;
    EXPECT_EQ(Field(ShowLine(out, "btnMuteOut2", 1), "down"), 1) << out;
    // The faders stay where the server put them, and well after the notices the server still holds exactly
    // what pactl set: the window wrote neither volume nor mute back.
    EXPECT_EQ(Field(ShowLine(out, "Slider0", 1), "position"), Field(ShowLine(out, "Slider0"), "position"));
    std::string after = PactlAfter(out, "btnMuteOut2 ", 1);
    EXPECT_NE(set.find("front-left: 30000 /"), std::string::npos) << set;
    EXPECT_NE(set.find("front-right: 21000 /"), std::string::npos) << set;
    EXPECT_EQ(after, set + "pactl Mute: yes\n") << out;
}

TEST_F(OnServer, AToneOnAnalog12LightsItsMetersAtTheLawsLampSoonAfterItStartsAndClosingEndsTheStreams) {
    // The player (silent until the tone) asks the sink for a short latency before the sink settles, so
    // the sink renders no further ahead than a desktop's does by the time the tone starts.
    TestServer::Player player(*m_server, "out12", -6.0);
    ASSERT_TRUE(PumpUntil([&] { return m_server->Count("sink-inputs") > 0; }));
    m_server->SettleSinks();

    std::string samples;
    for (int i = 0; i < 40; ++i)
        samples += "wait 10\nshow " + kOut + " Meter1\nshow " + kOut + " Meter2\n";
    // The tone starts as the first meter line is printed; from then on every meter line is timed.
    std::optional<Clock::time_point> start;
    std::vector<std::pair<std::string, Clock::time_point>> timed;
    std::string out = Run(kOutputs + "wait 600\nshow " + kOut + " Meter1\n" + samples +
                              "pactl list short source-outputs\nclose " + kOut +
                              "\nwait 300\nwindows\npactl list short source-outputs\n",
                          "", [&](const std::string& line) {
                              if (line.find(" TLevelMeter ") == std::string::npos) return;
                              timed.emplace_back(line, Clock::now());
                              if (!start) start = player.StartTone();
                          });
    ASSERT_EQ(m_status, 0) << out;
    ASSERT_TRUE(start) << out;
    ASSERT_GT(timed.size(), 70u) << out;
    EXPECT_EQ(Field(timed[0].first, "lit"), 0) << "lit before the tone: " << timed[0].first;

    // The meter's lamps: 4 pixels each over its height.
    std::string meter = ShowLine(out, "Meter1");
    int height = std::atoi(meter.substr(meter.rfind(',', meter.find(" lit=")) + 1).c_str());
    int lamp = LampOf(32767.0 * std::pow(10.0, -6.0 / 20.0), height / 4);
    ASSERT_GT(lamp, 20) << meter;

    // When each meter first reached the lamp (a tick may already have let the bar fall by one), and the
    // highest bar either showed: right after a read, every lamp up to the law's one.
    std::map<std::string, long> reached;
    std::map<std::string, int> highest;
    for (std::size_t i = 1; i < timed.size(); ++i) {
        std::string name = timed[i].first.substr(timed[i].first.find_first_not_of(' '), 6);
        int lit = Field(timed[i].first, "lit");
        highest[name] = std::max(highest[name], lit);
        if (lit >= lamp && !reached.contains(name))
            reached[name] =
                std::chrono::duration_cast<std::chrono::milliseconds>(timed[i].second - *start).count();
    }
    for (const char* name : {"Meter1", "Meter2"}) {
        ASSERT_TRUE(reached.contains(name)) << name << " never lit lamp " << lamp << "\n" << out;
        RecordProperty(std::string(name) + "_tone_to_lamp_ms", static_cast<int>(reached[name]));
        EXPECT_LT(reached[name], 200) << name;
        EXPECT_EQ(highest[name], lamp + 1) << name << ": lamps 0 to " << lamp;
    }

    // Metering ran on record streams while the window was open; closing it leaves none (the remapped
    // sources' own streams stay).
    EXPECT_GT(Count(PactlAfter(out, "Meter2 ", -1), kClientStream), 0) << out;
    EXPECT_EQ(Count(PactlAfter(out, "window caption=", -1), kClientStream), 0) << out;
}

TEST_F(OnServer, MonitoringAnInputIsOneLoopbackWhileItIsOnAndTheClosedWindowRecordsNothing) {
    std::string state = "show " + kIn + " SpeedButton8\npactl list short modules\n";
    std::string out =
        Run(kInputs + "wait 200\n" + state + "click " + kIn + " SpeedButton8\nwait 100\n" + state + "click " +
            kIn + " SpeedButton8\nwait 100\n" + state + "pactl list short source-outputs\n" + "close " + kIn +
            "\nwait 300\nwindows\npactl list short source-outputs\n");
    ASSERT_EQ(m_status, 0) << out;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Field(ShowLine(out, "SpeedButton8", i), "down"), i == 1 ? 1 : 0) << out;
    EXPECT_EQ(Count(PactlAfter(out, "SpeedButton8 ", 0), "module-loopback"), 0) << out;
    std::string on = PactlAfter(out, "SpeedButton8 ", 1);
    EXPECT_EQ(Count(on, "module-loopback"), 1) << out;
    EXPECT_NE(on.find("source=in12"), std::string::npos) << on;
    EXPECT_NE(on.find("sink=out12"), std::string::npos) << on;
    std::string off = PactlAfter(out, "SpeedButton8 ", 2);
    EXPECT_EQ(Count(off, "module-loopback"), 0) << out;

    // The open window's meters record; the closed one's do not.
    EXPECT_GT(Count(off, kClientStream), 0) << out;
    EXPECT_EQ(Count(PactlAfter(out, "window caption=", -1), kClientStream), 0) << out;
}

TEST_F(OnServer, PactlInAScriptReportsItsFailuresAndPassesItsWordsToNoShell) {
    fs::path mark = m_server->Dir() / "touched";
    std::string out = Run("pactl get-sink-mute nosuch\npactl set-sink-mute \"out12; touch " + mark.string() +
                          "\" 1\n" + "pactl get-sink-mute out12\nstart\nexit\npactl get-sink-mute out12\n");
    EXPECT_EQ(m_status, 0) << out;
    EXPECT_EQ(Count(out, "pactl: failed (1)"), 2) << out;
    EXPECT_FALSE(fs::exists(mark));
    EXPECT_EQ(Count(out, "pactl Mute: no"), 2) << out; // also after the program's end
}
