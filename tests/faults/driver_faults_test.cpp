// Every fault the emulated card can be switched to, met by the whole program through krvl-script: each
// mixer window with its driver messages refused, its control opens failing, one pair's level reads
// failing and its card pulled; the settings dialog with its card pulled; configuration requests that
// never complete. (The other switches are met where their feature lives: "reconfigurable" answering 0 in
// tests/settings, a missing rundll host, a malformed device name and duplicate devices in tests/harness.)
#include "driver/config.h"
#include "tests/mixer/mixer_script.h"

#include <regex>
#include <set>

using mixer_script::Matching;
using testing_harness::Result;
using testing_harness::RunScript;

namespace {

struct WindowCase {
    const char* name;
    const char* box;     // its check box in the control window
    const char* caption; // quoted as scripts name it
    const char* direction;
    std::vector<int> pairs;
    const char* className;
    std::string actions; // user actions that send the window's SET messages
};

std::string Q(const char* s) {
    return std::string("\"") + s + "\"";
}

std::vector<WindowCase> Windows() {
    return {
        {"AnalogInputs",
         "chkAnalogInputs",
         "KRV Ana. Input",
         "in",
         {0, 1},
         "TfrmAnalogInp",
         "drag \"KRV Ana. Input\" Slider0 -20\nclick \"KRV Ana. Input\" SpeedButton1\n"
         "check \"KRV Ana. Input\" chkLink12 0\ndrag \"KRV Ana. Input\" Slider1 30\n"},
        {"AnalogOutputs",
         "chkAnalogOutputs",
         "KRV Ana. Output",
         "out",
         {0, 1},
         "TfrmAnalogOut",
         "drag \"KRV Ana. Output\" Slider0 -20\nclick \"KRV Ana. Output\" SpeedButton7\n"
         "click \"KRV Ana. Output\" SpeedButton3\n"},
        {"DigitalInputs",
         "chkDigitalInputs",
         "KRV Dig. Input",
         "in",
         {2},
         "TfrmDigInp",
         "click \"KRV Dig. Input\" btnXlr\nclick \"KRV Dig. Input\" SpeedButton4\n"
         "click \"KRV Dig. Input\" SpeedButton8\n"},
        {"DigitalOutputs",
         "chkDigitalOutputs",
         "KV D-Out",
         "out",
         {2},
         "TfrmDigOut",
         "click \"KV D-Out\" SpeedButton3\ncheck \"KV D-Out\" chkFormat 0\n"},
    };
}

class WindowFaults : public ::testing::TestWithParam<WindowCase> {
protected:
    std::string Open() const {
        return std::string("start\ntray dblclick\ncheck Korvalin ") + GetParam().box + " 1\nwait 300\n";
    }
    std::string Caption() const { return Q(GetParam().caption); }
};

// Control opens and closes in the transcript up to the first line holding marker.
std::pair<int, int> OpensAndCloses(const Result& r, const std::string& marker) {
    int opens = 0, closes = 0;
    std::regex open("drv open \\w+ dev=\\d+ handle=[0-9A-F]+ ctrl=1 result=0");
    std::set<std::string> controlHandles;
    for (const auto& l : r.lines) {
        if (l.find(marker) != std::string::npos) break;
        std::smatch m;
        if (std::regex_search(l, m,
                              std::regex("drv open (\\w+) dev=\\d+ handle=([0-9A-F]+) ctrl=1 result=0"))) {
            ++opens;
            controlHandles.insert(m[1].str() + m[2].str());
        } else if (std::regex_search(l, m, std::regex("drv close (\\w+) handle=([0-9A-F]+) "))) {
            if (controlHandles.count(m[1].str() + m[2].str())) ++closes;
        }
    }
    return {opens, closes};
}

// The message numbers the window sent to the driver between the two markers.
std::set<std::string> MessagesBetween(const Result& r, const std::string& from, const std::string& to) {
    std::set<std::string> msgs;
    bool in = false;
    for (const auto& l : r.lines) {
        if (l.find(from) != std::string::npos) in = true;
        if (l.find(to) != std::string::npos) break;
        std::smatch m;
        if (in && std::regex_search(l, m, std::regex("drv msg .* msg=(0x[0-9A-F]{4}) "))) msgs.insert(m[1]);
    }
    return msgs;
}

TEST_P(WindowFaults, EveryRefusedGetAndSetLeavesTheWindowWorkingAndSilent) {
    const WindowCase& w = GetParam();
    // What the window asks and tells the driver while it opens, is used and closes.
    std::string script = std::string("start\ntray dblclick\nemu state 1\ncheck Korvalin ") + w.box +
                         " 1\nwait 300\n" + w.actions + "wait 1100\nclose " + Caption() +
                         "\nemu state 2\nwindows\n";
    std::string cards = R"({"cards": [{"extended": true}, {}], "persist": false)";
    Result plain = RunScript(script, cards + "}", true);
    ASSERT_EQ(plain.status, 0) << plain.out;
    auto used = MessagesBetween(plain, "card 1 removed=", "card 2 removed=");
    // Start-up's own messages stay answered: the fault is the window's.
    for (const auto& m : MessagesBetween(plain, "drv", "card 1 removed="))
        used.erase(m);
    ASSERT_GE(used.size(), 3u) << plain.out;
    std::string refuse;
    for (const auto& m : used)
        refuse += std::string(refuse.empty() ? "" : ", ") + "{\"msg\": \"" + m + "\"}";

    Result r = RunScript(script + "check Korvalin " + w.box + " 1\nwait 300\n" + w.actions + "windows\n",
                         cards + ", \"faults\": {\"refuse\": [" + refuse + "]}}", true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("msgbox"), 0) << r.out;
    // Every message the window sends is refused, and the window still opens, takes input and closes.
    EXPECT_GE(r.Count("result=1"), static_cast<int>(used.size())) << r.out;
    EXPECT_EQ(r.Count(std::string("class=") + w.className + " visible=1"), 1) << r.out;
    auto [opens, closes] = OpensAndCloses(r, "window caption=");
    EXPECT_GT(opens, 0) << r.out;
    EXPECT_EQ(opens, closes) << r.out; // the close gave back every control handle
}

TEST_P(WindowFaults, AFailingControlOpenUnchecksTheWindowsBoxWithoutAMessage) {
    const WindowCase& w = GetParam();
    std::string scenario = std::string(R"({"cards": [{}, {}], "persist": false, "faults": {"fail_open": [)") +
                           "{\"card\": 2, \"pair\": " + std::to_string(w.pairs.back()) +
                           ", \"direction\": \"" + w.direction + "\"}]}}";
    Result r = RunScript(Open() + "windows\nshow Korvalin " + w.box + "\nemu state 1\ncheck Korvalin " +
                             w.box + " 1\nwait 10\nshow Korvalin " + w.box + "\n",
                         scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("msgbox"), 0) << r.out;
    EXPECT_EQ(r.Count(std::string("caption=\"") + w.caption + "\""), 0) << r.out; // no window in the listing
    auto shown = Matching(r, std::string(w.box) + " ");
    ASSERT_EQ(shown.size(), 2u) << r.out;
    for (const auto& l : shown)
        EXPECT_NE(l.find("checked=0"), std::string::npos) << l; // also after a second try
    auto [opens, closes] = OpensAndCloses(r, "card 1 removed=");
    EXPECT_GT(opens, 0) << r.out;
    EXPECT_EQ(opens, closes) << r.out; // what was opened before the failure is closed again
    EXPECT_GE(r.Count("result=1"), 2) << r.out;
}

TEST_P(WindowFaults, ALevelReadFailingForOnePairDarkensOnlyThatPairsMeters) {
    const WindowCase& w = GetParam();
    bool in = std::string(w.direction) == "in";
    std::string getLevels = in ? "0x403A" : "0x4009";
    // Full-scale signals everywhere; card 1's first pair of this window cannot be read.
    std::string sine = R"({"type": "sine", "level": 32767, "freq": 1000})";
    std::string signals = "{\"signals\": {\"in\": [" + sine + "," + sine + "," + sine + "], \"out\": [" +
                          sine + "," + sine + "," + sine + "]}}";
    std::string scenario = "{\"cards\": [" + signals + "," + signals +
                           "], \"persist\": false, \"faults\": {\"refuse\": [{\"card\": 1, \"pair\": " +
                           std::to_string(w.pairs.front()) + ", \"direction\": \"" + w.direction +
                           "\", \"msg\": \"" + getLevels + "\"}]}}";
    Result r = RunScript(Open() + "resize " + Caption() + " 900 900\nwait 500\nshow " + Caption() + "\n",
                         scenario, true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("msgbox"), 0) << r.out;
    EXPECT_GT(r.Count("msg=" + getLevels), 0) << r.out;
    EXPECT_GT(r.Count("msg=" + getLevels) - r.Count("msg=" + getLevels + " p1=0x00000000 result=1"), 0);
    int card1Dark = 0, card1Lit = 0, card2Dark = 0, card2Lit = 0;
    for (const auto& l : Matching(r, "TLevelMeter")) {
        bool copy = l.find("@2 ") != std::string::npos;
        bool dark = l.find("lit=0") != std::string::npos;
        (copy ? (dark ? card2Dark : card2Lit) : (dark ? card1Dark : card1Lit))++;
    }
    // The failing pair shows nothing; every other pair, before and after it, goes on metering.
    EXPECT_EQ(card2Dark, 0) << r.out;
    EXPECT_GT(card2Lit, 0) << r.out;
    EXPECT_GT(card1Dark, 0) << r.out;
    EXPECT_EQ(card1Lit, w.pairs.size() > 1 ? card1Dark : 0) << r.out;
}

TEST_P(WindowFaults, ACardPulledWhileTheWindowIsOpenEndsTheProgramCleanly) {
    const WindowCase& w = GetParam();
    Result r = RunScript(Open() + w.actions + "emu remove 2\nwindows\ncheck Korvalin " + w.box + " 0\n",
                         mixer_script::Cards(2), true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("msgbox"), 0) << r.out;
    EXPECT_EQ(r.Count("program ended"), 2) << r.out;
    // The driver was released for the other programs, and every control handle went back.
    EXPECT_TRUE(r.Has("setconfig")) << r.out;
    auto [opens, closes] = OpensAndCloses(r, "program ended");
    EXPECT_GT(opens, 0) << r.out;
    EXPECT_EQ(opens, closes) << r.out;
}

void PrintTo(const WindowCase& w, std::ostream* os) {
    *os << w.name;
}

INSTANTIATE_TEST_SUITE_P(EachWindow, WindowFaults, ::testing::ValuesIn(Windows()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsDialogFaults, ACardPulledWhileTheDialogIsOpenEndsTheProgramCleanly) {
    Result r =
        RunScript("start\ntray dblclick\ncheck Korvalin chkSettings 1\nwindows\nemu remove 1\nwindows\n",
                  mixer_script::Cards(2), true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Korvalin Einstellungen Karte #1\" class=TdlgCfg visible=1")) << r.out;
    EXPECT_EQ(r.Count("msgbox"), 0) << r.out;
    EXPECT_TRUE(r.Has("program ended")) << r.out;
    EXPECT_TRUE(r.Has("setconfig")) << r.out;
}

// A configuration entry that never answers: the request gives up (the default is 10 s) and the program
// says the driver could not be reached, then goes on with its messages.
class HangingConfiguration : public ::testing::Test {
protected:
    void SetUp() override { krvl::SetConfigRequestTimeout(200); }
    void TearDown() override { krvl::SetConfigRequestTimeout(10000); }
};

const char* const kNotReached =
    "msgbox caption=\"Fehler\" style=0x10 text=\"Korvalin Treiber konnte nicht geöffnet werden.\"";

TEST_F(HangingConfiguration, AtStartUpTheProgramReportsTheDriverAndEnds) {
    Result r = RunScript("start\nwindows\n", R"({"faults": {"config_never_completes": true}})", true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("drv config \"KRVL.DRV,DriverConfig getstates"), 1) << r.out;
    EXPECT_EQ(r.Count("config-done"), 0) << r.out;
    EXPECT_EQ(r.Count(kNotReached), 1) << r.out;
    EXPECT_TRUE(r.Has("program ended")) << r.out;
}

TEST_F(HangingConfiguration, BeforeTheSettingsDialogNothingOpensAndTheProgramKeepsWorking) {
    Result r = RunScript(
        "start\ntray dblclick\ncheck Korvalin chkSettings 1\nwindows\nshow Korvalin chkSettings\n"
        "check Korvalin chkAnalogInputs 1\nwait 300\nwindows\n"
        "drag \"KRV Ana. Input\" Slider0 -20\n",
        R"({"cards": [{}], "persist": false, "faults": {"config_never_completes": ["getconfig"]}})", true);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count("drv config \"KRVL.DRV,DriverConfig getconfig"), 1) << r.out;
    // A failed "getconfig" opens no dialog and leaves the box as the user set it, without a word.
    EXPECT_EQ(r.Count("class=TdlgCfg"), 0) << r.out;
    EXPECT_TRUE(r.Has("caption=\" &Einstellungen\" checked=1")) << r.out;
    EXPECT_EQ(r.Count("msgbox"), 0) << r.out;
    // Messages and other windows still run.
    EXPECT_TRUE(r.Has("caption=\"KRV Ana. Input\" class=TfrmAnalogInp visible=1")) << r.out;
    EXPECT_EQ(r.Count("msg=0x4033"), 1) << r.out;
}

TEST(HangingConfigurationDefault, GivesUpWithinTenSeconds) {
    auto started = std::chrono::steady_clock::now();
    Result r = RunScript("start\n", R"({"faults": {"config_never_completes": true}})");
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(r.Count(kNotReached), 1) << r.out;
    // The bound the user waits at most, not a speed goal: the request has its own time-out.
    EXPECT_LT(took, std::chrono::seconds(12));
}

} // namespace
