// Runs krvl-script's harness in this process (each test is a process of its own) and returns what it
// printed.
#pragma once

#include "harness/Harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace testing_harness {

struct Result {
    int status{};
    std::string out;
    std::vector<std::string> lines;

    int Count(const std::string& needle) const {
        int n = 0;
        for (auto& l : lines)
            if (l.find(needle) != std::string::npos) ++n;
        return n;
    }
    bool Has(const std::string& needle) const { return Count(needle) > 0; }
};

inline std::string TempDir() {
    auto dir = std::filesystem::temp_directory_path() /
               ("krvl-harness-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

// scenario: JSON text, or empty for the default two cards. windir: kept between runs when given.
inline Result RunScript(const std::string& script, const std::string& scenario = "", bool trace = false,
                        const std::string& windir = "") {
    harness::Options options;
    options.trace = trace;
    options.windowsDir = windir;
    std::string scenarioPath;
    if (!scenario.empty()) {
        scenarioPath = TempDir() + "/scenario.json";
        std::ofstream(scenarioPath) << scenario;
        options.scenarioFile = scenarioPath;
    }
    std::vector<std::string> lines;
    std::istringstream in(script);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    std::ostringstream out;
    Result r;
    {
        harness::Harness h(options, out);
        r.status = h.Run(lines);
    }
    r.out = out.str();
    std::istringstream split(r.out);
    for (std::string l; std::getline(split, l);)
        r.lines.push_back(l);
    return r;
}

} // namespace testing_harness
