// The scroll box and its scroll bars (the classic TControlScrollBar).
#pragma once

#include "toolkit/Controls.h"

namespace tk {

class TScrollBox;

class TControlScrollBar : public TObject {
public:
    TControlScrollBar(TScrollBox& owner, TScrollBarKind kind) : m_owner(owner), m_kind(kind) {}
    std::string ClassName() const override { return "TControlScrollBar"; }

    TScrollBarKind Kind() const { return m_kind; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool v);
    // Shown when visible and the range exceeds the box's client extent.
    bool IsScrollBarVisible() const;
    int Position() const { return m_position; }
    // Clamped to 0 .. Range - client extent; scrolls the box's children and runs OnChange.
    void SetPosition(int v);
    // The scrolled extent; with AutoScroll it follows the children.
    int Range() const;
    void SetRange(int v);
    int Increment() const { return m_increment; }
    void SetIncrement(int v) { m_increment = v < 1 ? 1 : v; }
    bool Tracking() const { return m_tracking; }
    void SetTracking(bool v) { m_tracking = v; }
    int Size() const { return 16; }
    // The largest position.
    int MaxPosition() const;

    // Runs after every change of Position (the window's scroll handler).
    TNotifyEvent OnChange;

private:
    friend class TScrollBox;
    void Revalidate();
    TScrollBox& m_owner;
    TScrollBarKind m_kind;
    bool m_visible{true};
    int m_position{};
    int m_range{};
    bool m_rangeSet{};
    int m_increment{8};
    bool m_tracking{};
};

class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* owner);
    std::string ClassName() const override { return "TScrollBox"; }

    TControlScrollBar& HorzScrollBar() { return m_horz; }
    TControlScrollBar& VertScrollBar() { return m_vert; }
    const TControlScrollBar& HorzScrollBar() const { return m_horz; }
    const TControlScrollBar& VertScrollBar() const { return m_vert; }
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle v);
    bool AutoScroll() const { return m_autoScroll; }
    void SetAutoScroll(bool v);
    // Scrolls so that the control is in view.
    void ScrollInView(TControl* control);

    TRect ClientRect() const override;
    TPoint ClientOffset() const override;
    // The children's extent from the client origin at position 0.
    int ContentExtent(TScrollBarKind kind) const;

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Resize() override;

private:
    friend class TControlScrollBar;
    int Border() const;
    TRect BarRect(TScrollBarKind kind) const;
    TRect ThumbRect(TScrollBarKind kind) const;
    // Places the dragged bar's position where the pointer has taken its thumb.
    void DragThumb(int x, int y);
    TControlScrollBar m_horz{*this, sbHorizontal};
    TControlScrollBar m_vert{*this, sbVertical};
    TBorderStyle m_borderStyle{bsSingle};
    bool m_autoScroll{true};
    int m_dragKind{-1};
    int m_dragAnchor{};
    int m_dragStartPosition{};
};

} // namespace tk
