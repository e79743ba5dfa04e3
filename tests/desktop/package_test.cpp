// The .deb end to end: cpack builds it from this build folder, dpkg -x unpacks it into a scratch root;
// its dependencies, menu entry, metainfo, theme icons, man page and autostart example are checked, and
// the unpacked program answers --help and --version and puts its icon into a tray host on a display of
// its own. Skips where the packaging or X tools are missing.
#include "X11Session.h"
#include "app/version.h"

namespace {

using namespace desktop_test;

const std::string kAppId = "example.korvalin.Manager";

struct Result {
    int status{-1};
    std::string out, err;
};

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Package : public X11Session {
protected:
    void SetUp() override {
#ifdef KRVL_SANITIZED
        // What ships is the plain build; packing the sanitizer one would only check it twice, slower.
        GTEST_SKIP() << "the package is checked in the plain build";
#endif
        build = BuildDir();
        if (build.empty() || !fs::exists(build / "CPackConfig.cmake"))
            GTEST_SKIP() << "no CPack configuration";
        if (!fs::exists(build / "desktop" / "korvalin")) GTEST_SKIP() << "korvalin is not built";
        for (const char* tool :
             {"cpack", "dpkg-deb", "dpkg-shlibdeps", "desktop-file-validate", "appstreamcli", "trayer"})
            if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh)";
        StartSession("korvalin-package-test");
    }

    // A shell command's exit status and output.
    Result Shell(const std::string& command) {
        Result r;
        int rc =
            std::system((command + " > " + (dir / "out").string() + " 2> " + (dir / "err").string()).c_str());
        r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        r.out = ReadFile(dir / "out");
        r.err = ReadFile(dir / "err");
        return r;
    }

    // Builds the package into the scratch folder and unpacks it into root.
    fs::path BuildAndUnpack() {
        Result made = Shell("cd " + build.string() + " && cpack -G DEB -B " + (dir / "pkg").string());
        EXPECT_EQ(made.status, 0) << made.out << made.err;
        fs::path deb;
        for (const fs::directory_entry& e : fs::directory_iterator(dir / "pkg"))
            if (e.path().extension() == ".deb") deb = e.path();
        if (deb.empty()) return {};
        root = dir / "root";
        Result unpacked = Shell("dpkg -x " + deb.string() + " " + root.string());
        EXPECT_EQ(unpacked.status, 0) << unpacked.err;
        return deb;
    }

    fs::path build, root;
};

