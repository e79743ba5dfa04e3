#include "toolkit/ScrollBox.h"

#include "toolkit/Style.h"

#include <algorithm>

namespace tk {

// ================================================================== TControlScrollBar

void TControlScrollBar::SetVisible(bool v) {
    if (v == m_visible) return;
    m_visible = v;
    m_owner.Realign();
    m_owner.Invalidate();
    Revalidate();
}

int TControlScrollBar::Range() const {
    if (m_owner.AutoScroll() && !m_rangeSet) return m_owner.ContentExtent(m_kind);
    return m_range;
}

void TControlScrollBar::SetRange(int v) {
    m_range = v < 0 ? 0 : v;
    m_rangeSet = true;
    m_owner.Realign();
    m_owner.Invalidate();
    Revalidate();
}

bool TControlScrollBar::IsScrollBarVisible() const {
    if (!m_visible) return false;
    int b = 2 * m_owner.Border();
    int extent = m_kind == sbHorizontal ? m_owner.Width() - b : m_owner.Height() - b;
    return Range() > extent;
}

int TControlScrollBar::MaxPosition() const {
    if (!IsScrollBarVisible()) return 0;
    TRect client = m_owner.ClientRect();
    int extent = m_kind == sbHorizontal ? client.Width() : client.Height();
    return std::max(0, Range() - extent);
}

void TControlScrollBar::SetPosition(int v) {
    v = std::clamp(v, 0, MaxPosition());
    if (v == m_position) return;
    int delta = m_position - v;
    m_position = v;
    if (m_kind == sbHorizontal)
        m_owner.ScrollBy(delta, 0);
    else
        m_owner.ScrollBy(0, delta);
    m_owner.Invalidate();
    if (OnChange) OnChange(this);
}

void TControlScrollBar::Revalidate() {
    if (m_position > MaxPosition()) SetPosition(MaxPosition());
}

// ================================================================== TScrollBox

TScrollBox::TScrollBox(TComponent* owner) : TWinControl(owner) {
    m_controlStyle |= csAcceptsControls;
    m_controlStyle &= ~csClickEvents;
    SetBounds(0, 0, 185, 41);
}

int TScrollBox::Border() const {
    return m_borderStyle == bsSingle ? (Ctl3D() ? 2 : 1) : 0;
}

void TScrollBox::SetBorderStyle(TBorderStyle v) {
    if (v == m_borderStyle) return;
    m_borderStyle = v;
    Realign();
    Invalidate();
}

void TScrollBox::SetAutoScroll(bool v) {
    if (v == m_autoScroll) return;
    m_autoScroll = v;
    Invalidate();
    m_horz.Revalidate();
    m_vert.Revalidate();
}

TRect TScrollBox::ClientRect() const {
    int b = 2 * Border();
    int w = Width() - b - (m_vert.IsScrollBarVisible() ? m_vert.Size() : 0);
    int h = Height() - b - (m_horz.IsScrollBarVisible() ? m_horz.Size() : 0);
    return {0, 0, std::max(0, w), std::max(0, h)};
}

TPoint TScrollBox::ClientOffset() const {
    return {Border(), Border()};
}

int TScrollBox::ContentExtent(TScrollBarKind kind) const {
    int extent = 0;
    int position = kind == sbHorizontal ? m_horz.m_position : m_vert.m_position;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible()) continue;
        int far = kind == sbHorizontal ? c->Left() + c->Width() : c->Top() + c->Height();
        extent = std::max(extent, far + position);
    }
    return extent;
}

void TScrollBox::ScrollInView(TControl* control) {
    if (!control || control->Parent() != this) return;
    TRect client = ClientRect();
    if (control->Left() < 0)
        m_horz.SetPosition(m_horz.Position() + control->Left());
    else if (control->Left() + control->Width() > client.right)
        m_horz.SetPosition(m_horz.Position() + control->Left() + control->Width() - client.right);
    if (control->Top() < 0)
        m_vert.SetPosition(m_vert.Position() + control->Top());
    else if (control->Top() + control->Height() > client.bottom)
        m_vert.SetPosition(m_vert.Position() + control->Top() + control->Height() - client.bottom);
}

void TScrollBox::Resize() {
    TWinControl::Resize();
    m_horz.Revalidate();
    m_vert.Revalidate();
}

TRect TScrollBox::BarRect(TScrollBarKind kind) const {
    TRect client = ClientRect();
    if (kind == sbHorizontal) return {0, client.bottom, client.right, client.bottom + m_horz.Size()};
    return {client.right, 0, client.right + m_vert.Size(), client.bottom};
}

TRect TScrollBox::ThumbRect(TScrollBarKind kind) const {
    const TControlScrollBar& bar = kind == sbHorizontal ? m_horz : m_vert;
    TRect r = BarRect(kind);
    bool h = kind == sbHorizontal;
    int arrow = bar.Size();
    int track = (h ? r.Width() : r.Height()) - 2 * arrow;
    int range = std::max(1, bar.Range());
    int page = h ? ClientRect().Width() : ClientRect().Height();
    int thumb = std::clamp(track * page / range, 8, std::max(8, track));
    int maxPos = std::max(1, bar.MaxPosition());
    int offset = (track - thumb) * bar.Position() / maxPos;
    if (h) return {r.left + arrow + offset, r.top, r.left + arrow + offset + thumb, r.bottom};
    return {r.left, r.top + arrow + offset, r.right, r.top + arrow + offset + thumb};
}

void TScrollBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TTracker alive(this);
    TWinControl::MouseDown(button, shift, x, y);
    if (!alive || button != mbLeft) return;
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        TControlScrollBar& bar = kind == sbHorizontal ? m_horz : m_vert;
        if (!bar.IsScrollBarVisible()) continue;
        TRect r = BarRect(kind);
        if (!r.Contains(x, y)) continue;
        bool h = kind == sbHorizontal;
        int along = h ? x - r.left : y - r.top;
        int length = h ? r.Width() : r.Height();
        int page = h ? ClientRect().Width() : ClientRect().Height();
        TRect thumb = ThumbRect(kind);
        if (along < bar.Size())
            bar.SetPosition(bar.Position() - bar.Increment());
        else if (along >= length - bar.Size())
            bar.SetPosition(bar.Position() + bar.Increment());
        else if (thumb.Contains(x, y)) {
            m_dragKind = kind;
            m_dragAnchor = h ? x : y;
            m_dragStartPosition = bar.Position();
        } else if ((h ? x : y) < (h ? thumb.left : thumb.top))
            bar.SetPosition(bar.Position() - page);
        else
            bar.SetPosition(bar.Position() + page);
        return;
    }
}

void TScrollBox::DragThumb(int x, int y) {
    auto kind = static_cast<TScrollBarKind>(m_dragKind);
    TControlScrollBar& bar = kind == sbHorizontal ? m_horz : m_vert;
    TRect r = BarRect(kind);
    TRect thumb = ThumbRect(kind);
    bool h = kind == sbHorizontal;
    int track = (h ? r.Width() : r.Height()) - 2 * bar.Size() - (h ? thumb.Width() : thumb.Height());
    if (track > 0)
        bar.SetPosition(m_dragStartPosition + ((h ? x : y) - m_dragAnchor) * bar.MaxPosition() / track);
}

void TScrollBox::MouseMove(TShiftState shift, int x, int y) {
    TTracker alive(this);
    TWinControl::MouseMove(shift, x, y);
    if (!alive || m_dragKind < 0) return;
    // Without tracking the position follows the thumb only when it is let go.
    if ((m_dragKind == sbHorizontal ? m_horz : m_vert).Tracking()) DragThumb(x, y);
}

void TScrollBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && m_dragKind >= 0) {
        TTracker alive(this);
        if (!(m_dragKind == sbHorizontal ? m_horz : m_vert).Tracking()) DragThumb(x, y);
        if (!alive) return;
        m_dragKind = -1;
    }
    TWinControl::MouseUp(button, shift, x, y);
}

void TScrollBox::Paint(TCanvas& canvas) {
    TRect r{0, 0, Width(), Height()};
    if (m_borderStyle == bsSingle) style::SingleBorder(canvas, r, Ctl3D());
    canvas.Save();
    canvas.Translate(Border(), Border());
    canvas.FillRect(ClientRect(), Color());
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        const TControlScrollBar& bar = kind == sbHorizontal ? m_horz : m_vert;
        if (!bar.IsScrollBarVisible()) continue;
        TRect b = BarRect(kind);
        bool h = kind == sbHorizontal;
        // The dithered track is a fill per pixel: a repaint elsewhere (a meter's lamp) leaves it alone.
        if (canvas.ClipExcludes(b)) continue;
        for (int yy = b.top; yy < b.bottom; ++yy)
            for (int xx = b.left; xx < b.right; ++xx)
                canvas.FillRect({xx, yy, xx + 1, yy + 1}, ((xx + yy) & 1) ? clBtnHighlight : clBtnFace);
        int s = bar.Size();
        TRect first = h ? Bounds(b.left, b.top, s, s) : Bounds(b.left, b.top, s, s);
        TRect last = h ? Bounds(b.right - s, b.top, s, s) : Bounds(b.left, b.bottom - s, s, s);
        TRect thumb = ThumbRect(kind);
        for (TRect face : {first, last, thumb})
            style::ButtonFace(canvas, face, false, false);
        TBrush black{clBtnText, bsSolid};
        TPen pen{clBtnText, 1, psSolid};
        int cx = first.left + s / 2, cy = first.top + s / 2;
        if (h)
            canvas.Polygon({{cx + 1, cy - 3}, {cx + 1, cy + 3}, {cx - 2, cy}}, pen, black);
        else
            canvas.Polygon({{cx - 3, cy + 1}, {cx + 3, cy + 1}, {cx, cy - 2}}, pen, black);
        cx = last.left + s / 2;
        cy = last.top + s / 2;
        if (h)
            canvas.Polygon({{cx - 1, cy - 3}, {cx - 1, cy + 3}, {cx + 2, cy}}, pen, black);
        else
            canvas.Polygon({{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}}, pen, black);
    }
    canvas.Restore();
}

} // namespace tk
