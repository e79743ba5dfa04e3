// The driver message table: record layouts, control opens, and refusal of what the driver cannot do.
#include "EmuTest.h"

using namespace emu_test;
using namespace emu;

namespace {

class Messages : public EmuTest {
protected:
    void SetUp() override {
        EmuTest::SetUp();
        Install();
    }
};

} // namespace

TEST_F(Messages, ControlOpensAreUnlimitedAndPlainOpensFollowBusy) {
    UINT dev = DeviceOf(sys::WaveDir::Out, 1, 0);
    std::vector<HWAVEOUT> handles;
    for (int i = 0; i < 6; ++i)
        handles.push_back(OpenOut(dev));
    EXPECT_EQ(m_emu->Handles().size(), 6u);

    WAVEFORMATEX plain = PlainFormat();
    HWAVEOUT p{};
    ASSERT_EQ(waveOutOpen(&p, dev, &plain, 0, 0, 0), 0u);
    EXPECT_FALSE(m_emu->Handles().back().control);
    EXPECT_EQ(waveOutClose(p), 0u);

    m_emu->SetBusy(1, true);
    EXPECT_EQ(waveOutOpen(&p, dev, &plain, 0, 0, 0), MMSYSERR_ALLOCATED);
    handles.push_back(OpenOut(dev)); // control opens still work while busy
    WAVEFORMATEX bad = plain;
    bad.wBitsPerSample = 12;
    m_emu->SetBusy(1, false);
    EXPECT_EQ(waveOutOpen(&p, dev, &bad, 0, 0, 0), WAVERR_BADFORMAT);
    for (auto h : handles)
        EXPECT_EQ(waveOutClose(h), 0u);
    EXPECT_TRUE(m_emu->Handles().empty());
}

