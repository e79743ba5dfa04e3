// The canvas on cairo (with pango for text), and off-screen rendering of forms to PNG files.
#pragma once

#include "toolkit/Graphics.h"

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tk {

class TForm;

// Owning handles for cairo's surfaces and contexts.
struct CairoSurfaceFree {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceFree>;
struct CairoContextFree {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using CairoContext = std::unique_ptr<cairo_t, CairoContextFree>;

class TCairoCanvas : public TCanvas {
public:
    // Draws on cr (not owned); the caller's transformation is the canvas's origin.
    explicit TCairoCanvas(cairo_t* cr);
    ~TCairoCanvas() override;
    // On (the default), canvases made afterwards write the pixels of whole-pixel fills and composite kept
    // text themselves where they can; off, everything is drawn through cairo (what they are checked by).
    static void UseDirectPixels(bool on);

    void Save() override;
    void Restore() override;
    void Translate(int dx, int dy) override;
    void ClipRect(const TRect& r) override;
    bool ClipExcludes(const TRect& r) const override;
    std::optional<std::size_t> ClipRects(std::span<TRect> out) const override;
    void FillRect(const TRect& r, TColor color) override;
    void FrameRect(const TRect& r, TColor color, int width = 1) override;
    void Line(int x1, int y1, int x2, int y2, const TPen& pen) override;
    void Rectangle(const TRect& r, const TPen& pen, const TBrush& brush) override;
    void Ellipse(const TRect& r, const TPen& pen, const TBrush& brush) override;
    void RoundRect(const TRect& r, int rx, int ry, const TPen& pen, const TBrush& brush) override;
    void Polygon(const std::vector<TPoint>& points, const TPen& pen, const TBrush& brush) override;
    void TextOut(int x, int y, const std::string& text, const TFont& font) override;
    TSize TextExtent(const std::string& text, const TFont& font) override;
    void Draw(int x, int y, const TPicture& picture) override;
    void StretchDraw(const TRect& r, const TPicture& picture) override;

private:
    // Where painting stands on an image surface drawn at whole pixels: the translation to device pixels
    // and the clip as disjoint device rectangles (a range of m_clips). Kept by the canvas itself, so
    // skipping a control and filling a rectangle need no cairo call; cairo gets the state only when
    // it draws (Realize).
    struct State {
        int dx{};
        int dy{};
        std::size_t begin{};
        std::size_t end{};
        std::size_t mark{}; // m_clips' size when the state was saved: what Restore drops
    };
    bool Exact() const { return m_pixels != nullptr; }
    // Gives the context the current state for drawing through cairo; false when the clip is empty,
    // so nothing drawn can show.
    bool Realize();
    void Unrealize();
    // Fills r (device coordinates) within the clip, as cairo fills an opaque colour at whole pixels.
    void FillDevice(const TRect& r, std::uint32_t pixel);
    // An opaque rectangle in current coordinates (not empty), whatever the colour.
    void Fill(const TRect& r, TColor color);
    void SetColor(TColor color);
    // Fills the current path with the brush, then outlines it with the pen; clears the path.
    void FillAndStroke(const TPen& pen, const TBrush& brush, double width);
    cairo_t* m_cr;
    int m_saves{}; // open Save()s, undone at the end when a paint threw halfway
    // The rectangles the caller's clip was made of, in device coordinates (a window's damage); empty
    // when the clip was no list of rectangles.
    std::vector<TRect> m_damage;
    // The image's pixels while the canvas keeps its own state; null when it draws through cairo only
    // (another transformation, another surface, a clip that is no list of whole-pixel rectangles).
    std::uint32_t* m_pixels{};
    int m_stride{}; // in pixels
    std::vector<State> m_states;
    std::vector<TRect> m_clips;
    bool m_realized{};
    bool m_written{}; // pixels written that cairo was not told of
};

// The family a classic font name is drawn with ("Arial", "MS Sans Serif" -> Liberation Sans, ...).
std::string MapFontFamily(const std::string& name);
// Text in the "Symbol" font as the Unicode characters it shows.
std::string MapSymbolText(const std::string& text);
// Text size as pango lays it out (what MeasureText uses unless replaced).
TSize PangoTextExtent(const std::string& text, const TFont& font);

// Renders the form without a display: with its classic frame and caption bar, or the client area only.
struct TRenderedImage {
    int width{};
    int height{};
    std::vector<std::uint32_t> argb; // row by row
    std::uint32_t Pixel(int x, int y) const { return argb.at(static_cast<std::size_t>(y * width + x)); }
};
TRenderedImage RenderForm(TForm& form, bool withFrame = true);
// False (with nothing written) when the file cannot be written.
bool RenderFormToPng(TForm& form, const std::string& path, bool withFrame = true);

} // namespace tk
