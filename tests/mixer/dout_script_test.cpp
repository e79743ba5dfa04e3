// The digital output window through krvl-script on the emulated card's transcript. With two cards the
// wave-out devices are listed pair by pair: 0 and 1 Analog 1-2 of cards 1 and 2, 2 and 3 Analog 3-4,
// 4 and 5 Digital.
#include "tests/mixer/mixer_script.h"

using namespace mixer_script;
using testing_harness::Result;
using testing_harness::RunScript;

namespace {

const std::string kOpen = "start\ntray dblclick\ncheck Korvalin chkDigitalOutputs 1\n";
const std::string kWindow = "\"KV D-Out\"";

TEST(DigitalOutputs, PlayDigMetersTheOwnHandleAndPlay12OpensTwoWaveOutHandlesOnAnalog12) {
    Result r = RunScript(kOpen + "wait 300\nclick " + kWindow + " SpeedButton3\nwait 300\nshow " + kWindow +
                             " pnRoute12\n",
                         Cards(1), true);
    ASSERT_EQ(r.status, 0) << r.out;
    // One card: 0 Analog 1-2, 1 Analog 3-4, 2 Digital.
    std::string own = HandleOpenAt(r, 2, "out", "msg=0x400F");
    ASSERT_FALSE(own.empty()) << r.out;
    EXPECT_EQ(r.Count("handle=" + own + " dev=2 msg=0x4007"), 1) << r.out;
    EXPECT_GE(r.Count("handle=" + own + " dev=2 msg=0x4009"), 2) << r.out;
    EXPECT_EQ(r.Count("handle=" + own + " dev=2 msg=0x400B p1=0x00000000"), 1) << r.out;
    std::string source = HandleOpenAt(r, 0, "out", "dev=0 msg=0x4007");
    ASSERT_FALSE(source.empty()) << r.out;
    EXPECT_NE(source, own);
    EXPECT_EQ(r.Count("handle=" + source + " dev=0 msg=0x4007"), 1) << r.out;
    EXPECT_GE(r.Count("handle=" + source + " dev=0 msg=0x4009"), 2) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Play 1-2\" down=1 fontcolor=0xFF0000")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Play Dig\" down=0 fontcolor=0x80000012")) << r.out;
}

TEST(DigitalOutputs, ARouteNoticeNamesTheCardInItsHighWord) {
    Result r =
        RunScript(kOpen + "wait 10\npost " + kWindow + " 0x46A 0 0x00020000\nwait 10\n", Cards(3), true);
    ASSERT_EQ(r.status, 0) << r.out;
    // Three cards: the digital devices are 6, 7 and 8.
    std::string third = HandleOpenAt(r, 8, "out", "msg=0x400F");
    auto reads = Matching(r, "msg=0x400A");
    ASSERT_EQ(reads.size(), 3u + 1u) << r.out;
    EXPECT_NE(reads[3].find("handle=" + third + " dev=8 msg=0x400A"), std::string::npos) << reads[3];
}

TEST(DigitalOutputs, AesEbuOfCard2GoesToItsFirstHandleAndTurnsBlue) {
    Result r = RunScript(kOpen + "resize " + kWindow + " 400 600\nclick " + kWindow +
                             " SpeedButton7@2\nshow " + kWindow + " pnFormat\nemu state 2\n",
                         Cards(2), true);
    ASSERT_EQ(r.status, 0) << r.out;
    std::string first = HandleOpenAt(r, 5, "out", "msg=0x400F");
    auto sets = Matching(r, "msg=0x400E");
    ASSERT_EQ(sets.size(), 1u) << r.out;
    EXPECT_NE(sets[0].find("handle=" + first + " dev=5 msg=0x400E p1=0x00000001"), std::string::npos)
        << sets[0];
    EXPECT_TRUE(r.Has("SpeedButton7@2 TSpeedButton visible=1 enabled=1 bounds=0,16,53,17 caption=\"AES/EBU\" "
                      "down=1 fontcolor=0xFF0000"))
        << r.out;
    EXPECT_TRUE(r.Has("SpeedButton1@2 TSpeedButton visible=1 enabled=1 bounds=0,0,53,17 caption=\"S/PDIF\" "
                      "down=0 fontcolor=0x000000"))
        << r.out;
    EXPECT_TRUE(r.Has("SpeedButton1 TSpeedButton visible=1 enabled=1 bounds=0,0,53,17 caption=\"S/PDIF\" "
                      "down=1 fontcolor=0xFF0000"))
        << r.out;
    EXPECT_TRUE(r.Has("format=1")) << r.out;
}

