// A writer killed with SIGKILL at any moment of a save leaves the settings file complete: the old
// content or the new one, byte for byte, never a mixture or a shortened file.
#include "system/sys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kKeys = 150;

std::vector<std::pair<std::string, std::string>> Version(long v) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (int k = 0; k < kKeys; ++k)
        entries.emplace_back("Slider" + std::to_string(k),
                             std::to_string(v) + "-" + std::to_string(k * 7919));
    return entries;
}

// The file as a save of version v writes it.
std::string Rendered(long v) {
    std::string text = "[KRV Ana. Input]\r\n";
    for (auto& [key, value] : Version(v))
        text += key + "=" + value + "\r\n";
    return text;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ProfileKill, AKilledWriterLeavesTheOldOrTheNewFileWhole) {
    const fs::path dir = fs::temp_directory_path() / ("krvl-kill-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    sys::SetWindowsDirectory(dir.string());
    ASSERT_TRUE(sys::WriteProfileEntries("KRVLmix.ini", "KRV Ana. Input", Version(0)));
    const unsigned seed = std::random_device{}();
    std::printf("seed %u\n", seed); // a failure replays with this seed
    std::mt19937 random(seed);
    // Kills land anywhere within a few saves, however slow a save is in this build.
    const auto saveStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(sys::WriteProfileEntries("KRVLmix.ini", "KRV Ana. Input", Version(0)));
    const auto saveUs =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - saveStart)
            .count();
    std::uniform_int_distribution<int> delayUs(0, static_cast<int>(std::max<long long>(4000, 4 * saveUs)));

    int runs = 0, torn = 0;
    long last = 0;
    const auto start = std::chrono::steady_clock::now();
    for (; runs < 300 && std::chrono::steady_clock::now() - start < std::chrono::seconds(15); ++runs) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Saves one version after the other until it is killed.
            for (long v = last + 1;; ++v)
                if (!sys::WriteProfileEntries("KRVLmix.ini", "KRV Ana. Input", Version(v))) ::_exit(3);
        }
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed on its own, status " << status;

        const std::string text = ReadAll(dir / "KRVLmix.ini");
        // The version is the number before the first "-"; the whole file must be that version's.
        auto eq = text.find('=');
        long v = eq == std::string::npos ? -1 : std::atol(text.c_str() + eq + 1);
        if (v < last || text != Rendered(v)) {
            ++torn;
            ADD_FAILURE() << "run " << runs << ": torn file of " << text.size() << " bytes";
        } else {
            last = v;
        }
    }
    std::printf("%d kills, last version %ld\n", runs, last);
    EXPECT_GE(runs, 100);
    EXPECT_EQ(torn, 0);
    EXPECT_GT(last, 0); // the writer did get saves through between kills
    // Temporaries of killed writers are cleared by the next save.
    ASSERT_TRUE(sys::WriteProfileEntries("KRVLmix.ini", "KRV Ana. Input", Version(last + 1)));
    int files = 0;
    for (auto& e : fs::directory_iterator(dir))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1);
    sys::ResetSystem();
    fs::remove_all(dir);
}

} // namespace
