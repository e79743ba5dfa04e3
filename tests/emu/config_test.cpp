// The configuration entry, reached as the manager reaches it: a block pair and ShellExecuteA of
// "rundll.exe" with the exact command line, then a wait for the completion word.
#include "EmuTest.h"

#include <cstdio>
#include <thread>

using namespace emu_test;
using namespace emu;

namespace {

class Config : public EmuTest {
protected:
    std::string Line(const std::string& request, DWORD data, DWORD done) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "KRVL.DRV,DriverConfig %s $%08X #%08X", request.c_str(), data, done);
        return buf;
    }
    // Starts the host and waits, as the manager does, with 1 ms sleeps (bounded here).
    bool Run(const std::string& parameters, Block& done, int maxWaitMs = 5000) {
        auto r = reinterpret_cast<std::uintptr_t>(
            ShellExecuteA(nullptr, nullptr, "rundll.exe", parameters.c_str(), "", SW_SHOWDEFAULT));
        if (r <= 32) return false;
        for (int i = 0; i < maxWaitMs && done.U32() == 0; ++i) {
            Sleep(1);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return done.U32() != 0;
    }
    bool Request(const std::string& request, Block& data) {
        Block done(4);
        return Run(Line(request, data.vp(), done.vp()), done);
    }
};

} // namespace

TEST_F(Config, GetStatesAnswersTheStateRecord) {
    InstallJson(R"({"cards": [{}, {"state": -24}], "overall_state": 1})");
    Block rec(20);
    Block done(4);
    std::string line = Line("getstates", rec.vp(), done.vp());
    ASSERT_TRUE(Run(line, done));
    EXPECT_EQ(static_cast<LONG>(rec.U32(0)), 1);
    EXPECT_EQ(static_cast<LONG>(rec.U32(4)), 1);
    EXPECT_EQ(static_cast<LONG>(rec.U32(8)), -24);
    EXPECT_EQ(rec.U32(12), 0u);
    EXPECT_EQ(rec.U32(16), 0u);
    sys::JoinShellPrograms();
    auto t = m_emu->Transcript();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0], "config \"" + line + "\"");
    EXPECT_EQ(t[1], "config-done getstates");

    m_emu->Uninstall();
    InstallJson(R"({"cards": [{}], "state_record": [-27, 5, 6, 7, 8]})");
    ASSERT_TRUE(Request("getstates", rec));
    EXPECT_EQ(static_cast<LONG>(rec.U32(0)), -27);
    EXPECT_EQ(rec.U32(16), 8u);
}

TEST_F(Config, GetConfigHasDefaultsAndSetConfigIsKept) {
    Install(Scenario::WithCards(2));
    Block rec(800);
    ASSERT_TRUE(Request("getconfig", rec));
    for (DWORD c = 0; c < 2; ++c) {
        DWORD s = c * 200;
        EXPECT_EQ(rec.U32(s + 136), 44100u);
        EXPECT_EQ(rec.U32(s + 160), 0u);          // latency automatic
        EXPECT_EQ(rec.U32(s + 28), 0xFFFFFFFFu);  // messages on
        EXPECT_EQ(rec.U32(s + 176), 0xFFFFFFFFu); // no device left alone
        EXPECT_EQ(rec.U32(s + 8), c == 0 ? 0xFFFFFFFFu : 0u);
    }
    EXPECT_EQ(rec.U32(400 + 136), 0u); // no third card

    rec.Put32(200 + 136, 48000);
    rec.Put32(200 + 196, 0x12345678); // a byte the program does not know is carried
    ASSERT_TRUE(Request("setconfig", rec));
    Block again(800);
    ASSERT_TRUE(Request("getconfig", again));
    EXPECT_EQ(again.U32(200 + 136), 48000u);
    EXPECT_EQ(again.U32(200 + 196), 0x12345678u);
    EXPECT_FALSE(m_emu->Released());

    // Removal: slice 0 starts with -1.
    again.Put32(0, 0xFFFFFFFF);
    ASSERT_TRUE(Request("setconfig", again));
    EXPECT_TRUE(m_emu->Released());
    EXPECT_EQ(m_emu->ConfigRecord()[200 + 136], 48000 & 0xFF);

    again.Put32(200 + 160, 20);
    ASSERT_TRUE(Request("setconfig_onthefly", again));
    EXPECT_EQ(m_emu->ConfigRecord()[200 + 160], 20);
}

TEST_F(Config, ReconfigurableUnlessBusy) {
    Install(Scenario::WithCards(1));
    Block v(4);
    ASSERT_TRUE(Request("reconfigurable", v));
    EXPECT_NE(v.U32(), 0u);
    // A program playing through the card makes it busy.
    WAVEFORMATEX plain = PlainFormat();
    HWAVEOUT p{};
    ASSERT_EQ(waveOutOpen(&p, 0, &plain, 0, 0, 0), 0u);
    v.Put32(0, 0);
    ASSERT_TRUE(Request("reconfigurable", v));
    EXPECT_EQ(v.U32(), 0u);
    waveOutClose(p);
    m_emu->SetBusy(0, true);
    ASSERT_TRUE(Request("reconfigurable", v));
    EXPECT_EQ(v.U32(), 0u);

    m_emu->Uninstall();
    InstallJson(R"({"cards": [{}], "faults": {"reconfigurable": 0}})");
    v.Put32(0, 7);
    ASSERT_TRUE(Request("reconfigurable", v));
    EXPECT_EQ(v.U32(), 0u);
}

TEST_F(Config, MalformedLinesAndBadAddressesChangeNothingButStillComplete) {
    Install(Scenario::WithCards(1));
    auto before = m_emu->ConfigRecord();
    Block rec(800), small(20), done(4);
    rec.Put32(136, 22050);
    std::vector<std::string> lines{
        Line("setconfig", small.vp(), done.vp()), // data block too small
        Line("setconfig", 0x55550000, done.vp()), // no such block
        Line("setkonfig", rec.vp(), done.vp()),   // unknown request
        "KRVL.DRV,Other setconfig $" + Line("", rec.vp(), done.vp()).substr(24),
        Line("setconfig", rec.vp(), done.vp()) + " extra",
        "KRVL.DRV,DriverConfig setconfig $1234 #" + Line("", 0, done.vp()).substr(34),
    };
    for (auto& line : lines) {
        SCOPED_TRACE(line);
        done.Put32(0, 0);
        EXPECT_TRUE(Run(line, done));
        EXPECT_EQ(m_emu->ConfigRecord(), before);
    }
    // Without a usable completion address nothing can complete.
    done.Put32(0, 0);
    EXPECT_FALSE(Run("KRVL.DRV,DriverConfig getstates $00000000 #0000", done, 50));
    sys::JoinShellPrograms();
    auto t = m_emu->Transcript();
    EXPECT_EQ(t.back(), "config \"KRVL.DRV,DriverConfig getstates $00000000 #0000\"");
}

TEST_F(Config, FaultSwitches) {
    InstallJson(R"({"cards": [{}], "faults": {"config_never_completes": true}})");
    Block rec(20), done(4);
    EXPECT_FALSE(Run(Line("getstates", rec.vp(), done.vp()), done, 50));
    sys::JoinShellPrograms();
    EXPECT_EQ(m_emu->Transcript().size(), 1u);

    TearDown();
    SetUp();
    InstallJson(R"({"cards": [{}], "faults": {"rundll_fails": true}})");
    auto r = reinterpret_cast<std::uintptr_t>(
        ShellExecuteA(nullptr, nullptr, "rundll.exe", "x", "", SW_SHOWDEFAULT));
    EXPECT_LE(r, 32u);
}
