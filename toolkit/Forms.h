// Forms, the screen's list of forms, and the application object with its message loop.
#pragma once

#include "toolkit/Controls.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace tk {

class TButton;

using TFormState = unsigned;
constexpr TFormState fsCreating = 1;
constexpr TFormState fsModal = 2;
constexpr TFormState fsShowing = 4;

// Non-client metrics per border style, as the classic desktop draws them.
struct TFrameMetrics {
    int border{};  // frame width on each side
    int caption{}; // caption bar height (including its separator line)
};
TFrameMetrics FrameMetrics(TFormBorderStyle style);

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;
    std::string ClassName() const override { return "TForm"; }

    // Width/Height and Left/Top are the outer window; the client area excludes the frame.
    TRect ClientRect() const override;
    TPoint ClientOffset() const override;
    void SetClientWidth(int v) override;
    void SetClientHeight(int v) override;
    // Sizeable forms with a window keep their size within the WM_GETMINMAXINFO tracking limits.
    void SetBounds(int left, int top, int width, int height) override;
    // The limits as the form's WM_GETMINMAXINFO handling fills them (outer sizes), for hosts too.
    MINMAXINFO MinMaxInfo();

    TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    TPosition Position() const { return m_position; }
    void SetPosition(TPosition position) { m_position = position; }
    TWindowState WindowState() const { return m_windowState; }
    void SetWindowState(TWindowState state);
    TFormStyle FormStyle() const { return m_formStyle; }
    void SetFormStyle(TFormStyle style);
    HICON Icon() const { return m_icon; }
    void SetIcon(HICON icon);
    TFormState FormState() const { return m_formState; }
    bool KeyPreview() const { return m_keyPreview; }
    void SetKeyPreview(bool v) { m_keyPreview = v; }

    // ---- showing and closing ----
    void SetVisible(bool visible) override;
    void Show();
    void Hide();
    // Runs OnCloseQuery and OnClose; the close action decides (hide, free, minimise, nothing).
    void Close();
    bool CloseQuery();
    // Frees the form from the message loop once the current event is over.
    void Release();
    // Shows the form and runs a nested loop on the application's queue until ModalResult is set.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return m_modalResult; }
    void SetModalResult(TModalResult result) { m_modalResult = result; }
    bool Active() const { return m_active; }
    // Activation as the host reports it (the headless Show activates the form it shows).
    void SetActive(bool active);
    // False while a modal form that began after this one runs: input is dropped then.
    bool TakesInput() const { return m_enabled && !m_disabledByModal; }

    // ---- focus and buttons ----
    TWinControl* ActiveControl() const { return m_activeControl; }
    void SetActiveControl(TWinControl* control);
    void FocusNext(bool forward = true);

    // ---- input: one dispatch per form, coordinates in the client area ----
    void DispatchMouse(UINT mouseMessage, TShiftState shift, int x, int y);
    // Keys go to the active control; Tab moves the focus, Return and Escape reach the default and
    // cancel buttons, Alt with a caption's "&" letter clicks that control (a label focuses its
    // FocusControl).
    void DispatchKey(UINT keyMessage, WORD key, TShiftState shift);
    // The visible, enabled control whose caption underlines this letter (upper case), or null.
    TControl* FindAccelerator(char key) const;
    TControl* CaptureControl() const { return m_capture; }
    void SetCaptureControl(TControl* control) { m_capture = control; }
    TControl* HitTest(int x, int y) const;

    // ---- painting ----
    // Rectangles (client coordinates) invalidated since the last TakeDirtyRects.
    const std::vector<TRect>& DirtyRects() const { return m_dirty; }
    std::vector<TRect> TakeDirtyRects();
    void InvalidateClientRect(const TRect& r);
    // Paints the client area (the frame is the host's, or PaintFrame's for snapshots).
    void PaintClient(TCanvas& canvas);
    // Where the last PaintClient failed: the innermost control whose painting threw, in client
    // coordinates. Nothing after a good paint, or when the form's own painting threw.
    std::optional<TRect> FailedPaintArea() const { return m_failedPaint; }
    // Paints the classic frame and caption bar around a client area at ClientOffset().
    void PaintFrame(TCanvas& canvas);
    std::function<void(TForm* form, const TRect& clientRect)> OnInvalidate;
    // For a host: the caption, icon or window state changed. Position, size, z-order and visibility
    // reach it through the window model (SetWindowPos).
    std::function<void(TForm* form)> OnWindowChange;

    void DefaultHandler(TMessage& message) override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // ---- events ----
    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;

    // Handlers by name for the form reader ("OnClick = btnOkClick"); the window class binds its
    // methods here before it loads its layout.
    void BindMethod(const std::string& name, TNotifyEvent handler);
    void BindMouseMethod(const std::string& name, TMouseEvent handler);
    void BindMouseMoveMethod(const std::string& name, TMouseMoveEvent handler);
    void BindKeyPressMethod(const std::string& name, TKeyPressEvent handler);
    void BindKeyMethod(const std::string& name, TKeyEvent handler);
    void BindCloseMethod(const std::string& name, TCloseEvent handler);
    const TNotifyEvent* FindMethod(const std::string& name) const;
    const TMouseEvent* FindMouseMethod(const std::string& name) const;
    const TMouseMoveEvent* FindMouseMoveMethod(const std::string& name) const;
    const TKeyPressEvent* FindKeyPressMethod(const std::string& name) const;
    const TKeyEvent* FindKeyMethod(const std::string& name) const;
    const TCloseEvent* FindCloseMethod(const std::string& name) const;

    // Reads a layout into this form (see FormReader.h); fileName names it in errors.
    void LoadLayout(const std::string& text, const std::string& fileName);