TEST_F(Package, TheDebInstallsAProgramTheDesktopFindsAndItsTrayIconAppears) {
    fs::path deb = BuildAndUnpack();
    ASSERT_FALSE(deb.empty()) << "cpack made no .deb";

    // Computed dependencies: the libraries the programs link (GTK; the sound server's client, for the
    // driver's program), plus the fonts, which are no library.
    Result fields = Shell("dpkg-deb -f " + deb.string() + " Package Version Depends");
    ASSERT_EQ(fields.status, 0) << fields.err;
    EXPECT_NE(fields.out.find("Package: korvalin\n"), std::string::npos) << fields.out;
    EXPECT_NE(fields.out.find(std::string("Version: ") + krvl::kVersion + "\n"), std::string::npos)
        << fields.out;
    for (const char* dependency : {"libgtk-3-0", "libpulse0", "libcairo2", "libc6", "fonts-liberation"})
        EXPECT_NE(fields.out.find(dependency), std::string::npos)
            << dependency << " missing in " << fields.out;

    const fs::path share = root / "usr" / "share";
    const fs::path desktopFile = share / "applications" / (kAppId + ".desktop");
    const fs::path metainfo = share / "metainfo" / (kAppId + ".metainfo.xml");
    const fs::path autostart = share / "doc" / "korvalin" / "examples" / (kAppId + ".desktop");
    const fs::path manPage = share / "man" / "man1" / "korvalin.1";
    for (const fs::path& file : {desktopFile, metainfo, autostart, manPage})
        ASSERT_TRUE(fs::exists(file)) << file;
    for (const fs::path& file : {desktopFile, autostart}) {
        Result valid = Shell("desktop-file-validate " + file.string());
        EXPECT_EQ(valid.status, 0) << file << "\n" << valid.out << valid.err;
        EXPECT_TRUE(valid.out.empty()) << valid.out; // not even a hint
    }
    std::string entry = ReadFile(desktopFile);
    for (const char* line : {"Name[de]=", "Comment[de]=", "Exec=korvalin\n",
                             "Icon=example.korvalin.Manager\n", "Categories=AudioVideo;Audio;Mixer;\n"})
        EXPECT_NE(entry.find(line), std::string::npos) << line;
    EXPECT_NE(ReadFile(autostart).find("X-GNOME-Autostart-enabled=true"), std::string::npos);
    EXPECT_FALSE(fs::exists(root / "etc" / "xdg" / "autostart")); // off until a user asks for it
    Result appstream = Shell("appstreamcli validate --no-net " + metainfo.string());
    EXPECT_EQ(appstream.status, 0) << appstream.out << appstream.err;
    EXPECT_NE(ReadFile(metainfo).find(std::string("<release version=\"") + krvl::kVersion + "\""),
              std::string::npos);

    // The man page names the example where the package put it, and formats without a warning.
    std::string man = ReadFile(manPage);
    EXPECT_NE(man.find("/usr/share/doc/korvalin/examples/" + kAppId + ".desktop"), std::string::npos);
    EXPECT_NE(man.find(std::string("korvalin ") + krvl::kVersion), std::string::npos);
    EXPECT_NE(man.find("/usr/libexec/korvalin/korvalin-pulse"), std::string::npos);
    if (OnPath("groff")) {
        Result formatted = Shell("groff -man -Tutf8 -ww -z " + manPage.string());
        EXPECT_TRUE(formatted.err.empty()) << formatted.err;
    }

    // Every theme size drawn at its size, and the scalable one.
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        std::string sub = std::to_string(size) + "x" + std::to_string(size);
        Image icon(share / "icons" / "hicolor" / sub / "apps" / (kAppId + ".png"));
        ASSERT_TRUE(icon.Ok()) << sub;
        EXPECT_EQ(icon.Width(), size);
        EXPECT_EQ(icon.Height(), size);
        // The desk's face left of the first fader, below the tracks (3, 27 on the icon's 32 grid).
        EXPECT_EQ(icon.Pixel((3 * size + size / 2) / 32, (27 * size + size / 2) / 32), 0xC0C0C0u) << sub;
    }
    std::string svg = ReadFile(share / "icons" / "hicolor" / "scalable" / "apps" / (kAppId + ".svg"));
    EXPECT_NE(svg.find("viewBox=\"0 0 32 32\""), std::string::npos);
    EXPECT_NE(svg.find("fill=\"#00C000\""), std::string::npos); // the lit meter

    // The unpacked program's options.
    program = root / "usr" / "bin" / "korvalin";
    ASSERT_TRUE(fs::exists(program));
    Result version = Shell(program.string() + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("korvalin ") + krvl::kVersion + "\n");
    Result help = Shell(program.string() + " --help");
    EXPECT_EQ(help.status, 0);
    for (const char* option :
         {"--scenario FILE", "--backend emu|pulse", "--pulse-map FILE", "--help", "--version"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    Result unknown = Shell(program.string() + " --volume 11");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err.substr(0, unknown.err.find('\n')), "korvalin: unknown option '--volume'");
    EXPECT_NE(unknown.err.find("usage: korvalin"), std::string::npos);

    // With --backend pulse it becomes the program with the sound server's driver, which the package puts
    // beside the programs' libraries, not on the path; that one reads the map and says what is wrong.
    EXPECT_TRUE(fs::exists(root / "usr" / "libexec" / "korvalin" / "korvalin-pulse"));
    EXPECT_FALSE(fs::exists(root / "usr" / "bin" / "korvalin-pulse"));
    Result mapless = Shell("DISPLAY=" + display + " " + program.string() + " --backend pulse --pulse-map " +
                           (dir / "no-map.json").string());
    EXPECT_EQ(mapless.status, 2) << mapless.err;
    EXPECT_EQ(mapless.err, "korvalin: map: cannot read " + (dir / "no-map.json").string() + "\n");

    // Started on a desktop with a tray host, its icon is embedded there and shows the lit meter.
    StartTrayHost();
    StartProgram();
    std::optional<std::string> icon = EmbeddedTrayIcon();
    ASSERT_TRUE(icon) << Log();
    fs::path png = dir / "tray-icon.png";
    bool green = WaitFor([&] {
        Run("import -window " + *icon + " " + png.string());
        Image shot(png);
        if (!shot.Ok()) return false;
        for (int y = 0; y < shot.Height(); ++y)
            for (int x = 0; x < shot.Width(); ++x) {
                std::uint32_t p = shot.Pixel(x, y);
                if (((p >> 8) & 0xFF) > 150 && ((p >> 16) & 0xFF) < 60 && (p & 0xFF) < 60) return true;
            }
        return false;
    });
    EXPECT_TRUE(green) << "no meter lamp in the tray icon";
    ASSERT_EQ(kill(app.Pid(), SIGTERM), 0);
    std::optional<int> status = app.Wait(10000);
    ASSERT_TRUE(status) << "korvalin did not end on SIGTERM";
    EXPECT_EQ(*status, 0) << Log();
}

} // namespace
