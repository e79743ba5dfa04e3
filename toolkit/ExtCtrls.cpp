#include "toolkit/ExtCtrls.h"

#include "toolkit/Style.h"

#include "system/sys.h"

#include <algorithm>

namespace tk {

// ================================================================== TCustomPanel

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    m_controlStyle |= csAcceptsControls | csOpaque;
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelInner(TBevelCut v) {
    if (v == m_bevelInner) return;
    m_bevelInner = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut v) {
    if (v == m_bevelOuter) return;
    m_bevelOuter = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int v) {
    if (v < 1) v = 1;
    if (v == m_bevelWidth) return;
    m_bevelWidth = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int v) {
    if (v < 0) v = 0;
    if (v == m_borderWidth) return;
    m_borderWidth = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle v) {
    if (v == m_borderStyle) return;
    m_borderStyle = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment v) {
    if (v == m_alignment) return;
    m_alignment = v;
    Invalidate();
}

TRect TCustomPanel::AlignRect() const {
    TRect r = ClientRect();
    if (m_borderStyle == bsSingle) r = r.Inflate(Ctl3D() ? -2 : -1, Ctl3D() ? -2 : -1);
    r = r.Inflate(-m_borderWidth, -m_borderWidth);
    if (m_bevelOuter != bvNone) r = r.Inflate(-m_bevelWidth, -m_bevelWidth);
    if (m_bevelInner != bvNone) r = r.Inflate(-m_bevelWidth, -m_bevelWidth);
    return r;
}

void TCustomPanel::Paint(TCanvas& canvas) {
    TRect r = ClientRect();
    // A space bevel is a ring of the panel's colour: the panel covers every pixel it owns.
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvSpace) canvas.FrameRect(r, Color(), m_bevelWidth);
        style::Bevel(canvas, r, cut, m_bevelWidth);
    };
    if (m_borderStyle == bsSingle) style::SingleBorder(canvas, r, Ctl3D());
    bevel(m_bevelOuter);
    canvas.FrameRect(r, Color(), m_borderWidth);
    r = r.Inflate(-m_borderWidth, -m_borderWidth);
    bevel(m_bevelInner);
    canvas.FillRect(r, Color());
    style::CaptionText(canvas, r, Caption(), Font(), m_alignment, style::TextLayout::Center,
                       EffectivelyEnabled());
}

} // namespace tk

namespace tk {

// ================================================================== TBevel

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    m_controlStyle &= ~(csClickEvents | csDoubleClicks);
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape v) {
    if (v == m_shape) return;
    m_shape = v;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle v) {
    if (v == m_style) return;
    m_style = v;
    Invalidate();
}

void TBevel::Paint(TCanvas& canvas) {
    TColor c1 = m_style == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor c2 = m_style == bsLowered ? clBtnHighlight : clBtnShadow;
    int w = Width(), h = Height();
    TPen p1{c1, 1, psSolid}, p2{c2, 1, psSolid};
    switch (m_shape) {
    case bsBox: {
        TRect r{0, 0, w, h};
        style::Frame3D(canvas, r, c1, c2, 1);
        break;
    }
    case bsFrame: {
        canvas.FrameRect({m_style == bsLowered ? 0 : 1, m_style == bsLowered ? 0 : 1,
                          w - (m_style == bsLowered ? 1 : 0), h - (m_style == bsLowered ? 1 : 0)},
                         clBtnShadow);
        canvas.FrameRect({m_style == bsLowered ? 1 : 0, m_style == bsLowered ? 1 : 0,
                          w - (m_style == bsLowered ? 0 : 1), h - (m_style == bsLowered ? 0 : 1)},
                         clBtnHighlight);
        break;
    }
    case bsTopLine:
        canvas.Line(0, 0, w, 0, p1);
        canvas.Line(0, 1, w, 1, p2);
        break;
    case bsBottomLine:
        canvas.Line(0, h - 2, w, h - 2, p1);
        canvas.Line(0, h - 1, w, h - 1, p2);
        break;
    case bsLeftLine:
        canvas.Line(0, 0, 0, h, p1);
        canvas.Line(1, 0, 1, h, p2);
        break;
    case bsRightLine:
        canvas.Line(w - 2, 0, w - 2, h, p1);
        canvas.Line(w - 1, 0, w - 1, h, p2);
        break;
    case bsSpacer:
        break;
    }
}

// ================================================================== TShape

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 65);
    NoteOpacity();
}

// Only a plain rectangle, filled solid with a one-pixel outline (or none), covers all it owns.
void TShape::NoteOpacity() {
    SetOpaque(m_shape == stRectangle && m_brush.style == bsSolid && m_pen.width == 1 &&
              (m_pen.style == psSolid || m_pen.style == psClear));
}

void TShape::SetShape(TShapeType v) {
    if (v == m_shape) return;
    m_shape = v;
    NoteOpacity();
    Invalidate();
}

