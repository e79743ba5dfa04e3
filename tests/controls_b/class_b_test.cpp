#include "controls/Class_b.h"
#include "forms/Layouts.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormReader.h"
#include "toolkit/Forms.h"

#include <gtest/gtest.h>

using namespace controls;

namespace {

struct Fixture : ::testing::Test {
    tk::TOwned<tk::TForm> form = tk::Make<tk::TForm>();
    tk::TPanel* panel = tk::New<tk::TPanel>(form.get());
    Fixture() { panel->SetParent(form.get()); }

    template <class T> T* Add() {
        auto* c = tk::New<T>(form.get());
        c->SetParent(panel);
        return c;
    }
    // A left click in the middle of the control, through the form's input dispatch.
    void ClickOn(tk::TControl& c) {
        tk::TPoint p = c.ClientToForm({c.Width() / 2, c.Height() / 2});
        form->DispatchMouse(WM_LBUTTONDOWN, tk::ssLeft, p.x, p.y);
        form->DispatchMouse(WM_LBUTTONUP, 0, p.x, p.y);
    }
};

} // namespace

TEST_F(Fixture, EnglishCaptionIsStoredOnlyAndGermanCaptionIsShown) {
    auto* box = Add<TExtCheckBox>();
    box->SetCaption("Karte ist Master");
    box->SetCaptionEnglish("Card is Master");
    EXPECT_EQ(box->Caption(), "Karte ist Master");
    EXPECT_EQ(box->CaptionEnglish(), "Card is Master");

    auto* radio = Add<TExtRadioButton>();
    radio->SetCaption("Internal");
    radio->SetCaptionGerman("Intern");
    EXPECT_EQ(radio->Caption(), "Intern");
    EXPECT_EQ(radio->CaptionGerman(), "Intern");

    auto* group = Add<TExtGroupBox>();
    group->SetCaption(" Takt ");
    group->SetCaptionGerman("");
    EXPECT_EQ(group->Caption(), "");

    // Caption written directly (texts built at run time) leaves both stored texts alone.
    auto* label = Add<TExtLabel>();
    label->SetCaptionGerman("Eingang");
    label->SetCaptionEnglish("Input");
    label->SetCaption("Karte #2");
    EXPECT_EQ(label->Caption(), "Karte #2");
    EXPECT_EQ(label->CaptionGerman(), "Eingang");
    EXPECT_EQ(label->CaptionEnglish(), "Input");

    auto* button = Add<TExtButton>();
    button->SetCaptionGerman("&Übernehmen");
    EXPECT_EQ(button->Caption(), "&Übernehmen");
}

TEST_F(Fixture, SpeedButtonHintsFollowTheSameRule) {
    auto* b = Add<TExtSpeedButton>();
    b->SetHintEnglish("Mute");
    EXPECT_EQ(b->Hint(), "");
    b->SetHintGerman("Stumm");
    EXPECT_EQ(b->Hint(), "Stumm");
    b->SetHint("Stummschaltung Kanal 1 An/Aus");
    EXPECT_EQ(b->HintGerman(), "Stumm");
    EXPECT_EQ(b->HintEnglish(), "Mute");
    b->SetCaptionGerman("M");
    EXPECT_EQ(b->Caption(), "M");
}

TEST_F(Fixture, OnDownOncePerChangeToPressedFromCode) {
    auto* b = Add<TExtSpeedButton>();
    b->SetGroupIndex(1);
    b->SetAllowAllUp(true);
    int downs = 0;
    b->OnDown = [&](tk::TObject* sender) {
        EXPECT_EQ(sender, b);
        ++downs;
    };
    b->SetDown(true);
    EXPECT_EQ(downs, 1);
    EXPECT_TRUE(b->GetDown());
    b->SetDown(true);
    EXPECT_EQ(downs, 1);
    b->SetDown(false);
    EXPECT_EQ(downs, 1);
    EXPECT_FALSE(b->Down());
    b->SetDown(true);
    EXPECT_EQ(downs, 2);
}

TEST_F(Fixture, OnDownFromClicksFollowsTheGroupRules) {
    auto* a = Add<TExtSpeedButton>();
    auto* b = Add<TExtSpeedButton>();
    b->SetLeft(30);
    for (auto* x : {a, b})
        x->SetGroupIndex(3);
    a->SetDown(true);
    int downsA = 0, downsB = 0, clicksA = 0;
    a->OnDown = [&](tk::TObject*) { ++downsA; };
    b->OnDown = [&](tk::TObject*) { ++downsB; };
    a->OnClick = [&](tk::TObject*) { ++clicksA; };

    ClickOn(*b); // b goes down, a is released by the group: only b notifies
    EXPECT_TRUE(b->GetDown());
    EXPECT_FALSE(a->GetDown());
    EXPECT_EQ(downsB, 1);
    EXPECT_EQ(downsA, 0);

    ClickOn(*b); // without AllowAllUp a down button stays down: a click, no OnDown
    EXPECT_TRUE(b->GetDown());
    EXPECT_EQ(downsB, 1);

    ClickOn(*a);
    EXPECT_TRUE(a->GetDown());
    EXPECT_EQ(downsA, 1);
    EXPECT_EQ(clicksA, 1);
}

TEST_F(Fixture, WithoutOnDownTheButtonBehavesAsTheToolkitButton) {
    auto* ext = Add<TExtSpeedButton>();
    auto* plain = Add<tk::TSpeedButton>();
    plain->SetLeft(30);
    for (tk::TSpeedButton* x : {static_cast<tk::TSpeedButton*>(ext), plain}) {
        x->SetGroupIndex(x == plain ? 2 : 1);
        x->SetAllowAllUp(true);
    }
    int extClicks = 0, plainClicks = 0;
    ext->OnClick = [&](tk::TObject*) { ++extClicks; };
    plain->OnClick = [&](tk::TObject*) { ++plainClicks; };
    for (int i = 0; i < 3; ++i) {
        ClickOn(*ext);
        ClickOn(*plain);
        EXPECT_EQ(ext->GetDown(), plain->Down());
    }
    EXPECT_EQ(extClicks, 3);
    EXPECT_EQ(plainClicks, 3);
    ext->SetDown(false);
    plain->SetDown(false);
    EXPECT_EQ(ext->GetDown(), plain->Down());
}

TEST(ClassBLayout, StoredOrderShowsTheGermanCaption) {
    controls::RegisterClass_b();
    auto form = tk::Make<tk::TForm>();
    tk::ReadForm(*form, R"(object F: TForm
  object chkMaster: TExtCheckBox
    Caption = 'Card is Master'
    CaptionEnglish = 'Card is Master'
    CaptionGerman = 'Karte ist Master'
  end
  object lbOnlyEnglish: TExtLabel
    Caption = 'Takt'
    CaptionEnglish = 'Clock'
  end
  object btnMute: TExtSpeedButton
    GroupIndex = 1
    Down = True
    HintEnglish = 'Mute'
    HintGerman = 'Stumm'
    CaptionGerman = 'M'
  end
end
)",
                 "test.dfm");
    EXPECT_EQ(form->ComponentByName<TExtCheckBox>("chkMaster").Caption(), "Karte ist Master");
    EXPECT_EQ(form->ComponentByName<TExtLabel>("lbOnlyEnglish").Caption(), "Takt");
    auto& mute = form->ComponentByName<TExtSpeedButton>("btnMute");
    EXPECT_TRUE(mute.GetDown());
    EXPECT_EQ(mute.Hint(), "Stumm");
    EXPECT_EQ(mute.Caption(), "M");
}
