// What the desktop end-to-end tests share: child processes, PNGs read back, and a fixture with an X
// server of its own, a tray host on demand and the X tools to find and drive windows.
#pragma once

#include <cairo.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
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

namespace desktop_test {

namespace fs = std::filesystem;

inline bool OnPath(const std::string& tool) {
    return std::system(("command -v " + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// The build folder this test program lies in (build/tests/test_desktop).
inline fs::path BuildDir() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path().parent_path();
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
    int Width() const { return cairo_image_surface_get_width(m_surface); }
    int Height() const { return cairo_image_surface_get_height(m_surface); }
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

// A scratch folder and a display of its own; tray host and program on demand. Skips where the X tools
// are missing.
class X11Session : public ::testing::Test {
protected:
    // Tag names the scratch folder; program is what StartProgram runs.
    void StartSession(const std::string& tag) {
        for (const char* tool : {"Xvfb", "xdotool", "import", "xwininfo"})
            if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
        dir = fs::temp_directory_path() / (tag + "-" + std::to_string(getpid()));
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

    void StartProgram(const std::vector<std::string>& extraEnv = {},
                      const std::vector<std::string>& args = {}) {
        env = {"DISPLAY=" + display, "XDG_CONFIG_HOME=" + (dir / "config").string()};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        std::vector<std::string> argv{program.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        app = Child(argv, env, dir / "korvalin.log");
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

    // The program's tray icon, once it hangs in the tray host's window rather than in the root window.
    std::optional<std::string> EmbeddedTrayIcon() {
        std::vector<std::string> icons;
        if (!WaitFor([&] { return !(icons = Ids("--classname '^korvalin-tray$'")).empty(); })) return {};
        bool embedded = WaitFor([&] {
            std::istringstream tree(Run("xwininfo -tree -id " + icons[0]));
            for (std::string line; std::getline(tree, line);)
                if (line.find("Parent window id:") != std::string::npos)
                    return line.find("(the root window)") == std::string::npos;
            return false;
        });
        return embedded ? std::optional<std::string>(icons[0]) : std::nullopt;
    }

    fs::path program;
    fs::path dir;
    std::string display;
    std::vector<std::string> env;
    Child xserver;
    Child tray;
    Child app;
};

} // namespace desktop_test
