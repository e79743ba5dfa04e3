// The analog input window and its frame, driven through krvl-script on the emulated card's transcript.
#include "tests/mixer/mixer_script.h"

using mixer_script::Bounds;
using mixer_script::Cards;
using mixer_script::FirstHandleOn;
using mixer_script::KeptDir;
using mixer_script::Matching;
using testing_harness::Result;
using testing_harness::RunScript;

namespace {

const std::string kOpen = "start\ntray dblclick\ncheck Korvalin chkAnalogInputs 1\n";
const std::string kWindow = "\"KRV Ana. Input\"";

// The bounds of the analog input window in the n-th `windows` listing.
Bounds WindowBounds(const Result& r, int nth) {
    return mixer_script::WindowBounds(r, "KRV Ana. Input", nth);
}

TEST(AnalogInputs, MutingTheRightChannelOfCard2Analog34GoesToItsChannel0Handle) {
    // Card 2's Analog 3-4 wave-in device is device 3 (the devices are listed pair by pair).
    Result r =
        RunScript(kOpen + "resize " + kWindow + " 400 700\nclick " + kWindow + " SpeedButton2@2\n", "", true);
    ASSERT_EQ(r.status, 0) << r.out;
    std::string handle = FirstHandleOn(r, 3);
    ASSERT_FALSE(handle.empty()) << r.out;
    auto sets = Matching(r, "msg=0x4043");
    ASSERT_EQ(sets.size(), 1u) << r.out;
    EXPECT_NE(sets[0].find("handle=" + handle + " dev=3 msg=0x4043 p1=0xFFFF0000"), std::string::npos)
        << sets[0];
}

TEST(AnalogInputs, ALinkedPairSendsEqualGainsForEveryMoveOfEitherFader) {
    Result r = RunScript(kOpen + "drag " + kWindow + " Slider1 -20\ndrag " + kWindow + " Slider0 10\nshow " +
                             kWindow + " pnSlider12\n",
                         "", true);
    ASSERT_EQ(r.status, 0) << r.out;
    auto sets = Matching(r, "msg=0x4033");
    ASSERT_EQ(sets.size(), 2u) << r.out;
    std::regex words("p1=0x([0-9A-F]{4})([0-9A-F]{4})");
    for (const auto& l : sets) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(l, m, words)) << l;
        EXPECT_EQ(m[1], m[2]) << l;
    }
    // The right fader's move went out on its own handle (channel 1 of card 1's Analog 1-2).
    EXPECT_NE(sets[0].find("handle=" + std::to_string(6) + " dev=0"), std::string::npos) << sets[0];
    auto left = Matching(r, "Slider0 TSlider");
    auto right = Matching(r, "Slider1 TSlider");
    ASSERT_EQ(left.size(), 1u);
    ASSERT_EQ(right.size(), 1u);
    EXPECT_EQ(left[0].substr(left[0].find("position=")), right[0].substr(right[0].find("position=")));
}

TEST(AnalogInputs, UnlinkedFadersSendTheirOwnWordsAndRelinkingAlignsThemToTheLeft) {
    Result r =
        RunScript(kOpen + "check " + kWindow + " chkLink12 0\ndrag " + kWindow + " Slider1 -30\ncheck " +
                      kWindow + " chkLink12 1\nshow " + kWindow + " pnSlider12\n",
                  "", true);
    ASSERT_EQ(r.status, 0) << r.out;
    auto sets = Matching(r, "msg=0x4033");
    // One unlinked move (left still at 0x80, right raised), then relinking moves both to the left one.
    ASSERT_EQ(sets.size(), 3u) << r.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(sets[0], m, std::regex("p1=0x([0-9A-F]{4})8000 "))) << sets[0];
    EXPECT_GT(std::stoi(m[1], nullptr, 16), 0x8000) << sets[0];
    EXPECT_NE(sets[1].find("p1=0x80008000"), std::string::npos) << sets[1];
    EXPECT_NE(sets[2].find("p1=0x80008000"), std::string::npos) << sets[2];
    EXPECT_EQ(r.Count("Slider1 TSlider visible=1 enabled=1 bounds=36,12,4,112 position=128"), 1) << r.out;
}

