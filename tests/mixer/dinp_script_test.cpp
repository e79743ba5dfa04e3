// The digital input window on its frame, driven through krvl-script on the emulated card's transcript.
#include "tests/mixer/mixer_script.h"

using mixer_script::Bounds;
using mixer_script::Cards;
using mixer_script::FirstHandleOn;
using mixer_script::KeptDir;
using mixer_script::Matching;
using testing_harness::Result;
using testing_harness::RunScript;

namespace {

const std::string kOpen = "start\ntray dblclick\ncheck Korvalin chkDigitalInputs 1\n";
const std::string kWindow = "\"KRV Dig. Input\"";
const std::string kWide = "resize " + kWindow + " 400 700\n"; // every strip in view

Bounds WindowBounds(const Result& r, int nth) {
    return mixer_script::WindowBounds(r, "KRV Dig. Input", nth);
}

// The connector buttons a card's strip shows.
int VisibleConnectors(const Result& r, int card) {
    std::string suffix = card == 1 ? "" : "@" + std::to_string(card);
    int n = 0;
    for (const char* b : {"btnOptical", "btnCinch", "btnXlr", "btnCd"})
        n += r.Count(b + suffix + " TSpeedButton visible=1");
    return n;
}

TEST(DigitalInputs, ACardWithoutExtendedConnectorsShowsOpticalAndCdAndTheWindowIs32Shorter) {
    std::string script = kOpen + "windows\nshow " + kWindow + " Panel16\nresize " + kWindow +
                         " 102 900\ncheck " + kWindow + " chkInpSel 0\nwindows\n";
    Result plain = RunScript(script, Cards(1));
    Result extended = RunScript(script, Cards(1, R"({"extended": true})"));
    ASSERT_EQ(plain.status, 0) << plain.out;
    ASSERT_EQ(extended.status, 0) << extended.out;

    EXPECT_TRUE(plain.Has("btnOptical TSpeedButton visible=1 enabled=1 bounds=0,0,53,17 caption=\"Optisch\""))
        << plain.out;
    EXPECT_TRUE(plain.Has("btnCd TSpeedButton visible=1 enabled=1 bounds=0,16,53,17 caption=\"Cd\""))
        << plain.out;
    EXPECT_EQ(VisibleConnectors(plain, 1), 2) << plain.out;
    EXPECT_TRUE(extended.Has("btnCd TSpeedButton visible=1 enabled=1 bounds=0,48,53,17")) << extended.out;
    EXPECT_EQ(VisibleConnectors(extended, 1), 4) << extended.out;

    EXPECT_EQ(WindowBounds(extended, 0).height, 499);
    EXPECT_EQ(WindowBounds(plain, 0).height, 499 - 32);
    // The fixed height went down with it, and so did the input section: hiding it takes 24 + 33, not 24 + 65.
    EXPECT_EQ(WindowBounds(plain, 1).height, 499 - 32 - 57);
    EXPECT_EQ(WindowBounds(extended, 1).height, 499 - 89);
    EXPECT_EQ(WindowBounds(plain, 1).Bottom(), WindowBounds(plain, 0).Bottom());
}

TEST(DigitalInputs, OnlyTheSecondCardExtendedKeepsTheFullHeightWithTwoAndFourButtons) {
    Result r =
        RunScript(kOpen + kWide + "windows\nshow " + kWindow + " pnInpSel\nshow " + kWindow + " pnMon\n",
                  R"({"cards": [{}, {"extended": true}], "persist": false})");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(WindowBounds(r, 0).width, 2 * 80 + 22);
    EXPECT_EQ(WindowBounds(r, 0).height, 499); // full width: no scroll bar
    EXPECT_EQ(VisibleConnectors(r, 1), 2) << r.out;
    EXPECT_EQ(VisibleConnectors(r, 2), 4) << r.out;
    EXPECT_TRUE(r.Has("btnCd TSpeedButton visible=1 enabled=1 bounds=0,16,")) << r.out;
    EXPECT_TRUE(r.Has("btnCd@2 TSpeedButton visible=1 enabled=1 bounds=0,48,")) << r.out;
    EXPECT_TRUE(r.Has("pnInpSel TScrollBox visible=1 enabled=1 bounds=4,0,162,65")) << r.out;
    EXPECT_TRUE(r.Has("Panel16@2 TPanel visible=1 enabled=1 bounds=82,0,67,65")) << r.out;
    EXPECT_TRUE(r.Has("pnRoute12@2 TPanel visible=1 enabled=1 bounds=82,0,67,85")) << r.out;
}

TEST(DigitalInputs, ScrolledToCard2ItsConnectorsComeAlongAndSendOnItsDevice) {
    Result r = RunScript(kOpen + "scroll " + kWindow + " BottomScroller 80\nshow " + kWindow +
                             " pnInpSel\nclick " + kWindow + " btnCd@2\n",
                         Cards(2), true);
    ASSERT_EQ(r.status, 0) << r.out;
    // At 97 pixels the strips scroll by at most 155 - 77.
    EXPECT_TRUE(r.Has("Panel16@2 TPanel visible=1 enabled=1 bounds=4,0,67,65")) << r.out;
    auto sets = Matching(r, "msg=0x4035");
    ASSERT_EQ(sets.size(), 1u) << r.out;
    EXPECT_NE(sets[0].find("dev=5 msg=0x4035 p1=0x00000303"), std::string::npos) << sets[0];
}

TEST(DigitalInputs, NoMonitorPairReportedShowsDigitalForEveryCardAndOnRecSendsIt) {
    std::string scenario = R"({"cards": [{"routing": [null, null, "0x00000001"]},
        {"extended": true, "routing": [null, null, "0x00000004"]}], "persist": false})";
    Result r =
        RunScript(kOpen + kWide + "show " + kWindow + " pnMon\nclick " + kWindow + " SpeedButton8\nclick " +
                      kWindow + " SpeedButton8@2\nshow " + kWindow + " pnRoute12\n",
                  scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* b : {"SpeedButton6 ", "SpeedButton6@2 "})
        EXPECT_TRUE(r.Has(std::string(b) +
                          "TSpeedButton visible=1 enabled=1 bounds=0,68,53,17 caption=\"Digital\" "
                          "down=1 fontcolor=0x808080"))
            << b << "\n"
            << r.out;
    // Only the clicks send: the reads at show set the buttons without their handlers.
    auto sets = Matching(r, "msg=0x4035");
    ASSERT_EQ(sets.size(), 2u) << r.out;
    // Card 1's Digital wave-in device is device 4 with two cards, card 2's device 5.
    EXPECT_NE(sets[0].find("handle=" + FirstHandleOn(r, 4) + " dev=4 msg=0x4035 p1=0x00010301"),
              std::string::npos)
        << sets[0];
    EXPECT_NE(sets[1].find("handle=" + FirstHandleOn(r, 5) + " dev=5 msg=0x4035 p1=0x00010304"),
              std::string::npos)
        << sets[1];
    EXPECT_TRUE(
        r.Has("SpeedButton8 TSpeedButton visible=1 enabled=1 bounds=0,0,53,17 caption=\"OnRec\" down=1 "
              "fontcolor=0x0000FF"))
        << r.out;
    EXPECT_EQ(r.Count("caption=\"Digital\" down=1 fontcolor=0x0000FF"), 1) << r.out;
}

