// The host on a real X display (the test run's virtual one): forms in windows, input, limits, menus,
// message boxes, modal forms, the tray and the end of the session. Skips where there is no display.
#include "desktop/FormWindow.h"
#include "desktop/Host.h"
#include "desktop/Tray.h"
#include "system/sys.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace {

constexpr unsigned XK_a = 0x61, XK_b = 0x62, XK_c = 0x63, XK_BackSpace = 0xff08, XK_Tab = 0xff09,
                   XK_ISO_Left_Tab = 0xfe20, XK_Return = 0xff0d, XK_Escape = 0xff1b, XK_space = 0x20;
constexpr unsigned ShiftMask = 1, Mod1Mask = 8;

// A control that counts its paints and can be made to fail them, as a broken meter would.
class Probe : public tk::TGraphicControl {
public:
    using tk::TGraphicControl::TGraphicControl;
    int paints{};
    bool fail{};

protected:
    void Paint(tk::TCanvas& canvas) override {
        ++paints;
        if (fail) throw std::runtime_error("Zeichnen fehlgeschlagen");
        canvas.FillRect(ClientRect(), tk::clBtnFace);
    }
};

// A control of the form at the given place.
template <class T> T* Child(tk::TForm* form, int left, int top, int width, int height) {
    auto* control = tk::New<T>(form);
    control->SetParent(form);
    control->SetBounds(left, top, width, height);
    return control;
}

// A control of one colour that counts its paints.
class Swatch : public tk::TGraphicControl {
public:
    using tk::TGraphicControl::TGraphicControl;
    tk::TColor color{tk::clBtnFace};
    int paints{};

protected:
    void Paint(tk::TCanvas& canvas) override {
        ++paints;
        canvas.FillRect(ClientRect(), color);
    }
};

class Host : public ::testing::Test {
protected:
    void SetUp() override {
        if (!desktop::Host::OpenDisplay()) GTEST_SKIP() << "no X display";
        sys::ResetSystem();
        host = &desktop::Host::Install();
    }
    void TearDown() override {
        forms.clear();
        tk::Application->DestroyForms();
        desktop::Host::Uninstall();
        sys::ResetSystem();
    }

    // Runs the program's loop until cond holds or ms pass.
    bool PumpUntil(const std::function<bool()>& cond, unsigned ms = 3000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!cond()) {
            if (std::chrono::steady_clock::now() > end) return false;
            host->Pump(10);
        }
        return true;
    }

    tk::TForm* NewForm(tk::TFormBorderStyle style, int left, int top, int width, int height) {
        forms.push_back(tk::Make<tk::TForm>());
        tk::TForm* f = forms.back().get();
        f->SetBorderStyle(style);
        f->SetBounds(left, top, width, height);
        f->SetCaption("Probe");
        return f;
    }

    desktop::FormWindow* ShowAndWait(tk::TForm* f) {
        f->Show();
        desktop::FormWindow* w = nullptr;
        PumpUntil([&] { return (w = host->WindowOf(*f)) && w->Shown() && w->XWindow() != 0; });
        host->Pump(150);
        return w;
    }

    // A click as the desktop reports it, with desktop time moving on.
    void Click(desktop::FormWindow* w, unsigned button, int x, int y) {
        w->FeedButton(0, button, x, y, 0, m_time);
        w->FeedButton(1, button, x, y, 0, m_time + 20);
        m_time += 1000;
        host->Pump(30);
    }
    void Key(desktop::FormWindow* w, unsigned keyval, unsigned state = 0) {
        w->FeedKey(true, keyval, state);
        w->FeedKey(false, keyval, state);
        host->Pump(30);
    }

    desktop::Host* host{};
    std::vector<tk::TOwned<tk::TForm>> forms;
    std::uint32_t m_time{100000};
};

