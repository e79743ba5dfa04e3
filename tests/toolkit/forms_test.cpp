#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include "system/sys.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

struct FormsTest : ::testing::Test {
    sys::VirtualClock& clock = sys::UseVirtualClock();
    FormsTest() { Application->SetTitle("Korvalin Manager"); }
    ~FormsTest() override {
        Application->DestroyForms();
        Application->ResetTerminated();
        sys::ResetSystem();
    }
    template <class T = TForm> T* NewForm(const std::string& caption) {
        T* form = nullptr;
        Application->CreateForm(form);
        form->SetCaption(caption);
        return form;
    }
};

LPARAM At(TControl& c, int x, int y) {
    TPoint p = c.ClientToForm({x, y});
    return static_cast<LPARAM>((p.y << 16) | (p.x & 0xFFFF));
}

} // namespace

TEST_F(FormsTest, HandleMessageWaitsThroughWaitMessageThenProcessesOneMessage) {
    TForm* form = NewForm("Main");
    int seen = 0;
    form->SetMessageHandler(WM_USER + 7, [&](TMessage& m) {
        ++seen;
        m.Result = 42;
    });
    int waits = 0;
    sys::SetWaitHook([&] {
        ++waits;
        PostMessageA(form->Handle(), WM_USER + 7, 0, 0);
    });
    Application->HandleMessage();
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(seen, 0); // the wait only brought the message
    Application->HandleMessage();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(waits, 1);
    sys::SetWaitHook(nullptr);
    EXPECT_EQ(SendMessageA(form->Handle(), WM_USER + 7, 0, 0), 42);
}

TEST_F(FormsTest, ExceptionsAreReportedTitledWithTheTitleAndTheAbortIsSilent) {
    TForm* form = NewForm("Main");
    form->SetMessageHandler(WM_USER + 1,
                            [](TMessage&) { throw Exception("EnableDevLeveling: Invalid RouteType."); });
    form->SetMessageHandler(WM_USER + 2, [](TMessage&) { Abort(); });
    form->SetMessageHandler(WM_USER + 3, [](TMessage&) { throw ERangeError("Wert ungültig"); });
    PostMessageA(form->Handle(), WM_USER + 1, 0, 0);
    PostMessageA(form->Handle(), WM_USER + 2, 0, 0);
    PostMessageA(form->Handle(), WM_USER + 3, 0, 0);
    Application->ProcessMessages();
    auto boxes = sys::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "EnableDevLeveling: Invalid RouteType.");
    EXPECT_EQ(boxes[0].caption, "Korvalin Manager");
    EXPECT_EQ(boxes[0].style & MB_ICONMASK, MB_ICONSTOP);
    EXPECT_EQ(boxes[1].text, "Wert ungültig."); // the report ends the sentence
}

