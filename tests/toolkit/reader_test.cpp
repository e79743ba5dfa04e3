#include "toolkit/Buttons.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormReader.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/ScrollBox.h"
#include "toolkit/StdCtrls.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

// Records what it saw while its stored properties were assigned and when Loaded ran.
class TProbe : public TGraphicControl {
public:
    explicit TProbe(TComponent* owner) : TGraphicControl(owner) {}
    std::string ClassName() const override { return "TProbe"; }
    void SetValue(int v) {
        value = v;
        loadingAtSet = Loading();
        log().push_back(Name() + ".Value");
    }
    void Loaded() override {
        TGraphicControl::Loaded();
        log().push_back(Name() + ".Loaded");
        loadingAfterLoaded = Loading();
    }
    static std::vector<std::string>& log() {
        static std::vector<std::string> entries;
        return entries;
    }
    int value{};
    bool loadingAtSet{};
    bool loadingAfterLoaded{true};
};

void RegisterProbe() {
    RegisterClass<TProbe>("TProbe", "TGraphicControl").Int<TProbe>("Value", &TProbe::SetValue);
}

std::string ErrorOf(const std::string& text) {
    auto form = Make<TForm>();
    try {
        ReadForm(*form, text, "test.dfm");
    } catch (const EReadError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(FormReader, ReadsEveryValueKindIntoTheSetters) {
    RegisterProbe();
    auto form = Make<TForm>();
    int clicks = 0;
    form->BindMethod("btnOkClick", [&](TObject*) { ++clicks; });
    ReadForm(*form, R"(object dlgTest: TForm
  Left = -4
  Top = $10
  BorderStyle = bsDialog
  Caption = 'It''s f'#252'r ' +
    'you'
  ClientWidth = 300
  ClientHeight = 200
  Font.Name = 'Arial'
  Font.Height = -11
  Font.Style = [fsBold, fsItalic]
  ShowHint = True
  PixelsPerInch = 96
  object pnMain: TPanel
    Tag = -1
    Align = alTop
    Height = 50
    BevelInner = bvRaised
    BevelOuter = bvLowered
    Color = 14803425
    object lbName: TLabel
      Left = 8
      Top = 4
      Caption = '&Name:'
      FocusControl = edName
      Font.Color = clNavy
    end
    object edName: TEdit
      Left = 60
      Top = 4
      Text = 'Karte'
    end
  end
  object boxRate: TComboBox
    Top = 60
    Style = csDropDownList
    ItemIndex = 1
    Items.Strings = (
      '44100'
      '48000')
  end
  object btnOk: TButton
    Top = 90
    Caption = 'OK'
    Default = True
    ModalResult = mrOk
    OnClick = btnOkClick
  end
  object Probe1: TProbe
    Value = 7
  end
end
)",
             "test.dfm");
    EXPECT_EQ(form->Name(), "dlgTest");
    EXPECT_EQ(form->Left(), -4);
    EXPECT_EQ(form->Top(), 16);
    EXPECT_EQ(form->Caption(), "It's für you");
    EXPECT_EQ(form->ClientWidth(), 300);
    EXPECT_EQ(form->ClientHeight(), 200);
    EXPECT_EQ(form->Width(), 306); // dialog frame: 3 pixels each side, 19 for the caption bar
    EXPECT_EQ(form->Height(), 225);
    EXPECT_EQ(form->Font().Style(), fsBold | fsItalic);

    auto& panel = form->ComponentByName<TPanel>("pnMain");
    EXPECT_EQ(panel.Tag(), -1);
    EXPECT_EQ(panel.Parent(), form.get());
    EXPECT_EQ(panel.BoundsRect(), Bounds(0, 0, 300, 50)); // aligned once loaded
    EXPECT_EQ(panel.Color(), 0xE1E1E1);
    EXPECT_TRUE(panel.ShowHint()); // follows the form

    auto& label = form->ComponentByName<TLabel>("lbName");
    auto& edit = form->ComponentByName<TEdit>("edName");
    EXPECT_EQ(label.Parent(), &panel);
    EXPECT_EQ(label.FocusControl(), &edit);  // a reference to a component read later
    EXPECT_EQ(label.Font().Name(), "Arial"); // parent font, then its own colour
    EXPECT_EQ(label.Font().Color(), clNavy);
    EXPECT_EQ(edit.Text(), "Karte");

    auto& box = form->ComponentByName<TComboBox>("boxRate");
    EXPECT_EQ(box.Items().Count(), 2);
    EXPECT_EQ(box.ItemIndex(), 1); // stored before the items, applied after them
    EXPECT_EQ(box.Text(), "48000");

    auto& ok = form->ComponentByName<TButton>("btnOk");
    EXPECT_TRUE(ok.Default());
    EXPECT_EQ(ok.ModalResult(), mrOk);
    ok.Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form->ModalResult(), mrOk);
}

