// Script input reaches the program under its error handling, and script numbers are checked.
#include "controls/audioctl32.h"
#include "script_run.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include <map>

using testing_harness::Result;
using testing_harness::RunScript;

namespace {

// A window beside the program's whose handlers fail, as a broken handler of a real window would.
struct ProbeWindow {
    tk::TOwned<tk::TForm> form = tk::Make<tk::TForm>();
    int okClicks = 0;

    ProbeWindow() {
        form->SetCaption("Probe");
        form->SetBounds(0, 0, 400, 300);
        auto fail = [](const char* what) { return [what](tk::TObject*) { throw tk::Exception(what); }; };
        Add<tk::TButton>("btnFail", 10, 10)->OnClick = fail("btnFail kaputt");
        Add<tk::TCheckBox>("chkFail", 10, 40)->OnClick = fail("chkFail kaputt");
        Add<tk::TPanel>("pnDown", 10, 70)->OnMouseDown = [](tk::TObject*, tk::TMouseButton, tk::TShiftState,
                                                            int,
                                                            int) { throw tk::Exception("pnDown kaputt"); };
        Add<tk::TButton>("btnOk", 10, 100)->OnClick = [this](tk::TObject*) { ++okClicks; };
        Add<tk::TEdit>("edFail", 10, 130)->OnChange = fail("edFail kaputt");
        auto* combo = Add<tk::TComboBox>("boxFail", 10, 160);
        combo->SetItems({"a", "b"});
        combo->OnChange = fail("boxFail kaputt");
        auto* slider = Add<krvl::TSlider>("Slider0", 200, 10);
        slider->SetBounds(200, 10, 30, 200);
        slider->OnChange = fail("Slider0 kaputt");
    }
    template <class T> T* Add(const char* name, int left, int top) {
        T* c = tk::New<T>(form.get());
        c->SetName(name);
        c->SetBounds(left, top, 80, 25);
        form->InsertControl(c);
        return c;
    }
};

std::string Report(const std::string& text) {
    return "msgbox caption=\"Korvalin Manager\" style=0x10 text=\"" + text + ".\"";
}

TEST(ScriptInput, AFailingHandlerIsReportedAsOnScreenAndTheScriptGoesOn) {
    ProbeWindow probe;
    Result r = RunScript("start\n"
                         "click Probe btnFail\n"
                         "check Probe chkFail 1\n"
                         "type Probe edFail ab\n"
                         "select Probe boxFail 1\n"
                         "drag Probe Slider0 -20\n"
                         "windows\n"
                         "exit\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count(Report("btnFail kaputt")), 1) << r.out;
    EXPECT_EQ(r.Count(Report("chkFail kaputt")), 1) << r.out;
    EXPECT_EQ(r.Count(Report("edFail kaputt")), 2) << r.out; // one report per key, as typed
    EXPECT_EQ(r.Count(Report("boxFail kaputt")), 1) << r.out;
    EXPECT_GE(r.Count(Report("Slider0 kaputt")), 1) << r.out;
    EXPECT_TRUE(r.Has("class=TMixControlWnd")) << r.out; // the script ran on
}

TEST(ScriptInput, AMouseDownThatFailsStillReleasesThePointer) {
    ProbeWindow probe;
    Result r = RunScript("start\nclick Probe pnDown\nclick Probe btnOk\nexit\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.Count(Report("pnDown kaputt")), 1) << r.out;
    EXPECT_EQ(probe.okClicks, 1); // the next click reached its button, not the failed panel
}

TEST(ScriptNumbers, BadNumbersAreScriptErrors) {
    ProbeWindow probe;
    struct Case {
        const char* line;
        const char* error;
    } cases[] = {
        {"drag Probe Slider0 up", "error: line 2: not a number: up"},
        {"drag Probe Slider0 99999999999999999999", "error: line 2: not a number: 99999999999999999999"},
        {"drag Probe Slider0 40000000", "error: line 2: out of range: 40000000"},
        {"select Probe boxFail first", "error: line 2: not a number: first"},
        {"select Probe boxFail 0x100000000", "error: line 2: out of range: 0x100000000"},
        {"check Probe chkFail yes", "error: line 2: not a number: yes"},
        {"check Probe chkFail 2", "error: line 2: out of range: 2"},
        {"wait 1s", "error: line 2: not a number: 1s"},
        {"post Probe 0x100000000 0 0", "error: line 2: out of range: 0x100000000"},
        {"emu set-volume 1 0 loud 0", "error: line 2: not a number: loud"},
    };
    for (const Case& c : cases) {
        Result r = RunScript(std::string("start\n") + c.line + "\nwindows\n");
        EXPECT_EQ(r.status, 2) << c.line << "\n" << r.out;
        EXPECT_TRUE(r.Has(c.error)) << c.line << "\n" << r.out;
        EXPECT_FALSE(r.Has("class=TMixControlWnd")) << c.line << "\n" << r.out; // the script stopped
    }
}

} // namespace

namespace {

std::map<std::string, std::uint64_t> StatsOf(const std::string& line) {
    std::map<std::string, std::uint64_t> v;
    std::istringstream in(line);
    std::string word;
    in >> word;
    while (in >> word)
        if (auto eq = word.find('='); eq != std::string::npos)
            v[word.substr(0, eq)] = std::stoull(word.substr(eq + 1));
    return v;
}

} // namespace

TEST(ScriptStats, MeteringCostsAReadPerPairAndARectanglePerLampChangeAndNothingWhenOff) {
    Result r =
        RunScript("start\ntray dblclick\ncheck Korvalin chkAnalogInputs 1\nwait 500\nstats\nwait 1000\n"
                  "stats\ncheck \"KRV Ana. Input\" chkPeakMeter 0\nwait 200\nstats\nwait 1000\nstats\n",
                         R"({"cards": [{}]})"); // one card: every meter in view
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<std::map<std::string, std::uint64_t>> s;
    for (const std::string& l : r.lines)
        if (l.rfind("stats ", 0) == 0) s.push_back(StatsOf(l));
    ASSERT_EQ(s.size(), 4u) << r.out;
    auto d = [&](std::size_t i, const char* k) { return s[i + 1].at(k) - s[i].at(k); };
    EXPECT_EQ(d(0, "ms"), 1000u);
    // Two pairs, one read per pair every 100 ms.
    EXPECT_EQ(d(0, "driver"), 20u);
    EXPECT_GT(d(0, "fills"), 0u);
    EXPECT_EQ(d(0, "invalidations"), d(0, "fills")); // each lamp change repaints that lamp alone
    EXPECT_GE(d(0, "messages"), 35u);                // 25 ticks and 10 polls
    // Metering off: a quiet second costs nothing.
    EXPECT_EQ(d(2, "driver"), 0u);
    EXPECT_EQ(d(2, "fills"), 0u);
    EXPECT_EQ(d(2, "invalidations"), 0u);
}
