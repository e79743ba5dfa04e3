#include "toolkit/ComCtrls.h"

#include "toolkit/Style.h"

#include <algorithm>
#include <cmath>

namespace tk {

namespace {
constexpr int kTabHeight = 20;
constexpr WORD kVkPrior = 0x21;
constexpr WORD kVkNext = 0x22;
} // namespace

// ================================================================== TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    m_controlStyle |= csAcceptsControls;
    m_controlStyle &= ~csClickEvents;
    SetVisible(false);
}

TTabSheet::~TTabSheet() {
    if (m_pageControl) m_pageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    if (pageControl == m_pageControl) return;
    if (m_pageControl) m_pageControl->RemovePage(this);
    SetParent(pageControl);
    if (pageControl) pageControl->InsertPage(this);
}

bool TTabSheet::SetParentComponent(TComponent* parent) {
    auto* pageControl = dynamic_cast<TPageControl*>(parent);
    if (!pageControl) return false;
    SetPageControl(pageControl);
    return true;
}

int TTabSheet::PageIndex() const {
    if (!m_pageControl) return -1;
    auto& pages = m_pageControl->m_pages;
    auto it = std::find(pages.begin(), pages.end(), this);
    return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TTabSheet::SetPageIndex(int index) {
    if (!m_pageControl) return;
    auto& pages = m_pageControl->m_pages;
    int current = PageIndex();
    index = std::clamp(index, 0, static_cast<int>(pages.size()) - 1);
    if (index == current) return;
    pages.erase(pages.begin() + current);
    pages.insert(pages.begin() + index, this);
    m_pageControl->Invalidate();
}

void TTabSheet::SetTabVisible(bool v) {
    if (v == m_tabVisible) return;
    m_tabVisible = v;
    if (m_pageControl) m_pageControl->Invalidate();
}

void TTabSheet::TextChanged() {
    if (m_pageControl) m_pageControl->Invalidate();
}

void TTabSheet::Paint(TCanvas& canvas) {
    canvas.FillRect(ClientRect(), Color());
}

// ================================================================== TPageControl

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    m_controlStyle &= ~csClickEvents;
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
    for (TTabSheet* page : m_pages)
        page->m_pageControl = nullptr;
    m_pages.clear();
    m_activePage = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
    if (index < 0 || index >= PageCount())
        throw ERangeError("Page index out of bounds (" + std::to_string(index) + ")");
    return m_pages[static_cast<std::size_t>(index)];
}

void TPageControl::InsertPage(TTabSheet* page) {
    if (std::find(m_pages.begin(), m_pages.end(), page) != m_pages.end()) return;
    m_pages.push_back(page);
    page->m_pageControl = this;
    PlacePage(page);
    page->SetVisible(false);
    if (!m_activePage && !Loading()) SetActivePage(page);
    Invalidate();
}

void TPageControl::RemovePage(TTabSheet* page) {
    auto it = std::find(m_pages.begin(), m_pages.end(), page);
    if (it == m_pages.end()) return;
    int index = static_cast<int>(it - m_pages.begin());
    m_pages.erase(it);
    page->m_pageControl = nullptr;
    if (m_pendingActive == page) m_pendingActive = nullptr;
    if (m_activePage == page) {
        m_activePage = nullptr;
        if (!m_pages.empty() && !Destroying())
            SetActivePage(m_pages[static_cast<std::size_t>(std::min(index, PageCount() - 1))]);
    }
    Invalidate();
}

void TPageControl::PlacePage(TTabSheet* page) {
    page->SetBoundsRect(DisplayRect());
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->m_pageControl != this) return;
    if (Loading()) {
        m_pendingActive = page;
        return;
    }
    if (page == m_activePage) return;
    TTabSheet* old = m_activePage;
    m_activePage = page;
    if (page) {
        PlacePage(page);
        page->SetVisible(true);
        if (page->OnShow) page->OnShow(page);
    }
    if (old) {
        old->SetVisible(false);
        if (old->OnHide) old->OnHide(old);
    }
    Invalidate();
}

int TPageControl::ActivePageIndex() const {
    return m_activePage ? m_activePage->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) {
    if (index < 0 || index >= PageCount()) {
        SetActivePage(nullptr);
        return;
    }
    SetActivePage(m_pages[static_cast<std::size_t>(index)]);
}

void TPageControl::SelectByUser(int index) {
    if (index < 0 || index >= PageCount() || m_pages[static_cast<std::size_t>(index)] == m_activePage) return;
    bool allow = true;
    TTracker alive(this);
    if (OnChanging) OnChanging(this, allow);
    if (!alive || !allow) return;
    SetActivePageIndex(index);
    if (OnChange) OnChange(this);
}

void TPageControl::SetTabWidth(int v) {
    v = std::max(0, v);
    if (v == m_tabWidth) return;
    m_tabWidth = v;
    Invalidate();
}

