// Fonts, pens, brushes, pictures and the abstract canvas every control paints through.
#pragma once

#include "toolkit/Types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tk {

class TObject {
public:
    virtual ~TObject() = default;
    virtual std::string ClassName() const { return "TObject"; }
};

// A value type: controls copy fonts; ParentFont controls follow their parent's.
class TFont {
public:
    const std::string& Name() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    // Negative: character height in pixels (the classic form files' way); positive: cell height.
    int Height() const { return m_height; }
    void SetHeight(int height) { m_height = height; }
    // Points at 96 pixels per inch.
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return m_style; }
    void SetStyle(TFontStyles style) { m_style = style; }
    TColor Color() const { return m_color; }
    void SetColor(TColor color) { m_color = color; }
    int Charset() const { return m_charset; }
    void SetCharset(int charset) { m_charset = charset; }
    // Character height in pixels, whichever way Height is given.
    int PixelHeight() const;

    bool operator==(const TFont&) const = default;

private:
    std::string m_name{"MS Sans Serif"};
    int m_height{-11};
    TFontStyles m_style{};
    TColor m_color{clWindowText};
    int m_charset{1};
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

struct TPen {
    TColor color{clBlack};
    int width{1};
    TPenStyle style{psSolid};
    bool operator==(const TPen&) const = default;
};

struct TBrush {
    TColor color{clWhite};
    TBrushStyle style{bsSolid};
    bool operator==(const TBrush&) const = default;
};

// A picture as 32-bit ARGB pixels, row by row.
class TPicture {
public:
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Empty() const { return m_width == 0 || m_height == 0; }
    const std::vector<std::uint32_t>& Pixels() const { return m_pixels; }
    void Assign(int width, int height, std::vector<std::uint32_t> argb);
    void Clear() { Assign(0, 0, {}); }
    // A picture read from a BMP file image (1, 4, 8, 24 or 32 bits per pixel); false for anything else.
    bool LoadFromBmp(const std::vector<std::uint8_t>& bytes);
    bool operator==(const TPicture&) const = default;

private:
    int m_width{};
    int m_height{};
    std::vector<std::uint32_t> m_pixels;
};

// Painting surface. The framework hands a control a canvas already translated to the control's top
// left corner and clipped to its rectangle; colours may be system colours.
class TCanvas {
public:
    virtual ~TCanvas() = default;

    virtual void Save() = 0;
    virtual void Restore() = 0;
    virtual void Translate(int dx, int dy) = 0;
    // Intersects the clip with r (in current coordinates).
    virtual void ClipRect(const TRect& r) = 0;
    // True when nothing drawn inside r (current coordinates) can show through the clip, so painting
    // there may be skipped. A canvas that cannot tell says false.
    virtual bool ClipExcludes(const TRect&) const { return false; }
    // The clip as rectangles in current coordinates, put into out; their number, or nothing when
    // the canvas cannot tell or they do not fit.
    virtual std::optional<std::size_t> ClipRects(std::span<TRect>) const { return std::nullopt; }

    virtual void FillRect(const TRect& r, TColor color) = 0;
    // One-pixel (or width) outline inside r.
    virtual void FrameRect(const TRect& r, TColor color, int width = 1) = 0;
    // From (x1, y1) to (x2, y2), last pixel excluded as the classic LineTo does.
    virtual void Line(int x1, int y1, int x2, int y2, const TPen& pen) = 0;
    virtual void Rectangle(const TRect& r, const TPen& pen, const TBrush& brush) = 0;
    virtual void Ellipse(const TRect& r, const TPen& pen, const TBrush& brush) = 0;
    virtual void RoundRect(const TRect& r, int rx, int ry, const TPen& pen, const TBrush& brush) = 0;
    virtual void Polygon(const std::vector<TPoint>& points, const TPen& pen, const TBrush& brush) = 0;
    // Text with its top left corner at (x, y); "&" is not interpreted here.
    virtual void TextOut(int x, int y, const std::string& text, const TFont& font) = 0;
    virtual TSize TextExtent(const std::string& text, const TFont& font) = 0;
    virtual void Draw(int x, int y, const TPicture& picture) = 0;
    virtual void StretchDraw(const TRect& r, const TPicture& picture) = 0;

    // Convenience on top of the primitives.
    int TextWidth(const std::string& text, const TFont& font) { return TextExtent(text, font).cx; }
    int TextHeight(const std::string& text, const TFont& font) { return TextExtent(text, font).cy; }
};

// Text measuring without a canvas (auto-sized labels, group box captions): pango's layout unless a
// host replaces it.
using TextMeasurer = std::function<TSize(const std::string& text, const TFont& font)>;
void SetTextMeasurer(TextMeasurer measurer);
TSize MeasureText(const std::string& text, const TFont& font);

// Caption helpers for "&" accelerators: "&&" shows one ampersand, "&x" underlines x.
std::string StripAccelerator(const std::string& caption);
// Index in the stripped text of the underlined character, or -1.
int AcceleratorIndex(const std::string& caption);

} // namespace tk
