// Start without a server, a bad map, the configuration entry and the driver's state file, cards that go
// away with their sinks or with the server, and a server that stalls.
#include "PulseTest.h"

#include "driver/config.h"

#include "system/krvl_protocol.h"
#include <sstream>

using namespace pulse_test;
using namespace krvl::proto;

namespace {

struct Broadcast {
    WPARAM event;
    DWORD devnode;
};

class Lifecycle : public PulseTest {
protected:
    // A top-level window that records the device-change broadcasts.
    void WatchBroadcasts() {
        sys::CreateWindowHandle([this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_DEVICECHANGE && lp) {
                auto* r = reinterpret_cast<const DEV_BROADCAST_DEVNODE*>(lp);
                m_broadcasts.push_back({wp, r->dbcd_devnode});
                return TRUE;
            }
            return DefWindowProcA(h, m, wp, lp);
        });
    }
    int Removals(DWORD devnode) const {
        return static_cast<int>(std::count_if(m_broadcasts.begin(), m_broadcasts.end(), [&](auto& b) {
            return b.event == DBT_DEVICEREMOVECOMPLETE && b.devnode == devnode;
        }));
    }
    // The module that made a sink.
    std::string ModuleOf(const std::string& sinkName) const {
        std::string out = m_server->Pactl("list short modules");
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            if (line.find("sink_name=" + sinkName + " ") != std::string::npos ||
                line.find("sink_name=" + sinkName + "\t") != std::string::npos)
                return line.substr(0, line.find('\t'));
        return "";
    }
    std::vector<Broadcast> m_broadcasts;
};

std::string MapErrorOf(const std::string& text) {
    try {
        pulse::MapFile::FromJson(text);
    } catch (const pulse::MapError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(PulseMap, AMalformedMapIsAnErrorThatNamesTheEntry) {
    EXPECT_NE(MapErrorOf("{\"cards\": [").find("not JSON"), std::string::npos);
    EXPECT_NE(MapErrorOf(R"({"cards": []})").find("cards"), std::string::npos);
    EXPECT_NE(MapErrorOf(R"({"cards": [{}, {}, {}, {}, {}]})").find("1 to 4"), std::string::npos);
    EXPECT_NE(MapErrorOf(R"({"cardz": [{}]})").find("cardz: unknown key"), std::string::npos);
    EXPECT_NE(MapErrorOf(R"({"cards": [{"outputs": {"Analog 5-6": {"sink": "a"}}}]})")
                  .find("cards[0].outputs.\"Analog 5-6\": unknown pair"),
              std::string::npos);
    EXPECT_NE(MapErrorOf(R"({"cards": [{"inputs": {"Digital": {"sink": "a"}}}]})")
                  .find("cards[0].inputs.\"Digital\""),
              std::string::npos);
    EXPECT_NE(
        MapErrorOf(R"({"cards": [{"outputs": {"Digital": {"sink": "a", "channels": ["left-ish", "x"]}}}]})")
            .find("unknown channel position"),
        std::string::npos);
    EXPECT_NE(MapErrorOf(R"({"cards": [{"outputs": {"Digital": {"sink": "a", "channels": ["mono"]}}}]})")
                  .find("two channel positions"),
              std::string::npos);
    EXPECT_NE(MapErrorOf(R"({"cards": [{"extended": 1}]})").find("cards[0].extended"), std::string::npos);
    EXPECT_EQ(MapErrorOf(R"({"cards": [{"extended": true, "outputs": {"Digital": {"sink": "a"}}}]})"), "");
}

TEST_F(Lifecycle, AMapThatNamesWhatTheServerLacksStopsTheStartNamingTheEntry) {
    pulse::Options options;
    options.server = m_server->Address();
    options.mapFile = (m_server->Dir() / "map.json").string();
    std::ofstream(options.mapFile) << R"({"cards": [{"outputs": {"Analog 3-4": {"sink": "nowhere"}}}]})";
    try {
        pulse::Driver::Install(options);
        FAIL() << "installed";
    } catch (const pulse::MapError& e) {
        EXPECT_NE(std::string(e.what()).find("cards[0].outputs.\"Analog 3-4\": no sink \"nowhere\""),
                  std::string::npos)
            << e.what();
    }
    std::ofstream(options.mapFile) << R"({"cards": [{"outputs": {"Analog 1-2": {"sink": "out12",
        "channels": ["rear-left", "rear-right"]}}}]})";
    EXPECT_THROW(pulse::Driver::Install(options), pulse::MapError);
    EXPECT_EQ(waveOutGetNumDevs(), 0u);
}

