#include "system/sys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

class ShellUi : public ::testing::Test {
protected:
    void TearDown() override { sys::ResetSystem(); }
};

TEST_F(ShellUi, ShellExecuteRunsARegisteredProgramOnItsOwnThread) {
    std::string params;
    std::thread::id ran;
    sys::RegisterShellProgram("rundll.exe", [&](const std::string& p) {
        params = p;
        ran = std::this_thread::get_id();
    });
    auto r = ShellExecuteA(nullptr, nullptr, "RUNDLL.EXE",
                           "KRVL.DRV,DriverConfig getstates $00070000 #000F0000", "", SW_SHOWDEFAULT);
    EXPECT_GT(reinterpret_cast<std::uintptr_t>(r), 32u);
    sys::JoinShellPrograms();
    EXPECT_EQ(params, "KRVL.DRV,DriverConfig getstates $00070000 #000F0000");
    EXPECT_NE(ran, std::this_thread::get_id());

    auto missing = ShellExecuteA(nullptr, nullptr, "notepad.exe", "", "", SW_SHOWDEFAULT);
    EXPECT_LE(reinterpret_cast<std::uintptr_t>(missing), 32u);
}

TEST_F(ShellUi, TrayAddModifyDeleteAndMouseNotices) {
    std::vector<std::pair<UINT, LPARAM>> notices;
    HWND w = sys::CreateWindowHandle([&](HWND, UINT msg, WPARAM, LPARAM lp) -> LRESULT {
        notices.emplace_back(msg, lp);
        return 0;
    });
    NOTIFYICONDATAA nid{};
    nid.cbSize = 88;
    nid.hWnd = w;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_USER + 102;
    std::strcpy(nid.szTip, "Einstellungen für Korvalin");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &nid)); // already there
    ASSERT_EQ(sys::TrayIcons().size(), 1u);
    EXPECT_EQ(sys::TrayIcons()[0].tip, "Einstellungen für Korvalin");

    ASSERT_TRUE(sys::DeliverTrayMouse(WM_LBUTTONDBLCLK));
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], (std::pair<UINT, LPARAM>{WM_USER + 102, WM_LBUTTONDBLCLK}));

    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
    EXPECT_TRUE(sys::TrayIcons().empty());
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &nid));
    EXPECT_FALSE(sys::DeliverTrayMouse(WM_LBUTTONDBLCLK));
}

// The shell tells icons apart by window and id: two programs may both number their icon 1.
TEST_F(ShellUi, TrayMouseReachesTheWindowOfTheIconWithThatWindowAndId) {
    std::vector<std::pair<HWND, LPARAM>> notices;
    auto proc = [&](HWND h, UINT, WPARAM, LPARAM lp) -> LRESULT {
        notices.emplace_back(h, lp);
        return 0;
    };
    HWND first = sys::CreateWindowHandle(proc), second = sys::CreateWindowHandle(proc);
    for (HWND h : {first, second}) {
        NOTIFYICONDATAA nid{};
        nid.hWnd = h;
        nid.uID = 1;
        nid.uFlags = NIF_MESSAGE;
        nid.uCallbackMessage = WM_USER + 102;
        ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));
    }
    auto drain = [] {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
    };
    ASSERT_TRUE(sys::DeliverTrayMouse(second, 1, WM_LBUTTONDBLCLK));
    ASSERT_TRUE(sys::DeliverTrayMouse(first, 1, WM_RBUTTONUP));
    drain();
    EXPECT_EQ(notices,
              (std::vector<std::pair<HWND, LPARAM>>{{second, WM_LBUTTONDBLCLK}, {first, WM_RBUTTONUP}}));

    EXPECT_FALSE(sys::DeliverTrayMouse(second, 2, WM_LBUTTONDBLCLK));
    NOTIFYICONDATAA gone{};
    gone.hWnd = second;
    gone.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    EXPECT_FALSE(sys::DeliverTrayMouse(second, 1, WM_LBUTTONDBLCLK));
    drain();
    EXPECT_EQ(notices.size(), 2u);
}

class RefusingTray : public sys::Tray {
public:
    bool Add(const sys::TrayIcon&) override { return false; }
    bool Modify(const sys::TrayIcon&) override { return false; }
    bool Remove(HWND, UINT) override { return false; }
};