void TShape::SetPen(const TPen& pen) {
    if (pen == m_pen) return;
    m_pen = pen;
    NoteOpacity();
    Invalidate();
}

void TShape::SetBrush(const TBrush& brush) {
    if (brush == m_brush) return;
    if (brush.color != m_brush.color) detail::NoteShapeFill();
    m_brush = brush;
    NoteOpacity();
    Invalidate();
}

void TShape::SetBrushColor(TColor color) {
    TBrush b = m_brush;
    b.color = color;
    SetBrush(b);
}

void TShape::SetPenColor(TColor color) {
    TPen p = m_pen;
    p.color = color;
    SetPen(p);
}

void TShape::SetPenWidth(int width) {
    TPen p = m_pen;
    p.width = width < 0 ? 0 : width;
    SetPen(p);
}

void TShape::Paint(TCanvas& canvas) {
    // The classic geometry: the outline's centre runs half a pen inside the bounds.
    int pw = m_pen.width;
    int x = pw / 2, y = pw / 2;
    int w = Width() - pw + 1, h = Height() - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    if (m_shape == stSquare || m_shape == stRoundSquare || m_shape == stCircle) {
        int side = std::min(w, h);
        x += (w - side) / 2;
        y += (h - side) / 2;
        w = h = side;
    }
    TRect r = Bounds(x, y, w, h);
    TPen pen = m_pen;
    if (pw == 0) pen.style = psClear;
    switch (m_shape) {
    case stRectangle:
    case stSquare:
        canvas.Rectangle(r, pen, m_brush);
        break;
    case stRoundRect:
    case stRoundSquare:
        canvas.RoundRect(r, std::min(w, h) / 4, std::min(w, h) / 4, pen, m_brush);
        break;
    case stEllipse:
    case stCircle:
        canvas.Ellipse(r, pen, m_brush);
        break;
    }
}

// ================================================================== TImage

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 105, 105);
}

void TImage::SetPicture(const TPicture& picture) {
    m_picture = picture;
    AdjustSize();
    Invalidate();
}

void TImage::SetStretch(bool v) {
    if (v == m_stretch) return;
    m_stretch = v;
    Invalidate();
}

void TImage::SetCenter(bool v) {
    if (v == m_center) return;
    m_center = v;
    Invalidate();
}

void TImage::SetTransparent(bool v) {
    if (v == m_transparent) return;
    m_transparent = v;
    Invalidate();
}

void TImage::SetAutoSize(bool v) {
    m_autoSize = v;
    AdjustSize();
}

void TImage::AdjustSize() {
    if (m_autoSize && !Loading() && !m_picture.Empty())
        SetBounds(Left(), Top(), m_picture.Width(), m_picture.Height());
}

void TImage::Loaded() {
    TGraphicControl::Loaded();
    AdjustSize();
}

void TImage::Paint(TCanvas& canvas) {
    if (m_picture.Empty()) return;
    if (m_stretch) {
        canvas.StretchDraw({0, 0, Width(), Height()}, m_picture);
        return;
    }
    int x = m_center ? (Width() - m_picture.Width()) / 2 : 0;
    int y = m_center ? (Height() - m_picture.Height()) / 2 : 0;
    canvas.Draw(x, y, m_picture);
}

// ================================================================== TTimer

namespace {
constexpr UINT_PTR kTimerId = 1;

// Timers' windows hang under one hidden window, so they are no top-level windows of their own.
HWND TimerParent() {
    static HWND parent{};
    if (!parent || !IsWindow(parent))
        parent = sys::CreateWindowHandle(
            [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); });
    return parent;
}
} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
    if (m_window) {
        HWND h = m_window;
        m_window = nullptr;
        sys::SetWindowProc(h, {});
        DestroyWindow(h); // kills its timer
    }
}

void TTimer::SetEnabled(bool v) {
    if (v == m_enabled) return;
    m_enabled = v;
    UpdateTimer();
}

void TTimer::SetInterval(UINT v) {
    if (v == m_interval) return;
    m_interval = v;
    UpdateTimer();
}

void TTimer::AfterConstruction() {
    TComponent::AfterConstruction();
    // A layout being read starts its timers in Loaded, with their stored properties in.
    if (!Owner() || !Owner()->Loading()) UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (m_window && m_running) KillTimer(m_window, kTimerId);
    m_running = false;
    if (!m_enabled || m_interval == 0 || Loading()) return;
    if (!m_window || !IsWindow(m_window)) {
        m_window = sys::CreateWindowHandle(
            [this](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
                if (msg == WM_TIMER && w == kTimerId) {
                    if (OnTimer) OnTimer(this);
                    return 0;
                }
                return DefWindowProcA(h, msg, w, l);
            },
            TimerParent());
    }
    m_running = SetTimer(m_window, kTimerId, m_interval, nullptr) != 0;
}

} // namespace tk
