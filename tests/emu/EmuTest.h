// Shared set-up for the emulator's tests: a fresh system on the virtual clock, a private Windows
// directory, and the program-side helpers (control opens, 16-bit blocks) the manager itself would use.
#pragma once

#include "emu/Emulator.h"
#include "system/sys.h"
#include "tests/support/Block16.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace emu_test {

using ControlFormat = krvl::CtrlOpenFormat;

inline WAVEFORMATEX PlainFormat() {
    return WAVEFORMATEX{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
}

using test_support::Block;

class EmuTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys::ResetSystem();
        m_clock = &sys::UseVirtualClock();
        m_dir = std::filesystem::temp_directory_path() /
                ("krvl_emu_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        sys::SetWindowsDirectory(m_dir.string());
    }
    void TearDown() override {
        if (m_emu) m_emu->Uninstall();
        m_emu.reset();
        sys::ResetSystem();
        std::filesystem::remove_all(m_dir);
    }

    emu::Emulator& Install(const emu::Scenario& s = emu::Scenario::Default()) {
        m_emu = emu::Emulator::Install(s);
        m_emu->KeepTranscript(true);
        return *m_emu;
    }
    emu::Emulator& InstallJson(const std::string& json) { return Install(emu::Scenario::FromJson(json)); }

    // The system device id of a card's pair, found through the capability records.
    static UINT DeviceOf(sys::WaveDir dir, int card, int pair);

    static HWAVEIN OpenIn(UINT dev) {
        ControlFormat f;
        HWAVEIN h{};
        EXPECT_EQ(waveInOpen(&h, dev, &f.wfx, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        return h;
    }
    static HWAVEOUT OpenOut(UINT dev) {
        ControlFormat f;
        HWAVEOUT h{};
        EXPECT_EQ(waveOutOpen(&h, dev, &f.wfx, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        return h;
    }
    HWAVEIN OpenIn(int card, int pair) { return OpenIn(DeviceOf(sys::WaveDir::In, card, pair)); }
    HWAVEOUT OpenOut(int card, int pair) { return OpenOut(DeviceOf(sys::WaveDir::Out, card, pair)); }

    std::string StatePath() const { return (m_dir / "KRVLemu.json").string(); }

    sys::VirtualClock* m_clock{};
    std::filesystem::path m_dir;
    std::shared_ptr<emu::Emulator> m_emu;
};

inline UINT EmuTest::DeviceOf(sys::WaveDir dir, int card, int pair) {
    UINT n = dir == sys::WaveDir::In ? waveInGetNumDevs() : waveOutGetNumDevs();
    for (UINT id = 0; id < n; ++id) {
        WAVEOUTCAPSA caps{};
        MMRESULT r = dir == sys::WaveDir::In
                         ? waveInGetDevCapsA(id, reinterpret_cast<WAVEINCAPSA*>(&caps), sizeof(WAVEINCAPSA))
                         : waveOutGetDevCapsA(id, &caps, sizeof caps);
        if (r != MMSYSERR_NOERROR || caps.wMid != emu::kManufacturerId) continue;
        std::string name = caps.szPname;
        if (pair == emu::kDigitalPair) {
            if (name.ends_with(std::string(" ") + krvl::kCardNumerals[card]) &&
                (caps.wPid == krvl::kPidDigitalIn || caps.wPid == krvl::kPidDigitalOut))
                return id;
        } else {
            int first = card * 4 + pair * 2 + 1;
            if (name.ends_with(" " + std::to_string(first) + "-" + std::to_string(first + 1))) return id;
        }
    }
    ADD_FAILURE() << "no device for card " << card << " pair " << pair;
    return 0xFFFF;
}

} // namespace emu_test