TEST(AnalogInputs, DriverGainsOutsideTheFaderRangeAreClampedAndFailedReadsLeaveTheFader) {
    std::string scenario = R"({"cards": [{"gain": ["0x10001E00", "0xFF00A400"]}], "persist": false,
        "faults": {}})";
    Result r = RunScript(kOpen + "show " + kWindow + " pnSliders\n", scenario);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("Slider0 TSlider visible=1 enabled=1 bounds=12,12,4,112 position=31"), 1) << r.out;
    EXPECT_EQ(r.Count("Slider1 TSlider visible=1 enabled=1 bounds=36,12,4,112 position=31"), 1) << r.out;
    EXPECT_EQ(r.Count("Slider2 TSlider visible=1 enabled=1 bounds=12,12,4,112 position=164"), 1) << r.out;
    EXPECT_EQ(r.Count("Slider3 TSlider visible=1 enabled=1 bounds=36,12,4,112 position=164"), 1) << r.out;

    Result refused =
        RunScript(kOpen + "show " + kWindow + " pnSliders\n",
                  R"({"cards": [{}], "persist": false, "faults": {"refuse": [{"msg": "0x4032"}]}})");
    EXPECT_EQ(refused.Count("position=31"), 4) << refused.out; // the layout's position stays
}

TEST(AnalogInputs, NoMonitorPairReportedShowsThePairsOwnAndTheNextClickSendsIt) {
    std::string scenario = R"({"cards": [{"routing": [null, "0x00000005"]}], "persist": false})";
    Result r = RunScript(kOpen + "show " + kWindow + " pnRoute34\nshow " + kWindow + " Panel16\nclick " +
                             kWindow + " SpeedButton7\n",
                         scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(
        r.Has("SpeedButton13 TSpeedButton visible=1 enabled=1 bounds=0,52,53,17 caption=\"Ana 3-4\" down=1 "
              "fontcolor=0x808080"))
        << r.out;
    EXPECT_TRUE(r.Has("SpeedButton3 TSpeedButton visible=1 enabled=1 bounds=0,0,53,17 caption=\"CD\" down=1 "
                      "fontcolor=0xFF0000"))
        << r.out;
    // "OnRec": monitor pair 2 (Analog 3-4), monitoring on record, the source kept.
    auto sets = Matching(r, "msg=0x4035");
    ASSERT_EQ(sets.size(), 1u) << r.out;
    EXPECT_NE(sets[0].find("p1=0x00010205"), std::string::npos) << sets[0];
}

TEST(AnalogInputs, RaisingTheDownPunchButtonSwitchesMonitoringOffAndGreysThePair) {
    std::string scenario = R"({"cards": [{"routing": ["0x00020106"]}], "persist": false})";
    Result r = RunScript(kOpen + "show " + kWindow + " pnRoute12\nclick " + kWindow + " SpeedButton9\nshow " +
                             kWindow + " pnRoute12\n",
                         scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("caption=\"OnPunch\" down=1 fontcolor=0x800080")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Ana 1-2\" down=1 fontcolor=0x800080")) << r.out;
    auto sets = Matching(r, "msg=0x4035");
    ASSERT_EQ(sets.size(), 1u) << r.out;
    EXPECT_NE(sets[0].find("p1=0x00000106"), std::string::npos) << sets[0];
    EXPECT_TRUE(r.Has("caption=\"OnPunch\" down=0 fontcolor=0x000000")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Ana 1-2\" down=1 fontcolor=0x808080")) << r.out;
}

