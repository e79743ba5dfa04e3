// The settings dialog driven through krvl-script on the emulated card: what reaches the driver (the
// transcript's configuration requests and the driver's record afterwards) and what the dialog shows.
#include "tests/harness/script_run.h"

#include "system/sys.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using testing_harness::Result;
using testing_harness::RunScript;

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSlice = 200;
constexpr std::size_t kRecord = 800;
using Record = std::array<std::uint8_t, kRecord>;

const std::string kDlg1 = "\"Korvalin Einstellungen Karte #1\"";
const std::string kOpen = "start\ntray dblclick\ncheck Korvalin chkSettings 1\n";

void Put(Record& r, int card, std::size_t offset, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        r[static_cast<std::size_t>(card) * kSlice + offset + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(v >> (8 * i));
}

// The emulated card's own defaults for two cards.
Record Defaults() {
    Record r{};
    for (int c = 0; c < 2; ++c) {
        Put(r, c, 8, c == 0 ? -1 : 0);
        Put(r, c, 28, -1);
        Put(r, c, 32, -1);
        Put(r, c, 136, 44100);
        Put(r, c, 176, -1);
    }
    return r;
}

// A Windows directory whose emulator state file holds this configuration record, so the driver starts
// with it; the record the driver ends with is read back from the same file.
class SeededDriver {
public:
    explicit SeededDriver(const Record& record) {
        m_dir = fs::temp_directory_path() / ("krvl-settings-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        std::string hex;
        char buf[3];
        for (auto b : record) {
            std::snprintf(buf, sizeof buf, "%02X", b);
            hex += buf;
        }
        std::ofstream(m_dir / "KRVLemu.json") << "{\"config\": \"" << hex << "\"}\n";
    }
    ~SeededDriver() { fs::remove_all(m_dir); }
    std::string Dir() const { return m_dir.string(); }
    Record DriverRecord() const {
        std::ifstream in(m_dir / "KRVLemu.json");
        std::stringstream s;
        s << in.rdbuf();
        std::string text = s.str();
        Record r{};
        auto at = text.find("\"config\"");
        if (at == std::string::npos) return r;
        at = text.find('"', text.find(':', at)) + 1;
        for (std::size_t i = 0; i < kRecord; ++i) {
            unsigned v = 0;
            std::sscanf(text.c_str() + at + 2 * i, "%2x", &v);
            r[i] = static_cast<std::uint8_t>(v);
        }
        return r;
    }

private:
    fs::path m_dir;
};

int Requests(const Result& r, const std::string& name) {
    return r.Count("drv config \"KRVL.DRV,DriverConfig " + name + " ");
}

} // namespace

TEST(SettingsScript, OkWithoutAChangeClosesWithoutAnyRequestAndGivesTheMixerBoxesBack) {
    Result r = RunScript(kOpen + "show " + kDlg1 + " btnApply\nclick " + kDlg1 +
                             " btnOk\nwindows\nshow Korvalin chkSettings\nshow Korvalin chkAnalogInputs\n",
                         "", true);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(Requests(r, "getconfig"), 1) << r.out;
    EXPECT_TRUE(r.Has("btnApply TExtButton visible=1 enabled=0")) << r.out;
    EXPECT_EQ(Requests(r, "reconfigurable"), 0) << r.out;
    EXPECT_EQ(Requests(r, "setconfig"), 0) << r.out;
    EXPECT_FALSE(r.Has("class=TdlgCfg")) << r.out;
    EXPECT_TRUE(
        r.Has("chkSettings TExtCheckBox visible=1 enabled=1 bounds=8,8,145,17 caption=\" &Einstellungen\" "
              "checked=0"))
        << r.out;
    EXPECT_TRUE(r.Has("chkAnalogInputs TExtCheckBox visible=1 enabled=1")) << r.out;
}

TEST(SettingsScript, TheDefaultRateTakes11025To96000AndMarksAnythingElseRed) {
    std::string show = "show " + kDlg1 + " edDefaultRate\n";
    Result r = RunScript(kOpen + "type " + kDlg1 + " edDefaultRate 9600\n" + show + "click " + kDlg1 +
                             " btnOk\nwindows\ntype " + kDlg1 + " edDefaultRate 100000\n" + show + "click " +
                             kDlg1 + " btnApply\ntype " + kDlg1 + " edDefaultRate 96000\n" + show + "click " +
                             kDlg1 + " btnApply\nemu config 1 136\ntype " + kDlg1 +
                             " edDefaultRate 11025\nclick " + kDlg1 + " btnOk\nwindows\nemu config 1 136\n",
                         "", true);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("text=\"9600\" color=0x0000FF")) << r.out;
    EXPECT_TRUE(r.Has("text=\"100000\" color=0x0000FF")) << r.out;
    // Typing again gives the field its window colour back; a valid rate stays so.
    EXPECT_TRUE(r.Has("text=\"96000\" color=0x80000005")) << r.out;
    // Neither refused rate sent anything, and OK left the dialog open.
    EXPECT_EQ(Requests(r, "setconfig"), 2) << r.out;
    EXPECT_EQ(Requests(r, "reconfigurable"), 2) << r.out;
    ASSERT_GE(r.Count("class=TdlgCfg"), 1) << r.out;
    EXPECT_TRUE(r.Has("config card=1 136=96000")) << r.out;
    EXPECT_TRUE(r.Has("config card=1 136=11025")) << r.out;
    EXPECT_EQ(r.Count("class=TdlgCfg"), 1) << r.out; // open after the refused OK, closed after the last
    EXPECT_FALSE(sys::RecordedBeeps().empty());
}

