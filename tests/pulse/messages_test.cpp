// Volumes, gains and mutes on the server, what discovery sees, and the notices another program's
// changes post.
#include "PulseTest.h"

#include "cardcore/Law.h"
#include "driver/cards.h"
#include "system/krvl_protocol.h"

using namespace pulse_test;
using namespace krvl::proto;

namespace {

DWORD Get(HWAVEOUT h, UINT msg) {
    Block b(4);
    EXPECT_EQ(waveOutMessage(h, msg, b.vp(), 0), 0u);
    return b.U32();
}
DWORD Get(HWAVEIN h, UINT msg) {
    Block b(4);
    EXPECT_EQ(waveInMessage(h, msg, b.vp(), 0), 0u);
    return b.U32();
}

// A window that counts what reaches it, and a notification record aimed at it.
class Watcher {
public:
    Watcher() {
        m_hwnd = sys::CreateWindowHandle([this](HWND, UINT m, WPARAM, LPARAM lp) -> LRESULT {
            m_posted.push_back({m, lp});
            return 0;
        });
    }
    void Fill(WORD cls, WORD msg, DWORD lParam) {
        WORD w16 = WOWHandle16(m_hwnd, WOW_TYPE_HWND);
        std::memcpy(m_record.data(), &cls, 2);
        std::memcpy(m_record.data() + 2, &w16, 2);
        std::memcpy(m_record.data() + 4, &msg, 2);
        std::memcpy(m_record.data() + 6, &lParam, 4);
    }
    int Count(UINT msg, LPARAM lParam) const {
        return static_cast<int>(std::count_if(m_posted.begin(), m_posted.end(),
                                              [&](auto& p) { return p.first == msg && p.second == lParam; }));
    }
    Block m_record{kNotifyRecordSize};
    HWND m_hwnd{};
    std::vector<std::pair<UINT, LPARAM>> m_posted;
};

class Messages : public PulseTest {};

} // namespace

TEST_F(Messages, DiscoveryFindsTheServersSinksAndSourcesAsCardsByTheNamingRules) {
    Install();
    // Five sinks and two sources: two cards, their missing pairs silent.
    ASSERT_EQ(m_driver->CardCount(), 2);
    EXPECT_EQ(waveOutGetNumDevs(), 6u);
    EXPECT_EQ(waveInGetNumDevs(), 6u);
    auto c0 = m_driver->Card(0), c1 = m_driver->Card(1);
    EXPECT_EQ(c0.place.outputs[0].device, "out12");
    EXPECT_EQ(c0.place.outputs[2].device, "feed12");
    EXPECT_EQ(c1.place.outputs[1].device, "quad");
    EXPECT_FALSE(c1.place.outputs[2].Present());
    EXPECT_EQ(c0.place.inputs[1].device, "in34");
    EXPECT_FALSE(c0.place.inputs[2].Present()); // monitors are no inputs
    EXPECT_EQ(c0.place.outputs[0].monitor, "out12.monitor");

    krvl::DiscoverCards();
    const krvl::TCardTable& t = krvl::CardTable();
    EXPECT_EQ(t.cardCount, 2);
    for (int i = 0; i < 6; ++i) {
        EXPECT_GE(t.waveInIds[i], 0) << i;
        EXPECT_GE(t.waveOutIds[i], 0) << i;
    }
    EXPECT_NE(t.devnodes[0], t.devnodes[1]);
    EXPECT_NE(t.devnodes[1], -1);
    EXPECT_EQ(sys::OpenWaveHandles(), 0u);
}

TEST_F(Messages, VolumeAndGainPutTheLawsDecibelsOnTheServerAndReadBackAsSet) {
    Install();
    HWAVEOUT out = OpenOut("Korvalin Analog Out 1-2");
    // Left at the top (0 dB), right at position 87 (-20 dB).
    ASSERT_EQ(waveOutMessage(out, WODM_SETVOLUME, 0xAE00FE00, 0), 0u);
    auto db = m_server->Db("sink", "out12");
    ASSERT_EQ(db.size(), 2u);
    EXPECT_NEAR(db[0], 0.0, 0.5);
    EXPECT_NEAR(db[1], *cardcore::VolumeDb(0xAE00), 0.5);
    EXPECT_NEAR(db[1], -20.0, 0.5);
    EXPECT_EQ(Get(out, WODM_GETVOLUME), 0xAE00FE00u);

    // Gains go above 0 dB where the law says so: +18 dB at the top of the fader.
    HWAVEIN in = OpenIn("Korvalin Analog In 3-4");
    ASSERT_EQ(waveInMessage(in, DRVM_IN_SET_GAIN, 0x6400A400, 0), 0u);
    db = m_server->Db("source", "in34");
    ASSERT_EQ(db.size(), 2u);
    EXPECT_NEAR(db[0], 18.0, 0.5);
    EXPECT_NEAR(db[1], cardcore::GainDb(0x6400), 0.5);
    EXPECT_EQ(Get(in, DRVM_IN_GET_GAIN), 0x6400A400u);

    // A silent pair keeps what it is given.
    HWAVEOUT silent = OpenOut("Korvalin Analog Out 7-8");
    HWAVEOUT quad = OpenOut("Korvalin Analog Out 5-6");
    ASSERT_EQ(waveOutMessage(quad, WODM_SETVOLUME, 0x80008000, 0), 0u);
    EXPECT_EQ(Get(quad, WODM_GETVOLUME), 0x80008000u);
    (void)silent;
}

