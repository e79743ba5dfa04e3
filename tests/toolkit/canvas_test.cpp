// The canvas's own fills and kept text against cairo drawing everything: the same pixels.
#include "image_pixels.h"
#include "toolkit/CairoCanvas.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/ScrollBox.h"
#include "toolkit/StdCtrls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using namespace tk;

namespace {

// An image with a pattern in it, so that what a paint leaves alone is seen too.
struct Image {
    CairoSurface surface;
    CairoContext cr;
    // fresh: as cairo makes it, which it knows to be clear.
    Image(cairo_format_t format, int w, int h, bool fresh = false)
        : surface(cairo_image_surface_create(format, w, h)), cr(cairo_create(surface.get())) {
        if (fresh) return;
        cairo_surface_flush(surface.get());
        auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface.get()));
        int stride = cairo_image_surface_get_stride(surface.get()) / 4;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                data[y * stride + x] = 0xFF000000u | static_cast<std::uint32_t>((x * 7 + y * 13) % 256) << 8 |
                                       static_cast<std::uint32_t>((x * y) % 256);
        cairo_surface_mark_dirty(surface.get());
    }
    std::vector<std::uint32_t> Pixels() { return ImagePixels(surface.get()); }
};

// The same paint once with the canvas's own pixel work and once through cairo alone; the context is set
// up (clip, translation) by prepare before each.
void ExpectSamePixels(cairo_format_t format, int w, int h, const std::function<void(cairo_t*)>& prepare,
                      const std::function<void(TCanvas&)>& paint, const std::string& what,
                      bool fresh = false) {
    Image direct(format, w, h, fresh), plain(format, w, h, fresh);
    prepare(direct.cr.get());
    prepare(plain.cr.get());
    {
        TCairoCanvas canvas(direct.cr.get());
        paint(canvas);
    }
    TCairoCanvas::UseDirectPixels(false);
    {
        TCairoCanvas canvas(plain.cr.get());
        paint(canvas);
    }
    TCairoCanvas::UseDirectPixels(true);
    std::vector<std::uint32_t> a = direct.Pixels(), b = plain.Pixels();
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], b[i]) << what << ": pixel " << i % static_cast<std::size_t>(w) << ","
                              << i / static_cast<std::size_t>(w);
}

void ClipTo(cairo_t* cr, const std::vector<TRect>& rects) {
    for (const TRect& r : rects)
        cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_clip(cr);
}

// A control's rectangle in its form's client area.
TRect InForm(const TControl& c) {
    TPoint o = c.FormOrigin();
    return Bounds(o.x, o.y, c.Width(), c.Height());
}

// A meter strip as the mixer windows build it: lamps in a lowered panel inside a panel inside a scroll
// box, with transparent scale labels lying over them.
struct Strips {
    TOwned<TForm> form = Make<TForm>();
    TScrollBox* box{};
    std::vector<TShape*> lamps;
    std::vector<TLabel*> scales;

    Strips() {
        form->SetClientWidth(200);
        form->SetClientHeight(180);
        box = New<TScrollBox>(form.get());
        box->SetParent(form.get());
        box->SetBounds(4, 4, 150, 170);
        for (int s = 0; s < 3; ++s) {
            auto* outer = New<TPanel>(form.get());
            outer->SetParent(box);
            outer->SetBounds(s * 70, 0, 66, 160);
            outer->SetBevelOuter(bvRaised);
            auto* inner = New<TPanel>(form.get());
            inner->SetParent(outer);
            inner->SetBounds(6, 6, 28, 140);
            inner->SetBevelOuter(bvLowered);
            inner->SetColor(clBlack);
            for (int i = 0; i < 24; ++i) {
                auto* lamp = New<TShape>(form.get());
                lamp->SetParent(inner);
                lamp->SetBounds(6, 4 + i * 5, 16, 6);
                lamp->SetBrushColor(i % 3 ? clLime : clGreen);
                lamps.push_back(lamp);
            }
            for (int i = 0; i < 4; ++i) {
                auto* scale = New<TLabel>(form.get());
                scale->SetParent(outer);
                scale->SetTransparent(true);
                scale->SetCaption(i % 2 ? "- - - - - - -" : "-20 dB");
                scale->SetBounds(2, 10 + i * 33, 60, 13);
                TFont f = scale->Font();
                f.SetName("Arial");
                f.SetHeight(-9);
                f.SetColor(i == 3 ? clYellow : clWhite);
                scale->SetFont(f);
                scales.push_back(scale);
            }
        }
    }
};

} // namespace

