// Message boxes, beeps and menus: models a host shows; headless they are recorded and answered.
#include "system/internal.h"
#include "system/sys.h"

#include <map>
#include <mutex>

namespace {

struct Menu {
    std::vector<sys::MenuItem> items;
    HWND systemOf{};
};

struct State {
    std::recursive_mutex mutex;
    std::vector<sys::MessageBoxRecord> boxes;
    std::shared_ptr<sys::MessageBoxPresenter> presenter;
    std::shared_ptr<std::function<void(const sys::MessageBoxRecord&)>> observer;
    std::vector<UINT> beeps;
    std::shared_ptr<std::function<void(UINT)>> beepPresenter;
    std::map<std::uintptr_t, Menu> menus;
    std::map<HWND, std::uintptr_t> systemMenus;
    std::uintptr_t nextMenu{0x100};
    std::shared_ptr<sys::PopupPresenter> popupPresenter;
    HMENU lastPopup{};
};

State& S() {
    static State state;
    return state;
}

using Lock = std::lock_guard<std::recursive_mutex>;

std::uintptr_t Key(HMENU m) {
    return reinterpret_cast<std::uintptr_t>(m);
}

Menu* Find(HMENU m) {
    auto it = S().menus.find(Key(m));
    return it == S().menus.end() ? nullptr : &it->second;
}

HMENU NewMenu() {
    std::uintptr_t h = S().nextMenu++;
    S().menus[h] = Menu{};
    return reinterpret_cast<HMENU>(h);
}

// The system menu the desktop gives every window, in the interface's language.
void FillSystemMenu(Menu& menu) {
    menu.items = {
        {MF_STRING, SC_RESTORE, "&Wiederherstellen", nullptr},
        {MF_STRING, SC_MOVE, "&Verschieben", nullptr},
        {MF_STRING, SC_SIZE, "&Größe ändern", nullptr},
        {MF_STRING, SC_MINIMIZE, "Mi&nimieren", nullptr},
        {MF_STRING, SC_MAXIMIZE, "Ma&ximieren", nullptr},
        {MF_SEPARATOR, 0, "", nullptr},
        {MF_STRING, SC_CLOSE, "&Schließen\tAlt+F4", nullptr},
    };
}

// An item by command (searching submenus, as the original does) or by position.
sys::MenuItem* Item(HMENU m, UINT which, UINT flags) {
    Menu* menu = Find(m);
    if (!menu) return nullptr;
    if (flags & MF_BYPOSITION) return which < menu->items.size() ? &menu->items[which] : nullptr;
    for (auto& item : menu->items) {
        if (!(item.flags & MF_POPUP) && !(item.flags & MF_SEPARATOR) && item.id == which) return &item;
        if ((item.flags & MF_POPUP) && item.popup)
            if (auto* inner = Item(item.popup, which, flags)) return inner;
    }
    return nullptr;
}

void DestroyTree(HMENU m) {
    Menu* menu = Find(m);
    if (!menu) return;
    auto items = menu->items;
    S().menus.erase(Key(m));
    for (auto& item : items)
        if (item.popup) DestroyTree(item.popup);
}

constexpr UINT kStoredFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR;

} // namespace

namespace sys {

void SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    Lock lock(S().mutex);
    S().presenter = presenter ? std::make_shared<MessageBoxPresenter>(std::move(presenter)) : nullptr;
}

std::vector<MessageBoxRecord> RecordedMessageBoxes() {
    Lock lock(S().mutex);
    return S().boxes;
}

void SetMessageBoxObserver(std::function<void(const MessageBoxRecord&)> observer) {
    Lock lock(S().mutex);
    S().observer = observer
                       ? std::make_shared<std::function<void(const MessageBoxRecord&)>>(std::move(observer))
                       : nullptr;
}

void SetBeepPresenter(std::function<void(UINT)> presenter) {
    Lock lock(S().mutex);
    S().beepPresenter =
        presenter ? std::make_shared<std::function<void(UINT)>>(std::move(presenter)) : nullptr;
}

std::vector<UINT> RecordedBeeps() {
    Lock lock(S().mutex);
    return S().beeps;
}

std::vector<MenuItem> MenuItems(HMENU menu) {
    Lock lock(S().mutex);
    Menu* m = Find(menu);
    return m ? m->items : std::vector<MenuItem>{};
}

bool IsMenu(HMENU menu) {
    Lock lock(S().mutex);
    return Find(menu) != nullptr;
}

void SetPopupPresenter(PopupPresenter presenter) {
    Lock lock(S().mutex);
    S().popupPresenter = presenter ? std::make_shared<PopupPresenter>(std::move(presenter)) : nullptr;
}

HMENU LastShownPopup() {
    Lock lock(S().mutex);
    return S().lastPopup;
}