TEST(SettingsScript, LettersTypedIntoTheDefaultRateNeverAppear) {
    Result r = RunScript(kOpen + "type " + kDlg1 + " edDefaultRate x4y8z0-0.0 ab\nshow " + kDlg1 +
                         " edDefaultRate\nclick " + kDlg1 + " btnOk\nemu config 1 136\n");
    EXPECT_TRUE(r.Has("text=\"48000\" color=0x80000005")) << r.out;
    EXPECT_TRUE(r.Has("config card=1 136=48000")) << r.out;
}

TEST(SettingsScript, WordClockSyncDisablesTheRateAndRenamesTheInternalClocks) {
    std::string showAll;
    for (const char* name : {"lbDefaultRate", "edDefaultRate", "lbDefaultRateHz", "btnInternal1",
                             "btnInternal2", "btnInternal3"})
        showAll += "show " + kDlg1 + " " + name + "\n";
    Result r = RunScript(kOpen + "check " + kDlg1 + " chkSyncToWc 1\n" + showAll + "check " + kDlg1 +
                         " chkSyncToWc 0\n" + showAll + "check " + kDlg1 + " chkSyncToWc 1\nclick " + kDlg1 +
                         " btnOk\nemu config 1 132\n");
    EXPECT_EQ(r.Count("enabled=0"), 3) << r.out; // the three rate controls, while synchronised
    EXPECT_EQ(r.Count("caption=\"Intern (Word Clock)\""), 3) << r.out;
    EXPECT_EQ(r.Count("caption=\"Intern\" checked=1"), 3) << r.out; // after unchecking
    EXPECT_TRUE(r.Has("config card=1 132=-1")) << r.out;
}

TEST(SettingsScript, ZadeRarForTheDigitalPairSetsOnlyItsPlaybackClockAndForAnAnalogPairBoth) {
    Record seed = Defaults();
    Put(seed, 0, 56 + 64, 7); // the digital pair's record clock, which the dialog never writes
    SeededDriver driver(seed);
    Result r =
        RunScript(kOpen + "check " + kDlg1 + " btnZadeRarClock3 1\ncheck " + kDlg1 +
                      " btnDigInClock2 1\nclick " + kDlg1 + " btnOk\nemu config 1 56 60 88 92 120 124\n",
                  "", false, driver.Dir());
    EXPECT_TRUE(r.Has("config card=1 56=0 60=0 88=1 92=1 120=7 124=2")) << r.out;
}

