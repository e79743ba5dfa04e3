#include "toolkit/Controls.h"

#include "system/sys.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <span>

namespace tk {

// ================================================================== painting activity

namespace {
struct PaintCounters {
    std::atomic<std::uint64_t> invalidations{0}, invalidatedArea{0}, shapeFills{0}, paints{0},
        controlsPainted{0};
};
PaintCounters& Counters() {
    static PaintCounters counters;
    return counters;
}
void Add(std::atomic<std::uint64_t>& counter, std::uint64_t n = 1) {
    counter.fetch_add(n, std::memory_order_relaxed);
}
} // namespace

TPaintActivity ReadPaintActivity() {
    PaintCounters& c = Counters();
    auto get = [](const std::atomic<std::uint64_t>& v) { return v.load(std::memory_order_relaxed); };
    return {get(c.invalidations), get(c.invalidatedArea), get(c.shapeFills), get(c.paints),
            get(c.controlsPainted)};
}

namespace detail {
void NoteInvalidation(std::uint64_t area) {
    Add(Counters().invalidations);
    Add(Counters().invalidatedArea, area);
}
void NoteShapeFill() {
    Add(Counters().shapeFills);
}
void NotePaint() {
    Add(Counters().paints);
}
} // namespace detail

// ================================================================== TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
    if (TForm* form = ParentForm()) form->ForgetControl(this);
    if (m_parent) m_parent->RemoveChild(this);
    m_parent = nullptr;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == m_parent) return;
    if (parent == this) throw EInvalidOperation("A control cannot be its own parent");
    for (TWinControl* p = parent; p; p = p->m_parent)
        if (p == this) throw EInvalidOperation("A control cannot be placed inside itself");
    if (m_parent) {
        Invalidate();
        if (TForm* form = ParentForm()) form->ForgetControl(this);
        m_parent->RemoveChild(this);
    }
    m_parent = parent;
    if (parent) {
        parent->AddChild(this);
        if (m_parentFont) ParentFontChanged();
        if (m_parentColor) ParentColorChanged();
        if (m_parentCtl3D) ParentCtl3DChanged();
        if (m_parentShowHint) ParentShowHintChanged();
        RequestAlign();
        Invalidate();
    }
    ParentChanged();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == m_left && top == m_top && width == m_width && height == m_height) return;
    Invalidate();
    bool resized = width != m_width || height != m_height;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    Invalidate();
    RequestAlign();
    if (resized && !Loading()) Resize();
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

TPoint TControl::FormOrigin() const {
    if (m_formFlag || !m_parent) return {};
    TPoint p = m_parent->FormOrigin();
    TPoint o = ClientOffset();
    return {p.x + m_left + o.x, p.y + m_top + o.y};
}

TPoint TControl::ClientToForm(TPoint p) const {
    TPoint o = FormOrigin();
    return {p.x + o.x, p.y + o.y};
}

TPoint TControl::FormToClient(TPoint p) const {
    TPoint o = FormOrigin();
    return {p.x - o.x, p.y - o.y};
}

void TControl::SetAlign(TAlign align) {
    if (align == m_align) return;
    m_align = align;
    if (m_parent) m_parent->Realign(this);
}

void TControl::RequestAlign() {
    if (m_parent && m_align != alNone && m_visible) m_parent->Realign(this);
}

void TControl::SetVisible(bool visible) {
    if (visible == m_visible) return;
    Invalidate();
    m_visible = visible;
    if (m_parent && m_align != alNone) m_parent->Realign(this);
    if (!visible)
        if (TForm* form = ParentForm()) form->ForgetControl(this);
    Invalidate();
    VisibleChanged();
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->m_parent) {
        if (c->m_formFlag) return true;
        if (!c->m_visible) return false;
    }
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    if (!enabled)
        if (TForm* form = ParentForm()) form->ForgetControl(this);
    Invalidate();
    EnabledChanged();
}

bool TControl::EffectivelyEnabled() const {
    for (const TControl* c = this; c; c = c->m_parent)
        if (!c->m_enabled) return false;
    return true;
}

void TControl::SetCaption(const std::string& caption) {
    if (caption == m_caption) return;
    m_caption = caption;
    Invalidate();
    TextChanged();
}

