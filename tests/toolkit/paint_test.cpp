#include "image_pixels.h"
#include "toolkit/Buttons.h"
#include "toolkit/CairoCanvas.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/ScrollBox.h"
#include "toolkit/StdCtrls.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tk;

namespace {

// A form with one of every standard control, laid out on a grid.
struct Gallery {
    TOwned<TForm> form = Make<TForm>();
    TShape* shape{};
    TLabel* label{};
    TCheckBox* check{};
    TPanel* panel{};

    Gallery() {
        form->SetCaption("Gallery");
        form->SetBorderStyle(bsSingle);
        form->SetClientWidth(420);
        form->SetClientHeight(300);
        auto place = [&](TControl* c, int l, int t, int w, int h) {
            c->SetParent(form.get());
            c->SetBounds(l, t, w, h);
        };
        panel = New<TPanel>(form.get());
        panel->SetBevelInner(bvRaised);
        panel->SetBevelOuter(bvLowered);
        panel->SetCaption("Panel");
        place(panel, 8, 8, 120, 40);
        label = New<TLabel>(form.get());
        label->SetCaption("&Label text");
        place(label, 140, 8, 80, 13);
        label->SetAutoSize(true);
        auto* button = New<TButton>(form.get());
        button->SetCaption("OK");
        button->SetDefault(true);
        place(button, 140, 26, 75, 25);
        check = New<TCheckBox>(form.get());
        check->SetCaption("Check box");
        check->SetChecked(true);
        place(check, 230, 8, 100, 17);
        auto* radio = New<TRadioButton>(form.get());
        radio->SetCaption("Radio");
        radio->SetChecked(true);
        place(radio, 230, 30, 100, 17);
        auto* speed = New<TSpeedButton>(form.get());
        speed->SetCaption("Ana 1-2");
        speed->SetGroupIndex(1);
        speed->SetDown(true);
        place(speed, 340, 8, 53, 17);
        auto* group = New<TGroupBox>(form.get());
        group->SetCaption(" Group ");
        place(group, 8, 56, 120, 60);
        auto* bevel = New<TBevel>(form.get());
        bevel->SetShape(bsTopLine);
        place(bevel, 140, 60, 120, 2);
        shape = New<TShape>(form.get());
        shape->SetBrushColor(clLime);
        place(shape, 270, 60, 16, 6);
        auto* image = New<TImage>(form.get());
        TPicture picture;
        picture.Assign(4, 4, std::vector<std::uint32_t>(16, 0xFFFF0000u));
        image->SetPicture(picture);
        place(image, 300, 60, 4, 4);
        auto* edit = New<TEdit>(form.get());
        edit->SetText("Edit");
        place(edit, 140, 70, 121, 21);
        auto* combo = New<TComboBox>(form.get());
        combo->SetItems({"44100", "48000"});
        combo->SetItemIndex(1);
        place(combo, 270, 70, 100, 21);
        auto* track = New<TTrackBar>(form.get());
        track->SetMax(10);
        track->SetPosition(3);
        place(track, 8, 124, 150, 45);
        auto* scroll = New<TScrollBox>(form.get());
        place(scroll, 170, 124, 150, 60);
        auto* wide = New<TPanel>(form.get());
        wide->SetParent(scroll);
        wide->SetBounds(0, 0, 300, 20);
        auto* pages = New<TPageControl>(form.get());
        place(pages, 8, 190, 250, 100);
        for (const char* caption : {"Takt", "Optionen"}) {
            auto* sheet = New<TTabSheet>(form.get());
            sheet->SetCaption(caption);
            sheet->SetPageControl(pages);
        }
    }
};

int DarkPixels(const TRenderedImage& image, const TRect& r) {
    int dark = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            std::uint32_t p = image.Pixel(x, y);
            if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 200) ++dark;
        }
    return dark;
}

} // namespace