TEST(SettingsScript, StartStopButtonsWriteTheirPairsFlags) {
    Result r = RunScript(kOpen + "check " + kDlg1 + " btnRecZadeRar1 1\ncheck " + kDlg1 +
                         " btnPlayZadeRar3 1\nclick " + kDlg1 + " btnOk\nemu config 1 48 52 112 116\n");
    EXPECT_TRUE(r.Has("config card=1 48=0 52=-1 112=-1 116=0")) << r.out;
}

TEST(SettingsScript, TheNextCardsDialogIsModalAtAnOffsetAndTheLastHasNoNextButton) {
    const std::string four = R"({"cards": [{}, {}, {}, {}]})";
    std::string script = kOpen;
    for (int card = 1; card <= 3; ++card)
        script += "click \"Korvalin Einstellungen Karte #" + std::to_string(card) + "\" btnNext\n";
    script +=
        "windows\nshow \"Korvalin Einstellungen Karte #3\" btnNext\nshow \"Korvalin Einstellungen Karte "
        "#4\" btnNext\nclick Korvalin chkSettings\nshow Korvalin chkSettings\n";
    for (int card = 4; card >= 1; --card)
        script += "click \"Korvalin Einstellungen Karte #" + std::to_string(card) + "\" btnCancel\n";
    script += "windows\n";
    Result r = RunScript(script, four);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Korvalin Einstellungen Karte #1\" class=TdlgCfg visible=1 bounds=302,185,"))
        << r.out;
    EXPECT_TRUE(r.Has("caption=\"Korvalin Einstellungen Karte #4\" class=TdlgCfg visible=1 bounds=374,257,"))
        << r.out;
    EXPECT_EQ(r.Count("btnNext TExtButton visible=1 enabled=1"), 1) << r.out;
    EXPECT_EQ(r.Count("btnNext TExtButton visible=1 enabled=0"), 1) << r.out;
    // While a later card's dialog runs, the control window takes no clicks.
    EXPECT_TRUE(r.Has("caption=\" &Einstellungen\" checked=1")) << r.out;
    EXPECT_EQ(r.Count("class=TdlgCfg"), 4) << r.out; // one windows listing with the four dialogs
}

TEST(SettingsScript, WithOneCardThereIsNoNextCard) {
    Result r = RunScript(kOpen + "show " + kDlg1 + " btnNext\n", R"({"cards": [{}]})");
    EXPECT_TRUE(r.Has("btnNext TExtButton visible=1 enabled=0")) << r.out;
}

TEST(SettingsScript, AnotherCardsSliceIsWrittenByItsDialogAndSentAgainByTheFirst) {
    Result r = RunScript(
        kOpen + "click " + kDlg1 + " btnNext\nshow \"Korvalin Einstellungen Karte #2\" chkSyncToWc\n" +
            "check \"Korvalin Einstellungen Karte #2\" chkMaster 1\nclick \"Korvalin Einstellungen "
            "Karte #2\" btnOk\nemu config 2 8\nselect " +
            kDlg1 + " pgMain 1\ncheck " + kDlg1 + " chkWriteIsPlayCursor 1\nclick " + kDlg1 +
            " btnOk\nemu config 1 8 156\nemu config 2 8\n",
        "", true);
    // The second card of the default scenario has no extended connectors.
    EXPECT_TRUE(r.Has("chkSyncToWc TExtCheckBox visible=0")) << r.out;
    EXPECT_EQ(Requests(r, "setconfig"), 2) << r.out;
    EXPECT_EQ(r.Count("config card=2 8=-1"), 2) << r.out;
    EXPECT_TRUE(r.Has("config card=1 8=-1 156=-1")) << r.out;
}