TEST_F(ShellUi, ATrayThatRefusesMakesTheAddFail) {
    sys::SetTray(std::make_shared<RefusingTray>());
    NOTIFYICONDATAA nid{};
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &nid));
    EXPECT_TRUE(sys::TrayIcons().empty());
}

TEST_F(ShellUi, IconsLoadByResourceNameAndAreCounted) {
    sys::RegisterIconResource("MIXERICON", sys::IconImage{2, 1, {0xFF000000u, 0xFFFFFFFFu}});
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), "mixericon");
    ASSERT_NE(icon, nullptr);
    ASSERT_NE(sys::IconImageOf(icon), nullptr);
    EXPECT_EQ(sys::IconImageOf(icon)->width, 2);
    EXPECT_EQ(LoadIconA(nullptr, "OTHER"), nullptr);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_EQ(sys::LiveIcons(), 0u);
    EXPECT_FALSE(DestroyIcon(icon));
}

TEST_F(ShellUi, MessageBoxesAreRecordedAndAnsweredByThePresenter) {
    EXPECT_EQ(MessageBoxA(nullptr, "Text\r\nmehr", "Fehler", MB_ICONERROR), IDOK);
    sys::SetMessageBoxPresenter(
        [](const sys::MessageBoxRecord& r) { return r.style & MB_YESNO ? IDNO : IDOK; });
    EXPECT_EQ(MessageBoxA(nullptr, "Frage", "Korvalin", MB_YESNO), IDNO);
    auto boxes = sys::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Text\r\nmehr");
    EXPECT_EQ(boxes[0].caption, "Fehler");
    EXPECT_EQ(boxes[0].style, MB_ICONERROR);
    MessageBeep(MB_ICONEXCLAMATION);
    EXPECT_EQ(sys::RecordedBeeps(), std::vector<UINT>{MB_ICONEXCLAMATION});
}

TEST_F(ShellUi, SystemMenuEntriesAppendModifyAndCheckByCommand) {
    HWND w = sys::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    HMENU sm = GetSystemMenu(w, FALSE);
    ASSERT_NE(sm, nullptr);
    EXPECT_EQ(GetSystemMenu(w, FALSE), sm);
    INT standard = GetMenuItemCount(sm);
    ASSERT_TRUE(AppendMenuA(sm, MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(AppendMenuA(sm, MF_STRING | MF_CHECKED, 0xBEEF, "Peak Meter"));
    ASSERT_TRUE(AppendMenuA(sm, MF_STRING, 0xCAFE, " Tips anzeigen"));
    EXPECT_EQ(GetMenuItemCount(sm), standard + 3);

    EXPECT_EQ(CheckMenuItem(sm, 0xBEEF, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(sm, 0x1111, MF_BYCOMMAND | MF_CHECKED), 0xFFFFFFFFu);
    ASSERT_TRUE(ModifyMenuA(sm, 0xCAFE, MF_BYCOMMAND | MF_STRING | MF_CHECKED, 0xCAFE, " Tips anzeigen"));
    auto items = sys::MenuItems(sm);
    EXPECT_EQ(items[standard].flags, MF_SEPARATOR);
    EXPECT_EQ(items[standard + 1].flags & MF_CHECKED, 0u);
    EXPECT_EQ(items[standard + 2].flags & MF_CHECKED, MF_CHECKED);
    EXPECT_FALSE(ModifyMenuA(sm, 0x9999, MF_BYCOMMAND, 0x9999, "x"));

    EXPECT_EQ(GetSystemMenu(w, TRUE), nullptr); // back to the standard entries
    EXPECT_EQ(GetMenuItemCount(sm), standard);
    DestroyWindow(w);
    EXPECT_FALSE(sys::IsMenu(sm));
}

TEST_F(ShellUi, PopupMenusReturnThePresentersChoice) {
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 1, "Open");
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup, MF_STRING, 2, "Exit");
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 10, 10, 0, nullptr, nullptr), 0);
    EXPECT_EQ(sys::LastShownPopup(), popup);
    sys::SetPopupPresenter([](HMENU m, INT, INT, HWND) { return sys::MenuItems(m).back().id; });
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 10, 10, 0, nullptr, nullptr), 2);
    EXPECT_TRUE(DestroyMenu(popup));
    EXPECT_FALSE(DestroyMenu(popup));
    POINT p{};
    SetCursorPos(30, 40);
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 30);
    EXPECT_EQ(p.y, 40);
}

} // namespace
