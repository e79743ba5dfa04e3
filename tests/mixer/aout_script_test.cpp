// The analog output window through krvl-script on the emulated card's transcript. With two cards the
// wave-out devices are listed pair by pair: 0 and 1 Analog 1-2 of cards 1 and 2, 2 and 3 Analog 3-4,
// 4 and 5 Digital; the wave-in devices likewise.
#include "tests/mixer/mixer_script.h"

using namespace mixer_script;
using testing_harness::Result;
using testing_harness::RunScript;

namespace {

const std::string kOpen = "start\ntray dblclick\ncheck Korvalin chkAnalogOutputs 1\n";
const std::string kWindow = "\"KRV Ana. Output\"";

// Transcript lines from the first one holding after onwards.
std::vector<std::string> After(const Result& r, const std::string& after, const std::string& needle) {
    std::vector<std::string> found;
    bool on = false;
    for (const auto& l : r.lines) {
        if (!on && l.find(after) != std::string::npos) on = true;
        if (on && l.find(needle) != std::string::npos) found.push_back(l);
    }
    return found;
}

TEST(AnalogOutputs, ALinkedLeftFaderAt64SendsOneVolumeWordForBothChannels) {
    // 63 steps of 100/123 pixels down from the top.
    Result r =
        RunScript(kOpen + "drag " + kWindow + " Slider0 51\nshow " + kWindow + " pnSlider12\n", "", true);
    ASSERT_EQ(r.status, 0) << r.out;
    std::string own = HandleOpenAt(r, 0, "out", "msg=0x400F");
    auto sets = Matching(r, "msg=0x0011");
    ASSERT_EQ(sets.size(), 1u) << r.out;
    EXPECT_NE(sets[0].find("handle=" + own + " dev=0 msg=0x0011 p1=0x80008000"), std::string::npos)
        << sets[0];
    EXPECT_TRUE(r.Has("Slider1 TSlider visible=1 enabled=1 bounds=36,12,4,112 position=64")) << r.out;
}

TEST(AnalogOutputs, DriverVolumesBecomeFaderPositionsAndRefusedReadsLeaveTheFader) {
    std::string scenario = R"({"cards": [{"volume": ["0x07FFFFFF", "0x00000800"]}], "persist": false})";
    Result r = RunScript(kOpen + "show " + kWindow + " pnSliders\n", scenario);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("Slider0 TSlider visible=1 enabled=1 bounds=12,12,4,112 position=127")) << r.out;
    EXPECT_TRUE(r.Has("Slider1 TSlider visible=1 enabled=1 bounds=36,12,4,112 position=4")) << r.out;
    EXPECT_TRUE(r.Has("Slider2 TSlider visible=1 enabled=1 bounds=12,12,4,112 position=4")) << r.out;
    EXPECT_TRUE(r.Has("Slider3 TSlider visible=1 enabled=1 bounds=36,12,4,112 position=4")) << r.out;

    Result refused = RunScript(kOpen + "show " + kWindow + " pnSliders\n",
                               R"({"cards": [{"volume": ["0x40004000", "0x40004000"]}], "persist": false,
                                   "faults": {"refuse": [{"msg": "0x0010"}]}})");
    ASSERT_EQ(refused.status, 0) << refused.out;
    EXPECT_EQ(refused.Count("position=127"), 4) << refused.out; // the layout's position stays
}