TEST_F(Lifecycle, WithoutAServerTheDriverListsNoDevicesAndSaysSoAtOnce) {
    m_server->Stop();
    auto start = Clock::now();
    pulse::Options options;
    options.server = m_server->Address();
    m_driver = pulse::Driver::Install(options);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_FALSE(m_driver->Connected());
    EXPECT_FALSE(m_driver->ConnectError().empty());
    EXPECT_EQ(waveOutGetNumDevs(), 0u);
    EXPECT_EQ(waveInGetNumDevs(), 0u);
    std::int32_t states[5] = {9, 9, 9, 9, 9};
    ASSERT_TRUE(krvl::ConfigRequest(1, krvl::CFG_GETSTATES, states, sizeof states));
    EXPECT_EQ(states[0], 1);
    EXPECT_EQ(states[1], 0); // no card
}

TEST_F(Lifecycle, TheConfigurationEntryAnswersAndTheDriverKeepsWhatItHasNoServerCounterpartFor) {
    Install();
    std::int32_t states[5] = {};
    ASSERT_TRUE(krvl::ConfigRequest(1, krvl::CFG_GETSTATES, states, sizeof states));
    EXPECT_EQ((std::vector<std::int32_t>(states, states + 5)), (std::vector<std::int32_t>{1, 1, 1, 0, 0}));
    std::int32_t reconfigurable = 0;
    ASSERT_TRUE(krvl::ConfigRequest(1, krvl::CFG_RECONFIGURABLE, &reconfigurable, 4));
    EXPECT_NE(reconfigurable, 0);
    std::array<BYTE, 800> config{};
    ASSERT_TRUE(krvl::ConfigRequest(1, krvl::CFG_GETCONFIG, config.data(), 800));
    std::int32_t rate;
    std::memcpy(&rate, config.data() + 200 + 136, 4);
    EXPECT_EQ(rate, 44100);
    rate = 96000;
    std::memcpy(config.data() + 200 + 136, &rate, 4);
    config[799] = 0x5A; // bytes the driver does not know travel unchanged
    ASSERT_TRUE(krvl::ConfigRequest(1, krvl::CFG_SETCONFIG, config.data(), 800));

    // Routing, playback sources and the digital format live in the driver's state file.
    HWAVEIN in = OpenIn("Korvalin Analog In 3-4");
    ASSERT_EQ(waveInMessage(in, DRVM_IN_SET_ROUTING, 0x00020105, 0), 0u); // CD, on Analog 1-2, punch-in
    HWAVEOUT dig = OpenOut("Korvalin Digital Out II");
    ASSERT_EQ(waveOutMessage(dig, DRVM_OUT_SET_DIGITAL_FORMAT, 1, 0), 0u);
    int loopbacks = m_server->Count("modules", "module-loopback");
    m_driver->Uninstall();
    EXPECT_EQ(m_server->Count("modules", "module-loopback"), loopbacks - 1);
    EXPECT_TRUE(std::filesystem::exists(m_driver->StateFilePath()));
    m_driver.reset();
    sys::ResetSystem();
    sys::SetWindowsDirectory((m_server->Dir() / "windir").string());

    Install();
    std::array<BYTE, 800> again{};
    ASSERT_TRUE(krvl::ConfigRequest(1, krvl::CFG_GETCONFIG, again.data(), 800));
    EXPECT_EQ(again, config);
    EXPECT_EQ(m_driver->Card(0).routing[1], 0x00020105u);
    EXPECT_EQ(m_driver->Card(1).digitalFormat, 1u);
    // The monitoring the user left is back on the server.
    EXPECT_EQ(m_server->Count("modules", "module-loopback"), loopbacks);

    // A removed card's release mark is taken and not kept.
    config[0] = config[1] = config[2] = config[3] = 0xFF;
    ASSERT_TRUE(krvl::ConfigRequest(1, krvl::CFG_SETCONFIG, config.data(), 800));
    EXPECT_TRUE(m_driver->Released());
    EXPECT_EQ(m_driver->ConfigRecord()[0], 0);
}