TEST_F(Host, ShownFormBecomesAWindowWithItsCaptionPlacementAndVisibility) {
    tk::TForm* f = NewForm(tk::bsSingle, 100, 80, 200, 150);
    EXPECT_EQ(host->WindowOf(*f), nullptr); // no window before the form is shown
    desktop::FormWindow* w = ShowAndWait(f);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Title(), "Probe");
    EXPECT_FALSE(w->Resizable());
    EXPECT_FALSE(w->ToolWindow());
    // The client area sits where the toolkit's frame puts it.
    tk::TPoint off = f->ClientOffset();
    EXPECT_EQ(w->Geometry(),
              (desktop::ClientGeometry{100 + off.x, 80 + off.y, f->ClientWidth(), f->ClientHeight()}));

    f->SetCaption("Gr\xC3\xB6\xC3\x9F"
                  "e");
    host->Pump(50);
    EXPECT_EQ(w->Title(), "Gr\xC3\xB6\xC3\x9F"
                          "e");

    f->SetLeft(300);
    ASSERT_TRUE(PumpUntil([&] { return w->Geometry().x == 300 + off.x; }));

    // The tray's way back from the taskbar: a minimised form set to normal.
    f->SetWindowState(tk::wsMinimized);
    ASSERT_TRUE(PumpUntil([&] { return w->WindowState() == tk::wsMinimized; }));
    f->SetWindowState(tk::wsNormal);
    ASSERT_TRUE(PumpUntil([&] { return w->WindowState() == tk::wsNormal; }));

    f->Hide();
    ASSERT_TRUE(PumpUntil([&] { return !w->Shown(); }));
    f->Show();
    ASSERT_TRUE(PumpUntil([&] { return w->Shown(); }));

    // A destroyed form takes its window along.
    HWND h = f->Handle();
    forms.clear();
    EXPECT_EQ(host->WindowOf(h), nullptr);
    host->Pump(50);
}

TEST_F(Host, BorderStylesCentringAndStayOnTop) {
    tk::TForm* tool = NewForm(tk::bsSizeToolWin, 10, 10, 150, 300);
    desktop::FormWindow* w = ShowAndWait(tool);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->ToolWindow());
    EXPECT_TRUE(w->Resizable());

    // Stay-on-top reaches the desktop window at once, not at the loop's next wait.
    EXPECT_FALSE(w->KeepAbove());
    SetWindowPos(tool->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(w->KeepAbove());
    SetWindowPos(tool->Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_FALSE(w->KeepAbove());
    tool->SetFormStyle(tk::fsStayOnTop);
    EXPECT_TRUE(w->KeepAbove());
    tool->SetFormStyle(tk::fsNormal);
    EXPECT_FALSE(w->KeepAbove());

    tk::TForm* dialog = NewForm(tk::bsDialog, 0, 0, 200, 100);
    dialog->SetPosition(tk::poScreenCenter);
    desktop::FormWindow* d = ShowAndWait(dialog);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->Resizable());
    EXPECT_EQ(dialog->Left(), (tk::Screen->Width() - 200) / 2);
    EXPECT_EQ(d->Geometry().x, dialog->Left() + dialog->ClientOffset().x);
}

TEST_F(Host, SizeLimitsHoldForTheProgramAndTheUserAndResizingReachesTheForm) {
    tk::TForm* f = NewForm(tk::bsSizeable, 50, 50, 400, 400);
    f->SetMessageHandler(WM_GETMINMAXINFO, [](tk::TMessage& m) {
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        info->ptMinTrackSize = {150, 120};
        info->ptMaxTrackSize = {300, 220};
        m.Result = 0;
    });
    int resizes = 0;
    f->OnResize = [&](tk::TObject*) { ++resizes; };
    desktop::FormWindow* w = ShowAndWait(f);
    ASSERT_NE(w, nullptr);
    int frameW = f->Width() - f->ClientWidth(), frameH = f->Height() - f->ClientHeight();
    EXPECT_EQ(w->Limits(), (desktop::SizeLimits{150 - frameW, 120 - frameH, 300 - frameW, 220 - frameH}));
    // The program's own 400 x 400 is held to the maximum, as the classic desktop does.
    ASSERT_TRUE(PumpUntil([&] { return f->Width() == 300 && f->Height() == 220; }));

    desktop::ClientGeometry g = w->Geometry();
    int before = resizes;
    w->UserGeometry({g.x, g.y, 200, 150});
    ASSERT_TRUE(PumpUntil([&] { return f->ClientWidth() == 200 && f->ClientHeight() == 150; }));
    EXPECT_GT(resizes, before);
    // Beyond the limits the desktop stops the user.
    w->UserGeometry({g.x, g.y, 900, 50});
    host->Pump(700);
    EXPECT_EQ(f->Width(), 300);
    EXPECT_EQ(f->Height(), 120);
}

