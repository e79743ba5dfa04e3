// What both card drivers share: the decibel law both ways, the configuration entry's command line and
// record, and the notice board.
#include "cardcore/Config.h"
#include "cardcore/Law.h"
#include "cardcore/Levels.h"
#include "cardcore/Naming.h"
#include "cardcore/Notices.h"
#include "system/sys.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace cardcore;
using krvl::kConfigRecordSize;

TEST(Law, EveryFaderPositionSurvivesTheWayToDecibelsAndBack) {
    // Input faders: positions 31 to 164, word = position << 8; position 128 is unity.
    for (int p = 0; p <= 255; ++p) {
        auto w = static_cast<WORD>(p << 8);
        EXPECT_EQ(GainWord(GainDb(w)), w) << p;
    }
    EXPECT_DOUBLE_EQ(GainDb(0xA400), 18.0);
    EXPECT_DOUBLE_EQ(GainDb(0x8000), 0.0);
    EXPECT_NEAR(GainFactor(0x8C00), std::pow(10.0, 6.0 / 20), 1e-12);
    EXPECT_EQ(GainWord(70), 0xFF00); // past the top position
    EXPECT_EQ(GainWord(-80), 0);

    // Output faders: positions 4 to 127, word = position << 9; the top is unity, nothing amplifies.
    for (int p = 1; p <= 127; ++p) {
        auto w = static_cast<WORD>(p << 9);
        ASSERT_TRUE(VolumeDb(w)) << p;
        EXPECT_EQ(VolumeWord(VolumeDb(w)), w) << p;
    }
    EXPECT_DOUBLE_EQ(*VolumeDb(0xFE00), 0.0);
    EXPECT_DOUBLE_EQ(*VolumeDb(0xFFFF), 0.0);
    EXPECT_NEAR(*VolumeDb(0xAE00), -20.0, 1e-9);
    EXPECT_FALSE(VolumeDb(0));
    EXPECT_EQ(VolumeFactor(0), 0.0);
    EXPECT_EQ(VolumeWord(std::nullopt), 0);
    EXPECT_EQ(VolumeWord(6.0), 0xFE00);
    EXPECT_EQ(VolumeWord(-200.0), 1); // very quiet is not silence
    EXPECT_EQ(ToLevel(-3), 0u);
    EXPECT_EQ(ToLevel(40000), 32767u);
}

TEST(Naming, NamesFollowTheCardsRules) {
    EXPECT_EQ(DeviceName(sys::WaveDir::In, 0, 0), "Korvalin Analog In 1-2");
    EXPECT_EQ(DeviceName(sys::WaveDir::Out, 1, 1), "Korvalin Analog Out 7-8");
    EXPECT_EQ(DeviceName(sys::WaveDir::Out, 3, 2), "Korvalin Digital Out IV");
    EXPECT_EQ(DeviceName(sys::WaveDir::In, 4, 0), "");
    EXPECT_EQ(DeviceName(sys::WaveDir::In, 0, 3), "");
}

TEST(ConfigEntry, TheCommandLineIsReadStrictlyButTheCompletionWordIsFoundAnyway) {
    auto c = ConfigCommand::Parse("KRVL.DRV,DriverConfig getconfig $00120000 #0013ABCD");
    EXPECT_TRUE(c.wellFormed);
    EXPECT_EQ(c.request, "getconfig");
    EXPECT_EQ(c.data, 0x00120000u);
    EXPECT_EQ(c.completion, 0x0013ABCDu);
    EXPECT_TRUE(ConfigCommand::Parse("krvl.drv,driverconfig getstates $00120000 #00130000").wellFormed);
    auto bad = ConfigCommand::Parse("KRVL.DRV,DriverConfig getconfig $0012000 #00130000");
    EXPECT_FALSE(bad.wellFormed);
    EXPECT_EQ(bad.completion, 0x00130000u);
    EXPECT_FALSE(ConfigCommand::Parse("OTHER.DRV,DriverConfig getconfig $00120000 #00130000").wellFormed);
    EXPECT_FALSE(ConfigCommand::Parse("KRVL.DRV,DriverConfig getconfig $00120000 #00130000 x").wellFormed);
    EXPECT_FALSE(ConfigCommand::Parse("").completion);
}