HMENU ExistingSystemMenu(HWND hwnd) {
    Lock lock(S().mutex);
    auto it = S().systemMenus.find(hwnd);
    return it == S().systemMenus.end() ? nullptr : reinterpret_cast<HMENU>(it->second);
}

namespace detail {
void DropSystemMenu(HWND hwnd) {
    Lock lock(S().mutex);
    auto it = S().systemMenus.find(hwnd);
    if (it == S().systemMenus.end()) return;
    DestroyTree(reinterpret_cast<HMENU>(it->second));
    S().systemMenus.erase(it);
}

void ResetUi() {
    Lock lock(S().mutex);
    S().boxes.clear();
    S().presenter.reset();
    S().observer.reset();
    S().beeps.clear();
    S().beepPresenter.reset();
    S().menus.clear();
    S().systemMenus.clear();
    S().nextMenu = 0x100;
    S().popupPresenter.reset();
    S().lastPopup = nullptr;
}
} // namespace detail

} // namespace sys

INT MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    sys::MessageBoxRecord record{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Fehler", uType};
    std::shared_ptr<sys::MessageBoxPresenter> presenter;
    std::shared_ptr<std::function<void(const sys::MessageBoxRecord&)>> observer;
    {
        Lock lock(S().mutex);
        S().boxes.push_back(record);
        presenter = S().presenter;
        observer = S().observer;
    }
    if (observer) (*observer)(record);
    return presenter ? (*presenter)(record) : IDOK;
}

BOOL MessageBeep(UINT uType) {
    std::shared_ptr<std::function<void(UINT)>> presenter;
    {
        Lock lock(S().mutex);
        S().beeps.push_back(uType);
        presenter = S().beepPresenter;
    }
    if (presenter) (*presenter)(uType);
    return TRUE;
}

HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) {
    if (!IsWindow(hWnd)) return nullptr;
    Lock lock(S().mutex);
    auto it = S().systemMenus.find(hWnd);
    if (bRevert) {
        if (it != S().systemMenus.end()) FillSystemMenu(S().menus[it->second]);
        return nullptr;
    }
    if (it != S().systemMenus.end()) return reinterpret_cast<HMENU>(it->second);
    HMENU m = NewMenu();
    Find(m)->systemOf = hWnd;
    FillSystemMenu(*Find(m));
    S().systemMenus[hWnd] = Key(m);
    return m;
}

HMENU CreatePopupMenu() {
    Lock lock(S().mutex);
    return NewMenu();
}

BOOL DestroyMenu(HMENU hMenu) {
    Lock lock(S().mutex);
    if (!Find(hMenu)) return FALSE;
    DestroyTree(hMenu);
    return TRUE;
}

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
    Lock lock(S().mutex);
    Menu* menu = Find(hMenu);
    if (!menu) return FALSE;
    sys::MenuItem item{uFlags & kStoredFlags, uIDNewItem, "", nullptr};
    if (uFlags & MF_POPUP) {
        item.popup = reinterpret_cast<HMENU>(uIDNewItem);
        item.id = 0;
    }
    if (!(uFlags & MF_SEPARATOR) && lpNewItem) item.text = lpNewItem;
    menu->items.push_back(std::move(item));
    return TRUE;
}

BOOL ModifyMenuA(HMENU hMnu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
    Lock lock(S().mutex);
    sys::MenuItem* item = Item(hMnu, uPosition, uFlags);
    if (!item) return FALSE;
    item->flags = uFlags & kStoredFlags;
    if (uFlags & MF_POPUP) {
        item->popup = reinterpret_cast<HMENU>(uIDNewItem);
        item->id = 0;
    } else {
        item->popup = nullptr;
        item->id = uIDNewItem;
    }
    item->text = (!(uFlags & MF_SEPARATOR) && lpNewItem) ? lpNewItem : "";
    return TRUE;
}

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck) {
    Lock lock(S().mutex);
    sys::MenuItem* item = Item(hMenu, uIDCheckItem, uCheck);
    if (!item) return 0xFFFFFFFFu;
    DWORD previous = item->flags & MF_CHECKED;
    item->flags = (item->flags & ~MF_CHECKED) | (uCheck & MF_CHECKED);
    return previous;
}

INT GetMenuItemCount(HMENU hMenu) {
    Lock lock(S().mutex);
    Menu* menu = Find(hMenu);
    return menu ? static_cast<INT>(menu->items.size()) : -1;
}

BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, INT x, INT y, INT, HWND hWnd, const RECT*) {
    std::shared_ptr<sys::PopupPresenter> presenter;
    {
        Lock lock(S().mutex);
        if (!Find(hMenu)) return FALSE;
        S().lastPopup = hMenu;
        presenter = S().popupPresenter;
    }
    UINT_PTR chosen = presenter ? (*presenter)(hMenu, x, y, hWnd) : 0;
    if (uFlags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen) PostMessageA(hWnd, WM_COMMAND, chosen, 0);
    return TRUE;
}