// The mixer windows' way: a fixed height that grows by a scroll bar's 16 pixels when the user makes the
// window narrower than its strips, and shrinks again when it is wide enough.
TEST_F(Host, AFormThatChangesItsHeightWhileTheUserResizesIsFollowed) {
    tk::TForm* f = NewForm(tk::bsSizeToolWin, 50, 50, 400, 300);
    int fixed = 300;
    bool bar = false;
    f->SetMessageHandler(WM_GETMINMAXINFO, [&](tk::TMessage& m) {
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        info->ptMinTrackSize = {97, fixed};
        info->ptMaxTrackSize = {400, fixed};
    });
    f->OnResize = [&](tk::TObject*) {
        if (!bar && f->Width() < 300) {
            bar = true;
            fixed += 16;
            f->SetHeight(f->Height() + 16);
        } else if (bar && f->Width() >= 300) {
            bar = false;
            fixed -= 16;
            f->SetHeight(f->Height() - 16);
        }
    };
    desktop::FormWindow* w = ShowAndWait(f);
    ASSERT_NE(w, nullptr);
    int frameH = f->Height() - f->ClientHeight();
    desktop::ClientGeometry g = w->Geometry();
    ASSERT_EQ(g.height, 300 - frameH);

    w->UserGeometry({g.x, g.y, 200, g.height});
    ASSERT_TRUE(PumpUntil([&] { return bar && w->Geometry().height == 316 - frameH; }))
        << w->Geometry().height;
    host->Pump(700);
    EXPECT_EQ(f->Height(), 316);
    EXPECT_EQ(w->Geometry().height, 316 - frameH);
    EXPECT_EQ(w->Limits().minHeight, 316 - frameH);

    g = w->Geometry();
    w->UserGeometry({g.x, g.y, 380, g.height});
    ASSERT_TRUE(PumpUntil([&] { return !bar && w->Geometry().height == 300 - frameH; }));
    host->Pump(700);
    EXPECT_EQ(f->Height(), 300);
    EXPECT_EQ(f->ClientWidth(), 380);
}

// Four metering windows repaint many times a second; a wait after which no form changed must cost
// nothing per form (no limits asked, no window brought in line), while the repaints go on.
TEST_F(Host, AWaitAfterNothingChangedCostsNothingPerFormWhileRepaintsGoOn) {
    tk::TForm* f = NewForm(tk::bsSizeToolWin, 40, 40, 300, 200);
    int queries = 0;
    f->SetMessageHandler(WM_GETMINMAXINFO, [&](tk::TMessage& m) {
        ++queries;
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        info->ptMinTrackSize = {97, 200};
        info->ptMaxTrackSize = {400, 200};
    });
    auto* meter = Child<Probe>(f, 10, 10, 40, 100);
    tk::TForm* other = NewForm(tk::bsSingle, 400, 40, 200, 150);
    desktop::FormWindow* w = ShowAndWait(f);
    ASSERT_NE(w, nullptr);
    ASSERT_NE(ShowAndWait(other), nullptr);
    host->Pump(700); // the desktop's placement settles

    std::uint64_t syncs = host->Syncs();
    int asked = queries, painted = meter->paints, waits = 0;
    host->SetWaitObserver([&] {
        ++waits;
        meter->Invalidate();
    });
    host->Pump(400);
    host->SetWaitObserver(nullptr);
    EXPECT_GT(waits, 10);
    EXPECT_GT(meter->paints, painted + 5);
    EXPECT_EQ(queries, asked);
    EXPECT_EQ(host->Syncs(), syncs);

    // A change is acted on, with the limits asked again for the new size.
    f->SetWidth(250);
    asked = queries; // the form's own clamping asks too
    ASSERT_TRUE(PumpUntil([&] { return w->Geometry().width == f->ClientWidth(); }));
    EXPECT_GT(host->Syncs(), syncs);
    EXPECT_GT(queries, asked);
}

