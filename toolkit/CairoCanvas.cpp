#include "toolkit/CairoCanvas.h"

#include "toolkit/Forms.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace tk {

namespace {

double Channel(TColor rgb, int shift) {
    return ((rgb >> shift) & 0xFF) / 255.0;
}

struct LayoutDeleter {
    void operator()(PangoLayout* l) const { g_object_unref(l); }
};
struct FontDescDeleter {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};
struct AttrListDeleter {
    void operator()(PangoAttrList* a) const { pango_attr_list_unref(a); }
};
struct FontOptionsDeleter {
    void operator()(cairo_font_options_t* o) const { cairo_font_options_destroy(o); }
};

std::unique_ptr<PangoFontDescription, FontDescDeleter> Describe(const TFont& font) {
    std::unique_ptr<PangoFontDescription, FontDescDeleter> desc(pango_font_description_new());
    pango_font_description_set_family(desc.get(), MapFontFamily(font.Name()).c_str());
    pango_font_description_set_absolute_size(desc.get(), font.PixelHeight() * PANGO_SCALE);
    pango_font_description_set_weight(desc.get(),
                                      (font.Style() & fsBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc.get(),
                                     (font.Style() & fsItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return desc;
}

std::string ShownText(const std::string& text, const TFont& font) {
    std::string shown = SameText(font.Name(), "Symbol") ? MapSymbolText(text) : text;
    std::replace(shown.begin(), shown.end(), '\r', ' ');
    std::replace(shown.begin(), shown.end(), '\n', ' ');
    // Pango needs valid UTF-8; anything else shows as '?'.
    if (!g_utf8_validate(shown.c_str(), static_cast<gssize>(shown.size()), nullptr)) {
        std::string fixed;
        for (unsigned char c : shown)
            fixed += c < 0x80 ? static_cast<char>(c) : '?';
        shown = fixed;
    }
    return shown;
}

std::unique_ptr<PangoLayout, LayoutDeleter> MakeLayout(cairo_t* cr, const std::string& text,
                                                       const TFont& font) {
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_cairo_create_layout(cr));
    auto desc = Describe(font);
    pango_layout_set_font_description(layout.get(), desc.get());
    std::string shown = ShownText(text, font);
    pango_layout_set_text(layout.get(), shown.c_str(), static_cast<int>(shown.size()));
    if (font.Style() & (fsUnderline | fsStrikeOut)) {
        std::unique_ptr<PangoAttrList, AttrListDeleter> attrs(pango_attr_list_new());
        if (font.Style() & fsUnderline)
            pango_attr_list_insert(attrs.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (font.Style() & fsStrikeOut)
            pango_attr_list_insert(attrs.get(), pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(layout.get(), attrs.get());
    }
    return layout;
}

// What a layout depends on besides the cairo context it is shown on: the text and the font's face, size
// and style (colour is the context's source).
std::string LayoutKey(const std::string& text, const TFont& font) {
    return font.Name() + '\x1f' + std::to_string(font.PixelHeight()) + '\x1f' + std::to_string(font.Style()) +
           '\x1f' + text;
}

// Layouts kept for reuse: a meter's frame redraws the same few scale captions 25 times a second. Bounded,
// so a program that shows ever new texts does not grow it without end.
template <class T> class TextCache {
public:
    static constexpr std::size_t kMaxEntries = 512;
    T* Find(const std::string& key) {
        auto it = m_entries.find(key);
        return it == m_entries.end() ? nullptr : &it->second;
    }
    T& Put(const std::string& key, T value) {
        if (m_entries.size() >= kMaxEntries) m_entries.clear();
        return m_entries.insert_or_assign(key, std::move(value)).first->second;
    }

private:
    std::map<std::string, T> m_entries;
};

// A layout kept for drawing, with the context state it was laid out for, and its coverage at whole
// pixels once drawn there: the next time it is composited in the text's colour instead of drawn anew.
struct KeptLayout {
    std::unique_ptr<PangoLayout, LayoutDeleter> layout;
    std::unique_ptr<cairo_font_options_t, FontOptionsDeleter> options;
    cairo_matrix_t matrix{};
    CairoSurface mask; // A8, null until made (and when the text shows no ink: drawn by pango then)
    bool masked{};     // the mask was made for the layout's present state
    int maskX{};       // the mask's top left corner from the text's origin
    int maskY{};
};

// The glyphs' coverage as cairo composites them onto an image at a whole-pixel origin: added up where
// glyphs meet, as cairo does before compositing overlapping glyphs.
void MakeMask(KeptLayout& kept, const cairo_font_options_t* options) {
    kept.masked = true;
    kept.mask.reset();
    PangoRectangle ink{}, logical{};
    pango_layout_get_pixel_extents(kept.layout.get(), &ink, &logical);
    if (ink.width <= 0 || ink.height <= 0) return;
    // Hinted glyphs may reach a pixel past the ink extents.
    constexpr int margin = 2;
    kept.maskX = ink.x - margin;
    kept.maskY = ink.y - margin;
    CairoSurface mask(
        cairo_image_surface_create(CAIRO_FORMAT_A8, ink.width + 2 * margin, ink.height + 2 * margin));
    CairoContext cr(cairo_create(mask.get()));
    cairo_set_font_options(cr.get(), options);
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_ADD);
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_move_to(cr.get(), -kept.maskX, -kept.maskY);
    pango_cairo_show_layout(cr.get(), kept.layout.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return;
    cairo_surface_flush(mask.get());
    kept.mask = std::move(mask);
}

// A scratch context for measuring without a canvas.
cairo_t* MeasureContext() {
    static CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    static CairoContext cr(cairo_create(surface.get()));
    return cr.get();
}

CairoSurface PictureSurface(const TPicture& picture) {
    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.Width(), picture.Height()));
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < picture.Height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < picture.Width(); ++x) {
            std::uint32_t p = picture.Pixels()[static_cast<std::size_t>(y * picture.Width() + x)];
            std::uint32_t a = p >> 24;
            auto pre = [a](std::uint32_t c) { return c * a / 255; };
            row[x] = (a << 24) | (pre((p >> 16) & 0xFF) << 16) | (pre((p >> 8) & 0xFF) << 8) | pre(p & 0xFF);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

} // namespace

std::string MapFontFamily(const std::string& name) {
    static const char* sans[] = {"Arial",   "MS Sans Serif", "Helvetica", "Tahoma",
                                 "Verdana", "Symbol",        "System"};
    for (const char* s : sans)
        if (SameText(name, s)) return "Liberation Sans";
    if (SameText(name, "Times New Roman") || SameText(name, "MS Serif") || SameText(name, "Times"))
        return "Liberation Serif";
    if (SameText(name, "Courier New") || SameText(name, "Courier") || SameText(name, "Fixedsys"))
        return "Liberation Mono";
    return name.empty() ? std::string("Liberation Sans") : name;
}

std::string MapSymbolText(const std::string& text) {
    static const char16_t upper[26] = {0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399,
                                       0x3D1, 0x39A, 0x39B, 0x39C, 0x39D, 0x39F, 0x3A0, 0x398, 0x3A1,
                                       0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
    static const char16_t lower[26] = {0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3, 0x3B7, 0x3B9,
                                       0x3D5, 0x3BA, 0x3BB, 0x3BC, 0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1,
                                       0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
    // Bracket and brace pieces 0xE6..0xFE.
    static const char16_t pieces[25] = {0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7,
                                        0x23A8, 0x23A9, 0x23AA, 0x20AC, 0x27E9, 0x222B, 0x2320,
                                        0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5,
                                        0x23A6, 0x23AB, 0x23AC, 0x23AD};
    std::string out;
    auto put = [&out](unsigned code) {
        char buf[8];
        int n = g_unichar_to_utf8(code, buf);
        out.append(buf, static_cast<std::size_t>(n));
    };
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end) {
        gunichar c = g_utf8_get_char_validated(p, end - p);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
            c = static_cast<unsigned char>(*p); // a raw code-page byte
            ++p;
        } else {
            p = g_utf8_next_char(p);
        }
        if (c >= 'A' && c <= 'Z')
            put(upper[c - 'A']);
        else if (c >= 'a' && c <= 'z')
            put(lower[c - 'a']);
        else if (c >= 0xE6 && c <= 0xFE)
            put(pieces[c - 0xE6]);
        else if (c == 0xB0)
            put(0xB0);
        else if (c == 0xB1)
            put(0xB1);
        else if (c == 0xAC)
            put(0x2190);
        else if (c == 0xAD)
            put(0x2191);
        else if (c == 0xAE)
            put(0x2192);
        else if (c == 0xAF)
            put(0x2193);
        else if (c == 0xB4)
            put(0xD7);
        else if (c == 0xA5)
            put(0x221E);
        else
            put(c);
    }
    return out;
}

TSize PangoTextExtent(const std::string& text, const TFont& font) {
    // The scratch context is shared, and so is what was measured on it.
    static std::mutex mutex;
    static TextCache<TSize> measured;
    std::lock_guard lock(mutex);
    std::string key = LayoutKey(text, font);
    if (const TSize* known = measured.Find(key)) return *known;
    auto layout = MakeLayout(MeasureContext(), text, font);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout.get(), &w, &h);
    return measured.Put(key, TSize{w, h});
}

namespace {

std::atomic<bool> directPixels{true};

bool Whole(double v) {
    return v == std::floor(v) && std::fabs(v) < 1e6;
}

// The image's pixels when the context draws on them at whole pixels, with the caller's clip as device
// rectangles within the image (clips); null for anything else.
std::uint32_t* ExactPixels(cairo_t* cr, std::vector<TRect>& clips, int& stride) {
    if (!directPixels) return nullptr;
    cairo_surface_t* target = cairo_get_target(cr);
    if (cairo_get_group_target(cr) != target || cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_get_operator(cr) != CAIRO_OPERATOR_OVER)
        return nullptr;
    cairo_format_t format = cairo_image_surface_get_format(target);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return nullptr;
    double ox = 0, oy = 0, sx = 1, sy = 1;
    cairo_surface_get_device_offset(target, &ox, &oy);
    cairo_surface_get_device_scale(target, &sx, &sy);
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    if (ox != 0 || oy != 0 || sx != 1 || sy != 1 || m.xx != 1 || m.yy != 1 || m.xy != 0 || m.yx != 0 ||
        !Whole(m.x0) || !Whole(m.y0))
        return nullptr;
    cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr);
    bool ok = list->status == CAIRO_STATUS_SUCCESS;
    const TRect image{0, 0, cairo_image_surface_get_width(target), cairo_image_surface_get_height(target)};
    for (int i = 0; ok && i < list->num_rectangles; ++i) {
        const cairo_rectangle_t& r = list->rectangles[i];
        ok = Whole(r.x) && Whole(r.y) && Whole(r.width) && Whole(r.height);
        TRect d = Bounds(static_cast<int>(r.x + m.x0), static_cast<int>(r.y + m.y0),
                         static_cast<int>(r.width), static_cast<int>(r.height))
                      .Intersect(image);
        if (ok && !d.Empty()) clips.push_back(d);
    }
    cairo_rectangle_list_destroy(list);
    if (!ok) {
        clips.clear();
        return nullptr;
    }
    cairo_surface_flush(target);
    stride = cairo_image_surface_get_stride(target) / 4;
    return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(target));
}

// An opaque colour as cairo stores it in the image (both formats keep 0xFF in the top byte).
std::uint32_t OpaquePixel(TColor color) {
    TColor rgb = ColorToRGB(color);
    return 0xFF000000u | ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) | ((rgb >> 16) & 0xFFu);
}

} // namespace

