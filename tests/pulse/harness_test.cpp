// The whole program on the sound-server driver, through krvl-script's harness.
#include "PulseTest.h"

#include "harness/Harness.h"

#include <sstream>

using namespace pulse_test;

namespace {

class OnServer : public PulseTest {
protected:
    // Runs a script on the test's server (or, with address, on that one); the printed lines.
    std::string Run(const std::string& script, const std::string& address = "") {
        ::setenv("PULSE_SERVER", (address.empty() ? m_server->Address() : address).c_str(), 1);
        harness::Options options;
        options.backend = "pulse";
        options.windowsDir = (m_server->Dir() / "windir").string();
        std::vector<std::string> lines;
        std::istringstream in(script);
        for (std::string l; std::getline(in, l);)
            lines.push_back(l);
        std::ostringstream out;
        {
            harness::Harness h(options, out);
            m_status = h.Run(lines);
        }
        ::unsetenv("PULSE_SERVER");
        return out.str();
    }
    int m_status{};
};

} // namespace

TEST_F(OnServer, WithoutAServerTheProgramSaysTheDriverCannotBeOpened) {
    std::string out = Run("start\nwindows\n", "unix:" + (m_server->Dir() / "none").string());
    EXPECT_EQ(m_status, 0) << out;
    EXPECT_NE(
        out.find(
            "msgbox caption=\"Fehler\" style=0x10 text=\"Korvalin Treiber konnte nicht geöffnet werden.\""),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("program ended"), std::string::npos) << out;
}

TEST_F(OnServer, TheProgramStartsInTheTrayOnTheServersCards) {
    std::string out = Run("start\ntray dblclick\nwindows\nexit\n");
    EXPECT_EQ(m_status, 0) << out;
    EXPECT_EQ(out.find("msgbox"), std::string::npos) << out;
    EXPECT_NE(out.find("window caption=\"Korvalin\" class=TMixControlWnd visible=1"), std::string::npos)
        << out;
}

TEST_F(OnServer, UnloadingAMappedSinkEndsTheProgramAsACardRemovalWithTheSettingsSaved) {
    std::thread unplug([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        std::string modules = m_server->Pactl("list short modules");
        std::istringstream lines(modules);
        for (std::string line; std::getline(lines, line);)
            if (line.find("sink_name=out34") != std::string::npos)
                m_server->Pactl("unload-module " + line.substr(0, line.find('\t')));
    });
    std::string out = Run("start\ntray dblclick\ncheck Korvalin chkStayOnTop 1\nwait 5000\nwindows\nini\n");
    unplug.join();
    EXPECT_EQ(m_status, 0) << out;
    EXPECT_NE(out.find("program ended"), std::string::npos) << out;
    EXPECT_NE(out.find("chkStayOnTop=1"), std::string::npos) << out;
}