TEST_F(FormsTest, TerminateEndsTheLoopWhenItsQuitMessageIsProcessed) {
    NewForm("Main");
    Application->Terminate();
    EXPECT_FALSE(Application->Terminated());
    Application->HandleMessage();
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(FormsTest, ShowModalRunsANestedLoopOnTheSameQueue) {
    TForm* main = NewForm("Main");
    TForm* outer = NewForm("Outer");
    TForm* inner = NewForm("Inner");
    main->Show();
    int mainPosted = 0;
    main->SetMessageHandler(WM_USER + 9, [&](TMessage&) { ++mainPosted; });
    std::vector<std::string> log;
    outer->OnShow = [&](TObject*) {
        log.push_back("outer shown");
        PostMessageA(main->Handle(), WM_USER + 9, 0, 0); // still delivered by the nested loop
        EXPECT_EQ(inner->ShowModal(), mrYes);
        log.push_back("inner returned");
        outer->SetModalResult(mrOk);
    };
    inner->OnShow = [&](TObject*) {
        log.push_back("inner shown");
        PostMessageA(inner->Handle(), WM_CLOSE, 0, 0); // closing a modal form cancels it ...
    };
    inner->OnCloseQuery = [&](TObject*, bool& canClose) {
        // ... unless it refuses; the second time it answers Yes.
        canClose = !log.empty() && log.back() == "refused";
        if (!canClose) {
            log.push_back("refused");
            inner->SetModalResult(mrNone);
            PostMessageA(inner->Handle(), WM_USER + 1, 0, 0);
        }
    };
    inner->SetMessageHandler(WM_USER + 1, [&](TMessage&) { inner->SetModalResult(mrYes); });
    EXPECT_EQ(outer->ShowModal(), mrOk);
    std::vector<std::string> expected{"outer shown", "inner shown", "refused", "inner returned"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(mainPosted, 1);
    EXPECT_FALSE(outer->Visible());
    EXPECT_FALSE(inner->Visible());
    EXPECT_THROW(main->ShowModal(), EInvalidOperation); // already visible
}

// A program told to end cancels its modal forms and destroys the one under them while they still run.
TEST_F(FormsTest, CancelledModalFormsEndAndLeaveNoDestroyedFormActive) {
    TForm* main = NewForm("Main");
    TForm* dialog = NewForm("Dialog");
    TForm* box = NewForm("Box");
    main->Show();
    dialog->Show();
    dialog->SetActive(true);
    box->OnShow = [&](TObject*) { PostMessageA(box->Handle(), WM_USER + 1, 0, 0); };
    box->SetMessageHandler(WM_USER + 1, [&](TMessage&) {
        Screen->CancelModalForms();
        dialog->Free();
    });
    EXPECT_EQ(box->ShowModal(), mrCancel);
    for (int i = 0; i < Screen->FormCount(); ++i)
        EXPECT_NE(Screen->Forms(i)->Caption(), "Dialog");
    EXPECT_NE(Screen->ActiveForm(), dialog);
    EXPECT_FALSE(box->Visible());
}

TEST_F(FormsTest, OtherFormsTakeNoInputWhileAModalFormRuns) {
    TForm* main = NewForm("Main");
    auto* button = New<TButton>(main);
    button->SetParent(main);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    main->Show();
    TForm* box = NewForm("Box"); // made before the dialog, shown over it
    TForm* dialog = NewForm("Dialog");
    bool innermostOnly = false;
    box->OnShow = [&](TObject*) {
        innermostOnly = box->TakesInput() && !dialog->TakesInput() && !main->TakesInput();
        PostMessageA(box->Handle(), WM_CLOSE, 0, 0);
    };
    dialog->SetMessageHandler(WM_USER + 1, [&](TMessage&) { box->ShowModal(); });
    dialog->OnShow = [&](TObject*) {
        PostMessageA(main->Handle(), WM_LBUTTONDOWN, 1, At(*button, 5, 5));
        PostMessageA(main->Handle(), WM_LBUTTONUP, 0, At(*button, 5, 5));
        PostMessageA(dialog->Handle(), WM_USER + 1, 0, 0);
        PostMessageA(dialog->Handle(), WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_TRUE(innermostOnly);
    EXPECT_TRUE(main->TakesInput() && dialog->TakesInput() && box->TakesInput());
    EXPECT_EQ(clicks, 0);
    main->DispatchMouse(WM_LBUTTONDOWN, ssLeft, 10, 10);
    main->DispatchMouse(WM_LBUTTONUP, 0, 10, 10);
    EXPECT_EQ(clicks, 1);
}

TEST_F(FormsTest, CloseActionsHideFreeOrKeepTheForm) {
    TForm* main = NewForm("Main"); // closing the main form would end the program
    TForm* form = NewForm("Tool");
    form->Show();
    TCloseAction next = caNone;
    form->OnClose = [&](TObject*, TCloseAction& action) { action = next; };
    form->Close();
    EXPECT_TRUE(form->Visible());
    next = caHide;
    form->Close();
    EXPECT_FALSE(form->Visible());
    form->Show();
    next = caFree;
    form->Close();
    EXPECT_EQ(Screen->FindForm("Tool"), form); // freed once the current event is over
    Application->ProcessMessages();
    EXPECT_EQ(Screen->FindForm("Tool"), nullptr);
    EXPECT_EQ(Application->ComponentCount(), 1);

    main->Show();
    main->Close();
    EXPECT_FALSE(main->Visible()); // off the screen at once, not when the loop has wound down
    Application->ProcessMessages();
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(FormsTest, AResultSetWhileTheModalFormShowsEndsItBeforeAnyMessage) {
    TForm* main = NewForm("Main");
    main->Show();
    TForm* dialog = NewForm("Dialog");
    int handled = 0;
    dialog->SetMessageHandler(WM_USER + 3, [&](TMessage&) { ++handled; });
    dialog->OnShow = [&](TObject*) {
        PostMessageA(dialog->Handle(), WM_USER + 3, 0, 0);
        dialog->SetModalResult(mrOk);
    };
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(handled, 0); // the loop did not wait for (and dispatch) the queued message first
    EXPECT_FALSE(dialog->Visible());
    Application->ProcessMessages();
    EXPECT_EQ(handled, 1);
}

TEST_F(FormsTest, OnDestroyRunsWhileTheControlsStillExist) {
    TForm* form = NewForm("Tool");
    auto* label = New<TLabel>(form);
    label->SetName("lbText");
    label->SetParent(form);
    label->SetCaption("still here");
    std::string seen;
    form->OnDestroy = [&](TObject*) { seen = form->ComponentByName<TLabel>("lbText").Caption(); };
    form->Free();
    EXPECT_EQ(seen, "still here");
}

TEST_F(FormsTest, OuterSizeIncludesTheClassicFrame) {
    auto form = Make<TForm>();
    form->SetBorderStyle(bsSizeToolWin);
    form->SetClientWidth(172);
    form->SetClientHeight(639);
    EXPECT_EQ(form->Width(), 180);
    EXPECT_EQ(form->Height(), 663);
    form->SetBorderStyle(bsSizeable);
    EXPECT_EQ(form->ClientHeight(), 663 - 27);
    form->SetBorderStyle(bsNone);
    EXPECT_EQ(form->ClientWidth(), 180);
    EXPECT_EQ(form->ClientOffset(), (TPoint{0, 0}));
}

TEST_F(FormsTest, ShowActivatesAndScreenFindsFormsByCaption) {
    TForm* a = NewForm("Erste");
    TForm* b = NewForm("Zweite");
    std::vector<std::string> log;
    a->OnActivate = [&](TObject*) { log.push_back("a+"); };
    a->OnDeactivate = [&](TObject*) { log.push_back("a-"); };
    b->OnActivate = [&](TObject*) { log.push_back("b+"); };
    a->Show();
    b->Show();
    EXPECT_EQ(Screen->ActiveForm(), b);
    SendMessageA(a->Handle(), WM_ACTIVATE, 1, 0);
    std::vector<std::string> expected{"a+", "a-", "b+", "a+"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(Screen->FindForm("Zweite"), b);
    EXPECT_EQ(Screen->FindForm("Dritte"), nullptr);
    EXPECT_TRUE(sys::GetWindowModel(b->Handle()).visible);
}

TEST_F(FormsTest, MouseInputIsCapturedWhileHeldAndDisabledControlsGetNothing) {
    TForm* form = NewForm("Main");
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 300, 200);
    auto* panel = New<TPanel>(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 100, 100);
    auto* inner = New<TPanel>(form);
    inner->SetParent(panel);
    inner->SetBounds(10, 10, 50, 50);
    std::vector<std::string> log;
    inner->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        log.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    };
    inner->OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    };
    inner->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { log.push_back("up"); };
    form->DispatchMouse(WM_LBUTTONDOWN, ssLeft, 25, 25);
    form->DispatchMouse(WM_MOUSEMOVE, ssLeft, 250, 150); // far outside: still the captured control
    form->DispatchMouse(WM_LBUTTONUP, 0, 250, 150);
    form->DispatchMouse(WM_MOUSEMOVE, 0, 250, 150); // released: the form itself
    std::vector<std::string> expected{"down 5,5", "move 230,130", "up"};
    EXPECT_EQ(log, expected);
    log.clear();
    form->DispatchMouse(WM_RBUTTONDOWN, ssRight, 25, 25); // any button captures
    form->DispatchMouse(WM_MOUSEMOVE, ssRight, 150, 20);
    form->DispatchMouse(WM_RBUTTONUP, 0, 150, 20);
    std::vector<std::string> right{"down 5,5", "move 130,0", "up"};
    EXPECT_EQ(log, right);
    log.clear();
    panel->SetEnabled(false);
    form->DispatchMouse(WM_LBUTTONDOWN, ssLeft, 25, 25);
    form->DispatchMouse(WM_LBUTTONUP, 0, 25, 25);
    EXPECT_TRUE(log.empty());
}

TEST_F(FormsTest, AClickHandlerMayDestroyItsSender) {
    TForm* form = NewForm("Main");
    form->SetBorderStyle(bsNone);
    auto* box = New<TCheckBox>(form);
    box->SetParent(form);
    box->OnClick = [&](TObject* sender) { static_cast<TCheckBox*>(sender)->Free(); };
    form->DispatchMouse(WM_LBUTTONDOWN, ssLeft, 5, 5);
    form->DispatchMouse(WM_LBUTTONUP, 0, 5, 5);
    EXPECT_EQ(form->ControlCount(), 0);
    EXPECT_EQ(form->CaptureControl(), nullptr);
}

TEST_F(FormsTest, TimerFiresThroughTheClock) {
    TForm* form = NewForm("Main");
    auto* timer = New<TTimer>(form);
    int ticks = 0;
    timer->OnTimer = [&](TObject* sender) {
        EXPECT_EQ(sender, timer);
        ++ticks;
    };
    timer->SetInterval(100);
    for (int i = 0; i < 7; ++i) {
        clock.Advance(50);
        Application->ProcessMessages();
    }
    EXPECT_EQ(ticks, 3);
    timer->SetEnabled(false);
    clock.Advance(500);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 3);
    timer->SetEnabled(true);
    clock.Advance(100);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 4);
}

TEST_F(FormsTest, ATimerMadeInCodeRunsWithItsDefaultsOnceItHasAHandler) {
    TForm* form = NewForm("Main");
    auto* timer = New<TTimer>(form);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 1000u);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) { ++ticks; };
    clock.Advance(2000);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 1); // the loop was away for two periods: one tick waited

    // Disabling drops the tick already waiting: a closed window's refresh must not run after it.
    ticks = 0;
    clock.Advance(1000);
    timer->SetEnabled(false);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 0);
}

