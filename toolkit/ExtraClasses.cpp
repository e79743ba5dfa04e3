// The property tables of the toolkit's remaining controls.
#include "toolkit/Buttons.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormReader.h"
#include "toolkit/Forms.h"
#include "toolkit/ScrollBox.h"

namespace tk {

namespace {

const std::map<std::string, int> kBevelShape{{"bsBox", bsBox},           {"bsFrame", bsFrame},
                                             {"bsTopLine", bsTopLine},   {"bsBottomLine", bsBottomLine},
                                             {"bsLeftLine", bsLeftLine}, {"bsRightLine", bsRightLine},
                                             {"bsSpacer", bsSpacer}};
const std::map<std::string, int> kBevelStyle{{"bsLowered", bsLowered}, {"bsRaised", bsRaised}};
const std::map<std::string, int> kShapeType{{"stRectangle", stRectangle}, {"stSquare", stSquare},
                                            {"stRoundRect", stRoundRect}, {"stRoundSquare", stRoundSquare},
                                            {"stEllipse", stEllipse},     {"stCircle", stCircle}};
const std::map<std::string, int> kPenStyle{
    {"psSolid", psSolid},           {"psDash", psDash},  {"psDot", psDot}, {"psDashDot", psDashDot},
    {"psDashDotDot", psDashDotDot}, {"psClear", psClear}};
const std::map<std::string, int> kBrushStyle{{"bsSolid", bsSolid},           {"bsClear", bsClear},
                                             {"bsHorizontal", bsHorizontal}, {"bsVertical", bsVertical},
                                             {"bsFDiagonal", bsFDiagonal},   {"bsBDiagonal", bsBDiagonal},
                                             {"bsCross", bsCross},           {"bsDiagCross", bsDiagCross}};
const std::map<std::string, int> kButtonLayout{{"blGlyphLeft", blGlyphLeft},
                                               {"blGlyphRight", blGlyphRight},
                                               {"blGlyphTop", blGlyphTop},
                                               {"blGlyphBottom", blGlyphBottom}};
const std::map<std::string, int> kBorderStyle{{"bsNone", bsNone}, {"bsSingle", bsSingle}};
const std::map<std::string, int> kOrientation{{"trHorizontal", trHorizontal}, {"trVertical", trVertical}};
const std::map<std::string, int> kTickMark{
    {"tmBottomRight", tmBottomRight}, {"tmTopLeft", tmTopLeft}, {"tmBoth", tmBoth}};
const std::map<std::string, int> kTickStyle{{"tsNone", tsNone}, {"tsAuto", tsAuto}, {"tsManual", tsManual}};

template <class T, class E> TPropertySetter Notify(E T::*event) {
    return [event](TComponent& c, const TValue& v, TLoadContext& x) {
        TClassInfo::Cast<T>(c, x, v).*event = TClassInfo::NotifyHandler(x, v);
    };
}

// Picture data as the classic form files store it: a class name ("TBitmap") as a length-prefixed
// string, then for a bitmap its byte count and the bitmap file itself.
TPicture PictureData(const TValue& v, const TLoadContext& x) {
    if (v.kind != TValue::Binary) x.Fail(v.line, "Binary picture data expected");
    const auto& b = v.bytes;
    if (b.empty()) return {};
    std::size_t nameLength = b[0];
    if (1 + nameLength > b.size()) x.Fail(v.line, "Truncated picture data");
    std::string className(b.begin() + 1, b.begin() + 1 + static_cast<long>(nameLength));
    if (className != "TBitmap") x.Fail(v.line, "Unsupported picture class " + className);
    std::size_t at = 1 + nameLength;
    if (at + 4 > b.size()) x.Fail(v.line, "Truncated picture data");
    std::size_t size =
        b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::size_t>(b[at + 3]) << 24);
    at += 4;
    if (at + size > b.size()) x.Fail(v.line, "Truncated picture data");
    TPicture picture;
    if (!picture.LoadFromBmp(std::vector<std::uint8_t>(b.begin() + static_cast<long>(at),
                                                       b.begin() + static_cast<long>(at + size))))
        x.Fail(v.line, "Invalid bitmap in picture data");
    return picture;
}

} // namespace

