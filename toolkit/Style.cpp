#include "toolkit/Style.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace tk::style {

void Frame3D(TCanvas& canvas, TRect& rect, TColor topLeft, TColor bottomRight, int width) {
    for (int i = 0; i < width && !rect.Empty(); ++i) {
        TPen tl{topLeft, 1, psSolid};
        TPen br{bottomRight, 1, psSolid};
        int l = rect.left, t = rect.top, r = rect.right - 1, b = rect.bottom - 1;
        canvas.Line(l, b, l, t, tl);
        canvas.Line(l, t, r, t, tl);
        canvas.Line(r, t, r, b, br);
        canvas.Line(r, b, l - 1, b, br);
        rect = rect.Inflate(-1, -1);
    }
}

void Bevel(TCanvas& canvas, TRect& rect, TBevelCut cut, int width) {
    switch (cut) {
    case bvNone:
        return;
    case bvLowered:
        Frame3D(canvas, rect, clBtnShadow, clBtnHighlight, width);
        return;
    case bvRaised:
        Frame3D(canvas, rect, clBtnHighlight, clBtnShadow, width);
        return;
    case bvSpace:
        rect = rect.Inflate(-width, -width);
        return;
    }
}

void SunkenEdge(TCanvas& canvas, TRect& rect) {
    Frame3D(canvas, rect, clBtnShadow, clBtnHighlight, 1);
    Frame3D(canvas, rect, cl3DDkShadow, cl3DLight, 1);
}

int SingleBorder(TCanvas& canvas, TRect& rect, bool ctl3D) {
    if (ctl3D) {
        SunkenEdge(canvas, rect);
        return 2;
    }
    canvas.FrameRect(rect, clWindowFrame);
    rect = rect.Inflate(-1, -1);
    return 1;
}

void ButtonFace(TCanvas& canvas, TRect& rect, bool pressed, bool isDefault, bool flat) {
    if (isDefault) {
        canvas.FrameRect(rect, cl3DDkShadow);
        rect = rect.Inflate(-1, -1);
    }
    if (flat && !pressed) {
        canvas.FillRect(rect, clBtnFace);
        return;
    }
    if (pressed) {
        if (flat) {
            Frame3D(canvas, rect, clBtnShadow, clBtnHighlight, 1);
        } else {
            canvas.FrameRect(rect, clBtnShadow);
            rect = rect.Inflate(-1, -1);
        }
    } else {
        Frame3D(canvas, rect, clBtnHighlight, cl3DDkShadow, 1);
        Frame3D(canvas, rect, cl3DLight, clBtnShadow, 1);
    }
    canvas.FillRect(rect, clBtnFace);
}

void CheckBox(TCanvas& canvas, const TRect& box, bool checked, bool enabled, bool grayed) {
    TRect r = box;
    SunkenEdge(canvas, r);
    canvas.FillRect(r, enabled && !grayed ? clWindow : clBtnFace);
    if (!checked) return;
    TPen pen{enabled && !grayed ? clWindowText : clGrayText, 1, psSolid};
    // The classic check mark: a 7-pixel wide tick, three pixels thick.
    int x = r.left + 1, y = r.top + 3;
    for (int i = 0; i < 3; ++i) {
        canvas.Line(x + 0, y + 2 + i, x + 2, y + 4 + i, pen);
        canvas.Line(x + 2, y + 4 + i, x + 7, y - 1 + i, pen);
    }
}

void RadioButton(TCanvas& canvas, const TRect& box, bool checked, bool enabled) {
    TRect outer = {box.left, box.top, box.left + 12, box.top + 12};
    canvas.Ellipse(outer, TPen{clBtnShadow, 1, psSolid}, TBrush{clBtnHighlight, bsSolid});
    TRect inner = outer.Inflate(-1, -1);
    canvas.Ellipse(inner, TPen{cl3DDkShadow, 1, psSolid}, TBrush{enabled ? clWindow : clBtnFace, bsSolid});
    if (checked) {
        TColor dot = enabled ? clWindowText : clGrayText;
        canvas.Ellipse(Bounds(outer.left + 4, outer.top + 4, 4, 4), TPen{dot, 1, psSolid},
                       TBrush{dot, bsSolid});
    }
}

