#include "controls/audioctl32.h"

#include "system/sys.h"
#include "toolkit/CairoCanvas.h"
#include "toolkit/Forms.h"

#include <gtest/gtest.h>

using namespace tk;
using krvl::TSlider;

namespace {

// The layout of one fader pair as the mixer windows store it (input: Min 31, Max 164, Position 31).
std::string FaderLayout(int min, int max, int position) {
    return "object Form1: TForm\n"
           "  Width = 300\n"
           "  Height = 300\n"
           "  object pnSlider12: TPanel\n"
           "    Left = 10\n"
           "    Top = 20\n"
           "    Width = 80\n"
           "    Height = 180\n"
           "    object Slider0: TSlider\n"
           "      Left = 12\n"
           "      Top = 12\n"
           "      Width = 4\n"
           "      Height = 112\n"
           "      Min = " +
           std::to_string(min) +
           "\n"
           "      Max = " +
           std::to_string(max) +
           "\n"
           "      Position = " +
           std::to_string(position) +
           "\n"
           "      BtnHeight = 26\n"
           "      BtnWidth = 18\n"
           "      MoveRestriction = 6\n"
           "      Number = 1\n"
           "      LinkCheck = chkLink12\n"
           "      OnChange = SliderChange\n"
           "    end\n"
           "    object chkLink12: TCheckBox\n"
           "      Left = 19\n"
           "      Top = 157\n"
           "      Width = 15\n"
           "      Height = 17\n"
           "    end\n"
           "  end\n"
           "end\n";
}

struct FaderForm {
    TOwned<TForm> form = Make<TForm>();
    TSlider* slider{};
    int changes{};

    FaderForm(int min, int max, int position) {
        krvl::RegisterAudioControls();
        form->BindMethod("SliderChange", [this](TObject*) { ++changes; });
        form->LoadLayout(FaderLayout(min, max, position), "fader.dfm");
        slider = &form->ComponentByName<TSlider>("Slider0");
    }
    // The knob's centre, in the track's parent's coordinates.
    int KnobCentre() const { return slider->Knob()->Top() + slider->BtnHeight() / 2; }
    TPoint KnobInForm(int x, int y) const { return slider->Knob()->ClientToForm({x, y}); }
    void Drag(int fromY, int toY) {
        TPoint down = KnobInForm(5, fromY);
        form->DispatchMouse(WM_LBUTTONDOWN, ssLeft, down.x, down.y);
        TPoint move = KnobInForm(5, toY); // relative to the knob before it moves
        form->DispatchMouse(WM_MOUSEMOVE, ssLeft, move.x, move.y);
        form->DispatchMouse(WM_LBUTTONUP, 0, move.x, move.y);
    }
};

} // namespace

TEST(Slider, InputFaderGeometryFromItsLayout) {
    FaderForm f(31, 164, 31);
    TSlider& s = *f.slider;
    EXPECT_TRUE(s.Placed());
    EXPECT_EQ(f.changes, 1); // placing at Loaded raises OnChange
    EXPECT_EQ(s.Travel(), 100);
    EXPECT_EQ(s.Knob()->Parent(), s.Parent());
    EXPECT_EQ(s.Knob()->Left(), 12 + 2 - 9);
    EXPECT_EQ(f.KnobCentre(), s.Top() + s.Height() - 6);
    EXPECT_EQ(s.KnobLine()->BoundsRect(), Bounds(1, 11, 13, 2));
    EXPECT_EQ(s.LinkCheck(), &f.form->ComponentByName<TCheckBox>("chkLink12"));

    // 133 values over 100 pixels: about 1.33 per pixel.
    f.Drag(13, 12);
    EXPECT_EQ(s.Position(), 32);
    f.Drag(13, 11);
    EXPECT_EQ(s.Position(), 35); // 31 + round(1.33 * 3)
    EXPECT_EQ(s.Offset(), 3);
    EXPECT_EQ(f.KnobCentre(), s.Top() + s.Height() - 6 - 3);
}

TEST(Slider, OutputFaderGeometryFromItsLayout) {
    FaderForm f(4, 127, 127);
    TSlider& s = *f.slider;
    EXPECT_EQ(s.Offset(), 100);
    EXPECT_EQ(f.KnobCentre(), s.Top() + 6);
    // 123 values over 100 pixels: 1.23 per pixel.
    f.Drag(13, 14);
    EXPECT_EQ(s.Position(), 126); // round(4 + 123 * 0.99) = round(125.77)
    f.Drag(13, 23);
    EXPECT_EQ(s.Position(), 113); // round(4 + 123 * 0.89) = round(113.47)
}

