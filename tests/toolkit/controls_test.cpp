#include "toolkit/Buttons.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/ScrollBox.h"
#include "toolkit/StdCtrls.h"

#include "system/sys.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

struct ControlsTest : ::testing::Test {
    TOwned<TForm> form = Make<TForm>();
    ControlsTest() {
        form->SetBorderStyle(bsNone);
        form->SetBounds(0, 0, 400, 300);
    }
    ~ControlsTest() override { sys::ResetSystem(); }
    template <class T> T* Add(TWinControl* parent = nullptr) {
        auto* c = New<T>(form.get());
        c->SetParent(parent ? parent : form.get());
        return c;
    }
    void Click(TControl& c, int x = 3, int y = 3) {
        TPoint p = c.ClientToForm({x, y});
        form->DispatchMouse(WM_LBUTTONDOWN, ssLeft, p.x, p.y);
        form->DispatchMouse(WM_LBUTTONUP, 0, p.x, p.y);
    }
    void Key(WORD key) { form->DispatchKey(WM_KEYDOWN, key, 0); }
    void Type(char c) { form->DispatchKey(WM_CHAR, static_cast<unsigned char>(c), 0); }
};

} // namespace

TEST_F(ControlsTest, SettingCheckedRunsOnClickOnlyOnAChange) {
    auto* box = Add<TCheckBox>();
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    Click(*box);
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks, 2);
    box->SetEnabled(false);
    Click(*box);
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks, 2);
}

TEST_F(ControlsTest, RadioButtonsOfOneParentExcludeEachOther) {
    auto* group = Add<TGroupBox>();
    auto* a = Add<TRadioButton>(group);
    auto* b = Add<TRadioButton>(group);
    b->SetTop(20);
    auto* elsewhere = Add<TRadioButton>();
    elsewhere->SetTop(150);
    std::vector<TObject*> clicked;
    for (auto* r : {a, b, elsewhere})
        r->OnClick = [&](TObject* s) { clicked.push_back(s); };
    elsewhere->SetChecked(true);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_TRUE(elsewhere->Checked());
    Click(*b); // already checked: nothing happens
    Click(*a);
    EXPECT_TRUE(a->Checked());
    EXPECT_FALSE(b->Checked());
    std::vector<TObject*> expected{elsewhere, a, b, a};
    EXPECT_EQ(clicked, expected);
}

TEST_F(ControlsTest, SpeedButtonsFollowGroupIndexAndAllowAllUp) {
    auto* panel = Add<TPanel>();
    auto* a = Add<TSpeedButton>(panel);
    auto* b = Add<TSpeedButton>(panel);
    auto* other = Add<TSpeedButton>(panel);
    auto* plain = Add<TSpeedButton>(panel);
    b->SetLeft(30);
    other->SetLeft(60);
    plain->SetLeft(90);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    other->SetGroupIndex(2);
    a->SetDown(true);
    other->SetDown(true);
    b->SetDown(true);
    EXPECT_FALSE(a->Down());
    EXPECT_TRUE(b->Down());
    EXPECT_TRUE(other->Down()); // another group
    b->SetDown(false);          // without AllowAllUp one button stays down
    EXPECT_TRUE(b->Down());
    a->SetAllowAllUp(true); // shared by the group
    EXPECT_TRUE(b->AllowAllUp());
    b->SetDown(false);
    EXPECT_FALSE(b->Down());
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    Click(*b);
    EXPECT_TRUE(b->Down());
    Click(*b);
    EXPECT_FALSE(b->Down());
    EXPECT_EQ(clicks, 2);
    plain->SetDown(true); // no group: never down
    EXPECT_FALSE(plain->Down());
    int plainClicks = 0;
    plain->OnClick = [&](TObject*) { ++plainClicks; };
    Click(*plain);
    EXPECT_EQ(plainClicks, 1);
    EXPECT_FALSE(plain->Down());
    // Pressed and released outside the button: no click.
    TPoint p = b->ClientToForm({3, 3});
    form->DispatchMouse(WM_LBUTTONDOWN, ssLeft, p.x, p.y);
    form->DispatchMouse(WM_LBUTTONUP, 0, p.x + 200, p.y);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ControlsTest, ScrollBoxScrollsItsChildrenAndReportsEveryChange) {
    auto* box = Add<TScrollBox>();
    box->SetBorderStyle(bsNone);
    box->SetBounds(0, 0, 200, 100);
    box->VertScrollBar().SetVisible(false);
    auto* wide = Add<TPanel>(box);
    wide->SetBounds(0, 0, 500, 50);
    TControlScrollBar& bar = box->HorzScrollBar();
    bar.SetIncrement(80);
    std::vector<int> changes;
    bar.OnChange = [&](TObject* s) {
        EXPECT_EQ(s, &bar);
        changes.push_back(bar.Position());
    };
    EXPECT_EQ(bar.Range(), 500);
    EXPECT_TRUE(bar.IsScrollBarVisible());
    EXPECT_EQ(box->ClientHeight(), 84); // the bar takes 16 pixels
    bar.SetPosition(160);
    EXPECT_EQ(wide->Left(), -160);
    bar.SetPosition(1000);
    EXPECT_EQ(bar.Position(), 300);
    EXPECT_EQ(wide->Left(), -300);
    EXPECT_EQ(bar.Range(), 500); // the range does not move with the children
    // A click on the bar's left arrow scrolls by the increment.
    TPoint arrow = box->ClientToForm({4, box->ClientHeight() + 4});
    form->DispatchMouse(WM_LBUTTONDOWN, ssLeft, arrow.x, arrow.y);
    form->DispatchMouse(WM_LBUTTONUP, 0, arrow.x, arrow.y);
    EXPECT_EQ(bar.Position(), 220);
    // Hidden, the bar scrolls back home.
    bar.SetVisible(false);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(wide->Left(), 0);
    EXPECT_EQ(box->ClientHeight(), 100);
    std::vector<int> expected{160, 300, 220, 0};
    EXPECT_EQ(changes, expected);
    box->ScrollBy(-10, 5);
    EXPECT_EQ(wide->BoundsRect(), Bounds(-10, 5, 500, 50));
}