void TCairoCanvas::UseDirectPixels(bool on) {
    directPixels = on;
}

TCairoCanvas::TCairoCanvas(cairo_t* cr) : m_cr(cr) {
    if ((m_pixels = ExactPixels(m_cr, m_clips, m_stride))) {
        cairo_matrix_t m;
        cairo_get_matrix(m_cr, &m);
        m_states.push_back({static_cast<int>(m.x0), static_cast<int>(m.y0), 0, m_clips.size(), 0});
    } else if (cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(m_cr)) {
        if (list->status == CAIRO_STATUS_SUCCESS)
            for (int i = 0; i < list->num_rectangles; ++i) {
                const cairo_rectangle_t& r = list->rectangles[i];
                double x1 = r.x, y1 = r.y, x2 = r.x + r.width, y2 = r.y + r.height;
                cairo_user_to_device(m_cr, &x1, &y1);
                cairo_user_to_device(m_cr, &x2, &y2);
                m_damage.push_back({static_cast<int>(std::floor(std::min(x1, x2))),
                                    static_cast<int>(std::floor(std::min(y1, y2))),
                                    static_cast<int>(std::ceil(std::max(x1, x2))),
                                    static_cast<int>(std::ceil(std::max(y1, y2)))});
            }
        cairo_rectangle_list_destroy(list);
    }
    cairo_save(m_cr);
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(m_cr, 1.0);
}

