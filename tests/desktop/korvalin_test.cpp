// The korvalin program end to end on a virtual X server of its own: the tray icon embedded in a tray
// host, a double click on it opens the control window, whose check box captions are where the layout
// puts them; without a tray host the icon window stands in; SIGTERM ends the program with its settings
// written, or promptly with the failure told when they cannot be. Skips where the program or the X tools are
// missing.
#include "X11Session.h"

namespace {

using namespace desktop_test;

class Korvalin : public X11Session {
protected:
    void SetUp() override {
        program = BuildDir() / "desktop" / "korvalin";
        if (program.empty() || !fs::exists(program)) GTEST_SKIP() << "korvalin is not built";
        StartSession("korvalin-test");
    }

    // Opens the control window from the icon and checks what it shows.
    void OpenAndCheckControlWindow(const std::string& iconId) {
        std::vector<std::string> windows;
        // A double click the program missed while starting is repeated.
        ASSERT_TRUE(WaitFor([&] {
            DoubleClickCentre(iconId);
            return WaitFor([&] { return !(windows = Ids("--onlyvisible --name '^Korvalin$'")).empty(); },
                           2000);
        })) << Log();
        std::this_thread::sleep_for(std::chrono::milliseconds(500)); // painted
        Geometry g = GeometryOf(windows[0]);
        EXPECT_EQ(g.width, 161); // 167 x 159 less the classic single frame
        EXPECT_EQ(g.height, 134);
        fs::path png = dir / "control-window.png";
        Run("import -window " + windows[0] + " " + png.string());
        CheckCaptions(png);
        if (const char* keep = std::getenv("KRVL_SCREENSHOT_DIR")) {
            std::error_code ec;
            fs::copy_file(png, fs::path(keep) / "control-window.png", fs::copy_options::overwrite_existing,
                          ec);
        }
    }

    // Without a tray host: the icon window of its own opens the control window.
    void OpenFromTheIconWindow() {
        std::vector<std::string> icons;
        ASSERT_TRUE(WaitFor([&] {
            return !(icons = Ids("--onlyvisible --classname '^korvalin-trayicon$'")).empty();
        })) << Log();
        OpenAndCheckControlWindow(icons[0]);
    }

    void CheckCaptions(const fs::path& png) {
        Image image(png);
        ASSERT_TRUE(image.Ok()) << png;
        auto pixel = [&](int x, int y) { return image.Pixel(x, y); };
        auto dark = [&](int x0, int y0, int x1, int y1) { return image.Dark(x0, y0, x1, y1); };
        // Check boxes in client coordinates: four in the top panel, the settings box in the middle one,
        // stay-on-top in the bottom one.
        const int boxes[6][2] = {{8, 4}, {8, 21}, {8, 39}, {8, 56}, {8, 85}, {8, 113}};
        for (auto& b : boxes) {
            SCOPED_TRACE(testing::Message() << "check box at " << b[0] << "," << b[1]);
            EXPECT_EQ(pixel(b[0] + 6, b[1] + 8), 0xFFFFFFu); // the box's white face, unchecked
            EXPECT_GT(dark(b[0] + 16, b[1] + 1, b[0] + 110, b[1] + 16), 25); // its caption beside it
        }
        EXPECT_EQ(dark(122, 4, 154, 73), 0); // nothing right of the top panel's captions
        // Where the top panel ends and the middle one starts: the top panel's light outer edge, then the
        // middle panel's dark outer and light inner edge.
        EXPECT_EQ(pixel(60, 76), 0xFFFFFFu);
        EXPECT_EQ(pixel(60, 77), 0x808080u);
        EXPECT_EQ(pixel(60, 78), 0xFFFFFFu);
    }

    void TerminateAndCheckSettings() {
        ASSERT_EQ(kill(app.Pid(), SIGTERM), 0);
        std::optional<int> status = app.Wait(10000);
        ASSERT_TRUE(status) << "korvalin did not end on SIGTERM";
        EXPECT_EQ(*status, 0) << Log();
        std::ifstream in(dir / "config" / "korvalin" / "KRVLmix.ini");
        std::string settings((std::istreambuf_iterator<char>(in)), {});
        EXPECT_NE(settings.find("[Korvalin]"), std::string::npos) << settings;
        EXPECT_NE(settings.find("Left=420"), std::string::npos) << settings;
        EXPECT_NE(settings.find("chkStayOnTop=0"), std::string::npos) << settings;
    }
};

TEST_F(Korvalin, TrayIconInTheTrayHostOpensTheControlWindowAndSigtermSavesTheSettings) {
    if (!OnPath("trayer")) GTEST_SKIP() << "no tray host: install the trayer package";
    StartTrayHost();
    StartProgram();
    std::optional<std::string> icon = EmbeddedTrayIcon();
    ASSERT_TRUE(icon) << Log();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500)); // past the icon window's wait
    EXPECT_TRUE(Ids("--onlyvisible --classname '^korvalin-trayicon$'").empty());
    OpenAndCheckControlWindow(*icon);
    TerminateAndCheckSettings();
}

