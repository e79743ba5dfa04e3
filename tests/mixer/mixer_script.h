// What the mixer windows' script tests share: scenarios of n plain cards, the transcript's control
// opens, window bounds from `windows` listings, and a settings folder that outlives one run.
#pragma once

#include "tests/harness/script_run.h"

#include <filesystem>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace mixer_script {

using testing_harness::Result;

// n cards, the first as given, the others plain; no state file.
inline std::string Cards(int n, const std::string& firstCard = "{}") {
    std::string cards = firstCard;
    for (int i = 1; i < n; ++i)
        cards += ",{}";
    return "{\"cards\": [" + cards + "], \"persist\": false}";
}

// The driver handle of the first control open of device dev in direction ("in" or "out").
inline std::string FirstHandleOn(const Result& r, int dev, const std::string& direction = "in") {
    std::regex open("drv open " + direction + " dev=" + std::to_string(dev) +
                    " handle=([0-9A-F]+) ctrl=1 result=0");
    for (const auto& l : r.lines) {
        std::smatch m;
        if (std::regex_search(l, m, open)) return m[1];
    }
    return "";
}

// The first control open of device dev still open at the first line holding marker (so not one the
// start-up opened and closed again).
inline std::string HandleOpenAt(const Result& r, int dev, const std::string& direction,
                                const std::string& marker) {
    std::regex open("drv open " + direction + " dev=" + std::to_string(dev) +
                    " handle=([0-9A-F]+) ctrl=1 result=0");
    std::vector<std::string> stillOpen;
    for (const auto& l : r.lines) {
        if (l.find(marker) != std::string::npos) break;
        std::smatch m;
        if (std::regex_search(l, m, open)) stillOpen.push_back(m[1]);
        for (auto it = stillOpen.begin(); it != stillOpen.end(); ++it)
            if (l.find("drv close " + direction + " handle=" + *it + " ") != std::string::npos) {
                stillOpen.erase(it);
                break;
            }
    }
    return stillOpen.empty() ? "" : stillOpen.front();
}

struct Bounds {
    int left{}, top{}, width{}, height{};
    int Bottom() const { return top + height; }
};

// The bounds of the window with that caption in the n-th `windows` listing.
inline Bounds WindowBounds(const Result& r, const std::string& caption, int nth) {
    std::regex line("caption=\"" + caption + "\".* bounds=(-?\\d+),(-?\\d+),(\\d+),(\\d+)");
    int seen = 0;
    for (const auto& l : r.lines) {
        std::smatch m;
        if (std::regex_search(l, m, line) && seen++ == nth)
            return {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
    }
    ADD_FAILURE() << "no listing " << nth << " of " << caption << " in\n" << r.out;
    return {};
}

// A settings folder that outlives one run (the harness's own temporary folder goes with each scenario).
class KeptDir {
public:
    KeptDir()
        : m_path(std::filesystem::temp_directory_path() /
                 ("krvl-mixer-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~KeptDir() { std::filesystem::remove_all(m_path); }
    KeptDir(const KeptDir&) = delete;
    KeptDir& operator=(const KeptDir&) = delete;
    std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

inline std::vector<std::string> Matching(const Result& r, const std::string& needle) {
    std::vector<std::string> found;
    for (const auto& l : r.lines)
        if (l.find(needle) != std::string::npos) found.push_back(l);
    return found;
}

// The keys of one section of the settings file as an `ini` listing printed it, blank-separated.
inline std::string SectionKeys(const Result& r, const std::string& section) {
    std::string keys;
    bool in = false;
    for (const auto& l : r.lines) {
        if (l == "[" + section + "]")
            in = true;
        else if (!l.empty() && l[0] == '[')
            in = false;
        else if (in && !l.empty())
            keys += l.substr(0, l.find('=')) + " ";
    }
    return keys;
}

} // namespace mixer_script
