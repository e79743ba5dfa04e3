#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormReader.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include "system/sys.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

struct Behaviour : ::testing::Test {
    TOwned<TForm> form = Make<TForm>();
    Behaviour() {
        form->SetBorderStyle(bsNone);
        form->SetBounds(0, 0, 200, 160);
    }
    ~Behaviour() override {
        Application->DestroyForms();
        Application->OnException = nullptr;
        Application->ResetTerminated();
        sys::ResetSystem();
    }
    template <class T> T* Add(TWinControl* parent = nullptr) {
        auto* c = New<T>(form.get());
        c->SetParent(parent ? parent : form.get());
        return c;
    }
};

} // namespace

TEST_F(Behaviour, OwnershipMovesBetweenOwnersAndLinksAreClearedBothWays) {
    auto other = Make<TForm>();
    auto* label = New<TLabel>(form.get());
    label->SetName("lbMoved");
    other->InsertComponent(form->RemoveComponent(label));
    EXPECT_EQ(label->Owner(), other.get());
    EXPECT_EQ(form->FindComponent("lbMoved"), nullptr);
    EXPECT_EQ(other->FindComponent("lbMoved"), label);
    // A label's focus control is cleared when that control goes, whoever owns it.
    auto* edit = New<TEdit>(form.get());
    label->SetFocusControl(edit);
    edit->Free();
    EXPECT_EQ(label->FocusControl(), nullptr);
    auto* edit2 = New<TEdit>(form.get());
    label->SetFocusControl(edit2);
    other.reset(); // the label goes first now: the edit must not keep a dangling partner
    edit2->Free();
    EXPECT_EQ(form->ComponentCount(), 0);
}

TEST_F(Behaviour, ParentFontColourAndHintFlagsFollowTheParent) {
    auto* panel = Add<TPanel>();
    auto* label = Add<TLabel>(panel);
    auto* own = Add<TLabel>(panel);
    TFont bold = own->Font();
    bold.SetStyle(fsBold);
    own->SetFont(bold);
    TFont arial = panel->Font();
    arial.SetName("Arial");
    arial.SetHeight(-11);
    panel->SetFont(arial);
    EXPECT_EQ(label->Font().Name(), "Arial");
    EXPECT_FALSE(own->ParentFont());
    EXPECT_EQ(own->Font().Name(), "MS Sans Serif");
    panel->SetColor(0xE1E1E1);
    EXPECT_EQ(label->Color(), 0xE1E1E1); // labels take the parent's colour
    form->SetShowHint(true);
    EXPECT_TRUE(panel->ShowHint());
    EXPECT_TRUE(label->ShowHint());
    label->SetShowHint(false); // set directly, it no longer follows
    form->SetShowHint(false);
    form->SetShowHint(true);
    EXPECT_FALSE(label->ShowHint());
    EXPECT_TRUE(own->ShowHint());
}

TEST_F(Behaviour, ControlOrderListsGraphicControlsFirstAndCyclesAreRefused) {
    auto* panel = Add<TPanel>();
    auto* button = Add<TButton>(panel);
    auto* label = Add<TLabel>(panel);
    auto* shape = Add<TShape>(panel);
    ASSERT_EQ(panel->ControlCount(), 3);
    EXPECT_EQ(panel->Controls(0), label);
    EXPECT_EQ(panel->Controls(1), shape);
    EXPECT_EQ(panel->Controls(2), button);
    auto* inner = Add<TPanel>(panel);
    EXPECT_THROW(panel->SetParent(inner), EInvalidOperation);
    EXPECT_THROW(panel->SetParent(panel), EInvalidOperation);
    EXPECT_THROW(panel->Controls(9), ERangeError);
    // The windowed control lies above the graphic one at the same place.
    button->SetBounds(0, 0, 50, 20);
    label->SetBounds(0, 0, 50, 20);
    EXPECT_EQ(panel->ControlAtPos(5, 5), static_cast<TControl*>(inner)); // inserted last: on top
    inner->SetVisible(false);
    EXPECT_EQ(panel->ControlAtPos(5, 5), button);
    panel->SetVisible(false);
    EXPECT_FALSE(button->Showing());
}

TEST_F(Behaviour, AlignedBandsStackInTheirPositionOrderAndFollowHeightChanges) {
    auto* a = Add<TPanel>();
    auto* b = Add<TPanel>();
    auto* bottom1 = Add<TPanel>();
    auto* bottom2 = Add<TPanel>();
    a->SetBounds(0, 50, 10, 30);
    b->SetBounds(0, 0, 10, 20);
    for (auto* p : {a, b})
        p->SetAlign(alTop);
    bottom1->SetBounds(0, 150, 10, 10);
    bottom2->SetBounds(0, 100, 10, 10);
    for (auto* p : {bottom1, bottom2})
        p->SetAlign(alBottom);
    EXPECT_EQ(b->Top(), 0);
    EXPECT_EQ(a->Top(), 20);
    EXPECT_EQ(bottom1->Top(), 150); // the lower one stays lowest
    EXPECT_EQ(bottom2->Top(), 140);
    b->SetHeight(35);
    EXPECT_EQ(a->Top(), 35);
    // The mixer frame's trick: a main panel alTop over a check-box panel alClient, swapped over.
    auto* checks = Add<TPanel>();
    checks->SetAlign(alClient);
    EXPECT_EQ(checks->BoundsRect(), Bounds(0, 65, 200, 75));
    checks->SetVisible(false);
    a->SetAlign(alClient);
    EXPECT_EQ(a->BoundsRect(), Bounds(0, 35, 200, 105));
}