TEST(AnalogInputs, CopiesCarryTheirCardsNumbersNamesAndHints) {
    Result r = RunScript(kOpen + "show " + kWindow + " pnMon\nshow " + kWindow + " pnNumbers\nshow " +
                             kWindow + " Panel4@2\nshow " + kWindow + " pnChecks\n",
                         Cards(2));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(
        r.Has("SpeedButton4@2 TSpeedButton visible=1 enabled=1 bounds=0,36,53,17 caption=\"Ana 5-6\""))
        << r.out;
    EXPECT_TRUE(
        r.Has("SpeedButton13@2 TSpeedButton visible=1 enabled=1 bounds=0,52,53,17 caption=\"Ana 7-8\""))
        << r.out;
    EXPECT_TRUE(
        r.Has("SpeedButton6@2 TSpeedButton visible=1 enabled=1 bounds=0,68,53,17 caption=\"Digital\""));
    EXPECT_TRUE(r.Has("pnRoute34@2 TPanel visible=1 enabled=1 bounds=242,0,67,85")) << r.out;
    EXPECT_TRUE(r.Has("Label67@2 TLabel visible=1 enabled=1 bounds=244,3,20,14 caption=\"7\"")) << r.out;
    EXPECT_TRUE(r.Has("chkLink34@2 TCheckBox name=chkLink78 ")) << r.out;
    EXPECT_TRUE(r.Has("hint=\"Verbinde/Trenne Fader 7-8\"")) << r.out;
    EXPECT_TRUE(r.Has("Slider3@2 TSlider name=Slider7 ")) << r.out;
    EXPECT_TRUE(
        r.Has("SpeedButton2@2 TSpeedButton visible=1 enabled=1 bounds=28,134,20,16 caption=\"M\" down=0 "
              "fontcolor=0x000000 hint=\"Stummschaltung Kanal 8 An/Aus\""))
        << r.out;
    EXPECT_TRUE(r.Has("caption=\"&Level\" checked=1 hint=\"Zeige/Verdecke Level Bereich\"")) << r.out;
}

TEST(AnalogInputs, TheLinkBoxesOfEveryCardAreStoredUnderTheirNewNames) {
    Result r = RunScript(kOpen + "resize " + kWindow + " 700 700\ncheck " + kWindow +
                             " chkLink1516 0\nclose " + kWindow + "\nexit\nini\n",
                         Cards(4));
    ASSERT_EQ(r.status, 0) << r.out;
    std::string keys = mixer_script::SectionKeys(r, "KRV Ana. Input");
    EXPECT_EQ(
        keys,
        "pnChecks chkPeakMeter chkGainSlider chkMonSel chkInpsel chkLink12 chkLink34 chkLink56 chkLink78 "
        "chkLink910 chkLink1112 chkLink1314 chkLink1516 Top Left Width Height Hints ")
        << r.out;
    EXPECT_TRUE(r.Has("chkLink1516=0")) << r.out;
    EXPECT_TRUE(r.Has("chkLink1314=1")) << r.out;
}

TEST(AnalogInputs, HidingTheFadersKeepsTheBottomEdgeAndTheHeightFollows) {
    Result r = RunScript(kOpen + "windows\ncheck " + kWindow + " chkGainSlider 0\nwindows\nresize " +
                             kWindow + " 182 900\nwindows\ncheck " + kWindow + " chkGainSlider 1\nwindows\n",
                         Cards(1));
    ASSERT_EQ(r.status, 0) << r.out;
    Bounds full = WindowBounds(r, 0), hidden = WindowBounds(r, 1), dragged = WindowBounds(r, 2),
           back = WindowBounds(r, 3);
    EXPECT_EQ(full.height, 663);
    EXPECT_EQ(hidden.height, 663 - 180);
    EXPECT_EQ(hidden.Bottom(), full.Bottom());
    EXPECT_EQ(dragged.height, 663 - 180); // the fixed height went down with it
    EXPECT_EQ(dragged.width, 182);        // one strip + 22
    EXPECT_EQ(back.height, 663);
    EXPECT_EQ(back.Bottom(), full.Bottom());
}

