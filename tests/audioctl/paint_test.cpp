#include "controls/audioctl32.h"

#include "system/sys.h"
#include "toolkit/CairoCanvas.h"
#include "toolkit/Forms.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tk;

namespace {

std::uint32_t Rgb(std::uint32_t argb) {
    return argb & 0xFFFFFF;
}
// 0x00BBGGRR as the image's 0xAARRGGBB.
std::uint32_t AsImage(TColor c) {
    auto v = static_cast<std::uint32_t>(c);
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

} // namespace

// A strip as the mixer windows show it: two meters over two faders, rendered off-screen.
TEST(AudioControlsPaint, ClassicLookOfFaderAndMeter) {
    auto form = Make<TForm>();
    form->SetBounds(0, 0, 120, 420);
    auto* strip = New<TPanel>(form.get());
    strip->SetParent(form.get());
    strip->SetBounds(0, 0, 100, 380);

    auto* meter = New<krvl::TLevelMeter>(form.get());
    meter->SetParent(strip);
    meter->SetBounds(6, 6, 18, 163);
    meter->SetLumiHeight(5);
    meter->SetNumLumisRed(1);
    meter->SetNumLumisOrange(12);
    meter->SetLevel(32767);

    auto* fader = New<krvl::TSlider>(form.get());
    fader->SetParent(strip);
    fader->SetBounds(40, 200, 4, 112);
    fader->SetBtnHeight(26);
    fader->SetBtnWidth(18);
    fader->SetMoveRestriction(6);
    fader->SetPosition(50);

    TRenderedImage image = RenderForm(*form, false);
    if (const char* dir = std::getenv("KRVL_SNAPSHOT_DIR"))
        RenderFormToPng(*form, std::string(dir) + "/audioctl.png", false);
    ASSERT_TRUE(fader->Placed());

    // Lamps: the red top lamp, orange and green ones, each with a black outline line between them.
    TPoint top = meter->Lamp(39)->ClientToForm({0, 0});
    EXPECT_EQ(Rgb(image.Pixel(top.x + 7, top.y + 2)), AsImage(0x0000FF));
    TPoint orange = meter->Lamp(30)->ClientToForm({0, 0});
    EXPECT_EQ(Rgb(image.Pixel(orange.x + 7, orange.y + 2)), AsImage(0x0080FF));
    TPoint green = meter->Lamp(3)->ClientToForm({0, 0});
    EXPECT_EQ(Rgb(image.Pixel(green.x + 7, green.y + 2)), AsImage(0x00FF00));
    EXPECT_EQ(Rgb(image.Pixel(green.x + 7, green.y)), 0u);

    // The dark track above the knob, and the knob's face in the button colour.
    TPoint track = fader->ClientToForm({0, 0});
    EXPECT_EQ(Rgb(image.Pixel(track.x + 2, track.y + 10)), 0u);
    TPoint knob = fader->Knob()->ClientToForm({0, 0});
    EXPECT_EQ(Rgb(image.Pixel(knob.x + 4, knob.y + 5)), AsImage(ColorToRGB(clBtnFace)));
    // The knob's line: a shadow row across its middle.
    int lineY = knob.y + fader->KnobLine()->Top();
    EXPECT_EQ(Rgb(image.Pixel(knob.x + 6, lineY)), AsImage(ColorToRGB(clBtnShadow)));
}