// A change reaches the window at once, painted outside GTK's frames, and what lies beside it stays; a
// hidden window paints nothing, and shows what changed meanwhile when it shows again. (Away from the
// other tests' windows, which may share the display.)
TEST_F(Host, AChangeReachesTheWindowAtOnceAndAHiddenWindowPaintsNothing) {
    tk::TForm* f = NewForm(tk::bsSingle, 880, 700, 200, 150);
    auto* changing = Child<Swatch>(f, 10, 10, 40, 40);
    auto* beside = Child<Swatch>(f, 100, 10, 40, 40);
    beside->color = tk::TColor(0x00FF00); // green
    desktop::FormWindow* w = ShowAndWait(f);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return w->ScreenPixel(110, 20) == 0x00FF00u; }));

    std::uint64_t direct = w->DirectPaints();
    changing->color = tk::TColor(0x0000FF); // red, in the toolkit's blue-green-red order
    changing->Invalidate();
    ASSERT_TRUE(PumpUntil([&] { return w->ScreenPixel(20, 20) == 0xFF0000u; }));
    EXPECT_GT(w->DirectPaints(), direct);
    EXPECT_EQ(w->ScreenPixel(110, 20), 0x00FF00u);

    f->Hide();
    ASSERT_TRUE(PumpUntil([&] { return !w->Shown(); }));
    int paints = changing->paints;
    changing->color = tk::TColor(0xFF0000); // blue
    changing->Invalidate();
    host->Pump(200);
    EXPECT_EQ(changing->paints, paints);
    f->Show();
    EXPECT_TRUE(PumpUntil([&] { return w->ScreenPixel(20, 20) == 0x0000FFu; }));
}

// A paint that throws reaches the application's report, as any failing handler does; a paint failing
// on every frame is reported once, and again only after a good paint.
TEST_F(Host, AFailingPaintIsReportedOncePerRunOfFailures) {
    std::vector<std::string> reports;
    tk::Application->OnException = [&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            reports.push_back(e.what());
        }
    };
    struct Restore {
        ~Restore() { tk::Application->OnException = nullptr; }
    } restore;
    tk::TForm* f = NewForm(tk::bsSingle, 60, 60, 200, 150);
    auto* meter = Child<Probe>(f, 10, 10, 40, 100);
    auto* calm = Child<Probe>(f, 120, 10, 40, 40);
    ASSERT_NE(ShowAndWait(f), nullptr);
    EXPECT_TRUE(reports.empty());

    // Good paints elsewhere in between do not end the run of failures.
    meter->fail = true;
    int painted = meter->paints, calmPainted = calm->paints;
    for (int i = 0; i < 5; ++i) {
        meter->Invalidate();
        host->Pump(40);
        calm->Invalidate();
        host->Pump(40);
    }
    EXPECT_GT(meter->paints, painted + 2);
    EXPECT_GT(calm->paints, calmPainted + 2);
    EXPECT_EQ(reports, std::vector<std::string>{"Zeichnen fehlgeschlagen"});
    // Last, a failing paint of both: the failure is still the meter's alone.
    painted = meter->paints;
    meter->Invalidate();
    calm->Invalidate();
    ASSERT_TRUE(PumpUntil([&] { return meter->paints > painted; }));

    meter->fail = false;
    painted = meter->paints;
    meter->Invalidate();
    ASSERT_TRUE(PumpUntil([&] { return meter->paints > painted; }));
    meter->fail = true;
    meter->Invalidate();
    ASSERT_TRUE(PumpUntil([&] { return reports.size() == 2; }));
}