TEST(AnalogInputs, HidingEverySectionHidesTheMainPanelAndShowingOneBringsItBack) {
    std::string hideAll = "check " + kWindow + " chkInpsel 0\ncheck " + kWindow + " chkMonSel 0\ncheck " +
                          kWindow + " chkPeakMeter 0\ncheck " + kWindow + " chkGainSlider 0\n";
    Result r = RunScript(kOpen + "windows\n" + hideAll + "windows\nshow " + kWindow + " grpInput\ncheck " +
                             kWindow + " chkPeakMeter 1\nwindows\nshow " + kWindow + " grpInput\nshow " +
                             kWindow + " pnMeters\n",
                         Cards(1));
    ASSERT_EQ(r.status, 0) << r.out;
    Bounds full = WindowBounds(r, 0), none = WindowBounds(r, 1), meters = WindowBounds(r, 2);
    // Caption and pnChecks remain: 663 less the sections (57, 105, 185, 180) and what is left of grpInput.
    EXPECT_EQ(none.height, 663 - 57 - 105 - 185 - 180 - 28);
    EXPECT_EQ(none.Bottom(), full.Bottom());
    EXPECT_TRUE(r.Has("grpInput TPanel visible=0")) << r.out;
    EXPECT_EQ(meters.height, none.height + 28 + 185);
    EXPECT_EQ(meters.Bottom(), full.Bottom());
    EXPECT_TRUE(r.Has("grpInput TPanel visible=1 enabled=1 bounds=0,0,172,213")) << r.out;
    EXPECT_TRUE(r.Has("pnMeters TPanel visible=1 enabled=1 bounds=0,6,155,185")) << r.out;
}

TEST(AnalogInputs, StoredHiddenCheckBoxPanelReopensHiddenWithTheRightHeightWhereItWas) {
    KeptDir kept;
    std::string dir = kept.Path();
    Result first =
        RunScript(kOpen + "sysmenu " + kWindow + " \"Fenstersteuerung anzeigen\"\nwait 10\nwindows\n",
                  Cards(1), false, dir);
    ASSERT_EQ(first.status, 0) << first.out;
    Bounds closed = WindowBounds(first, 0);
    EXPECT_EQ(closed.height, 663 - 84);

    Result second =
        RunScript(kOpen + "windows\nresize " + kWindow + " 182 900\nwindows\nmenu " + kWindow + "\n",
                  Cards(1), false, dir);
    ASSERT_EQ(second.status, 0) << second.out;
    Bounds reopened = WindowBounds(second, 0), dragged = WindowBounds(second, 1);
    EXPECT_EQ(reopened.height, 663 - 84);
    EXPECT_EQ(reopened.top, closed.top);
    EXPECT_EQ(dragged.height, 663 - 84);
    EXPECT_TRUE(second.Has("menu \" Fenstersteuerung anzeigen\" checked=0")) << second.out;
}

TEST(AnalogInputs, NarrowingBelowTheStripsShowsTheScrollBarAndWideningRemovesIt) {
    Result r = RunScript(kOpen + "windows\nresize " + kWindow + " 150 663\nwindows\nresize " + kWindow +
                             " 182 663\nwindows\nresize " + kWindow + " 10 663\nwindows\n",
                         Cards(1));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(WindowBounds(r, 0).height, 663); // one card at full width: no bar
    EXPECT_EQ(WindowBounds(r, 1).height, 663 + 16);
    EXPECT_EQ(WindowBounds(r, 2).height, 663);
    EXPECT_EQ(WindowBounds(r, 3).width, 97); // the narrowest the window goes
    EXPECT_EQ(WindowBounds(r, 3).height, 663 + 16);
}

TEST(AnalogInputs, AWindowLeftAtItsNarrowestReopensAtThatWidth) {
    KeptDir kept;
    Result first =
        RunScript(kOpen + "resize " + kWindow + " 10 663\nwindows\n", Cards(1), false, kept.Path());
    ASSERT_EQ(first.status, 0) << first.out;
    EXPECT_EQ(WindowBounds(first, 0).width, 97);
    Result second = RunScript(kOpen + "windows\n", Cards(1), false, kept.Path());
    ASSERT_EQ(second.status, 0) << second.out;
    EXPECT_EQ(WindowBounds(second, 0).width, 97);
    EXPECT_EQ(WindowBounds(second, 0).height, 663 + 16);
}