TEST(AnalogOutputs, NoticesFromAnotherProgramMoveTheControlsAndTheMeteringWithoutSendingBack) {
    Result r = RunScript(kOpen +
                             "wait 200\nemu set-volume 1 1 0x00008000 0x00004000\nemu set-mute 1 1 0 1\n"
                             "emu set-source 1 0 3\nwait 300\nshow " +
                             kWindow + " Panel5\nshow " + kWindow + " pnRoute12\n",
                         Cards(1), true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("Slider2 TSlider visible=1 enabled=1 bounds=12,12,4,112 position=64")) << r.out;
    EXPECT_TRUE(r.Has("Slider3 TSlider visible=1 enabled=1 bounds=36,12,4,112 position=32")) << r.out;
    EXPECT_TRUE(
        r.Has("SpeedButton1 TSpeedButton visible=1 enabled=1 bounds=4,134,20,16 caption=\"M\" down=0"))
        << r.out;
    EXPECT_TRUE(
        r.Has("SpeedButton2 TSpeedButton visible=1 enabled=1 bounds=28,134,20,16 caption=\"M\" down=1"))
        << r.out;
    EXPECT_TRUE(r.Has("caption=\"Rec 3-4\" down=1 fontcolor=0xFF0000")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Play 1-2\" down=0 fontcolor=0x80000012")) << r.out;
    for (const char* set : {"msg=0x0011", "msg=0x4002", "msg=0x400B"})
        EXPECT_EQ(r.Count(set), 0) << set << "\n" << r.out;
    // Card 1's Analog 3-4 record input (wave-in device 1 with one card) is now metered.
    std::string source = FirstHandleOn(r, 1, "in");
    ASSERT_FALSE(source.empty()) << r.out;
    EXPECT_EQ(r.Count("drv open in dev=1"), 2) << r.out;
    EXPECT_EQ(r.Count("handle=" + source + " dev=1 msg=0x4038"), 1) << r.out;
    EXPECT_GT(r.Count("handle=" + source + " dev=1 msg=0x403A"), 0) << r.out;
}

TEST(AnalogOutputs, ClickingTheSelectedSourceAgainSendsItButOpensNothing) {
    Result r = RunScript(kOpen + "wait 10\nclick " + kWindow + " SpeedButton3\nwait 300\n", Cards(1), true);
    ASSERT_EQ(r.status, 0) << r.out;
    auto sets = Matching(r, "msg=0x400B");
    ASSERT_EQ(sets.size(), 1u) << r.out;
    EXPECT_NE(sets[0].find("dev=0 msg=0x400B p1=0x00000000 result=0"), std::string::npos) << sets[0];
    EXPECT_TRUE(After(r, "msg=0x400B", "drv open").empty()) << r.out;
    EXPECT_EQ(r.Count("msg=0x4008"), 2) << r.out; // only the close switches the meters off
}

TEST(AnalogOutputs, Rec34ForOutput12MetersTheRecordInputAndPlay12ReturnsToTheOwnPlayback) {
    // Only card 1's Analog 3-4 input carries a signal: output 1-2's meters light only while it is routed.
    std::string scenario = R"({"cards": [{"signals": {"in": [null, {"type": "sine", "level": 32767}],
        "out": [null, null, null]}}], "persist": false})";
    Result r = RunScript(kOpen + "wait 300\nshow " + kWindow + " Meter1\nclick " + kWindow +
                             " SpeedButton7\nwait 300\nshow " + kWindow + " Meter1\nshow " + kWindow +
                             " pnRoute12\nclick " + kWindow + " SpeedButton3\nwait 300\n",
                         scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    auto meter = Matching(r, "Meter1 TLevelMeter");
    ASSERT_EQ(meter.size(), 2u) << r.out;
    EXPECT_NE(meter[0].find("lit=0"), std::string::npos) << meter[0];
    EXPECT_NE(meter[1].find("lit=39"), std::string::npos) << meter[1]; // all but the top lamp
    EXPECT_TRUE(r.Has("caption=\"Rec 3-4\" down=1 fontcolor=0xFF0000")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Play 1-2\" down=0 fontcolor=0x80000012")) << r.out;

    std::string own = HandleOpenAt(r, 0, "out", "msg=0x400F");
    std::string source = FirstHandleOn(r, 1, "in");
    ASSERT_FALSE(source.empty()) << r.out;
    EXPECT_EQ(r.Count("drv open in dev=1"), 2) << r.out;
    auto sends = Matching(r, "msg=0x400B");
    ASSERT_EQ(sends.size(), 2u) << r.out;
    EXPECT_NE(sends[0].find("handle=" + own + " dev=0 msg=0x400B p1=0x00000003"), std::string::npos);
    // Off on the own playback, on on the record input, read with the wave-in message.
    EXPECT_EQ(Matching(r, "handle=" + own + " dev=0 msg=0x4008").size(), 2u) << r.out; // and at the close
    EXPECT_GT(After(r, "p1=0x00000003", "handle=" + source + " dev=1 msg=0x403A").size(), 0u) << r.out;
    // Back to "Play 1-2": the record input is switched off and closed, the own playback read again.
    auto back = After(r, "msg=0x400B p1=0x00000000", "drv");
    ASSERT_GE(back.size(), 5u) << r.out;
    EXPECT_NE(back[1].find("handle=" + source + " dev=1 msg=0x4039"), std::string::npos) << back[1];
    EXPECT_EQ(After(r, "msg=0x400B p1=0x00000000", "drv close in").size(), 2u) << r.out;
    EXPECT_EQ(After(r, "msg=0x400B p1=0x00000000", "handle=" + own + " dev=0 msg=0x4007").size(), 1u);
    EXPECT_GT(After(r, "msg=0x400B p1=0x00000000", "handle=" + own + " dev=0 msg=0x4009").size(), 0u);
    EXPECT_EQ(After(r, "msg=0x400B p1=0x00000000", "msg=0x403A").size(), 0u) << r.out;
}