TEST(DigitalInputs, EachRoutingClickSendsTheCardsWholeRecordAndRaisingOnRecSwitchesMonitoringOff) {
    std::string scenario = R"({"cards": [{"extended": true, "routing": [null, null, "0x00010203"]}],
        "persist": false})";
    Result r = RunScript(kOpen + "show " + kWindow + " pnRoute12\nclick " + kWindow + " btnXlr\nclick " +
                             kWindow + " SpeedButton4\nclick " + kWindow + " SpeedButton8\nshow " + kWindow +
                             " Panel16\nshow " + kWindow + " pnRoute12\n",
                         scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("caption=\"OnRec\" down=1 fontcolor=0x0000FF")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Ana 3-4\" down=1 fontcolor=0x0000FF")) << r.out;
    auto sets = Matching(r, "msg=0x4035");
    ASSERT_EQ(sets.size(), 3u) << r.out;
    EXPECT_NE(sets[0].find("p1=0x00010202"), std::string::npos) << sets[0]; // XLR
    EXPECT_NE(sets[1].find("p1=0x00010102"), std::string::npos) << sets[1]; // monitored on Analog 1-2
    EXPECT_NE(sets[2].find("p1=0x00000102"), std::string::npos) << sets[2]; // the down "OnRec" raised
    EXPECT_TRUE(r.Has("caption=\"XLR\" down=1 fontcolor=0xFF0000")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Cd\" down=0 fontcolor=0x000000")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"OnRec\" down=0 fontcolor=0x000000")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Ana 1-2\" down=1 fontcolor=0x808080")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Ana 3-4\" down=0 fontcolor=0x000000")) << r.out;
}