void RegisterExtraStandardClasses() {
    RegisterClass<TBevel>("TBevel", "TGraphicControl")
        .Enum<TBevel, TBevelShape>("Shape", &TBevel::SetShape, kBevelShape)
        .Enum<TBevel, TBevelStyle>("Style", &TBevel::SetStyle, kBevelStyle);

    RegisterClass<TShape>("TShape", "TGraphicControl")
        .Enum<TShape, TShapeType>("Shape", &TShape::SetShape, kShapeType)
        .Color<TShape>("Brush.Color", &TShape::SetBrushColor)
        .Color<TShape>("Pen.Color", &TShape::SetPenColor)
        .Int<TShape>("Pen.Width", &TShape::SetPenWidth)
        .Property("Pen.Style",
                  [](TComponent& c, const TValue& v, TLoadContext& x) {
                      auto& s = TClassInfo::Cast<TShape>(c, x, v);
                      TPen p = s.Pen();
                      p.style = static_cast<TPenStyle>(x.Enum(v, kPenStyle));
                      s.SetPen(p);
                  })
        .Property("Brush.Style", [](TComponent& c, const TValue& v, TLoadContext& x) {
            auto& s = TClassInfo::Cast<TShape>(c, x, v);
            TBrush b = s.Brush();
            b.style = static_cast<TBrushStyle>(x.Enum(v, kBrushStyle));
            s.SetBrush(b);
        });

    RegisterClass<TImage>("TImage", "TGraphicControl")
        .Bool<TImage>("Stretch", &TImage::SetStretch)
        .Bool<TImage>("Center", &TImage::SetCenter)
        .Bool<TImage>("Transparent", &TImage::SetTransparent)
        .Bool<TImage>("AutoSize", &TImage::SetAutoSize)
        .Property("Picture.Data", [](TComponent& c, const TValue& v, TLoadContext& x) {
            TClassInfo::Cast<TImage>(c, x, v).SetPicture(PictureData(v, x));
        });

    RegisterClass<TTimer>("TTimer", "TComponent")
        .Bool<TTimer>("Enabled", &TTimer::SetEnabled)
        .Int<TTimer>("Interval", &TTimer::SetInterval)
        .Property("OnTimer", Notify(&TTimer::OnTimer));

    RegisterClass<TSpeedButton>("TSpeedButton", "TGraphicControl")
        .Int<TSpeedButton>("GroupIndex", &TSpeedButton::SetGroupIndex)
        .Bool<TSpeedButton>("AllowAllUp", &TSpeedButton::SetAllowAllUp)
        .Bool<TSpeedButton>("Down", &TSpeedButton::SetDown)
        .Bool<TSpeedButton>("Flat", &TSpeedButton::SetFlat)
        .Int<TSpeedButton>("NumGlyphs", &TSpeedButton::SetNumGlyphs)
        .Enum<TSpeedButton, TButtonLayout>("Layout", &TSpeedButton::SetLayout, kButtonLayout)
        .Int<TSpeedButton>("Margin", &TSpeedButton::SetMargin)
        .Int<TSpeedButton>("Spacing", &TSpeedButton::SetSpacing)
        .Bool<TSpeedButton>("Transparent", &TSpeedButton::SetTransparent)
        .Property("Glyph.Data", [](TComponent& c, const TValue& v, TLoadContext& x) {
            // Glyph data is the bitmap file after its byte count.
            if (v.kind != TValue::Binary) x.Fail(v.line, "Binary glyph data expected");
            if (v.bytes.size() < 4) x.Fail(v.line, "Truncated glyph data");
            TPicture picture;
            if (!picture.LoadFromBmp(std::vector<std::uint8_t>(v.bytes.begin() + 4, v.bytes.end())))
                x.Fail(v.line, "Invalid bitmap in glyph data");
            TClassInfo::Cast<TSpeedButton>(c, x, v).SetGlyph(picture);
        });

    auto scrollBar = [](const char* prefix, TControlScrollBar& (TScrollBox::*bar)(), TClassInfo& info) {
        std::string p = prefix;
        info.Property(p + ".Visible",
                      [bar](TComponent& c, const TValue& v, TLoadContext& x) {
                          (TClassInfo::Cast<TScrollBox>(c, x, v).*bar)().SetVisible(x.Bool(v));
                      })
            .Property(p + ".Range",
                      [bar](TComponent& c, const TValue& v, TLoadContext& x) {
                          (TClassInfo::Cast<TScrollBox>(c, x, v).*bar)().SetRange(x.Int(v));
                      })
            .Property(p + ".Position",
                      [bar](TComponent& c, const TValue& v, TLoadContext& x) {
                          (TClassInfo::Cast<TScrollBox>(c, x, v).*bar)().SetPosition(x.Int(v));
                      })
            .Property(p + ".Increment",
                      [bar](TComponent& c, const TValue& v, TLoadContext& x) {
                          (TClassInfo::Cast<TScrollBox>(c, x, v).*bar)().SetIncrement(x.Int(v));
                      })
            .Property(p + ".Tracking", [bar](TComponent& c, const TValue& v, TLoadContext& x) {
                (TClassInfo::Cast<TScrollBox>(c, x, v).*bar)().SetTracking(x.Bool(v));
            });
    };
    auto& scroll = RegisterClass<TScrollBox>("TScrollBox", "TWinControl");
    scroll.Enum<TScrollBox, TBorderStyle>("BorderStyle", &TScrollBox::SetBorderStyle, kBorderStyle)
        .Bool<TScrollBox>("AutoScroll", &TScrollBox::SetAutoScroll);
    scrollBar("HorzScrollBar", &TScrollBox::HorzScrollBar, scroll);
    scrollBar("VertScrollBar", &TScrollBox::VertScrollBar, scroll);

    RegisterClass<TTabSheet>("TTabSheet", "TWinControl")
        .Int<TTabSheet>("PageIndex", &TTabSheet::SetPageIndex)
        .Bool<TTabSheet>("TabVisible", &TTabSheet::SetTabVisible)
        .Ignored("ImageIndex")
        .Ref<TTabSheet, TPageControl>("PageControl", &TTabSheet::SetPageControl)
        .Property("OnShow", Notify(&TTabSheet::OnShow))
        .Property("OnHide", Notify(&TTabSheet::OnHide));
    RegisterClass<TPageControl>("TPageControl", "TWinControl")
        .Ref<TPageControl, TTabSheet>("ActivePage", &TPageControl::SetActivePage)
        .Int<TPageControl>("TabWidth", &TPageControl::SetTabWidth)
        .Property("OnChange", Notify(&TPageControl::OnChange));

    RegisterClass<TTrackBar>("TTrackBar", "TWinControl")
        .Enum<TTrackBar, TTrackBarOrientation>("Orientation", &TTrackBar::SetOrientation, kOrientation)
        .Int<TTrackBar>("Min", &TTrackBar::SetMin)
        .Int<TTrackBar>("Max", &TTrackBar::SetMax)
        .Int<TTrackBar>("Position", &TTrackBar::SetPosition)
        .Int<TTrackBar>("PageSize", &TTrackBar::SetPageSize)
        .Int<TTrackBar>("LineSize", &TTrackBar::SetLineSize)
        .Int<TTrackBar>("Frequency", &TTrackBar::SetFrequency)
        .Int<TTrackBar>("SelStart", &TTrackBar::SetSelStart)
        .Int<TTrackBar>("SelEnd", &TTrackBar::SetSelEnd)
        .Enum<TTrackBar, TTickMark>("TickMarks", &TTrackBar::SetTickMarks, kTickMark)
        .Enum<TTrackBar, TTickStyle>("TickStyle", &TTrackBar::SetTickStyle, kTickStyle)
        .Property("OnChange", Notify(&TTrackBar::OnChange));
}

} // namespace tk