TEST_F(Behaviour, EditLimitsReadOnlyAndTypingOverASelection) {
    auto* edit = Add<TEdit>();
    edit->SetText("48000");
    edit->SetFocus(); // auto-select: the first key replaces the text
    EXPECT_TRUE(edit->AllSelected());
    form->DispatchKey(WM_CHAR, '9', 0);
    EXPECT_EQ(edit->Text(), "9");
    edit->SetMaxLength(2);
    for (char c : {'6', '0', '0'})
        form->DispatchKey(WM_CHAR, static_cast<WORD>(c), 0);
    EXPECT_EQ(edit->Text(), "96");
    edit->SetReadOnly(true);
    form->DispatchKey(WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(edit->Text(), "96");
    edit->SetEnabled(false);
    edit->SetReadOnly(false);
    form->DispatchKey(WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(edit->Text(), "96");
}

TEST_F(Behaviour, VerticalTrackBarRunsFromMinAtTheTop) {
    auto* bar = Add<TTrackBar>();
    bar->SetOrientation(trVertical);
    EXPECT_GT(bar->Height(), bar->Width());
    bar->SetMax(20);
    EXPECT_LT(bar->ValueToPixel(0), bar->ValueToPixel(20));
    bar->SetFocus();
    form->DispatchKey(WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(bar->Position(), 20);
    form->DispatchKey(WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(bar->Position(), 0);
}

TEST_F(Behaviour, EndOfSessionAsksTheFormsCloseQuery) {
    TForm* main = nullptr;
    Application->CreateForm(main);
    bool allow = false;
    main->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
    (void)main->Handle();
    EXPECT_FALSE(sys::BroadcastEndSession());
    allow = true;
    EXPECT_TRUE(sys::BroadcastEndSession());
}

TEST_F(Behaviour, OnExceptionReplacesTheReportAndDestroyHandlersAreReported) {
    Application->SetTitle("Korvalin Manager");
    std::vector<std::string> caught;
    Application->OnException = [&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            caught.push_back(x.what());
        }
    };
    TForm* f = nullptr;
    Application->CreateForm(f);
    f->OnDestroy = [](TObject*) { throw Exception("FormDestroy: handle already closed."); };
    f->Free();
    ASSERT_EQ(caught.size(), 1u);
    EXPECT_EQ(caught[0], "FormDestroy: handle already closed.");
    EXPECT_TRUE(sys::RecordedMessageBoxes().empty());
}

TEST_F(Behaviour, ATerminatedProgramEndsAModalLoop) {
    TForm* dialog = nullptr;
    Application->CreateForm(dialog);
    dialog->OnShow = [](TObject*) { Application->Terminate(); };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(dialog->Visible());
}

TEST_F(Behaviour, ScreenCentredFormsAreCentredWhenFirstShown) {
    TForm* box = nullptr;
    Application->CreateForm(box);
    box->SetBorderStyle(bsDialog);
    box->SetClientWidth(294);
    box->SetClientHeight(296);
    box->SetPosition(poScreenCenter);
    box->Show();
    EXPECT_EQ(box->Left(), (Screen->Width() - 300) / 2);
    EXPECT_EQ(box->Top(), (Screen->Height() - 321) / 2);
    RECT r = sys::GetWindowModel(box->Handle()).rect;
    EXPECT_EQ(r.left, box->Left());
    EXPECT_EQ(r.bottom - r.top, 321);
}

TEST_F(Behaviour, MouseHandlersFromALayoutReceiveClientCoordinates) {
    std::vector<std::pair<int, int>> downs;
    form->BindMouseMethod("KnobMouseDown", [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        downs.push_back({x, y});
    });
    ReadForm(*form, R"(object F: TForm
  object pn: TPanel
    Left = 20
    Top = 30
    Width = 40
    Height = 40
    OnMouseDown = KnobMouseDown
  end
end
)",
             "mouse.dfm");
    form->DispatchMouse(WM_LBUTTONDOWN, ssLeft, 25, 37);
    form->DispatchMouse(WM_LBUTTONUP, 0, 25, 37);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0], std::make_pair(5, 7));
    EXPECT_THROW(ReadForm(*form, "object F: TForm\n  OnClose = Nope\nend\n", "x.dfm"), EReadError);
}