TEST(AnalogOutputs, AnOutputPlayingAnotherDeviceFromTheStartIsMeteredThere) {
    // Output 3-4 plays Analog 1-2's playback before the window opens.
    std::string scenario = R"({"cards": [{"source": [0, 0]}], "persist": false})";
    Result r = RunScript(kOpen + "wait 300\nshow " + kWindow + " pnRoute34\n", scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("SpeedButton9 TSpeedButton visible=1 enabled=1 bounds=0,0,53,17 caption=\"Play 1-2\" "
                      "down=1 fontcolor=0xFF0000"))
        << r.out;
    // Two control opens of the window itself on device 0, then the two source handles of output 3-4.
    EXPECT_EQ(r.Count("drv open out dev=0"), 1 + 4) << r.out; // with the start-up's devnode read
    EXPECT_EQ(r.Count("msg=0x400B"), 0) << r.out;
    std::vector<std::string> opens = Matching(r, "drv open out dev=0");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(opens[3], m, std::regex("handle=([0-9A-F]+)"))) << opens[3];
    EXPECT_EQ(r.Count("handle=" + std::string(m[1]) + " dev=0 msg=0x4007"), 1) << r.out;
    EXPECT_GT(r.Count("handle=" + std::string(m[1]) + " dev=0 msg=0x4009"), 0) << r.out;
}

TEST(AnalogOutputs, MutingTheRightChannelOfCard2Output34GoesToThatPairsFirstHandle) {
    Result r = RunScript(kOpen + "resize " + kWindow + " 400 700\nclick " + kWindow +
                             " SpeedButton2@2\nshow " + kWindow + " SpeedButton2@2\n",
                         "", true);
    ASSERT_EQ(r.status, 0) << r.out;
    std::string first = HandleOpenAt(r, 3, "out", "msg=0x400F");
    ASSERT_FALSE(first.empty()) << r.out;
    auto sets = Matching(r, "msg=0x4002");
    ASSERT_EQ(sets.size(), 1u) << r.out;
    EXPECT_NE(sets[0].find("handle=" + first + " dev=3 msg=0x4002 p1=0xFFFF0000"), std::string::npos)
        << sets[0];
    auto shown = Matching(r, "SpeedButton2@2 TSpeedButton");
    ASSERT_EQ(shown.size(), 1u) << r.out;
    EXPECT_NE(shown[0].find("caption=\"M\" down=1"), std::string::npos) << shown[0];
    EXPECT_NE(shown[0].find("hint=\"Stummschaltung Kanal 8 An/Aus\""), std::string::npos) << shown[0];
}

