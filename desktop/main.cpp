// korvalin: the manager on an X11 desktop, on the emulated card or on the desktop's sound server;
// built twice: korvalin, and korvalin-pulse with the sound server's driver (KRVL_WITH_PULSE).
#include "app/startup.h"
#include "app/version.h"
#include "desktop/Host.h"
#include "emu/Emulator.h"
#include "emu/Scenario.h"
#ifdef KRVL_WITH_PULSE
#include "pulse/Driver.h"
#endif

#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Settings {
    std::optional<std::string> scenarioFile;
    std::string backend = "emu";
    std::string pulseMap;
    bool help = false;
    bool version = false;
};

// One table drives both the parsing and the usage text.
struct Option {
    const char* name;
    const char* value; // what follows the option (as "--name VALUE" or "--name=VALUE"); null: a flag
    const char* help;
    // Takes the value; false if it is not one the option accepts.
    std::function<bool(Settings&, const std::string&)> take;
};

const std::vector<Option>& Options() {
    static const std::vector<Option> options{
        {"--scenario", "FILE", "run the emulated card on a scenario in JSON (default: two cards)",
         [](Settings& s, const std::string& v) {
             s.scenarioFile = v;
             return true;
         }},
        {"--backend", "emu|pulse", "the emulated card (default) or the desktop's sound server",
         [](Settings& s, const std::string& v) {
             if (v != "emu" && v != "pulse") return false;
             s.backend = v;
             return true;
         }},
        {"--pulse-map", "FILE", "which sinks and sources of the sound server are the cards",
         [](Settings& s, const std::string& v) {
             s.pulseMap = v;
             return true;
         }},
        {"--help", nullptr, "print this text and exit",
         [](Settings& s, const std::string&) { return s.help = true; }},
        {"--version", nullptr, "print the version and exit",
         [](Settings& s, const std::string&) { return s.version = true; }},
    };
    return options;
}

void Usage(std::FILE* out) {
    std::fprintf(out, "usage: korvalin [OPTION]...\n"
                      "Runs the Korvalin Manager in the notification area, on the emulated card or on the\n"
                      "desktop's sound server.\n\n");
    for (const Option& o : Options()) {
        std::string left = o.name;
        if (o.value) left += std::string(" ") + o.value;
        std::fprintf(out, "  %-22s %s\n", left.c_str(), o.help);
    }
    std::fprintf(out, "  %-22s %s\n", "-h", "the same as --help");
    std::fprintf(out, "\nGTK's own options (--display DISPLAY, ...) are accepted as well.\n"
                      "Settings live in $XDG_CONFIG_HOME/korvalin (default ~/.config/korvalin);\n"
                      "the sound server's map is described in korvalin(1).\n");
}

// Parses argv[1..argc) against the table; on a fault, the one-line error, or an empty string.
std::string Parse(int argc, char** argv, Settings& settings) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h") arg = "--help";
        std::optional<std::string> inlineValue;
        if (std::size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        auto option =
            std::find_if(Options().begin(), Options().end(), [&](const Option& o) { return arg == o.name; });
        if (option == Options().end()) return "unknown option '" + std::string(argv[i]) + "'";
        std::string value;
        if (option->value) {
            if (inlineValue)
                value = *inlineValue;
            else if (i + 1 < argc)
                value = argv[++i];
            else
                return "option '" + arg + "' needs a value (" + option->value + ")";
        } else if (inlineValue) {
            return "option '" + arg + "' takes no value";
        }
        if (!option->take(settings, value))
            return "option '" + arg + "': '" + value + "' is not one of " + option->value;
    }
    return {};
}

// --help and --version answer before GTK looks at the display, so they work without one.
bool AsksForHelpOrVersion(int argc, char** argv, Settings& settings) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") settings.help = true;
        if (arg == "--version") settings.version = true;
    }
    return settings.help || settings.version;
}

int Answer(const Settings& settings) {
    if (settings.help)
        Usage(stdout);
    else
        std::printf("korvalin %s\n", krvl::kVersion);
    return 0;
}

#ifndef KRVL_WITH_PULSE
// The sound server's driver, and with it libpulse and its dozen libraries, is in a program of its own
// (this one with the driver), so the usual start on the emulated card loads none of them. It lies beside
// this program in the build tree and in the libexec folder once installed.
#ifndef KRVL_PULSE_PROGRAM_DIR
#define KRVL_PULSE_PROGRAM_DIR "../libexec/korvalin"
#endif