TEST_F(Messages, ChannelMutesSilenceTheServerChannelAndUnmutingRestoresIt) {
    Install();
    HWAVEOUT out = OpenOut("Korvalin Analog Out 3-4");
    ASSERT_EQ(waveOutMessage(out, WODM_SETVOLUME, 0xC000C000, 0), 0u);
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_SET_MUTE, 0x0000FFFF, 0), 0u);
    auto db = m_server->Db("sink", "out34");
    ASSERT_EQ(db.size(), 2u);
    EXPECT_TRUE(std::isinf(db[0]));
    EXPECT_NEAR(db[1], *cardcore::VolumeDb(0xC000), 0.5);
    EXPECT_EQ(Get(out, DRVM_OUT_GET_MUTE), 0x0000FFFFu);
    // The muted channel's volume is remembered, not the silence.
    EXPECT_EQ(Get(out, WODM_GETVOLUME), 0xC000C000u);
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_SET_MUTE, 0, 0), 0u);
    db = m_server->Db("sink", "out34");
    EXPECT_NEAR(db[0], *cardcore::VolumeDb(0xC000), 0.5);
    EXPECT_EQ(Get(out, DRVM_OUT_GET_MUTE), 0u);

    // A volume set while muted waits for the unmute.
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_SET_MUTE, 0xFFFF0000, 0), 0u);
    ASSERT_EQ(waveOutMessage(out, WODM_SETVOLUME, 0x9000A000, 0), 0u);
    db = m_server->Db("sink", "out34");
    EXPECT_NEAR(db[0], *cardcore::VolumeDb(0xA000), 0.5);
    EXPECT_TRUE(std::isinf(db[1]));
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_SET_MUTE, 0, 0), 0u);
    EXPECT_NEAR(m_server->Db("sink", "out34")[1], *cardcore::VolumeDb(0x9000), 0.5);

    HWAVEIN in = OpenIn("Korvalin Analog In 1-2");
    ASSERT_EQ(waveInMessage(in, DRVM_IN_SET_MUTE, 0xFFFFFFFF, 0), 0u);
    db = m_server->Db("source", "in12");
    EXPECT_TRUE(std::isinf(db[0]) && std::isinf(db[1]));
    ASSERT_EQ(waveInMessage(in, DRVM_IN_SET_MUTE, 0, 0), 0u);
    EXPECT_NEAR(m_server->Db("source", "in12")[0], 0.0, 0.5);
}

TEST_F(Messages, AnotherProgramsChangesPostTheRegisteredNoticesAndReadBackByTheLaw) {
    Install();
    HWAVEOUT out = OpenOut("Korvalin Analog Out 1-2");
    Watcher volume, mute;
    volume.Fill(kNotifyVolume, WM_USER + 104, 0);
    mute.Fill(kNotifyMute, WM_USER + 105, 0);
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_REGISTER_NOTIFY, volume.m_record.vp(), 0), 0u);
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_REGISTER_NOTIFY, mute.m_record.vp(), 0), 0u);

    m_server->Pactl("set-sink-volume out12 50% 25%");
    ASSERT_TRUE(PumpUntil([&] { return volume.Count(WM_USER + 104, 0) > 0; }));
    // 50% is -18.06 dB on the server's scale: position 90 (v / 512), the right one -36.1 dB.
    DWORD v = Get(out, WODM_GETVOLUME);
    EXPECT_EQ((v & 0xFFFF) / 512, 90u);
    EXPECT_NEAR(*cardcore::VolumeDb(static_cast<WORD>(v >> 16)), -36.12, 0.5);
    EXPECT_EQ(mute.Count(WM_USER + 105, 0), 0);

    // A mute set on the server as a whole shows as both channels muted.
    m_server->Pactl("set-sink-mute out12 1");
    ASSERT_TRUE(PumpUntil([&] { return mute.Count(WM_USER + 105, 0) > 0; }));
    EXPECT_EQ(Get(out, DRVM_OUT_GET_MUTE), 0xFFFFFFFFu);
    // The user's unmute clears it.
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_SET_MUTE, 0, 0), 0u);
    EXPECT_FALSE(m_server->Muted("sink", "out12"));

    // A change this driver made itself is no news to the handle that made it, but to another's window.
    HWAVEOUT other = OpenOut("Korvalin Analog Out 1-2");
    Watcher second;
    second.Fill(kNotifyVolume, WM_USER + 104, 7);
    ASSERT_EQ(waveOutMessage(other, DRVM_OUT_REGISTER_NOTIFY, second.m_record.vp(), 0), 0u);
    volume.m_posted.clear();
    ASSERT_EQ(waveOutMessage(out, WODM_SETVOLUME, 0xF000F000, 0), 0u);
    ASSERT_TRUE(PumpUntil([&] { return second.Count(WM_USER + 104, 7) > 0; }));
    PumpUntil([] { return false; }, 100); // the server's report of it arrives and changes nothing
    EXPECT_EQ(volume.Count(WM_USER + 104, 0), 0);
    EXPECT_EQ(Get(other, WODM_GETVOLUME), 0xF000F000u);

    // Withdrawn: no more notices.
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_UNREGISTER_NOTIFY, volume.m_record.vp(), 0), 0u);
    m_server->Pactl("set-sink-volume out12 40%");
    ASSERT_TRUE(PumpUntil([&] { return second.Count(WM_USER + 104, 7) > 1; }));
    EXPECT_EQ(volume.Count(WM_USER + 104, 0), 0);
}

