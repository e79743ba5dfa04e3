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

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);
    std::string ClassName() const override { return "TBevel"; }

    TBevelShape Shape() const { return m_shape; }
    void SetShape(TBevelShape v);
    TBevelStyle Style() const { return m_style; }
    void SetStyle(TBevelStyle v);

protected:
    void Paint(TCanvas& canvas) override;

private:
    TBevelShape m_shape{bsBox};
    TBevelStyle m_style{bsLowered};
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* owner);
    std::string ClassName() const override { return "TShape"; }

    TShapeType Shape() const { return m_shape; }
    void SetShape(TShapeType v);
    const TPen& Pen() const { return m_pen; }
    void SetPen(const TPen& pen);
    const TBrush& Brush() const { return m_brush; }
    void SetBrush(const TBrush& brush);
    // The usual single-field changes (the classic Brush.Color := ...).
    void SetBrushColor(TColor color);
    void SetPenColor(TColor color);
    void SetPenWidth(int width);

protected:
    void Paint(TCanvas& canvas) override;

private:
    void NoteOpacity();
    TShapeType m_shape{stRectangle};
    TPen m_pen;
    TBrush m_brush;
};

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    std::string ClassName() const override { return "TImage"; }

    const TPicture& Picture() const { return m_picture; }
    void SetPicture(const TPicture& picture);
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool v);
    bool Center() const { return m_center; }
    void SetCenter(bool v);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool v);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool v);

protected:
    void Paint(TCanvas& canvas) override;
    void Loaded() override;

private:
    void AdjustSize();
    TPicture m_picture;
    bool m_stretch{};
    bool m_center{};
    bool m_transparent{};
    bool m_autoSize{};
};

// Raises OnTimer every Interval milliseconds through the system clock (a window timer). The window
// timer runs while Enabled and Interval > 0: from creation in code, from Loaded in a layout. Ticks
// reach OnTimer whenever one is set, so a handler assigned after creation runs with the defaults.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    std::string ClassName() const override { return "TTimer"; }

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool v);
    UINT Interval() const { return m_interval; }
    void SetInterval(UINT v);
    bool Running() const { return m_running; }

    TNotifyEvent OnTimer;

    void AfterConstruction() override;

protected:
    void Loaded() override;

private:
    void UpdateTimer();
    bool m_enabled{true};
    UINT m_interval{1000};
    bool m_running{};
    HWND m_window{};
};

} // namespace tk