TEST(DigitalInputs, CopiesReadTheirCardsPairsAndKeepTheirChannelLabels) {
    Result r =
        RunScript(kOpen + kWide + "show " + kWindow + " pnMon\nshow " + kWindow + " pnNumbers\n", Cards(3));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(
        r.Has("SpeedButton4@2 TSpeedButton visible=1 enabled=1 bounds=0,36,53,17 caption=\"Ana 5-6\""))
        << r.out;
    EXPECT_TRUE(
        r.Has("SpeedButton5@2 TSpeedButton visible=1 enabled=1 bounds=0,52,53,17 caption=\"Ana 7-8\""));
    EXPECT_TRUE(
        r.Has("SpeedButton6@2 TSpeedButton visible=1 enabled=1 bounds=0,68,53,17 caption=\"Digital\""));
    EXPECT_TRUE(
        r.Has("SpeedButton5@3 TSpeedButton visible=1 enabled=1 bounds=0,52,53,17 caption=\"Ana 11-12\""));
    EXPECT_TRUE(r.Has("pnNumbers TPanel visible=1 enabled=1 bounds=0,272,211,19")) << r.out;
    EXPECT_TRUE(r.Has("Label16@3 TLabel visible=1 enabled=1 bounds=165,3,20,14 caption=\"L\"")) << r.out;
    EXPECT_TRUE(r.Has("Label17@3 TLabel visible=1 enabled=1 bounds=187,3,20,14 caption=\"R\"")) << r.out;
}

TEST(DigitalInputs, EachCardsLevelsReachItsOwnMetersFromItsOwnDevice) {
    std::string scenario = R"({"cards": [{"signals": {"in": []}},
        {"signals": {"in": [null, null, {"type": "sine", "level": 32767, "freq": 1000}]}}], "persist": false})";
    Result r = RunScript(kOpen + kWide + "wait 300\nshow " + kWindow + " pnMeters\n", scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("Meter1 TLevelMeter visible=1 enabled=1 bounds=6,6,18,163 lit=0")) << r.out;
    EXPECT_TRUE(r.Has("Meter2 TLevelMeter visible=1 enabled=1 bounds=28,6,18,163 lit=0")) << r.out;
    EXPECT_TRUE(r.Has("Meter1@2 TLevelMeter visible=1 enabled=1 bounds=6,6,18,163 lit=40")) << r.out;
    EXPECT_TRUE(r.Has("Meter2@2 TLevelMeter visible=1 enabled=1 bounds=28,6,18,163 lit=40")) << r.out;
    // Leveling and reads on each card's channel-0 handle only: 3 polls of 2 cards.
    EXPECT_EQ(r.Count("handle=" + FirstHandleOn(r, 4) + " dev=4 msg=0x403A"), 3) << r.out;
    EXPECT_EQ(r.Count("handle=" + FirstHandleOn(r, 5) + " dev=5 msg=0x403A"), 3) << r.out;
    EXPECT_EQ(r.Count("msg=0x403A"), 6) << r.out;
    EXPECT_EQ(r.Count("msg=0x4038"), 2) << r.out;
}

TEST(DigitalInputs, TheMainPanelGoesWithTheLastSectionWhicheverItIs) {
    const std::vector<std::string> boxes = {"chkInpSel", "chkMonSel", "chkPeakMeter"};
    for (std::size_t last = 0; last < boxes.size(); ++last) {
        SCOPED_TRACE(boxes[last]);
        std::string script = kOpen + "windows\n";
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (i != last) script += "check " + kWindow + " " + boxes[i] + " 0\n";
        script += "show " + kWindow + " grpInput\ncheck " + kWindow + " " + boxes[last] +
                  " 0\nwindows\nshow " + kWindow + " grpInput\ncheck " + kWindow + " " + boxes[last] +
                  " 1\nwindows\n";
        Result r = RunScript(script, Cards(1, R"({"extended": true})"));
        ASSERT_EQ(r.status, 0) << r.out;
        auto shown = Matching(r, "grpInput TPanel");
        ASSERT_EQ(shown.size(), 2u) << r.out;
        EXPECT_NE(shown[0].find("visible=1"), std::string::npos) << shown[0];
        EXPECT_NE(shown[1].find("visible=0"), std::string::npos) << shown[1];
        Bounds full = WindowBounds(r, 0), none = WindowBounds(r, 1), back = WindowBounds(r, 2);
        // The caption and pnChecks remain.
        EXPECT_EQ(none.height, 499 - 410);
        EXPECT_EQ(none.Bottom(), full.Bottom());
        int section[] = {24 + 65, 24 + 85, 185};
        EXPECT_EQ(back.height, none.height + 410 - 89 - 109 - 185 + section[last]);
        EXPECT_EQ(back.Bottom(), full.Bottom());
    }
}

