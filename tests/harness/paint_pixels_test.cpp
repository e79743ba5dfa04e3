// The program's windows come out of the canvas's own pixel work exactly as cairo draws them.
#include "script_run.h"
#include "toolkit/CairoCanvas.h"

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace testing_harness;

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(WindowPixels, TheFourMixerWindowsAndTheControlWindowPaintAlikeThroughCairoAlone) {
    const std::string windows[] = {"Korvalin", "KRV Ana. Input", "KRV Dig. Input", "KRV Ana. Output",
                                   "KV D-Out"};
    std::string dir = TempDir();
    for (bool direct : {true, false}) {
        std::string script = "start\ntray dblclick\ncheck Korvalin chkAnalogInputs 1\ncheck Korvalin "
                             "chkDigitalInputs 1\ncheck Korvalin chkAnalogOutputs 1\ncheck Korvalin "
                             "chkDigitalOutputs 1\nwait 1500\n";
        for (int i = 0; i < 5; ++i)
            script += "snapshot \"" + windows[i] + "\" " + dir + "/" + std::to_string(i) +
                      (direct ? "d" : "c") + ".png\n";
        tk::TCairoCanvas::UseDirectPixels(direct);
        Result r = RunScript(script);
        tk::TCairoCanvas::UseDirectPixels(true);
        ASSERT_EQ(r.status, 0) << r.out;
        ASSERT_EQ(r.Count("snapshot "), 5) << r.out;
    }
    for (int i = 0; i < 5; ++i) {
        std::string a = Bytes(dir + "/" + std::to_string(i) + "d.png"),
                    b = Bytes(dir + "/" + std::to_string(i) + "c.png");
        EXPECT_GT(a.size(), 1000u) << windows[i];
        EXPECT_TRUE(a == b) << windows[i];
    }
    if (!HasFailure()) std::filesystem::remove_all(dir);
}
