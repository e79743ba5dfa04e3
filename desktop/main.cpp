// korvalin: the manager on an X11 desktop, on the emulated card or on the desktop's sound server.
#include "app/startup.h"
#include "desktop/Host.h"
#include "emu/Emulator.h"
#include "emu/Scenario.h"
#include "pulse/Driver.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

void Usage(std::FILE* out) {
    std::fprintf(out, "usage: korvalin [--scenario FILE] [--backend emu|pulse] [--pulse-map FILE]\n"
                      "  Runs the Korvalin Manager on the emulated card (FILE: a scenario in JSON;\n"
                      "  default: two cards), or with --backend pulse on the sound server\n"
                      "  (--pulse-map: which sinks and sources are the cards, docs/pulse.md).\n"
                      "  Settings live in $XDG_CONFIG_HOME/korvalin.\n");
}

} // namespace

int main(int argc, char** argv) {
    g_set_prgname("korvalin");
    g_set_application_name("Korvalin Manager");
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage(stdout);
            return 0;
        }
    // GTK's own options (--display, ...) go first; what is left is ours.
    gtk_parse_args(&argc, &argv);
    std::optional<std::string> scenarioFile;
    std::string backend = "emu", pulseMap;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--backend" && i + 1 < argc &&
            (argv[i + 1] == std::string("emu") || argv[i + 1] == std::string("pulse"))) {
            backend = argv[++i];
        } else if (arg == "--pulse-map" && i + 1 < argc) {
            pulseMap = argv[++i];
        } else if (arg == "--scenario" && i + 1 < argc) {
            scenarioFile = argv[++i];
        } else if (arg.rfind("--scenario=", 0) == 0) {
            scenarioFile = arg.substr(std::strlen("--scenario="));
        } else {
            std::fprintf(stderr, "korvalin: unknown argument '%s'\n", arg.c_str());
            Usage(stderr);
            return 2;
        }
    }

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

    std::shared_ptr<pulse::Driver> server;
    if (backend == "pulse") {
        try {
            pulse::Options options;
            options.mapFile = pulseMap;
            server = pulse::Driver::Install(options);
        } catch (const pulse::MapError& e) {
            std::fprintf(stderr, "korvalin: %s\n", e.what());
            return 2;
        }
        if (!server->Connected())
            std::fprintf(stderr, "korvalin: no sound server: %s\n", server->ConnectError().c_str());
    }

    desktop::Host& host = desktop::Host::Install();
    host.CatchSignals();
    auto emulator = server ? nullptr : emu::Emulator::Install(scenario);
    int rc = krvl::ProgramEntry();
    if (emulator) emulator->Uninstall();
    if (server) server->Uninstall();
    // A configuration entry still running (a scenario's hung request) goes quiet with the emulator.
    sys::JoinShellPrograms();
    desktop::Host::Uninstall();
    return rc;
}