TEST(SettingsScript, AutomaticLatencyOpensWithTheBarAt60DisabledAndManualWrites60AtOnce) {
    std::string shows;
    for (const char* name : {"btnAutoLatency", "barLatency", "lbMs", "lbMsLabel", "lb1ms", "lb100ms"})
        shows += "show " + kDlg1 + " " + name + "\n";
    Result r = RunScript(kOpen + "select " + kDlg1 + " pgMain 1\n" + shows + "check " + kDlg1 +
                         " btnManLatency 1\nshow " + kDlg1 + " barLatency\nclick " + kDlg1 +
                         " btnApply\nemu config 1 160\n");
    EXPECT_TRUE(r.Has("btnAutoLatency TExtRadioButton visible=1 enabled=1")) << r.out;
    EXPECT_TRUE(r.Has("caption=\" Automatische &Latenz Erkennung\" checked=1")) << r.out;
    EXPECT_TRUE(r.Has("barLatency TTrackBar visible=1 enabled=0 bounds=0,40,370,36 position=60")) << r.out;
    for (const char* name : {"lbMs", "lbMsLabel", "lb1ms", "lb100ms"})
        EXPECT_TRUE(r.Has(std::string(name) + " TLabel visible=1 enabled=0")) << name << "\n" << r.out;
    EXPECT_TRUE(r.Has("barLatency TTrackBar visible=1 enabled=1 bounds=0,40,370,36 position=60")) << r.out;
    EXPECT_TRUE(r.Has("config card=1 160=60")) << r.out;
}

TEST(SettingsScript, MovingTheGigaSamplerBarsLeavesAnAutomaticLatencyAutomatic) {
    Result r = RunScript(kOpen + "select " + kDlg1 + " pgMain 1\ndrag " + kDlg1 + " tckKerning 60\ndrag " +
                             kDlg1 + " tckPreload 40\nshow " + kDlg1 + " tckKerning\nshow " + kDlg1 +
                             " btnApply\nclick " + kDlg1 + " btnOk\nemu config 1 160\n",
                         "", true);
    EXPECT_FALSE(r.Has("tckKerning TTrackBar visible=1 enabled=1 bounds=0,16,176,30 position=1")) << r.out;
    EXPECT_TRUE(r.Has("btnApply TExtButton visible=1 enabled=1")) << r.out; // still counts as a change
    EXPECT_EQ(Requests(r, "setconfig"), 1) << r.out;
    EXPECT_TRUE(r.Has("config card=1 160=0")) << r.out;
}

TEST(SettingsScript, AManualLatencyFollowsTheBar) {
    Record seed = Defaults();
    Put(seed, 0, 160, 25);
    SeededDriver driver(seed);
    Result r = RunScript(kOpen + "select " + kDlg1 + " pgMain 1\nshow " + kDlg1 + " lbMs\ndrag " + kDlg1 +
                             " barLatency 35\nshow " + kDlg1 + " barLatency\nclick " + kDlg1 +
                             " btnOk\nemu config 1 160\n",
                         "", false, driver.Dir());
    EXPECT_TRUE(r.Has("lbMs TLabel visible=1 enabled=1 bounds=166,24,20,13 caption=\"25\"")) << r.out;
    EXPECT_TRUE(r.Has("position=35")) << r.out; // 35 pixels are about ten steps
    EXPECT_TRUE(r.Has("config card=1 160=35")) << r.out;
}