protected:
    void Paint(TCanvas& canvas) override;
    void Resize() override;
    void TextChanged() override;
    void Loaded() override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    void Activate();
    void Deactivate();

private:
    friend class TControl;
    friend class TWinControl;
    friend class TApplication;
    void ApplyPosition();
    void SyncWindow(UINT flags);
    void ForgetControl(TControl* control);
    void CloseModal();
    TButton* FindDefaultButton(bool cancel) const;
    TWinControl* NextFocus(TWinControl* from, bool forward) const;

    TFormBorderStyle m_borderStyle{bsSizeable};
    TPosition m_position{poDesigned};
    TWindowState m_windowState{wsNormal};
    TFormStyle m_formStyle{fsNormal};
    HICON m_icon{};
    TFormState m_formState{};
    TModalResult m_modalResult{};
    bool m_active{};
    bool m_keyPreview{};
    bool m_positioned{};
    bool m_disabledByModal{};
    bool m_inMinMax{};
    bool m_showWhenCreated{};
    int m_loadedClientWidth{-1};
    int m_loadedClientHeight{-1};
    TWinControl* m_activeControl{};
    TControl* m_capture{};
    TMouseButton m_captureButton{mbLeft};
    std::vector<TRect> m_dirty;
    std::optional<TRect> m_failedPaint;
    std::map<std::string, TNotifyEvent> m_methods;
    std::map<std::string, TMouseEvent> m_mouseMethods;
    std::map<std::string, TMouseMoveEvent> m_mouseMoveMethods;
    std::map<std::string, TKeyPressEvent> m_keyPressMethods;
    std::map<std::string, TKeyEvent> m_keyMethods;
    std::map<std::string, TCloseEvent> m_closeMethods;
};

// Every form alive, in creation order; windows are addressed by caption.
class TScreen {
public:
    int FormCount() const { return static_cast<int>(m_forms.size()); }
    TForm* Forms(int index) const { return m_forms.at(static_cast<std::size_t>(index)); }
    // The first form with exactly this caption, or null.
    TForm* FindForm(const std::string& caption) const;
    // Ends every running modal loop with mrCancel, for a program that is told to end while dialogs run.
    void CancelModalForms();
    TForm* ActiveForm() const { return m_active; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetSize(int width, int height);
    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor cursor) { m_cursor = cursor; }

private:
    friend class TForm;
    std::vector<TForm*> m_forms;
    TForm* m_active{};
    int m_width{1024};
    int m_height{768};
    TCursor m_cursor{crDefault};
};

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;
    std::string ClassName() const override { return "TApplication"; }

    const std::string& Title() const { return m_title; }
    void SetTitle(const std::string& title) { m_title = title; }
    void Initialize() {}
    // Creates a form owned by the application; the first one becomes the main form.
    template <class T, class... Args> T* CreateForm(T*& reference, Args&&... args) {
        reference = New<T>(this, std::forward<Args>(args)...);
        if (!m_mainForm) m_mainForm = reference;
        return reference;
    }
    TForm* MainForm() const { return m_mainForm; }
    bool ShowMainForm() const { return m_showMainForm; }
    void SetShowMainForm(bool v) { m_showMainForm = v; }

    // Processes one message; when none is waiting, waits (through WaitMessage) first.
    void HandleMessage();
    // Processes every waiting message, then returns.
    void ProcessMessages();
    // Loops until Terminate's quit message has been processed.
    void Run();
    // Posts the quit message; Terminated turns true when the loop reaches it.
    void Terminate();
    bool Terminated() const { return m_terminated; }
    // Lets a new run start after a terminated one (tests).
    void ResetTerminated() { m_terminated = false; }

    // The default report: a message box with the exception's text titled with Title; EAbort is
    // passed over silently. OnException replaces the report when set.
    void HandleException(std::exception_ptr error);
    void ShowException(const std::exception& error);
    std::function<void(std::exception_ptr error)> OnException;

    // Activation of the whole program as the host reports it.
    void SetActive(bool active);
    bool Active() const { return m_active; }
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnIdle;

    // Destroys every form the application owns (end of the program, or between tests).
    void DestroyForms();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool ProcessMessage();

    std::string m_title;
    TForm* m_mainForm{};
    bool m_terminated{};
    bool m_showMainForm{true};
    bool m_active{true};
};

// The program's application object and screen, created on first use: Application->Title(), ...
struct TApplicationRef {
    TApplication* operator->() const;
    TApplication& operator*() const;
};
struct TScreenRef {
    TScreen* operator->() const;
    TScreen& operator*() const;
};
inline constexpr TApplicationRef Application{};
inline constexpr TScreenRef Screen{};

} // namespace tk
