// Translation of desktop input into the toolkit's shapes; needs no display.
#include "desktop/Input.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include <gtest/gtest.h>

namespace {

// X key symbols (keysymdef.h) used below.
constexpr unsigned XK_a = 0x61, XK_A = 0x41, XK_5 = 0x35, XK_Tab = 0xff09, XK_ISO_Left_Tab = 0xfe20,
                   XK_Return = 0xff0d, XK_KP_Enter = 0xff8d, XK_Escape = 0xff1b, XK_BackSpace = 0xff08,
                   XK_F4 = 0xffc1, XK_Left = 0xff51, XK_adiaeresis = 0xe4, XK_Multi = 0xff20;
constexpr unsigned ShiftMask = 1, ControlMask = 4, Mod1Mask = 8, Button1Mask = 256, Button3Mask = 1024;

TEST(DesktopKeys, KeySymbolsBecomeClassicVirtualKeys) {
    EXPECT_EQ(desktop::VirtualKeyOf(XK_a), 'A');
    EXPECT_EQ(desktop::VirtualKeyOf(XK_A), 'A');
    EXPECT_EQ(desktop::VirtualKeyOf(XK_5), '5');
    EXPECT_EQ(desktop::VirtualKeyOf(XK_Tab), tk::VK_TAB);
    EXPECT_EQ(desktop::VirtualKeyOf(XK_ISO_Left_Tab), tk::VK_TAB); // Shift+Tab's own symbol
    EXPECT_EQ(desktop::VirtualKeyOf(XK_Return), tk::VK_RETURN);
    EXPECT_EQ(desktop::VirtualKeyOf(XK_KP_Enter), tk::VK_RETURN);
    EXPECT_EQ(desktop::VirtualKeyOf(XK_Escape), tk::VK_ESCAPE);
    EXPECT_EQ(desktop::VirtualKeyOf(XK_F4), 0x73);
    EXPECT_EQ(desktop::VirtualKeyOf(XK_Left), tk::VK_LEFT);
    EXPECT_EQ(desktop::VirtualKeyOf(XK_adiaeresis), 0);
    EXPECT_EQ(desktop::VirtualKeyOf(XK_Multi), 0);
}

TEST(DesktopKeys, TypedCharactersFollowTheClassicTranslation) {
    EXPECT_EQ(desktop::TypedChars(XK_a, 'a', 0), std::vector<char>{'a'});
    EXPECT_EQ(desktop::TypedChars(XK_BackSpace, 8, 0), std::vector<char>{'\b'});
    EXPECT_EQ(desktop::TypedChars(XK_Return, 13, 0), std::vector<char>{'\r'});
    EXPECT_EQ(desktop::TypedChars(XK_Escape, 27, 0), std::vector<char>{'\x1b'});
    // Umlauts arrive as their UTF-8 bytes, one character message each.
    EXPECT_EQ(desktop::TypedChars(XK_adiaeresis, 0xE4, 0), (std::vector<char>{'\xC3', '\xA4'}));
    EXPECT_TRUE(desktop::TypedChars(XK_a, 'a', tk::ssAlt).empty());
    EXPECT_TRUE(desktop::TypedChars(XK_a, 'a', tk::ssCtrl).empty());
    EXPECT_TRUE(desktop::TypedChars(XK_F4, 0, 0).empty());
}

TEST(DesktopKeys, ModifiersBecomeShiftStates) {
    EXPECT_EQ(desktop::ShiftOf(0), 0u);
    EXPECT_EQ(desktop::ShiftOf(ShiftMask | ControlMask | Mod1Mask), tk::ssShift | tk::ssCtrl | tk::ssAlt);
    EXPECT_EQ(desktop::ShiftOf(Button1Mask | Button3Mask), tk::ssLeft | tk::ssRight);
}

TEST(DesktopClicks, SecondPressInTimeAndPlaceIsADoubleClickAndTheThirdStartsAnew) {
    desktop::ClickCounter clicks(400, 4);
    EXPECT_EQ(clicks.Press(1, 1000, 10, 10), WM_LBUTTONDOWN);
    EXPECT_EQ(clicks.Press(1, 1300, 12, 11), WM_LBUTTONDBLCLK);
    EXPECT_EQ(clicks.Press(1, 1400, 12, 11), WM_LBUTTONDOWN);
    // Too late, too far, or another button: a plain press.
    EXPECT_EQ(clicks.Press(1, 1900, 12, 11), WM_LBUTTONDOWN);
    EXPECT_EQ(clicks.Press(1, 2000, 30, 11), WM_LBUTTONDOWN);
    EXPECT_EQ(clicks.Press(3, 2100, 30, 11), WM_RBUTTONDOWN);
    EXPECT_EQ(clicks.Press(3, 2200, 30, 11), WM_RBUTTONDBLCLK);
    EXPECT_EQ(clicks.Press(2, 2300, 30, 11), 0u);
    EXPECT_EQ(desktop::ClickCounter::Release(1), WM_LBUTTONUP);
    EXPECT_EQ(desktop::ClickCounter::Release(3), WM_RBUTTONUP);
    // The millisecond clock of X wraps; a press just after the wrap still pairs.
    desktop::ClickCounter wrap(400, 4);
    wrap.Press(1, 0xFFFFFF00u, 5, 5);
    EXPECT_EQ(wrap.Press(1, 0x40u, 5, 5), WM_LBUTTONDBLCLK);
}

TEST(DesktopTexts, MenuLabelsMessageTextsAndHints) {
    desktop::MenuLabel close = desktop::MenuLabelOf("&Schließen\tAlt+F4");
    EXPECT_EQ(close.mnemonic, "_Schließen");
    EXPECT_EQ(close.shortcut, "Alt+F4");
    EXPECT_EQ(desktop::MenuLabelOf("A && B_c").mnemonic, "A & B__c");
    EXPECT_EQ(desktop::MenuLabelOf(" Tips anzeigen").shortcut, "");

    EXPECT_EQ(desktop::DisplayText("Zeile 1\r\nZeile 2\rZeile 3"), "Zeile 1\nZeile 2\nZeile 3");
    EXPECT_EQ(desktop::DisplayText("f\xFCr"), "f\xC3\xBCr"); // Latin-1 becomes UTF-8
    EXPECT_EQ(desktop::DisplayText("f\xC3\xBCr"), "f\xC3\xBCr");

    EXPECT_EQ(desktop::ShortHint("Kurz|Lang"), "Kurz");
    EXPECT_EQ(desktop::ShortHint("Nur kurz"), "Nur kurz");
}

class DesktopForm : public ::testing::Test {
protected:
    void SetUp() override {
        form = tk::Make<tk::TForm>();
        form->SetBounds(0, 0, 300, 200);
        panel = tk::New<tk::TPanel>(form.get());
        panel->SetParent(form.get());
        panel->SetBounds(0, 0, 300, 100);
        alpha = tk::New<tk::TCheckBox>(form.get());
        alpha->SetParent(panel);
        alpha->SetBounds(8, 8, 120, 17);
        alpha->SetCaption("&Alpha");
        beta = tk::New<tk::TButton>(form.get());
        beta->SetParent(form.get());
        beta->SetBounds(8, 120, 80, 25);
        beta->SetCaption("&Beta");
        label = tk::New<tk::TLabel>(form.get());
        label->SetParent(form.get());
        label->SetBounds(100, 120, 60, 13);
        label->SetCaption("&Name:");
        edit = tk::New<tk::TEdit>(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(160, 120, 100, 21);
        label->SetFocusControl(edit);
    }
    tk::TOwned<tk::TForm> form;
    tk::TPanel* panel{};
    tk::TCheckBox* alpha{};
    tk::TButton* beta{};
    tk::TLabel* label{};
    tk::TEdit* edit{};
};

TEST_F(DesktopForm, FreeBackgroundIsTheFormOrAPlainContainer) {
    EXPECT_TRUE(desktop::IsFreeBackground(*form, 200, 180)); // the form itself
    EXPECT_TRUE(desktop::IsFreeBackground(*form, 200, 50));  // a plain panel
    EXPECT_FALSE(desktop::IsFreeBackground(*form, 12, 12));  // the check box
    EXPECT_FALSE(desktop::IsFreeBackground(*form, 20, 130)); // the button
    panel->OnMouseDown = [](tk::TObject*, tk::TMouseButton, tk::TShiftState, int, int) {};
    EXPECT_FALSE(desktop::IsFreeBackground(*form, 200, 50)); // a panel that handles the mouse itself
}

} // namespace