TEST(SettingsScript, TheRestrictedFormatIsClearedWhenUncheckedAndTheListsSelectionComesBack) {
    Record seed = Defaults();
    Put(seed, 0, 164, 22050);
    Put(seed, 0, 168, 1);
    SeededDriver driver(seed);
    std::string pre = kOpen + "select " + kDlg1 + " pgMain 1\nshow " + kDlg1 + " boxRestrictedRate\nshow " +
                      kDlg1 + " boxRestrictedRes\n";
    Result r = RunScript(
        pre + "check " + kDlg1 + " chkRestricted 0\nshow " + kDlg1 + " boxRestrictedRate\nclick " + kDlg1 +
            " btnApply\nemu config 1 164 168\ncheck " + kDlg1 + " chkRestricted 1\nclick " + kDlg1 +
            " btnApply\nemu config 1 164 168\nselect " + kDlg1 + " boxRestrictedRate 2\nselect " + kDlg1 +
            " boxRestrictedRes 1\nclick " + kDlg1 + " btnOk\nemu config 1 164 168\n",
        "", false, driver.Dir());
    EXPECT_TRUE(r.Has(
        "boxRestrictedRate TComboBox visible=1 enabled=1 bounds=257,122,70,21 itemindex=0 text=\"22050 Hz\""))
        << r.out;
    EXPECT_TRUE(r.Has("itemindex=0 text=\"8 bit\"")) << r.out;
    EXPECT_TRUE(r.Has("boxRestrictedRate TComboBox visible=1 enabled=0")) << r.out;
    EXPECT_TRUE(r.Has("config card=1 164=0 168=0")) << r.out;
    EXPECT_TRUE(r.Has("config card=1 164=22050 168=1")) << r.out;
    EXPECT_TRUE(r.Has("config card=1 164=48000 168=2")) << r.out;
}

TEST(SettingsScript, TheAvailableDeviceListWritesItsIndexLessOne) {
    std::string apply = "click " + kDlg1 + " btnApply\nemu config 1 172 176\n";
    Result r = RunScript(kOpen + "select " + kDlg1 + " pgMain 1\ncheck " + kDlg1 +
                         " chkRestrictedDev 1\nselect " + kDlg1 + " boxDevices 3\n" + apply + "select " +
                         kDlg1 + " boxDevices 0\nshow " + kDlg1 + " boxDevices\n" + apply + "select " +
                         kDlg1 + " boxDevices 2\ncheck " + kDlg1 + " chkRestrictedDev 0\n" + apply);
    EXPECT_TRUE(r.Has("config card=1 172=-1 176=2")) << r.out;
    EXPECT_TRUE(r.Has("itemindex=0 text=\"Kein Gerät verfügbar\"")) << r.out;
    EXPECT_TRUE(r.Has("config card=1 172=-1 176=-1")) << r.out;
    // Unchecking keeps the device chosen.
    EXPECT_TRUE(r.Has("config card=1 172=0 176=1")) << r.out;
}

TEST(SettingsScript, ADriverThatCannotBeReconfiguredGetsNoSetconfigAndTheDialogStaysOpen) {
    Result r = RunScript(kOpen + "check " + kDlg1 + " chkMaster 0\nclick " + kDlg1 + " btnApply\nshow " +
                             kDlg1 + " btnApply\nclick " + kDlg1 + " btnOk\nwindows\nemu config 1 8\n",
                         R"({"faults": {"reconfigurable": 0}})", true);
    EXPECT_EQ(Requests(r, "reconfigurable"), 2) << r.out;
    EXPECT_EQ(Requests(r, "setconfig"), 0) << r.out;
    EXPECT_EQ(
        r.Count("msgbox caption=\"Fehler\" style=0x10 text=\"Die Einstellungen des Korvalin Treibers können "
                "derzeit nicht geändert werden.\\r\\nBeenden Sie erst alle Anwendungen, welche die Korvalin "
                "verwenden.\""),
        2)
        << r.out;
    EXPECT_TRUE(r.Has("btnApply TExtButton visible=1 enabled=1")) << r.out;
    EXPECT_TRUE(r.Has("caption=\"Korvalin Einstellungen Karte #1\" class=TdlgCfg visible=1")) << r.out;
    EXPECT_TRUE(r.Has("config card=1 8=-1")) << r.out;
}