TEST_F(Messages, AMapPutsTwoPairsOnOneMultiChannelSink) {
    Install(R"({"cards": [{"outputs": {
        "Analog 1-2": {"sink": "quad", "channels": ["front-left", "front-right"]},
        "Analog 3-4": {"sink": "quad", "channels": ["rear-left", "rear-right"]}},
      "inputs": {"Analog 1-2": {"source": "in34"}}}]})");
    ASSERT_EQ(m_driver->CardCount(), 1);
    EXPECT_EQ(waveOutGetNumDevs(), 3u);
    HWAVEOUT rear = OpenOut("Korvalin Analog Out 3-4");
    ASSERT_EQ(waveOutMessage(rear, WODM_SETVOLUME, 0xAE00BE00, 0), 0u);
    auto db = m_server->Db("sink", "quad");
    ASSERT_EQ(db.size(), 4u);
    EXPECT_NEAR(db[0], 0.0, 0.5);
    EXPECT_NEAR(db[1], 0.0, 0.5);
    EXPECT_NEAR(db[2], *cardcore::VolumeDb(0xBE00), 0.5);
    EXPECT_NEAR(db[3], *cardcore::VolumeDb(0xAE00), 0.5);
    // Muting one pair leaves the other sounding.
    ASSERT_EQ(waveOutMessage(rear, DRVM_OUT_SET_MUTE, 0xFFFFFFFF, 0), 0u);
    HWAVEOUT front = OpenOut("Korvalin Analog Out 1-2");
    EXPECT_EQ(Get(front, DRVM_OUT_GET_MUTE), 0u);
    EXPECT_NEAR(m_server->Db("sink", "quad")[0], 0.0, 0.5);
}

TEST_F(Messages, MessagesOnTheWrongDeviceOrWithBadValuesAreRefused) {
    Install();
    HWAVEOUT digital = OpenOut("Korvalin Digital Out I");
    HWAVEIN in = OpenIn("Korvalin Analog In 1-2");
    Block b(4);
    EXPECT_EQ(waveOutMessage(digital, WODM_SETVOLUME, 0, 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(waveOutMessage(digital, DRVM_OUT_GET_DEVNODE, b.vp(), 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(waveOutMessage(digital, DRVM_OUT_SET_SOURCE, 6, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutMessage(digital, DRVM_OUT_SET_DIGITAL_FORMAT, 2, 0), MMSYSERR_INVALPARAM);
    ASSERT_EQ(waveOutMessage(digital, DRVM_OUT_SET_DIGITAL_FORMAT, 1, 0), 0u);
    EXPECT_EQ(Get(digital, DRVM_OUT_GET_DIGITAL_STATUS), 1u);
    EXPECT_EQ(waveInMessage(in, DRVM_IN_SET_ROUTING, 0x00000105, 0), MMSYSERR_INVALPARAM); // CD on 1-2
    EXPECT_EQ(waveInMessage(in, DRVM_IN_GET_GAIN, 0x12345, 0), MMSYSERR_INVALPARAM);       // no block
    // Sound itself does not go through the card's devices.
    WAVEFORMATEX plain{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    HWAVEOUT h{};
    EXPECT_NE(waveOutOpen(&h, DeviceId(sys::WaveDir::Out, "Korvalin Analog Out 1-2"), &plain, 0, 0, 0), 0u);
}