// Becomes the driver's program with the same arguments: the same process, output and exit status, as if
// this program had the driver itself. Returns only when it cannot, with the exit status to end with.
int ExecPulseProgram(const std::vector<std::string>& args) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        std::fprintf(stderr, "korvalin: cannot find the sound server's driver: %s\n", ec.message().c_str());
        return 1;
    }
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    fs::path program;
    int fault = ENOENT;
    for (const fs::path& dir : {self.parent_path(), self.parent_path() / KRVL_PULSE_PROGRAM_DIR}) {
        program = (dir / "korvalin-pulse").lexically_normal();
        execv(program.c_str(), argv.data());
        // Only a program that is not there sends us on to the next place.
        if ((fault = errno) != ENOENT) break;
    }
    std::fprintf(stderr, "korvalin: cannot start the sound server's driver %s: %s\n", program.c_str(),
                 std::strerror(fault));
    return 1;
}
#endif

} // namespace

int main(int argc, char** argv) {
    g_set_prgname("korvalin");
    g_set_application_name("Korvalin Manager");
    Settings settings;
    [[maybe_unused]] const std::vector<std::string> args(argv, argv + argc); // before GTK takes its own
    if (AsksForHelpOrVersion(argc, argv, settings)) return Answer(settings);
    // The program draws with cairo alone: GDK's probe of the GL drivers (about half of GTK's start-up,
    // before the tray icon can exist) is skipped unless the user asks for GL. Only for GDK's own start:
    // what the program starts later gets the environment as it was.
    const bool probeGl = g_getenv("GDK_GL") != nullptr;
    if (!probeGl) g_setenv("GDK_GL", "disable", TRUE);
    // GTK's own options (--display, ...) go first; what is left is ours.
    gtk_parse_args(&argc, &argv);
    if (!probeGl) g_unsetenv("GDK_GL");
    if (std::string fault = Parse(argc, argv, settings); !fault.empty()) {
        std::fprintf(stderr, "korvalin: %s\n", fault.c_str());
        Usage(stderr);
        return 2;
    }
    const std::optional<std::string>& scenarioFile = settings.scenarioFile;
    const std::string& backend = settings.backend;
#ifndef KRVL_WITH_PULSE
    // Before the display is opened: the driver's program opens its own.
    if (backend == "pulse") return ExecPulseProgram(args);
#endif

    emu::Scenario scenario = emu::Scenario::Default();
    if (scenarioFile) {
        try {
            scenario = emu::Scenario::FromFile(*scenarioFile);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "korvalin: scenario %s: %s\n", scenarioFile->c_str(), e.what());
            return 2;
        }
        for (const std::string& w : scenario.warnings)
            std::fprintf(stderr, "korvalin: scenario %s: ignored: %s\n", scenarioFile->c_str(), w.c_str());
    }

    if (!gtk_init_check(&argc, &argv)) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(
            stderr, "korvalin: cannot open the display '%s' (run desktop/run-desktop.sh for a virtual one)\n",
            display ? display : "");
        return 1;
    }

#ifdef KRVL_WITH_PULSE
    std::shared_ptr<pulse::Driver> server;
    if (backend == "pulse") {
        try {
            pulse::Options options;
            options.mapFile = settings.pulseMap;
            server = pulse::Driver::Install(options);
        } catch (const pulse::MapError& e) {
            std::fprintf(stderr, "korvalin: %s\n", e.what());
            return 2;
        }
        if (!server->Connected())
            std::fprintf(stderr, "korvalin: no sound server: %s\n", server->ConnectError().c_str());
    }
#else
    const bool server = false; // the driver's program serves --backend pulse
#endif

    desktop::Host& host = desktop::Host::Install();
    host.CatchSignals();
    auto emulator = server ? nullptr : emu::Emulator::Install(scenario);
    int rc = krvl::ProgramEntry();
    if (emulator) emulator->Uninstall();
#ifdef KRVL_WITH_PULSE
    if (server) server->Uninstall();
#endif
    // A configuration entry still running (a scenario's hung request) goes quiet with the emulator.
    sys::JoinShellPrograms();
    desktop::Host::Uninstall();
    return rc;
}
