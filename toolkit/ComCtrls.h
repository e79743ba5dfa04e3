// Page controls with tab sheets, and track bars.
#pragma once

#include "toolkit/Controls.h"

#include <vector>

namespace tk {

class TPageControl;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    std::string ClassName() const override { return "TTabSheet"; }

    TPageControl* PageControl() const { return m_pageControl; }
    void SetPageControl(TPageControl* pageControl);
    // Position among the page control's pages, -1 without one.
    int PageIndex() const;
    void SetPageIndex(int index);
    bool TabVisible() const { return m_tabVisible; }
    void SetTabVisible(bool v);
    bool SetParentComponent(TComponent* parent) override;

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

protected:
    void Paint(TCanvas& canvas) override;
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* m_pageControl{};
    bool m_tabVisible{true};
};

class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;
    std::string ClassName() const override { return "TPageControl"; }

    int PageCount() const { return static_cast<int>(m_pages.size()); }
    TTabSheet* Pages(int index) const;
    TTabSheet* ActivePage() const { return m_activePage; }
    // Shows the page and hides the others; no OnChange (that is for the user's choice).
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    // A click on a tab: OnChanging may refuse, then the page changes and OnChange runs.
    void SelectByUser(int index);
    // Every tab this wide; 0 sizes each tab to its caption.
    int TabWidth() const { return m_tabWidth; }
    void SetTabWidth(int v);
    // The tab rectangles (client coordinates) of the visible tabs, in page order.
    std::vector<TRect> TabRects() const;
    // The area the pages take.
    TRect DisplayRect() const;
    TRect AlignRect() const override { return DisplayRect(); }

    TNotifyEvent OnChange;
    std::function<void(TObject* sender, bool& allowChange)> OnChanging;

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Resize() override;
    void Loaded() override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void PlacePage(TTabSheet* page);
    std::vector<TTabSheet*> m_pages;
    TTabSheet* m_activePage{};
    TTabSheet* m_pendingActive{};
    int m_tabWidth{};
};

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* owner);
    std::string ClassName() const override { return "TTrackBar"; }

    TTrackBarOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TTrackBarOrientation v);
    int Min() const { return m_min; }
    void SetMin(int v);
    int Max() const { return m_max; }
    void SetMax(int v);
    int Position() const { return m_position; }
    // Clamped to Min..Max; a change raises OnChange, also from code.
    void SetPosition(int v);
    int PageSize() const { return m_pageSize; }
    void SetPageSize(int v) { m_pageSize = v; }
    int LineSize() const { return m_lineSize; }
    void SetLineSize(int v) { m_lineSize = v; }
    int Frequency() const { return m_frequency; }
    void SetFrequency(int v);
    TTickMark TickMarks() const { return m_tickMarks; }
    void SetTickMarks(TTickMark v);
    TTickStyle TickStyle() const { return m_tickStyle; }
    void SetTickStyle(TTickStyle v);
    int SelStart() const { return m_selStart; }
    void SetSelStart(int v);
    int SelEnd() const { return m_selEnd; }
    void SetSelEnd(int v);

    // Geometry (client coordinates): the thumb and the pixel of a value along the channel.
    TRect ThumbRect() const;
    int ValueToPixel(int value) const;
    int PixelToValue(int pixel) const;

    TNotifyEvent OnChange;

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void Loaded() override;

private:
    void ChannelSpan(int& first, int& last) const;
    TTrackBarOrientation m_orientation{trHorizontal};
    int m_min{0};
    int m_max{10};
    int m_position{0};
    int m_pageSize{2};
    int m_lineSize{1};
    int m_frequency{1};
    TTickMark m_tickMarks{tmBottomRight};
    TTickStyle m_tickStyle{tsAuto};
    int m_selStart{};
    int m_selEnd{};
    bool m_dragging{};
    int m_dragOffset{};
};

} // namespace tk