TEST(Slider, DragsFarPastBothEndsStopAtTheEnds) {
    FaderForm f(31, 164, 80);
    TSlider& s = *f.slider;
    int before = f.changes;
    f.Drag(13, -5000); // the knob keeps the mouse while the button is held
    EXPECT_EQ(s.Offset(), s.Travel());
    EXPECT_EQ(s.Position(), 164);
    f.Drag(13, 5000);
    EXPECT_EQ(s.Offset(), 0);
    EXPECT_EQ(s.Position(), 31);
    EXPECT_EQ(f.changes, before + 2);
    EXPECT_FALSE(s.Dragging());

    // The right button drags as well, and keeps the mouse as the left one does.
    TPoint down = f.KnobInForm(5, 13);
    f.form->DispatchMouse(WM_RBUTTONDOWN, ssRight, down.x, down.y);
    f.form->DispatchMouse(WM_MOUSEMOVE, ssRight, down.x + 300, down.y - 3000);
    EXPECT_EQ(s.Position(), 164);
    f.form->DispatchMouse(WM_RBUTTONUP, 0, down.x + 300, down.y - 3000);
    EXPECT_FALSE(s.Dragging());
    EXPECT_EQ(f.form->CaptureControl(), nullptr);
    f.Drag(13, 5000);

    // Moves without a button held do nothing.
    TPoint p = f.KnobInForm(5, 13);
    f.form->DispatchMouse(WM_MOUSEMOVE, 0, p.x, p.y - 40);
    EXPECT_EQ(s.Position(), 31);
}

TEST(Slider, RoundsHalvesToEven) {
    // Default track: travel 141 after placing; Position 50 is fraction 0.5, offset round(70.5) = 70.
    auto form = Make<TForm>();
    auto* s = New<TSlider>(form.get());
    s->SetParent(form.get());
    RenderForm(*form, false);
    EXPECT_TRUE(s->Placed());
    EXPECT_EQ(s->Travel(), 141);
    s->SetPosition(50);
    EXPECT_EQ(s->Offset(), 70);
    s->SetPosition(51); // 141 * 0.51 = 71.91
    EXPECT_EQ(s->Offset(), 72);

    // Five values over 100 pixels: the middle, 2.5, gives 2.
    FaderForm f(0, 5, 0);
    f.Drag(13, 13 - 50);
    EXPECT_DOUBLE_EQ(f.slider->Fraction(), 0.5);
    EXPECT_EQ(f.slider->Position(), 2);
}

TEST(Slider, PositionWritesClampAndAlwaysRaiseOnChange) {
    FaderForm f(31, 164, 31);
    TSlider& s = *f.slider;
    int before = f.changes;
    s.SetPosition(174);
    EXPECT_EQ(s.Position(), 164);
    EXPECT_EQ(s.Offset(), s.Travel());
    s.SetPosition(21);
    EXPECT_EQ(s.Position(), 31);
    EXPECT_EQ(s.Offset(), 0);
    s.SetPosition(100);
    s.SetPosition(100);
    EXPECT_EQ(f.changes, before + 4);

    s.SetMax(31); // Max = Min: every write stores Min, knob at the bottom
    s.SetPosition(90);
    EXPECT_EQ(s.Position(), 31);
    EXPECT_DOUBLE_EQ(s.Fraction(), 0.0);
    EXPECT_EQ(s.Offset(), 0);

    s.SetMin(100); // Min above Max (31)
    s.SetPosition(100);
    EXPECT_EQ(s.Position(), 31);
    EXPECT_DOUBLE_EQ(s.Fraction(), 1.0);
    s.SetPosition(99);
    EXPECT_EQ(s.Position(), 100);
    EXPECT_DOUBLE_EQ(s.Fraction(), 0.0);
}

TEST(Slider, BoundWriteOutsideTheRangeFailsAndLeavesTheStateAsItWas) {
    auto form = Make<TForm>();
    auto* s = New<TSlider>(form.get());
    s->SetParent(form.get());
    int changes = 0;
    s->OnChange = [&](TObject*) { ++changes; };
    s->SetPosition(50);
    s->SetMin(60); // re-placed on the old bounds; Position stays 50, below the new Min
    EXPECT_EQ(s->Min(), 60);
    EXPECT_EQ(s->Position(), 50);
    int top = s->Knob()->Top();
    int offset = s->Offset();
    changes = 0;
    try {
        s->SetMax(200);
        FAIL() << "no range error";
    } catch (const ERangeError& e) {
        EXPECT_STREQ(e.what(), "Wert für Position liegt außerhalb von Min und Max");
    }
    EXPECT_EQ(s->Max(), 100);
    EXPECT_EQ(s->Position(), 50);
    EXPECT_DOUBLE_EQ(s->Fraction(), 0.5);
    EXPECT_EQ(s->Offset(), offset);
    EXPECT_EQ(s->Knob()->Top(), top);
    EXPECT_EQ(changes, 0);
    // A Position write brings it back inside.
    s->SetPosition(50);
    EXPECT_EQ(s->Position(), 60);
    EXPECT_DOUBLE_EQ(s->Fraction(), 0.0);
}

