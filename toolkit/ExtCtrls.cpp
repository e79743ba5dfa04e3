#include "toolkit/ExtCtrls.h"

#include "toolkit/Style.h"

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
    if (m_borderStyle == bsSingle) {
        if (Ctl3D())
            style::SunkenEdge(canvas, r);
        else {
            canvas.FrameRect(r, clWindowFrame);
            r = r.Inflate(-1, -1);
        }
    }
    style::Bevel(canvas, r, m_bevelOuter, m_bevelWidth);
    canvas.FrameRect(r, Color(), m_borderWidth);
    r = r.Inflate(-m_borderWidth, -m_borderWidth);
    style::Bevel(canvas, r, m_bevelInner, m_bevelWidth);
    canvas.FillRect(r, Color());
    style::CaptionText(canvas, r, Caption(), Font(), m_alignment, style::TextLayout::Center,
                       EffectivelyEnabled());
}

} // namespace tk