TEST_F(FormsTest, ASizeableWindowKeepsItsSizeWithinItsTrackingLimits) {
    TForm* form = NewForm("KRV Ana. Input");
    form->SetBorderStyle(bsSizeToolWin);
    form->SetBounds(0, 0, 300, 400); // no window yet: nothing limits
    EXPECT_EQ(form->Width(), 300);
    int fixedHeight = 663;
    form->SetMessageHandler(WM_GETMINMAXINFO, [&](TMessage& m) {
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        info->ptMinTrackSize = {97, fixedHeight};
        info->ptMaxTrackSize = {182, fixedHeight};
    });
    form->Show();
    form->SetWidth(form->Width() + 1);
    EXPECT_EQ(form->Width(), 182);
    EXPECT_EQ(form->Height(), 663);
    fixedHeight += 16;
    form->SetHeight(form->Height() + 16);
    EXPECT_EQ(form->Height(), 679);
    form->SetWidth(20);
    EXPECT_EQ(form->Width(), 97);
    EXPECT_EQ(form->MinMaxInfo().ptMaxTrackSize.x, 182);
    EXPECT_EQ(sys::GetWindowModel(form->Handle()).rect.right, 97);
}

TEST_F(FormsTest, ALayoutsVisibleFormIsShownOnceCreated) {
    struct TShownForm : TForm {
        explicit TShownForm(TComponent* owner) : TForm(owner) {
            BindMethod("FormShow",
                       [this](TObject*) { shownWhileCreating = (FormState() & fsCreating) != 0; });
            LoadLayout("object F: TForm\n  Visible = True\n  OnShow = FormShow\nend\n", "shown.dfm");
            visibleInConstructor = Visible();
        }
        bool visibleInConstructor{true};
        bool shownWhileCreating{true};
    };
    TShownForm* form = nullptr;
    Application->CreateForm(form);
    EXPECT_FALSE(form->visibleInConstructor);
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(form->shownWhileCreating);
}