TEST(CanvasPixels, FormsPaintAlikeWholeAndClippedToDamageOnBothImageFormats) {
    Strips s;
    s.box->HorzScrollBar().SetPosition(37); // the first strip partly scrolled out of view
    TRect lampInForm = InForm(*s.lamps[30]);
    const std::vector<std::vector<TRect>> damages = {
        {},           // the whole image
        {lampInForm}, // one lamp under a scale label
        {lampInForm.Offset(-3, -2),
         {10, 10, 20, 150},   // partly inside a control, across nested panels
         {120, 0, 200, 40}},  // and the scroll box's edge
        {{0, 160, 200, 180}}, // the scroll bar
    };
    for (cairo_format_t format : {CAIRO_FORMAT_ARGB32, CAIRO_FORMAT_RGB24})
        for (std::size_t d = 0; d < damages.size(); ++d)
            for (TPoint origin : {TPoint{0, 0}, TPoint{11, 7}}) {
                auto prepare = [&](cairo_t* cr) {
                    cairo_translate(cr, origin.x, origin.y);
                    if (!damages[d].empty()) ClipTo(cr, damages[d]);
                };
                ExpectSamePixels(
                    format, 220, 200, prepare, [&](TCanvas& c) { s.form->PaintClient(c); },
                    "damage " + std::to_string(d) + " origin " + std::to_string(origin.x));
            }
}

TEST(CanvasPixels, KeptTextCompositesLikePangoDrawingItAtManyOffsetsColoursAndClips) {
    TFont scale;
    scale.SetName("Arial");
    scale.SetHeight(-9);
    TFont italic = scale;
    italic.SetStyle(fsItalic);
    italic.SetHeight(-11);
    TFont bold;
    bold.SetStyle(fsBold);
    const std::string texts[] = {"- - - - - - - - - -", "-20 dB", "Ana. 1-2", "0", "KRV Dig. Input", "Wf"};
    const TColor colours[] = {clWhite, clYellow, clBlack, clBtnText};
    // Offsets as nested and scrolled controls give them, negative ones included; drawn twice at each, the
    // second time from the kept mask over the first.
    const TPoint offsets[] = {{0, 0}, {8, 207}, {-5, 3}, {13, -4}, {121, 3}};
    const std::vector<TRect> clips[] = {{}, {{10, 5, 25, 10}}, {{0, 0, 7, 240}, {30, 8, 90, 12}}};
    int n = 0;
    for (const TFont& base : {scale, italic, bold})
        for (const std::string& text : texts)
            for (const TPoint& o : offsets) {
                TFont font = base;
                font.SetColor(colours[n % 4]);
                const std::vector<TRect>& clip = clips[n++ % 3];
                auto prepare = [&](cairo_t* cr) {
                    if (!clip.empty()) ClipTo(cr, clip);
                    cairo_translate(cr, o.x, o.y);
                };
                ExpectSamePixels(
                    CAIRO_FORMAT_RGB24, 200, 240, prepare,
                    [&](TCanvas& c) {
                        c.TextOut(2, 3, text, font);
                        c.Save();
                        c.Translate(1, 0);
                        c.ClipRect({0, 0, 40, 14});
                        c.TextOut(2, 3, text, font);
                        c.Restore();
                    },
                    text + " at " + std::to_string(o.x) + "," + std::to_string(o.y));
            }
}