TEST_F(ControlsTest, PageControlShowsTheActivePageAndReportsTheUsersChoice) {
    auto* pages = Add<TPageControl>();
    pages->SetBounds(0, 0, 300, 200);
    auto* one = New<TTabSheet>(form.get());
    one->SetCaption("Takt");
    one->SetPageControl(pages);
    auto* two = New<TTabSheet>(form.get());
    two->SetCaption("Optionen");
    two->SetPageControl(pages);
    EXPECT_EQ(pages->ActivePage(), one);
    EXPECT_TRUE(one->Visible());
    EXPECT_FALSE(two->Visible());
    EXPECT_EQ(one->BoundsRect(), pages->DisplayRect());
    int changes = 0;
    pages->OnChange = [&](TObject*) { ++changes; };
    pages->SetActivePageIndex(1);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(two->Visible());
    EXPECT_FALSE(one->Visible());
    TRect tab = pages->TabRects()[0];
    Click(*pages, tab.left + 3, tab.top + 3);
    EXPECT_EQ(pages->ActivePageIndex(), 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(two->PageIndex(), 1);
    two->Free();
    EXPECT_EQ(pages->PageCount(), 1);
}

TEST_F(ControlsTest, PageControlTabWidthGivesEveryTabThatWidthForPaintAndClicks) {
    auto* pages = Add<TPageControl>();
    pages->SetBounds(0, 0, 400, 200);
    TTabSheet* sheets[3];
    for (auto*& sheet : sheets) {
        sheet = New<TTabSheet>(form.get());
        sheet->SetCaption("A");
        sheet->SetPageControl(pages);
    }
    int captionSized = pages->TabRects()[0].Width();
    ASSERT_LT(captionSized, 60);
    form->TakeDirtyRects();
    pages->SetTabWidth(120);
    EXPECT_FALSE(form->DirtyRects().empty()); // the tabs are painted again
    auto rects = pages->TabRects();
    ASSERT_EQ(rects.size(), 3u);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        EXPECT_EQ(rects[i].Width(), 120);
        if (i > 0) {
            EXPECT_EQ(rects[i].left, rects[i - 1].right);
        }
    }
    // Well past the caption-sized first tab, still on the first; then the third.
    Click(*pages, rects[0].left + 100, rects[0].top + 5);
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    Click(*pages, rects[2].left + 100, rects[2].top + 5);
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    pages->SetTabWidth(0);
    EXPECT_EQ(pages->TabRects()[0].Width(), captionSized);
}