TEST(AnalogInputs, ScrollingTheStripsScrollsTheInputSelectionAlong) {
    Result r = RunScript(kOpen + "scroll " + kWindow + " BottomScroller 80\nshow " + kWindow +
                             " pnInpSel\nshow " + kWindow + " pnMon\n",
                         Cards(2));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("Panel5 TPanel visible=1 enabled=1 bounds=-78,0,67,33")) << r.out;
    EXPECT_TRUE(r.Has("pnMon TPanel visible=1 enabled=1 bounds=-80,4,315,85")) << r.out;
    EXPECT_TRUE(r.Has("Panel16@2 TPanel visible=1 enabled=1 bounds=162,0,67,33")) << r.out;
}

TEST(AnalogInputs, UncheckingLevelSwitchesMeasurementOffEverywhereAndNoReadFollows) {
    Result r = RunScript(kOpen + "wait 300\ncheck " + kWindow + " chkPeakMeter 0\nwait 1000\ncheck " +
                             kWindow + " chkPeakMeter 1\nwait 250\n",
                         Cards(2), true);
    ASSERT_EQ(r.status, 0) << r.out;
    std::size_t off = 0;
    while (off < r.lines.size() && r.lines[off].find("msg=0x4039") == std::string::npos)
        ++off;
    ASSERT_LT(off, r.lines.size()) << r.out;
    // Both pairs of both cards, then nothing until the box is checked again.
    std::size_t i = off;
    for (; i < r.lines.size() && r.lines[i].find("msg=0x4039") != std::string::npos; ++i) {
    }
    EXPECT_EQ(i - off, 4u) << r.out;
    ASSERT_LT(i, r.lines.size());
    EXPECT_NE(r.lines[i].find("msg=0x4038"), std::string::npos) << r.lines[i];
    EXPECT_GT(r.Count("msg=0x403A"), 0);
    // Reads before unchecking (3 polls × 4 pairs) and after checking again (2 × 4).
    EXPECT_EQ(r.Count("msg=0x403A"), 12 + 8) << r.out;
}

TEST(AnalogInputs, ARefusedSwitchOnLeavesMeteringOffWithoutReads) {
    Result r = RunScript(
        kOpen + "wait 500\n",
        R"({"cards": [{}, {}], "persist": false, "faults": {"refuse": [{"card": 2, "msg": "0x4038"}]}})",
        true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("msg=0x4038"), 3) << r.out; // card 1's two pairs, then card 2's first refuses
    EXPECT_EQ(r.Count("msg=0x403A"), 0) << r.out;
    EXPECT_EQ(r.Count("msg=0x4039"), 0) << r.out; // never active: nothing to switch off at the close
}

TEST(AnalogInputs, APeakHoldsForSeventyFiveTicksAfterTheSignalGoes) {
    std::string scenario =
        R"({"cards": [{"signals": {"in": [{"type": "sine", "level": 32767, "freq": 1000}]}}],
        "persist": false})";
    Result r = RunScript(kOpen + "wait 1000\nshow " + kWindow +
                             " Meter1\nemu set-input-mute 1 0 65535 65535\nwait " + "2700\nshow " + kWindow +
                             " Meter1\nwait 600\nshow " + kWindow + " Meter1\n",
                         scenario);
    ASSERT_EQ(r.status, 0) << r.out;
    auto shown = Matching(r, "Meter1 TLevelMeter");
    ASSERT_EQ(shown.size(), 3u) << r.out;
    EXPECT_NE(shown[0].find("lit=40"), std::string::npos) << shown[0];
    EXPECT_NE(shown[1].find("lit=1"), std::string::npos) << shown[1]; // the bar is down, the peak held
    EXPECT_NE(shown[2].find("lit=0"), std::string::npos) << shown[2];
}

TEST(AnalogInputs, ASecondOpeningBuildsASystemMenuWithEachEntryOnce) {
    Result r = RunScript(kOpen + "close " + kWindow + "\nwait 10\ncheck Korvalin chkAnalogInputs 1\nmenu " +
                             kWindow + "\n",
                         Cards(1));
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* entry :
         {"menu \"&Input\" checked=1", "menu \"&Monitor\" checked=1", "menu \"&Level\" checked=1",
          "menu \"&Fader\" checked=1", "menu \" Fenstersteuerung anzeigen\" checked=1",
          "menu \" Tips anzeigen\" checked=1", "menu \" Info...\" checked=0"})
        EXPECT_EQ(r.Count(entry), 1) << entry << "\n" << r.out;
}