TEST(CanvasPixels, PrimitivesAlikeIncludingThinFramesSlantedLinesAndEmptyClips) {
    auto paint = [](TCanvas& c) {
        c.FillRect({-4, -4, 30, 9}, clRed);
        c.TextOut(2, -2, "Wf", TFont{}); // over pixels cairo did not write
        c.FrameRect({5, 5, 45, 25}, clNavy, 2);
        c.FrameRect({50, 5, 53, 40}, clTeal, 2);  // narrower than its two sides
        c.FrameRect({60, 5, 90, 6}, clMaroon, 1); // one pixel high
        c.Line(5, 30, 60, 30, TPen{clBlack, 3, psSolid});
        c.Line(60, 32, 5, 32, TPen{clBlue, 1, psSolid}); // drawn backwards
        c.Line(70, 40, 70, 10, TPen{clGreen, 2, psSolid});
        c.Line(5, 40, 60, 70, TPen{clPurple, 1, psSolid});
        c.Line(5, 45, 60, 45, TPen{clOlive, 1, psDot});
        c.Rectangle({10, 50, 40, 70}, TPen{clBlack, 1, psSolid}, TBrush{clAqua, bsSolid});
        c.Ellipse({45, 50, 75, 70}, TPen{clBlack, 1, psSolid}, TBrush{clFuchsia, bsSolid});
        c.Save();
        c.Translate(20, 3);
        c.ClipRect({0, 0, 10, 10});
        c.FillRect({-5, -5, 50, 50}, clLime);
        c.ClipRect({20, 20, 30, 30}); // nothing left of the clip
        c.FillRect({-5, -5, 50, 50}, clWhite);
        c.TextOut(0, 0, "unseen", TFont{});
        EXPECT_TRUE(c.ClipExcludes({-100, -100, 100, 100}));
        c.Restore();
        c.FillRect({85, 60, 120, 90}, clGray);
    };
    for (cairo_format_t format : {CAIRO_FORMAT_ARGB32, CAIRO_FORMAT_RGB24}) {
        ExpectSamePixels(
            format, 100, 80, [](cairo_t*) {}, paint, "unclipped");
        ExpectSamePixels(
            format, 100, 80,
            [](cairo_t* cr) {
                ClipTo(cr, {{0, 0, 33, 33}, {40, 28, 100, 62}});
            },
            paint, "clipped");
    }
}

TEST(CanvasPixels, AClipThatIsNoListOfRectanglesStillClipsAndPaints) {
    Strips s;
    const int w = 200, h = 180;
    Image full(CAIRO_FORMAT_RGB24, w, h), round(CAIRO_FORMAT_RGB24, w, h);
    {
        TCairoCanvas canvas(full.cr.get());
        s.form->PaintClient(canvas);
    }
    Image before(CAIRO_FORMAT_RGB24, w, h);
    cairo_arc(round.cr.get(), 60, 60, 40, 0, 2 * M_PI);
    cairo_clip(round.cr.get());
    {
        TCairoCanvas canvas(round.cr.get());
        s.form->PaintClient(canvas);
    }
    std::vector<std::uint32_t> a = full.Pixels(), b = round.Pixels(), untouched = before.Pixels();
    int inside = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double r = std::hypot(x + 0.5 - 60, y + 0.5 - 60);
            std::size_t i = static_cast<std::size_t>(y * w + x);
            if (r < 38) {
                ASSERT_EQ(b[i], a[i]) << x << "," << y;
                ++inside;
            } else if (r > 42) {
                ASSERT_EQ(b[i], untouched[i]) << x << "," << y;
            }
        }
    EXPECT_GT(inside, 4000);
}

TEST(CanvasPixels, SkippedControlsAreTheOnesTheDamageMisses) {
    Strips s;
    Image image(CAIRO_FORMAT_RGB24, 200, 180);
    ClipTo(image.cr.get(), {InForm(*s.lamps[5])});
    TPaintActivity before = ReadPaintActivity();
    {
        TCairoCanvas canvas(image.cr.get());
        s.form->PaintClient(canvas);
    }
    // The scroll box, the strip's two panels, the lamp and the one above it (their outlines overlap by
    // a pixel; lamp 5 covers the row it shares with the one below); no scale label lies on lamp 5.
    EXPECT_EQ(ReadPaintActivity().controlsPainted - before.controlsPainted, 5u);
}