TEST_F(Host, CloseBoxActivationAndMouseReachTheForm) {
    tk::TForm* f = NewForm(tk::bsSingle, 20, 20, 250, 150);
    auto* box = Child<tk::TCheckBox>(f, 8, 8, 120, 17);
    box->SetCaption("&Alpha");
    std::vector<tk::TShiftState> downs;
    f->OnMouseDown = [&](tk::TObject*, tk::TMouseButton, tk::TShiftState s, int, int) { downs.push_back(s); };
    int activations = 0, deactivations = 0, closes = 0;
    f->OnActivate = [&](tk::TObject*) { ++activations; };
    f->OnDeactivate = [&](tk::TObject*) { ++deactivations; };
    f->OnClose = [&](tk::TObject*, tk::TCloseAction& a) {
        ++closes;
        a = tk::caHide;
    };
    desktop::FormWindow* w = ShowAndWait(f);
    ASSERT_NE(w, nullptr);

    Click(w, 1, 14, 16);
    EXPECT_TRUE(box->Checked());
    Click(w, 1, 14, 16);
    EXPECT_FALSE(box->Checked());

    // A quick second press on the form is a double click; a third starts anew.
    for (int i = 0; i < 3; ++i) {
        w->FeedButton(0, 1, 200, 100, 0, m_time + i * 100);
        w->FeedButton(1, 1, 200, 100, 0, m_time + i * 100 + 20);
    }
    m_time += 2000;
    host->Pump(50);
    ASSERT_EQ(downs.size(), 3u);
    EXPECT_FALSE(downs[0] & tk::ssDouble);
    EXPECT_TRUE(downs[1] & tk::ssDouble);
    EXPECT_FALSE(downs[2] & tk::ssDouble);

    f->SetActive(false);
    int a = activations, d = deactivations;
    w->FeedFocus(true);
    host->Pump(30);
    EXPECT_EQ(activations, a + 1);
    EXPECT_TRUE(f->Active());
    w->FeedFocus(false);
    host->Pump(200);
    EXPECT_EQ(deactivations, d + 1);
    EXPECT_FALSE(tk::Application->Active());

    w->FeedClose();
    ASSERT_TRUE(PumpUntil([&] { return closes == 1 && !w->Shown(); }));
}

TEST_F(Host, KeyboardGoesToTheFocusedControlWithTabEnterEscapeAndAccelerators) {
    tk::TForm* f = NewForm(tk::bsDialog, 30, 30, 300, 160);
    auto* edit = Child<tk::TEdit>(f, 8, 8, 150, 21);
    edit->SetTabStop(true);
    edit->SetAutoSelect(false);
    auto* box = Child<tk::TCheckBox>(f, 8, 40, 150, 17);
    box->SetCaption("Immer im &Vordergrund");
    auto* ok = Child<tk::TButton>(f, 8, 100, 75, 25);
    ok->SetDefault(true);
    auto* cancel = Child<tk::TButton>(f, 100, 100, 75, 25);
    cancel->SetCancel(true);
    int oks = 0, cancels = 0;
    ok->OnClick = [&](tk::TObject*) { ++oks; };
    cancel->OnClick = [&](tk::TObject*) { ++cancels; };
    desktop::FormWindow* w = ShowAndWait(f);
    ASSERT_NE(w, nullptr);

    f->SetActiveControl(edit);
    for (unsigned k : {XK_a, XK_b, XK_BackSpace, XK_c})
        Key(w, k);
    EXPECT_EQ(edit->Text(), "ac");

    Key(w, XK_Tab);
    EXPECT_NE(f->ActiveControl(), edit);
    Key(w, XK_ISO_Left_Tab, ShiftMask);
    EXPECT_EQ(f->ActiveControl(), edit);

    Key(w, XK_Return);
    EXPECT_EQ(oks, 1);
    Key(w, XK_Escape);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(edit->Text(), "ac"); // Enter and Escape type nothing into the field

    Key(w, 0x76 /* v */, Mod1Mask);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(f->ActiveControl(), box);
    EXPECT_EQ(edit->Text(), "ac"); // Alt+letter types nothing either
}

