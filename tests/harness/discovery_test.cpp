// Device lists that discovery cannot make cards of, driven through krvl-script.
#include "script_run.h"

#include <string>

using testing_harness::Result;
using testing_harness::RunScript;

namespace {

// A card's six devices, named for the card number `named` and answered by scenario card `answers`.
std::string CardDevices(int named, int answers) {
    std::string out;
    const char* numerals[] = {"I", "II", "III", "IV"};
    for (const char* dir : {"in", "out"}) {
        bool in = std::string(dir) == "in";
        for (int pair = 0; pair < 3; ++pair) {
            int first = (named - 1) * 4 + pair * 2 + 1;
            std::string name =
                pair == 2 ? std::string("Korvalin Digital ") + numerals[named - 1]
                          : "Korvalin Analog " + std::to_string(first) + "-" + std::to_string(first + 1);
            int pid = (pair == 2 ? 39 : 37) + (in ? 0 : 1);
            out += std::string(out.empty() ? "" : ",") + "{\"direction\": \"" + dir +
                   "\", \"mid\": 190, \"pid\": " + std::to_string(pid) + ", \"name\": \"" + name +
                   "\", \"card\": " + std::to_string(answers) + ", \"pair\": " + std::to_string(pair) + "}";
        }
    }
    return out;
}

std::string Scenario(const std::string& devices) {
    return "{\"cards\": [{}, {}], \"devices\": [" + devices + "]}";
}

TEST(Discovery, AGapOrACardListedTwiceEndsWithTheNoCardMessage) {
    for (const std::string& devices : {CardDevices(1, 1) + "," + CardDevices(3, 2),    // no second card
                                       CardDevices(1, 1) + "," + CardDevices(1, 2)}) { // the first twice
        Result r = RunScript("start\nwindows\n", Scenario(devices));
        EXPECT_EQ(r.status, 0) << r.out;
        ASSERT_EQ(r.Count("msgbox"), 1) << r.out;
        EXPECT_TRUE(
            r.Has("msgbox caption=\"Fehler\" style=0x10 text=\"Korvalin Treiber konnte nicht geöffnet "
                  "werden.\""))
            << r.out;
        EXPECT_TRUE(r.Has("program ended")) << r.out;
    }
}

} // namespace
