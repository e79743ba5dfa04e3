// The output windows directly, where a script cannot reach: a source change no notice reports, the
// route types a window derives from its stored selections.
#include "app/messages.h"
#include "driver/cards.h"
#include "emu/Emulator.h"
#include "mixer/Aout.h"
#include "mixer/Dout.h"
#include "system/sys.h"
#include "tests/mixer/card_fixture.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"

#include <gtest/gtest.h>

using namespace krvl;

namespace {

class OutputWindows : public CardTest {
protected:
    void SetUp() override {
        emu::Scenario scenario = emu::Scenario::WithCards(1);
        // A change made through another control handle reaches nobody: only the window's own re-read
        // can find it.
        scenario.notifyControlChanges = false;
        SetUpCard(scenario);
    }
    void Pass(std::uint64_t ms) {
        clock->Advance(ms);
        tk::Application->ProcessMessages();
    }
};

TEST_F(OutputWindows, SecTimerFindsAChangeNoNoticeReportedAndFollowsItWithoutSendingIt) {
    auto* w = tk::New<TfrmAnalogOut>(owner.get());
    ASSERT_TRUE(w->Usable());
    w->Show();
    ASSERT_EQ(w->RouteType(0, 0), 1);
    CtrlHandle<HWAVEOUT> other;
    OpenCtrlOut(nullptr, 0, other.Ref()); // card 1, Analog 1-2
    emulator->KeepTranscript(true);
    ASSERT_TRUE(SendCtrl(other.Get(), DRVM_OUT_SET_SOURCE, 5));
    Pass(10);
    EXPECT_EQ(w->Selection(0, 0), 0u); // nothing told the window yet

    Pass(1000);
    EXPECT_EQ(w->Selection(0, 0), 5u);
    EXPECT_EQ(w->RouteType(0, 0), 2);
    EXPECT_NE(w->SourceIn(0, 0), nullptr);
    EXPECT_EQ(Messages("0x400B").size(), 1u); // the other handle's only
    EXPECT_EQ(Messages("0x4038").size(), 1u); // the record input's measurement on
    auto& pressed = w->ComponentByName<tk::TSpeedButton>("SpeedButton8");
    EXPECT_TRUE(pressed.Down());
    EXPECT_EQ(pressed.Font().Color(), tk::clBlue);

    w->Close();
    EXPECT_FALSE(w->ComponentByName<tk::TTimer>("SecTimer").Enabled());
}

TEST_F(OutputWindows, RouteTypesFollowTheStoredSelectionOfEachPair) {
    emulator->SetSource(0, 1, 4); // output 3-4 plays the digital playback
    emulator->SetSource(0, 2, 3); // the digital output monitors Analog 3-4's input
    auto* analog = tk::New<TfrmAnalogOut>(owner.get());
    analog->Show();
    EXPECT_EQ(analog->RouteType(0, 0), 1);
    EXPECT_EQ(analog->RouteType(0, 1), 3);
    EXPECT_NE(analog->SourceOut(0, 1), nullptr);
    EXPECT_EQ(analog->SourceIn(0, 1), nullptr);
    analog->Close();

    auto* digital = tk::New<TfrmDigOut>(owner.get());
    digital->Show();
    EXPECT_EQ(digital->RouteType(0, 0), 2);
    EXPECT_NE(digital->SourceIn(0, 0), nullptr);
    EXPECT_EQ(digital->Width(), 97);
    digital->Close();
}

} // namespace