TCairoCanvas::~TCairoCanvas() {
    // The context is the caller's (a desktop window's draw): it gets it back as it gave it.
    Unrealize();
    for (; m_saves > 0; --m_saves)
        cairo_restore(m_cr);
    cairo_restore(m_cr);
    // Pixels written past cairo: what keeps copies of the image (a window surface) must see them.
    if (m_written) cairo_surface_mark_dirty(cairo_get_target(m_cr));
}

bool TCairoCanvas::Realize() {
    if (!Exact()) return true;
    // Cairo keeps what it knows of the image (that it is still clear, say): it must know of the pixels
    // written past it before it draws.
    if (m_written) {
        cairo_surface_mark_dirty(cairo_get_target(m_cr));
        m_written = false;
    }
    if (m_realized) return true;
    const State& s = m_states.back();
    if (s.begin == s.end) return false;
    cairo_save(m_cr);
    cairo_identity_matrix(m_cr);
    for (std::size_t i = s.begin; i < s.end; ++i) {
        const TRect& r = m_clips[i];
        cairo_rectangle(m_cr, r.left, r.top, r.Width(), r.Height());
    }
    cairo_clip(m_cr);
    cairo_translate(m_cr, s.dx, s.dy);
    m_realized = true;
    return true;
}

void TCairoCanvas::Unrealize() {
    if (!m_realized) return;
    cairo_restore(m_cr);
    m_realized = false;
}

