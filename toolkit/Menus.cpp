#include "toolkit/Menus.h"

#include <algorithm>
#include <functional>

namespace tk {

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    for (TMenuItem* item : m_items)
        item->m_parentItem = nullptr;
    if (m_parentItem) std::erase(m_parentItem->m_items, this);
}

void TMenuItem::Add(TMenuItem* item) {
    if (!item || item == this || item->m_parentItem == this) return;
    if (item->m_parentItem) item->m_parentItem->Remove(item);
    item->m_parentItem = this;
    m_items.push_back(item);
}

void TMenuItem::Remove(TMenuItem* item) {
    if (!item || item->m_parentItem != this) return;
    std::erase(m_items, item);
    item->m_parentItem = nullptr;
}

bool TMenuItem::SetParentComponent(TComponent* parent) {
    if (auto* menu = dynamic_cast<TPopupMenu*>(parent)) {
        menu->Items().Add(this);
        return true;
    }
    if (auto* item = dynamic_cast<TMenuItem*>(parent)) {
        item->Add(this);
        return true;
    }
    return false;
}

void TMenuItem::Click() {
    if (m_enabled && OnClick) OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

void TPopupMenu::Popup(int x, int y) {
    TTracker alive(this);
    if (OnPopup) OnPopup(this);
    if (!alive) return;
    // Command ids are positions in a flat list of the items shown.
    std::vector<TMenuItem*> shown;
    std::function<HMENU(TMenuItem&)> build = [&](TMenuItem& parent) {
        HMENU menu = CreatePopupMenu();
        for (int i = 0; i < parent.Count(); ++i) {
            TMenuItem* item = parent.Items(i);
            if (!item->Visible()) continue;
            if (item->IsSeparator()) {
                AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            UINT flags = MF_STRING | (item->Checked() ? MF_CHECKED : 0) | (item->Enabled() ? 0 : MF_GRAYED);
            if (item->Count() > 0) {
                HMENU sub = build(*item);
                AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), item->Caption().c_str());
            } else {
                shown.push_back(item);
                AppendMenuA(menu, flags, shown.size(), item->Caption().c_str());
            }
        }
        return menu;
    };
    HMENU menu = build(m_root);
    UINT_PTR choice = static_cast<UINT_PTR>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, x, y, 0, m_window, nullptr));
    // Submenus belong to their parent menu and go with it.
    DestroyMenu(menu);
    if (!alive || choice == 0 || choice > shown.size()) return;
    shown[choice - 1]->Click();
}

} // namespace tk
