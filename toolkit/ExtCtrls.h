// Panels, bevels, shapes, images and timers.
#pragma once

#include "toolkit/Controls.h"

namespace tk {

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);
    std::string ClassName() const override { return "TCustomPanel"; }

    TBevelCut BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TBevelCut v);
    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut v);
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int v);
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int v);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle v);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment v);
    bool FullRepaint() const { return m_fullRepaint; }
    void SetFullRepaint(bool v) { m_fullRepaint = v; }

    TRect AlignRect() const override;

protected:
    void Paint(TCanvas& canvas) override;
    void TextChanged() override { Invalidate(); }

private:
    TBevelCut m_bevelInner{bvNone};
    TBevelCut m_bevelOuter{bvRaised};
    int m_bevelWidth{1};
    int m_borderWidth{};
    TBorderStyle m_borderStyle{bsNone};
    TAlignment m_alignment{taCenter};
    bool m_fullRepaint{true};
};

class TPanel : public TCustomPanel {
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
    std::string ClassName() const override { return "TPanel"; }
};

} // namespace tk