void TCairoCanvas::Save() {
    if (Exact()) {
        State s = m_states.back();
        s.mark = m_clips.size();
        m_states.push_back(s);
        return;
    }
    cairo_save(m_cr);
    ++m_saves;
}
void TCairoCanvas::Restore() {
    if (Exact()) {
        if (m_states.size() == 1) return; // never past the state the canvas began with
        Unrealize();
        m_clips.resize(m_states.back().mark);
        m_states.pop_back();
        return;
    }
    if (m_saves == 0) return;
    cairo_restore(m_cr);
    --m_saves;
}
void TCairoCanvas::Translate(int dx, int dy) {
    if (Exact()) {
        Unrealize();
        m_states.back().dx += dx;
        m_states.back().dy += dy;
        return;
    }
    cairo_translate(m_cr, dx, dy);
}

void TCairoCanvas::ClipRect(const TRect& r) {
    if (Exact()) {
        Unrealize();
        State& s = m_states.back();
        TRect d = r.Offset(s.dx, s.dy);
        std::size_t begin = m_clips.size();
        for (std::size_t i = s.begin; i < s.end; ++i) {
            TRect c = m_clips[i].Intersect(d);
            if (!c.Empty()) m_clips.push_back(c);
        }
        s.begin = begin;
        s.end = m_clips.size();
        return;
    }
    cairo_rectangle(m_cr, r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
    cairo_clip(m_cr);
}

bool TCairoCanvas::ClipExcludes(const TRect& r) const {
    if (Exact()) {
        const State& s = m_states.back();
        TRect d = r.Offset(s.dx, s.dy);
        for (std::size_t i = s.begin; i < s.end; ++i)
            if (m_clips[i].Intersects(d)) return false;
        return true;
    }
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(m_cr, &x1, &y1, &x2, &y2);
    if (r.right <= x1 || r.left >= x2 || r.bottom <= y1 || r.top >= y2 || x2 <= x1 || y2 <= y1) return true;
    if (m_damage.empty()) return false;
    // The clip's bounding box may span many small damaged rectangles far apart: test each.
    double dx1 = r.left, dy1 = r.top, dx2 = r.right, dy2 = r.bottom;
    cairo_user_to_device(m_cr, &dx1, &dy1);
    cairo_user_to_device(m_cr, &dx2, &dy2);
    double left = std::min(dx1, dx2), right = std::max(dx1, dx2), top = std::min(dy1, dy2),
           bottom = std::max(dy1, dy2);
    for (const TRect& d : m_damage)
        if (left < d.right && right > d.left && top < d.bottom && bottom > d.top) return false;
    return true;
}

std::optional<std::size_t> TCairoCanvas::ClipRects(std::span<TRect> out) const {
    // Only the integer clip is known exactly; cairo's own may be any path.
    if (!Exact()) return std::nullopt;
    const State& s = m_states.back();
    std::size_t n = 0;
    for (std::size_t i = s.begin; i < s.end; ++i) { // never empty: ClipRect keeps none
        if (n == out.size()) return std::nullopt;
        out[n++] = m_clips[i].Offset(-s.dx, -s.dy);
    }
    return n;
}

void TCairoCanvas::FillDevice(const TRect& r, std::uint32_t pixel) {
    const State& s = m_states.back();
    for (std::size_t i = s.begin; i < s.end; ++i) {
        TRect c = m_clips[i].Intersect(r);
        if (c.Empty()) continue;
        for (int y = c.top; y < c.bottom; ++y) {
            std::uint32_t* row = m_pixels + static_cast<std::ptrdiff_t>(y) * m_stride;
            std::fill(row + c.left, row + c.right, pixel);
        }
        m_written = true;
    }
}

void TCairoCanvas::SetColor(TColor color) {
    TColor rgb = ColorToRGB(color);
    cairo_set_source_rgb(m_cr, Channel(rgb, 0), Channel(rgb, 8), Channel(rgb, 16));
}

void TCairoCanvas::FillAndStroke(const TPen& pen, const TBrush& brush, double width) {
    if (brush.style != bsClear) {
        SetColor(brush.color);
        cairo_fill_preserve(m_cr);
    }
    if (width > 0) {
        SetColor(pen.color);
        cairo_set_line_width(m_cr, width);
        cairo_stroke(m_cr);
    }
    cairo_new_path(m_cr);
}

void TCairoCanvas::FillRect(const TRect& r, TColor color) {
    if (r.Empty() || color == clNone) return;
    Fill(r, color);
}

void TCairoCanvas::Fill(const TRect& r, TColor color) {
    if (Exact()) {
        FillDevice(r.Offset(m_states.back().dx, m_states.back().dy), OpaquePixel(color));
        return;
    }
    SetColor(color);
    cairo_rectangle(m_cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(m_cr);
}

void TCairoCanvas::FrameRect(const TRect& r, TColor color, int width) {
    if (r.Empty() || width <= 0) return;
    int w = std::min({width, r.Width(), r.Height()});
    // The four sides as pixel runs; a frame thinner than its two sides overlaps itself: cairo's fill.
    if (Exact() && r.Width() >= 2 * w && r.Height() >= 2 * w) {
        Fill({r.left, r.top, r.right, r.top + w}, color);
        Fill({r.left, r.bottom - w, r.right, r.bottom}, color);
        Fill({r.left, r.top + w, r.left + w, r.bottom - w}, color);
        Fill({r.right - w, r.top + w, r.right, r.bottom - w}, color);
        return;
    }
    if (!Realize()) return;
    SetColor(color);
    cairo_rectangle(m_cr, r.left, r.top, r.Width(), w);
    cairo_rectangle(m_cr, r.left, r.bottom - w, r.Width(), w);
    cairo_rectangle(m_cr, r.left, r.top + w, w, r.Height() - 2 * w);
    cairo_rectangle(m_cr, r.right - w, r.top + w, w, r.Height() - 2 * w);
    cairo_fill(m_cr);
}

void TCairoCanvas::Line(int x1, int y1, int x2, int y2, const TPen& pen) {
    if (pen.style == psClear || pen.width < 0) return;
    int width = std::max(1, pen.width);
    if (pen.style == psSolid && (x1 == x2 || y1 == y2)) {
        // Axis-parallel lines as pixel runs, the last pixel excluded.
        TRect run;
        if (y1 == y2) {
            int a = std::min(x1, x2), b = std::max(x1, x2);
            if (x2 < x1) ++a, ++b;
            run = Bounds(a, y1 - (width - 1) / 2, b - a, width);
        } else {
            int a = std::min(y1, y2), b = std::max(y1, y2);
            if (y2 < y1) ++a, ++b;
            run = Bounds(x1 - (width - 1) / 2, a, width, b - a);
        }
        if (!run.Empty()) Fill(run, pen.color);
        return;
    }
    if (!Realize()) return;
    SetColor(pen.color);
    cairo_save(m_cr);
    cairo_set_line_width(m_cr, width);
    cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_BUTT);
    double dash[4];
    int n = 0;
    switch (pen.style) {
    case psDash:
        dash[0] = 6, dash[1] = 2, n = 2;
        break;
    case psDot:
        dash[0] = 1, dash[1] = 1, n = 2;
        break;
    case psDashDot:
        dash[0] = 6, dash[1] = 2, dash[2] = 1, dash[3] = 2, n = 4;
        break;
    case psDashDotDot:
        dash[0] = 6, dash[1] = 2, dash[2] = 1, dash[3] = 1, n = 4;
        break;
    default:
        break;
    }
    if (n) cairo_set_dash(m_cr, dash, n, 0);
    cairo_move_to(m_cr, x1 + 0.5, y1 + 0.5);
    cairo_line_to(m_cr, x2 + 0.5, y2 + 0.5);
    cairo_stroke(m_cr);
    cairo_restore(m_cr);
}

void TCairoCanvas::Rectangle(const TRect& r, const TPen& pen, const TBrush& brush) {
    if (r.Empty()) return;
    int w = pen.style == psClear ? 0 : std::max(1, pen.width);
    if (brush.style != bsClear) FillRect(r.Inflate(-w, -w), brush.color);
    if (w > 0) {
        if (pen.style == psSolid)
            FrameRect(r, pen.color, w);
        else {
            Line(r.left, r.top, r.right - 1, r.top, pen);
            Line(r.right - 1, r.top, r.right - 1, r.bottom - 1, pen);
            Line(r.right - 1, r.bottom - 1, r.left, r.bottom - 1, pen);
            Line(r.left, r.bottom - 1, r.left, r.top, pen);
        }
    }
}

void TCairoCanvas::Ellipse(const TRect& r, const TPen& pen, const TBrush& brush) {
    if (r.Empty()) return;
    if (!Realize()) return;
    cairo_save(m_cr);
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_DEFAULT);
    double w = pen.style == psClear ? 0 : std::max(1, pen.width);
    cairo_translate(m_cr, r.left + r.Width() / 2.0, r.top + r.Height() / 2.0);
    cairo_scale(m_cr, (r.Width() - w) / 2.0, (r.Height() - w) / 2.0);
    cairo_arc(m_cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(m_cr);
    cairo_save(m_cr);
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_DEFAULT);
    FillAndStroke(pen, brush, w);
    cairo_restore(m_cr);
}