TEST(ConfigEntry, TheStoreAnswersTheRequestsAndTakesTheReleaseMark) {
    sys::ResetSystem();
    DWORD vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, kConfigRecordSize, nullptr);
    auto* p = static_cast<BYTE*>(WOWGetVDMPointerFix(vp, kConfigRecordSize, TRUE));
    ConfigStore store(2);
    auto at = [&](std::size_t offset) {
        LONG v;
        std::memcpy(&v, p + offset, 4);
        return v;
    };
    EXPECT_FALSE(store.Serve("getstates", vp, {1, 1, -24, 0, 0}, 1));
    EXPECT_EQ(at(0), 1);
    EXPECT_EQ(at(8), -24);
    EXPECT_FALSE(store.Serve("reconfigurable", vp, {}, 0));
    EXPECT_EQ(at(0), 0);
    EXPECT_FALSE(store.Serve("getconfig", vp, {}, 1));
    EXPECT_EQ(at(8), -1);      // card 1 is the master
    EXPECT_EQ(at(200 + 8), 0); // card 2 is not
    EXPECT_EQ(at(200 + 136), 44100);
    EXPECT_EQ(at(400 + 136), 0); // no third card
    LONG released = -1;
    std::memcpy(p, &released, 4);
    p[799] = 7;
    EXPECT_TRUE(store.Serve("setconfig", vp, {}, 1));
    EXPECT_TRUE(store.Released());
    EXPECT_EQ(store.Record()[0], 0); // the mark is not kept
    EXPECT_EQ(store.Record()[799], 7);
    EXPECT_FALSE(store.Serve("nonsense", vp, {}, 1));

    ConfigStore copy(0);
    ASSERT_TRUE(copy.FromHex(store.ToHex()));
    EXPECT_EQ(copy.Record(), store.Record());
    EXPECT_FALSE(copy.FromHex("00"));
    EXPECT_FALSE(copy.FromHex(std::string(1600, 'g')));
    EXPECT_EQ(copy.Record(), store.Record());
    WOWGetVDMPointerUnfix(vp);
    WOWGlobalUnlockFree16(vp);
}

TEST(Notices, RecordsArePostedToTheirWindowsByClassButNotToTheHandleThatMadeTheChange) {
    sys::ResetSystem();
    std::vector<std::pair<UINT, LPARAM>> got;
    HWND w = sys::CreateWindowHandle([&](HWND, UINT m, WPARAM, LPARAM lp) -> LRESULT {
        got.push_back({m, lp});
        return 0;
    });
    DWORD vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, 28, nullptr);
    auto* p = static_cast<BYTE*>(WOWGetVDMPointerFix(vp, 28, TRUE));
    auto fill = [&](int i, WORD cls, WORD msg, DWORD lParam) {
        WORD w16 = WOWHandle16(w, WOW_TYPE_HWND);
        std::memcpy(p + 14 * i, &cls, 2);
        std::memcpy(p + 14 * i + 2, &w16, 2);
        std::memcpy(p + 14 * i + 4, &msg, 2);
        std::memcpy(p + 14 * i + 6, &lParam, 4);
    };
    fill(0, 0x0100, WM_USER + 104, 0x10001);
    fill(1, 0x0200, WM_USER + 105, 0x10001);
    NoticeBoard board;
    EXPECT_EQ(board.Register(1, 1, 1, vp), 0u);
    EXPECT_EQ(board.Register(1, 1, 1, vp), 0u); // once
    EXPECT_EQ(board.Register(2, 1, 1, vp + 14), 0u);
    EXPECT_EQ(board.Register(2, 1, 1, 0x7FFF0000), MMSYSERR_INVALPARAM);
    EXPECT_EQ(board.List().size(), 2u);
    NoticeBoard::Post(board.Records(1, 1), 0x0100);
    NoticeBoard::Post(board.Records(1, 1, 2), 0x0200); // the only mute record is the changer's own
    NoticeBoard::Post(board.Records(0, 1), 0x0100);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], (std::pair<UINT, LPARAM>{WM_USER + 104, 0x10001}));
    EXPECT_EQ(board.Unregister(2, vp), MMSYSERR_INVALPARAM);
    board.DropHandle(2);
    EXPECT_EQ(board.List().size(), 1u);
    WOWGetVDMPointerUnfix(vp);
    WOWGlobalUnlockFree16(vp);
}

TEST(Levels, AReadAnswersThePeakSinceTheLastOneAndStartsAgain) {
    PeakSinceRead hold;
    hold.Fold(0, 100);
    hold.Fold(0, 50);
    hold.Fold({10, 20000.4});
    EXPECT_EQ(hold.Take(), (std::array<DWORD, 2>{100, 20000}));
    EXPECT_EQ(hold.Take(), (std::array<DWORD, 2>{0, 0}));
}