TEST_F(Host, SystemMenuOpensOnBackgroundRightClickAndAltSpaceAndSendsItsCommand) {
    tk::TForm* f = NewForm(tk::bsSizeToolWin, 40, 40, 200, 200);
    auto* panel = Child<tk::TPanel>(f, 0, 0, 150, 60);
    auto* box = tk::New<tk::TCheckBox>(f);
    box->SetParent(panel);
    box->SetBounds(8, 8, 100, 17);
    box->SetCaption("Box");
    std::vector<WPARAM> commands;
    f->SetMessageHandler(WM_SYSCOMMAND, [&](tk::TMessage& m) { commands.push_back(m.WParam); });
    desktop::FormWindow* w = ShowAndWait(f);
    ASSERT_NE(w, nullptr);
    HMENU menu = GetSystemMenu(f->Handle(), FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | MF_CHECKED, 0x1234, " &Tips anzeigen");

    // A right click on a control is the control's own: no menu.
    bool menuSeen = false;
    host->SetWaitObserver([&] { menuSeen = menuSeen || !host->OpenMenuItems().empty(); });
    Click(w, 3, 12, 14);
    EXPECT_FALSE(menuSeen);

    // Menus wait in a nested loop: the observer acts while it runs.
    std::vector<std::string> seen;
    host->SetWaitObserver([&] {
        if (!seen.empty()) return;
        seen = host->OpenMenuItems();
        if (!seen.empty()) host->ChooseMenuItem(8);
    });
    Click(w, 3, 100, 150);
    ASSERT_TRUE(PumpUntil([&] { return !commands.empty(); }));
    ASSERT_EQ(seen.size(), 9u);
    EXPECT_EQ(seen[0], "Wiederherstellen");
    EXPECT_EQ(seen[5], "-");
    EXPECT_EQ(seen[8], " Tips anzeigen");
    EXPECT_EQ(commands.back(), 0x1234u);

    // Alt+Space opens it too; closing it without a choice sends nothing.
    bool closed = false;
    host->SetWaitObserver([&] {
        if (!closed && !host->OpenMenuItems().empty()) closed = host->ChooseMenuItem(-1);
    });
    Key(w, XK_space, Mod1Mask);
    ASSERT_TRUE(PumpUntil([&] { return closed && host->OpenMenuItems().empty(); }));
    host->Pump(50);
    EXPECT_EQ(commands.size(), 1u);
    host->SetWaitObserver(nullptr);
}