void FocusRect(TCanvas& canvas, const TRect& rect) {
    if (rect.Empty()) return;
    TPen dots{clBlack, 1, psDot};
    canvas.Line(rect.left, rect.top, rect.right - 1, rect.top, dots);
    canvas.Line(rect.right - 1, rect.top, rect.right - 1, rect.bottom - 1, dots);
    canvas.Line(rect.right - 1, rect.bottom - 1, rect.left, rect.bottom - 1, dots);
    canvas.Line(rect.left, rect.bottom - 1, rect.left, rect.top, dots);
}

void GroupFrame(TCanvas& canvas, const TRect& rect, int captionLeft, int captionWidth) {
    TRect shadow{rect.left, rect.top, rect.right - 1, rect.bottom - 1};
    TRect light{rect.left + 1, rect.top + 1, rect.right, rect.bottom};
    canvas.FrameRect(light, clBtnHighlight);
    canvas.FrameRect(shadow, clBtnShadow);
    if (captionWidth > 0)
        canvas.FillRect(
            {rect.left + captionLeft, rect.top, rect.left + captionLeft + captionWidth, rect.top + 2},
            clBtnFace);
}

static std::vector<std::string> Lines(const std::string& text, const TFont& font, bool wordWrap,
                                      int maxWidth) {
    std::vector<std::string> lines;
    std::string current;
    auto flush = [&] {
        lines.push_back(current);
        current.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') continue;
        if (c == '\n') {
            flush();
            continue;
        }
        current += c;
        if (wordWrap && maxWidth > 0 && c != ' ' &&
            MeasureText(StripAccelerator(current), font).cx > maxWidth) {
            std::size_t space = current.rfind(' ');
            if (space != std::string::npos && space > 0) {
                std::string rest = current.substr(space + 1);
                current.erase(space);
                flush();
                current = rest;
            }
        }
    }
    flush();
    return lines;
}

static TSize LinesExtent(const std::vector<std::string>& lines, const TFont& font) {
    TSize total{};
    for (const std::string& line : lines) {
        TSize ext = MeasureText(line.empty() ? std::string(" ") : StripAccelerator(line), font);
        if (line.empty()) ext.cx = 0;
        total.cx = std::max(total.cx, ext.cx);
        total.cy += ext.cy;
    }
    return total;
}

TSize CaptionExtent(const std::string& caption, const TFont& font, bool wordWrap, int maxWidth) {
    return LinesExtent(Lines(caption, font, wordWrap, maxWidth), font);
}

void CaptionText(TCanvas& canvas, const TRect& rect, const std::string& caption, const TFont& font,
                 TAlignment alignment, TextLayout layout, bool enabled, bool wordWrap) {
    if (caption.empty()) return;
    // Broken into lines once: a scale label over a meter is drawn again with every lamp beneath it.
    std::vector<std::string> lines = Lines(caption, font, wordWrap, rect.Width());
    TSize total = LinesExtent(lines, font);
    int y = rect.top;
    if (layout == TextLayout::Center)
        y = rect.top + (rect.Height() - total.cy) / 2;
    else if (layout == TextLayout::Bottom)
        y = rect.bottom - total.cy;
    canvas.Save();
    canvas.ClipRect(rect);
    for (const std::string& line : lines) {
        std::string shown = StripAccelerator(line);
        TSize ext = MeasureText(shown.empty() ? std::string(" ") : shown, font);
        int width = shown.empty() ? 0 : ext.cx;
        int x = rect.left;
        if (alignment == taCenter)
            x = rect.left + (rect.Width() - width) / 2;
        else if (alignment == taRightJustify)
            x = rect.right - width;
        auto draw = [&](int dx, int dy, TColor color) {
            TFont f = font;
            f.SetColor(color);
            canvas.TextOut(x + dx, y + dy, shown, f);
            int accel = AcceleratorIndex(line);
            if (accel >= 0 && accel < static_cast<int>(shown.size())) {
                std::size_t len = 1;
                while (accel + len < shown.size() &&
                       (static_cast<unsigned char>(shown[accel + len]) & 0xC0) == 0x80)
                    ++len;
                int ux = MeasureText(shown.substr(0, static_cast<std::size_t>(accel)), f).cx;
                int uw = MeasureText(shown.substr(static_cast<std::size_t>(accel), len), f).cx;
                int uy = y + dy + ext.cy - 2;
                canvas.Line(x + dx + ux, uy, x + dx + ux + uw, uy, TPen{color, 1, psSolid});
            }
        };
        if (enabled) {
            draw(0, 0, font.Color());
        } else {
            draw(1, 1, clBtnHighlight);
            draw(0, 0, clBtnShadow);
        }
        y += ext.cy;
    }
    canvas.Restore();
}

} // namespace tk::style