void TCairoCanvas::RoundRect(const TRect& r, int rx, int ry, const TPen& pen, const TBrush& brush) {
    if (r.Empty()) return;
    if (!Realize()) return;
    double w = pen.style == psClear ? 0 : std::max(1, pen.width);
    double x0 = r.left + w / 2, y0 = r.top + w / 2, x1 = r.right - w / 2, y1 = r.bottom - w / 2;
    double ax = std::min<double>(rx, (x1 - x0) / 2), ay = std::min<double>(ry, (y1 - y0) / 2);
    cairo_save(m_cr);
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_DEFAULT);
    cairo_new_path(m_cr);
    auto corner = [&](double cx, double cy, double a0) {
        cairo_save(m_cr);
        cairo_translate(m_cr, cx, cy);
        cairo_scale(m_cr, std::max(ax, 0.01), std::max(ay, 0.01));
        cairo_arc(m_cr, 0, 0, 1, a0, a0 + M_PI / 2);
        cairo_restore(m_cr);
    };
    corner(x1 - ax, y0 + ay, -M_PI / 2);
    corner(x1 - ax, y1 - ay, 0);
    corner(x0 + ax, y1 - ay, M_PI / 2);
    corner(x0 + ax, y0 + ay, M_PI);
    cairo_close_path(m_cr);
    FillAndStroke(pen, brush, w);
    cairo_restore(m_cr);
}