TEST_F(Host, MessageBoxIsARealDialogAndTheLoopGoesOnWhileItIsOpen) {
    std::vector<UINT> handled;
    HWND sink = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        handled.push_back(msg);
        return 0;
    });
    std::vector<desktop::OpenMessageBox> boxes;
    std::thread poster;
    bool answered = false;
    host->SetWaitObserver([&] {
        if (boxes.empty()) {
            boxes = host->OpenMessageBoxes();
            // A post from another thread (the timer thread's way) is handled while the box waits.
            if (!boxes.empty())
                poster = std::thread([sink] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    PostMessageA(sink, WM_USER + 1, 0, 0);
                });
        } else if (!handled.empty() && !answered) {
            answered = host->AnswerMessageBox(0);
        }
    });
    INT answer = -1;
    host->Post([&] { answer = MessageBoxA(nullptr, "Zeile 1\r\nZeile 2", "Fehler", MB_ICONERROR); });
    ASSERT_TRUE(PumpUntil([&] { return answer != -1; }, 5000));
    if (poster.joinable()) poster.join();
    EXPECT_EQ(answer, IDOK);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Fehler");
    EXPECT_EQ(boxes[0].text, "Zeile 1\nZeile 2");
    EXPECT_EQ(boxes[0].icon, "error");
    EXPECT_EQ(boxes[0].buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(handled, std::vector<UINT>{WM_USER + 1});

    boxes.clear();
    host->SetWaitObserver([&] {
        if (!boxes.empty()) return;
        boxes = host->OpenMessageBoxes();
        if (!boxes.empty()) host->AnswerMessageBox(1);
    });
    host->Post([&] { answer = MessageBoxA(nullptr, "Weiter?", "Frage", MB_YESNO | MB_ICONQUESTION); });
    ASSERT_TRUE(PumpUntil([&] { return answer == IDNO; }));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, "question");
    EXPECT_EQ(boxes[0].buttons.size(), 2u);
    host->SetWaitObserver(nullptr);
    DestroyWindow(sink);
}

TEST_F(Host, ModalFormRunsANestedLoopUntilItsButtonCloses) {
    tk::TForm* f = NewForm(tk::bsDialog, 60, 60, 200, 120);
    auto* ok = Child<tk::TButton>(f, 60, 40, 75, 25);
    ok->SetModalResult(tk::mrOk);
    tk::TModalResult result = -1;
    bool wasModal = false;
    int waits = 0;
    host->SetWaitObserver([&] {
        desktop::FormWindow* w = host->WindowOf(*f);
        if (wasModal || !w || !w->Shown() || !w->Modal() || ++waits < 5) return;
        wasModal = true;
        w->FeedButton(0, 1, 90, 50, 0, m_time);
        w->FeedButton(1, 1, 90, 50, 0, m_time + 20);
    });
    host->Post([&] { result = f->ShowModal(); });
    ASSERT_TRUE(PumpUntil([&] { return result != -1; }));
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(result, tk::mrOk);
    host->SetWaitObserver(nullptr);
    desktop::FormWindow* w = host->WindowOf(*f);
    ASSERT_TRUE(PumpUntil([&] { return !w->Shown() && !w->Modal(); }));
}

TEST_F(Host, HintsBecomeTooltipsAndTheHandCursorShows) {
    tk::TForm* f = NewForm(tk::bsSingle, 70, 70, 200, 120);
    auto* panel = Child<tk::TPanel>(f, 10, 10, 80, 40);
    panel->SetHint("Zeige/Verdecke Level Bereich|lang");
    panel->SetCursor(tk::crHandPoint);
    desktop::FormWindow* w = ShowAndWait(f);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->TooltipAt(20, 20), ""); // ShowHint off
    panel->SetShowHint(true);
    EXPECT_EQ(w->TooltipAt(20, 20), "Zeige/Verdecke Level Bereich");
    EXPECT_EQ(w->TooltipAt(150, 100), "");
    EXPECT_EQ(w->CursorAt(20, 20), "pointer");
    EXPECT_EQ(w->CursorAt(150, 100), "");
}