void TControl::SetFont(const TFont& font) {
    m_parentFont = false;
    if (font == m_font) return;
    m_font = font;
    Invalidate();
    FontChanged();
}

void TControl::SetParentFont(bool v) {
    m_parentFont = v;
    if (v) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!m_parentFont || !m_parent) return;
    if (m_parent->m_font == m_font) return;
    m_font = m_parent->m_font;
    Invalidate();
    FontChanged();
}

void TControl::SetColor(TColor color) {
    m_parentColor = false;
    if (color == m_color) return;
    m_color = color;
    Invalidate();
    ColorChanged();
}

void TControl::SetParentColor(bool v) {
    m_parentColor = v;
    if (v) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!m_parentColor || !m_parent) return;
    if (m_parent->m_color == m_color) return;
    m_color = m_parent->m_color;
    Invalidate();
    ColorChanged();
}

void TControl::SetCtl3D(bool v) {
    m_parentCtl3D = false;
    if (v == m_ctl3D) return;
    m_ctl3D = v;
    Invalidate();
    if (auto* w = dynamic_cast<TWinControl*>(this)) w->NotifyChildren(&TControl::ParentCtl3DChanged);
}

void TControl::SetParentCtl3D(bool v) {
    m_parentCtl3D = v;
    if (v) ParentCtl3DChanged();
}

void TControl::ParentCtl3DChanged() {
    if (!m_parentCtl3D || !m_parent || m_parent->m_ctl3D == m_ctl3D) return;
    m_ctl3D = m_parent->m_ctl3D;
    Invalidate();
    if (auto* w = dynamic_cast<TWinControl*>(this)) w->NotifyChildren(&TControl::ParentCtl3DChanged);
}

void TControl::SetShowHint(bool v) {
    m_parentShowHint = false;
    if (v == m_showHint) return;
    m_showHint = v;
    if (auto* w = dynamic_cast<TWinControl*>(this)) w->NotifyChildren(&TControl::ParentShowHintChanged);
}

void TControl::SetParentShowHint(bool v) {
    m_parentShowHint = v;
    if (v) ParentShowHintChanged();
}

void TControl::ParentShowHintChanged() {
    if (!m_parentShowHint || !m_parent || m_parent->m_showHint == m_showHint) return;
    m_showHint = m_parent->m_showHint;
    if (auto* w = dynamic_cast<TWinControl*>(this)) w->NotifyChildren(&TControl::ParentShowHintChanged);
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    if (menu == m_popupMenu) return;
    if (m_popupMenu) RemoveFreeNotification(m_popupMenu);
    m_popupMenu = menu;
    if (menu) FreeNotification(menu);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == m_popupMenu) m_popupMenu = nullptr;
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (m_parent) {
        if (m_parentFont) ParentFontChanged();
        if (m_parentColor) ParentColorChanged();
        if (m_parentCtl3D) ParentCtl3DChanged();
        if (m_parentShowHint) ParentShowHintChanged();
    }
}

bool TControl::MouseCapture() const {
    TForm* form = ParentForm();
    return form && form->CaptureControl() == this;
}

void TControl::SetMouseCapture(bool capture) {
    TForm* form = ParentForm();
    if (!form) return;
    if (capture)
        form->SetCaptureControl(this);
    else if (form->CaptureControl() == this)
        form->SetCaptureControl(nullptr);
}

TForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c->m_parent && !c->m_formFlag)
        c = c->m_parent;
    return c->m_formFlag ? static_cast<TForm*>(const_cast<TControl*>(c)) : nullptr;
}

bool TControl::SetParentComponent(TComponent* parent) {
    auto* container = dynamic_cast<TWinControl*>(parent);
    if (!container) return false;
    SetParent(container);
    return true;
}

void TControl::InvalidateRect(const TRect& clientRect) {
    TForm* form = ParentForm();
    if (!form) return;
    TPoint o = FormOrigin();
    if (m_formFlag) o = {};
    form->InvalidateClientRect(clientRect.Offset(o.x, o.y));
}

void TControl::Invalidate() {
    if (m_width <= 0 || m_height <= 0) return;
    if (m_formFlag) {
        InvalidateRect(ClientRect());
        return;
    }
    TPoint o = ClientOffset();
    InvalidateRect(Bounds(-o.x, -o.y, m_width, m_height));
}