TEST(Painting, RendersAFormWithEveryStandardControl) {
    Gallery g;
    std::string path = ::testing::TempDir() + "gallery.png";
    ASSERT_TRUE(RenderFormToPng(*g.form, path));
    TRenderedImage frame = RenderForm(*g.form, true);
    EXPECT_EQ(frame.width, g.form->Width());
    EXPECT_EQ(frame.height, g.form->Height());
    TRenderedImage image = RenderForm(*g.form, false);
    ASSERT_EQ(image.width, 420);
    // The shape's fill, the picture, the button face and the panel's raised bevel.
    EXPECT_EQ(image.Pixel(278, 63) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(image.Pixel(301, 61) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(image.Pixel(8, 8) & 0xFFFFFF, 0x808080u);   // outer lowered bevel: shadow at top left
    EXPECT_EQ(image.Pixel(9, 9) & 0xFFFFFF, 0xFFFFFFu);   // inner raised bevel: highlight
    EXPECT_EQ(image.Pixel(60, 30) & 0xFFFFFF, 0xC0C0C0u); // face
    // Text is drawn where the captions are.
    EXPECT_GT(DarkPixels(image, g.label->BoundsRect()), 15);
    EXPECT_GT(DarkPixels(image, g.check->BoundsRect()), 15);
    EXPECT_GT(DarkPixels(image, g.panel->BoundsRect().Inflate(-3, -3)), 15);
    // The edit field's window colour.
    EXPECT_EQ(image.Pixel(250, 80) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(Painting, AChangeInvalidatesOnlyThatControlsRectangle) {
    Gallery g;
    g.form->TakeDirtyRects();
    g.shape->SetBrushColor(clRed);
    std::vector<TRect> dirty = g.form->TakeDirtyRects();
    ASSERT_EQ(dirty.size(), 1u);
    EXPECT_EQ(dirty[0], g.shape->BoundsRect());
    g.shape->SetBrushColor(clRed); // no change, nothing to repaint
    EXPECT_TRUE(g.form->DirtyRects().empty());
    // A control inside a panel reports in the form's client coordinates.
    auto* inner = New<TShape>(g.form.get());
    inner->SetParent(g.panel);
    inner->SetBounds(4, 4, 10, 10);
    g.form->TakeDirtyRects();
    inner->SetPenColor(clBlue);
    dirty = g.form->TakeDirtyRects();
    ASSERT_EQ(dirty.size(), 1u);
    EXPECT_EQ(dirty[0], Bounds(12, 12, 10, 10));
    // The host hears about it too.
    std::vector<TRect> told;
    g.form->OnInvalidate = [&](TForm*, const TRect& r) { told.push_back(r); };
    g.check->SetChecked(false);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], g.check->BoundsRect());
}

TEST(Painting, SymbolFontTextBecomesUnicodeAndFontsMapToLiberation) {
    EXPECT_EQ(MapFontFamily("Arial"), "Liberation Sans");
    EXPECT_EQ(MapFontFamily("MS Sans Serif"), "Liberation Sans");
    EXPECT_EQ(MapFontFamily("Courier New"), "Liberation Mono");
    EXPECT_EQ(MapSymbolText("\xC3\xAB\xC3\xBB"), "\u23A3\u23A6"); // 0xEB, 0xFB: bracket corners
    EXPECT_EQ(MapSymbolText("m"), "\u03BC");
    TFont arial;
    arial.SetName("Arial");
    arial.SetHeight(-11);
    TSize one = MeasureText("Level", arial);
    TSize two = MeasureText("Level Level", arial);
    EXPECT_GT(two.cx, one.cx * 3 / 2);
    EXPECT_GE(one.cy, 11);
    EXPECT_LE(one.cy, 15);
}

// A paint that throws halfway leaves saves open; the context goes back to its owner (a desktop
// window's draw) as it was given, so the owner's own drawing is not clipped or moved.
TEST(Painting, ACanvasGivesItsContextBackAsItWasEvenAfterAFailedPaint) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 50, 50);
    cairo_t* cr = cairo_create(surface);
    try {
        TCairoCanvas canvas(cr);
        canvas.Save();
        canvas.Translate(10, 20);
        canvas.Save();
        canvas.ClipRect({0, 0, 5, 5});
        throw std::runtime_error("paint failed");
    } catch (const std::runtime_error&) {
    }
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    EXPECT_EQ(m.x0, 0);
    EXPECT_EQ(m.y0, 0);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
    EXPECT_EQ(x2 - x1, 50);
    {
        TCairoCanvas canvas(cr);
        canvas.Restore(); // one too many: never past what it was given
        canvas.Translate(3, 3);
    }
    cairo_get_matrix(cr, &m);
    EXPECT_EQ(m.x0, 0);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

TEST(Painting, ChangesAreCountedAsFillsAndRepaintRectanglesWithTheirArea) {
    Gallery g;
    TPaintActivity before = ReadPaintActivity();
    g.shape->SetBrushColor(clRed);
    g.shape->SetBrushColor(clRed); // no change: nothing counted
    g.shape->SetPenColor(clBlue);  // repainted, but no fill change
    TPaintActivity after = ReadPaintActivity();
    EXPECT_EQ(after.shapeFills - before.shapeFills, 1u);
    EXPECT_EQ(after.invalidations - before.invalidations, 2u);
    EXPECT_EQ(after.invalidatedArea - before.invalidatedArea, 2u * 16u * 6u);
}

TEST(Painting, APaintClippedToSmallRectanglesPaintsOnlyTheControlsInThemAndTheSamePixels) {
    Gallery g;
    TRenderedImage full = RenderForm(*g.form, false);
    // Two damaged rectangles far apart, as a window's draw gets them: the shape and the check box.
    const TRect a = g.shape->BoundsRect(), b = g.check->BoundsRect();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, full.width, full.height);
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, a.left, a.top, a.Width(), a.Height());
    cairo_rectangle(cr, b.left, b.top, b.Width(), b.Height());
    cairo_clip(cr);
    TPaintActivity before = ReadPaintActivity();
    {
        TCairoCanvas canvas(cr);
        g.form->PaintClient(canvas);
    }
    TPaintActivity after = ReadPaintActivity();
    EXPECT_EQ(after.paints - before.paints, 1u);
    EXPECT_EQ(after.controlsPainted - before.controlsPainted, 2u);
    cairo_surface_flush(surface);
    const auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
    int stride = cairo_image_surface_get_stride(surface) / 4;
    for (const TRect& r : {a, b})
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                ASSERT_EQ(data[y * stride + x] & 0xFFFFFF, full.Pixel(x, y) & 0xFFFFFF) << x << "," << y;
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