TEST_F(Korvalin, WithoutATrayHostTheIconWindowStandsIn) {
    StartProgram();
    OpenFromTheIconWindow();
    TerminateAndCheckSettings();
}

// What the running program has mapped of the sound server's client library.
bool MapsLibpulse(pid_t pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find("/libpulse") != std::string::npos) return true;
    return false;
}

// On the emulated card the program loads none of the sound server's libraries; with --backend pulse the
// same process becomes the program with the server's driver, which tells that there is no server and
// shows the driver error as before.
TEST_F(Korvalin, TheSoundServerLibrariesAreLoadedOnlyForTheServerBackend) {
    StartProgram();
    std::vector<std::string> icons;
    ASSERT_TRUE(WaitFor([&] {
        return !(icons = Ids("--onlyvisible --classname '^korvalin-trayicon$'")).empty();
    })) << Log();
    EXPECT_FALSE(MapsLibpulse(app.Pid()));
    EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(app.Pid()) + "/exe").filename(), "korvalin");
    ASSERT_EQ(kill(app.Pid(), SIGTERM), 0);
    ASSERT_TRUE(app.Wait(10000)) << "korvalin did not end on SIGTERM";

    StartProgram({"PULSE_SERVER=unix:" + (dir / "no-server").string()}, {"--backend", "pulse"});
    ASSERT_TRUE(WaitFor([&] { return !Ids("--onlyvisible --name '^Fehler$'").empty(); })) << Log();
    EXPECT_NE(Log().find("korvalin: no sound server: "), std::string::npos) << Log();
    EXPECT_TRUE(MapsLibpulse(app.Pid()));
    EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(app.Pid()) + "/exe").filename(), "korvalin-pulse");
    ASSERT_EQ(kill(app.Pid(), SIGTERM), 0);
    std::optional<int> status = app.Wait(10000);
    ASSERT_TRUE(status) << "korvalin did not end on SIGTERM";
    EXPECT_EQ(*status, 0) << Log();
}

// A settings file that cannot be replaced (a folder in its place): SIGTERM still ends the program within
// a few seconds, the failed save told on standard error rather than in a box nobody would answer.
TEST_F(Korvalin, SigtermWithSettingsThatCannotBeSavedEndsPromptlyAndTellsWhy) {
    fs::create_directories(dir / "config" / "korvalin" / "KRVLmix.ini");
    StartProgram();
    OpenFromTheIconWindow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(kill(app.Pid(), SIGTERM), 0);
    std::optional<int> status = app.Wait(5000);
    ASSERT_TRUE(status) << "korvalin did not end within 5 s of SIGTERM\n" << Log();
    EXPECT_EQ(*status, 0) << Log();
    std::string log = Log();
    EXPECT_NE(log.find("Fehler: Die Einstellungen konnten nicht gespeichert werden. \""), std::string::npos)
        << log;
    EXPECT_TRUE(fs::is_directory(dir / "config" / "korvalin" / "KRVLmix.ini"));
}

// The settings box of the control window opens the dialog of the first card; a click on each tab shows
// its page. With KRVL_SCREENSHOT_DIR set, the three pages are saved there.
TEST_F(Korvalin, TheSettingsBoxOpensTheDialogAndEachTabShowsItsPage) {
    StartProgram();
    OpenFromTheIconWindow();
    ASSERT_FALSE(HasFatalFailure());
    Geometry control = ControlWindow();
    auto click = [&](int x, int y) { ClickAt(x, y); };
    click(control.x + 40, control.y + 93); // the caption of chkSettings
    std::vector<std::string> dialogs;
    ASSERT_TRUE(WaitFor([&] {
        return !(dialogs = Ids("--onlyvisible --name '^Korvalin Einstellungen Karte #1$'")).empty();
    })) << Log();
    Geometry dialog = GeometryOf(dialogs[0]);
    EXPECT_EQ(dialog.width, 414);
    EXPECT_EQ(dialog.height, 372);

    const char* names[] = {"settings-clock.png", "settings-dsound.png", "settings-misc.png"};
    std::vector<std::string> pages;
    for (int tab = 0; tab < 3; ++tab) {
        // The page control sits at 6,6; its tabs are 120 wide from 2,2 and 20 high.
        click(dialog.x + 6 + 2 + 120 * tab + 100, dialog.y + 6 + 12);
        std::this_thread::sleep_for(std::chrono::milliseconds(700)); // painted
        fs::path png = dir / names[tab];
        Run("import -window " + dialogs[0] + " " + png.string());
        std::ifstream in(png, std::ios::binary);
        pages.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        EXPECT_FALSE(pages.back().empty()) << png;
        if (const char* keep = std::getenv("KRVL_SCREENSHOT_DIR")) {
            std::error_code ec;
            fs::copy_file(png, fs::path(keep) / names[tab], fs::copy_options::overwrite_existing, ec);
        }
    }
    EXPECT_NE(pages[0], pages[1]);
    EXPECT_NE(pages[1], pages[2]);
    EXPECT_NE(pages[0], pages[2]);
    TerminateAndCheckSettings();
}

