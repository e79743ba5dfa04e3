#include "app/Formutil.h"
#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "system/sys.h"
#include "toolkit/Buttons.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"
#include "windir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace krvl;

namespace {

class Formutil : public WindowsDirTest {
protected:
    void SetUp() override {
        WindowsDirTest::SetUp();
        form = tk::Make<tk::TForm>();
        form->SetCaption("Analog Inputs");
        form->SetBounds(10, 20, 300, 200);
    }
    void TearDown() override {
        form.reset();
        WindowsDirTest::TearDown();
    }
    template <class T> T* Add(const std::string& name, int tag, tk::TWinControl* parent = nullptr) {
        T* c = tk::New<T>(form.get());
        c->SetName(name);
        c->SetTag(tag);
        (parent ? parent : form.get())->InsertControl(c);
        return c;
    }
    tk::TOwned<tk::TForm> form;
};

TEST_F(Formutil, SaveAndLoadFollowTheTagMaskAndTheClassTable) {
    auto* box = Add<TExtCheckBox>("chkPeakMeter", -1);
    auto* unsaved = Add<tk::TCheckBox>("chkOther", 0);
    auto* panel = Add<tk::TPanel>("pnControls", -1);
    auto* slider = Add<TSlider>("Slider0", -1);
    auto* edit = Add<tk::TEdit>("edName", -1);
    auto* combo = Add<tk::TComboBox>("boxRate", -1);
    combo->SetItems({"a", "b", "c"});
    box->SetChecked(true);
    unsaved->SetChecked(true);
    panel->SetVisible(false);
    slider->SetPosition(42);
    edit->SetText("Hallo Welt");
    combo->SetItemIndex(2);
    form->SetShowHint(true);
    SaveWindowSettings(*form, kSettingsFile, "", true, -1);
    EXPECT_EQ(Ini(),
              "[Analog Inputs]\r\nchkPeakMeter=1\r\npnControls=0\r\nSlider0=42\r\nedName=Hallo Welt\r\n"
              "boxRate=2\r\nTop=20\r\nLeft=10\r\nWidth=300\r\nHeight=200\r\nHints=1\r\n");

    box->SetChecked(false);
    unsaved->SetChecked(false);
    panel->SetVisible(true);
    slider->SetPosition(0);
    edit->SetText("");
    combo->SetItemIndex(0);
    form->SetBounds(0, 0, 100, 100);
    form->SetShowHint(false);
    LoadWindowSettings(*form, kSettingsFile, "", true, -1);
    EXPECT_TRUE(box->Checked());
    EXPECT_FALSE(unsaved->Checked()); // Tag 0: neither saved nor loaded
    EXPECT_FALSE(panel->Visible());
    EXPECT_EQ(slider->Position(), 42);
    EXPECT_EQ(edit->Text(), "Hallo Welt");
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(form->Left(), 10);
    EXPECT_EQ(form->Height(), 200);
    EXPECT_TRUE(form->ShowHint());
}

TEST_F(Formutil, ACaptionIsTheSectionSoAChangedCaptionReadsAnother) {
    auto* box = Add<tk::TCheckBox>("chkA", -1);
    box->SetChecked(true);
    SaveWindowSettings(*form, kSettingsFile, "", false, -1);
    box->SetChecked(false);
    form->SetCaption("Digital Inputs");
    LoadWindowSettings(*form, kSettingsFile, "", false, -1);
    EXPECT_FALSE(box->Checked()); // the current value is the default
    form->SetCaption("Analog Inputs");
    LoadWindowSettings(*form, kSettingsFile, "", false, -1);
    EXPECT_TRUE(box->Checked());
}

TEST_F(Formutil, MaskZeroTakesEveryNamedComponentAndMasksMatchAllTheirBits) {
    tk::TComponent named(nullptr), unnamed(nullptr);
    named.SetName("x");
    named.SetTag(6);
    EXPECT_TRUE(Persisted(named, 0));
    EXPECT_TRUE(Persisted(named, 2));
    EXPECT_FALSE(Persisted(named, 3));
    EXPECT_FALSE(Persisted(named, -1));
    EXPECT_FALSE(Persisted(unnamed, 0));
}

TEST_F(Formutil, LoadingASpeedButtonRunsItsClickEvenWhenDownIsUnchanged) {
    auto* button = Add<TExtSpeedButton>("SpeedButton1", -1);
    button->SetGroupIndex(1);
    button->SetAllowAllUp(true);
    int clicks = 0;
    button->OnClick = [&](tk::TObject* sender) {
        EXPECT_EQ(sender, button);
        ++clicks;
    };
    SaveWindowSettings(*form, kSettingsFile, "", false, -1);
    LoadWindowSettings(*form, kSettingsFile, "", false, -1);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button->GetDown());
}

