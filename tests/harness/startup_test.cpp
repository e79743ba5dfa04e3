// Start-up, driver state messages, card discovery and shut-down, driven through krvl-script.
#include "script_run.h"

using testing_harness::Result;
using testing_harness::RunScript;

namespace {

std::string States(int overall, int c1, int c2, int c3, int c4) {
    return "{\"state_record\": [" + std::to_string(overall) + "," + std::to_string(c1) + "," +
           std::to_string(c2) + "," + std::to_string(c3) + "," + std::to_string(c4) + "]}";
}

TEST(StartUp, AHealthyDriverStartsInTheTrayWithTheControlWindowHidden) {
    Result r = RunScript("start\nwindows\nexit\n", "", true);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("msgbox"), 0) << r.out;
    EXPECT_TRUE(r.Has("drv config \"KRVL.DRV,DriverConfig getstates $")) << r.out;
    EXPECT_TRUE(r.Has("window caption=\"Korvalin\" class=TMixControlWnd visible=0")) << r.out;
    EXPECT_TRUE(r.Has("window caption=\"frmMain\" class=TfrmMain visible=0")) << r.out;
    // Discovery read both cards' devnodes from their Analog 1-2 wave-out devices, then the digital
    // status from each Digital wave-out device.
    EXPECT_EQ(r.Count("msg=0x4011"), 2) << r.out;
    EXPECT_EQ(r.Count("msg=0x400D"), 2) << r.out;
}

TEST(StartUp, WrongKernelModuleVersionShowsOneMessageAndEnds) {
    Result r = RunScript("start\nwindows\n", States(-27, -27, 0, 0, 0));
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.Count("msgbox"), 1) << r.out;
    EXPECT_TRUE(
        r.Has("msgbox caption=\"Korvalin Initialisierungsfehler\" style=0x10 text=\"Der Korvalin Treiber "
              "konnte nicht initialisiert werden. \\r\\nFalsche Version des Moduls KRVL.VXD"))
        << r.out;
    EXPECT_TRUE(r.Has("program ended")) << r.out;
}

TEST(StartUp, KernelModuleNotLoadedEndsSilently) {
    Result r = RunScript("start\nwindows\n", States(-17, 0, 0, 0, 0));
    EXPECT_EQ(r.Count("msgbox"), 0) << r.out;
    EXPECT_TRUE(r.Has("program ended"));
}

TEST(StartUp, CardMessagesStopAtTheFirstEmptyCardState) {
    Result r = RunScript("start\nwindows\nexit\n", States(1, 1, -24, 0, -30));
    ASSERT_EQ(r.Count("msgbox"), 1) << r.out;
    EXPECT_TRUE(r.Has("text=\"Die Hardware der Korvalin Karte #2 konnte nicht initialisiert werden. "
                      "\\r\\nDie Recordcounter der Korvalin laufen nicht. "))
        << r.out;
    EXPECT_TRUE(r.Has("class=TMixControlWnd")) << r.out; // overall state 1: the program runs
}

TEST(StartUp, AnOverallStateEqualToTheFirstCardsIsShownOnceAsTheCardMessage) {
    Result r = RunScript("start\n", States(-21, -21, 0, 0, 0));
    ASSERT_EQ(r.Count("msgbox"), 1) << r.out;
    EXPECT_TRUE(
        r.Has("Karte #1 konnte nicht initialisiert werden. \\r\\nDie Playcounter der Korvalin ließen"))
        << r.out;
    EXPECT_TRUE(r.Has("program ended") || r.Count("window") == 0);
}

TEST(StartUp, AnOtherOverallErrorIsShownForNoCardThenTheCards) {
    Result r = RunScript("start\n", States(-1, -30, 0, 0, 0));
    ASSERT_EQ(r.Count("msgbox"), 2) << r.out;
    EXPECT_NE(r.out.find("Nicht genügend Speicher"), std::string::npos);
    EXPECT_LT(r.out.find("Nicht genügend Speicher"), r.out.find("Karte #1"));
}

TEST(StartUp, ADriverThatCannotBeAskedIsReportedInsteadOfEndingSilently) {
    Result r = RunScript("start\nwindows\n", "{\"faults\": {\"rundll_fails\": true}}");
    ASSERT_EQ(r.Count("msgbox"), 1) << r.out;
    EXPECT_TRUE(
        r.Has("msgbox caption=\"Fehler\" style=0x10 text=\"Korvalin Treiber konnte nicht geöffnet werden.\""))
        << r.out;
    EXPECT_TRUE(r.Has("program ended"));
}

TEST(StartUp, FiveDevicesOfTheFamilyAreNoCard) {
    std::string devices = R"({"devices": [
        {"direction": "in", "mid": 190, "pid": 37, "name": "Korvalin Analog In 1-2", "card": 1},
        {"direction": "in", "mid": 190, "pid": 37, "name": "Korvalin Analog In 3-4", "card": 1},
        {"direction": "in", "mid": 190, "pid": 39, "name": "Korvalin Digital In I", "card": 1},
        {"direction": "out", "mid": 190, "pid": 38, "name": "Korvalin Analog Out 1-2", "card": 1},
        {"direction": "out", "mid": 190, "pid": 38, "name": "Korvalin Analog Out 3-4", "card": 1}]})";
    Result r = RunScript("start\nwindows\n", devices);
    ASSERT_EQ(r.Count("msgbox"), 1) << r.out;
    EXPECT_TRUE(
        r.Has("caption=\"Fehler\" style=0x10 text=\"Korvalin Treiber konnte nicht geöffnet werden.\""));
    EXPECT_TRUE(r.Has("program ended")) << r.out;
}

