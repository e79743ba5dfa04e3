// The about box on the desktop: a fixed, centred dialog shown modally in a nested loop; closing it ends
// the loop. With KRVL_SCREENSHOT_DIR set, its window is saved there as about-box.png.
#include "app/about.h"
#include "desktop/FormWindow.h"
#include "desktop/Host.h"
#include "system/sys.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

TEST(DesktopAboutBox, ShowsModallyCentredAndFixedAndItsCloseBoxEndsTheLoop) {
    if (!desktop::Host::OpenDisplay()) GTEST_SKIP() << "no X display";
    sys::ResetSystem();
    desktop::Host& host = desktop::Host::Install();
    auto box = tk::Make<krvl::TAboutBox>();

    bool sawModal = false, saved = false;
    int waits = 0;
    std::string title;
    desktop::ClientGeometry where;
    const char* dir = std::getenv("KRVL_SCREENSHOT_DIR");
    host.SetWaitObserver([&] {
        desktop::FormWindow* w = host.WindowOf(*box);
        if (sawModal || !w || !w->Shown() || !w->Modal()) return;
        if (++waits < 20) return; // let it map and paint
        sawModal = true;
        title = w->Title();
        where = w->Geometry();
        EXPECT_FALSE(w->Resizable());
        if (dir) saved = w->SaveClientPng((std::filesystem::path(dir) / "about-box.png").string());
        w->FeedClose();
    });
    tk::TModalResult result = -1;
    host.Post([&] { result = box->ShowModal(); });
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (result == -1 && std::chrono::steady_clock::now() < end)
        host.Pump(20);
    host.SetWaitObserver(nullptr);

    EXPECT_TRUE(sawModal);
    EXPECT_EQ(result, tk::mrCancel);
    EXPECT_EQ(title, "Info");
    EXPECT_EQ(where.width, box->ClientWidth());
    EXPECT_EQ(box->Left(), (tk::Screen->Width() - box->Width()) / 2);
    if (dir) {
        EXPECT_TRUE(saved);
    }
    box.reset();
    desktop::Host::Uninstall();
    sys::ResetSystem();
}

} // namespace
