#include "controls/audioctl32.h"

#include "system/sys.h"
#include "toolkit/FormReader.h"
#include "toolkit/Forms.h"

#include <gtest/gtest.h>

using namespace tk;
using krvl::TBarGraph;
using krvl::TLevelMeter;
using krvl::TLumi;
using krvl::UM_METERTICK;

namespace {

// The lamps that are on, as indices from the bottom.
std::vector<int> LitLamps(const TBarGraph& bar) {
    std::vector<int> lit;
    for (int i = 0; i < bar.LampCount(); ++i)
        if (bar.Lamp(i)->On()) lit.push_back(i);
    return lit;
}

// The lit colour of every lamp from the bottom, and the colours of green, orange and red zones.
std::vector<TColor> Zones(const TBarGraph& bar) {
    std::vector<TColor> colours;
    for (int i = 0; i < bar.LampCount(); ++i)
        colours.push_back(bar.Lamp(i)->ColorOn());
    return colours;
}

std::vector<TColor> Colours(int green, int orange, int red) {
    std::vector<TColor> colours(static_cast<std::size_t>(green), 0x00FF00);
    colours.insert(colours.end(), static_cast<std::size_t>(orange), 0x0080FF);
    colours.insert(colours.end(), static_cast<std::size_t>(red), 0x0000FF);
    return colours;
}

std::vector<int> Range(int from, int to) {
    std::vector<int> r;
    for (int i = from; i <= to; ++i)
        r.push_back(i);
    return r;
}

// A meter as every mixer window stores it: 40 lamps, one red, twelve orange, 75 ticks of hold.
const char* const kMixerMeterLayout = "object Form1: TForm\n"
                                      "  object Meter1: TLevelMeter\n"
                                      "    Left = 6\n"
                                      "    Top = 6\n"
                                      "    Height = 163\n"
                                      "    LumiHeight = 5\n"
                                      "    NumLumisRed = 1\n"
                                      "    NumLumisOrange = 12\n"
                                      "    TimerInterval = 40\n"
                                      "    LevelMaxHold = 3000\n"
                                      "  end\n"
                                      "end\n";

class MixerMeter : public ::testing::Test {
protected:
    void SetUp() override {
        krvl::RegisterAudioControls();
        form->LoadLayout(kMixerMeterLayout, "meter.dfm");
        meter = &form->ComponentByName<TLevelMeter>("Meter1");
    }
    void TearDown() override {
        form.reset();
        sys::ResetSystem();
    }
    LRESULT Tick(WPARAM id = 0) { return meter->Perform(UM_METERTICK, id, 0); }

    TOwned<TForm> form = Make<TForm>();
    TLevelMeter* meter{};
};

} // namespace

TEST(BarGraph, BuildsOverlappingLampsFromItsHeight) {
    auto bar = Make<TBarGraph>();
    EXPECT_EQ(bar->Width(), 18);
    EXPECT_EQ(bar->Height(), 164);
    EXPECT_EQ(bar->BevelOuter(), bvLowered);
    EXPECT_EQ(bar->GetLevelMax(), 65535);
    ASSERT_EQ(bar->LampCount(), 32);
    ASSERT_EQ(bar->ControlCount(), 32);
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(bar->Controls(i), bar->Lamp(i));
        EXPECT_EQ(bar->Lamp(i)->BoundsRect(), Bounds(1, 156 - 5 * i, 15, 6)); // one shared outline line
    }
    EXPECT_EQ(bar->Lamp(0)->Brush().color, 0x808080);
    EXPECT_EQ(bar->Lamp(0)->Pen().color, clBlack);

    bar->SetLumiHeight(5);
    EXPECT_EQ(bar->LampCount(), 41);
    EXPECT_EQ(bar->ControlCount(), 41);
    EXPECT_THROW(bar->SetLumiHeight(1), ERangeError);
    EXPECT_EQ(bar->LampCount(), 41);

    // A wider bar widens its lamps; a lower one rebuilds them.
    bar->SetWidth(30);
    EXPECT_EQ(bar->Lamp(0)->Width(), 27);
    bar->SetHeight(83);
    EXPECT_EQ(bar->LampCount(), 20);
    EXPECT_EQ(bar->Lamp(0)->Top(), 76);
}

TEST(BarGraph, LevelOnlyRaisesTheBarAndLampTestLightsAll) {
    auto bar = Make<TBarGraph>();
    bar->SetHeight(165);
    bar->SetLumiHeight(6); // 33 lamps: a level maps onto 32 steps
    ASSERT_EQ(bar->LampCount(), 33);
    bar->SetLevelMax(64);
    bar->SetLevel(29); // 29 / 64 * 32 = 14.5: halves go to even
    EXPECT_EQ(LitLamps(*bar), Range(0, 14));
    bar->SetLevel(33); // 16.5
    EXPECT_EQ(LitLamps(*bar), Range(0, 16));
    bar->SetLevel(10);
    EXPECT_EQ(bar->Level(), 10);
    EXPECT_EQ(LitLamps(*bar), Range(0, 16));
    bar->SetLevel(65); // above LevelMax: ignored, not even stored
    EXPECT_EQ(bar->Level(), 10);
    EXPECT_EQ(bar->LitIndex(), 16);
    bar->SetOn(true);
    EXPECT_EQ(LitLamps(*bar), Range(0, 32));
    bar->SetOn(false); // lowers nothing
    EXPECT_EQ(LitLamps(*bar), Range(0, 32));
}

