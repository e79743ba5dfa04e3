#include "app/about.h"

#include "controls/Class_b.h"
#include "toolkit/CairoCanvas.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include "system/sys.h"

#include <gtest/gtest.h>

using namespace krvl;

TEST(AboutBox, LoadsItsLayoutAndSetsTheTextsAtCreation) {
    auto box = tk::Make<TAboutBox>();
    EXPECT_EQ(box->Caption(), "Info");
    EXPECT_EQ(box->BorderStyle(), tk::bsDialog);
    EXPECT_EQ(box->ClientWidth(), 294);
    EXPECT_EQ(box->ClientHeight(), 296);
    EXPECT_EQ(box->lbName->Caption(), "Korvalin");
    EXPECT_EQ(box->lbVersion->Caption(), "Version 1.03");
    EXPECT_EQ(box->lbSys->Caption(), "für Windows 95/98 (TM)");
    EXPECT_EQ(box->lbsytem->Caption(), "Sound System");
    EXPECT_EQ(box->ExtLabel1->Caption(), "Kontakt:");
    EXPECT_EQ(box->ExtLabel1->CaptionEnglish(), "Contact:");
    EXPECT_EQ(tk::StripAccelerator(box->ExtLabel2->Caption()), "designed & developed by");
    EXPECT_EQ(box->lbName->Alignment(), tk::taCenter);
    EXPECT_EQ(box->lbName->Width(), 257);
    EXPECT_FALSE(box->Image1->Picture().Empty());
    EXPECT_TRUE(box->OKButton->Default());
    EXPECT_EQ(box->OKButton->ModalResult(), tk::mrOk);
    // The inner panel carries the light grey of the layout.
    auto& inner = box->ComponentByName<tk::TPanel>("Panel2");
    EXPECT_EQ(inner.Color(), 0xE1E1E1);
    EXPECT_EQ(inner.BevelOuter(), tk::bvNone);
    EXPECT_EQ(inner.Parent(), &box->ComponentByName<tk::TPanel>("Panel1"));
}

TEST(AboutBox, ShownModallyOkClosesItAndItStaysAlive) {
    sys::UseVirtualClock();
    TAboutBox* box = nullptr;
    tk::Application->CreateForm(box);
    // The OK click arrives as posted mouse input while the modal loop runs.
    tk::TPoint p = box->OKButton->ClientToForm({10, 10});
    LPARAM at = static_cast<LPARAM>((p.y << 16) | (p.x & 0xFFFF));
    PostMessageA(box->Handle(), WM_LBUTTONDOWN, 1, at);
    PostMessageA(box->Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(box->ShowModal(), tk::mrOk);
    EXPECT_FALSE(box->Visible());
    ASSERT_EQ(tk::Screen->FindForm("Info"), box);
    // Again, closed by the window's close box this time.
    PostMessageA(box->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(box->ShowModal(), tk::mrCancel);
    EXPECT_EQ(tk::Screen->FindForm("Info"), box);
    tk::Application->DestroyForms();
    EXPECT_EQ(tk::Screen->FindForm("Info"), nullptr);
}

TEST(AboutBox, RendersToAPngThatShowsTheTexts) {
    auto box = tk::Make<TAboutBox>();
    std::string path = ::testing::TempDir() + "about.png";
    ASSERT_TRUE(tk::RenderFormToPng(*box, path));
    tk::TRenderedImage image = tk::RenderForm(*box, false);
    ASSERT_EQ(image.width, 294);
    ASSERT_EQ(image.height, 296);
    // Dark text pixels inside the version label's rectangle, none where nothing is written.
    auto darkPixels = [&](const tk::TControl& c) {
        tk::TPoint o = c.ClientToForm({0, 0});
        int dark = 0;
        for (int y = o.y; y < o.y + c.Height(); ++y)
            for (int x = o.x; x < o.x + c.Width(); ++x) {
                std::uint32_t px = image.Pixel(x, y);
                int lum = ((px >> 16) & 0xFF) + ((px >> 8) & 0xFF) + (px & 0xFF);
                if (lum < 200) ++dark;
            }
        return dark;
    };
    EXPECT_GT(darkPixels(*box->lbVersion), 20);
    EXPECT_GT(darkPixels(*box->lbSys), 20);
    EXPECT_GT(darkPixels(*box->lbmail), 20);
    EXPECT_GT(darkPixels(*box->OKButton), 20);
    // The inner panel's background colour shows between the texts.
    tk::TPoint bg = box->lbVersion->ClientToForm({2, -4});
    EXPECT_EQ(image.Pixel(bg.x, bg.y) & 0xFFFFFF, 0xE1E1E1u);
}
