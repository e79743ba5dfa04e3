// A canvas that remembers what was drawn, in the coordinates of the painted form's client area.
#pragma once

#include "toolkit/Graphics.h"

#include <vector>

struct DrawnRect {
    tk::TRect rect;
    tk::TColor fill{};
    tk::TColor outline{};
};

class RecordingCanvas : public tk::TCanvas {
public:
    std::vector<DrawnRect> fills;      // FillRect and Rectangle fills
    std::vector<DrawnRect> rectangles; // Rectangle calls with their pen
    std::vector<tk::TRect> lines;      // Line calls as (x1, y1, x2, y2)

    void Save() override { m_stack.push_back(m_origin); }
    void Restore() override {
        m_origin = m_stack.back();
        m_stack.pop_back();
    }
    void Translate(int dx, int dy) override { m_origin = {m_origin.x + dx, m_origin.y + dy}; }
    void ClipRect(const tk::TRect&) override {}
    void FillRect(const tk::TRect& r, tk::TColor color) override {
        fills.push_back({Shift(r), color, color});
    }
    void FrameRect(const tk::TRect&, tk::TColor, int) override {}
    void Line(int x1, int y1, int x2, int y2, const tk::TPen&) override {
        lines.push_back({x1 + m_origin.x, y1 + m_origin.y, x2 + m_origin.x, y2 + m_origin.y});
    }
    void Rectangle(const tk::TRect& r, const tk::TPen& pen, const tk::TBrush& brush) override {
        fills.push_back({Shift(r), brush.color, pen.color});
        rectangles.push_back({Shift(r), brush.color, pen.color});
    }
    void Ellipse(const tk::TRect&, const tk::TPen&, const tk::TBrush&) override {}
    void RoundRect(const tk::TRect&, int, int, const tk::TPen&, const tk::TBrush&) override {}
    void Polygon(const std::vector<tk::TPoint>&, const tk::TPen&, const tk::TBrush&) override {}
    void TextOut(int, int, const std::string&, const tk::TFont&) override {}
    tk::TSize TextExtent(const std::string& text, const tk::TFont&) override {
        return {static_cast<int>(text.size()) * 6, 13};
    }
    void Draw(int, int, const tk::TPicture&) override {}
    void StretchDraw(const tk::TRect&, const tk::TPicture&) override {}

private:
    tk::TRect Shift(const tk::TRect& r) const { return r.Offset(m_origin.x, m_origin.y); }
    tk::TPoint m_origin{};
    std::vector<tk::TPoint> m_stack;
};
