// Scenarios: the JSON format, timed events, card removal and the state file across restarts.
#include "EmuTest.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

using namespace emu_test;
using namespace emu;

namespace {

class Scenarios : public EmuTest {};

std::string ErrorOf(const std::string& json) {
    try {
        Scenario::FromJson(json);
    } catch (const ScenarioError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST_F(Scenarios, DefaultIsTwoCardsTheFirstExtendedWithSignalsEverywhere) {
    Scenario s = Scenario::Default();
    ASSERT_EQ(s.cards.size(), 2u);
    EXPECT_TRUE(s.cards[0].extended);
    EXPECT_FALSE(s.cards[1].extended);
    for (auto& c : s.cards)
        for (int p = 0; p < kPairs; ++p) {
            EXPECT_GT(c.inputs[p].left.Peak(0, 100), 0);
            EXPECT_GT(c.playback[p].right.Peak(0, 100), 0);
        }
    EXPECT_EQ(s.cards[1].devnode, 0x1001u);
    // An empty JSON object is the default too.
    EXPECT_EQ(Scenario::FromJson("{}").cards.size(), 2u);
}

TEST_F(Scenarios, BadScenariosAreRefusedWithTheKeyNamed) {
    EXPECT_NE(ErrorOf("{").find("not valid JSON"), std::string::npos);
    EXPECT_NE(ErrorOf(R"({"cards": []})").find("cards"), std::string::npos);
    EXPECT_NE(ErrorOf(R"({"cards": [{},{},{},{},{}]})").find("1 to 4"), std::string::npos);
    EXPECT_NE(ErrorOf(R"({"state_record": [1, 1]})").find("state_record"), std::string::npos);
    EXPECT_NE(ErrorOf(R"({"cards": [{"state": "x"}]})").find("cards[0].state"), std::string::npos);
    EXPECT_NE(ErrorOf(R"({"devices": [{"direction": "up", "mid": 1, "pid": 1, "name": "a"}]})")
                  .find("devices[0].direction"),
              std::string::npos);
    EXPECT_NE(
        ErrorOf(
            R"({"devices": [{"direction": "in", "mid": 1, "pid": 1, "name": "a234567890123456789012345678901X"}]})")
            .find("31"),
        std::string::npos);
    EXPECT_NE(
        ErrorOf(
            R"({"cards": [{}], "devices": [{"direction": "in", "mid": 1, "pid": 1, "name": "a", "card": 2}]})")
            .find("no card 2"),
        std::string::npos);
    EXPECT_NE(ErrorOf(R"({"events": [{"at_ms": 5, "action": "explode", "card": 1}]})").find("explode"),
              std::string::npos);
    EXPECT_NE(ErrorOf(R"({"events": [{"at_ms": 5, "action": "set-volume", "card": 1}]})").find("value"),
              std::string::npos);
    EXPECT_NE(ErrorOf(R"({"cards": [{"signals": {"in": [{"type": "wav", "file": "/no/such.wav"}]}}]})")
                  .find("cannot be opened"),
              std::string::npos);
    EXPECT_NE(
        ErrorOf(R"({"cards": [{"signals": {"in": [{"type": "sine", "level": 40000}]}}]})").find("level"),
        std::string::npos);
    // Unknown keys are reported, not fatal.
    auto s = Scenario::FromJson(R"({"cards": [{"colour": "red"}], "speed": 1, "_note": "x"})");
    EXPECT_EQ(s.warnings.size(), 2u);
}

TEST_F(Scenarios, EventsRunAtTheirTimeOnTheVirtualClock) {
    auto& e = InstallJson(R"({"cards": [{}, {}], "events": [
        {"at_ms": 100, "action": "set-volume", "card": 2, "pair": 1, "value": "0x10002000"},
        {"at_ms": 200, "action": "set-source", "card": 1, "pair": 2, "value": 5},
        {"at_ms": 200, "action": "set-mute", "card": 1, "pair": 0, "value": "0xFFFF"},
        {"at_ms": 300, "action": "set-routing", "card": 1, "pair": 1, "value": "0x00010105"},
        {"at_ms": 300, "action": "set-format", "card": 2, "value": 1},
        {"at_ms": 400, "action": "set-gain", "card": 1, "pair": 0, "value": "0x40004000"}]})");
    m_clock->Advance(99);
    EXPECT_EQ(e.Card(1).volume[1], 0xFE00FE00u);
    m_clock->Advance(1);
    EXPECT_EQ(e.Card(1).volume[1], 0x10002000u);
    m_clock->Advance(200);
    EXPECT_EQ(e.Card(0).source[2], 5u);
    EXPECT_EQ(e.Card(0).outputMute[0], 0xFFFFu);
    EXPECT_EQ(e.Card(0).routing[1], 0x00010105u);
    EXPECT_EQ(e.Card(1).digitalFormat, 1u);
    m_clock->Advance(100);
    EXPECT_EQ(e.Card(0).gain[0], 0x40004000u);
}

TEST_F(Scenarios, RemovalBroadcastsTheDevnodeAndTheCardGoesAway) {
    auto& e = InstallJson(R"({"cards": [{}, {"devnode": "0xBEEF"}],
                              "events": [{"at_ms": 50, "action": "remove", "card": 2}]})");
    std::vector<std::pair<WPARAM, DWORD>> seen;
    HWND top = sys::CreateWindowHandle([&](HWND, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_DEVICECHANGE) {
            auto* rec = reinterpret_cast<const DEV_BROADCAST_DEVNODE*>(lp);
            EXPECT_EQ(rec->dbcd_devicetype, DBT_DEVTYP_DEVNODE);
            seen.push_back({wp, rec->dbcd_devnode});
        }
        return TRUE;
    });
    (void)top;
    HWAVEOUT h = OpenOut(1, 0);
    Block b(4);
    ASSERT_EQ(waveOutMessage(h, DRVM_OUT_GET_DEVNODE, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0xBEEFu);
    m_clock->Advance(50);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (std::pair<WPARAM, DWORD>{DBT_DEVICEQUERYREMOVE, 0xBEEF}));
    EXPECT_EQ(seen[1].first, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_TRUE(e.Card(1).removed);
    EXPECT_EQ(waveOutMessage(h, WODM_GETVOLUME, b.vp(), 0), MMSYSERR_NODRIVER);
    EXPECT_EQ(waveOutClose(h), 0u);
    HWAVEOUT again{};
    ControlFormat f;
    EXPECT_EQ(waveOutOpen(&again, DeviceOf(sys::WaveDir::Out, 1, 0), &f.wfx, 0, 0, 0), MMSYSERR_NODRIVER);
    EXPECT_FALSE(e.RemoveCard(1));

    // A window that denies the query keeps the card.
    HWND veto = sys::CreateWindowHandle([](HWND, UINT m, WPARAM wp, LPARAM) -> LRESULT {
        return m == WM_DEVICECHANGE && wp == DBT_DEVICEQUERYREMOVE ? BROADCAST_QUERY_DENY : TRUE;
    });
    (void)veto;
    EXPECT_FALSE(e.RemoveCard(0));
    EXPECT_FALSE(e.Card(0).removed);
}