TEST(FormReader, AssignsInStoredOrderWhileLoadingThenCallsLoadedRootFirst) {
    RegisterProbe();
    TProbe::log().clear();
    auto form = Make<TForm>();
    ReadForm(*form, R"(object F: TForm
  object A: TProbe
    Value = 1
  end
  object pn: TPanel
    object B: TProbe
      Value = 2
    end
  end
end
)",
             "order.dfm");
    auto& a = form->ComponentByName<TProbe>("A");
    auto& b = form->ComponentByName<TProbe>("B");
    EXPECT_TRUE(a.loadingAtSet);
    EXPECT_FALSE(a.loadingAfterLoaded);
    EXPECT_FALSE(form->Loading());
    std::vector<std::string> expected{"A.Value", "B.Value", "A.Loaded", "B.Loaded"};
    EXPECT_EQ(TProbe::log(), expected);
    EXPECT_EQ(b.Parent(), &form->ComponentByName<TPanel>("pn"));
    // Components are owned by the root in the order read.
    EXPECT_EQ(form->Components(0), &a);
}

TEST(FormReader, ErrorsNameTheFileAndLine) {
    EXPECT_EQ(ErrorOf("object F: TForm\n  object X: TFrobnicator\n  end\nend\n"),
              "test.dfm(2): Unknown class TFrobnicator");
    EXPECT_EQ(ErrorOf("object F: TForm\n  object X: TPanel\n    Left = 1\n    Colour = 5\n  end\nend\n"),
              "test.dfm(4): Unknown property Colour of TPanel");
    EXPECT_EQ(ErrorOf("object F: TForm\n  Left = 'ten'\nend\n"),
              "test.dfm(2): Integer expected, found a string");
    EXPECT_EQ(ErrorOf("object F: TForm\n  Visible = 1\nend\n"),
              "test.dfm(2): True or False expected, found an integer");
    EXPECT_EQ(ErrorOf("object F: TForm\n  Align = alMiddle\nend\n"), "test.dfm(2): Invalid value 'alMiddle'");
    EXPECT_EQ(ErrorOf("object F: TForm\n  Font.Style = [fsBold, fsHeavy]\nend\n"),
              "test.dfm(2): Invalid set member 'fsHeavy'");
    EXPECT_EQ(ErrorOf("object F: TForm\n  Color = clPlaid\nend\n"), "test.dfm(2): Unknown colour 'clPlaid'");
    EXPECT_EQ(ErrorOf("object F: TForm\n  object B: TButton\n    OnClick = NobodyClick\n  end\nend\n"),
              "test.dfm(3): Unknown event handler 'NobodyClick'");
    EXPECT_EQ(ErrorOf("object F: TForm\n  object L: TLabel\n    FocusControl = edMissing\n  end\nend\n"),
              "test.dfm(3): Unknown component 'edMissing'");
    EXPECT_EQ(ErrorOf("object F: TForm\n  object A: TPanel\n  end\n  object a: TPanel\n  end\nend\n"),
              "test.dfm(4): A component named a already exists");
    EXPECT_EQ(ErrorOf("object F: TForm\n  Caption = 'open\nend\n"), "test.dfm(2): Unterminated string");
    EXPECT_EQ(ErrorOf("object F: TForm\n  object P: TPanel\n"), "test.dfm(2): 'end' missing for object P");
    EXPECT_EQ(ErrorOf("object F: TForm\n  Left 5\nend\n"),
              "test.dfm(2): '=' expected after the property name");
    EXPECT_EQ(ErrorOf("object F: TForm\n  object B: TButton\n    object C: TCheckBox\n    end\n  end\nend\n"),
              "");
    EXPECT_EQ(ErrorOf("object F: TForm\n  object L: TLabel\n    object C: TCheckBox\n    end\n  end\nend\n"),
              "test.dfm(3): TCheckBox cannot be placed in TLabel");
    EXPECT_EQ(ErrorOf("object F: TForm\n  Width = 99999999999999999999\nend\n"),
              "test.dfm(2): Integer out of range");
}