void TControl::PaintTo(TCanvas& canvas) {
    Paint(canvas);
}

void TControl::Paint(TCanvas&) {}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage message{msg, wParam, lParam, 0};
    WndProc(message);
    return message.Result;
}

void TControl::WndProc(TMessage& message) {
    auto it = m_handlers.find(message.Msg);
    if (it != m_handlers.end() && it->second) {
        // The handler may replace itself; keep it alive while it runs.
        TMessageHandler handler = it->second;
        handler(message);
        return;
    }
    DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage& message) {
    HWND none{};
    message.Result = DefWindowProcA(none, message.Msg, message.WParam, message.LParam);
}

void TControl::SetMessageHandler(UINT msg, TMessageHandler handler) {
    if (handler)
        m_handlers[msg] = std::move(handler);
    else
        m_handlers.erase(msg);
}

void TControl::DispatchMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TTracker alive(this);
    if ((shift & ssDouble) && (m_controlStyle & csDoubleClicks)) {
        DblClick();
        if (!alive) return;
    }
    if (button == mbLeft && (m_controlStyle & csClickEvents)) m_clicking = true;
    MouseDown(button, shift, x, y);
}

void TControl::DispatchMouseMove(TShiftState shift, int x, int y) {
    MouseMove(shift, x, y);
}

void TControl::DispatchMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    bool click = false;
    if (button == mbLeft) {
        click = m_clicking && ClientRect().Contains(x, y);
        m_clicking = false;
    }
    if (click) {
        TTracker alive(this);
        PerformClick();
        if (!alive) return; // the click handler destroyed the control
    }
    MouseUp(button, shift, x, y);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

// ================================================================== TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    ++m_alignDisabled; // children leaving one by one must not realign the others
    // A windowed control takes its child controls with it, as in the classic toolkit; children
    // without an owner are only detached (their holder destroys them).
    while (!m_controls.empty()) {
        TControl* child = m_controls.back();
        if (child->Owner())
            child->Free();
        else
            child->SetParent(nullptr);
        if (!m_controls.empty() && m_controls.back() == child) m_controls.pop_back(); // defensive
    }
    DestroyHandle();
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount())
        throw ERangeError("Control index out of bounds (" + std::to_string(index) + ")");
    return m_controls[static_cast<std::size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

void TWinControl::AddChild(TControl* control) {
    // The classic control order: graphic controls first, then windowed ones, each in insertion order.
    if (dynamic_cast<TWinControl*>(control)) {
        m_controls.push_back(control);
    } else {
        auto firstWin = std::find_if(m_controls.begin(), m_controls.end(),
                                     [](TControl* c) { return dynamic_cast<TWinControl*>(c) != nullptr; });
        m_controls.insert(firstWin, control);
    }
}

void TWinControl::RemoveChild(TControl* control) {
    auto it = std::find(m_controls.begin(), m_controls.end(), control);
    if (it == m_controls.end()) return;
    m_controls.erase(it);
    if (control->Align() != alNone && control->Visible()) Realign();
}

void TWinControl::InsertControl(TControl* control) {
    if (!control) return;
    control->SetParent(this);
}

void TWinControl::RemoveControl(TControl* control) {
    if (control && control->Parent() == this) control->SetParent(nullptr);
}

TControl* TWinControl::ControlAtPos(int x, int y) const {
    if (!ClientRect().Contains(x, y)) return nullptr; // a scroll bar, say
    // Windowed controls lie above graphic ones; later ones above earlier ones.
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        TControl* c = *it;
        if (c->Visible() && c->BoundsRect().Contains(x, y)) return c;
    }
    return nullptr;
}

void TWinControl::EnableAlign() {
    if (m_alignDisabled > 0) --m_alignDisabled;
    if (m_alignDisabled == 0) Realign();
}

void TWinControl::ScrollBy(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    }
    EnableAlign();
    Invalidate();
}

void TWinControl::Realign(TControl* changed) {
    if (m_alignDisabled > 0 || m_aligning || Loading() || Destroying()) return;
    m_aligning = true;
    try {
        TRect rect = AlignRect();
        AlignControls(changed, rect);
    } catch (...) {
        m_aligning = false;
        throw;
    }
    m_aligning = false;
}

