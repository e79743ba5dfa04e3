#include "toolkit/Forms.h"

#include "system/sys.h"
#include "toolkit/FormReader.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/Style.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

namespace tk {

namespace {
// The toolkit's own message: frees a released form once the event that released it is over.
constexpr UINT CM_RELEASE = 0xB021;
constexpr WPARAM WA_INACTIVE = 0;
} // namespace

TFrameMetrics FrameMetrics(TFormBorderStyle style) {
    switch (style) {
    case bsNone:
        return {0, 0};
    case bsSingle:
        return {3, 19};
    case bsSizeable:
        return {4, 19};
    case bsDialog:
        return {3, 19};
    case bsToolWindow:
        return {3, 16};
    case bsSizeToolWin:
        return {4, 16};
    }
    return {};
}

// ================================================================== TForm

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    m_formFlag = true;
    m_visible = false;
    m_parentFont = false;
    m_parentColor = false;
    m_parentCtl3D = false;
    m_parentShowHint = false;
    m_width = 320;
    m_height = 240;
    m_formState |= fsCreating;
    Screen->m_forms.push_back(this);
}

void TForm::AfterConstruction() {
    m_formState &= ~fsCreating;
    TTracker alive(this);
    if (OnCreate) OnCreate(this);
    if (alive && m_showWhenCreated) Show();
}

TForm::~TForm() {
    if (!Destroying()) BeforeDestruction();
    m_formFlag = false;
    m_capture = nullptr;
    m_activeControl = nullptr;
    DestroyHandle();
}

void TForm::BeforeDestruction() {
    TWinControl::BeforeDestruction();
    // Classic order: OnDestroy while every control still exists, then off the screen's list.
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            Application->HandleException(std::current_exception());
        }
    }
    auto& forms = Screen->m_forms;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (Screen->m_active == this) Screen->m_active = nullptr;
}

TRect TForm::ClientRect() const {
    TFrameMetrics m = FrameMetrics(m_borderStyle);
    return {0, 0, std::max(0, m_width - 2 * m.border), std::max(0, m_height - 2 * m.border - m.caption)};
}

TPoint TForm::ClientOffset() const {
    TFrameMetrics m = FrameMetrics(m_borderStyle);
    return {m.border, m.border + m.caption};
}

void TForm::SetClientWidth(int v) {
    // A layout may store the client size before the border style; it applies with the final frame.
    if (Loading()) m_loadedClientWidth = v;
    SetWidth(v + 2 * FrameMetrics(m_borderStyle).border);
}

void TForm::SetClientHeight(int v) {
    if (Loading()) m_loadedClientHeight = v;
    TFrameMetrics m = FrameMetrics(m_borderStyle);
    SetHeight(v + 2 * m.border + m.caption);
}

MINMAXINFO TForm::MinMaxInfo() {
    TFrameMetrics m = FrameMetrics(m_borderStyle);
    MINMAXINFO info{};
    info.ptMaxSize = {Screen->Width() + 2 * m.border, Screen->Height() + 2 * m.border};
    info.ptMaxPosition = {-m.border, -m.border};
    info.ptMinTrackSize = {112, 27};
    info.ptMaxTrackSize = {Screen->Width() + 12, Screen->Height() + 12};
    Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return info;
}