TEST_F(Formutil, SystemMenuEntriesAreOrderedByPositionOnePerPlace) {
    auto* panel = Add<tk::TPanel>("pnChecks", 0);
    auto* late = Add<tk::TCheckBox>("chkB", 0, panel);
    late->SetBounds(80, 4, 60, 17);
    late->SetCaption("Level");
    auto* early = Add<TExtCheckBox>("chkA", 0, panel);
    early->SetBounds(8, 20, 60, 17);
    early->SetCaption("Peak Meter");
    early->SetChecked(true);
    auto* twin = Add<tk::TCheckBox>("chkTwin", 0, panel);
    twin->SetBounds(8, 20, 60, 17);
    twin->SetCaption("Twin");
    auto* corner = Add<tk::TCheckBox>("chkCorner", 0, panel);
    corner->SetBounds(0, 0, 10, 10);
    tk::TForm about(nullptr);

    HMENU menu = AddSystemMenuEntries(*panel, &about, true);
    auto items = sys::MenuItems(menu);
    int standard = static_cast<int>(items.size()) - 9;
    ASSERT_GE(standard, 0);
    auto at = [&](int i) { return items[static_cast<std::size_t>(standard + i)]; };
    EXPECT_EQ(at(0).flags, MF_SEPARATOR);
    EXPECT_EQ(at(1).text, "Peak Meter"); // smaller Left first; its twin at the same place is left out
    EXPECT_EQ(at(1).flags & MF_CHECKED, MF_CHECKED);
    EXPECT_EQ(at(1).id, MenuCommandId(early));
    EXPECT_EQ(at(2).text, "Level");
    EXPECT_EQ(at(3).flags, MF_SEPARATOR); // the extra one asked for
    EXPECT_EQ(at(4).flags, MF_SEPARATOR);
    EXPECT_EQ(at(5).text, " Fenstersteuerung anzeigen");
    EXPECT_EQ(at(5).flags & MF_CHECKED, MF_CHECKED);
    EXPECT_EQ(at(5).id, MenuCommandId(panel));
    EXPECT_EQ(at(6).text, " Tips anzeigen");
    EXPECT_EQ(at(6).id, MenuCommandId(form.get()));
    EXPECT_EQ(at(7).flags, MF_SEPARATOR);
    EXPECT_EQ(at(8).text, " Info...");
    EXPECT_EQ(at(8).id, MenuCommandId(&about));

    // Ids tell the objects apart and keep the system's low bits free.
    EXPECT_NE(MenuCommandId(early), MenuCommandId(late));
    EXPECT_EQ(MenuCommandId(early) & 0xF, 0u);
    EXPECT_LT(MenuCommandId(early), 0xF000u);

    early->SetChecked(false);
    UpdateSystemMenuEntry(*early);
    form->SetShowHint(true);
    UpdateSystemMenuEntry(*form);
    items = sys::MenuItems(menu);
    EXPECT_EQ(at(1).flags & MF_CHECKED, 0u);
    EXPECT_EQ(at(6).flags & MF_CHECKED, MF_CHECKED);
}

TEST_F(Formutil, CloningAPanelCopiesItsChildrenShiftedByThePanelOnly) {
    auto* strip = Add<tk::TPanel>("grpCard0", 0);
    strip->SetBounds(0, 0, 160, 300);
    auto* inner = Add<tk::TPanel>("pnCard0", 3, strip);
    inner->SetBounds(5, 10, 150, 280);
    auto* label = Add<TExtLabel>("lbCard0", 0, inner);
    label->SetBounds(4, 4, 60, 13);
    label->SetCaptionGerman("Karte #1");
    auto* slider = Add<TSlider>("Slider0", -1, inner);
    slider->SetBounds(20, 30, 4, 149);
    slider->SetMax(127);
    slider->SetPosition(100);
    int changes = 0;
    slider->OnChange = [&](tk::TObject*) { ++changes; };
    auto* unnamed = Add<tk::TLabel>("", 0, inner);
    (void)unnamed;

    int renamed = 0;
    CloneComponents(
        *strip, *strip, 160, [&](tk::TControl*& copy) { copy->SetName("Copy" + std::to_string(++renamed)); },
        0);
    ASSERT_EQ(strip->ControlCount(), 2);
    auto* panelCopy = dynamic_cast<tk::TPanel*>(strip->Controls(1));
    ASSERT_NE(panelCopy, nullptr);
    EXPECT_EQ(panelCopy->Left(), 165);
    EXPECT_EQ(panelCopy->Top(), 10);
    EXPECT_EQ(panelCopy->Tag(), 3);
    // The label and the fader (whose knob joins it too); the unnamed label is not copied.
    std::vector<tk::TControl*> labels;
    TSlider* sliderCopy = nullptr;
    for (int i = 0; i < panelCopy->ControlCount(); ++i) {
        tk::TControl* c = panelCopy->Controls(i);
        if (c->ClassName() == "TLabel") labels.push_back(c);
        if (auto* s = dynamic_cast<TSlider*>(c)) sliderCopy = s;
    }
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0]->Caption(), "Karte #1");
    EXPECT_EQ(labels[0]->Left(), 4); // children keep their own place in the copied panel
    ASSERT_NE(sliderCopy, nullptr);
    EXPECT_EQ(sliderCopy->Knob()->Parent(), panelCopy);
    EXPECT_EQ(sliderCopy->Left(), 20);
    EXPECT_EQ(sliderCopy->Max(), 127);
    EXPECT_EQ(sliderCopy->Position(), 100);
    int before = changes;
    sliderCopy->SetPosition(50);
    EXPECT_EQ(changes, before + 1); // the copy shares the handler
    EXPECT_EQ(renamed, 3);
}

