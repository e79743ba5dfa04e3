// The control window with stand-in mixer windows, on the emulated card.
#include "app/Formutil.h"
#include "app/Mixctrl.h"
#include "app/messages.h"
#include "app/startup.h"
#include "app/tbmainf.h"
#include "controls/Class_b.h"
#include "driver/config.h"
#include "emu/Emulator.h"
#include "system/sys.h"
#include "windir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace krvl;

namespace {

std::vector<std::string> g_opened;

// A mixer window as the control window sees one.
class FakeMixer : public tk::TForm, public IMixerWindow {
public:
    FakeMixer(tk::TComponent* owner, std::string name, bool usable) : tk::TForm(owner), m_usable(usable) {
        SetCaption(name);
        g_opened.push_back(name);
    }
    bool Usable() const override { return m_usable; }

private:
    bool m_usable;
};

// A mixer window whose control open fails while it is created: its creation raises the silent abort.
class FailingMixer : public tk::TForm, public IMixerWindow {
public:
    explicit FailingMixer(tk::TComponent* owner) : tk::TForm(owner) {
        SetCaption("Digital Inputs");
        OnCreate = [this](tk::TObject*) {
            Handle();
            tk::Abort();
        };
    }
    bool Usable() const override { return true; }
};

class ControlWindow : public WindowsDirTest {
protected:
    void SetUp() override {
        WindowsDirTest::SetUp();
        emulator = emu::Emulator::Install(emu::Scenario::Default());
        DriverLink() = 1;
        RegisterMixerWindow(MixerKind::AnalogInputs,
                            [](tk::TComponent* o) { return tk::New<FakeMixer>(o, "Analog Inputs", true); });
        RegisterMixerWindow(MixerKind::DigitalOutputs,
                            [](tk::TComponent* o) { return tk::New<FakeMixer>(o, "Digital Outputs", true); });
        RegisterMixerWindow(MixerKind::AnalogOutputs,
                            [](tk::TComponent* o) { return tk::New<FakeMixer>(o, "Analog Outputs", false); });
        RegisterMixerWindow(MixerKind::DigitalInputs,
                            [](tk::TComponent* o) { return tk::New<FailingMixer>(o); });
        RegisterSettingsDialog([](tk::TComponent* o, BYTE*, int, int) {
            auto* f = tk::New<tk::TForm>(o);
            f->SetCaption("Einstellungen");
            return f;
        });
        tk::Application->CreateForm(MixControlWnd);
        ASSERT_NE(MixControlWnd, nullptr);
        w = MixControlWnd;
    }
    void TearDown() override {
        tk::Application->DestroyForms();
        sys::JoinShellPrograms();
        emulator->Uninstall();
        g_opened.clear();
        WindowsDirTest::TearDown();
    }
    std::shared_ptr<emu::Emulator> emulator;
    TMixControlWnd* w{};
};

TEST_F(ControlWindow, CreationFindsTheCardsAndTheirConnectors) {
    EXPECT_EQ(CardTable().cardCount, 2);
    EXPECT_TRUE(w->Extended(0));
    EXPECT_FALSE(w->Extended(1));
    EXPECT_EQ(w->Caption(), "Korvalin");
    EXPECT_EQ(w->Width(), 167);
    EXPECT_EQ(w->Height(), 159);
    EXPECT_FALSE(w->Visible());
    EXPECT_FALSE(ExitFlag());
}

TEST_F(ControlWindow, TheTrayDoubleClickShowsIt) {
    PostMessageA(w->Handle(), UM_TRAYICON, 0, WM_RBUTTONDOWN);
    tk::Application->ProcessMessages();
    EXPECT_FALSE(w->Visible());
    PostMessageA(w->Handle(), UM_TRAYICON, 0, WM_LBUTTONDBLCLK);
    tk::Application->ProcessMessages();
    EXPECT_TRUE(w->Visible());
}

TEST_F(ControlWindow, ClosingSavesTheOpenWindowsAndShowingReopensThemInOrder) {
    w->Show();
    w->chkDigitalOutputs->SetChecked(true);
    w->chkAnalogInputs->SetChecked(true);
    ASSERT_NE(w->MixerWindow(MixerKind::AnalogInputs), nullptr);
    EXPECT_TRUE(w->MixerWindow(MixerKind::AnalogInputs)->Visible());
    w->Close();
    EXPECT_FALSE(w->Visible());
    EXPECT_FALSE(w->chkAnalogInputs->Checked());
    EXPECT_EQ(w->MixerWindow(MixerKind::AnalogInputs), nullptr);
    EXPECT_EQ(w->MixerWindow(MixerKind::DigitalOutputs), nullptr);
    EXPECT_EQ(Ini(), "[Korvalin]\r\nchkAnalogInputs=1\r\nchkDigitalInputs=0\r\nchkAnalogOutputs=0\r\n"
                     "chkDigitalOutputs=1\r\nchkStayOnTop=0\r\nTop=" +
                         std::to_string(w->Top()) + "\r\nLeft=" + std::to_string(w->Left()) +
                         "\r\nWidth=167\r\nHeight=159\r\nHints=0\r\n");

    g_opened.clear();
    w->Show();
    EXPECT_EQ(g_opened, (std::vector<std::string>{"Analog Inputs", "Digital Outputs"}));
    EXPECT_TRUE(w->chkAnalogInputs->Checked());
    EXPECT_TRUE(w->chkDigitalOutputs->Checked());
}

TEST_F(ControlWindow, UnusableOrFailingWindowsUncheckTheirBoxesSilently) {
    w->chkAnalogOutputs->SetChecked(true); // created but not usable
    EXPECT_FALSE(w->chkAnalogOutputs->Checked());
    EXPECT_EQ(w->MixerWindow(MixerKind::AnalogOutputs), nullptr);
    int components = w->ComponentCount();
    for (int attempt = 0; attempt < 2; ++attempt) {
        w->chkDigitalInputs->SetChecked(true); // its creation raises the silent abort
        EXPECT_FALSE(w->chkDigitalInputs->Checked());
        EXPECT_EQ(w->MixerWindow(MixerKind::DigitalInputs), nullptr);
        // The half-made window went again; a retry leaves nothing behind either.
        EXPECT_EQ(w->ComponentCount(), components);
        EXPECT_EQ(tk::Screen->FindForm("Digital Inputs"), nullptr);
    }
    EXPECT_TRUE(sys::RecordedMessageBoxes().empty());
}

TEST_F(ControlWindow, AClosingWindowUnchecksItsBoxOnceAndStaleNoticesDoNothing) {
    w->chkAnalogInputs->SetChecked(true);
    tk::TForm* mixer = w->MixerWindow(MixerKind::AnalogInputs);
    ASSERT_NE(mixer, nullptr);
    PostMessageA(w->Handle(), UM_MIXERCLOSED, 0, reinterpret_cast<LPARAM>(mixer));
    PostMessageA(w->Handle(), UM_MIXERCLOSED, 0, reinterpret_cast<LPARAM>(mixer));
    PostMessageA(w->Handle(), UM_MIXERCLOSED, 0, 0);
    tk::Application->ProcessMessages();
    EXPECT_FALSE(w->chkAnalogInputs->Checked());
    EXPECT_EQ(w->MixerWindow(MixerKind::AnalogInputs), nullptr);
}

TEST_F(ControlWindow, TheSettingsDialogClosesAndLocksTheMixerWindows) {
    w->chkAnalogInputs->SetChecked(true);
    w->chkDigitalOutputs->SetChecked(true);
    w->chkSettings->SetChecked(true);
    ASSERT_NE(w->SettingsDialog(), nullptr);
    EXPECT_TRUE(w->SettingsDialog()->Visible());
    EXPECT_FALSE(w->chkAnalogInputs->Checked());
    EXPECT_FALSE(w->chkDigitalOutputs->Checked());
    EXPECT_FALSE(w->chkAnalogInputs->Enabled());
    EXPECT_FALSE(w->chkDigitalOutputs->Enabled());
    EXPECT_EQ(w->MixerWindow(MixerKind::AnalogInputs), nullptr);
    // The record came from the driver: the card's default rate is in slice 0.
    std::int32_t rate = 0;
    std::memcpy(&rate, w->ConfigRecord() + 136, 4);
    EXPECT_EQ(rate, 44100);

    PostMessageA(w->Handle(), UM_MIXERCLOSED, 0, reinterpret_cast<LPARAM>(w->SettingsDialog()));
    tk::Application->ProcessMessages();
    EXPECT_EQ(w->SettingsDialog(), nullptr);
    EXPECT_FALSE(w->chkSettings->Checked());
    EXPECT_TRUE(w->chkAnalogInputs->Enabled());
    EXPECT_FALSE(w->chkAnalogInputs->Checked()); // the windows stay closed

    w->Close();
    EXPECT_EQ(Ini().find("chkSettings"), std::string::npos);
}

TEST_F(ControlWindow, StayOnTopIsReappliedToEveryOwnedWindowOnActivationChanges) {
    w->chkAnalogInputs->SetChecked(true);
    w->chkStayOnTop->SetChecked(true);
    tk::TForm* mixer = w->MixerWindow(MixerKind::AnalogInputs);
    EXPECT_TRUE(sys::GetWindowModel(w->Handle()).topmost);
    EXPECT_TRUE(sys::GetWindowModel(mixer->Handle()).topmost);
    w->chkDigitalOutputs->SetChecked(true);
    tk::TForm* late = w->MixerWindow(MixerKind::DigitalOutputs);
    EXPECT_FALSE(sys::GetWindowModel(late->Handle()).topmost);
    tk::Application->SetActive(false);
    tk::Application->SetActive(true);
    EXPECT_TRUE(sys::GetWindowModel(late->Handle()).topmost);
    w->chkStayOnTop->SetChecked(false);
    EXPECT_FALSE(sys::GetWindowModel(mixer->Handle()).topmost);

    // A mixer window's own activation reaches the control window through the hook it takes.
    w->chkStayOnTop->SetChecked(true);
    SetWindowPos(late->Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    MixerActiveChanged(late);
    EXPECT_TRUE(sys::GetWindowModel(late->Handle()).topmost);
    tk::Application->DestroyForms();
    MixerActiveChanged(nullptr); // no control window: nothing happens
    EXPECT_EQ(MixControlWnd, nullptr);
}

TEST_F(ControlWindow, SizeLimitsKeepTheWindowAt167By159) {
    MINMAXINFO info{};
    SendMessageA(w->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMaxSize.x, 167);
    EXPECT_EQ(info.ptMaxSize.y, 159);
    EXPECT_EQ(info.ptMinTrackSize.x, 167);
    EXPECT_EQ(info.ptMaxTrackSize.y, 159);
    EXPECT_EQ(info.ptMaxPosition.x, 0);
    w->SetBounds(10, 10, 300, 400);
    w->SetWindowState(tk::wsMaximized);
    EXPECT_EQ(w->Width(), 167);
    EXPECT_EQ(w->Height(), 159);
}

TEST_F(ControlWindow, RemovalWithAFailingGetconfigStillClosesAndEnds) {
    tk::Application->CreateForm(frmMain);
    w->Show();
    // From now on the configuration entry never answers.
    sys::RegisterShellProgram("rundll.exe", [](const std::string&) {});
    SetConfigRequestTimeout(30);
    emulator->KeepTranscript(true);
    EXPECT_TRUE(emulator->RemoveCard(0));
    SetConfigRequestTimeout(10000);
    EXPECT_TRUE(ExitFlag());
    EXPECT_EQ(MixControlWnd, nullptr);
    EXPECT_FALSE(emulator->Released());
}

} // namespace

namespace {

TEST_F(ControlWindow, TheMainWindowsPopupMenuComesAndGoesWithTheRightButton) {
    tk::Application->CreateForm(frmMain);
    int shown = 0;
    std::vector<std::string> texts;
    sys::SetPopupPresenter([&](HMENU menu, INT, INT, HWND) -> UINT_PTR {
        ++shown;
        texts.clear();
        for (auto& item : sys::MenuItems(menu))
            texts.push_back(item.flags & MF_SEPARATOR ? "-" : item.text);
        return 0;
    });
    auto rclick = [] { SendMessageA(frmMain->Handle(), UM_TRAYMOUSE, 0, WM_RBUTTONDOWN); };
    rclick();
    EXPECT_TRUE(frmMain->PopupShown());
    EXPECT_EQ(texts, (std::vector<std::string>{"Open", "-", "Exit"}));
    rclick();
    EXPECT_FALSE(frmMain->PopupShown());
    rclick();
    EXPECT_TRUE(frmMain->PopupShown());
    EXPECT_EQ(shown, 2);
    SendMessageA(frmMain->Handle(), UM_TRAYMOUSE, 0, WM_LBUTTONDOWN);
    EXPECT_FALSE(frmMain->PopupShown());

    // Choosing "Exit" saves the control window's settings and ends the loop.
    sys::SetPopupPresenter([](HMENU menu, INT, INT, HWND) { return sys::MenuItems(menu).back().id; });
    w->Show();
    rclick();
    EXPECT_TRUE(ExitFlag());
    EXPECT_FALSE(w->Visible());
    EXPECT_NE(Ini().find("[Korvalin]"), std::string::npos);
}

} // namespace