TEST_F(Scenarios, DriverStateSurvivesARestart) {
    {
        auto& e = Install(Scenario::WithCards(2));
        HWAVEOUT h = OpenOut(1, 1);
        waveOutMessage(h, WODM_SETVOLUME, 0x7000A000, 0);
        waveOutClose(h);
        e.SetRouting(0, 2, 0x00010303);
        e.SetSource(1, 0, 3);
        Block rec(800);
        rec.Put32(136, 96000);
        HWAVEIN in = OpenIn(0, 0);
        waveInMessage(in, DRVM_IN_SET_MUTE, 0xFFFF, 0);
        waveInClose(in);
        e.Uninstall();
    }
    m_emu.reset();
    ASSERT_TRUE(std::filesystem::exists(StatePath()));
    for (auto& p : std::filesystem::directory_iterator(m_dir))
        EXPECT_EQ(p.path().filename(), "KRVLemu.json"); // no temporary file left behind

    auto& e = Install(Scenario::WithCards(2));
    EXPECT_EQ(e.Card(1).volume[1], 0x7000A000u);
    EXPECT_EQ(e.Card(0).routing[2], 0x00010303u);
    EXPECT_EQ(e.Card(1).source[0], 3u);
    EXPECT_EQ(e.Card(0).inputMute[0], 0xFFFFu);
    HWAVEOUT h = OpenOut(1, 1);
    Block b(4);
    ASSERT_EQ(waveOutMessage(h, WODM_GETVOLUME, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0x7000A000u);
    waveOutClose(h);
    e.Uninstall();

    // "fresh" starts from the defaults; "persist": false neither reads nor writes.
    auto fresh = Emulator::Install(Scenario::FromJson(R"({"cards": [{}, {}], "fresh": true})"));
    EXPECT_EQ(fresh->Card(1).volume[1], 0xFE00FE00u);
    fresh->Uninstall();
    auto none = Emulator::Install(Scenario::FromJson(R"({"cards": [{}, {}], "persist": false})"));
    EXPECT_EQ(none->Card(1).volume[1], 0xFE00FE00u);
    none->SetVolume(1, 1, 0x1234);
    none->Uninstall();
    auto named = Emulator::Install(Scenario::FromJson(R"({"cards": [{}], "state_file": "other.json"})"));
    EXPECT_EQ(named->Card(0).volume[0], 0xFE00FE00u);
    named->SetVolume(0, 0, 0x5555);
    named->Uninstall();
    EXPECT_TRUE(std::filesystem::exists(m_dir / "other.json"));
}

// A fader drag is a run of changes; the file follows once a second, never on the thread that makes the
// change, and the last state reaches the disk when the driver goes.
TEST_F(Scenarios, ARunOfChangesWritesTheStateFileOnceASecondAndUninstallWritesTheLast) {
    auto& e = Install(Scenario::WithCards(1));
    HWAVEOUT h = OpenOut(0, 0);
    for (DWORD step = 1; step <= 50; ++step) {
        ASSERT_EQ(waveOutMessage(h, WODM_SETVOLUME, step * 0x100, 0), MMSYSERR_NOERROR);
        m_clock->Advance(19); // fifty steps within 950 ms
    }
    EXPECT_EQ(e.StateFileWrites(), 0u);
    EXPECT_FALSE(std::filesystem::exists(StatePath()));
    m_clock->Advance(50); // a second after the first step
    EXPECT_EQ(e.StateFileWrites(), 1u);
    {
        Emulator onDisk(Scenario::WithCards(1)); // reads the file, not installed
        EXPECT_EQ(onDisk.Card(0).volume[0], 50u * 0x100);
    }
    m_clock->Advance(5000); // nothing changed since
    EXPECT_EQ(e.StateFileWrites(), 1u);

    // A change shortly before the end is not lost.
    ASSERT_EQ(waveOutMessage(h, WODM_SETVOLUME, 0x7777, 0), MMSYSERR_NOERROR);
    e.SetSource(0, 1, 4);
    m_clock->Advance(300);
    waveOutClose(h);
    e.Uninstall();
    EXPECT_EQ(e.StateFileWrites(), 2u);
    m_clock->Advance(2000); // the pending write went with the driver
    EXPECT_EQ(e.StateFileWrites(), 2u);
    m_emu.reset();

    auto& again = Install(Scenario::WithCards(1));
    EXPECT_EQ(again.Card(0).volume[0], 0x7777u);
    EXPECT_EQ(again.Card(0).source[1], 4u);
    again.Uninstall();
    EXPECT_EQ(again.StateFileWrites(), 0u); // nothing changed in this run

    auto none = Emulator::Install(Scenario::FromJson(R"({"cards": [{}], "persist": false})"));
    none->SetVolume(0, 0, 0x1234);
    m_clock->Advance(2000);
    none->Uninstall();
    EXPECT_EQ(none->StateFileWrites(), 0u);
}

TEST_F(Scenarios, ADamagedStateFileIsPassedOver) {
    std::filesystem::create_directories(m_dir);
    {
        std::ofstream(StatePath())
            << R"({"cards": [{"volume": [12345, "x"], "source": [99, 1], "routing": [1]}],
                                          "config": "zz"})";
    }
    auto& e = Install(Scenario::WithCards(1));
    EXPECT_EQ(e.Card(0).volume[0], 12345u);
    EXPECT_EQ(e.Card(0).volume[1], 0xFE00FE00u);
    EXPECT_EQ(e.Card(0).source[0], 0u); // 99 is no source
    EXPECT_EQ(e.Card(0).source[1], 1u);
    EXPECT_EQ(e.Card(0).routing[0],
              static_cast<DWORD>(kSourceLine | 1 << 8)); // 1 is not a source of Analog 1-2
    e.Uninstall();
    { std::ofstream(StatePath()) << "not json"; }
    auto again = Emulator::Install(Scenario::WithCards(1));
    EXPECT_EQ(again->Card(0).volume[0], 0xFE00FE00u);
    again->Uninstall();
}