TEST_F(ControlsTest, TrackBarClampsAndReportsChanges) {
    auto* bar = Add<TTrackBar>();
    bar->SetMin(1);
    bar->SetMax(100);
    bar->SetPageSize(10);
    std::vector<int> seen;
    bar->OnChange = [&](TObject*) { seen.push_back(bar->Position()); };
    bar->SetPosition(60);
    bar->SetPosition(60);
    bar->SetPosition(500);
    bar->SetFocus();
    Key(VK_LEFT);
    Key(0x21); // page up
    bar->SetMax(40);
    std::vector<int> expected{60, 100, 99, 89, 40};
    EXPECT_EQ(seen, expected);
    // A click right of the thumb moves by a page.
    bar->SetPosition(10);
    TRect thumb = bar->ThumbRect();
    Click(*bar, thumb.right + 20, thumb.top + 5);
    EXPECT_EQ(bar->Position(), 20);
    EXPECT_EQ(bar->PixelToValue(bar->ValueToPixel(33)), 33);
}

TEST_F(ControlsTest, ComboBoxSelectsInCodeSilentlyAndFromItsListWithOnChange) {
    auto* box = Add<TComboBox>();
    box->SetStyle(csDropDownList);
    box->SetItems({"44100", "48000", "96000"});
    int changes = 0;
    box->OnChange = [&](TObject*) { ++changes; };
    box->SetItemIndex(1);
    EXPECT_EQ(box->Text(), "48000");
    box->SetItemIndex(7);
    EXPECT_EQ(box->ItemIndex(), 1);
    EXPECT_EQ(changes, 0);
    // The list opens as a popup menu; the presenter picks the third entry.
    sys::SetPopupPresenter([](HMENU menu, INT, INT, HWND) -> UINT_PTR {
        auto items = sys::MenuItems(menu);
        EXPECT_EQ(items.size(), 3u);
        EXPECT_TRUE(items[1].flags & MF_CHECKED);
        return items.at(2).id;
    });
    Click(*box);
    EXPECT_EQ(box->ItemIndex(), 2);
    EXPECT_EQ(box->Text(), "96000");
    EXPECT_EQ(changes, 1);
    box->SetFocus();
    Key(VK_UP);
    EXPECT_EQ(box->ItemIndex(), 1);
    EXPECT_EQ(changes, 2);
}

TEST_F(ControlsTest, EditKeysCanBeDiscardedAndLeavingRaisesOnExit) {
    auto* edit = Add<TEdit>();
    edit->SetAutoSelect(false);
    auto* next = Add<TEdit>();
    next->SetTop(30);
    std::vector<std::string> log;
    edit->OnKeyPress = [&](TObject*, char& key) {
        if ((key < '0' || key > '9') && key != static_cast<char>(VK_BACK)) key = 0; // digits only
    };
    edit->OnChange = [&](TObject*) { log.push_back("change " + edit->Text()); };
    edit->OnExit = [&](TObject*) { log.push_back("exit"); };
    edit->SetText("4");
    edit->SetFocus();
    Type('8');
    Type('x');
    Type(static_cast<char>(VK_BACK));
    Key(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), next);
    std::vector<std::string> expected{"change 4", "change 48", "change 4", "exit"};
    EXPECT_EQ(log, expected);
    Click(*edit); // focus by mouse
    EXPECT_EQ(form->ActiveControl(), edit);
}

TEST_F(ControlsTest, ReturnAndEscapeReachTheDefaultAndCancelButtons) {
    auto* ok = Add<TButton>();
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = Add<TButton>();
    cancel->SetTop(30);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    auto* edit = Add<TEdit>();
    edit->SetTop(60);
    edit->SetFocus();
    Key(VK_RETURN);
    EXPECT_EQ(form->ModalResult(), mrOk);
    Key(VK_ESCAPE);
    EXPECT_EQ(form->ModalResult(), mrCancel);
}

TEST_F(ControlsTest, LabelsSizeThemselvesToTheirText) {
    auto* label = Add<TLabel>();
    label->SetCaption("Fein");
    int narrow = label->Width();
    label->SetCaption("Granularität");
    EXPECT_GT(label->Width(), narrow);
    EXPECT_GT(label->Height(), 8);
    auto* right = Add<TLabel>();
    right->SetAutoSize(false);
    right->SetBounds(100, 0, 50, 13);
    right->SetAlignment(taRightJustify);
    right->SetAutoSize(true);
    right->SetCaption("dB");
    EXPECT_EQ(right->Left() + right->Width(), 150); // keeps its right edge
    auto* fixed = Add<TLabel>();
    fixed->SetAutoSize(false);
    fixed->SetWidth(257);
    fixed->SetCaption("Korvalin");
    EXPECT_EQ(fixed->Width(), 257);
}