void TCairoCanvas::Polygon(const std::vector<TPoint>& points, const TPen& pen, const TBrush& brush) {
    if (points.size() < 2) return;
    if (!Realize()) return;
    cairo_new_path(m_cr);
    cairo_move_to(m_cr, points[0].x + 0.5, points[0].y + 0.5);
    for (std::size_t i = 1; i < points.size(); ++i)
        cairo_line_to(m_cr, points[i].x + 0.5, points[i].y + 0.5);
    cairo_close_path(m_cr);
    FillAndStroke(pen, brush, pen.style == psClear ? 0 : std::max(1, pen.width));
}

void TCairoCanvas::TextOut(int x, int y, const std::string& text, const TFont& font) {
    if (text.empty()) return;
    if (!Realize()) return;
    cairo_save(m_cr);
    // Pango takes the whole transformation, offset included, into its context, so every new place would
    // shape the text anew: drawn at the same device position from an untranslated context, a kept layout
    // is shaped once.
    double ox = x, oy = y;
    cairo_matrix_t m;
    cairo_get_matrix(m_cr, &m);
    if (m.xx == 1 && m.yy == 1 && m.xy == 0 && m.yx == 0) {
        cairo_user_to_device(m_cr, &ox, &oy);
        cairo_identity_matrix(m_cr);
        cairo_get_matrix(m_cr, &m);
    }
    // What else the layout takes from the context: the surface's font options merged with the context's.
    std::unique_ptr<cairo_font_options_t, FontOptionsDeleter> options(cairo_font_options_create());
    cairo_surface_get_font_options(cairo_get_target(m_cr), options.get());
    {
        std::unique_ptr<cairo_font_options_t, FontOptionsDeleter> own(cairo_font_options_create());
        cairo_get_font_options(m_cr, own.get());
        cairo_font_options_merge(options.get(), own.get());
    }
    // Pango objects belong to the thread that made them: one cache per painting thread.
    thread_local TextCache<KeptLayout> layouts;
    std::string key = LayoutKey(text, font);
    KeptLayout* kept = layouts.Find(key);
    if (!kept) {
        kept = &layouts.Put(key, KeptLayout{MakeLayout(m_cr, text, font), nullptr, m, nullptr, false, 0, 0});
    } else if (!cairo_font_options_equal(kept->options.get(), options.get()) || kept->matrix.xx != m.xx ||
               kept->matrix.yx != m.yx || kept->matrix.xy != m.xy || kept->matrix.yy != m.yy) {
        // Pango counts every update as a change, even to the same state: update only on a real one.
        pango_cairo_update_layout(m_cr, kept->layout.get());
        kept->matrix = m;
        kept->masked = false;
    }
    kept->options = std::move(options);
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_GRAY);
    SetColor(font.Color());
    // On an image at a whole-pixel origin the glyphs land as in their mask: composited, not drawn anew.
    bool whole = Exact() && !(font.Style() & (fsUnderline | fsStrikeOut)) && m.xx == 1 && m.yy == 1 &&
                 m.xy == 0 && m.yx == 0 && m.x0 == 0 && m.y0 == 0 && ox == std::floor(ox) &&
                 oy == std::floor(oy);
    if (whole && !kept->masked) MakeMask(*kept, kept->options.get());
    if (whole && kept->mask) {
        cairo_mask_surface(m_cr, kept->mask.get(), ox + kept->maskX, oy + kept->maskY);
    } else {
        cairo_move_to(m_cr, ox, oy);
        pango_cairo_show_layout(m_cr, kept->layout.get());
    }
    cairo_restore(m_cr);
}