// The control window's digital inputs box opens the digital input window of the two default cards, the
// first with the extended connectors; widened to both strips, card 2 shows only its optical and Cd
// buttons. With KRVL_SCREENSHOT_DIR set, the window is saved there.
TEST_F(Korvalin, TheDigitalInputsBoxOpensTheWindowWithEachCardsConnectors) {
    StartProgram();
    OpenFromTheIconWindow();
    ASSERT_FALSE(HasFatalFailure());
    Geometry control = ControlWindow();
    ClickAt(control.x + 40, control.y + 29); // the caption of chkDigitalInputs
    std::vector<std::string> windows;
    ASSERT_TRUE(WaitFor([&] { return !(windows = Ids("--onlyvisible --name '^KRV Dig. Input$'")).empty(); }))
        << Log();
    // 97 x 499 with the scroll bar's 16, less the tool window's frame.
    ASSERT_TRUE(WaitFor([&] {
        Geometry g = GeometryOf(windows[0]);
        return g.width == 89 && g.height == 491;
    })) << Log();
    Run("xdotool windowsize " + windows[0] + " 174 475"); // both strips: the bar goes
    ASSERT_TRUE(WaitFor([&] {
        Geometry g = GeometryOf(windows[0]);
        return g.width == 174 && g.height == 475;
    })) << Log();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // painted, the meters running
    fs::path png = dir / "digital-input-2cards.png";
    Run("import -window " + windows[0] + " " + png.string());
    {
        Image image(png);
        ASSERT_TRUE(image.Ok()) << png;
        // Connector rows in client coordinates: card 1's strip from x 8, card 2's from x 88, 53 wide;
        // "Cinch" and "XLR" in the rows from y 42 and 58. Card 2's Cd takes the Cinch row, and below
        // it the panel is bare.
        EXPECT_GT(image.Dark(10, 44, 59, 58), 10);  // card 1's Cinch caption
        EXPECT_GT(image.Dark(10, 61, 59, 74), 10);  // card 1's XLR caption
        EXPECT_GT(image.Dark(90, 44, 139, 58), 10); // card 2's Cd caption
        EXPECT_EQ(image.Dark(90, 61, 139, 90), 0);  // where card 2 has no XLR and no Cd
    }
    if (const char* keep = std::getenv("KRVL_SCREENSHOT_DIR")) {
        std::error_code ec;
        fs::copy_file(png, fs::path(keep) / "digital-input-2cards.png", fs::copy_options::overwrite_existing,
                      ec);
    }
    TerminateAndCheckSettings();
    std::ifstream in(dir / "config" / "korvalin" / "KRVLmix.ini");
    std::string settings((std::istreambuf_iterator<char>(in)), {});
    std::size_t section = settings.find("[KRV Dig. Input]");
    ASSERT_NE(section, std::string::npos) << settings;
    EXPECT_NE(settings.find("Width=182", section), std::string::npos) << settings;
}

// The control window's output boxes open both output windows of the two default cards; widened to
// all strips, each shows both cards without a scroll bar. With KRVL_SCREENSHOT_DIR set, both are saved
// there.
TEST_F(Korvalin, TheOutputBoxesOpenBothOutputWindows) {
    StartProgram();
    OpenFromTheIconWindow();
    ASSERT_FALSE(HasFatalFailure());
    Geometry control = ControlWindow();
    struct Shown {
        const char* caption;
        int width; // cards x strip width + 22, less the sizeable frame
        const char* png;
    } shown[] = {{"KRV Ana. Output", 2 * 160 + 22 - 8, "analog-output-2cards.png"},
                 {"KV D-Out", 2 * 80 + 22 - 8, "digital-output-2cards.png"}};
    const int captionTops[] = {39, 56}; // chkAnalogOutputs, chkDigitalOutputs
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(shown[i].caption);
        ClickAt(control.x + 40, control.y + captionTops[i] + 8);
        std::vector<std::string> ids;
        ASSERT_TRUE(WaitFor([&] {
            return !(ids = Ids("--onlyvisible --name '^" + std::string(shown[i].caption) + "$'")).empty();
        })) << Log();
        Run("xdotool windowsize " + ids[0] + " 900 " + std::to_string(GeometryOf(ids[0]).height));
        ASSERT_TRUE(WaitFor([&] { return GeometryOf(ids[0]).width == shown[i].width; }, 5000))
            << GeometryOf(ids[0]).width;
        std::this_thread::sleep_for(std::chrono::milliseconds(1200)); // painted, meters lit
        fs::path png = dir / shown[i].png;
        Run("import -window " + ids[0] + " " + png.string());
        EXPECT_TRUE(fs::exists(png) && fs::file_size(png) > 0) << png;
        if (const char* keep = std::getenv("KRVL_SCREENSHOT_DIR")) {
            std::error_code ec;
            fs::copy_file(png, fs::path(keep) / shown[i].png, fs::copy_options::overwrite_existing, ec);
        }
        Run("xdotool windowmove " + ids[0] + " 0 0"); // off the control window's boxes
    }
    TerminateAndCheckSettings();
}

} // namespace
