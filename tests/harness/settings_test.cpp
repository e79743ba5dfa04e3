// What the user stored in the settings file outlives the end of the program, however it ends.
#include "script_run.h"
#include "system/sys.h"

#include <filesystem>
#include <fstream>

using testing_harness::Result;
using testing_harness::RunScript;

namespace {

const char* const kStored = "[Korvalin]\r\nTop=10\r\nLeft=20\r\nHints=1\r\nchkStayOnTop=1\r\n";

// Runs the script on a settings folder holding the stored section; returns the file afterwards.
std::string RunOnStoredSettings(const std::string& script, Result* result = nullptr) {
    std::string dir = testing_harness::TempDir();
    std::ofstream(dir + "/KRVLmix.ini", std::ios::binary) << kStored;
    Result r = RunScript(script + "windows\n", "", false, dir);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("program ended")) << script << "\n" << r.out;
    if (result) *result = r;
    std::ifstream in(dir + "/KRVLmix.ini", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove_all(dir);
    return text;
}

bool Holds(const std::string& ini, const std::string& line) {
    return ini.find(line + "\r\n") != std::string::npos;
}

void ExpectAllKept(const std::string& ini, const std::string& how) {
    EXPECT_TRUE(Holds(ini, "Top=10")) << how << "\n" << ini;
    EXPECT_TRUE(Holds(ini, "Left=20")) << how << "\n" << ini;
    EXPECT_TRUE(Holds(ini, "Hints=1")) << how << "\n" << ini;
    EXPECT_TRUE(Holds(ini, "chkStayOnTop=1")) << how << "\n" << ini;
}

// The three ways the program ends, each after the script's lines so far.
const char* const kEndings[] = {"exit\n", "endsession\n", "emu remove 1\n"};

TEST(StoredSettings, AControlWindowNeverShownLeavesThemAsStored) {
    for (const char* ending : kEndings)
        ExpectAllKept(RunOnStoredSettings(std::string("start\nwindows\n") + ending), ending);
}

TEST(StoredSettings, AControlWindowClosedEarlierIsNotSavedAgainEmpty) {
    for (const char* ending : kEndings) {
        std::string ini = RunOnStoredSettings(
            std::string("start\ntray dblclick\ncheck Korvalin chkStayOnTop 1\nclose Korvalin\n") + ending);
        ExpectAllKept(ini, ending);
    }
}

TEST(StoredSettings, AControlWindowOpenAtTheEndSavesWhatItShows) {
    for (const char* ending : kEndings) {
        Result r;
        std::string ini = RunOnStoredSettings(std::string("start\ntray dblclick\nwindows\n") + ending, &r);
        EXPECT_TRUE(r.Has("window caption=\"Korvalin\" class=TMixControlWnd visible=1 bounds=20,10,167,159 "
                          "topmost=1"))
            << r.out;
        ExpectAllKept(ini, ending);
    }

    // What the user changed in this run is what stays.
    std::string ini = RunOnStoredSettings("start\ntray dblclick\ncheck Korvalin chkStayOnTop 0\nexit\n");
    EXPECT_TRUE(Holds(ini, "chkStayOnTop=0")) << ini;
    EXPECT_TRUE(Holds(ini, "Top=10")) << ini;
}

// A folder that takes no writes: outside the end of the session one box, as ever; at the end of the
// session nobody can answer a box, so every window still tries its save, the failure is one report
// line, and the program ends.
TEST(StoredSettings, AFailingSaveAtTheEndOfTheSessionIsReportedWithoutABoxAndTheProgramEnds) {
    int writes = 0;
    sys::SetProfileWriteFault([&](const std::string&) {
        ++writes;
        return true;
    });
    const std::string open = "start\ntray dblclick\ncheck Korvalin chkAnalogOutputs 1\n"
                             "check Korvalin chkDigitalInputs 1\n";
    Result r;
    std::string ini = RunOnStoredSettings(open + "check Korvalin chkAnalogOutputs 0\nexit\n", &r);
    ExpectAllKept(ini, "exit");
    EXPECT_EQ(r.Count("msgbox caption=\"Fehler\""), 1) << r.out;
    EXPECT_FALSE(r.Has("report ")) << r.out;

    writes = 0;
    ini = RunOnStoredSettings(open + "endsession\n", &r);
    sys::SetProfileWriteFault(nullptr);
    ExpectAllKept(ini, "endsession");
    EXPECT_FALSE(r.Has("msgbox")) << r.out;
    EXPECT_EQ(
        r.Count("report caption=\"Fehler\" text=\"Die Einstellungen konnten nicht gespeichert werden. "), 1)
        << r.out;
    EXPECT_EQ(r.Count("KRVLmix.ini\\\" ist nicht beschreibbar"), 1) << r.out;
    EXPECT_GE(writes, 3) << "the control window and both mixer windows try their saves";
}

} // namespace