TEST(Slider, ResizeKeepsTheTrackFourWideAndMovesTheKnob) {
    FaderForm f(31, 164, 164);
    TSlider& s = *f.slider;
    s.SetWidth(20);
    EXPECT_EQ(s.Width(), 4);
    s.SetHeight(212);
    EXPECT_EQ(s.Travel(), 200);
    EXPECT_EQ(s.Position(), 164);
    EXPECT_EQ(s.Offset(), 200);
    EXPECT_EQ(f.KnobCentre(), s.Top() + 6);

    s.SetBtnWidth(30);
    EXPECT_EQ(s.Knob()->Width(), 30);
    EXPECT_EQ(s.Knob()->Left(), s.Left() + 2 - 15);
    EXPECT_EQ(s.KnobLine()->Width(), 25);
    s.SetBtnHeight(10);
    EXPECT_EQ(s.Knob()->Height(), 10);
    EXPECT_EQ(s.KnobLine()->Top(), 3);
    EXPECT_EQ(f.KnobCentre(), s.Top() + 6);
    s.SetMoveRestriction(16);
    EXPECT_EQ(s.Travel(), 180);
    EXPECT_EQ(f.KnobCentre(), s.Top() + 16);
}

TEST(Slider, CodeCreatedFaderIsPlacedAtItsFirstPaintAndFollowsTheTrack) {
    auto form = Make<TForm>();
    auto* panel = New<TPanel>(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 100, 200);
    auto* s = New<TSlider>(form.get());
    EXPECT_EQ(s->Travel(), 149); // computed while the margin was still 0
    EXPECT_EQ(s->Knob()->Owner(), s);
    EXPECT_EQ(s->Knob()->Parent(), nullptr);
    s->SetParent(panel);
    s->SetBounds(30, 10, 4, 149);
    int changes = 0;
    s->OnChange = [&](TObject*) { ++changes; };
    EXPECT_FALSE(s->Placed());

    RenderForm(*form, false);
    EXPECT_TRUE(s->Placed());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(s->Knob()->Parent(), panel);
    EXPECT_EQ(s->Knob()->Top(), 10 + 149 - 7 - 4);
    // Hiding the track alone leaves the knob; moving it moves the knob at the next paint.
    s->Hide();
    EXPECT_TRUE(s->Knob()->Visible());
    s->Show();
    s->SetLeft(50);
    s->SetTop(20);
    RenderForm(*form, false);
    EXPECT_EQ(s->Knob()->Left(), 50 + 2 - 12);
    EXPECT_EQ(s->Knob()->Top(), 20 + 149 - 7 - 4);
    EXPECT_EQ(changes, 1);
}

TEST(Slider, OutlivesItsKnobAndLinkBox) {
    auto form = Make<TForm>();
    auto* first = New<TPanel>(form.get());
    first->SetParent(form.get());
    auto* second = New<TPanel>(form.get());
    second->SetParent(form.get());
    auto* s = New<TSlider>(form.get());
    s->SetParent(first);
    auto* link = New<TCheckBox>(form.get());
    s->SetLinkCheck(link);
    RenderForm(*form, false);
    ASSERT_EQ(s->Knob()->Parent(), first);
    link->Free();
    EXPECT_EQ(s->LinkCheck(), nullptr);

    // The knob follows the track to a new parent; without its knob the fader still works.
    s->SetParent(second);
    EXPECT_EQ(s->Knob()->Parent(), second);
    first->Free();
    ASSERT_NE(s->Knob(), nullptr);
    s->Knob()->Free();
    EXPECT_EQ(s->Knob(), nullptr);
    EXPECT_EQ(s->KnobLine(), nullptr);
    s->SetPosition(70);
    s->SetBtnHeight(20);
    s->SetBtnWidth(20);
    s->SetHeight(120);
    RenderForm(*form, false);
    EXPECT_EQ(s->Position(), 70);
}