TEST_F(Formutil, CloningAnUnknownClassFailsAndInsertsNothing) {
    auto* strip = Add<tk::TPanel>("grpCard0", 0);
    auto* label = Add<tk::TLabel>("lbA", 0, strip);
    (void)label;
    auto* edit = Add<tk::TEdit>("edName", 0, strip);
    (void)edit;
    int componentsBefore = form->ComponentCount();
    try {
        CloneComponents(*strip, *strip, 160, nullptr, 0);
        FAIL() << "no error";
    } catch (const tk::Exception& e) {
        EXPECT_STREQ(e.what(), "CloneComponents: Komponentenklasse von edName nicht implementiert.");
    }
    EXPECT_EQ(strip->ControlCount(), 2);
    EXPECT_EQ(form->ComponentCount(), componentsBefore); // the copy made before the error is gone too
}

TEST_F(Formutil, AStoredPageOutOfRangeFallsBackToTheFirstPageAndLaterSavesGoOn) {
    auto* pages = Add<tk::TPageControl>("tabPages", -1);
    for (int i = 0; i < 3; ++i)
        tk::New<tk::TTabSheet>(form.get())->SetPageControl(pages);
    auto* after = Add<tk::TCheckBox>("chkAfter", -1); // stored after the page control
    for (const char* stored : {"7", "-1", "3"}) {
        pages->SetActivePage(pages->Pages(1));
        WritePrivateProfileStringA("Analog Inputs", "tabPages", stored, kSettingsFile);
        LoadWindowSettings(*form, kSettingsFile, "", false, -1);
        EXPECT_EQ(pages->ActivePage(), pages->Pages(0)) << stored;
        after->SetChecked(!after->Checked());
        SaveWindowSettings(*form, kSettingsFile, "", false, -1);
        EXPECT_NE(Ini().find("tabPages=0\r\nchkAfter=" + std::string(after->Checked() ? "1" : "0")),
                  std::string::npos)
            << stored << "\n"
            << Ini();
    }
    WritePrivateProfileStringA("Analog Inputs", "tabPages", "2", kSettingsFile);
    LoadWindowSettings(*form, kSettingsFile, "", false, -1);
    EXPECT_EQ(pages->ActivePage(), pages->Pages(2));
}

TEST_F(Formutil, CloseAndDestroyClearsTheReference) {
    tk::TForm* child = tk::New<tk::TForm>(form.get());
    tk::TTracker alive(child);
    CloseAndDestroy(child);
    EXPECT_EQ(child, nullptr);
    EXPECT_FALSE(alive);
    CloseAndDestroy(child); // nothing to do
}

TEST_F(Formutil, StayOnTopGoesThroughTheWindowModel) {
    SetStayOnTop(*form, true);
    EXPECT_TRUE(sys::GetWindowModel(form->Handle()).topmost);
    SetStayOnTop(*form, false);
    EXPECT_FALSE(sys::GetWindowModel(form->Handle()).topmost);
}

} // namespace

namespace {

// A save is one replacement of the file; a folder that takes no writes gives one message for all the
// windows saved, keeps the old file, and a later failure after a save that worked is told again.
TEST_F(Formutil, ASaveIsOneReplacementAndAFolderThatTakesNoWritesGivesOneMessage) {
    auto* box = Add<tk::TCheckBox>("chkPeakMeter", -1);
    Add<TSlider>("Slider0", -1);
    int writes = 0;
    bool full = false;
    sys::SetProfileWriteFault([&](const std::string&) {
        ++writes;
        return full;
    });
    SaveWindowSettings(*form, kSettingsFile, "", true, -1);
    EXPECT_EQ(writes, 1);
    const std::string stored = Ini();
    const std::size_t boxes = sys::RecordedMessageBoxes().size();

    full = true;
    box->SetChecked(!box->Checked());
    auto other = tk::Make<tk::TForm>();
    other->SetCaption("KRV Ana. Output");
    SaveWindowSettings(*form, kSettingsFile, "", true, -1);
    SaveWindowSettings(*other, kSettingsFile, "", true, -1);
    EXPECT_EQ(Ini(), stored);
    auto recorded = sys::RecordedMessageBoxes();
    ASSERT_EQ(recorded.size(), boxes + 1);
    EXPECT_EQ(recorded.back().caption, "Fehler");
    EXPECT_EQ(recorded.back().text.rfind("Die Einstellungen konnten nicht gespeichert werden.\r\n", 0), 0u);
    EXPECT_NE(recorded.back().text.find("bleiben erhalten"), std::string::npos);

    full = false;
    SaveWindowSettings(*form, kSettingsFile, "", true, -1);
    EXPECT_NE(Ini(), stored);
    full = true;
    SaveWindowSettings(*form, kSettingsFile, "", true, -1);
    EXPECT_EQ(sys::RecordedMessageBoxes().size(), boxes + 2);
    sys::SetProfileWriteFault(nullptr);
}

} // namespace