TEST_F(Host, TrayIconReportsMouseActionsAndFallsBackToAWindowOfItsOwn) {
    sys::RegisterIconResource("PROBEICON", sys::IconImage{2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0}});
    std::vector<std::pair<UINT, LPARAM>> notices;
    HWND target = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM, LPARAM l) -> LRESULT {
        notices.push_back({msg, l});
        return 0;
    });
    NOTIFYICONDATAA record{};
    record.cbSize = 88;
    record.hWnd = target;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_USER + 102;
    record.hIcon = LoadIconA(nullptr, "PROBEICON");
    std::strcpy(record.szTip, "Einstellungen f\xC3\xBCr Korvalin");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &record));
    desktop::TrayHost& tray = host->Tray();
    ASSERT_EQ(tray.Count(), 1u);
    EXPECT_EQ(tray.Tip(0), "Einstellungen f\xC3\xBCr Korvalin");
    if (!desktop::TrayHost::DesktopHasNotificationArea()) {
        EXPECT_TRUE(tray.IconWindowShown(0));
    }

    tray.FeedButton(0, 0, 1, 500, 400, 5000);
    tray.FeedButton(0, 1, 1, 500, 400, 5020);
    tray.FeedButton(0, 0, 1, 500, 400, 5100);
    tray.FeedButton(0, 1, 1, 500, 400, 5120);
    tray.FeedButton(0, 0, 3, 500, 400, 9000);
    ASSERT_TRUE(PumpUntil([&] { return notices.size() == 5; }));
    std::vector<LPARAM> mouse;
    for (auto& [msg, l] : notices) {
        EXPECT_EQ(msg, WM_USER + 102);
        mouse.push_back(l);
    }
    EXPECT_EQ(mouse, (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                                          WM_RBUTTONDOWN}));
    POINT p{};
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 500);
    EXPECT_EQ(p.y, 400);

    // A second window's icon with the same id gets its own clicks.
    std::vector<LPARAM> others;
    HWND other = sys::CreateWindowHandle([&](HWND, UINT, WPARAM, LPARAM l) -> LRESULT {
        others.push_back(l);
        return 0;
    });
    NOTIFYICONDATAA second = record;
    second.hWnd = other;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &second));
    ASSERT_EQ(tray.Count(), 2u);
    tray.FeedButton(1, 0, 3, 500, 400, 12000);
    ASSERT_TRUE(PumpUntil([&] { return !others.empty(); }));
    EXPECT_EQ(others, std::vector<LPARAM>{WM_RBUTTONDOWN});
    EXPECT_EQ(notices.size(), 5u);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &second));
    DestroyWindow(other);

    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &record));
    EXPECT_EQ(tray.Count(), 0u);
    DestroyWindow(target);
}

TEST_F(Host, EndOfSessionClosesOpenBoxesAndReachesEveryTopLevelWindow) {
    std::vector<std::pair<UINT, WPARAM>> seen;
    HWND main = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if (msg == WM_QUERYENDSESSION || msg == WM_ENDSESSION) seen.push_back({msg, w});
        return msg == WM_QUERYENDSESSION ? FALSE : 0; // a refusal does not stop a signal
    });
    bool ended = false;
    host->SetWaitObserver([&] {
        if (ended || host->OpenMessageBoxes().empty()) return;
        ended = true;
        host->Post([&] { host->EndSession(); });
    });
    INT answer = -1;
    host->Post([&] { answer = MessageBoxA(nullptr, "offen", "Info", MB_OKCANCEL); });
    ASSERT_TRUE(PumpUntil([&] { return answer != -1 && seen.size() == 2; }));
    host->SetWaitObserver(nullptr);
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_EQ(seen[0], (std::pair<UINT, WPARAM>{WM_QUERYENDSESSION, 0}));
    EXPECT_EQ(seen[1], (std::pair<UINT, WPARAM>{WM_ENDSESSION, 1}));

    // A window made afterwards (a start-up still under way when the signal came) hears of it too, and
    // a message box then answers at once.
    std::vector<UINT> late;
    HWND after = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if ((msg == WM_QUERYENDSESSION || msg == WM_ENDSESSION) && (msg != WM_ENDSESSION || w == 1))
            late.push_back(msg);
        return TRUE;
    });
    ASSERT_TRUE(PumpUntil([&] { return late.size() == 2; }));
    EXPECT_EQ(seen.size(), 2u); // the first window is told once
    EXPECT_EQ(MessageBoxA(nullptr, "sp\xC3\xA4t", "Info", MB_OKCANCEL), IDCANCEL);
    EXPECT_TRUE(host->OpenMessageBoxes().empty());
    DestroyWindow(after);
    DestroyWindow(main);
}

} // namespace