TEST(StartUp, AMalformedDeviceNameIsReportedTitledWithTheApplication) {
    std::string devices = R"({"cards": [{}], "devices": [
        {"direction": "in", "mid": 190, "pid": 37, "name": "Korvalin Analog In", "card": 1}]})";
    Result r = RunScript("start\nwindows\ntray dblclick\nwindows\nexit\n", devices);
    EXPECT_EQ(r.Count("msgbox"), 1) << r.out;
    EXPECT_TRUE(r.Has("msgbox caption=\"Korvalin Manager\" style=0x10 text=\"DevNameChannelPairToCardId: "
                      "Separator not found.\""))
        << r.out;
    // Creation ended there, but the control window exists and the tray icon still opens it.
    EXPECT_TRUE(r.Has("class=TMixControlWnd visible=0")) << r.out;
    EXPECT_TRUE(r.Has("class=TMixControlWnd visible=1")) << r.out;
}

TEST(Removal, AQueryRemoveOfAFoundCardReleasesTheDriverAndEnds) {
    Result r = RunScript("start\nemu remove 2\nwindows\n", "", true);
    EXPECT_EQ(r.status, 0) << r.out;
    auto getconfig = r.out.find("DriverConfig getconfig");
    auto setconfig = r.out.find("DriverConfig setconfig $");
    ASSERT_NE(getconfig, std::string::npos) << r.out;
    ASSERT_NE(setconfig, std::string::npos) << r.out;
    EXPECT_LT(getconfig, setconfig);
    EXPECT_TRUE(r.Has("program ended")) << r.out;
}

TEST(Removal, ARemovalDuringAWaitEndsTheProgramThere) {
    Result r = RunScript("start\ntray dblclick\nwait 400\nwindows\nwait 400\nwindows\nini\n",
                         R"({"events": [{"at_ms": 500, "action": "remove", "card": 1}]})");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("class=TMixControlWnd"), 1) << r.out; // there at 400 ms, gone by 800 ms
    EXPECT_EQ(r.Count("program ended"), 1) << r.out;
    EXPECT_TRUE(r.Has("[Korvalin]")) << r.out; // the showing window's close saved the settings
}

TEST(Removal, AnUnknownDevnodeChangesNothing) {
    // The third card's devices are not the manager's: its devnode matches no found card.
    std::string scenario = R"({"cards": [{}, {}, {"devnode": 77}], "devices": [
        {"direction": "in", "mid": 190, "pid": 37, "name": "Korvalin Analog In 1-2", "card": 1},
        {"direction": "in", "mid": 190, "pid": 37, "name": "Korvalin Analog In 3-4", "card": 1},
        {"direction": "in", "mid": 190, "pid": 39, "name": "Korvalin Digital In I", "card": 1},
        {"direction": "out", "mid": 190, "pid": 38, "name": "Korvalin Analog Out 1-2", "card": 1},
        {"direction": "out", "mid": 190, "pid": 38, "name": "Korvalin Analog Out 3-4", "card": 1},
        {"direction": "out", "mid": 190, "pid": 40, "name": "Korvalin Digital Out I", "card": 1}]})";
    Result r = RunScript("start\nemu remove 3\nwindows\nexit\n", scenario, true);
    EXPECT_FALSE(r.Has("DriverConfig getconfig")) << r.out;
    EXPECT_TRUE(r.Has("class=TMixControlWnd")) << r.out;
}

TEST(Session, EndOfSessionEndsTheProgramAndSavesTheControlWindow) {
    Result r = RunScript("start\ntray dblclick\ncheck Korvalin chkStayOnTop 1\nendsession\nwindows\nini\n");
    EXPECT_TRUE(r.Has("program ended")) << r.out;
    EXPECT_TRUE(r.Has("[Korvalin]")) << r.out;
    EXPECT_TRUE(r.Has("chkStayOnTop=1")) << r.out;
}

TEST(Session, AnEndSessionThatDoesNotEndChangesNothing) {
    Result r = RunScript("start\npost frmMain 0x16 0 0\nwindows\nexit\n");
    EXPECT_TRUE(r.Has("class=TMixControlWnd")) << r.out;
}

TEST(Script, ErrorsStopWithStatusTwo) {
    Result r = RunScript("start\nfrobnicate\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.Has("error: line 2: unknown command frobnicate")) << r.out;
    Result w = RunScript("start\nclick Nowhere chkX\n");
    EXPECT_EQ(w.status, 2);
    EXPECT_TRUE(w.Has("no window \"Nowhere\"")) << w.out;
}

} // namespace