std::vector<TRect> TPageControl::TabRects() const {
    std::vector<TRect> rects;
    int x = 2;
    for (TTabSheet* page : m_pages) {
        if (!page->TabVisible()) {
            rects.push_back({});
            continue;
        }
        int w = m_tabWidth > 0 ? m_tabWidth : MeasureText(StripAccelerator(page->Caption()), Font()).cx + 12;
        rects.push_back({x, 2, x + w, 2 + kTabHeight});
        x += w;
    }
    return rects;
}

TRect TPageControl::DisplayRect() const {
    TRect r = ClientRect();
    return {r.left + 4, r.top + kTabHeight + 4, std::max(r.left + 4, r.right - 4),
            std::max(r.top + kTabHeight + 4, r.bottom - 4)};
}

void TPageControl::Resize() {
    for (TTabSheet* page : m_pages)
        PlacePage(page);
    TWinControl::Resize();
}

void TPageControl::Loaded() {
    TWinControl::Loaded();
    for (TTabSheet* page : m_pages) {
        PlacePage(page);
        page->SetVisible(false);
    }
    TTabSheet* active = m_pendingActive ? m_pendingActive : (m_pages.empty() ? nullptr : m_pages.front());
    m_pendingActive = nullptr;
    m_activePage = nullptr;
    SetActivePage(active);
}

void TPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TTracker alive(this);
    TWinControl::MouseDown(button, shift, x, y);
    if (!alive || button != mbLeft) return;
    auto rects = TabRects();
    for (std::size_t i = 0; i < rects.size(); ++i)
        if (rects[i].Contains(x, y)) {
            SelectByUser(static_cast<int>(i));
            return;
        }
}

void TPageControl::Paint(TCanvas& canvas) {
    TRect client = ClientRect();
    canvas.FillRect(client, Color());
    TRect frame{client.left, client.top + kTabHeight, client.right, client.bottom};
    style::Frame3D(canvas, frame, clBtnHighlight, cl3DDkShadow, 1);
    style::Frame3D(canvas, frame, cl3DLight, clBtnShadow, 1);
    auto rects = TabRects();
    // The active tab last, so it lies over its neighbours.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < rects.size(); ++i)
        if (m_pages[i] != m_activePage) order.push_back(i);
    for (std::size_t i = 0; i < rects.size(); ++i)
        if (m_pages[i] == m_activePage) order.push_back(i);
    for (std::size_t i : order) {
        if (rects[i].Empty()) continue;
        bool active = m_pages[i] == m_activePage;
        TRect t = active ? rects[i].Inflate(2, 0) : rects[i];
        if (active) t.top -= 2;
        t.bottom += active ? 1 : 0;
        canvas.FillRect(t, Color());
        TPen light{clBtnHighlight, 1, psSolid}, dark{cl3DDkShadow, 1, psSolid},
            shadow{clBtnShadow, 1, psSolid};
        canvas.Line(t.left, t.bottom - 1, t.left, t.top + 2, light);
        canvas.Line(t.left, t.top + 2, t.left + 2, t.top, light);
        canvas.Line(t.left + 2, t.top, t.right - 2, t.top, light);
        canvas.Line(t.right - 2, t.top + 1, t.right - 2, t.bottom, shadow);
        canvas.Line(t.right - 1, t.top + 2, t.right - 1, t.bottom, dark);
        style::CaptionText(canvas, t, m_pages[i]->Caption(), Font(), taCenter, style::TextLayout::Center,
                           EffectivelyEnabled());
        if (active && Focused()) style::FocusRect(canvas, t.Inflate(-3, -3));
    }
}

// ================================================================== TTrackBar

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner) {
    m_controlStyle &= ~csClickEvents;
    SetTabStop(true);
    SetBounds(0, 0, 150, 45);
}

void TTrackBar::SetOrientation(TTrackBarOrientation v) {
    if (v == m_orientation) return;
    m_orientation = v;
    if (!Loading()) SetBounds(Left(), Top(), Height(), Width());
    Invalidate();
}

void TTrackBar::SetMin(int v) {
    if (v == m_min) return;
    m_min = v;
    if (m_max < m_min && !Loading()) m_max = m_min;
    if (!Loading() && m_position < m_min) SetPosition(m_min);
    Invalidate();
}

void TTrackBar::SetMax(int v) {
    if (v == m_max) return;
    m_max = v;
    if (m_min > m_max && !Loading()) m_min = m_max;
    if (!Loading() && m_position > m_max) SetPosition(m_max);
    Invalidate();
}

void TTrackBar::SetPosition(int v) {
    // While a layout loads, Min and Max may still come; the position is clamped in Loaded.
    if (!Loading()) v = std::clamp(v, m_min, std::max(m_min, m_max));
    if (v == m_position) return;
    m_position = v;
    Invalidate();
    if (!Loading() && OnChange) OnChange(this);
}

void TTrackBar::Loaded() {
    TWinControl::Loaded();
    if (m_max < m_min) m_max = m_min;
    m_position = std::clamp(m_position, m_min, m_max);
}

void TTrackBar::SetFrequency(int v) {
    if (v == m_frequency) return;
    m_frequency = v;
    Invalidate();
}

void TTrackBar::SetTickMarks(TTickMark v) {
    if (v == m_tickMarks) return;
    m_tickMarks = v;
    Invalidate();
}