void TWinControl::AlignControls(TControl* changed, TRect& rect) {
    static constexpr TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    // The classic order: the control that changed goes first, each other one is put before the
    // first it lies strictly above (left of; for bottom and right bands: at or below).
    auto before = [](const TControl* a, const TControl* b, TAlign align) {
        switch (align) {
        case alTop:
            return a->Top() < b->Top();
        case alBottom:
            return a->Top() + a->Height() >= b->Top() + b->Height();
        case alLeft:
            return a->Left() < b->Left();
        case alRight:
            return a->Left() + a->Width() >= b->Left() + b->Width();
        default:
            return false;
        }
    };
    for (TAlign align : order) {
        std::vector<TControl*> list;
        if (changed && changed->Parent() == this && changed->Align() == align && changed->Visible())
            list.push_back(changed);
        for (TControl* c : m_controls) {
            if (c == changed || c->Align() != align || !c->Visible()) continue;
            std::size_t j = 0;
            while (j < list.size() && !before(c, list[j], align))
                ++j;
            list.insert(list.begin() + static_cast<long>(j), c);
        }
        for (TControl* c : list) {
            int w = c->Width(), h = c->Height();
            int width = std::max(0, rect.Width());
            int height = std::max(0, rect.Height());
            switch (align) {
            case alTop:
                c->SetBounds(rect.left, rect.top, width, h);
                rect.top += c->Height();
                break;
            case alBottom:
                c->SetBounds(rect.left, rect.bottom - h, width, h);
                rect.bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(rect.left, rect.top, w, height);
                rect.left += c->Width();
                break;
            case alRight:
                c->SetBounds(rect.right - w, rect.top, w, height);
                rect.right -= c->Width();
                break;
            case alClient:
                c->SetBounds(rect.left, rect.top, width, height);
                break;
            default:
                break;
            }
        }
    }
}

void TWinControl::Resize() {
    Realign();
    TControl::Resize();
}

void TWinControl::Loaded() {
    TControl::Loaded();
    Realign();
}

void TWinControl::NotifyChildren(void (TControl::*change)()) {
    auto children = m_controls;
    for (TControl* c : children)
        (c->*change)();
}

void TWinControl::FontChanged() {
    NotifyChildren(&TControl::ParentFontChanged);
}

void TWinControl::ColorChanged() {
    NotifyChildren(&TControl::ParentColorChanged);
}

HWND TWinControl::ParentHandle() {
    return Parent() ? Parent()->Handle() : nullptr;
}

HWND TWinControl::Handle() {
    if (!m_handle) {
        m_handle = sys::CreateWindowHandle(
            [this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
                TMessage message{msg, wParam, lParam, 0};
                WndProc(message);
                return message.Result;
            },
            ParentHandle());
    }
    return m_handle;
}

void TWinControl::DestroyHandle() {
    if (!m_handle) return;
    HWND h = m_handle;
    m_handle = nullptr;
    sys::SetWindowProc(h, {}); // the object is going away: nothing may reach it any more
    DestroyWindow(h);
}

void TWinControl::DefaultHandler(TMessage& message) {
    TControl::DefaultHandler(message);
}

bool TWinControl::Focused() const {
    TForm* form = ParentForm();
    return form && form->ActiveControl() == this;
}

bool TWinControl::CanFocus() const {
    return Showing() && EffectivelyEnabled();
}

void TWinControl::SetFocus() {
    if (TForm* form = ParentForm()) form->SetActiveControl(this);
}

void TWinControl::DispatchKeyDown(WORD& key, TShiftState shift) {
    KeyDown(key, shift);
}

void TWinControl::DispatchKeyUp(WORD& key, TShiftState shift) {
    KeyUp(key, shift);
}

void TWinControl::DispatchKeyPress(char& key) {
    KeyPress(key);
}

void TWinControl::DispatchEnter() {
    DoEnter();
}