TSize TCairoCanvas::TextExtent(const std::string& text, const TFont& font) {
    return MeasureText(text, font);
}

void TCairoCanvas::Draw(int x, int y, const TPicture& picture) {
    if (picture.Empty()) return;
    if (!Realize()) return;
    auto surface = PictureSurface(picture);
    cairo_set_source_surface(m_cr, surface.get(), x, y);
    cairo_paint(m_cr);
}

void TCairoCanvas::StretchDraw(const TRect& r, const TPicture& picture) {
    if (picture.Empty() || r.Empty()) return;
    if (!Realize()) return;
    auto surface = PictureSurface(picture);
    cairo_save(m_cr);
    cairo_translate(m_cr, r.left, r.top);
    cairo_scale(m_cr, static_cast<double>(r.Width()) / picture.Width(),
                static_cast<double>(r.Height()) / picture.Height());
    cairo_set_source_surface(m_cr, surface.get(), 0, 0);
    cairo_paint(m_cr);
    cairo_restore(m_cr);
}

static CairoSurface RenderSurface(TForm& form, bool withFrame) {
    TRect client = form.ClientRect();
    int width = withFrame ? form.Width() : client.Width();
    int height = withFrame ? form.Height() : client.Height();
    CairoSurface surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, width), std::max(1, height)));
    CairoContext cr(cairo_create(surface.get()));
    {
        TCairoCanvas canvas(cr.get());
        if (withFrame) {
            form.PaintFrame(canvas);
            TPoint o = form.ClientOffset();
            canvas.Translate(o.x, o.y);
        }
        form.PaintClient(canvas);
    }
    cairo_surface_flush(surface.get());
    return surface;
}

TRenderedImage RenderForm(TForm& form, bool withFrame) {
    auto surface = RenderSurface(form, withFrame);
    TRenderedImage image;
    image.width = cairo_image_surface_get_width(surface.get());
    image.height = cairo_image_surface_get_height(surface.get());
    int stride = cairo_image_surface_get_stride(surface.get());
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    image.argb.resize(static_cast<std::size_t>(image.width * image.height));
    for (int y = 0; y < image.height; ++y)
        std::memcpy(&image.argb[static_cast<std::size_t>(y * image.width)], data + y * stride,
                    static_cast<std::size_t>(image.width) * 4);
    return image;
}

bool RenderFormToPng(TForm& form, const std::string& path, bool withFrame) {
    auto surface = RenderSurface(form, withFrame);
    return cairo_surface_write_to_png(surface.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

} // namespace tk