namespace {

struct Surface {
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface{nullptr,
                                                                               cairo_surface_destroy};
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr{nullptr, cairo_destroy};
    Surface(int w, int h) {
        surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
        cr.reset(cairo_create(surface.get()));
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
    }
    std::vector<std::uint32_t> Pixels() { return ImagePixels(surface.get()); }
};

// Text as pango draws it from a layout made for the context at hand, translation and all.
void FreshText(cairo_t* cr, int x, int y, const std::string& text, const TFont& font) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, MapFontFamily(font.Name()).c_str());
    pango_font_description_set_absolute_size(desc, font.PixelHeight() * PANGO_SCALE);
    pango_font_description_set_weight(desc,
                                      (font.Style() & fsBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc,
                                     (font.Style() & fsItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

} // namespace

TEST(Painting, KeptTextLayoutsDrawTheSamePixelsAsFreshOnesAtEveryOffsetAndOnEverySurface) {
    TFont italic;
    italic.SetName("Arial");
    italic.SetHeight(-11);
    italic.SetStyle(fsItalic);
    italic.SetColor(clBlack);
    TFont bold = italic;
    bold.SetStyle(fsBold);
    bold.SetHeight(-13);
    const std::string texts[] = {"- - - - - - - - - -", "-20 dB", "Ana. 1-2"};
    // Offsets as nested controls give them, drawn again and again; every round on a new surface.
    const int offsets[][2] = {{0, 0}, {8, 207}, {13, 5}, {8, 214}, {0, 0}, {121, 3}};
    for (int round = 0; round < 3; ++round)
        for (const TFont& font : {italic, bold})
            for (const std::string& text : texts)
                for (const auto& o : offsets) {
                    Surface kept(200, 240), fresh(200, 240);
                    cairo_translate(kept.cr.get(), o[0], o[1]);
                    cairo_translate(fresh.cr.get(), o[0], o[1]);
                    {
                        TCairoCanvas canvas(kept.cr.get());
                        canvas.TextOut(2, 3, text, font);
                    }
                    FreshText(fresh.cr.get(), 2, 3, text, font);
                    ASSERT_EQ(kept.Pixels(), fresh.Pixels())
                        << text << " at " << o[0] << "," << o[1] << " round " << round;
                }
}

TEST(Painting, TextMeasuredOnceIsMeasuredAlikeAndManyTextsDoNotBreakTheCaches) {
    TFont font;
    font.SetName("Arial");
    TSize first = PangoTextExtent("Einstellungen", font);
    EXPECT_GT(first.cx, 0);
    EXPECT_GT(first.cy, 0);
    TFont bold = font;
    bold.SetStyle(fsBold);
    // The font is part of what was measured: the bold text is wider.
    EXPECT_GT(PangoTextExtent("Einstellungen", bold).cx, first.cx);
    // More texts than the caches keep, drawn and measured; the first ones still come out alike.
    Surface s(400, 40);
    std::vector<std::uint32_t> before;
    {
        TCairoCanvas canvas(s.cr.get());
        canvas.TextOut(0, 0, "Einstellungen", font);
        before = s.Pixels();
        for (int i = 0; i < 1500; ++i) {
            std::string text = "Text " + std::to_string(i);
            TSize size = PangoTextExtent(text, font);
            ASSERT_GT(size.cx, 0) << text;
            canvas.TextOut(0, 20, text, font);
        }
    }
    EXPECT_EQ(PangoTextExtent("Einstellungen", font).cx, first.cx);
    Surface again(400, 40);
    {
        TCairoCanvas canvas(again.cr.get());
        canvas.TextOut(0, 0, "Einstellungen", font);
    }
    EXPECT_EQ(again.Pixels(), before);
}