TEST(AnalogOutputs, ARefusedSourceChangePressesThePreviousButtonAgain) {
    std::string scenario = R"({"cards": [{}], "persist": false, "faults": {"refuse": [{"msg": "0x400B"}]}})";
    Result r = RunScript(kOpen + "wait 10\nclick " + kWindow + " SpeedButton7\nwait 300\nshow " + kWindow +
                             " pnRoute12\n",
                         scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("msg=0x400B"), 1) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Play 1-2\" down=1 fontcolor=0xFF0000")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Rec 3-4\" down=0 fontcolor=0x80000012")) << r.out;
    EXPECT_EQ(r.Count("drv open in"), 0) << r.out;
    EXPECT_EQ(r.Count("msg=0x403A"), 0) << r.out;
}

TEST(AnalogOutputs, CopiesCarryTheirCardsNumbersNamesAndHintsAndThreeCardsLimitTheWidth) {
    Result r =
        RunScript(kOpen + "resize " + kWindow + " 900 700\nwindows\nshow " + kWindow + " pnRoute34@3\nshow " +
                      kWindow + " Panel5@2\nshow " + kWindow + " pnNumbers\nshow " + kWindow + " pnChecks\n",
                  Cards(3));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(WindowBounds(r, "KRV Ana. Output", 0).width, 3 * 160 + 22);
    EXPECT_TRUE(
        r.Has("SpeedButton9@3 TSpeedButton visible=1 enabled=1 bounds=0,0,53,17 caption=\"Play 9-10\""))
        << r.out;
    EXPECT_TRUE(r.Has("caption=\"Rec 11-12\"")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Rec Dig.\"")) << r.out;
    EXPECT_TRUE(r.Has("chkLink34@2 TCheckBox name=chkLink78 ")) << r.out;
    EXPECT_TRUE(r.Has("hint=\"Verbinde/Trenne Fader 7-8\"")) << r.out;
    EXPECT_TRUE(r.Has("Slider3@2 TSlider name=Slider7 ")) << r.out;
    EXPECT_TRUE(r.Has("hint=\"Stummschaltung Kanal 7 An/Aus\"")) << r.out;
    EXPECT_TRUE(r.Has("Label68@3 TLabel visible=1 enabled=1 bounds=428,3,20,14 caption=\"12\"")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"&Fader\" checked=1 hint=\"Zeige/Verdecke Fader Bereich\"")) << r.out;

    Result one = RunScript(kOpen + "resize " + kWindow + " 900 700\nwindows\n", Cards(1));
    EXPECT_EQ(WindowBounds(one, "KRV Ana. Output", 0).width, 160 + 22);
    EXPECT_EQ(WindowBounds(one, "KRV Ana. Output", 0).height, 602);
}

TEST(AnalogOutputs, TheSettingsSectionHoldsTheBoxesAndEveryLinkBoxUnderItsName) {
    Result r = RunScript(kOpen + "resize " + kWindow + " 400 700\ncheck " + kWindow + " chkLink78 0\nclose " +
                             kWindow + "\nexit\nini\n",
                         Cards(2));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(SectionKeys(r, "KRV Ana. Output"), "pnChecks chkPlaybackSel chkPeakMeter chkSlider chkLink12 "
                                                 "chkLink34 chkLink56 chkLink78 Top Left Width Height Hints ")
        << r.out;
    EXPECT_TRUE(r.Has("chkLink78=0")) << r.out;
}