TEST(AnalogInputs, SystemMenuEntriesSwitchSectionsHintsAndTheCheckBoxPanel) {
    Result r = RunScript(kOpen + "sysmenu " + kWindow + " \"&Fader\"\nsysmenu " + kWindow +
                             " \"Tips anzeigen\"\nwait 10\nmenu " + kWindow + "\nshow " + kWindow +
                             " chkGainSlider\nclose " + kWindow + "\nexit\nini\n",
                         Cards(1));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("menu \"&Fader\" checked=0")) << r.out;
    EXPECT_TRUE(r.Has("menu \" Tips anzeigen\" checked=0")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"&Fader\" checked=0")) << r.out;
    EXPECT_TRUE(r.Has("chkGainSlider=0")) << r.out;
    EXPECT_TRUE(r.Has("Hints=0")) << r.out;
}

TEST(AnalogInputs, AWindowThatCannotReadTheMutesShowsTheLayoutAndKeepsTheStoredSettings) {
    KeptDir kept;
    std::string dir = kept.Path();
    Result first =
        RunScript(kOpen + "check " + kWindow + " chkMonSel 0\nclose " + kWindow + "\n", Cards(1), false, dir);
    ASSERT_EQ(first.status, 0) << first.out;
    Result second = RunScript(
        kOpen + "windows\nmenu " + kWindow + "\nclose " + kWindow + "\nexit\nini\n",
        R"({"cards": [{}], "persist": false, "faults": {"refuse": [{"msg": "0x4042"}]}})", true, dir);
    ASSERT_EQ(second.status, 0) << second.out;
    EXPECT_EQ(second.Count("msg=0x4034"), 0) << second.out; // nothing read after the failed mute read
    EXPECT_EQ(second.Count("msg=0x4038"), 0) << second.out;
    EXPECT_EQ(WindowBounds(second, 0).height, 665); // the layout's, without limits
    EXPECT_EQ(second.Count("menu \" Info...\""), 0) << second.out;
    EXPECT_TRUE(second.Has("chkMonSel=0")) << second.out; // what the user left stays stored
}

TEST(AnalogInputs, AFailedControlOpenEndsCreationSilentlyAndClosesWhatWasOpened) {
    std::string scenario = R"({"cards": [{}, {}], "persist": false,
        "faults": {"fail_open": [{"card": 2, "pair": 1, "direction": "in"}]}})";
    Result r = RunScript(kOpen + "wait 10\nwindows\nshow Korvalin chkAnalogInputs\n", scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("msgbox"), 0) << r.out;
    EXPECT_EQ(r.Count("window caption=\"KRV Ana. Input\""), 0) << r.out;
    EXPECT_TRUE(r.Has("caption=\" Analog Inputs\" checked=0")) << r.out;
    // Six handles opened before card 2's Analog 3-4 failed; all six are closed again.
    EXPECT_EQ(r.Count("drv open in") - r.Count("drv open in dev=3"), 6) << r.out;
    int closedBeforeListing = 0;
    for (const auto& l : r.lines) {
        if (l.find("window caption=") != std::string::npos) break;
        if (l.find("drv close in") != std::string::npos) ++closedBeforeListing;
    }
    EXPECT_EQ(closedBeforeListing, 6) << r.out;
}

TEST(AnalogInputs, TheControlWindowOpensAndClosesTheWindow) {
    Result r = RunScript(kOpen + "windows\ncheck Korvalin chkAnalogInputs 0\nwindows\n", Cards(1), true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("window caption=\"KRV Ana. Input\" class=TfrmAnalogInp visible=1"), 1) << r.out;
    EXPECT_EQ(r.Count("window caption=\"KRV Ana. Input\""), 1) << r.out; // gone after unchecking
    EXPECT_EQ(r.Count("drv close in"), 4) << r.out;                      // both handles of both pairs
}

} // namespace
