// The korvalin program end to end on a virtual X server of its own: the tray icon embedded in a tray
// host, a double click on it opens the control window, whose check box captions are where the layout
// puts them; without a tray host the icon window stands in; SIGTERM ends the program with its settings
// written. Skips where the program or the X tools are missing.
#include <cairo.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool OnPath(const std::string& tool) {
    return std::system(("command -v " + tool + " > /dev/null 2>&1").c_str()) == 0;
}

fs::path ProgramPath() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path().parent_path() / "desktop" / "korvalin";
}

// A child process with its own environment additions; output goes to a log file.
class Child {
public:
    Child() = default;
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& log) {
        m_pid = fork();
        if (m_pid == 0) {
            for (const std::string& e : env)
                putenv(const_cast<char*>(e.c_str()));
            int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0) {
                dup2(out, 1);
                dup2(out, 2);
            }
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
    }
    Child(Child&& o) noexcept : m_pid(o.m_pid) { o.m_pid = -1; }
    Child& operator=(Child&& o) noexcept {
        std::swap(m_pid, o.m_pid);
        return *this;
    }
    ~Child() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    pid_t Pid() const { return m_pid; }
    // The exit status once the process ended within ms, or nothing.
    std::optional<int> Wait(unsigned ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return std::nullopt;
    }

private:
    pid_t m_pid{-1};
};

// A PNG read back for pixel checks.
class Image {
public:
    explicit Image(const fs::path& png) : m_surface(cairo_image_surface_create_from_png(png.c_str())) {}
    ~Image() { cairo_surface_destroy(m_surface); }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    bool Ok() const { return cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS; }
    std::uint32_t Pixel(int x, int y) const {
        int width = cairo_image_surface_get_width(m_surface),
            height = cairo_image_surface_get_height(m_surface);
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        const unsigned char* row =
            cairo_image_surface_get_data(m_surface) + y * cairo_image_surface_get_stride(m_surface);
        return *reinterpret_cast<const std::uint32_t*>(row + x * 4) & 0xFFFFFF;
    }
    // Pixels darker than 80 in every channel within [x0, x1) x [y0, y1): text and dark edges.
    int Dark(int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                std::uint32_t p = Pixel(x, y);
                if (((p >> 16) & 0xFF) < 80 && ((p >> 8) & 0xFF) < 80 && (p & 0xFF) < 80) ++n;
            }
        return n;
    }

private:
    cairo_surface_t* m_surface;
};

struct Geometry {
    int x{}, y{}, width{}, height{};
};

class Korvalin : public ::testing::Test {
protected:
    void SetUp() override {
        program = ProgramPath();
        if (program.empty() || !fs::exists(program)) GTEST_SKIP() << "korvalin is not built";
        for (const char* tool : {"Xvfb", "xdotool", "import", "xwininfo"})
            if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
        dir = fs::temp_directory_path() / ("korvalin-test-" + std::to_string(getpid()));
        fs::create_directories(dir / "config");
        StartX();
    }
    void TearDown() override {
        app = Child();
        tray = Child();
        xserver = Child();
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }

    // A display of its own, so parallel tests and tray hosts do not meet. The number is named, so the
    // server takes its lock file and two tests starting at once cannot share one display.
    void StartX() {
        int first = 200 + static_cast<int>(getpid() % 400);
        for (int n = first; n < first + 40 && display.empty(); ++n) {
            int fds[2];
            ASSERT_EQ(pipe(fds), 0);
            std::string fd = std::to_string(fds[1]);
            xserver = Child({"Xvfb", ":" + std::to_string(n), "-displayfd", fd, "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"},
                            {}, dir / "xvfb.log");
            close(fds[1]);
            std::string number;
            char c = 0;
            while (read(fds[0], &c, 1) == 1 && c != '\n')
                number += c;
            close(fds[0]);
            if (!number.empty()) display = ":" + number;
        }
        ASSERT_FALSE(display.empty()) << "Xvfb did not start";
    }