TEST_F(Messages, AnalogOutputRecords) {
    HWAVEOUT h = OpenOut(0, 1);
    Block b(4);
    // Defaults: top fader position, not muted, the pair plays itself.
    ASSERT_EQ(waveOutMessage(h, WODM_GETVOLUME, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0xFE00FE00u);
    ASSERT_EQ(waveOutMessage(h, DRVM_OUT_GET_SOURCE, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 2u);

    EXPECT_EQ(waveOutMessage(h, WODM_SETVOLUME, 0x80000800, 0), 0u);
    ASSERT_EQ(waveOutMessage(h, WODM_GETVOLUME, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0x80000800u);
    EXPECT_EQ(m_emu->Card(0).volume[1], 0x80000800u);
    EXPECT_EQ(m_emu->Card(0).volume[0], 0xFE00FE00u);

    EXPECT_EQ(waveOutMessage(h, DRVM_OUT_SET_MUTE, 0xFFFF0000, 0), 0u);
    ASSERT_EQ(waveOutMessage(h, DRVM_OUT_GET_MUTE, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0xFFFF0000u);

    EXPECT_EQ(waveOutMessage(h, DRVM_OUT_SET_SOURCE, 5, 0), 0u);
    ASSERT_EQ(waveOutMessage(h, DRVM_OUT_GET_SOURCE, b.vp(), 0), 0u);
    EXPECT_EQ(b.data()[0], 5);
    EXPECT_EQ(waveOutMessage(h, DRVM_OUT_SET_SOURCE, 6, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(m_emu->Card(0).source[1], 5u);

    // Digital status and devnode belong to other devices of the card.
    EXPECT_EQ(waveOutMessage(h, DRVM_OUT_GET_DIGITAL_STATUS, b.vp(), 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(waveOutMessage(h, DRVM_OUT_GET_DEVNODE, b.vp(), 0), MMSYSERR_NOTSUPPORTED);
    HWAVEOUT first = OpenOut(1, 0);
    ASSERT_EQ(waveOutMessage(first, DRVM_OUT_GET_DEVNODE, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0x1001u);
    waveOutClose(first);
    waveOutClose(h);
}

TEST_F(Messages, DigitalOutputStatusCarriesFormatAndExtendedConnectors) {
    Block b(4);
    HWAVEOUT d0 = OpenOut(0, 2), d1 = OpenOut(1, 2);
    ASSERT_EQ(waveOutMessage(d0, DRVM_OUT_GET_DIGITAL_STATUS, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 2u); // S/PDIF, extended connectors
    ASSERT_EQ(waveOutMessage(d1, DRVM_OUT_GET_DIGITAL_STATUS, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0u);
    EXPECT_EQ(waveOutMessage(d1, DRVM_OUT_SET_DIGITAL_FORMAT, 1, 0), 0u);
    ASSERT_EQ(waveOutMessage(d1, DRVM_OUT_GET_DIGITAL_STATUS, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 1u);
    EXPECT_EQ(waveOutMessage(d1, DRVM_OUT_SET_DIGITAL_FORMAT, 2, 0), MMSYSERR_INVALPARAM);
    // No volume or mute on the digital output.
    EXPECT_EQ(waveOutMessage(d1, WODM_GETVOLUME, b.vp(), 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(waveOutMessage(d1, DRVM_OUT_SET_MUTE, 0, 0), MMSYSERR_NOTSUPPORTED);
    waveOutClose(d0);
    waveOutClose(d1);
}

TEST_F(Messages, InputGainMuteAndRoutingRecords) {
    HWAVEIN a = OpenIn(0, 1);
    Block b(4);
    ASSERT_EQ(waveInMessage(a, DRVM_IN_GET_GAIN, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0x80008000u);
    EXPECT_EQ(waveInMessage(a, DRVM_IN_SET_GAIN, 0xA4001F00, 0), 0u);
    ASSERT_EQ(waveInMessage(a, DRVM_IN_GET_GAIN, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0xA4001F00u);
    EXPECT_EQ(waveInMessage(a, DRVM_IN_SET_MUTE, 0x0000FFFF, 0), 0u);
    ASSERT_EQ(waveInMessage(a, DRVM_IN_GET_MUTE, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0x0000FFFFu);

    // Routing: byte 0 source, byte 1 monitor pair, byte 2 mode, byte 3 kept as sent.
    ASSERT_EQ(waveInMessage(a, DRVM_IN_GET_ROUTING, b.vp(), 0), 0u);
    EXPECT_EQ(b.data()[0], kSourceLine);
    EXPECT_EQ(b.data()[1], 2);
    EXPECT_EQ(b.data()[2], 0);
    EXPECT_EQ(waveInMessage(a, DRVM_IN_SET_ROUTING, 0x7F020305, 0), 0u);
    ASSERT_EQ(waveInMessage(a, DRVM_IN_GET_ROUTING, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 0x7F020305u);
    EXPECT_EQ(waveInMessage(a, DRVM_IN_SET_ROUTING, 0x00000402, 0), MMSYSERR_INVALPARAM); // monitor pair 4
    EXPECT_EQ(waveInMessage(a, DRVM_IN_SET_ROUTING, 0x00030201, 0), MMSYSERR_INVALPARAM); // mode 3, optical
    EXPECT_EQ(m_emu->Card(0).routing[1], 0x7F020305u);

    // Analog 1-2 has no CD input; the digital input has XLR and coaxial only with extended connectors.
    HWAVEIN a0 = OpenIn(0, 0), d0 = OpenIn(0, 2), d1 = OpenIn(1, 2);
    EXPECT_EQ(waveInMessage(a0, DRVM_IN_SET_ROUTING, 0x00000105, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInMessage(d0, DRVM_IN_SET_ROUTING, 0x00010304, 0), 0u);
    EXPECT_EQ(waveInMessage(d1, DRVM_IN_SET_ROUTING, 0x00010304, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInMessage(d1, DRVM_IN_SET_ROUTING, 0x00010303, 0), 0u);
    EXPECT_EQ(waveInMessage(d1, DRVM_IN_GET_GAIN, b.vp(), 0), MMSYSERR_NOTSUPPORTED);
    for (auto h : {a, a0, d0, d1})
        waveInClose(h);
}

TEST_F(Messages, BadAddressesWrongDevicesAndUnknownMessagesTouchNothing) {
    HWAVEOUT out = OpenOut(0, 0);
    HWAVEIN in = OpenIn(0, 0);
    Block small(2), level(4), freed(4);
    DWORD dangling = freed.vp();
    freed.Free();
    small.data()[0] = 0xAB;
    for (DWORD_PTR bad : {DWORD_PTR{0}, DWORD_PTR{small.vp()}, DWORD_PTR{dangling}, DWORD_PTR{0x12340000},
                          DWORD_PTR{small.vp() + 1}, DWORD_PTR{0x1234567800000000ull}}) {
        EXPECT_EQ(waveOutMessage(out, WODM_GETVOLUME, bad, 0), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutMessage(out, DRVM_OUT_GET_DEVNODE, bad, 0), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveInMessage(in, DRVM_IN_GET_ROUTING, bad, 0), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutMessage(out, DRVM_OUT_REGISTER_NOTIFY, bad, 0), MMSYSERR_INVALPARAM);
    }
    EXPECT_EQ(small.data()[0], 0xAB);
    // An 8-byte level record does not fit in 4 bytes.
    EXPECT_EQ(waveInMessage(in, DRVM_IN_GET_LEVELS, level.vp(), 0), MMSYSERR_INVALPARAM);
    EXPECT_TRUE(m_emu->Registrations().empty());

    // Messages of the other direction, and unknown numbers.
    EXPECT_EQ(waveInMessage(in, WODM_GETVOLUME, level.vp(), 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(waveOutMessage(out, DRVM_IN_SET_GAIN, 0, 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(waveOutMessage(out, DRV_USER + 99, level.vp(), 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(level.U32(), 0u);
    EXPECT_EQ(waveOutMessage(out, WODM_SETVOLUME, 0x1FFFFFFFFull, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(m_emu->Card(0).gain[0], 0x80008000u);
    EXPECT_EQ(m_emu->Card(0).volume[0], 0xFE00FE00u);
    waveOutClose(out);
    waveInClose(in);
}

TEST_F(Messages, TranscriptRecordsOpensMessagesAndCloses) {
    m_emu->ClearTranscript();
    UINT dev = DeviceOf(sys::WaveDir::Out, 0, 0);
    HWAVEOUT h = OpenOut(dev);
    Block b(4);
    waveOutMessage(h, WODM_GETVOLUME, b.vp(), 0);
    waveOutMessage(h, DRVM_IN_GET_GAIN, 0, 0);
    waveOutClose(h);
    HWAVEIN none{};
    ControlFormat f;
    waveInOpen(&none, 99, &f.wfx, 0, 0, 0); // the system refuses it; the driver never sees it
    char vp[16];
    std::snprintf(vp, sizeof vp, "%08X", b.vp());
    std::vector<std::string> expected{
        "open out dev=" + std::to_string(dev) + " handle=1 ctrl=1 result=0",
        "msg out handle=1 dev=" + std::to_string(dev) + " msg=0x0010 p1=0x" + vp + " result=0",
        "msg out handle=1 dev=" + std::to_string(dev) + " msg=0x4032 p1=0x00000000 result=8",
        "close out handle=1 result=0",
    };
    EXPECT_EQ(m_emu->Transcript(), expected);

    std::vector<std::string> sunk;
    m_emu->SetTranscriptSink([&](const std::string& line) { sunk.push_back(line); });
    WAVEFORMATEX plain = PlainFormat();
    HWAVEIN p{};
    ASSERT_EQ(waveInOpen(&p, 0, &plain, 0, 0, 0), 0u);
    waveInClose(p);
    ASSERT_EQ(sunk.size(), 2u);
    EXPECT_EQ(sunk[0], "open in dev=0 handle=2 ctrl=0 result=0");
}

TEST_F(Messages, RefusedMessagesAndFailingOpensFromTheScenario) {
    m_emu->Uninstall();
    InstallJson(R"({"cards": [{}, {}],
                    "faults": {"refuse": [{"card": 2, "msg": 16}, {"msg": "0x403A"}],
                               "fail_open": [{"card": 1, "pair": 2, "direction": "in"}]}})");
    Block b(8);
    HWAVEOUT c1 = OpenOut(0, 0), c2 = OpenOut(1, 0);
    EXPECT_EQ(waveOutMessage(c1, WODM_GETVOLUME, b.vp(), 0), 0u);
    EXPECT_EQ(waveOutMessage(c2, WODM_GETVOLUME, b.vp(), 0), MMSYSERR_ERROR);
    HWAVEIN i2 = OpenIn(1, 1);
    EXPECT_EQ(waveInMessage(i2, DRVM_IN_GET_LEVELS, b.vp(), 0), MMSYSERR_ERROR);
    HWAVEIN h{};
    ControlFormat f;
    EXPECT_EQ(waveInOpen(&h, DeviceOf(sys::WaveDir::In, 0, 2), &f.wfx, 0, 0, 0), MMSYSERR_ERROR);
    EXPECT_EQ(h, nullptr);
    OpenIn(1, 2);
    EXPECT_EQ(m_emu->Handles().size(), 4u);
}
