// A private folder for the files a target writes: in memory where the machine has /dev/shm, so the
// flushes of every save cost nothing.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

inline std::string FuzzDir(const char* name) {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    auto dir = base / (std::string("krvl-") + name + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
}