    void StartTrayHost() {
        tray = Child({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                      "32", "--SetDockType", "true"},
                     {"DISPLAY=" + display}, dir / "trayer.log");
        ASSERT_TRUE(WaitFor([&] { return !Ids("--classname '^trayer$'").empty(); }));
    }

    void StartProgram() {
        env = {"DISPLAY=" + display, "XDG_CONFIG_HOME=" + (dir / "config").string()};
        app = Child({program.string()}, env, dir / "korvalin.log");
    }

    std::string Run(const std::string& command) {
        std::string full = "DISPLAY=" + display + " " + command + " 2>/dev/null";
        std::string out;
        if (FILE* p = popen(full.c_str(), "r")) {
            char buffer[256];
            while (fgets(buffer, sizeof buffer, p))
                out += buffer;
            pclose(p);
        }
        return out;
    }
    std::vector<std::string> Ids(const std::string& search) {
        std::istringstream in(Run("xdotool search " + search));
        std::vector<std::string> ids;
        for (std::string id; in >> id;)
            ids.push_back(id);
        return ids;
    }
    Geometry GeometryOf(const std::string& id) {
        std::istringstream in(Run("xdotool getwindowgeometry --shell " + id));
        Geometry g;
        for (std::string line; std::getline(in, line);) {
            auto value = [&](const char* key) { return std::atoi(line.c_str() + std::strlen(key)); };
            if (line.rfind("X=", 0) == 0) g.x = value("X=");
            if (line.rfind("Y=", 0) == 0) g.y = value("Y=");
            if (line.rfind("WIDTH=", 0) == 0) g.width = value("WIDTH=");
            if (line.rfind("HEIGHT=", 0) == 0) g.height = value("HEIGHT=");
        }
        return g;
    }
    bool WaitFor(const std::function<bool()>& cond, unsigned ms = 15000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!cond()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return true;
    }
    void DoubleClickCentre(const std::string& id) {
        Geometry g = GeometryOf(id);
        Run("xdotool mousemove " + std::to_string(g.x + g.width / 2) + " " +
            std::to_string(g.y + g.height / 2) + " click --repeat 2 --delay 80 1");
    }
    void ClickAt(int x, int y) {
        Run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }
    // Where the open control window is on the screen.
    Geometry ControlWindow() {
        std::vector<std::string> controls = Ids("--onlyvisible --name '^Korvalin$'");
        EXPECT_FALSE(controls.empty());
        return controls.empty() ? Geometry{} : GeometryOf(controls[0]);
    }
    std::string Log() {
        std::ifstream in(dir / "korvalin.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
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

    fs::path program;
    fs::path dir;
    std::string display;
    std::vector<std::string> env;
    Child xserver;
    Child tray;
    Child app;
};

TEST_F(Korvalin, TrayIconInTheTrayHostOpensTheControlWindowAndSigtermSavesTheSettings) {
    if (!OnPath("trayer")) GTEST_SKIP() << "no tray host: install the trayer package";
    StartTrayHost();
    StartProgram();
    std::vector<std::string> icons;
    ASSERT_TRUE(WaitFor([&] { return !(icons = Ids("--classname '^korvalin-tray$'")).empty(); })) << Log();
    // Embedded: the icon's window hangs in the tray host's, not in the root window.
    ASSERT_TRUE(WaitFor([&] {
        std::istringstream tree(Run("xwininfo -tree -id " + icons[0]));
        for (std::string line; std::getline(tree, line);)
            if (line.find("Parent window id:") != std::string::npos)
                return line.find("(the root window)") == std::string::npos;
        return false;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(2500)); // past the icon window's wait
    EXPECT_TRUE(Ids("--onlyvisible --classname '^korvalin-trayicon$'").empty());
    OpenAndCheckControlWindow(icons[0]);
    TerminateAndCheckSettings();
}

TEST_F(Korvalin, WithoutATrayHostTheIconWindowStandsIn) {
    StartProgram();
    OpenFromTheIconWindow();
    TerminateAndCheckSettings();
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