namespace {

// A window whose creation fails after it opened its window: as a mixer window whose control open fails.
struct FailingForm : TForm {
    static inline int destroyed = 0;
    static inline HWND window = nullptr;
    explicit FailingForm(TComponent* owner) : TForm(owner) {
        SetCaption("Failing");
        OnCreate = [this](TObject*) {
            window = Handle();
            Abort();
        };
        OnDestroy = [](TObject*) { ++destroyed; };
    }
};

} // namespace

TEST_F(FormsTest, AFormWhoseCreationFailsIsDestroyedAndTheErrorGoesToTheCaller) {
    TForm* main = NewForm("Main");
    FailingForm::destroyed = 0;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        FailingForm* reference = nullptr;
        EXPECT_THROW(Application->CreateForm(reference), EAbort);
        EXPECT_EQ(reference, nullptr);
        EXPECT_EQ(FailingForm::destroyed, attempt); // OnDestroy ran: what it opened is closed
        EXPECT_FALSE(IsWindow(FailingForm::window));
        EXPECT_EQ(Screen->FindForm("Failing"), nullptr);
        EXPECT_EQ(Application->ComponentCount(), 1); // a retry adds nothing
        EXPECT_EQ(Application->MainForm(), main);
    }

    // Owned by another form, or unowned: the same.
    EXPECT_THROW(New<FailingForm>(main), EAbort);
    EXPECT_EQ(main->ComponentCount(), 0);
    EXPECT_THROW(Make<FailingForm>(), EAbort);
    EXPECT_EQ(FailingForm::destroyed, 4);
    EXPECT_EQ(Screen->FormCount(), 1);
}

TEST_F(FormsTest, AFormThatFreesItselfWhileItsCreationFailsIsNotFreedTwice) {
    TForm* main = NewForm("Main");
    struct SelfFreeing : TForm {
        explicit SelfFreeing(TComponent* owner) : TForm(owner) {
            OnCreate = [this](TObject*) {
                Free();
                throw Exception("gone");
            };
        }
    };
    EXPECT_THROW(New<SelfFreeing>(main), Exception);
    EXPECT_EQ(main->ComponentCount(), 0);
}