TEST(CanvasPixels, WhatOpaqueControlsHideIsNotPaintedAndThePixelsStayTheSame) {
    TOwned<TForm> form = Make<TForm>();
    form->SetClientWidth(200);
    form->SetClientHeight(120);
    // Below the panel: a label, as a meter's scale lines lie under its lamps.
    auto* under = New<TLabel>(form.get());
    under->SetParent(form.get());
    under->SetTransparent(false);
    under->SetCaption("- - - - - - - - - -");
    under->SetBounds(0, 20, 200, 14);
    auto* panel = New<TPanel>(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(20, 10, 120, 90);
    panel->SetBevelOuter(bvSpace);
    panel->SetBevelWidth(3);
    panel->SetColor(clNavy);
    // Above it, three that do not cover what they own: nothing below them may be left out.
    auto* glass = New<TLabel>(form.get());
    glass->SetParent(panel);
    glass->SetTransparent(true);
    glass->SetCaption("glass");
    glass->SetBounds(10, 10, 50, 20);
    auto* ellipse = New<TShape>(form.get());
    ellipse->SetParent(panel);
    ellipse->SetShape(stEllipse);
    ellipse->SetBounds(10, 40, 40, 30);
    auto* dashed = New<TShape>(form.get());
    dashed->SetParent(panel);
    dashed->SetBounds(70, 40, 30, 30);
    dashed->SetPen(TPen{clRed, 1, psDash});
    auto* lamp = New<TShape>(form.get());
    lamp->SetParent(panel);
    lamp->SetBounds(70, 10, 30, 20);
    ASSERT_TRUE(lamp->ControlStyle() & csOpaque);
    ASSERT_FALSE(glass->ControlStyle() & csOpaque);
    ASSERT_FALSE(ellipse->ControlStyle() & csOpaque);
    ASSERT_FALSE(dashed->ControlStyle() & csOpaque);

    auto painted = [&](const std::vector<TRect>& damage) {
        Image image(CAIRO_FORMAT_RGB24, 200, 120);
        ClipTo(image.cr.get(), damage);
        TPaintActivity before = ReadPaintActivity();
        TCairoCanvas canvas(image.cr.get());
        form->PaintClient(canvas);
        return ReadPaintActivity().controlsPainted - before.controlsPainted;
    };
    TRect inLamp = InForm(*lamp).Inflate(-2, -2);
    // Only the lamp: the panel under it and the label under the panel are left out.
    EXPECT_EQ(painted({inLamp}), 2u);
    // The panel's space bevel, over the label: it is the panel's colour, so the label is hidden too.
    EXPECT_EQ(painted({{21, 22, 23, 30}}), 1u);
    // Where the panel ends the label shows, and it is painted.
    EXPECT_EQ(painted({{15, 22, 25, 30}}), 2u);
    // Two pieces of damage: each must be hidden for the label to be left out.
    EXPECT_EQ(painted({inLamp, {125, 22, 135, 30}}), 2u);
    EXPECT_EQ(painted({inLamp, {5, 25, 10, 30}}), 3u);

    const std::vector<std::vector<TRect>> damages = {
        {inLamp},
        {InForm(*glass).Inflate(-1, -1)},
        {InForm(*ellipse)},
        {InForm(*dashed).Inflate(-1, -1)},
        {{21, 22, 23, 30}},
        {{15, 22, 25, 30}},
        {inLamp, {5, 25, 10, 30}, {100, 60, 150, 110}},
    };
    for (std::size_t d = 0; d < damages.size(); ++d)
        ExpectSamePixels(
            CAIRO_FORMAT_RGB24, 200, 120, [&](cairo_t* cr) { ClipTo(cr, damages[d]); },
            [&](TCanvas& c) { form->PaintClient(c); }, "damage " + std::to_string(d));
}

TEST(Rects, EmptyOrInvertedRectanglesMeetNothing) {
    const TRect box{0, 0, 10, 10};
    EXPECT_TRUE(box.Intersects({9, 9, 20, 20}));
    EXPECT_FALSE(box.Intersects({10, 0, 20, 10})); // touching edges do not meet
    EXPECT_FALSE(box.Intersects({5, 5, 5, 8}));    // empty, inside
    EXPECT_FALSE(box.Intersects({8, 2, 3, 6}));    // inverted, across
    EXPECT_FALSE(TRect({8, 2, 3, 6}).Intersects(box));
    EXPECT_TRUE(box.Covers({2, 2, 10, 10}));
    EXPECT_FALSE(box.Covers({2, 2, 11, 10}));
}
