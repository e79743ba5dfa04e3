// A fresh Windows directory per test (the settings file lives there), removed afterwards.
#pragma once

#include "system/sys.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

class WindowsDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("krvl-app-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        sys::SetWindowsDirectory(m_dir.string());
        sys::UseVirtualClock();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    // The settings file as it stands.
    std::string Ini() const {
        std::ifstream in(m_dir / "KRVLmix.ini", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path m_dir;
};