TEST(DigitalOutputs, EachCardShowsItsOwnFormatAndARefusedReadLeavesTheButtons) {
    std::string scenario = R"({"cards": [{"format": 1}, {}, {"format": 1}], "persist": false,
        "faults": {"refuse": [{"card": 2, "msg": "0x400D"}]}})";
    Result r = RunScript(kOpen + "show " + kWindow + " pnFormat\n", scenario);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("SpeedButton7 TSpeedButton visible=1 enabled=1 bounds=0,16,53,17 caption=\"AES/EBU\" "
                      "down=1 fontcolor=0xFF0000"))
        << r.out;
    // Card 2 keeps the layout's state instead of card 1's format left in the block.
    EXPECT_TRUE(r.Has("SpeedButton7@2 TSpeedButton visible=1 enabled=1 bounds=0,16,53,17 caption=\"AES/EBU\" "
                      "down=0 fontcolor=0x000000"))
        << r.out;
    EXPECT_TRUE(r.Has("SpeedButton1@2 TSpeedButton visible=1 enabled=1 bounds=0,0,53,17 caption=\"S/PDIF\" "
                      "down=0 fontcolor=0x000000"))
        << r.out;
    EXPECT_TRUE(r.Has("SpeedButton7@3 TSpeedButton visible=1 enabled=1 bounds=0,16,53,17 caption=\"AES/EBU\" "
                      "down=1 fontcolor=0xFF0000"))
        << r.out;
}

TEST(DigitalOutputs, ScrollingTheStripsScrollsTheFormatStripAlong) {
    Result r = RunScript(kOpen + "scroll " + kWindow + " BottomScroller 80\nshow " + kWindow +
                             " pnFormat\nshow " + kWindow + " pnPlaybackSel\n",
                         Cards(3));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("Panel16 TPanel visible=1 enabled=1 bounds=-78,0,67,33")) << r.out;
    EXPECT_TRUE(r.Has("Panel16@2 TPanel visible=1 enabled=1 bounds=2,0,67,33")) << r.out;
    EXPECT_TRUE(r.Has("pnPlaybackSel TPanel visible=1 enabled=1 bounds=-80,4,235,101")) << r.out;
}

TEST(DigitalOutputs, TheWindowOpensNarrowAndFourCardsLimitItsWidth) {
    Result r = RunScript(kOpen + "windows\nresize " + kWindow + " 900 600\nwindows\nshow " + kWindow +
                             " pnNumbers\nshow " + kWindow + " pnRoute12@4\n",
                         Cards(4));
    ASSERT_EQ(r.status, 0) << r.out;
    Bounds opened = WindowBounds(r, "KV D-Out", 0), widest = WindowBounds(r, "KV D-Out", 1);
    EXPECT_EQ(opened.width, 97);
    EXPECT_EQ(opened.height, 483 + 16); // the strips do not fit: the scroll bar is there
    EXPECT_EQ(widest.width, 4 * 80 + 22);
    EXPECT_EQ(widest.height, 483);
    EXPECT_EQ(r.Count("caption=\"L\""), 4) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Play 13-14\"")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Rec 15-16\"")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Play Dig\"")) << r.out;
}

TEST(DigitalOutputs, HidingTheFormatMovesTheTopEdgeAndTheSettingsKeepTheirKeys) {
    Result r = RunScript(kOpen + "windows\ncheck " + kWindow + " chkFormat 0\nwindows\nclose " + kWindow +
                             "\nexit\nini\n",
                         Cards(1));
    ASSERT_EQ(r.status, 0) << r.out;
    Bounds full = WindowBounds(r, "KV D-Out", 0), hidden = WindowBounds(r, "KV D-Out", 1);
    EXPECT_EQ(hidden.height, full.height - 57);
    EXPECT_EQ(hidden.top, full.top + 57);
    EXPECT_EQ(SectionKeys(r, "KV D-Out"),
              "pnChecks chkPlaybackSel chkFormat chkPeakMeter Top Left Width Height Hints ")
        << r.out;
    EXPECT_TRUE(r.Has("chkFormat=0")) << r.out;
}

TEST(DigitalOutputs, ASourceChangeElsewhereMovesTheButtonAndARefusedOneKeepsIt) {
    std::string scenario = R"({"cards": [{}], "persist": false, "faults": {"refuse": [{"msg": "0x400B"}]}})";
    Result r = RunScript(kOpen + "wait 10\nemu set-source 1 2 1\nwait 10\nclick " + kWindow +
                             " SpeedButton8\nshow " + kWindow + " pnRoute12\n",
                         scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Rec 1-2\" down=1 fontcolor=0xFF0000")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Rec 3-4\" down=0")) << r.out;
    EXPECT_EQ(r.Count("msg=0x400B"), 1) << r.out; // only the refused click
    EXPECT_EQ(r.Count("drv open in dev=0"), 2) << r.out;
    EXPECT_EQ(r.Count("drv open in dev=1"), 0) << r.out;
}

TEST(DigitalOutputs, TheControlWindowOpensAndClosesTheWindow) {
    Result r = RunScript(kOpen + "windows\ncheck Korvalin chkDigitalOutputs 0\nwindows\n", Cards(2), true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("window caption=\"KV D-Out\" class=TfrmDigOut visible=1"), 1) << r.out;
    EXPECT_EQ(r.Count("window caption=\"KV D-Out\""), 1) << r.out;
    EXPECT_EQ(r.Count("msg=0x400F"), 2) << r.out; // one source notice per card
    EXPECT_EQ(r.Count("msg=0x4010"), 2) << r.out;
    EXPECT_EQ(r.Count("msg=0x4001"), 0) << r.out; // no mutes, no faders
    EXPECT_EQ(r.Count("msg=0x0010"), 0) << r.out;
}

} // namespace