void TTrackBar::SetTickStyle(TTickStyle v) {
    if (v == m_tickStyle) return;
    m_tickStyle = v;
    Invalidate();
}

void TTrackBar::SetSelStart(int v) {
    m_selStart = v;
    Invalidate();
}

void TTrackBar::SetSelEnd(int v) {
    m_selEnd = v;
    Invalidate();
}

void TTrackBar::ChannelSpan(int& first, int& last) const {
    int length = m_orientation == trHorizontal ? Width() : Height();
    first = 13;
    last = std::max(first, length - 14);
}

int TTrackBar::ValueToPixel(int value) const {
    int first, last;
    ChannelSpan(first, last);
    if (m_max <= m_min) return first;
    return first + static_cast<int>(
                       std::lround(static_cast<double>(value - m_min) * (last - first) / (m_max - m_min)));
}

int TTrackBar::PixelToValue(int pixel) const {
    int first, last;
    ChannelSpan(first, last);
    if (last <= first || m_max <= m_min) return m_min;
    double v = m_min + static_cast<double>(pixel - first) * (m_max - m_min) / (last - first);
    return std::clamp(static_cast<int>(std::lround(v)), m_min, m_max);
}

TRect TTrackBar::ThumbRect() const {
    int p = ValueToPixel(m_position);
    // Ticks on one side leave the thumb nearer the other.
    int across = m_tickMarks == tmTopLeft ? 12 : (m_tickMarks == tmBoth ? 10 : 8);
    if (m_orientation == trHorizontal) return {p - 5, across, p + 6, across + 21};
    return {across, p - 5, across + 21, p + 6};
}

void TTrackBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TTracker alive(this);
    TWinControl::MouseDown(button, shift, x, y);
    if (!alive || button != mbLeft) return;
    TRect thumb = ThumbRect();
    int along = m_orientation == trHorizontal ? x : y;
    if (thumb.Contains(x, y)) {
        m_dragging = true;
        m_dragOffset = along - ValueToPixel(m_position);
        return;
    }
    int step = std::max(1, m_pageSize);
    SetPosition(along < ValueToPixel(m_position) ? m_position - step : m_position + step);
}

void TTrackBar::MouseMove(TShiftState shift, int x, int y) {
    TTracker alive(this);
    TWinControl::MouseMove(shift, x, y);
    if (!alive || !m_dragging) return;
    int along = m_orientation == trHorizontal ? x : y;
    SetPosition(PixelToValue(along - m_dragOffset));
}

void TTrackBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) m_dragging = false;
    TWinControl::MouseUp(button, shift, x, y);
}

void TTrackBar::KeyDown(WORD& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    switch (key) {
    case VK_LEFT:
    case VK_UP:
        SetPosition(m_position - m_lineSize);
        break;
    case VK_RIGHT:
    case VK_DOWN:
        SetPosition(m_position + m_lineSize);
        break;
    case kVkPrior:
        SetPosition(m_position - m_pageSize);
        break;
    case kVkNext:
        SetPosition(m_position + m_pageSize);
        break;
    case VK_HOME:
        SetPosition(m_min);
        break;
    case VK_END:
        SetPosition(m_max);
        break;
    default:
        break;
    }
}

void TTrackBar::Paint(TCanvas& canvas) {
    TRect r = ClientRect();
    canvas.FillRect(r, Color());
    bool horizontal = m_orientation == trHorizontal;
    int first, last;
    ChannelSpan(first, last);
    TRect thumb = ThumbRect();
    int mid = horizontal ? (thumb.top + thumb.bottom) / 2 : (thumb.left + thumb.right) / 2;
    TRect channel = horizontal ? TRect{first - 5, mid - 2, last + 6, mid + 2}
                               : TRect{mid - 2, first - 5, mid + 2, last + 6};
    style::SunkenEdge(canvas, channel);
    canvas.FillRect(channel, clWindow);
    if (m_tickStyle != tsNone && m_frequency > 0 && m_max > m_min) {
        TPen pen{clBlack, 1, psSolid};
        auto tick = [&](int value, bool longer) {
            int p = ValueToPixel(value);
            int len = longer ? 4 : 3;
            if (m_tickMarks != tmTopLeft) {
                int base = horizontal ? thumb.bottom + 2 : thumb.right + 2;
                if (horizontal)
                    canvas.Line(p, base, p, base + len, pen);
                else
                    canvas.Line(base, p, base + len, p, pen);
            }
            if (m_tickMarks != tmBottomRight) {
                int base = horizontal ? thumb.top - 3 : thumb.left - 3;
                if (horizontal)
                    canvas.Line(p, base - len + 1, p, base + 1, pen);
                else
                    canvas.Line(base - len + 1, p, base + 1, p, pen);
            }
        };
        for (long v = m_min; v <= m_max; v += m_frequency)
            tick(static_cast<int>(v), v == m_min);
        tick(m_max, true);
    }
    TRect face = thumb;
    style::ButtonFace(canvas, face, false, false);
    if (Focused()) style::FocusRect(canvas, r.Inflate(-1, -1));
}

} // namespace tk
