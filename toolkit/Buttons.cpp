#include "toolkit/Buttons.h"

#include "toolkit/Style.h"

#include <algorithm>

namespace tk {

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    // Clicks come from the speed button's own mouse-up handling, not the generic one.
    m_controlStyle &= ~csClickEvents;
    SetBounds(0, 0, 23, 22);
    SetParentFont(true);
}

void TSpeedButton::SetGroupIndex(int v) {
    if (v == m_groupIndex) return;
    m_groupIndex = v;
    UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool v) {
    if (v == m_allowAllUp) return;
    m_allowAllUp = v;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool v) {
    if (m_groupIndex == 0) v = false;
    if (v == m_down) return;
    if (m_down && !m_allowAllUp) return;
    m_down = v;
    m_state = v ? bsExclusive : bsUp;
    Invalidate();
    if (v) UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
    if (m_groupIndex == 0 || !Parent()) return;
    TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto* other = dynamic_cast<TSpeedButton*>(parent->Controls(i)); other && other != this)
            other->GroupButtonPressed(this);
}

void TSpeedButton::GroupButtonPressed(TSpeedButton* sender) {
    if (sender->m_groupIndex != m_groupIndex) return;
    if (sender->m_down && m_down) {
        m_down = false;
        m_state = bsUp;
        Invalidate();
    }
    m_allowAllUp = sender->m_allowAllUp;
}

void TSpeedButton::ParentChanged() {
    UpdateExclusive();
}

void TSpeedButton::SetFlat(bool v) {
    if (v == m_flat) return;
    m_flat = v;
    Invalidate();
}

void TSpeedButton::SetGlyph(const TPicture& glyph) {
    m_glyph = glyph;
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int v) {
    v = std::clamp(v, 1, 4);
    if (v == m_numGlyphs) return;
    m_numGlyphs = v;
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout v) {
    if (v == m_layout) return;
    m_layout = v;
    Invalidate();
}

void TSpeedButton::SetMargin(int v) {
    if (v < -1) v = -1;
    if (v == m_margin) return;
    m_margin = v;
    Invalidate();
}

void TSpeedButton::SetSpacing(int v) {
    if (v == m_spacing) return;
    m_spacing = v;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool v) {
    if (v == m_transparent) return;
    m_transparent = v;
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && EffectivelyEnabled()) {
        if (!m_down) {
            m_state = bsDown;
            Invalidate();
        }
        m_dragging = true;
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    if (m_dragging) {
        TButtonState next = bsUp;
        if (!m_down)
            next = ClientRect().Contains(x, y) ? bsDown : bsUp;
        else
            next = bsExclusive;
        if (next != m_state) {
            m_state = next;
            Invalidate();
        }
    }
    TGraphicControl::MouseMove(shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TTracker alive(this);
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!alive || !m_dragging || button != mbLeft) return;
    m_dragging = false;
    bool doClick = x >= 0 && x < Width() && y >= 0 && y <= Height();
    if (m_groupIndex == 0) {
        m_state = bsUp;
        Invalidate();
    } else if (doClick) {
        SetDown(!m_down);
    } else {
        if (m_down) m_state = bsExclusive;
        Invalidate();
    }
    if (doClick) Click();
}

void TSpeedButton::Paint(TCanvas& canvas) {
    TRect r = ClientRect();
    bool enabled = EffectivelyEnabled();
    bool pressed = m_state == bsDown || m_state == bsExclusive || m_down;
    if (!m_flat || pressed) {
        style::ButtonFace(canvas, r, pressed, false, m_flat);
        if (m_down && m_state != bsDown) {
            // The latched look: a light checker over the face.
            for (int yy = r.top; yy < r.bottom; ++yy)
                for (int xx = r.left + ((yy - r.top) & 1); xx < r.right; xx += 2)
                    canvas.FillRect({xx, yy, xx + 1, yy + 1}, clBtnHighlight);
        }
    } else if (!m_transparent) {
        canvas.FillRect(r, Color());
    }
    int offset = pressed ? 1 : 0;
    // Glyph part: up, disabled, down, exclusive.
    TPicture glyph;
    if (!m_glyph.Empty()) {
        int parts = m_numGlyphs;
        int partWidth = m_glyph.Width() / parts;
        int index = !enabled ? 1 : m_state == bsDown ? 2 : (m_down ? 3 : 0);
        if (index >= parts) index = 0;
        std::vector<std::uint32_t> px(static_cast<std::size_t>(partWidth * m_glyph.Height()));
        for (int yy = 0; yy < m_glyph.Height(); ++yy)
            for (int xx = 0; xx < partWidth; ++xx)
                px[static_cast<std::size_t>(yy * partWidth + xx)] =
                    m_glyph.Pixels()[static_cast<std::size_t>(yy * m_glyph.Width() + index * partWidth + xx)];
        glyph.Assign(partWidth, m_glyph.Height(), std::move(px));
    }
    TSize text = Caption().empty() ? TSize{} : style::CaptionExtent(Caption(), Font());
    TSize image{glyph.Width(), glyph.Height()};
    bool horizontal = m_layout == blGlyphLeft || m_layout == blGlyphRight;
    int spacing = (glyph.Empty() || Caption().empty()) ? 0 : m_spacing;
    int total = horizontal ? image.cx + spacing + text.cx : image.cy + spacing + text.cy;
    int avail = horizontal ? r.Width() : r.Height();
    int margin = m_margin >= 0 ? m_margin : (avail - total) / 2;
    int start = (horizontal ? r.left : r.top) + margin;
    TPoint gp, tp;
    int midX = r.left + (r.Width()) / 2, midY = r.top + (r.Height()) / 2;
    switch (m_layout) {
    case blGlyphLeft:
        gp = {start, midY - image.cy / 2};
        tp = {start + image.cx + spacing, midY - text.cy / 2};
        break;
    case blGlyphRight:
        tp = {start, midY - text.cy / 2};
        gp = {start + text.cx + spacing, midY - image.cy / 2};
        if (m_margin >= 0) {
            gp = {r.right - m_margin - image.cx, midY - image.cy / 2};
            tp = {gp.x - spacing - text.cx, midY - text.cy / 2};
        }
        break;
    case blGlyphTop:
        gp = {midX - image.cx / 2, start};
        tp = {midX - text.cx / 2, start + image.cy + spacing};
        break;
    case blGlyphBottom:
        tp = {midX - text.cx / 2, start};
        gp = {midX - image.cx / 2, start + text.cy + spacing};
        break;
    }
    if (!glyph.Empty()) canvas.Draw(gp.x + offset, gp.y + offset, glyph);
    if (!Caption().empty())
        style::CaptionText(canvas, Bounds(tp.x + offset, tp.y + offset, text.cx + 1, text.cy), Caption(),
                           Font(), taLeftJustify, style::TextLayout::Top, enabled);
}

} // namespace tk
