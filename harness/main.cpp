// krvl-script [--scenario S.json] [--windir DIR] [--trace] [--backend emu|pulse] [--pulse-map FILE] SCRIPT
#include "harness/Harness.h"

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    harness::Options options;
    std::string script;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--scenario" && i + 1 < argc)
            options.scenarioFile = argv[++i];
        else if (a == "--windir" && i + 1 < argc)
            options.windowsDir = argv[++i];
        else if (a == "--trace")
            options.trace = true;
        else if (a == "--backend" && i + 1 < argc &&
                 (argv[i + 1] == std::string("emu") || argv[i + 1] == std::string("pulse")))
            options.backend = argv[++i];
        else if (a == "--pulse-map" && i + 1 < argc)
            options.pulseMap = argv[++i];
        else if (a == "--script" && i + 1 < argc)
            script = argv[++i];
        else if (!a.empty() && a[0] != '-' && script.empty())
            script = a;
        else {
            std::cout << "error: usage: krvl-script [--scenario S.json] [--windir DIR] [--trace] [--backend "
                         "emu|pulse] [--pulse-map FILE] SCRIPT\n";
            return 2;
        }
    }
    if (script.empty()) {
        std::cout << "error: usage: krvl-script [--scenario S.json] [--windir DIR] [--trace] [--backend "
                     "emu|pulse] [--pulse-map FILE] SCRIPT\n";
        return 2;
    }
    std::ifstream in(script);
    if (!in) {
        std::cout << "error: cannot read " << script << "\n";
        return 2;
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    harness::Harness h(options, std::cout);
    return h.Run(lines);
}
