// Change notices: the driver posts a registered record's message to its window after every change of
// the record's class, reading the record where the program keeps it.
#include "EmuTest.h"

using namespace emu_test;
using namespace emu;

namespace {

struct Posted {
    HWND hwnd;
    UINT msg;
    LPARAM lParam;
};

class Notify : public EmuTest {
protected:
    // A window that records what reaches it.
    HWND Window() {
        return sys::CreateWindowHandle([this](HWND h, UINT m, WPARAM, LPARAM lp) -> LRESULT {
            m_posted.push_back({h, m, lp});
            return 0;
        });
    }
    std::vector<Posted> Drain() {
        m_posted.clear();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        return m_posted;
    }
    static void Fill(Block& b, DWORD index, WORD cls, HWND wnd, WORD msg, DWORD lParam) {
        BYTE* p = b.data() + index * kNotifyRecordSize;
        WORD w16 = WOWHandle16(wnd, WOW_TYPE_HWND);
        std::memcpy(p, &cls, 2);
        std::memcpy(p + 2, &w16, 2);
        std::memcpy(p + 4, &msg, 2);
        std::memcpy(p + 6, &lParam, 4);
    }

    std::vector<Posted> m_posted;
};

} // namespace

TEST_F(Notify, ExternalChangesPostTheRegisteredMessageOfTheirClass) {
    Install(Scenario::WithCards(2));
    HWND wnd = Window();
    // Card 2, Analog 3-4: volume, mute and source records, as the analog output window keeps them.
    HWAVEOUT h = OpenOut(1, 1);
    Block vol(112), mute(112), src(112);
    DWORD index = 1 * 2 + 1;
    Fill(vol, index, kNotifyVolume, wnd, WM_USER + 104, 1 << 16 | 1);
    Fill(mute, index, kNotifyMute, wnd, WM_USER + 105, 1 << 16 | 1);
    Fill(src, index, kNotifySource, wnd, WM_USER + 106, 1 << 16 | 1);
    for (Block* b : {&vol, &mute, &src})
        ASSERT_EQ(waveOutMessage(h, DRVM_OUT_REGISTER_NOTIFY, b->vp() + index * kNotifyRecordSize, 0), 0u);
    EXPECT_EQ(m_emu->Registrations().size(), 3u);

    ASSERT_EQ(m_emu->SetVolume(1, 1, 0x40004000), 0u);
    auto got = Drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].hwnd, wnd);
    EXPECT_EQ(got[0].msg, WM_USER + 104);
    EXPECT_EQ(got[0].lParam, 0x10001);

    ASSERT_EQ(m_emu->SetOutputMute(1, 1, 0xFFFF), 0u);
    ASSERT_EQ(m_emu->SetSource(1, 1, 3), 0u);
    got = Drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].msg, WM_USER + 105);
    EXPECT_EQ(got[1].msg, WM_USER + 106);

    // Other pairs and cards, classes without notices, and refused values post nothing.
    m_emu->SetVolume(1, 0, 0x1000);
    m_emu->SetVolume(0, 1, 0x1000);
    m_emu->SetGain(1, 1, 0x1000);
    EXPECT_EQ(m_emu->SetSource(1, 1, 9), MMSYSERR_INVALPARAM);
    EXPECT_TRUE(Drain().empty());

    // The record is read at the time of the notice: a changed lParam is what arrives.
    Fill(vol, index, kNotifyVolume, wnd, WM_USER + 104, 0x30002);
    m_emu->SetVolume(1, 1, 0x2000);
    got = Drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].lParam, 0x30002);

    // Withdrawn, nothing more arrives; withdrawing again is refused.
    DWORD vvp = vol.vp() + index * kNotifyRecordSize;
    EXPECT_EQ(waveOutMessage(h, DRVM_OUT_UNREGISTER_NOTIFY, vvp, 0), 0u);
    EXPECT_EQ(waveOutMessage(h, DRVM_OUT_UNREGISTER_NOTIFY, vvp, 0), MMSYSERR_INVALPARAM);
    m_emu->SetVolume(1, 1, 0x3000);
    EXPECT_TRUE(Drain().empty());
    waveOutClose(h);
    EXPECT_TRUE(m_emu->Registrations().empty()); // closing a handle withdraws its registrations
}

TEST_F(Notify, ChangesThroughAControlHandleNotifyTheOtherRegistrations) {
    Install(Scenario::WithCards(1));
    HWND w1 = Window(), w2 = Window();
    HWAVEOUT h1 = OpenOut(0, 2), h2 = OpenOut(0, 2);
    Block r1(14), r2(14);
    Fill(r1, 0, kNotifySource, w1, WM_USER + 106, 0);
    Fill(r2, 0, kNotifySource, w2, WM_USER + 106, 0);
    waveOutMessage(h1, DRVM_OUT_REGISTER_NOTIFY, r1.vp(), 0);
    waveOutMessage(h2, DRVM_OUT_REGISTER_NOTIFY, r2.vp(), 0);

    ASSERT_EQ(waveOutMessage(h1, DRVM_OUT_SET_SOURCE, 1, 0), 0u);
    auto got = Drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].hwnd, w2);

    // An external change reaches both; a freed record is passed over.
    r2.Free();
    m_emu->SetSource(0, 2, 4);
    got = Drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].hwnd, w1);
    waveOutClose(h1);
    waveOutClose(h2);
}

TEST_F(Notify, ScenarioCanSwitchOffNoticesForControlHandleChanges) {
    InstallJson(R"({"cards": [{}], "notify_control_changes": false})");
    HWND w = Window();
    HWAVEOUT h1 = OpenOut(0, 0), h2 = OpenOut(0, 0);
    Block r(14);
    Fill(r, 0, kNotifyVolume, w, WM_USER + 104, 0);
    waveOutMessage(h1, DRVM_OUT_REGISTER_NOTIFY, r.vp(), 0);
    waveOutMessage(h2, WODM_SETVOLUME, 0x10001000, 0);
    EXPECT_TRUE(Drain().empty());
    m_emu->SetVolume(0, 0, 0x20002000);
    EXPECT_EQ(Drain().size(), 1u);
    waveOutClose(h1);
    waveOutClose(h2);
}