TEST(FormReader, AStoredClientSizeHoldsWhateverFollowsIt) {
    auto form = Make<TForm>();
    ReadForm(*form,
             "object F: TForm\n  ClientWidth = 294\n  ClientHeight = 296\n  BorderStyle = bsDialog\nend\n",
             "client.dfm");
    EXPECT_EQ(form->ClientWidth(), 294);
    EXPECT_EQ(form->ClientHeight(), 296);
    EXPECT_EQ(form->Height(), 296 + 19 + 6);
}

TEST(FormReader, AFailedLayoutLeavesNoComponentLoading) {
    auto form = Make<TForm>();
    EXPECT_THROW(
        ReadForm(*form, "object F: TForm\n  object P: TPanel\n    Left = x\n  end\nend\n", "bad.dfm"),
        EReadError);
    EXPECT_FALSE(form->Loading());
    auto& p = form->ComponentByName<TPanel>("P");
    EXPECT_FALSE(p.Loading());
}

TEST(FormReader, ReadsTheLessCommonControls) {
    auto form = Make<TForm>();
    int timerTicks = 0;
    form->BindMethod("Tick", [&](TObject*) { ++timerTicks; });
    ReadForm(*form, R"(object F: TForm
  object pages: TPageControl
    Width = 200
    Height = 120
    ActivePage = tabTwo
    TabWidth = 90
    object tabOne: TTabSheet
      Caption = 'Takt'
    end
    object tabTwo: TTabSheet
      Caption = 'Optionen'
      object bar: TTrackBar
        Min = 1
        Max = 100
        Position = 60
        PageSize = 10
        Frequency = 10
      end
    end
  end
  object scroller: TScrollBox
    Top = 130
    BorderStyle = bsNone
    HorzScrollBar.Increment = 80
    HorzScrollBar.Tracking = True
    VertScrollBar.Visible = False
  end
  object mute: TSpeedButton
    GroupIndex = 1
    AllowAllUp = True
    Down = True
    Flat = True
    Layout = blGlyphTop
  end
  object line: TBevel
    Shape = bsTopLine
    Style = bsRaised
  end
  object lamp: TShape
    Brush.Color = clLime
    Pen.Color = clBlack
  end
  object Timer1: TTimer
    Interval = 250
    OnTimer = Tick
  end
  object menu: TPopupMenu
    object mnuShow: TMenuItem
      Caption = '&Anzeigen'
      Default = True
    end
    object mnuExit: TMenuItem
      Caption = 'Beenden'
    end
  end
end
)",
             "more.dfm");
    auto& pages = form->ComponentByName<TPageControl>("pages");
    EXPECT_EQ(pages.PageCount(), 2);
    EXPECT_EQ(pages.ActivePageIndex(), 1);
    EXPECT_EQ(pages.TabWidth(), 90);
    EXPECT_FALSE(form->ComponentByName<TTabSheet>("tabOne").Visible());
    auto& bar = form->ComponentByName<TTrackBar>("bar");
    EXPECT_EQ(bar.Position(), 60);
    EXPECT_EQ(bar.Min(), 1);
    auto& scroller = form->ComponentByName<TScrollBox>("scroller");
    EXPECT_EQ(scroller.HorzScrollBar().Increment(), 80);
    EXPECT_TRUE(scroller.HorzScrollBar().Tracking());
    EXPECT_FALSE(scroller.VertScrollBar().Visible());
    EXPECT_TRUE(form->ComponentByName<TSpeedButton>("mute").Down());
    EXPECT_EQ(form->ComponentByName<TBevel>("line").Shape(), bsTopLine);
    EXPECT_EQ(form->ComponentByName<TShape>("lamp").Brush().color, clLime);
    auto& timer = form->ComponentByName<TTimer>("Timer1");
    EXPECT_EQ(timer.Interval(), 250u);
    EXPECT_TRUE(timer.Running());
    auto& menu = form->ComponentByName<TPopupMenu>("menu");
    ASSERT_EQ(menu.Items().Count(), 2);
    EXPECT_EQ(menu.Items().Items(0)->Caption(), "&Anzeigen");
    EXPECT_TRUE(menu.Items().Items(0)->Default());
}