TEST_F(Scenarios, OnTheRealClockARemovalReachesTheWindowsOnTheThreadThatDispatches) {
    sys::SetClock(sys::MakeRealClock());
    // The change comes first: a removed card takes no changes, and the removal's dispatch may overtake
    // a change due at the same moment.
    auto& e =
        InstallJson(R"({"cards": [{}], "events": [{"at_ms": 0, "action": "set-format", "card": 1, "value": 1},
                                                          {"at_ms": 30, "action": "remove", "card": 1}]})");
    auto self = std::this_thread::get_id();
    bool queried = false;
    sys::CreateWindowHandle([&](HWND, UINT m, WPARAM wp, LPARAM) -> LRESULT {
        if (m == WM_DEVICECHANGE && wp == DBT_DEVICEQUERYREMOVE) {
            EXPECT_EQ(std::this_thread::get_id(), self);
            queried = true;
        }
        return TRUE;
    });
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((!queried || e.Card(0).digitalFormat != 1) && std::chrono::steady_clock::now() < until) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(queried);
    EXPECT_TRUE(e.Card(0).removed);
    // Changes other than removals are made straight from the timer thread.
    EXPECT_EQ(e.Card(0).digitalFormat, 1u);
}

TEST_F(Scenarios, ConfigurationRequestsAndMessagesMayRunAtOnce) {
    auto& e = Install(Scenario::WithCards(1));
    e.KeepTranscript(false);
    HWAVEOUT h = OpenOut(0, 0);
    std::atomic<bool> stop{false};
    std::thread other([&] {
        // Another program keeps changing the volume meanwhile.
        for (DWORD v = 0; !stop; ++v)
            e.SetVolume(0, 0, v & 0xFFFF);
    });
    Block rec(800), done(4), vol(4);
    char line[128];
    for (int i = 0; i < 20; ++i) {
        done.Put32(0, 0);
        std::snprintf(line, sizeof line, "KRVL.DRV,DriverConfig getconfig $%08X #%08X", rec.vp(), done.vp());
        ASSERT_GT(
            reinterpret_cast<std::uintptr_t>(ShellExecuteA(nullptr, nullptr, "rundll.exe", line, "", 10)),
            32u);
        while (done.U32() == 0)
            EXPECT_EQ(waveOutMessage(h, WODM_GETVOLUME, vol.vp(), 0), 0u);
        EXPECT_EQ(rec.U32(136), 44100u);
    }
    stop = true;
    other.join();
    sys::JoinShellPrograms();
    waveOutClose(h);
}