void TWinControl::DispatchExit() {
    DoExit();
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::PaintTo(TCanvas& canvas) {
    PaintLayers(canvas, ClientOffset());
}

// Which layers of a control's painting its opaque children hide, in client coordinates. A layer is
// hidden when each part of the clip over it lies inside one opaque child above it.
class TOcclusion {
public:
    TOcclusion(const std::vector<TControl*>& controls, const TRect& client, const TCanvas& canvas,
               TPoint offset) {
        // A clip of more pieces than are kept hides nothing: everything is painted, as it would be.
        std::optional<std::size_t> pieces = canvas.ClipRects(m_clip);
        if (!pieces) return;
        m_clipCount = *pieces;
        for (std::size_t k = 0; k < m_clipCount; ++k)
            m_clip[k] = m_clip[k].Offset(-offset.x, -offset.y);
        const std::span<const TRect> clip(m_clip.data(), m_clipCount);
        for (std::size_t i = 0; i < controls.size() && m_opaqueCount < m_opaque.size(); ++i) {
            const TControl* c = controls[i];
            if (!(c->ControlStyle() & csOpaque) || !c->Visible() || c->Width() <= 0 || c->Height() <= 0)
                continue;
            // Children show only inside the client area; one outside the clip covers nothing of it.
            // Past the kept number, the children above are left out: they hide nothing then.
            TRect shown = c->BoundsRect().Intersect(client);
            if (std::any_of(clip.begin(), clip.end(), [&](const TRect& r) { return r.Intersects(shown); }))
                m_opaque[m_opaqueCount++] = {i, shown};
        }
    }

    // r: the layer's extent; above: the first child index that lies above the layer.
    bool Hidden(const TRect& r, std::size_t above) const {
        if (m_opaqueCount == 0 || m_opaque[m_opaqueCount - 1].index < above) return false;
        const std::span<const Opaque> opaque(m_opaque.data(), m_opaqueCount);
        for (std::size_t k = 0; k < m_clipCount; ++k) {
            TRect part = m_clip[k].Intersect(r);
            if (part.Empty()) continue;
            bool covered = std::any_of(opaque.begin(), opaque.end(), [&](const Opaque& o) {
                return o.index >= above && o.shown.Covers(part);
            });
            if (!covered) return false;
        }
        return true;
    }

private:
    struct Opaque {
        std::size_t index{};
        TRect shown;
    };
    // Fixed room, as this runs for every control painted: no allocation per paint.
    std::array<TRect, 16> m_clip;
    std::size_t m_clipCount{};
    std::array<Opaque, 16> m_opaque;
    std::size_t m_opaqueCount{};
};

void TWinControl::PaintLayers(TCanvas& canvas, TPoint o) {
    TOcclusion occlusion(m_controls, ClientRect(), canvas, o);
    if (!occlusion.Hidden(Bounds(-o.x, -o.y, m_width, m_height), 0)) Paint(canvas);
    canvas.Save();
    canvas.Translate(o.x, o.y);
    PaintChildren(canvas, occlusion);
    canvas.Restore();
}

void TWinControl::PaintChildren(TCanvas& canvas, const TOcclusion& occlusion) {
    const TRect client = ClientRect();
    canvas.Save();
    canvas.ClipRect(client);
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        TControl* c = m_controls[i];
        if (!c->Visible() || c->Width() <= 0 || c->Height() <= 0) continue;
        // A lamp's change repaints the lamp: the other controls lie outside the clip.
        if (canvas.ClipExcludes(c->BoundsRect())) continue;
        if (occlusion.Hidden(c->BoundsRect().Intersect(client), i + 1)) continue;
        canvas.Save();
        canvas.Translate(c->Left(), c->Top());
        canvas.ClipRect({0, 0, c->Width(), c->Height()});
        Add(Counters().controlsPainted);
        try {
            c->PaintTo(canvas);
        } catch (...) {
            // The innermost control that failed is noted first; the controls around it pass it on.
            if (TForm* form = ParentForm(); form && !form->m_failedPaint) {
                TPoint at = c->FormOrigin(), o = c->ClientOffset();
                form->m_failedPaint = Bounds(at.x - o.x, at.y - o.y, c->Width(), c->Height());
            }
            throw;
        }
        canvas.Restore();
    }
    canvas.Restore();
}

// ================================================================== TGraphicControl, TCustomControl

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

} // namespace tk