TEST(Lumi, FillFollowsTheStateAndOnlyTheLampRepaints) {
    auto form = Make<TForm>();
    auto* bar = New<TBarGraph>(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(10, 20, 18, 164);
    TLumi* lamp = bar->Lamp(3);
    lamp->SetOn(true);
    EXPECT_EQ(lamp->Brush().color, 0x00FF00);
    lamp->SetColorOn(0x0000FF); // a lit lamp keeps its fill until it changes state
    EXPECT_EQ(lamp->Brush().color, 0x00FF00);
    lamp->SetOn(false);
    lamp->SetOn(true);
    EXPECT_EQ(lamp->Brush().color, 0x0000FF);

    form->TakeDirtyRects();
    bar->Lamp(5)->SetOn(true);
    std::vector<TRect> dirty = form->TakeDirtyRects();
    ASSERT_FALSE(dirty.empty());
    TPoint origin = bar->Lamp(5)->ClientToForm({0, 0});
    for (const TRect& r : dirty)
        EXPECT_EQ(r, Bounds(origin.x, origin.y, 15, 6));
    bar->Lamp(5)->SetOn(true);
    EXPECT_TRUE(form->TakeDirtyRects().empty());
}

TEST_F(MixerMeter, IsBuiltWithFortyLampsInThreeZones) {
    ASSERT_EQ(meter->LampCount(), 40);
    EXPECT_EQ(Zones(*meter), Colours(27, 12, 1));
    // Zones larger than the bar colour only the lamps that exist, red from the top first.
    meter->SetNumLumisRed(30);
    meter->SetNumLumisOrange(30);
    EXPECT_EQ(Zones(*meter), Colours(0, 10, 30));
    meter->SetNumLumisRed(50);
    EXPECT_EQ(Zones(*meter), Colours(0, 0, 40));
}

TEST_F(MixerMeter, LevelsLightTheLampsOfTheLogScale) {
    struct Case {
        int level, scaled, top;
    };
    for (Case c : {Case{32767, 511, 39}, Case{16384, 408, 31}, Case{3277, 196, 15}, Case{100, 12, 1}}) {
        form = Make<TForm>();
        SetUp();
        meter->SetLevel(c.level);
        EXPECT_EQ(meter->Level(), c.level);
        EXPECT_EQ(meter->ScaledLevel(), c.scaled) << c.level;
        EXPECT_EQ(LitLamps(*meter), Range(0, c.top)) << c.level;
        EXPECT_EQ(meter->PeakIndex(), c.top);
        EXPECT_EQ(meter->HoldCount(), 75);
    }
}

TEST_F(MixerMeter, TinyAndOverRangeLevelsLightNothingAndTicksStayAtTheBottom) {
    meter->SetLevel(1); // scaled 0
    EXPECT_EQ(meter->ScaledLevel(), 0);
    EXPECT_TRUE(LitLamps(*meter).empty());
    meter->SetLevel(40000); // scaled 541, above the bar's 511: ignored by the bar
    EXPECT_EQ(meter->Level(), 40000);
    EXPECT_EQ(meter->ScaledLevel(), 0);
    EXPECT_TRUE(LitLamps(*meter).empty());
    // A tick on the empty bar stays at the bottom; with its own timer off the meter takes any tick.
    EXPECT_EQ(Tick(12345), 1);
    EXPECT_EQ(meter->LitIndex(), 0);
}

TEST_F(MixerMeter, PeakIsHeldSeventyFiveTicksAfterFullScale) {
    meter->SetLevel(32767);
    ASSERT_EQ(meter->PeakIndex(), 39);
    ASSERT_EQ(meter->HoldCount(), 75);

    EXPECT_EQ(Tick(), 1);
    EXPECT_FALSE(meter->Lamp(38)->On());
    EXPECT_TRUE(meter->Lamp(39)->On());
    EXPECT_EQ(meter->LitIndex(), 38);
    Tick(); // lamp 38 again: no visible change
    EXPECT_FALSE(meter->Lamp(38)->On());
    EXPECT_TRUE(meter->Lamp(37)->On());
    EXPECT_EQ(meter->LitIndex(), 37);
    Tick();
    EXPECT_FALSE(meter->Lamp(37)->On());
    EXPECT_TRUE(meter->Lamp(39)->On());

    // Tick 39 puts out lamp 1, tick 40 lamp 0; the peak alone stays until tick 75.
    for (int tick = 4; tick <= 40; ++tick)
        Tick();
    EXPECT_EQ(LitLamps(*meter), (std::vector<int>{39}));
    EXPECT_EQ(meter->LitIndex(), 0);
    for (int tick = 41; tick <= 74; ++tick)
        Tick();
    EXPECT_TRUE(meter->Lamp(39)->On());
    EXPECT_EQ(meter->HoldCount(), 1);
    Tick();
    EXPECT_TRUE(LitLamps(*meter).empty());
    EXPECT_EQ(meter->PeakIndex(), 0);
    EXPECT_EQ(meter->HoldCount(), 0);
}

TEST_F(MixerMeter, LowerLevelWaitsUntilTheBarFallsBelowIt) {
    meter->SetLevel(16384); // top lamp 31
    meter->SetLevel(3277);  // top lamp 15: nothing changes, the peak stays armed at 31
    EXPECT_EQ(LitLamps(*meter), Range(0, 31));
    EXPECT_EQ(meter->PeakIndex(), 31);
    for (int i = 0; i < 20; ++i)
        Tick(); // bar at 11, peak lamp 31 still lit
    EXPECT_EQ(meter->LitIndex(), 11);
    meter->SetLevel(3277);
    EXPECT_EQ(meter->LitIndex(), 15);
    std::vector<int> expected = Range(0, 15);
    expected.push_back(31);
    EXPECT_EQ(LitLamps(*meter), expected);
}

TEST_F(MixerMeter, RebuildWithFewerLampsClampsTheIndicesToTheTopLamp) {
    meter->SetLevel(32767);
    meter->SetLumiHeight(9); // 163 / 8 = 20 lamps
    ASSERT_EQ(meter->LampCount(), 20);
    EXPECT_EQ(meter->LitIndex(), 19);
    EXPECT_EQ(meter->PeakIndex(), 19);
    EXPECT_EQ(meter->Lamp(19)->ColorOn(), 0x0000FF);
    Tick();
    EXPECT_EQ(meter->LitIndex(), 18);
    meter->SetLevel(32767);
    EXPECT_EQ(LitLamps(*meter), Range(18, 19));
    for (int i = 0; i < 80; ++i)
        Tick();
    EXPECT_TRUE(LitLamps(*meter).empty());
}

TEST_F(MixerMeter, OwnTimerTicksThroughTheMessageQueue) {
    sys::VirtualClock& clock = sys::UseVirtualClock();
    meter->SetTimerEnable(true);
    UINT id = meter->TimerId();
    ASSERT_NE(id, 0u);
    EXPECT_EQ(clock.TimerCount(), 1u);
    meter->SetLevel(32767);

    // A tick from another timer is ignored while the meter's own runs.
    EXPECT_EQ(Tick(id + 1), 0);
    EXPECT_EQ(meter->LitIndex(), 39);

    // The callback only posts; the tick happens when the message is dispatched.
    clock.Advance(40);
    EXPECT_EQ(meter->LitIndex(), 39);
    ASSERT_EQ(sys::PendingMessages(), 1u);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(meter->LitIndex(), 38);
    EXPECT_EQ(Tick(id), 1);
    EXPECT_EQ(meter->LitIndex(), 37);

    // A new period restarts the timer.
    meter->SetTimerInterval(20);
    EXPECT_NE(meter->TimerId(), 0u);
    EXPECT_EQ(clock.TimerCount(), 1u);
    clock.Advance(20);
    EXPECT_EQ(sys::PendingMessages(), 1u);
    EXPECT_THROW(meter->SetTimerInterval(0), ERangeError);
    EXPECT_EQ(meter->TimerInterval(), 20);

    meter->SetTimerEnable(false);
    EXPECT_EQ(meter->TimerId(), 0u);
    EXPECT_EQ(clock.TimerCount(), 0u);
}

TEST_F(MixerMeter, TimerNeedsAFormAndDiesWithTheMeter) {
    sys::VirtualClock& clock = sys::UseVirtualClock();
    auto loose = Make<TLevelMeter>();
    loose->SetTimerEnable(true);
    EXPECT_TRUE(loose->TimerEnable());
    EXPECT_EQ(loose->TimerId(), 0u);
    EXPECT_EQ(clock.TimerCount(), 0u);

    meter->SetTimerEnable(true);
    ASSERT_EQ(clock.TimerCount(), 1u);
    meter->Free();
    EXPECT_EQ(clock.TimerCount(), 0u);
    clock.Advance(200);
    EXPECT_EQ(sys::PendingMessages(), 0u);
}

TEST(LevelMeterLayout, BadTimerValuesNameTheLine) {
    krvl::RegisterAudioControls();
    auto form = Make<TForm>();
    const char* layout = "object Form1: TForm\n"
                         "  object Meter1: TLevelMeter\n"
                         "    TimerInterval = 70000\n"
                         "  end\n"
                         "end\n";
    try {
        form->LoadLayout(layout, "bad.dfm");
        FAIL() << "loaded";
    } catch (const EReadError& e) {
        EXPECT_NE(std::string(e.what()).find("bad.dfm(3)"), std::string::npos) << e.what();
    }
}