TEST_F(ControlsTest, PanelBevelsInsetAlignedChildren) {
    auto* panel = Add<TPanel>();
    panel->SetBounds(0, 0, 100, 60);
    panel->SetBevelInner(bvRaised);
    panel->SetBevelOuter(bvLowered);
    auto* inner = Add<TPanel>(panel);
    inner->SetAlign(alClient);
    EXPECT_EQ(inner->BoundsRect(), Bounds(2, 2, 96, 56));
    panel->SetBorderWidth(3);
    EXPECT_EQ(inner->BoundsRect(), Bounds(5, 5, 90, 50));
}

TEST_F(ControlsTest, PopupMenuRunsTheChosenItem) {
    auto* menu = New<TPopupMenu>(form.get());
    auto* show = New<TMenuItem>(form.get());
    show->SetCaption("&Anzeigen");
    auto* separator = New<TMenuItem>(form.get());
    separator->SetCaption("-");
    auto* exit = New<TMenuItem>(form.get());
    exit->SetCaption("Beenden");
    for (auto* item : {show, separator, exit})
        menu->Items().Add(item);
    int exits = 0;
    exit->OnClick = [&](TObject*) { ++exits; };
    sys::SetPopupPresenter([](HMENU m, INT, INT, HWND) -> UINT_PTR {
        for (const auto& item : sys::MenuItems(m))
            if (item.text == "Beenden") return item.id;
        return 0;
    });
    menu->Popup(10, 10);
    EXPECT_EQ(exits, 1);
    exit->SetEnabled(false);
    menu->Popup(10, 10);
    EXPECT_EQ(exits, 1);
    separator->Free();
    EXPECT_EQ(menu->Items().Count(), 2);
}

TEST_F(ControlsTest, DraggingTheThumbScrollsWhileTrackingOrWhenLetGo) {
    auto* box = Add<TScrollBox>();
    box->SetBorderStyle(bsNone);
    box->SetBounds(0, 0, 200, 100);
    auto* wide = Add<TPanel>(box);
    wide->SetBounds(0, 0, 400, 50);
    TControlScrollBar& bar = box->HorzScrollBar();
    for (bool tracking : {true, false}) {
        bar.SetPosition(0);
        bar.SetTracking(tracking);
        TPoint grip = box->ClientToForm({30, box->ClientHeight() + 8}); // on the thumb at the left
        form->DispatchMouse(WM_LBUTTONDOWN, ssLeft, grip.x, grip.y);
        form->DispatchMouse(WM_MOUSEMOVE, ssLeft, grip.x + 40, grip.y);
        EXPECT_EQ(bar.Position() > 0, tracking);
        form->DispatchMouse(WM_MOUSEMOVE, ssLeft, grip.x + 500, grip.y);
        form->DispatchMouse(WM_LBUTTONUP, 0, grip.x + 500, grip.y);
        EXPECT_EQ(bar.Position(), bar.MaxPosition());
        EXPECT_EQ(wide->Left(), -bar.MaxPosition());
    }
}

TEST_F(ControlsTest, AltWithACaptionLetterClicksThatControl) {
    auto* panel = Add<TPanel>();
    auto* level = Add<TCheckBox>(panel);
    level->SetCaption("&Level");
    level->SetChecked(true);
    auto* name = Add<TLabel>();
    name->SetTop(60);
    name->SetCaption("&Name:");
    auto* edit = Add<TEdit>();
    edit->SetTop(80);
    name->SetFocusControl(edit);
    auto* literal = Add<TButton>();
    literal->SetTop(110);
    literal->SetCaption("A && B");
    int clicks = 0;
    level->OnClick = [&](TObject*) { ++clicks; };
    form->DispatchKey(WM_KEYDOWN, 'L', ssAlt);
    EXPECT_FALSE(level->Checked());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form->ActiveControl(), level);
    form->DispatchKey(WM_KEYDOWN, 'N', ssAlt);
    EXPECT_EQ(form->ActiveControl(), edit);
    EXPECT_EQ(form->FindAccelerator('B'), nullptr); // "&&" is a literal ampersand
    level->SetEnabled(false);
    form->DispatchKey(WM_KEYDOWN, 'L', ssAlt);
    EXPECT_EQ(clicks, 1);
}
