// Mixer windows made directly on the emulated card, in a fresh Windows directory on the virtual clock.
#pragma once

#include "driver/cards.h"
#include "emu/Emulator.h"
#include "system/sys.h"
#include "tests/app/windir.h"
#include "toolkit/Forms.h"

#include <memory>
#include <string>
#include <vector>

class CardTest : public WindowsDirTest {
protected:
    // The card as the scenario has it, found by discovery; windows are owned by owner.
    void SetUpCard(emu::Scenario scenario) {
        WindowsDirTest::SetUp();
        clock = static_cast<sys::VirtualClock*>(&sys::CurrentClock());
        scenario.persist = false;
        emulator = emu::Emulator::Install(scenario);
        krvl::DiscoverCards();
        owner = tk::Make<tk::TForm>();
    }
    void TearDown() override {
        owner.reset();
        emulator->Uninstall();
        sys::ResetSystem();
        WindowsDirTest::TearDown();
    }
    // The transcript lines of one message number ("0x4009").
    std::vector<std::string> Messages(const std::string& msg) const {
        std::vector<std::string> found;
        for (const auto& l : emulator->Transcript())
            if (l.find("msg=" + msg) != std::string::npos) found.push_back(l);
        return found;
    }

    sys::VirtualClock* clock{};
    std::shared_ptr<emu::Emulator> emulator;
    tk::TOwned<tk::TForm> owner;
};