TEST(SettingsScript, EveryByteTheDialogDoesNotEditReachesTheDriverUnchangedForEveryCard) {
    Record seed{};
    for (std::size_t i = 0; i < kRecord; ++i)
        seed[i] = static_cast<std::uint8_t>(i * 37 + 11);
    // Fields the dialog edits hold values it would write back alike, so only the change is a change.
    for (int c = 0; c < 4; ++c) {
        Put(seed, c, 8, -1);
        Put(seed, c, 12, 1);
        Put(seed, c, 28, 0);
        Put(seed, c, 32, -1);
        for (int p = 0; p < 3; ++p) {
            Put(seed, c, 48 + 32 * p, p == 1 ? -1 : 0);
            Put(seed, c, 52 + 32 * p, p == 2 ? -1 : 0);
            if (p < 2) Put(seed, c, 56 + 32 * p, p);
            Put(seed, c, 60 + 32 * p, p);
        }
        Put(seed, c, 132, 0);
        Put(seed, c, 136, 48000);
        Put(seed, c, 156, 0);
        Put(seed, c, 160, 30);
        Put(seed, c, 164, 48000);
        Put(seed, c, 168, 2);
        Put(seed, c, 172, -1);
        Put(seed, c, 176, 1);
    }
    SeededDriver driver(seed);
    Result r = RunScript(kOpen + "select " + kDlg1 + " pgMain 1\ncheck " + kDlg1 +
                             " chkWriteIsPlayCursor 1\nclick " + kDlg1 + " btnOk\nwindows\n",
                         R"({"cards": [{}, {}, {}, {}]})", false, driver.Dir());
    ASSERT_FALSE(r.Has("class=TdlgCfg")) << r.out;
    Record sent = driver.DriverRecord();
    Record expected = seed;
    Put(expected, 0, 156, -1);
    for (std::size_t i = 0; i < kRecord; ++i)
        EXPECT_EQ(sent[i], expected[i]) << "card " << i / kSlice + 1 << " byte " << i % kSlice;
}

TEST(SettingsScript, InfoShowsTheAboutBoxAndTheCloseBoxLeavesWithoutApplying) {
    Result r =
        RunScript(kOpen + "select " + kDlg1 + " pgMain 2\nclick " + kDlg1 +
                      " btnInfo\nwindows\nclick Info OKButton\nselect " + kDlg1 + " pgMain 0\ncheck " +
                      kDlg1 + " chkMaster 0\nclose " + kDlg1 + "\nwindows\nshow Korvalin chkSettings\n",
                  "", true);
    EXPECT_TRUE(r.Has("window caption=\"Info\" class=TAboutBox visible=1")) << r.out;
    EXPECT_EQ(Requests(r, "reconfigurable"), 0) << r.out;
    EXPECT_EQ(r.Count("class=TdlgCfg"), 1) << r.out; // listed while the about box was open only
    EXPECT_TRUE(r.Has("caption=\" &Einstellungen\" checked=0")) << r.out;
}

TEST(SettingsScript, TheProgramEndsCleanlyWhileALaterCardsDialogRuns) {
    for (const char* end : {"exit\n", "endsession\n"}) {
        Result r = RunScript(kOpen + "click " + kDlg1 + " btnNext\nwindows\n" + end + "windows\n", "", true);
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_TRUE(r.Has("caption=\"Korvalin Einstellungen Karte #2\" class=TdlgCfg visible=1")) << r.out;
        EXPECT_TRUE(r.Has("program ended")) << r.out;
        EXPECT_EQ(Requests(r, "setconfig"), 0) << r.out;
    }
}

// The Info box's modal loop ran on for good once the program had been told to end.
TEST(SettingsScript, TheProgramEndsWhileTheInfoBoxRunsOverADialog) {
    const std::string dlg2 = "\"Korvalin Einstellungen Karte #2\"";
    for (const char* end : {"exit\n", "endsession\n"}) {
        Result r = RunScript(kOpen + "click " + kDlg1 + " btnNext\nselect " + dlg2 + " pgMain 2\nclick " +
                                 dlg2 + " btnInfo\nwindows\n" + end + "windows\n",
                             "", true);
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_TRUE(r.Has("window caption=\"Info\" class=TAboutBox visible=1")) << r.out;
        EXPECT_TRUE(r.Has("program ended")) << r.out;
        EXPECT_FALSE(r.Has("msgbox")) << r.out;
        EXPECT_EQ(Requests(r, "setconfig"), 0) << r.out;
    }
}