TEST_F(Lifecycle, AMappedSinkThatGoesIsTheRemovalOfItsCard) {
    Install();
    WatchBroadcasts();
    HWAVEOUT card1 = OpenOut("Korvalin Analog Out 1-2");
    HWAVEOUT card2 = OpenOut("Korvalin Analog Out 5-6");
    std::string module = ModuleOf("out34");
    ASSERT_FALSE(module.empty());
    m_server->Pactl("unload-module " + module);
    DWORD devnode = m_driver->Card(0).devnode;
    ASSERT_TRUE(PumpUntil([&] { return Removals(devnode) > 0; }));
    ASSERT_GE(m_broadcasts.size(), 2u);
    EXPECT_EQ(m_broadcasts[0].event, DBT_DEVICEQUERYREMOVE);
    EXPECT_EQ(m_broadcasts[0].devnode, devnode);
    EXPECT_EQ(waveOutMessage(card1, WODM_SETVOLUME, 0, 0), MMSYSERR_NODRIVER);
    EXPECT_EQ(waveOutMessage(card2, WODM_SETVOLUME, 0x80008000, 0), 0u);
    EXPECT_EQ(Removals(m_driver->Card(1).devnode), 0);
}

TEST_F(Lifecycle, TheServerGoingAwayIsTheRemovalOfEveryCard) {
    Install();
    WatchBroadcasts();
    HWAVEOUT h = OpenOut("Korvalin Analog Out 5-6");
    m_server->Stop();
    ASSERT_TRUE(PumpUntil([&] { return Removals(m_driver->Card(1).devnode) > 0; }));
    EXPECT_EQ(Removals(m_driver->Card(0).devnode), 1);
    EXPECT_EQ(waveOutMessage(h, WODM_SETVOLUME, 0, 0), MMSYSERR_NODRIVER);
    EXPECT_FALSE(m_driver->Connected());
}

TEST_F(Lifecycle, AStalledServerFailsTheMessageInsteadOfHangingIt) {
    Install();
    HWAVEOUT h = OpenOut("Korvalin Analog Out 1-2");
    m_server->Pause(true);
    auto start = Clock::now();
    EXPECT_NE(waveOutMessage(h, WODM_SETVOLUME, 0x80008000, 0), 0u);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    m_server->Pause(false);
    // Once it answers again, so does the driver.
    EXPECT_EQ(waveOutMessage(h, WODM_SETVOLUME, 0x80008000, 0), 0u);
}

TEST_F(Lifecycle, RoutesARunThatDidNotEndLeftBehindAreTakenDown) {
    int loopbacks = m_server->Count("modules", "module-loopback");
    m_server->Pactl(
        "load-module module-loopback source=in12 sink=out34 sink_input_properties=media.name=KorvalinRoute");
    m_server->Pactl("load-module module-loopback source=in34 sink=out12"); // another program's
    ASSERT_EQ(m_server->Count("modules", "module-loopback"), loopbacks + 2);
    Install();
    EXPECT_EQ(m_server->Count("modules", "module-loopback"), loopbacks + 1);
    EXPECT_EQ(m_server->Count("modules", "KorvalinRoute"), 0);
}