TEST(DigitalInputs, TheCheckBoxPanelKeepsTheTopEdgeAndIsStoredWithTheSections) {
    KeptDir kept;
    Result first =
        RunScript(kOpen + "windows\nsysmenu " + kWindow + " \"Fenstersteuerung anzeigen\"\nsysmenu " +
                      kWindow + " \"&Level\"\nwait 10\nwindows\nshow " + kWindow + " chkPeakMeter\nclose " +
                      kWindow + "\nexit\nini\n",
                  Cards(1, R"({"extended": true})"), true, kept.Path());
    ASSERT_EQ(first.status, 0) << first.out;
    Bounds full = WindowBounds(first, 0), hidden = WindowBounds(first, 1);
    EXPECT_EQ(hidden.top, full.top + 185); // hiding the meters keeps the bottom edge, pnChecks the top
    EXPECT_EQ(hidden.height, 499 - 65 - 185);
    EXPECT_TRUE(first.Has("caption=\"&Level\" checked=0")) << first.out;
    EXPECT_EQ(first.Count("msg=0x4039"), 1) << first.out; // switched off by the menu, not again at the close
    EXPECT_EQ(mixer_script::SectionKeys(first, "KRV Dig. Input"),
              "pnChecks chkPeakMeter chkMonSel chkInpSel Top Left Width Height Hints ")
        << first.out;
    EXPECT_TRUE(first.Has("pnChecks=0")) << first.out;
    EXPECT_TRUE(first.Has("chkPeakMeter=0")) << first.out;

    Result second =
        RunScript(kOpen + "windows\nresize " + kWindow + " 102 900\nwindows\nmenu " + kWindow + "\n",
                  Cards(1, R"({"extended": true})"), true, kept.Path());
    ASSERT_EQ(second.status, 0) << second.out;
    EXPECT_EQ(WindowBounds(second, 0).top, hidden.top);
    EXPECT_EQ(WindowBounds(second, 0).height, hidden.height);
    EXPECT_EQ(WindowBounds(second, 1).height, hidden.height);
    EXPECT_TRUE(second.Has("menu \" Fenstersteuerung anzeigen\" checked=0")) << second.out;
    EXPECT_TRUE(second.Has("menu \"&Level\" checked=0")) << second.out;
    EXPECT_EQ(second.Count("msg=0x4038"), 0) << second.out; // the meters stay off
}

TEST(DigitalInputs, ARefusedRoutingReadStillShowsAWorkingWindow) {
    Result r =
        RunScript(kOpen + "wait 250\nmenu " + kWindow + "\n",
                  R"({"cards": [{}], "persist": false, "faults": {"refuse": [{"msg": "0x4034"}]}})", true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("msg=0x4034"), 2) << r.out;
    EXPECT_EQ(r.Count("msg=0x403A"), 2) << r.out;
    EXPECT_EQ(r.Count("menu \" Info...\""), 1) << r.out;
}

TEST(DigitalInputs, TheControlWindowOpensAndClosesTheWindow) {
    Result r = RunScript(kOpen +
                             "windows\ncheck Korvalin chkDigitalInputs 0\nwindows\ncheck Korvalin "
                             "chkDigitalInputs 1\nmenu " +
                             kWindow + "\n",
                         Cards(2), true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("window caption=\"KRV Dig. Input\" class=TfrmDigInp visible=1 bounds=400,60,97,"), 1)
        << r.out;
    EXPECT_EQ(r.Count("window caption=\"KRV Dig. Input\""), 1) << r.out; // gone after unchecking
    // Two handles per card on its Digital wave-in device, for each opening; the first window's four are
    // closed before the second opens its own.
    EXPECT_EQ(r.Count("drv open in dev=4"), 4) << r.out;
    EXPECT_EQ(r.Count("drv open in dev=5"), 4) << r.out;
    EXPECT_EQ(r.Count("drv open in"), 8) << r.out;
    int opens = 0, closedBetween = 0;
    for (const auto& l : r.lines) {
        if (l.find("drv open in") != std::string::npos && ++opens > 4) break;
        if (opens == 4 && l.find("drv close in") != std::string::npos) ++closedBetween;
    }
    EXPECT_EQ(closedBetween, 4) << r.out;
    EXPECT_EQ(r.Count("menu \"&Input\" checked=1"), 1) << r.out;
    EXPECT_EQ(r.Count("menu \" Info...\""), 1) << r.out;
}

} // namespace