TEST(AnalogOutputs, HidingTheFadersKeepsTheBottomEdgeAndTheCheckBoxPanelTheTopEdge) {
    Result r = RunScript(kOpen + "windows\ncheck " + kWindow + " chkSlider 0\nwindows\nsysmenu " + kWindow +
                             " \"Fenstersteuerung anzeigen\"\nwait 10\nwindows\n",
                         Cards(1));
    ASSERT_EQ(r.status, 0) << r.out;
    Bounds full = WindowBounds(r, "KRV Ana. Output", 0), hidden = WindowBounds(r, "KRV Ana. Output", 1),
           noChecks = WindowBounds(r, "KRV Ana. Output", 2);
    EXPECT_EQ(full.height, 602);
    EXPECT_EQ(hidden.height, 602 - 180);
    EXPECT_EQ(hidden.Bottom(), full.Bottom());
    EXPECT_EQ(noChecks.top, hidden.top);
    EXPECT_LT(noChecks.height, hidden.height);
}

TEST(AnalogOutputs, SecTimerReadsEverySourceOnceASecondUntilTheWindowCloses) {
    Result r = RunScript(kOpen + "wait 3050\nclose " + kWindow + "\nwait 3000\n", Cards(2), true);
    ASSERT_EQ(r.status, 0) << r.out;
    // Four pairs read at the show and at each of three seconds; none after the close.
    EXPECT_EQ(r.Count("msg=0x400A"), 4 + 3 * 4) << r.out;
    EXPECT_TRUE(After(r, "msg=0x4010", "msg=0x400A").empty()) << r.out;
}

TEST(AnalogOutputs, TheControlWindowOpensAndClosesTheWindowWithItsRegistrations) {
    Result r = RunScript(kOpen + "windows\ncheck Korvalin chkAnalogOutputs 0\nwindows\n", Cards(2), true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("window caption=\"KRV Ana. Output\" class=TfrmAnalogOut visible=1"), 1) << r.out;
    EXPECT_EQ(r.Count("window caption=\"KRV Ana. Output\""), 1) << r.out; // gone after unchecking
    // Volume, mute and source for each of the four pairs, in that order per pair, and all withdrawn.
    auto registered = Matching(r, "msg=0x400F");
    ASSERT_EQ(registered.size(), 12u) << r.out;
    EXPECT_EQ(r.Count("msg=0x4010"), 12) << r.out;
    EXPECT_EQ(After(r, "window caption=\"KRV Ana. Output\"", "drv close out").size(), 8u) << r.out;
}

TEST(AnalogOutputs, ARefusedSourceReadAtTheShowLeavesTheWindowWithoutDriverWork) {
    std::string scenario = R"({"cards": [{}], "persist": false, "faults": {"refuse": [{"msg": "0x400A"}]}})";
    Result r = RunScript(kOpen + "wait 2000\nwindows\nmenu " + kWindow + "\n", scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("msg=0x400A"), 1) << r.out; // the first refusal ends the reads; no timer follows
    EXPECT_EQ(r.Count("msg=0x4001"), 0) << r.out;
    EXPECT_EQ(r.Count("msg=0x4007"), 0) << r.out;
    EXPECT_EQ(r.Count("menu \" Info...\""), 0) << r.out;
    EXPECT_EQ(WindowBounds(r, "KRV Ana. Output", 0).height, 606); // the layout's, without limits
}

TEST(AnalogOutputs, AnUnknownSourceAtTheShowIsReportedAndTheWindowGoesWithItsHandles) {
    std::string scenario = R"({"cards": [{"source": [7]}], "persist": false})";
    Result r = RunScript(kOpen + "wait 10\nwindows\nshow Korvalin chkAnalogOutputs\n", scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("text=\"EnableDevLeveling: Invalid RouteType.\"")) << r.out;
    EXPECT_EQ(r.Count("window caption=\"KRV Ana. Output\""), 0) << r.out;
    EXPECT_TRUE(r.Has("checked=0")) << r.out;
    EXPECT_EQ(r.Count("drv close out"), r.Count("drv open out")) << r.out;
}

} // namespace