void TForm::SetBounds(int left, int top, int width, int height) {
    // A window with a sizing or single frame keeps its size within its tracking limits, from code too
    // (as the window manager's position change does): a stored placement cannot resize a fixed window.
    if (HandleAllocated() && !m_inMinMax &&
        (m_borderStyle == bsSizeable || m_borderStyle == bsSizeToolWin || m_borderStyle == bsSingle)) {
        m_inMinMax = true;
        MINMAXINFO info{};
        try {
            info = MinMaxInfo();
        } catch (...) {
            m_inMinMax = false;
            throw;
        }
        m_inMinMax = false;
        width = std::clamp<int>(width, info.ptMinTrackSize.x,
                                std::max(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
        height = std::clamp<int>(height, info.ptMinTrackSize.y,
                                 std::max(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
    }
    bool changed = left != m_left || top != m_top || width != m_width || height != m_height;
    TWinControl::SetBounds(left, top, width, height);
    if (changed) SyncWindow(SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SyncWindow(UINT flags) {
    if (HandleAllocated()) SetWindowPos(Handle(), nullptr, m_left, m_top, m_width, m_height, flags);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == m_borderStyle) return;
    // The outer size stays; the client area follows the new frame.
    m_borderStyle = style;
    Realign();
    Invalidate();
}

void TForm::SetWindowState(TWindowState state) {
    if (state == m_windowState) return;
    m_windowState = state;
    if (OnWindowChange) OnWindowChange(this);
}

void TForm::SetIcon(HICON icon) {
    if (icon == m_icon) return;
    m_icon = icon;
    if (OnWindowChange) OnWindowChange(this);
}

void TForm::TextChanged() {
    if (OnWindowChange) OnWindowChange(this);
}

void TForm::SetFormStyle(TFormStyle style) {
    if (style == m_formStyle) return;
    m_formStyle = style;
    if (HandleAllocated())
        SetWindowPos(Handle(), style == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::ApplyPosition() {
    if (m_positioned) return;
    m_positioned = true;
    if (m_position == poScreenCenter || m_position == poDesktopCenter)
        SetBounds((Screen->Width() - m_width) / 2, (Screen->Height() - m_height) / 2, m_width, m_height);
}

void TForm::SetVisible(bool visible) {
    if (Loading()) {
        // A layout's "Visible = True" shows the form once it is created.
        m_showWhenCreated = visible;
        return;
    }
    if (visible == m_visible) return;
    if (visible) {
        bool first = !HandleAllocated();
        ApplyPosition();
        HWND h = Handle();
        m_visible = true;
        m_formState |= fsShowing;
        if (first) {
            Realign();
            if (m_formStyle == fsStayOnTop)
                SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        TTracker alive(this);
        DoShow();
        if (!alive) return;
        m_formState &= ~fsShowing;
        SetWindowPos(h, nullptr, m_left, m_top, m_width, m_height, SWP_NOZORDER | SWP_SHOWWINDOW);
        if (first) Resize();
        if (!alive) return;
        Invalidate();
        SetActive(true);
    } else {
        if (m_capture) m_capture = nullptr;
        TTracker alive(this);
        SetActive(false);
        if (!alive) return;
        m_visible = false;
        if (HandleAllocated())
            SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        DoHide();
    }
    VisibleChanged();
}

void TForm::Show() {
    SetVisible(true);
}

void TForm::Hide() {
    SetVisible(false);
}

void TForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::Close() {
    if (m_formState & fsModal) {
        m_modalResult = mrCancel;
        return;
    }
    TTracker alive(this);
    if (!CloseQuery() || !alive) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (!alive || action == caNone) return;
    if (Application->MainForm() == this) {
        Application->Terminate();
        Hide(); // gone from the screen while the loop winds down
    } else if (action == caHide) {
        Hide();
    } else if (action == caMinimize) {
        SetWindowState(wsMinimized);
    } else {
        Release();
    }
}

void TForm::Release() {
    PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

void TForm::CloseModal() {
    TTracker alive(this);
    TCloseAction action = CloseQuery() ? caHide : caNone;
    if (!alive) return;
    if (action != caNone) DoClose(action);
    if (!alive) return;
    if (action == caNone)
        m_modalResult = mrNone;
    else if (action == caFree)
        Release();
}

TModalResult TForm::ShowModal() {
    if (m_visible || !m_enabled || (m_formState & fsModal))
        throw EInvalidOperation("Cannot make a visible window modal");
    // Other forms take no input while this one runs (the classic toolkit disables them).
    std::vector<TForm*> disabled;
    for (TForm* f : Screen->m_forms)
        if (f != this && !f->m_disabledByModal) {
            f->m_disabledByModal = true;
            disabled.push_back(f);
        }
    // A form made before an outer modal form was disabled by it; running modal now, it takes input.
    const bool wasDisabled = std::exchange(m_disabledByModal, false);
    TForm* previous = Screen->ActiveForm();
    // The form active before may be destroyed while this one runs (the program told to end).
    std::optional<TTracker> previousAlive;
    if (previous) previousAlive.emplace(previous);
    m_formState |= fsModal;
    m_modalResult = mrNone;
    TTracker alive(this);
    auto restore = [&] {
        for (TForm* f : Screen->m_forms)
            if (std::find(disabled.begin(), disabled.end(), f) != disabled.end())
                f->m_disabledByModal = false;
        if (alive) m_disabledByModal = wasDisabled;
    };
    try {
        Show();
        // The result is checked before waiting: OnShow may already have set it.
        while (alive) {
            if (Application->Terminated())
                m_modalResult = mrCancel;
            else if (m_modalResult != mrNone)
                CloseModal();
            if (!alive || m_modalResult != mrNone) break;
            Application->HandleMessage();
        }
    } catch (...) {
        restore();
        if (alive) {
            m_formState &= ~fsModal;
            Hide();
        }
        throw;
    }
    restore();
    if (!alive) return mrCancel;
    TModalResult result = m_modalResult;
    m_formState &= ~fsModal;
    Hide();
    if (previous && *previousAlive && previous != this && previous->m_visible) previous->SetActive(true);
    return result;
}

void TForm::SetActive(bool active) {
    if (active == m_active) return;
    if (active) {
        TForm* old = Screen->m_active;
        if (old && old != this) old->SetActive(false);
        m_active = true;
        Screen->m_active = this;
        Activate();
    } else {
        m_active = false;
        if (Screen->m_active == this) Screen->m_active = nullptr;
        Deactivate();
    }
}

void TForm::Activate() {
    if (OnActivate) OnActivate(this);
}

void TForm::Deactivate() {
    if (OnDeactivate) OnDeactivate(this);
}

void TForm::SetActiveControl(TWinControl* control) {
    if (control == m_activeControl) return;
    if (control && (!ContainsControl(control) || control == this)) return;
    TWinControl* old = m_activeControl;
    m_activeControl = control;
    TTracker alive(this);
    if (old) old->DispatchExit();
    if (!alive) return;
    if (m_activeControl == control && control) control->DispatchEnter();
    if (old && alive) old->Invalidate();
    if (control && alive) control->Invalidate();
}

static void CollectFocusable(TWinControl* container, std::vector<TWinControl*>& out) {
    std::vector<TWinControl*> children;
    for (int i = 0; i < container->ControlCount(); ++i)
        if (auto* w = dynamic_cast<TWinControl*>(container->Controls(i))) children.push_back(w);
    std::stable_sort(children.begin(), children.end(), [](auto* a, auto* b) {
        int ta = a->TabOrder() < 0 ? 1 << 30 : a->TabOrder();
        int tb = b->TabOrder() < 0 ? 1 << 30 : b->TabOrder();
        return ta < tb;
    });
    for (TWinControl* w : children) {
        if (!w->Visible() || !w->Enabled()) continue;
        if (w->TabStop()) out.push_back(w);
        CollectFocusable(w, out);
    }
}

TWinControl* TForm::NextFocus(TWinControl* from, bool forward) const {
    std::vector<TWinControl*> list;
    CollectFocusable(const_cast<TForm*>(this), list);
    if (list.empty()) return nullptr;
    auto it = std::find(list.begin(), list.end(), from);
    if (it == list.end()) return forward ? list.front() : list.back();
    std::size_t i = static_cast<std::size_t>(it - list.begin());
    std::size_t n = list.size();
    return list[forward ? (i + 1) % n : (i + n - 1) % n];
}

void TForm::FocusNext(bool forward) {
    if (TWinControl* next = NextFocus(m_activeControl, forward)) SetActiveControl(next);
}

void TForm::ForgetControl(TControl* control) {
    if (!control) return;
    if (m_capture &&
        (m_capture == control || (dynamic_cast<TWinControl*>(control) &&
                                  static_cast<TWinControl*>(control)->ContainsControl(m_capture))))
        m_capture = nullptr;
    if (m_activeControl) {
        auto* w = dynamic_cast<TWinControl*>(control);
        if (m_activeControl == control || (w && w->ContainsControl(m_activeControl)))
            m_activeControl = nullptr;
    }
}

TControl* TForm::HitTest(int x, int y) const {
    const TWinControl* container = this;
    TControl* hit = nullptr;
    while (container) {
        TPoint origin = container == this ? TPoint{} : container->FormOrigin();
        TControl* c = container->ControlAtPos(x - origin.x, y - origin.y);
        if (!c) break;
        hit = c;
        container = dynamic_cast<TWinControl*>(c);
    }
    return hit;
}

void TForm::DispatchMouse(UINT mouseMessage, TShiftState shift, int x, int y) {
    if (!TakesInput()) return;
    TMouseButton button = mbLeft;
    bool down = false, up = false;
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
        down = true;
        break;
    case WM_LBUTTONDBLCLK:
        down = true;
        shift |= ssDouble;
        break;
    case WM_RBUTTONDOWN:
        down = true;
        button = mbRight;
        break;
    case WM_RBUTTONDBLCLK:
        down = true;
        button = mbRight;
        shift |= ssDouble;
        break;
    case WM_LBUTTONUP:
        up = true;
        break;
    case WM_RBUTTONUP:
        up = true;
        button = mbRight;
        break;
    case WM_MOUSEMOVE:
        break;
    default:
        return;
    }
    TControl* target = m_capture;
    if (!target) {
        target = HitTest(x, y);
        if (!target) target = this;
    }
    // Disabled controls (or controls inside disabled containers) receive nothing.
    if (!target->EffectivelyEnabled()) return;
    TPoint p = target == this ? TPoint{x, y} : target->FormToClient({x, y});
    TTracker alive(this);
    if (down) {
        // Held buttons keep the pointer with the control they went down on.
        if ((target->ControlStyle() & csCaptureMouse) && !m_capture) {
            m_capture = target;
            m_captureButton = button;
        }
        if (auto* w = dynamic_cast<TWinControl*>(target); w && w != this && w->TabStop() && w->CanFocus())
            SetActiveControl(w);
        if (!alive) return;
        target->DispatchMouseDown(button, shift, p.x, p.y);
    } else if (up) {
        if (button == m_captureButton) m_capture = nullptr;
        target->DispatchMouseUp(button, shift, p.x, p.y);
    } else {
        target->DispatchMouseMove(shift, p.x, p.y);
    }
}

TButton* TForm::FindDefaultButton(bool cancel) const {
    std::vector<TWinControl*> stack{const_cast<TForm*>(this)};
    while (!stack.empty()) {
        TWinControl* w = stack.back();
        stack.pop_back();
        for (int i = 0; i < w->ControlCount(); ++i) {
            TControl* c = w->Controls(i);
            if (!c->Visible() || !c->Enabled()) continue;
            if (auto* b = dynamic_cast<TButton*>(c); b && (cancel ? b->Cancel() : b->Default())) return b;
            if (auto* cw = dynamic_cast<TWinControl*>(c)) stack.push_back(cw);
        }
    }
    return nullptr;
}

TControl* TForm::FindAccelerator(char key) const {
    std::vector<const TWinControl*> stack{this};
    while (!stack.empty()) {
        const TWinControl* w = stack.back();
        stack.pop_back();
        for (int i = 0; i < w->ControlCount(); ++i) {
            TControl* c = w->Controls(i);
            if (!c->Visible() || !c->Enabled()) continue;
            bool takes = dynamic_cast<TButtonControl*>(c) ||
                         (dynamic_cast<TCustomLabel*>(c) && static_cast<TCustomLabel*>(c)->ShowAccelChar());
            int at = AcceleratorIndex(c->Caption());
            if (takes && at >= 0) {
                char ch = StripAccelerator(c->Caption())[static_cast<std::size_t>(at)];
                if (std::toupper(static_cast<unsigned char>(ch)) == static_cast<unsigned char>(key)) return c;
            }
            if (auto* cw = dynamic_cast<TWinControl*>(c)) stack.push_back(cw);
        }
    }
    return nullptr;
}

void TForm::DispatchKey(UINT keyMessage, WORD key, TShiftState shift) {
    if (!TakesInput()) return;
    TWinControl* target = m_activeControl ? m_activeControl : this;
    if (!target->EffectivelyEnabled()) return;
    if (keyMessage == WM_CHAR) {
        char ch = static_cast<char>(key);
        if (m_keyPreview && target != this) {
            KeyPress(ch);
            if (ch == 0) return;
        }
        target->DispatchKeyPress(ch);
        return;
    }
    if (keyMessage != WM_KEYDOWN) {
        if (keyMessage == WM_KEYUP) target->DispatchKeyUp(key, shift);
        return;
    }
    if (m_keyPreview && target != this) {
        KeyDown(key, shift);
        if (key == 0) return;
    }
    TTracker alive(this);
    if ((shift & ssAlt) && ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))) {
        if (TControl* c = FindAccelerator(static_cast<char>(key))) {
            if (auto* label = dynamic_cast<TCustomLabel*>(c)) {
                if (TWinControl* focus = label->FocusControl(); focus && focus->CanFocus())
                    SetActiveControl(focus);
            } else {
                if (auto* w = dynamic_cast<TWinControl*>(c); w && w->CanFocus()) SetActiveControl(w);
                if (alive) c->PerformClick();
            }
            return;
        }
    }
    target->DispatchKeyDown(key, shift);
    if (!alive || key == 0) return;
    if (key == VK_TAB) {
        FocusNext((shift & ssShift) == 0);
    } else if (key == VK_RETURN || key == VK_ESCAPE) {
        bool focusedButton = dynamic_cast<TButton*>(m_activeControl) != nullptr;
        if (key == VK_RETURN && focusedButton) {
            m_activeControl->PerformClick();
        } else if (TButton* b = FindDefaultButton(key == VK_ESCAPE)) {
            b->PerformClick();
        }
    } else if (key == VK_SPACE && m_activeControl) {
        if (dynamic_cast<TButtonControl*>(m_activeControl)) m_activeControl->PerformClick();
    }
}

std::vector<TRect> TForm::TakeDirtyRects() {
    std::vector<TRect> out;
    out.swap(m_dirty);
    return out;
}

void TForm::InvalidateClientRect(const TRect& r) {
    TRect clipped = r.Intersect(ClientRect());
    if (clipped.Empty()) return;
    detail::NoteInvalidation(static_cast<std::uint64_t>(clipped.Width()) *
                             static_cast<std::uint64_t>(clipped.Height()));
    for (const TRect& d : m_dirty)
        if (d.left <= clipped.left && d.top <= clipped.top && d.right >= clipped.right &&
            d.bottom >= clipped.bottom)
            return;
    m_dirty.push_back(clipped);
    if (m_dirty.size() > 256) {
        // Nobody is painting (a headless run): keep one rectangle covering them all.
        TRect all = m_dirty.front();
        for (const TRect& d : m_dirty)
            all = {std::min(all.left, d.left), std::min(all.top, d.top), std::max(all.right, d.right),
                   std::max(all.bottom, d.bottom)};
        m_dirty.assign(1, all);
    }
    if (OnInvalidate) OnInvalidate(this, clipped);
}

void TForm::PaintClient(TCanvas& canvas) {
    detail::NotePaint();
    canvas.Save();
    canvas.ClipRect(ClientRect());
    m_failedPaint.reset();
    PaintLayers(canvas, {});
    canvas.Restore();
}

void TForm::PaintFrame(TCanvas& canvas) {
    TFrameMetrics m = FrameMetrics(m_borderStyle);
    if (m.border == 0 && m.caption == 0) return;
    TRect r{0, 0, m_width, m_height};
    canvas.FillRect(r, clBtnFace);
    style::Frame3D(canvas, r, clBtnFace, cl3DDkShadow, 1);
    style::Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
    if (m.caption > 0) {
        TRect bar{m.border, m.border, m_width - m.border, m.border + m.caption - 1};
        canvas.FillRect(bar, m_active ? clActiveCaption : clInactiveCaption);
        TFont f;
        f.SetName("MS Sans Serif");
        f.SetHeight(m.caption >= 19 ? -11 : -9);
        f.SetStyle(fsBold);
        f.SetColor(m_active ? clCaptionText : clInactiveCaptionText);
        TSize ext = canvas.TextExtent(Caption(), f);
        canvas.Save();
        canvas.ClipRect(bar);
        canvas.TextOut(bar.left + 3, bar.top + (bar.Height() - ext.cy) / 2, Caption(), f);
        canvas.Restore();
    }
}

void TForm::Paint(TCanvas& canvas) {
    canvas.FillRect(ClientRect(), Color());
}

void TForm::Resize() {
    TWinControl::Resize();
}

void TForm::Loaded() {
    TWinControl::Loaded();
    if (m_loadedClientWidth >= 0) SetClientWidth(m_loadedClientWidth);
    if (m_loadedClientHeight >= 0) SetClientHeight(m_loadedClientHeight);
    m_loadedClientWidth = m_loadedClientHeight = -1;
}

void TForm::DefaultHandler(TMessage& message) {
    switch (message.Msg) {
    case CM_RELEASE:
        if (Owner())
            Free();
        else
            Hide();
        return;
    case WM_CLOSE:
        Close();
        message.Result = 0;
        return;
    case WM_SYSCOMMAND:
        switch (message.WParam & 0xFFF0) {
        case SC_CLOSE:
            Close();
            break;
        case SC_MINIMIZE:
            SetWindowState(wsMinimized);
            break;
        case SC_MAXIMIZE:
            SetWindowState(wsMaximized);
            break;
        case SC_RESTORE:
            SetWindowState(wsNormal);
            break;
        default:
            break;
        }
        message.Result = 0;
        return;
    case WM_ACTIVATE:
        SetActive((message.WParam & 0xFFFF) != WA_INACTIVE);
        return;
    case WM_QUERYENDSESSION:
        message.Result = CloseQuery() ? TRUE : FALSE;
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MOUSEMOVE: {
        // Client coordinates in lParam (low word x, high word y, signed), key state in wParam.
        int x = static_cast<std::int16_t>(message.LParam & 0xFFFF);
        int y = static_cast<std::int16_t>((message.LParam >> 16) & 0xFFFF);
        TShiftState shift{};
        if (message.WParam & 0x0001) shift |= ssLeft;
        if (message.WParam & 0x0002) shift |= ssRight;
        if (message.WParam & 0x0004) shift |= ssShift;
        if (message.WParam & 0x0008) shift |= ssCtrl;
        DispatchMouse(message.Msg, shift, x, y);
        return;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        DispatchKey(message.Msg, static_cast<WORD>(message.WParam), 0);
        return;
    default:
        TWinControl::DefaultHandler(message);
    }
}

void TForm::BindMethod(const std::string& name, TNotifyEvent handler) {
    m_methods[name] = std::move(handler);
}
void TForm::BindMouseMethod(const std::string& name, TMouseEvent handler) {
    m_mouseMethods[name] = std::move(handler);
}
void TForm::BindMouseMoveMethod(const std::string& name, TMouseMoveEvent handler) {
    m_mouseMoveMethods[name] = std::move(handler);
}
void TForm::BindKeyPressMethod(const std::string& name, TKeyPressEvent handler) {
    m_keyPressMethods[name] = std::move(handler);
}
void TForm::BindKeyMethod(const std::string& name, TKeyEvent handler) {
    m_keyMethods[name] = std::move(handler);
}
void TForm::BindCloseMethod(const std::string& name, TCloseEvent handler) {
    m_closeMethods[name] = std::move(handler);
}

template <class Map> static auto FindIn(const Map& map, const std::string& name) {
    auto it = map.find(name);
    return it == map.end() ? nullptr : &it->second;
}

const TNotifyEvent* TForm::FindMethod(const std::string& name) const {
    return FindIn(m_methods, name);
}
const TMouseEvent* TForm::FindMouseMethod(const std::string& name) const {
    return FindIn(m_mouseMethods, name);
}
const TMouseMoveEvent* TForm::FindMouseMoveMethod(const std::string& name) const {
    return FindIn(m_mouseMoveMethods, name);
}
const TKeyPressEvent* TForm::FindKeyPressMethod(const std::string& name) const {
    return FindIn(m_keyPressMethods, name);
}
const TKeyEvent* TForm::FindKeyMethod(const std::string& name) const {
    return FindIn(m_keyMethods, name);
}
const TCloseEvent* TForm::FindCloseMethod(const std::string& name) const {
    return FindIn(m_closeMethods, name);
}

void TForm::LoadLayout(const std::string& text, const std::string& fileName) {
    ReadForm(*this, text, fileName);
}

// ================================================================== TScreen

TForm* TScreen::FindForm(const std::string& caption) const {
    for (TForm* f : m_forms)
        if (f->Caption() == caption) return f;
    return nullptr;
}

void TScreen::CancelModalForms() {
    for (TForm* f : m_forms)
        if (f->FormState() & fsModal) f->SetModalResult(mrCancel);
}

void TScreen::SetSize(int width, int height) {
    m_width = width;
    m_height = height;
}

// ================================================================== TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
    // Touch the system layer first, so its state outlives the application at program exit.
    (void)sys::PendingMessages();
    (void)sys::CurrentClock();
}

TApplication::~TApplication() {
    DestroyForms();
}

void TApplication::DestroyForms() {
    while (ComponentCount() > 0)
        Components(ComponentCount() - 1)->Free();
    m_mainForm = nullptr;
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == m_mainForm) m_mainForm = nullptr;
}

bool TApplication::ProcessMessage() {
    MSG msg{};
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        m_terminated = true;
        return true;
    }
    try {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    } catch (...) {
        HandleException(std::current_exception());
    }
    return true;
}

void TApplication::HandleMessage() {
    if (!ProcessMessage()) {
        if (OnIdle) {
            try {
                OnIdle(this);
            } catch (...) {
                HandleException(std::current_exception());
            }
        }
        WaitMessage();
    }
}

void TApplication::ProcessMessages() {
    while (ProcessMessage()) {
    }
}

void TApplication::Run() {
    while (!m_terminated)
        HandleMessage();
}

void TApplication::Terminate() {
    PostQuitMessage(0);
}

void TApplication::HandleException(std::exception_ptr error) {
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return;
    } catch (...) {
    }
    if (OnException) {
        OnException(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(Exception("Unknown error"));
    }
}

void TApplication::ShowException(const std::exception& error) {
    std::string text = error.what();
    // The classic report ends the sentence when the text does not.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    MessageBoxA(nullptr, text.c_str(), m_title.c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::SetActive(bool active) {
    if (active == m_active) return;
    m_active = active;
    if (active && OnActivate) OnActivate(this);
    if (!active && OnDeactivate) OnDeactivate(this);
}

static TScreen& TheScreen() {
    static TScreen screen;
    return screen;
}

static TApplication& TheApplication() {
    // The screen first: it must outlive the forms the application destroys at exit.
    (void)TheScreen();
    static TOwned<TApplication> app = Make<TApplication>();
    return *app;
}

TApplication* TApplicationRef::operator->() const {
    return &TheApplication();
}
TApplication& TApplicationRef::operator*() const {
    return TheApplication();
}
TScreen* TScreenRef::operator->() const {
    return &TheScreen();
}
TScreen& TScreenRef::operator*() const {
    return TheScreen();
}

} // namespace tk
