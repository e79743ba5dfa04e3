// The frame and the metering directly: repaints of the meters, the output variant of the metering.
#include "app/messages.h"
#include "controls/audioctl32.h"
#include "driver/cards.h"
#include "emu/Emulator.h"
#include "mixer/Ainp.h"
#include "system/sys.h"
#include "tests/mixer/card_fixture.h"
#include "toolkit/Forms.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace krvl;

namespace {

class MixerFrame : public CardTest {
protected:
    void SetUp() override { SetUpCard(emu::Scenario::WithCards(2)); }
};

TEST_F(MixerFrame, AFallingLampRepaintsItsOwnRectangleAndAQuietTickNothing) {
    auto* w = tk::New<TfrmAnalogInp>(owner.get());
    ASSERT_TRUE(w->Usable());
    w->Show();
    auto& meter = w->ComponentByName<TLevelMeter>("LevelMeter2");
    meter.SetLevel(3277); // lamps 0 to 15
    ASSERT_EQ(meter.LitIndex(), 15);
    w->TakeDirtyRects();

    w->Perform(UM_METERTICK, 0, 0);
    // The peak lamp stays; the one below it goes out, and only it is repainted.
    auto dirty = w->TakeDirtyRects();
    ASSERT_EQ(dirty.size(), 1u);
    TLumi* lamp = meter.Lamp(14);
    tk::TPoint at = lamp->ClientToForm({0, 0});
    EXPECT_EQ(dirty[0], tk::Bounds(at.x, at.y, lamp->Width(), lamp->Height()));

    for (int i = 0; i < 80; ++i)
        w->Perform(UM_METERTICK, 0, 0);
    ASSERT_EQ(meter.LitIndex(), 0);
    ASSERT_EQ(meter.PeakIndex(), 0);
    w->TakeDirtyRects();
    EXPECT_EQ(w->Perform(UM_METERTICK, 0, 0), 1);
    EXPECT_TRUE(w->TakeDirtyRects().empty());
    w->Close();
}

TEST_F(MixerFrame, TheMeterListCountsChannelsOverAllCards) {
    auto* w = tk::New<TfrmAnalogInp>(owner.get());
    TMetering& m = w->Metering();
    ASSERT_EQ(m.Slots(), 8);
    EXPECT_EQ(m.Meter(0), &w->ComponentByName<TLevelMeter>("Meter1"));
    EXPECT_EQ(m.Meter(3), &w->ComponentByName<TLevelMeter>("LevelMeter2"));
    for (int slot = 4; slot < 8; ++slot) {
        ASSERT_NE(m.Meter(slot), nullptr);
        EXPECT_EQ(m.Meter(slot)->Tag(), slot);
    }
    EXPECT_EQ(m.TickPeriod(), 40u);
    EXPECT_EQ(m.PollPeriod(), 100u);
}

TEST_F(MixerFrame, MeteringOwnsTwoTimersOnlyWhileActive) {
    auto* w = tk::New<TfrmAnalogInp>(owner.get());
    w->Show();
    TMetering& m = w->Metering();
    ASSERT_TRUE(m.Active());
    EXPECT_NE(m.TickTimer(), 0u);
    EXPECT_NE(m.PollTimer(), 0u);
    std::size_t running = clock->TimerCount();
    m.Start(); // already on: nothing new
    EXPECT_EQ(clock->TimerCount(), running);
    m.Stop();
    EXPECT_EQ(m.TickTimer(), 0u);
    EXPECT_EQ(m.PollTimer(), 0u);
    EXPECT_EQ(clock->TimerCount(), running - 2);
    w->Close();
}

TEST_F(MixerFrame, ATimerTheSystemRefusesStaysAbsentWhileMeteringCountsAsOn) {
    sys::SetTimerCreateFault([] { return true; });
    auto* w = tk::New<TfrmAnalogInp>(owner.get());
    w->Show();
    TMetering& m = w->Metering();
    EXPECT_TRUE(m.Active());
    EXPECT_EQ(m.TickTimer(), 0u);
    EXPECT_EQ(m.PollTimer(), 0u);
    sys::SetTimerCreateFault(nullptr);
    m.Start(); // still on: not asked again until a stop
    EXPECT_EQ(m.TickTimer(), 0u);
    m.Stop();
    m.Start();
    EXPECT_NE(m.TickTimer(), 0u);
    EXPECT_NE(m.PollTimer(), 0u);
    w->Close();
}

TEST_F(MixerFrame, ABlockWithoutFlatAddressLeavesTheWindowUnusableAndItsShowEmpty) {
    emulator->KeepTranscript(true);
    sys::SetFlatAddressFault([](DWORD size) { return size == 8; }); // the level block
    auto* w = tk::New<TfrmAnalogInp>(owner.get());
    sys::SetFlatAddressFault(nullptr);
    EXPECT_FALSE(w->Usable());
    w->Show();
    EXPECT_TRUE(Messages("0x4042").empty()); // no driver state read
    EXPECT_FALSE(w->Metering().Active());
}

// An output window's view of its sources, set by the test.
class FakeSource : public IOutputLevelSource {
public:
    int RouteType(int, int pair) const override { return routes[static_cast<std::size_t>(pair)]; }
    HWAVEOUT OwnHandle(int, int) const override { return own; }
    HWAVEOUT SourceOut(int, int) const override { return sourceOut; }
    HWAVEIN SourceIn(int, int) const override { return sourceIn; }
    std::array<int, 2> routes{1, 2};
    HWAVEOUT own{};
    HWAVEOUT sourceOut{};
    HWAVEIN sourceIn{};
};

TEST_F(MixerFrame, OutputMeteringFollowsTheRouteOfEachPair) {
    FakeSource source;
    OpenCtrlOut(nullptr, 0, source.own);     // card 1, Analog 1-2 out
    OpenCtrlIn(nullptr, 1, source.sourceIn); // card 1, Analog 3-4 in
    auto window = tk::Make<tk::TForm>();
    SharedBlock levels(8);
    TOutputMetering m(*window, source, 1, 2);
    m.SetLevelBlock(&levels);
    emulator->KeepTranscript(true);

    EXPECT_TRUE(m.EnableDevLeveling(0, 0)); // off: nothing sent
    EXPECT_TRUE(Messages("0x4007").empty());
    m.Start();
    EXPECT_TRUE(m.Active());
    EXPECT_EQ(Messages("0x4007").size(), 1u); // own playback: wave-out leveling
    EXPECT_EQ(Messages("0x4038").size(), 1u); // a record input: wave-in leveling on the source
    EXPECT_NE(m.TickTimer(), 0u);
    EXPECT_NE(m.PollTimer(), 0u);

    tk::TMessage poll{UM_LEVELPOLL, m.PollTimer(), 0, 0};
    m.LevelPoll(poll);
    EXPECT_EQ(poll.Result, 1);
    EXPECT_EQ(Messages("0x4009").size(), 1u);
    EXPECT_EQ(Messages("0x403A").size(), 1u);

    source.routes = {0, 2}; // no source for the first pair: not read
    m.LevelPoll(poll);
    EXPECT_EQ(Messages("0x4009").size(), 1u);
    EXPECT_EQ(Messages("0x403A").size(), 2u);

    source.routes = {1, 2};
    m.Stop();
    EXPECT_FALSE(m.Active());
    EXPECT_EQ(Messages("0x4008").size(), 1u);
    EXPECT_EQ(Messages("0x4039").size(), 1u);
    EXPECT_EQ(m.TickTimer(), 0u);
    EXPECT_EQ(m.PollTimer(), 0u);
    CloseCtrlHandles(1, &source.own);
    CloseCtrlHandles(1, &source.sourceIn);
}

TEST_F(MixerFrame, AnUnknownRouteStopsOutputMeteringWithItsRoutinesError) {
    FakeSource source;
    source.routes = {1, 7};
    OpenCtrlOut(nullptr, 0, source.own);
    auto window = tk::Make<tk::TForm>();
    TOutputMetering m(*window, source, 1, 2);
    try {
        m.Start();
        FAIL() << "no error";
    } catch (const tk::Exception& e) {
        EXPECT_STREQ(e.what(), "EnableDevLeveling: Invalid RouteType.");
    }
    // Left where it failed: counted as active, no timer yet.
    EXPECT_TRUE(m.Active());
    EXPECT_EQ(m.PollTimer(), 0u);
    EXPECT_EQ(m.TickTimer(), 0u);
    try {
        m.Stop();
        FAIL() << "no error";
    } catch (const tk::Exception& e) {
        EXPECT_STREQ(e.what(), "DisableLeveling: Invalid RouteType.");
    }
    EXPECT_TRUE(m.Active());
    CloseCtrlHandles(1, &source.own);
}

TEST_F(MixerFrame, CopiesAreFoundByTheirOriginAndCard) {
    auto* w = tk::New<TfrmAnalogInp>(owner.get());
    tk::TControl* copy = w->CopyFor("chkLink12", 2);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name(), "chkLink56");
    auto origin = w->OriginOf(copy);
    ASSERT_TRUE(origin.has_value());
    EXPECT_EQ(origin->sourceName, "chkLink12");
    EXPECT_EQ(origin->card, 1);
    EXPECT_EQ(w->CopyFor("chkLink12", 3), nullptr); // two cards only
    EXPECT_FALSE(w->OriginOf(&w->ComponentByName<tk::TControl>("chkLink12")).has_value());
}

} // namespace
